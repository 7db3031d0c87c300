#pragma once
// Step 1 of the creation wizard: the new object's name, its tooltip and whether Explorer
// may rename it. Next is offered while the name is not empty; the name is kept as it is
// typed, the other two are taken when the user moves on.

#include "framework/PropertySheet.h"
#include "store/ShellObjectSpec.h"

class CWizard_ShellFolderName : public CPropertyPage {
public:
    // Works on request's name, infoTip and allowRename.
    explicit CWizard_ShellFolderName(vs::ShellObjectSpec& request);

protected:
    void DoDataExchange(DataExchange& dx) override;
    DWORD WizardButtons() const override;
    LRESULT OnWizardNext() override;
    bool HandleMessage(const Message& msg, LRESULT& result) override;

private:
    LRESULT OnNameChanged(const Message& msg);

    vs::ShellObjectSpec& request_;
};
