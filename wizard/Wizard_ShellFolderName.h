#pragma once
// Step 1 of the creation wizard: the new object's name, its tooltip and whether Explorer
// may rename it. Next is offered while the name is not empty; the name is kept as it is
// typed, the other two are taken when the user moves on.

#include "framework/PropertySheet.h"

#include <string>

class CWizard_ShellFolderName : public CPropertyPage {
public:
    CWizard_ShellFolderName();

    std::wstring name;
    std::wstring infoTip;
    bool allowRename = false;

protected:
    void DoDataExchange(DataExchange& dx) override;
    LRESULT OnSetActive() override;
    LRESULT OnWizardNext() override;
    bool HandleMessage(const Message& msg, LRESULT& result) override;

private:
    LRESULT OnNameChanged(const Message& msg);
    void SetButtons() const;
};
