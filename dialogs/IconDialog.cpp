#include "dialogs/IconDialog.h"

#include "dialogs/DialogPlacement.h"
#include "framework/FileDialog.h"
#include "framework/Resources.h"
#include "res/resource.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

HINSTANCE OwnInstance() {
    return GetModuleHandleW(nullptr);
}

// ExtractIconW with index -1 answers the number of icons in the file; 0 for a file that
// does not exist, a folder, or a file without icons.
int IconCount(const std::wstring& file) {
    const auto count =
        reinterpret_cast<UINT_PTR>(ExtractIconW(OwnInstance(), file.c_str(), static_cast<UINT>(-1)));
    return static_cast<int>(std::min<UINT_PTR>(count, INT_MAX));
}

std::wstring DefaultIconFile() {
    wchar_t directory[MAX_PATH] = L"";
    const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        directory[0] = L'\0';
    return std::wstring(directory) + L"\\SHELL32.dll";
}

} // namespace

CIconDialog::CIconDialog(HWND parent) : CDialog(IDD_CHOOSE_ICON, parent), icon{DefaultIconFile(), 0} {}

bool CIconDialog::SetStartIcon(const vs::IconLocationParts& start) {
    if (start.index >= IconCount(start.file))
        return false;
    icon = start;
    return true;
}

std::wstring CIconDialog::MakeIconLocation(const vs::IconLocationParts& chosen) {
    // Only a plain icon file loads as an icon straight from the file; it needs no index.
    if (HANDLE loaded = LoadImageW(nullptr, chosen.file.c_str(), IMAGE_ICON, 64, 64, LR_LOADFROMFILE)) {
        DestroyIcon(static_cast<HICON>(loaded));
        return chosen.file;
    }
    return chosen.file + L"," + std::to_wstring(chosen.index);
}

HWND CIconDialog::List() const {
    return Item(IDC_ICON_LIST);
}

void CIconDialog::DoDataExchange(DataExchange& dx) {
    dx.Text(IDC_ICON_FILE, icon.file);
    dx.ListIndex(IDC_ICON_LIST, icon.index);
}

bool CIconDialog::HandleMessage(const Message& msg, LRESULT& result) {
    static constexpr MessageEntry<CIconDialog> kMessages[] = {
        {WM_COMMAND, BN_CLICKED, IDC_ICON_BROWSE, IDC_ICON_BROWSE, &CIconDialog::OnBrowse},
        {WM_COMMAND, LBN_DBLCLK, IDC_ICON_LIST, IDC_ICON_LIST, &CIconDialog::OnListDoubleClick},
        {WM_MEASUREITEM, 0, 0, 0, &CIconDialog::OnMeasureItem},
        {WM_DRAWITEM, 0, 0, 0, &CIconDialog::OnDrawItem},
    };
    if (msg.message == WM_DESTROY)
        ClearList(); // and then the standard handling
    return Route(this, kMessages, msg, result) || CDialog::HandleMessage(msg, result);
}

bool CIconDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    HWND list = List();
    SendMessageW(list, LB_SETCOLUMNWIDTH, static_cast<WPARAM>(GetSystemMetrics(SM_CXICON) + 6), 0);
    // The list measures its items while the dialog is being created, before this object
    // receives messages, so the item height is set here.
    SendMessageW(list, LB_SETITEMHEIGHT, 0, MAKELPARAM(GetSystemMetrics(SM_CYICON) + 12, 0));
    FillList();
    // A start index the list does not hold (a negative one names an icon by resource id)
    // selects nothing rather than leaving the list with a selection it cannot show.
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    const int selection = icon.index >= 0 && icon.index < count ? icon.index : -1;
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(selection), 0);
    CenterOverOwner(hwnd_);
    return true;
}

void CIconDialog::OnOK() {
    // Enter in the file name, or OK while the name differs from the file the list was
    // loaded from: load the typed file and stay open. Ending here would return the typed
    // file with an index chosen among the icons of another one.
    std::wstring typed = icon.file;
    DataExchange fromEdit(hwnd_, false);
    fromEdit.Text(IDC_ICON_FILE, typed);
    if (GetFocus() == Item(IDC_ICON_FILE) || typed != icon.file) {
        icon.file = std::move(typed);
        if (UpdateData(false))
            FillList();
        return;
    }
    UpdateData(true);
    if (icon.index == -1) {
        ShowMessage(IDS_SELECT_ICON);
        SetFocus(List());
        return;
    }
    EndDialog(IDOK);
}

LRESULT CIconDialog::OnListDoubleClick(const Message&) {
    PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return 0;
}

LRESULT CIconDialog::OnBrowse(const Message&) {
    // The browser writes at most kBrowseBufferChars characters.
    std::wstring chosen = AskFileName({.owner = hwnd_,
                                       .filterId = IDS_ICON_FILTER,
                                       .titleId = IDS_CHOOSE_ICON,
                                       .flags = OFN_FILEMUSTEXIST | OFN_DONTADDTORECENT,
                                       .capacity = kBrowseBufferChars},
                                      icon.file);
    if (chosen.empty())
        return 0;
    icon = {std::move(chosen), 0};
    UpdateData(false);
    FillList();
    return 0;
}

LRESULT CIconDialog::OnMeasureItem(const Message& msg) {
    auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(msg.lParam);
    if (!item || item->CtlID != IDC_ICON_LIST)
        return FALSE;
    item->itemHeight = static_cast<UINT>(GetSystemMetrics(SM_CYICON) + 12);
    return TRUE;
}

LRESULT CIconDialog::OnDrawItem(const Message& msg) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(msg.lParam);
    if (item->CtlID != IDC_ICON_LIST || item->itemID == static_cast<UINT>(-1))
        return TRUE;
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    RECT rect = item->rcItem;
    if (selected && (item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)))
        FillRect(item->hDC, &rect, GetSysColorBrush(COLOR_HIGHLIGHT));
    if (!selected && (item->itemAction & ODA_SELECT))
        FillRect(item->hDC, &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (auto shown = reinterpret_cast<HICON>(item->itemData))
        DrawIcon(item->hDC, rect.left + 2, rect.top + 4, shown);
    return TRUE;
}

void CIconDialog::ClearList() {
    if (HWND list = List())
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
    icons_.clear(); // destroys every icon the list showed
}

void CIconDialog::FillList() {
    ClearList();
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExW(icon.file.c_str(), GetFileExInfoStandard, &attributes)) {
        ShowMessage(IDS_FILE_NOT_FOUND);
        return;
    }
    const int count = IconCount(icon.file);
    HWND list = List();
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    if (count == 0)
        ShowMessage(IDS_NO_ICONS);
    icons_.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        icons_.emplace_back(ExtractIconW(OwnInstance(), icon.file.c_str(), static_cast<UINT>(i)));
        SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(L""));
        SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(icons_.back().Get()));
    }
    SendMessageW(list, LB_SETCURSEL, 0, 0);
}

void CIconDialog::ShowMessage(UINT stringId) const {
    const std::wstring text = FormatResourceString(stringId, {icon.file});
    MessageBoxW(hwnd_, text.c_str(), LoadResourceString(IDS_CHOOSE_ICON).c_str(), MB_ICONEXCLAMATION | MB_OK);
}
