#pragma once
// The dialog base. A dialog object passes `this` as the creation parameter; the static
// dialog procedure stores it in DWLP_USER at WM_INITDIALOG and hands every later message
// to HandleMessage, which derived classes override with their message table (see
// MessageMap.h) and then fall back to this base.

#include "framework/DataExchange.h"
#include "framework/MessageMap.h"

#include <windows.h>

class CDialog {
public:
    // parent null: the default owner (if any) owns the dialog.
    explicit CDialog(UINT templateId, HWND parent = nullptr);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally; IDOK, IDCANCEL or what EndDialog was given.
    INT_PTR DoModal();
    // Creates the dialog modeless (tests drive dialogs this way); EndDialog destroys it.
    HWND CreateModeless();
    // The message loop of a modeless dialog that stands as a main window: takes the thread's
    // messages through PreTranslateMessage until the window is gone or WM_QUIT arrives.
    void RunMessageLoop();
    // Sees a message of RunMessageLoop before it is dispatched; true when it was handled
    // here. The base lets IsDialogMessage give the dialog its keyboard (Tab, Enter, Esc).
    virtual bool PreTranslateMessage(MSG& msg);

    HWND Hwnd() const { return hwnd_; }
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    UINT TemplateId() const { return templateId_; }
    // The result given to EndDialog (modeless runs keep it here).
    INT_PTR Result() const { return result_; }

    void EndDialog(INT_PTR result);
    // Runs DoDataExchange in one direction; false when a validation failed.
    bool UpdateData(bool fromControls);

    // The owner of dialogs created without a parent. The application object names its
    // main window here, as a window or as a dialog whose window counts while it stands;
    // the dialog itself never asks for the application.
    static void SetDefaultOwner(HWND owner);
    static void SetDefaultOwnerDialog(const CDialog* owner);
    static HWND DefaultOwner();

protected:
    // Default: controls <- members. Return true to let the dialog manager set the focus.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(DataExchange&) {}
    // Default: members <- controls, then close with IDOK if that validated.
    virtual void OnOK();
    virtual void OnCancel();
    // The message table hook; the base handles WM_INITDIALOG, IDOK and IDCANCEL.
    virtual bool HandleMessage(const Message& msg, LRESULT& result);

    HWND ParentWindow() const;
    // Dispatches one message; shared with property pages.
    INT_PTR Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    HWND parent_;
    bool modeless_ = false;
    INT_PTR result_ = IDCANCEL;
};
