#include "wizard/Wizard_ShellFolderName.h"

#include "res/resource.h"

CWizard_ShellFolderName::CWizard_ShellFolderName(vs::ShellObjectSpec& request)
    : CPropertyPage(IDD_WIZARD_NAME), request_(request) {}

void CWizard_ShellFolderName::DoDataExchange(DataExchange& dx) {
    dx.Text(IDC_NAME_EDIT, request_.name);
    dx.Text(IDC_INFOTIP_EDIT, request_.infoTip);
    dx.Check(IDC_ALLOW_RENAME, request_.allowRename);
}

bool CWizard_ShellFolderName::HandleMessage(const Message& msg, LRESULT& result) {
    static constexpr MessageEntry<CWizard_ShellFolderName> kMessages[] = {
        {WM_COMMAND, EN_CHANGE, IDC_NAME_EDIT, IDC_NAME_EDIT, &CWizard_ShellFolderName::OnNameChanged},
    };
    return Route(this, kMessages, msg, result) || CPropertyPage::HandleMessage(msg, result);
}

LRESULT CWizard_ShellFolderName::OnNameChanged(const Message&) {
    DataExchange dx(hwnd_, false);
    dx.Text(IDC_NAME_EDIT, request_.name);
    UpdateWizardButtons();
    return 0;
}

// Any text counts as a name, spaces alone included: nothing is trimmed.
DWORD CWizard_ShellFolderName::WizardButtons() const {
    return request_.name.empty() ? 0 : PSWIZB_NEXT;
}

LRESULT CWizard_ShellFolderName::OnWizardNext() {
    return UpdateData(true) ? 0 : -1;
}
