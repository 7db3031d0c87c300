#pragma once
// Step 2 of the creation wizard: whether the object opens a folder or runs a program,
// with a chooser for each. Next is offered while the edit of the chosen kind holds text.
// Both texts are taken when the user moves on; isFolder says which one counts.

#include "framework/PropertySheet.h"

#include <string>

class Wizard_ShellObjectFunction : public CPropertyPage {
public:
    Wizard_ShellObjectFunction();

    std::wstring folderTarget;
    std::wstring programCommand;
    bool isFolder = true;

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    LRESULT OnSetActive() override;
    LRESULT OnWizardNext() override;
    bool HandleMessage(const Message& msg, LRESULT& result) override;

private:
    LRESULT OnFolderChoice(const Message& msg);
    LRESULT OnProgramChoice(const Message& msg);
    LRESULT OnTargetChanged(const Message& msg);
    LRESULT OnChooseFolder(const Message& msg);
    LRESULT OnChooseFile(const Message& msg);
    void EnableChoice(bool folder);
    void SetButtons() const;
};
