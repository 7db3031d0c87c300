// What the window does with the inventory's rows: which of them it shows (the filter) and
// in which order (the sort), what the status line says of them, how the selection and the
// focus survive a rebuild, and the commands only keys give.
#include "mainwnd/DeleteObject.h"

#include "framework/Dpi.h"
#include "framework/Resources.h"
#include "res/resource.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string_view>

namespace {

constexpr std::size_t kHiddenPrefixLength = 6; // "hidden"

std::wstring JoinPath(const std::wstring& parent, const std::wstring& name) {
    return parent.empty() ? name : parent + L"\\" + name;
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        std::max(0, GetWindowTextW(window, text.data(), static_cast<int>(text.size())))));
    return text;
}

// A copied field stays on its line and in its column.
std::wstring Field(std::wstring text) {
    std::replace_if(
        text.begin(), text.end(), [](wchar_t c) { return c == L'\t' || c == L'\r' || c == L'\n'; }, L' ');
    return text;
}

bool PutOnClipboard(HWND owner, const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    void* target = memory ? GlobalLock(memory.Get()) : nullptr;
    if (!target)
        return false;
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory.Get());
    if (!OpenClipboard(owner))
        return false;
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_UNICODETEXT, memory.Get()) != nullptr;
    if (placed)
        (void)memory.Release(); // the clipboard owns it now
    CloseClipboard();
    return placed;
}

} // namespace

// --- the place of the list ----------------------------------------------------------------

CDeleteObject::ListPlace CDeleteObject::CapturePlace(Renamed renamed) {
    // An entry's keys: first the name the command gave it, then the one it had.
    auto keysOf = [renamed](const vs::ShellObjectEntry& entry) {
        std::vector<EntryKey> keys;
        if (renamed == Renamed::Hidden && !entry.hidden)
            keys.push_back({entry.hive, JoinPath(entry.parentPath, L"hidden" + entry.keyName)});
        if (renamed == Renamed::Unhidden && entry.hidden && entry.keyName.size() > kHiddenPrefixLength)
            keys.push_back(
                {entry.hive, JoinPath(entry.parentPath, entry.keyName.substr(kHiddenPrefixLength))});
        keys.push_back({entry.hive, JoinPath(entry.parentPath, entry.keyName)});
        return keys;
    };
    ListPlace place;
    ForEachSelectedEntry([&](const vs::ShellObjectEntry& entry) { place.selected.push_back(keysOf(entry)); });
    place.focusedRow =
        static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (const vs::ShellObjectEntry* focused = EntryOfRow(place.focusedRow))
        place.focused = keysOf(*focused);
    place.topRow = static_cast<int>(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0));
    return place;
}

void CDeleteObject::ShowRows(const ListPlace& place, bool loadImages) {
    fillingRows_ = true;
    shown_ = ArrangeRows(inventory_.rows, view_.PlaceLabels(), filterText_, sort_);
    view_.BeginUpdate();
    if (loadImages) {
        view_.LoadImages(inventory_.rows, platform_, SmallIconSize(dpi_));
        FindRowProblems(); // the inventory is new whenever the images are
    }
    view_.Fill(inventory_.rows, shown_);
    const int focused = RestoreSelection(place);
    view_.EndUpdate(loadImages);
    fillingRows_ = false;
    RestoreScroll(place.topRow, focused);
    UpdateDeleteButton();
    UpdateStatus();
}

void CDeleteObject::ShowChanges(const vs::ChangedParts& parts, const ListPlace& place, bool restoreScroll) {
    if (!parts.Any())
        return;
    const vs::Inventory::RowChanges changes = inventory_.Update(parts);
    if (!changes.any) {
        // No row went, came or shows other texts; what the rows show besides (a record's
        // problems, the objects in the navigation pane) may still have changed.
        const std::vector<std::wstring> problemsBefore = std::move(rowProblems_);
        FindRowProblems();
        if (rowProblems_ != problemsBefore)
            InvalidateRect(list_, nullptr, FALSE);
        UpdateStatus();
        return;
    }
    fillingRows_ = true;
    shown_ = ArrangeRows(inventory_.rows, view_.PlaceLabels(), filterText_, sort_);
    view_.BeginUpdate();
    view_.UpdateImages(inventory_.rows, platform_);
    FindRowProblems();
    view_.Patch(inventory_.rows, shown_, changes.nowIndexOf);
    const int focused = RestoreSelection(place);
    view_.WidenColumns();
    view_.EndUpdate(false);
    fillingRows_ = false;
    if (restoreScroll)
        RestoreScroll(place.topRow, focused);
    UpdateDeleteButton();
    UpdateStatus();
}

int CDeleteObject::RestoreSelection(const ListPlace& place) {
    struct KeyLess {
        bool operator()(const EntryKey& a, const EntryKey& b) const {
            if (a.hive != b.hive)
                return std::less<vs::KeyHandle>()(a.hive, b.hive);
            return vs::CompareNames(a.path, b.path) < 0;
        }
    };
    // Only a row whose entry key has the name of a key looked for can be one of them: the
    // others are passed over without their paths being put together.
    std::set<std::wstring_view, vs::NameLess> names;
    auto noteName = [&names](const std::vector<EntryKey>& keys) {
        for (const EntryKey& key : keys)
            names.insert(std::wstring_view(key.path).substr(key.path.rfind(L'\\') + 1));
    };
    for (const std::vector<EntryKey>& keys : place.selected)
        noteName(keys);
    noteName(place.focused);
    std::map<EntryKey, int, KeyLess> rowOf;
    const int count = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; !names.empty() && row < count; ++row) {
        const vs::ShellObjectEntry* entry = EntryOfRow(row);
        if (entry && names.count(entry->keyName))
            rowOf.emplace(EntryKey{entry->hive, JoinPath(entry->parentPath, entry->keyName)}, row);
    }
    auto find = [&](const std::vector<EntryKey>& keys) {
        for (const EntryKey& key : keys) {
            if (const auto found = rowOf.find(key); found != rowOf.end())
                return found->second;
        }
        return -1;
    };
    auto setState = [this](int row, UINT state) {
        LVITEMW item{};
        item.stateMask = state;
        item.state = state;
        SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    };
    for (const std::vector<EntryKey>& keys : place.selected) {
        if (const int row = find(keys); row >= 0)
            setState(row, LVIS_SELECTED);
    }
    // A focused row that is gone leaves the focus where it stood, for the keys to go on.
    int focused = find(place.focused);
    if (focused < 0 && place.focusedRow >= 0 && count > 0)
        focused = std::min(place.focusedRow, count - 1);
    if (focused >= 0) {
        setState(focused, LVIS_FOCUSED);
        SendMessageW(list_, LVM_SETSELECTIONMARK, 0, focused);
    }
    return focused;
}

void CDeleteObject::RestoreScroll(int topRow, int focused) {
    // Some lists start again at the top after their rows were replaced, others do not. In
    // report view a list scrolls by whole rows, whatever the pixels asked.
    const int rows = topRow - static_cast<int>(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0));
    RECT first{};
    first.left = LVIR_BOUNDS;
    if (rows != 0 && SendMessageW(list_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first)))
        SendMessageW(list_, LVM_SCROLL, 0, static_cast<LPARAM>(rows) * (first.bottom - first.top));
    if (focused >= 0)
        SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(focused), FALSE);
}

// --- selection, status line, sort and filter ----------------------------------------------

LRESULT CDeleteObject::OnListItemChanged(const Message& msg) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(msg.lParam);
    if (fillingRows_ || !(change->uChanged & LVIF_STATE) ||
        !((change->uOldState ^ change->uNewState) & LVIS_SELECTED))
        return 0;
    UpdateDeleteButton();
    UpdateStatus();
    return 0;
}

LRESULT CDeleteObject::OnListRangeChanged(const Message& msg) {
    // A range of rows selected or unselected at once (Shift+click, Shift+End).
    const auto* change = reinterpret_cast<const NMLVODSTATECHANGE*>(msg.lParam);
    if (fillingRows_ || !((change->uOldState ^ change->uNewState) & LVIS_SELECTED))
        return 0;
    UpdateDeleteButton();
    UpdateStatus();
    return 0;
}

LRESULT CDeleteObject::OnGetDispInfo(const Message& msg) {
    view_.GetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(msg.lParam));
    return 0;
}

LRESULT CDeleteObject::OnFindItem(const Message& msg) {
    return view_.FindRow(*reinterpret_cast<const NMLVFINDITEMW*>(msg.lParam));
}

void CDeleteObject::UpdateStatus() {
    if (scan_) {
        SetWindowTextW(status_, LoadResourceString(IDS_STATUS_READING).c_str());
        return;
    }
    const auto shown = static_cast<std::size_t>(shown_.size());
    const auto hidden = std::count_if(shown_.begin(), shown_.end(), [this](std::size_t row) {
        return row < inventory_.rows.size() && inventory_.rows[row].hidden;
    });
    std::wstring text;
    if (!filterText_.empty())
        text = FormatResourceString(IDS_STATUS_SHOWN,
                                    {std::to_wstring(shown), std::to_wstring(inventory_.rows.size())});
    else if (shown == 1)
        text = LoadResourceString(IDS_STATUS_ONE_OBJECT);
    else
        text = FormatResourceString(IDS_STATUS_OBJECTS, {std::to_wstring(shown)});
    text += FormatResourceString(IDS_STATUS_HIDDEN, {std::to_wstring(hidden)});
    if (const std::size_t pane = NavigationPaneCount(); pane > 0)
        text += FormatResourceString(IDS_STATUS_NAVIGATION_PANE, {std::to_wstring(pane)});
    if (const int selected = SelectedCount(); selected > 0)
        text += FormatResourceString(IDS_STATUS_SELECTED, {std::to_wstring(selected)});
    SetWindowTextW(status_, text.c_str());
}

LRESULT CDeleteObject::OnColumnClick(const Message& msg) {
    const int column = reinterpret_cast<const NMLISTVIEW*>(msg.lParam)->iSubItem;
    if (column < 0 || column >= ListViewInventory::kColumnCount)
        return 0;
    sort_ = {column, column == sort_.column ? !sort_.descending : false};
    ShowSortArrow();
    ShowRows(CapturePlace(Renamed::None), false);
    return 0;
}

void CDeleteObject::ShowSortArrow() {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    for (int column = 0; column < ListViewInventory::kColumnCount; ++column) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        if (!SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item)))
            continue;
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (column == sort_.column)
            item.fmt |= sort_.descending ? HDF_SORTDOWN : HDF_SORTUP;
        SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
    }
}

LRESULT CDeleteObject::OnFilterChange(const Message&) {
    filterText_ = WindowText(filter_);
    ShowRows(CapturePlace(Renamed::None), false);
    return 0;
}

// --- the commands of keys -----------------------------------------------------------------

LRESULT CDeleteObject::OnRefresh(const Message&) {
    RefreshList();
    return 0;
}

LRESULT CDeleteObject::OnSelectAll(const Message&) {
    fillingRows_ = true;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    fillingRows_ = false;
    UpdateDeleteButton();
    UpdateStatus();
    return 0;
}

LRESULT CDeleteObject::OnFind(const Message&) {
    SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(filter_), TRUE);
    return 0;
}

LRESULT CDeleteObject::OnFocusList(const Message&) {
    SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list_), TRUE);
    return 0;
}

LRESULT CDeleteObject::OnClearFilter(const Message&) {
    if (GetWindowTextLengthW(filter_) > 0)
        SetWindowTextW(filter_, L"");
    return 0;
}

std::wstring CDeleteObject::SelectedRowsText() {
    std::wstring text;
    for (int row = NextSelectedRow(-1); row != -1; row = NextSelectedRow(row)) {
        const auto index = static_cast<std::size_t>(ItemData(row));
        if (index >= inventory_.rows.size())
            continue;
        const vs::InventoryRow& shown = inventory_.rows[index];
        const auto place = static_cast<std::size_t>(shown.placeIndex);
        const std::span<const std::wstring> labels = view_.PlaceLabels();
        text += Field(shown.name) + L"\t" + Field(place < labels.size() ? labels[place] : std::wstring()) +
                L"\t" + Field(shown.target) + L"\t" + Field(shown.description) + L"\t" +
                Field(shown.info ? shown.info->clsid : std::wstring()) + L"\r\n";
    }
    if (text.empty())
        return text;
    std::wstring header;
    for (const UINT heading :
         {IDS_COLUMN_NAME, IDS_COLUMN_LOCATION, IDS_COLUMN_TARGET, IDS_COLUMN_DESCRIPTION, IDS_COLUMN_CLASS})
        header += (header.empty() ? L"" : L"\t") + LoadResourceString(heading);
    return header + L"\r\n" + text;
}

LRESULT CDeleteObject::OnCopyRows(const Message&) {
    const std::wstring text = SelectedRowsText();
    if (!text.empty() && !PutOnClipboard(hwnd_, text)) {
        const std::wstring message = LoadResourceString(IDS_COPY_FAILED);
        MessageBoxW(hwnd_, message.c_str(), WindowText(hwnd_).c_str(), MB_OK | MB_ICONWARNING);
    }
    return 0;
}

LRESULT CDeleteObject::OnContextMenuKey(const Message&) {
    // Below the focused row's name; without one, at the top of the rows.
    POINT at{0, 0};
    RECT header{};
    GetWindowRect(reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0)), &header);
    at.y = header.bottom - header.top;
    const int focused =
        static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    RECT label{};
    label.left = LVIR_LABEL;
    if (focused >= 0) {
        SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(focused), FALSE);
        if (SendMessageW(list_, LVM_GETITEMRECT, static_cast<WPARAM>(focused),
                         reinterpret_cast<LPARAM>(&label)))
            at = {label.left, label.bottom};
    }
    ClientToScreen(list_, &at);
    ShowContextMenu(at);
    return 0;
}
