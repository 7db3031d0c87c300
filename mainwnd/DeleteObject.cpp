#include "mainwnd/DeleteObject.h"

#include "framework/Dpi.h"
#include "framework/Resources.h"
#include "framework/VersionInfo.h"
#include "mainwnd/Places.h"
#include "mainwnd/FailureMessage.h"
#include "mainwnd/RowDrawing.h"
#include "res/resource.h"
#include "store/ShellNotify.h"
#include "store/WinRegistryWatch.h"

#include <algorithm>

namespace {

// When a context-menu command is offered, judged from the selected rows.
enum class Offered { WithSelection, WithVisibleEntry, WithHiddenEntry };
struct MenuRule {
    UINT id;
    Offered when;
};
// "&Create new...", the two submenus, "&Import..." and "&Expert Mode" are always offered;
// "&Undo" when there is a step to take back.
constexpr MenuRule kMenuRules[] = {
    {ID_DELETE, Offered::WithSelection},
    {ID_HIDE, Offered::WithVisibleEntry},
    {ID_UNHIDE, Offered::WithHiddenEntry},
    {ID_RENAME, Offered::WithSelection},
    {ID_CHANGE_ICON, Offered::WithSelection},
    {ID_CHANGE_COMMENT, Offered::WithSelection},
    {ID_SET_EXPLORER_POSITION, Offered::WithSelection},
    {ID_NAVIGATION_PANE, Offered::WithSelection},
    {ID_DESKTOP_ICON, Offered::WithSelection},
    {ID_EXPORT, Offered::WithSelection},
};

constexpr UINT kColumnHeadings[ListViewInventory::kColumnCount] = {IDS_COLUMN_NAME, IDS_COLUMN_LOCATION,
                                                                   IDS_COLUMN_TARGET, IDS_COLUMN_DESCRIPTION};
constexpr int kInitialColumnWidth = 100;
// How often the registry watch is asked, in milliseconds: an outside change shows within
// two ticks and the update.
constexpr UINT_PTR kWatchTimer = 1;
constexpr UINT kWatchTicks = 100;
constexpr UINT kScanDone = WM_APP + 1;

} // namespace

CDeleteObject::CDeleteObject(vs::RegistryStore& store, vs::Platform& platform, HWND parent,
                             Elevation* elevation)
    : CDialog(IDD_INSTALLED_OBJECTS, parent), store_(store), platform_(platform),
      elevation_(elevation ? *elevation : ownElevation_), inventory_(store, platform),
      watch_(std::make_unique<vs::WinRegistryWatch>()),
      settings_(vs::LoadWindowSettings(store)), sort_{settings_.sortColumn, settings_.sortDescending} {
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
    current.sortColumn = sort_.column;
    current.sortDescending = sort_.descending;
    return current;
}

void CDeleteObject::DoDataExchange(DataExchange& dx) {
    dx.Control(IDC_OBJECT_LIST, list_);
    dx.Control(IDC_DELETE_SELECTED, deleteButton_);
    dx.Control(IDC_CREATE_NEW, createButton_);
    dx.Control(IDOK, closeButton_);
    dx.Control(IDC_GROUP_INSTALLED, groupBox_);
    dx.Control(IDC_FILTER, filter_);
    dx.Control(IDC_STATUS, status_);
}

bool CDeleteObject::OnInitDialog() {
    layoutActive_ = true;
    CDialog::OnInitDialog();
    view_.Attach(hwnd_, list_);
    windowKeys_ = LoadAcceleratorsW(ResourceModule(), MAKEINTRESOURCEW(IDA_INSTALLED_OBJECTS));
    filterKeys_ = LoadAcceleratorsW(ResourceModule(), MAKEINTRESOURCEW(IDA_FILTER_BOX));

    dpi_ = fontDpi_ = WindowDpi(hwnd_);
    TakeOverDpiChanges(hwnd_);
    if (const auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)))
        GetObjectW(font, sizeof templateFont_, &templateFont_);
    using L = WindowLayout;
    layout_.Record(hwnd_,
                   {{createButton_, L::kMoveDown},
                    {deleteButton_, L::kMoveDown},
                    {closeButton_, L::kMoveRight | L::kMoveDown},
                    {groupBox_, L::kStretchRight | L::kStretchDown},
                    {filter_, L::kStretchRight},
                    {list_, L::kStretchRight | L::kStretchDown},
                    {status_, L::kMoveDown | L::kStretchRight}},
                   dpi_);

    EnableWindow(deleteButton_, FALSE);
    const std::wstring cue = LoadResourceString(IDS_FILTER_CUE);
    SendMessageW(filter_, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(cue.c_str()));

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
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    ShowSortArrow();

    if (fillAfterShowing_)
        StartScan();
    else
        FirstFill();

    HICON icon = LoadIconW(ResourceModule(), MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SetWindowTextW(hwnd_, vs::GetVersionTitle(true).c_str());

    const RECT& saved = settings_.placement;
    if (!vs::IsEmptyPlacement(saved))
        MoveWindow(hwnd_, saved.left, saved.top, saved.right - saved.left, saved.bottom - saved.top, TRUE);
    // The keys act on the list: it has the focus from the start.
    SetFocus(list_);
    return false;
}

bool CDeleteObject::HandleMessage(const Message& msg, LRESULT& result) {
    using D = CDeleteObject;
    static constexpr MessageEntry<D> kMessages[] = {
        {WM_NOTIFY, LVN_ITEMCHANGED, IDC_OBJECT_LIST, IDC_OBJECT_LIST, &D::OnListItemChanged},
        {WM_NOTIFY, LVN_ODSTATECHANGED, IDC_OBJECT_LIST, IDC_OBJECT_LIST, &D::OnListRangeChanged},
        {WM_NOTIFY, LVN_GETDISPINFOW, IDC_OBJECT_LIST, IDC_OBJECT_LIST, &D::OnGetDispInfo},
        {WM_NOTIFY, LVN_ODFINDITEMW, IDC_OBJECT_LIST, IDC_OBJECT_LIST, &D::OnFindItem},
        {WM_NOTIFY, LVN_COLUMNCLICK, IDC_OBJECT_LIST, IDC_OBJECT_LIST, &D::OnColumnClick},
        {WM_NOTIFY, NM_RCLICK, IDC_OBJECT_LIST, IDC_OBJECT_LIST, &D::OnListRightClick},
        {WM_NOTIFY, LVN_GETINFOTIPW, IDC_OBJECT_LIST, IDC_OBJECT_LIST, &D::OnGetInfoTip},
        {WM_COMMAND, EN_CHANGE, IDC_FILTER, IDC_FILTER, &D::OnFilterChange},
        {WM_GETMINMAXINFO, 0, 0, 0, &D::OnGetMinMaxInfo},
        {WM_SIZE, 0, 0, 0, &D::OnSize},
        {WM_MOVE, 0, 0, 0, &D::OnMove},
        {WM_DPICHANGED, 0, 0, 0, &D::OnDpiChanged},
        {WM_DRAWITEM, 0, 0, 0, &D::OnDrawItem},
        {WM_DESTROY, 0, 0, 0, &D::OnDestroy},
        {WM_TIMER, 0, 0, 0, &D::OnTimer},
        {kScanDone, 0, 0, 0, &D::OnScanDone},
        {WM_COMMAND, BN_CLICKED, IDC_CREATE_NEW, IDC_CREATE_NEW, &D::OnCreateNew},
        {WM_COMMAND, BN_CLICKED, IDC_DELETE_SELECTED, IDC_DELETE_SELECTED, &D::OnDelete},
        // Menu commands: the menu sends code 0, a key of the accelerator tables code 1.
        {WM_COMMAND, kAnyCode, ID_CREATE_NEW, ID_CREATE_NEW, &D::OnCreateNew},
        {WM_COMMAND, kAnyCode, ID_DELETE, ID_DELETE, &D::OnDelete},
        {WM_COMMAND, kAnyCode, ID_EXPERT_MODE, ID_EXPERT_MODE, &D::OnExpertMode},
        {WM_COMMAND, kAnyCode, ID_HIDE, ID_HIDE, &D::OnHide},
        {WM_COMMAND, kAnyCode, ID_UNHIDE, ID_UNHIDE, &D::OnUnhide},
        {WM_COMMAND, kAnyCode, ID_RENAME, ID_RENAME, &D::OnRename},
        {WM_COMMAND, kAnyCode, ID_CHANGE_ICON, ID_CHANGE_ICON, &D::OnChangeIcon},
        {WM_COMMAND, kAnyCode, ID_CHANGE_COMMENT, ID_CHANGE_COMMENT, &D::OnChangeComment},
        {WM_COMMAND, kAnyCode, ID_COPY_FIRST, ID_COPY_LAST, &D::OnCopyTo},
        {WM_COMMAND, kAnyCode, ID_MOVE_FIRST, ID_MOVE_LAST, &D::OnMoveTo},
        {WM_COMMAND, kAnyCode, ID_SET_EXPLORER_POSITION, ID_SET_EXPLORER_POSITION, &D::OnSetExplorerPosition},
        {WM_COMMAND, kAnyCode, ID_NAVIGATION_PANE, ID_NAVIGATION_PANE, &D::OnNavigationPane},
        {WM_COMMAND, kAnyCode, ID_DESKTOP_ICON, ID_DESKTOP_ICON, &D::OnDesktopIcon},
        {WM_COMMAND, kAnyCode, ID_REFRESH, ID_REFRESH, &D::OnRefresh},
        {WM_COMMAND, kAnyCode, ID_SELECT_ALL, ID_SELECT_ALL, &D::OnSelectAll},
        {WM_COMMAND, kAnyCode, ID_FIND, ID_FIND, &D::OnFind},
        {WM_COMMAND, kAnyCode, ID_COPY_ROWS, ID_COPY_ROWS, &D::OnCopyRows},
        {WM_COMMAND, kAnyCode, ID_CONTEXT_MENU, ID_CONTEXT_MENU, &D::OnContextMenuKey},
        {WM_COMMAND, kAnyCode, ID_CLEAR_FILTER, ID_CLEAR_FILTER, &D::OnClearFilter},
        {WM_COMMAND, kAnyCode, ID_FOCUS_LIST, ID_FOCUS_LIST, &D::OnFocusList},
        {WM_COMMAND, kAnyCode, ID_CHECK_PROBLEMS, ID_CHECK_PROBLEMS, &D::OnCheckProblems},
        {WM_COMMAND, kAnyCode, ID_UNDO, ID_UNDO, &D::OnUndo},
        {WM_COMMAND, kAnyCode, ID_EXPORT, ID_EXPORT, &D::OnExport},
        {WM_COMMAND, kAnyCode, ID_IMPORT, ID_IMPORT, &D::OnImport},
    };
    ++handling_;
    const bool handled = Route(this, kMessages, msg, result) || CDialog::HandleMessage(msg, result);
    --handling_;
    return handled;
}

void CDeleteObject::RefreshList(Renamed renamed) {
    // While the first reading runs, reading everything from now is starting it again.
    if (scan_) {
        StartScan();
        return;
    }
    const ListPlace place = CapturePlace(renamed);
    // Watched again from here: what changes from now on is read again later.
    (void)watch_->TakeChanges();
    inventory_.Refresh();
    ShowRows(place, true);
}

void CDeleteObject::FirstFill() {
    filled_ = true;
    RefreshList();
    SetTimer(hwnd_, kWatchTimer, kWatchTicks, nullptr);
}

void CDeleteObject::StartScan() {
    scan_.reset(); // one that runs stops first
    // Watched from here: what changes while the scan runs is read again once it is in.
    (void)watch_->TakeChanges();
    missedByScan_ = {};
    scan_ = std::make_unique<FirstScan>(store_, platform_, inventory_.expertMode, hwnd_, kScanDone,
                                        ++scanTicket_);
    UpdateStatus();
}

LRESULT CDeleteObject::OnScanDone(const Message& msg) {
    if (!scan_ || msg.wParam != scanTicket_)
        return 0; // from a scan that was stopped
    std::unique_ptr<vs::Inventory> scanned = scan_->Take();
    scan_.reset();
    if (!scanned) {
        FirstFill(); // the reading failed there: read here
        return 0;
    }
    filled_ = true;
    inventory_.TakeOver(std::move(*scanned));
    ShowRows(CapturePlace(Renamed::None), true);
    // What changed while the scan ran, also through this window's commands where no watch is.
    vs::ChangedParts parts = watch_->TakeChanges();
    parts |= missedByScan_;
    ShowChanges(parts, CapturePlace(Renamed::None), false);
    SetTimer(hwnd_, kWatchTimer, kWatchTicks, nullptr);
    return 0;
}

void CDeleteObject::UpdateList(Renamed renamed) {
    // During the first reading, the watch's changes are read once it is in.
    if (scan_) {
        missedByScan_ |= watch_->Unwatched();
        return;
    }
    // Before the first fill there is nothing to update: that fill reads everything.
    if (!filled_)
        return;
    vs::ChangedParts parts = watch_->TakeChanges();
    parts |= watch_->Unwatched();
    ShowChanges(parts, CapturePlace(renamed), true);
}

LRESULT CDeleteObject::OnTimer(const Message&) {
    if (handling_ > 1 || !watch_->Pending())
        return 0;
    if (!changesSeen_) {
        changesSeen_ = true;
        return 0;
    }
    changesSeen_ = false;
    ShowChanges(watch_->TakeChanges(), CapturePlace(Renamed::None), false);
    return 0;
}

bool CDeleteObject::PreTranslateMessage(MSG& msg) {
    // Keys for this window and its controls go through its tables first; those of the
    // filter box through the box's own.
    if (hwnd_ && (msg.hwnd == hwnd_ || IsChild(hwnd_, msg.hwnd))) {
        HACCEL keys = msg.hwnd == filter_ ? filterKeys_ : windowKeys_;
        if (keys && TranslateAcceleratorW(hwnd_, keys, &msg))
            return true;
    }
    return CDialog::PreTranslateMessage(msg);
}

int CDeleteObject::NextSelectedRow(int row) const {
    return static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
}

LPARAM CDeleteObject::ItemData(int row) const {
    return view_.ItemData(row);
}

vs::ShellObjectEntry* CDeleteObject::EntryOfRow(int row) {
    return inventory_.EntryAt(static_cast<std::intptr_t>(ItemData(row)));
}

void CDeleteObject::NotifyPlace(int placeIndex) {
    vs::NotifyFolderUpdated(platform_, placeIndex);
}

int CDeleteObject::SelectedCount() const {
    return static_cast<int>(SendMessageW(list_, LVM_GETSELECTEDCOUNT, 0, 0));
}

void CDeleteObject::ReportFailures(const vs::Failures& failures) {
    if (!failures.empty())
        ShowFailure(DescribeFailures(failures), AnyAccessDenied(failures));
}

void CDeleteObject::ShowFailure(std::wstring text, bool accessDenied) {
    const bool offerElevation = accessDenied && !elevation_.IsElevated();
    if (offerElevation)
        text += L"\n\n" + LoadResourceString(IDS_RESTART_AS_ADMINISTRATOR);
    if (ShowMessage(text, (offerElevation ? MB_YESNO : MB_OK) | MB_ICONWARNING) == IDYES && offerElevation)
        RestartElevated();
}

void CDeleteObject::RestartElevated() {
    // The new instance starts from the settings as they are now.
    vs::SaveWindowSettings(store_, CurrentSettings());
    if (elevation_.StartElevated(hwnd_))
        EndDialog(IDCANCEL);
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
    // The check needs every registration read.
    if (scan_)
        EnableMenuItem(popup, ID_CHECK_PROBLEMS, MF_BYCOMMAND | MF_GRAYED);
    CheckDesktopCommands(popup);
    UpdateUndoItem(popup);
    return menu;
}

LRESULT CDeleteObject::OnListRightClick(const Message&) {
    POINT cursor{};
    GetCursorPos(&cursor);
    ShowContextMenu(cursor);
    return 0;
}

void CDeleteObject::ShowContextMenu(POINT screen) {
    UniqueMenu menu = BuildContextMenu();
    if (HMENU popup = GetSubMenu(menu.Get(), 0))
        TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON, screen.x, screen.y, 0, hwnd_, nullptr);
}

LRESULT CDeleteObject::OnGetMinMaxInfo(const Message& msg) {
    auto* info = reinterpret_cast<MINMAXINFO*>(msg.lParam);
    const SIZE minimum = layout_.MinimumClientSize();
    if (minimum.cx <= 0 || minimum.cy <= 0)
        return 0;
    // The frame as it is, measured rather than derived from frame metrics, which differ
    // from the real frame on some systems.
    RECT window{}, client{};
    GetWindowRect(hwnd_, &window);
    GetClientRect(hwnd_, &client);
    info->ptMinTrackSize = {minimum.cx + (window.right - window.left) - client.right,
                            minimum.cy + (window.bottom - window.top) - client.bottom};
    return 0;
}

LRESULT CDeleteObject::OnSize(const Message&) {
    if (!layoutActive_)
        return 0;
    if (!IsIconic(hwnd_)) {
        layout_.Apply();
        // Moving each control repaints only that control: the old frame of the group box
        // stays inside its new one, and the dialog's background, painted after the
        // buttons, would hide them until the mouse passes over. One redraw of the whole
        // window, background first, then every control, leaves a clean picture.
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    RememberWindowRect();
    return 0;
}

LRESULT CDeleteObject::OnDpiChanged(const Message& msg) {
    // Fonts, control rectangles and icons follow the new DPI; the window takes the
    // rectangle the system suggests for it.
    dpi_ = LOWORD(msg.wParam) ? LOWORD(msg.wParam) : dpi_;
    layout_.SetDpi(dpi_);
    ScaleFont();
    if (const auto* suggested = reinterpret_cast<const RECT*>(msg.lParam))
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    layout_.Apply();
    ShowRows(CapturePlace(Renamed::None), true);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return 0;
}

void CDeleteObject::ScaleFont() {
    UniqueFont font;
    if (dpi_ != fontDpi_) {
        LOGFONTW description = templateFont_;
        description.lfHeight =
            MulDiv(description.lfHeight, static_cast<int>(dpi_), static_cast<int>(fontDpi_));
        description.lfWidth = MulDiv(description.lfWidth, static_cast<int>(dpi_), static_cast<int>(fontDpi_));
        font.Reset(CreateFontIndirectW(&description));
    }
    // Back at the template's DPI the dialog's own font serves again.
    const auto shown = font ? font.Get() : reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(shown), TRUE);
    // The font made before goes only now, when no control uses it any more.
    scaledFont_ = std::move(font);
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
        DrawListRow(list_, *dis, entry->hidden, !RowProblemText(static_cast<int>(dis->itemID)).empty());
    return TRUE;
}

LRESULT CDeleteObject::OnDestroy(const Message&) {
    scan_.reset();
    KillTimer(hwnd_, kWatchTimer);
    // The dialog owns the image list; the list must not destroy it with itself.
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_NORMAL, 0);
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    return 0;
}
