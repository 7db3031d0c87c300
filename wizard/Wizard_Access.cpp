#include "wizard/Wizard_Access.h"

#include "res/resource.h"
#include "store/ShellObjectSpec.h"

namespace {

// The category list in the order of the category numbers; the last entry stands for none.
constexpr const wchar_t* kCategoryNames[] = {
    L"Other",
    L"Appearance and Themes",
    L"Printers and Other Hardware",
    L"Network and Internet Options",
    L"Sounds, Speech, and Audio Devices",
    L"Performance and Maintenance",
    L"Date, Time, Language, and Regional Options",
    L"Accessibility Options",
    L"Add or Remove Programs",
    L"User Accounts",
    L"No Category",
};
constexpr int kNoCategoryIndex = 10;

} // namespace

CWizard_Access::CWizard_Access() : CPropertyPage(IDD_WIZARD_ACCESS) {}

void CWizard_Access::DoDataExchange(DataExchange& dx) {
    dx.Check(IDC_SCOPE_ALL_USERS, allUsers);
    dx.Check(IDC_PLACE_MYCOMPUTER, inMyComputer);
    dx.Check(IDC_PLACE_DESKTOP, onDesktop);
    dx.Check(IDC_PLACE_CONTROLPANEL, inControlPanel);
    dx.Check(IDC_PLACE_NETWORK, inNetworkNeighborhood);
}

bool CWizard_Access::HandleMessage(const Message& msg, LRESULT& result) {
    static constexpr MessageEntry<CWizard_Access> kMessages[] = {
        {WM_COMMAND, BN_CLICKED, IDC_PLACE_MYCOMPUTER, IDC_PLACE_NETWORK, &CWizard_Access::OnPlaceClicked},
    };
    return Route(this, kMessages, msg, result) || CPropertyPage::HandleMessage(msg, result);
}

bool CWizard_Access::OnInitDialog() {
    const bool defaultFocus = CPropertyPage::OnInitDialog();
    CheckDlgButton(hwnd_, IDC_SCOPE_ALL_USERS, BST_CHECKED);
    const HWND categories = Item(IDC_CATEGORY_COMBO);
    for (const wchar_t* name : kCategoryNames)
        SendMessageW(categories, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    SendMessageW(categories, CB_SETCURSEL, kNoCategoryIndex, 0);
    EnableWindow(categories, FALSE);
    Update();
    return defaultFocus;
}

void CWizard_Access::Update() const {
    auto checked = [this](int id) { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; };
    // The category keeps its selection while disabled; it is taken at Next all the same.
    EnableWindow(Item(IDC_CATEGORY_COMBO), checked(IDC_PLACE_CONTROLPANEL));
    const bool anyPlace = checked(IDC_PLACE_MYCOMPUTER) || checked(IDC_PLACE_DESKTOP) ||
                          checked(IDC_PLACE_CONTROLPANEL) || checked(IDC_PLACE_NETWORK);
    SetWizardButtons(anyPlace ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
}

LRESULT CWizard_Access::OnPlaceClicked(const Message&) {
    Update();
    return 0;
}

LRESULT CWizard_Access::OnSetActive() {
    Update();
    return CPropertyPage::OnSetActive();
}

LRESULT CWizard_Access::OnWizardNext() {
    if (!UpdateData(true))
        return -1;
    const LRESULT selection = SendMessageW(Item(IDC_CATEGORY_COMBO), CB_GETCURSEL, 0, 0);
    controlPanelCategory = selection >= 0 && selection < kNoCategoryIndex
                               ? static_cast<std::uint32_t>(selection)
                               : vs::kNoCategory;
    return 0;
}
