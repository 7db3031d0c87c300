#include "wizard/Wizard_SelectIcon.h"

#include "dialogs/IconDialog.h"
#include "res/resource.h"
#include "store/ShellObjectInfo.h"
#include "wizard/LocationIcon.h"

CWizard_SelectIcon::CWizard_SelectIcon() : CPropertyPage(IDD_WIZARD_ICON) {}

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
    const bool defaultFocus = CPropertyPage::OnInitDialog();
    ShowLocation(DefaultIconLocation());
    return defaultFocus;
}

void CWizard_SelectIcon::ShowLocation(const std::wstring& location) {
    iconLocation = location;
    writingEdit_ = true;
    SetDlgItemTextW(hwnd_, IDC_ICON_LOCATION, iconLocation.c_str());
    writingEdit_ = false;
    LoadIcon();
}

LRESULT CWizard_SelectIcon::OnLocationChanged(const Message&) {
    if (writingEdit_)
        return 0;
    DataExchange dx(hwnd_, false);
    dx.Text(IDC_ICON_LOCATION, iconLocation);
    LoadIcon();
    return 0;
}

LRESULT CWizard_SelectIcon::OnResetDefault(const Message&) {
    ShowLocation(DefaultIconLocation());
    return 0;
}

LRESULT CWizard_SelectIcon::OnChooseIcon(const Message&) {
    CIconDialog chooser(hwnd_);
    const vs::IconLocationParts start = vs::SplitIconLocation(iconLocation);
    (void)chooser.SetStartIcon(start.file, start.index); // refused: the chooser starts on its default
    if (chooser.DoModal() != IDOK)
        return 0;
    std::wstring file;
    int index = 0;
    chooser.GetChosenIcon(file, index);
    ShowLocation(CIconDialog::MakeIconLocation(file, index));
    return 0;
}

void CWizard_SelectIcon::LoadIcon() {
    icon_.Reset();
    icon_ = LoadLocationIcon(iconLocation);
    InvalidateRect(hwnd_, nullptr, TRUE);
    SetButtons();
}

void CWizard_SelectIcon::SetButtons() const {
    SetWizardButtons(icon_ ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
}

LRESULT CWizard_SelectIcon::OnDrawItem(const Message& msg) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(msg.lParam);
    if (item->CtlID != IDC_ICON_PREVIEW)
        return FALSE;
    if (icon_)
        DrawIcon(item->hDC, item->rcItem.left, item->rcItem.top, icon_.Get());
    return TRUE;
}

LRESULT CWizard_SelectIcon::OnSetActive() {
    SetButtons();
    return CPropertyPage::OnSetActive();
}
