#include "wizard/Wizard_Flags.h"

#include "res/resource.h"

CWizard_SpecialFlags::CWizard_SpecialFlags() : CPropertyPage(IDD_WIZARD_FLAGS) {}

void CWizard_SpecialFlags::DoDataExchange(DataExchange& dx) {
    dx.Check(IDC_FLAG_PROPERTY_SHEET, enablePropertySheet);
    dx.Check(IDC_FLAG_ALLOW_DELETE, allowDelete);
    dx.Check(IDC_FLAG_ALLOW_COPY, allowCopy);
    dx.Check(IDC_FLAG_ALLOW_LINK, allowLink);
    dx.Check(IDC_FLAG_ALLOW_MOVE, allowMove);
    dx.Check(IDC_FLAG_REMOVABLE, removableMedia);
    dx.Check(IDC_FLAG_DRAG_DROP, allowDragDrop);
    dx.Check(IDC_FLAG_HIDE_IF_DELETED, hideIfDeleted);
}

bool CWizard_SpecialFlags::HandleMessage(const Message& msg, LRESULT& result) {
    static constexpr MessageEntry<CWizard_SpecialFlags> kMessages[] = {
        {WM_COMMAND, BN_CLICKED, IDC_FLAG_ALLOW_DELETE, IDC_FLAG_ALLOW_DELETE,
         &CWizard_SpecialFlags::OnAllowDeleteClicked},
    };
    return Route(this, kMessages, msg, result) || CPropertyPage::HandleMessage(msg, result);
}

bool CWizard_SpecialFlags::OnInitDialog() {
    const bool defaultFocus = CPropertyPage::OnInitDialog();
    CheckDlgButton(hwnd_, IDC_FLAG_DRAG_DROP, BST_CHECKED);
    return defaultFocus;
}

// "Hide if deleted" refines "Allow delete": usable only with it, but its check mark stays
// when delete is turned off, so turning it on again brings the choice back.
LRESULT CWizard_SpecialFlags::OnAllowDeleteClicked(const Message&) {
    EnableWindow(Item(IDC_FLAG_HIDE_IF_DELETED),
                 IsDlgButtonChecked(hwnd_, IDC_FLAG_ALLOW_DELETE) == BST_CHECKED);
    return 0;
}

LRESULT CWizard_SpecialFlags::OnSetActive() {
    SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
    return CPropertyPage::OnSetActive();
}

bool CWizard_SpecialFlags::OnWizardFinish() {
    return UpdateData(true);
}
