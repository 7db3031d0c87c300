#pragma once
// Step 3 of the creation wizard: the new object's icon location, edited as text, reset to
// the default or picked with the icon chooser, and a preview of the icon it yields. Next
// is offered while an icon could be loaded. The location is taken as it changes.

#include "framework/PropertySheet.h"
#include "framework/UniqueHandle.h"
#include "store/ShellObjectSpec.h"

class CWizard_SelectIcon : public CPropertyPage {
public:
    // Works on request's iconLocation, which starts as the default location.
    explicit CWizard_SelectIcon(vs::ShellObjectSpec& request);

    // The previewed icon, or null while the location yields none.
    HICON Icon() const { return icon_.Get(); }

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    DWORD WizardButtons() const override;
    bool HandleMessage(const Message& msg, LRESULT& result) override;

private:
    LRESULT OnLocationChanged(const Message& msg);
    LRESULT OnResetDefault(const Message& msg);
    LRESULT OnChooseIcon(const Message& msg);
    LRESULT OnDrawItem(const Message& msg);
    // Takes a new location, shows it in the edit and loads its icon.
    void ShowLocation(const std::wstring& location);
    void LoadIcon();

    vs::ShellObjectSpec& request_;
    UniqueIcon icon_;
    // Set while the page itself writes the edit, whose EN_CHANGE then is no user change.
    bool writingEdit_ = false;
};
