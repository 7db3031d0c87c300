#include "mainwnd/DeleteObject.h"

#include "framework/Resources.h"
#include "framework/VersionInfo.h"
#include "mainwnd/Places.h"
#include "mainwnd/RowDrawing.h"
#include "res/resource.h"
#include "store/ShellNotify.h"

#include <algorithm>

namespace {

// When a context-menu command is offered, judged from the selected rows.
enum class Offered { WithSelection, WithVisibleEntry, WithHiddenEntry };
struct MenuRule {
    UINT id;
    Offered when;
};
// "&Create new...", the two submenus and "&Expert Mode" are always offered.
constexpr MenuRule kMenuRules[] = {
    {ID_DELETE, Offered::WithSelection},
    {ID_HIDE, Offered::WithVisibleEntry},
    {ID_UNHIDE, Offered::WithHiddenEntry},
    {ID_RENAME, Offered::WithSelection},
    {ID_CHANGE_ICON, Offered::WithSelection},
    {ID_CHANGE_COMMENT, Offered::WithSelection},
    {ID_SET_EXPLORER_POSITION, Offered::WithSelection},
};

constexpr UINT kColumnHeadings[ListViewInventory::kColumnCount] = {IDS_COLUMN_NAME, IDS_COLUMN_LOCATION,
                                                                   IDS_COLUMN_TARGET, IDS_COLUMN_DESCRIPTION};
constexpr int kInitialColumnWidth = 100;

// A control's outer rectangle relative to the dialog window's outer top-left corner.
RECT OuterRectWithin(HWND control, POINT windowOrigin) {
    RECT rect{};
    GetWindowRect(control, &rect);
    OffsetRect(&rect, -windowOrigin.x, -windowOrigin.y);
    return rect;
}

} // namespace

CDeleteObject::CDeleteObject(vs::RegistryStore& store, vs::Platform& platform, HWND parent)
    : CDialog(IDD_INSTALLED_OBJECTS, parent), store_(store), platform_(platform), inventory_(store, platform),
      settings_(vs::LoadWindowSettings(store)) {
    inventory_.expertMode = settings_.expertMode;
}

CDeleteObject::~CDeleteObject() {
    // A window that still stands goes now, while its handlers can still reach this object.
    if (hwnd_)
        DestroyWindow(hwnd_);
    vs::SaveWindowSettings(store_, CurrentSettings());
}

vs::WindowSettings CDeleteObject::CurrentSettings() const {
    vs::WindowSettings current = settings_;
    current.expertMode = inventory_.expertMode;
    return current;
}

void CDeleteObject::DoDataExchange(DataExchange& dx) {
    dx.Control(IDC_OBJECT_LIST, list_);
    dx.Control(IDC_DELETE_SELECTED, deleteButton_);
    dx.Control(IDC_CREATE_NEW, createButton_);
    dx.Control(IDOK, closeButton_);
    dx.Control(IDC_GROUP_INSTALLED, groupBox_);
}

bool CDeleteObject::OnInitDialog() {
    layoutActive_ = true;
    CDialog::OnInitDialog();
    view_.Attach(hwnd_, list_);

    RECT window{};
    GetWindowRect(hwnd_, &window);
    minimumSize_ = {window.right - window.left, window.bottom - window.top};
    // Where the client area sits in the outer rectangle, measured rather than derived
    // from frame metrics, which differ from the real frame on some systems.
    POINT clientOrigin{0, 0};
    ClientToScreen(hwnd_, &clientOrigin);
    clientOffset_ = {clientOrigin.x - window.left, clientOrigin.y - window.top};
    RECT client{};
    GetClientRect(hwnd_, &client);
    frameExtra_ = {minimumSize_.cx - client.right, minimumSize_.cy - client.bottom};

    const POINT origin{window.left, window.top};
    createRect_ = OuterRectWithin(createButton_, origin);
    deleteRect_ = OuterRectWithin(deleteButton_, origin);
    closeRect_ = OuterRectWithin(closeButton_, origin);
    groupRect_ = OuterRectWithin(groupBox_, origin);
    listRect_ = OuterRectWithin(list_, origin);

    EnableWindow(deleteButton_, FALSE);

    for (int column = 0; column < ListViewInventory::kColumnCount; ++column) {
        std::wstring heading = LoadResourceString(kColumnHeadings[column]);
        LVCOLUMNW info{};
        info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        info.fmt = LVCFMT_LEFT;
        info.cx = kInitialColumnWidth;
        info.pszText = heading.data();
        info.iSubItem = column;
        SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info));
    }
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

    RefreshList();

    HICON icon = LoadIconW(ResourceModule(), MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SetWindowTextW(hwnd_, vs::GetVersionTitle(true).c_str());

    const RECT& saved = settings_.placement;
    if (!vs::IsEmptyPlacement(saved))
        MoveWindow(hwnd_, saved.left, saved.top, saved.right - saved.left, saved.bottom - saved.top, TRUE);
    return true;
}

bool CDeleteObject::HandleMessage(const Message& msg, LRESULT& result) {
    using D = CDeleteObject;
    static constexpr MessageEntry<D> kMessages[] = {
        {WM_NOTIFY, NM_CLICK, IDC_OBJECT_LIST, IDC_OBJECT_LIST, &D::OnListClick},
        {WM_NOTIFY, NM_RCLICK, IDC_OBJECT_LIST, IDC_OBJECT_LIST, &D::OnListRightClick},
        {WM_GETMINMAXINFO, 0, 0, 0, &D::OnGetMinMaxInfo},
        {WM_SIZE, 0, 0, 0, &D::OnSize},
        {WM_MOVE, 0, 0, 0, &D::OnMove},
        {WM_DRAWITEM, 0, 0, 0, &D::OnDrawItem},
        {WM_DESTROY, 0, 0, 0, &D::OnDestroy},
        {WM_COMMAND, BN_CLICKED, IDC_CREATE_NEW, IDC_CREATE_NEW, &D::OnCreateNew},
        {WM_COMMAND, BN_CLICKED, ID_CREATE_NEW, ID_CREATE_NEW, &D::OnCreateNew},
        {WM_COMMAND, BN_CLICKED, IDC_DELETE_SELECTED, IDC_DELETE_SELECTED, &D::OnDelete},
        {WM_COMMAND, BN_CLICKED, ID_DELETE, ID_DELETE, &D::OnDelete},
        {WM_COMMAND, BN_CLICKED, ID_EXPERT_MODE, ID_EXPERT_MODE, &D::OnExpertMode},
        {WM_COMMAND, BN_CLICKED, ID_HIDE, ID_HIDE, &D::OnHide},
        {WM_COMMAND, BN_CLICKED, ID_UNHIDE, ID_UNHIDE, &D::OnUnhide},
        {WM_COMMAND, BN_CLICKED, ID_RENAME, ID_RENAME, &D::OnRename},
        {WM_COMMAND, BN_CLICKED, ID_CHANGE_ICON, ID_CHANGE_ICON, &D::OnChangeIcon},
        {WM_COMMAND, BN_CLICKED, ID_CHANGE_COMMENT, ID_CHANGE_COMMENT, &D::OnChangeComment},
        {WM_COMMAND, BN_CLICKED, ID_COPY_FIRST, ID_COPY_LAST, &D::OnCopyTo},
        {WM_COMMAND, BN_CLICKED, ID_MOVE_FIRST, ID_MOVE_LAST, &D::OnMoveTo},
        {WM_COMMAND, BN_CLICKED, ID_SET_EXPLORER_POSITION, ID_SET_EXPLORER_POSITION,
         &D::OnSetExplorerPosition},
    };
    return Route(this, kMessages, msg, result) || CDialog::HandleMessage(msg, result);
}

void CDeleteObject::RefreshList() {
    inventory_.Refresh();
    view_.Show(inventory_.rows, platform_);
    UpdateDeleteButton();
}

int CDeleteObject::NextSelectedRow(int row) const {
    return static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
}

vs::ShellObjectEntry* CDeleteObject::EntryOfRow(int row) {
    if (row < 0)
        return nullptr;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    return inventory_.EntryAt(static_cast<std::intptr_t>(item.lParam));
}

void CDeleteObject::NotifyPlace(int placeIndex) {
    vs::NotifyFolderUpdated(platform_, placeIndex);
}

int CDeleteObject::SelectedCount() const {
    return static_cast<int>(SendMessageW(list_, LVM_GETSELECTEDCOUNT, 0, 0));
}

void CDeleteObject::UpdateDeleteButton() {
    EnableWindow(deleteButton_, SelectedCount() != 0 ? TRUE : FALSE);
}

void CDeleteObject::RememberWindowRect() {
    // A minimised window's rectangle is only where its icon is parked: off every monitor
    // on Windows, but a corner of the screen on other systems, where restoring it would
    // open the window there. Either way the next start must use the template placement.
    if (IsIconic(hwnd_)) {
        settings_.placement = {};
        return;
    }
    GetWindowRect(hwnd_, &settings_.placement);
}

LRESULT CDeleteObject::OnListClick(const Message&) {
    UpdateDeleteButton();
    return 0;
}

UniqueMenu CDeleteObject::BuildContextMenu() {
    UniqueMenu menu(LoadMenuW(ResourceModule(), MAKEINTRESOURCEW(IDM_CONTEXT_MENU)));
    HMENU popup = GetSubMenu(menu.Get(), 0);
    if (!popup)
        return menu;
    CheckMenuItem(popup, ID_EXPERT_MODE, MF_BYCOMMAND | (inventory_.expertMode ? MF_CHECKED : MF_UNCHECKED));

    const bool anySelected = SelectedCount() > 0;
    bool anyVisible = false;
    bool anyHidden = false;
    ForEachSelectedEntry(
        [&](const vs::ShellObjectEntry& entry) { (entry.hidden ? anyHidden : anyVisible) = true; });
    for (const MenuRule& rule : kMenuRules) {
        const bool offered = rule.when == Offered::WithSelection      ? anySelected
                             : rule.when == Offered::WithVisibleEntry ? anyVisible
                                                                      : anyHidden;
        EnableMenuItem(popup, rule.id, MF_BYCOMMAND | (offered ? MF_ENABLED : MF_GRAYED));
    }
    return menu;
}

LRESULT CDeleteObject::OnListRightClick(const Message&) {
    UniqueMenu menu = BuildContextMenu();
    HMENU popup = GetSubMenu(menu.Get(), 0);
    if (!popup)
        return 0;
    POINT cursor{};
    GetCursorPos(&cursor);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON, cursor.x, cursor.y, 0, hwnd_, nullptr);
    return 0;
}

LRESULT CDeleteObject::OnGetMinMaxInfo(const Message& msg) {
    auto* info = reinterpret_cast<MINMAXINFO*>(msg.lParam);
    if (minimumSize_.cx > 0 && minimumSize_.cy > 0)
        info->ptMinTrackSize = {minimumSize_.cx, minimumSize_.cy};
    return 0;
}

LRESULT CDeleteObject::OnSize(const Message& msg) {
    if (!layoutActive_)
        return 0;
    if (minimumSize_.cx > 0) {
        const int cx = LOWORD(msg.lParam);
        const int cy = HIWORD(msg.lParam);
        const int dx = cx + frameExtra_.cx - minimumSize_.cx;
        const int dy = cy + frameExtra_.cy - minimumSize_.cy;
        // Moves a control recorded at r (outer coordinates) by (shiftX, shiftY), growing it
        // by (growX, growY).
        auto place = [&](HWND control, const RECT& r, int shiftX, int shiftY, int growX, int growY) {
            const int width = std::max(0, static_cast<int>(r.right - r.left) + growX);
            const int height = std::max(0, static_cast<int>(r.bottom - r.top) + growY);
            MoveWindow(control, r.left - clientOffset_.x + shiftX, r.top - clientOffset_.y + shiftY, width,
                       height, TRUE);
        };
        place(createButton_, createRect_, 0, dy, 0, 0);
        place(deleteButton_, deleteRect_, 0, dy, 0, 0);
        place(closeButton_, closeRect_, dx, dy, 0, 0);
        place(groupBox_, groupRect_, 0, 0, dx, dy);
        place(list_, listRect_, 0, 0, dx, dy);
        // Moving each control repaints only that control: the old frame of the group box
        // stays inside its new one, and the dialog's background, painted after the
        // buttons, would hide them until the mouse passes over. One redraw of the whole
        // window, background first, then every control, leaves a clean picture.
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    RememberWindowRect();
    return 0;
}

LRESULT CDeleteObject::OnMove(const Message&) {
    if (layoutActive_)
        RememberWindowRect();
    return 0;
}

LRESULT CDeleteObject::OnDrawItem(const Message& msg) {
    const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(msg.lParam);
    if (!dis || dis->CtlType != ODT_LISTVIEW || dis->hwndItem != list_)
        return FALSE;
    // A row that names no entry is left alone.
    if (const vs::ShellObjectEntry* entry = EntryOfRow(static_cast<int>(dis->itemID)))
        DrawListRow(list_, *dis, entry->hidden);
    return TRUE;
}

LRESULT CDeleteObject::OnDestroy(const Message&) {
    // The dialog owns the image list; the list must not destroy it with itself.
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_NORMAL, 0);
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    return 0;
}
