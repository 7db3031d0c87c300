#include "wizard/Wizard_Access.h"

#include "framework/Resources.h"
#include "res/resource.h"

namespace {

// The category list in the order of the category numbers; the last entry stands for none.
constexpr UINT kCategoryNames[] = {
    IDS_CATEGORY_OTHER,    IDS_CATEGORY_APPEARANCE,  IDS_CATEGORY_HARDWARE, IDS_CATEGORY_NETWORK,
    IDS_CATEGORY_SOUNDS,   IDS_CATEGORY_PERFORMANCE, IDS_CATEGORY_REGIONAL, IDS_CATEGORY_ACCESSIBILITY,
    IDS_CATEGORY_PROGRAMS, IDS_CATEGORY_ACCOUNTS,    IDS_CATEGORY_NONE,
};
constexpr int kNoCategoryIndex = 10;

} // namespace

CWizard_Access::CWizard_Access(vs::ShellObjectSpec& request)
    : CPropertyPage(IDD_WIZARD_ACCESS), request_(request) {}

void CWizard_Access::DoDataExchange(DataExchange& dx) {
    dx.Check(IDC_SCOPE_ALL_USERS, request_.allUsers);
    dx.Check(IDC_PLACE_MYCOMPUTER, request_.inMyComputer);
    dx.Check(IDC_PLACE_DESKTOP, request_.onDesktop);
    dx.Check(IDC_PLACE_CONTROLPANEL, request_.inControlPanel);
    dx.Check(IDC_PLACE_NETWORK, request_.inNetworkNeighborhood);
    dx.Check(IDC_NAVIGATION_PANE, request_.pinToNavigationPane);
    dx.Check(IDC_HIDE_DESKTOP_ICON, request_.hideDesktopIcon);
    // Both belong to the Desktop entry: without it they are not asked for.
    if (!dx.toControls && !request_.onDesktop)
        request_.pinToNavigationPane = request_.hideDesktopIcon = false;
    // The category is taken at Next even while its list is disabled.
    int category = request_.controlPanelCategory < static_cast<std::uint32_t>(kNoCategoryIndex)
                       ? static_cast<int>(request_.controlPanelCategory)
                       : kNoCategoryIndex;
    dx.ComboIndex(IDC_CATEGORY_COMBO, category);
    if (!dx.toControls)
        request_.controlPanelCategory = category >= 0 && category < kNoCategoryIndex
                                            ? static_cast<std::uint32_t>(category)
                                            : vs::kNoCategory;
}

bool CWizard_Access::HandleMessage(const Message& msg, LRESULT& result) {
    static constexpr MessageEntry<CWizard_Access> kMessages[] = {
        {WM_COMMAND, BN_CLICKED, IDC_PLACE_MYCOMPUTER, IDC_PLACE_NETWORK, &CWizard_Access::OnPlaceClicked},
    };
    return Route(this, kMessages, msg, result) || CPropertyPage::HandleMessage(msg, result);
}

bool CWizard_Access::OnInitDialog() {
    const HWND categories = Item(IDC_CATEGORY_COMBO);
    for (const UINT name : kCategoryNames)
        SendMessageW(categories, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadResourceString(name).c_str()));
    const bool defaultFocus = CPropertyPage::OnInitDialog();
    EnableCategory();
    return defaultFocus;
}

bool CWizard_Access::IsChecked(int id) const {
    return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
}

void CWizard_Access::EnableCategory() const {
    EnableWindow(Item(IDC_CATEGORY_COMBO), IsChecked(IDC_PLACE_CONTROLPANEL));
    const BOOL desktop = IsChecked(IDC_PLACE_DESKTOP) ? TRUE : FALSE;
    EnableWindow(Item(IDC_NAVIGATION_PANE), desktop);
    EnableWindow(Item(IDC_HIDE_DESKTOP_ICON), desktop);
}

DWORD CWizard_Access::WizardButtons() const {
    const bool anyPlace = IsChecked(IDC_PLACE_MYCOMPUTER) || IsChecked(IDC_PLACE_DESKTOP) ||
                          IsChecked(IDC_PLACE_CONTROLPANEL) || IsChecked(IDC_PLACE_NETWORK);
    return anyPlace ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK;
}

LRESULT CWizard_Access::OnPlaceClicked(const Message&) {
    EnableCategory();
    UpdateWizardButtons();
    return 0;
}

LRESULT CWizard_Access::OnWizardNext() {
    return UpdateData(true) ? 0 : -1;
}
