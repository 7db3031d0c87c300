#pragma once
// Step 5 of the creation wizard: the attribute flags. Finish is always offered; the flags
// are taken when the user presses it.

#include "framework/PropertySheet.h"
#include "store/ShellObjectSpec.h"

class CWizard_SpecialFlags : public CPropertyPage {
public:
    // Works on request's eight flags.
    explicit CWizard_SpecialFlags(vs::ShellObjectSpec& request);

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    DWORD WizardButtons() const override { return PSWIZB_BACK | PSWIZB_FINISH; }
    bool OnWizardFinish() override;
    bool HandleMessage(const Message& msg, LRESULT& result) override;

private:
    LRESULT OnAllowDeleteClicked(const Message& msg);
    void EnableHideIfDeleted() const;

    vs::ShellObjectSpec& request_;
};
