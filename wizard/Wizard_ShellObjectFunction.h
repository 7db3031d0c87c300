#pragma once
// Step 2 of the creation wizard: whether the object opens a folder or runs a program,
// with a chooser for each. Next is offered while the edit of the chosen kind holds text.
// Both texts are taken when the user moves on; isFolder says which one counts.

#include "framework/PropertySheet.h"
#include "store/ShellObjectSpec.h"

class Wizard_ShellObjectFunction : public CPropertyPage {
public:
    // Works on request's isFolder, folderTarget and programCommand.
    explicit Wizard_ShellObjectFunction(vs::ShellObjectSpec& request);

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    DWORD WizardButtons() const override;
    LRESULT OnWizardNext() override;
    bool HandleMessage(const Message& msg, LRESULT& result) override;

private:
    LRESULT OnFolderChoice(const Message& msg);
    LRESULT OnProgramChoice(const Message& msg);
    LRESULT OnTargetChanged(const Message& msg);
    LRESULT OnChooseFolder(const Message& msg);
    LRESULT OnChooseFile(const Message& msg);
    // Enables the edit and chooser of the chosen kind only.
    void EnableChoice(bool folder);

    vs::ShellObjectSpec& request_;
};
