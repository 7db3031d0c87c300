#include "wizard/Wizard_SelectIcon.h"

#include "dialogs/IconDialog.h"
#include "res/resource.h"
#include "store/ShellObjectInfo.h"
#include "wizard/LocationIcon.h"

CWizard_SelectIcon::CWizard_SelectIcon(vs::ShellObjectSpec& request)
    : CPropertyPage(IDD_WIZARD_ICON), request_(request) {
    request_.iconLocation = DefaultIconLocation();
}

void CWizard_SelectIcon::DoDataExchange(DataExchange& dx) {
    dx.Text(IDC_ICON_LOCATION, request_.iconLocation);
}

bool CWizard_SelectIcon::HandleMessage(const Message& msg, LRESULT& result) {
    using Page = CWizard_SelectIcon;
    static constexpr MessageEntry<Page> kMessages[] = {
        {WM_COMMAND, EN_CHANGE, IDC_ICON_LOCATION, IDC_ICON_LOCATION, &Page::OnLocationChanged},
        {WM_COMMAND, BN_CLICKED, IDC_ICON_RESET, IDC_ICON_RESET, &Page::OnResetDefault},
        {WM_COMMAND, BN_CLICKED, IDC_ICON_CHOOSE, IDC_ICON_CHOOSE, &Page::OnChooseIcon},
        {WM_DRAWITEM, 0, 0, 0, &Page::OnDrawItem},
    };
    return Route(this, kMessages, msg, result) || CPropertyPage::HandleMessage(msg, result);
}

bool CWizard_SelectIcon::OnInitDialog() {
    writingEdit_ = true;
    const bool defaultFocus = CPropertyPage::OnInitDialog();
    writingEdit_ = false;
    LoadIcon();
    return defaultFocus;
}

void CWizard_SelectIcon::ShowLocation(const std::wstring& location) {
    request_.iconLocation = location;
    writingEdit_ = true;
    UpdateData(false);
    writingEdit_ = false;
    LoadIcon();
}

LRESULT CWizard_SelectIcon::OnLocationChanged(const Message&) {
    if (writingEdit_)
        return 0;
    UpdateData(true);
    LoadIcon();
    return 0;
}

LRESULT CWizard_SelectIcon::OnResetDefault(const Message&) {
    ShowLocation(DefaultIconLocation());
    return 0;
}

LRESULT CWizard_SelectIcon::OnChooseIcon(const Message&) {
    CIconDialog chooser(hwnd_);
    // Refused: the chooser starts on its own default.
    (void)chooser.SetStartIcon(vs::SplitIconLocation(request_.iconLocation));
    if (chooser.DoModal() != IDOK)
        return 0;
    ShowLocation(CIconDialog::MakeIconLocation(chooser.icon));
    return 0;
}

void CWizard_SelectIcon::LoadIcon() {
    icon_.Reset();
    icon_ = LoadLocationIcon(request_.iconLocation);
    InvalidateRect(hwnd_, nullptr, TRUE);
    UpdateWizardButtons();
}

DWORD CWizard_SelectIcon::WizardButtons() const {
    return icon_ ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK;
}

LRESULT CWizard_SelectIcon::OnDrawItem(const Message& msg) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(msg.lParam);
    if (item->CtlID != IDC_ICON_PREVIEW)
        return FALSE;
    if (icon_)
        DrawIcon(item->hDC, item->rcItem.left, item->rcItem.top, icon_.Get());
    return TRUE;
}
