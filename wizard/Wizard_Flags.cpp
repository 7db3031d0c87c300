#include "wizard/Wizard_Flags.h"

#include "res/resource.h"

CWizard_SpecialFlags::CWizard_SpecialFlags(vs::ShellObjectSpec& request)
    : CPropertyPage(IDD_WIZARD_FLAGS), request_(request) {}

void CWizard_SpecialFlags::DoDataExchange(DataExchange& dx) {
    dx.Check(IDC_FLAG_PROPERTY_SHEET, request_.enablePropertySheet);
    dx.Check(IDC_FLAG_ALLOW_DELETE, request_.allowDelete);
    dx.Check(IDC_FLAG_ALLOW_COPY, request_.allowCopy);
    dx.Check(IDC_FLAG_ALLOW_LINK, request_.allowLink);
    dx.Check(IDC_FLAG_ALLOW_MOVE, request_.allowMove);
    dx.Check(IDC_FLAG_REMOVABLE, request_.removableMedia);
    dx.Check(IDC_FLAG_DRAG_DROP, request_.allowDragDrop);
    dx.Check(IDC_FLAG_HIDE_IF_DELETED, request_.hideIfDeleted);
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
    EnableHideIfDeleted();
    return defaultFocus;
}

// "Hide if deleted" refines "Allow delete": usable only with it, but its check mark stays
// when delete is turned off, so turning it on again brings the choice back.
void CWizard_SpecialFlags::EnableHideIfDeleted() const {
    EnableWindow(Item(IDC_FLAG_HIDE_IF_DELETED),
                 IsDlgButtonChecked(hwnd_, IDC_FLAG_ALLOW_DELETE) == BST_CHECKED);
}

LRESULT CWizard_SpecialFlags::OnAllowDeleteClicked(const Message&) {
    EnableHideIfDeleted();
    return 0;
}

bool CWizard_SpecialFlags::OnWizardFinish() {
    return UpdateData(true);
}
