#pragma once
// Property pages in a wizard-mode sheet. A page is a dialog created by the sheet from
// its template; it moves data between its controls and its own slice of the sheet's
// model only, says in WizardButtons which buttons it offers (posted when it becomes
// active and whenever it calls UpdateWizardButtons) and returns -1 from OnWizardNext to
// stay. The sheet acts on the model after its modal loop.

#include "framework/Dialog.h"

#include <prsht.h>

#include <vector>

// The modal result of a wizard that ended with Finish.
#ifndef ID_WIZFINISH
#define ID_WIZFINISH 0x3025
#endif

class CPropertySheet;

class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT templateId);

    HWND SheetWindow() const { return hwnd_ ? GetParent(hwnd_) : nullptr; }

protected:
    // The wizard buttons the page offers in its present state (PSWIZB_BACK, PSWIZB_NEXT,
    // PSWIZB_FINISH); by default Back and Next.
    virtual DWORD WizardButtons() const { return PSWIZB_BACK | PSWIZB_NEXT; }
    // Posts WizardButtons to the sheet; pages call it after every change that may alter it.
    void UpdateWizardButtons() const;

    // PSN_SETACTIVE: 0 to accept the activation. The default posts the buttons and accepts.
    virtual LRESULT OnSetActive();
    // PSN_WIZNEXT: 0 to go on to the next page, -1 to stay.
    virtual LRESULT OnWizardNext() { return 0; }
    // PSN_WIZBACK: 0 to go back, -1 to stay.
    virtual LRESULT OnWizardBack() { return 0; }
    // PSN_WIZFINISH: true to let the wizard finish.
    virtual bool OnWizardFinish() { return true; }

    bool HandleMessage(const Message& msg, LRESULT& result) override;

private:
    friend class CPropertySheet;
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    PROPSHEETPAGEW Describe();

    CPropertySheet* sheet_ = nullptr;
};

class CPropertySheet {
public:
    CPropertySheet(const wchar_t* caption, HWND parent, UINT startPage);
    virtual ~CPropertySheet() = default;
    CPropertySheet(const CPropertySheet&) = delete;
    CPropertySheet& operator=(const CPropertySheet&) = delete;

    void AddPage(CPropertyPage* page);
    // Forgets the pages, so that a sheet that creates its pages per run can run again.
    void RemoveAllPages() { pages_.clear(); }
    void SetWizardMode() { flags_ |= PSH_WIZARD; }
    // Runs the sheet modally: ID_WIZFINISH after Finish, IDCANCEL otherwise.
    virtual INT_PTR DoModal();
    // Creates the sheet modeless (PSH_MODELESS); tests drive it and call EndModeless.
    HWND CreateModeless();
    // After a modeless run ended (the sheet reports no current page), destroys it.
    void EndModeless();

    HWND Hwnd() const { return hwnd_; }
    bool Finished() const { return finished_; }

protected:
    // Called once when the sheet window exists, before it is shown.
    virtual void OnInitSheet() {}

private:
    friend class CPropertyPage;
    void AttachWindow(HWND sheet);
    PROPSHEETHEADERW Header(std::vector<HPROPSHEETPAGE>& handles);

    const wchar_t* caption_;
    HWND parent_;
    UINT startPage_;
    DWORD flags_ = 0;
    std::vector<CPropertyPage*> pages_;
    HWND hwnd_ = nullptr;
    bool finished_ = false;
};
