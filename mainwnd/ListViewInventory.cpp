#include "mainwnd/ListViewInventory.h"

#include "framework/Resources.h"
#include "mainwnd/Places.h"
#include "mainwnd/RowDrawing.h"
#include "res/resource.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <vector>

void ListViewInventory::Attach(HWND dialog, HWND list) {
    dialog_ = dialog;
    list_ = list;
    for (int place = 0; place < static_cast<int>(placeLabels_.size()); ++place)
        placeLabels_[static_cast<std::size_t>(place)] = PlaceLabel(place);
}

void ListViewInventory::BeginUpdate() {
    LockWindowUpdate(dialog_);
    // Besides the window lock, the list itself stops redrawing while it is filled: an
    // owner-drawn list otherwise repaints on every inserted row, which costs far more than
    // reading the registry.
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    fillingRows_ = true;
}

void ListViewInventory::EndUpdate(bool autosizeColumns) {
    if (autosizeColumns) {
        for (int column = 0; column < kColumnCount; ++column) {
            if (column != kDescriptionColumn || anyDescription_)
                AutosizeColumn(column);
        }
    }
    // The texts point into rows that may go before the next Fill.
    for (auto& texts : columnTexts_)
        texts.clear();
    EndRowFill();
    LockWindowUpdate(nullptr);
    InvalidateRect(dialog_, nullptr, FALSE);
    InvalidateRect(list_, nullptr, TRUE);
}

void ListViewInventory::LoadImages(const std::vector<vs::InventoryRow>& rows, vs::Platform& platform,
                                   int iconSize) {
    ResetImageList(iconSize, static_cast<int>(rows.size()) + 1);
    rowImages_.clear();
    rowImages_.reserve(rows.size());
    for (const vs::InventoryRow& row : rows)
        rowImages_.push_back(row.iconLocation ? ImageOfLocation(*row.iconLocation, platform) : 0);
    const auto list = reinterpret_cast<LPARAM>(imageList_.Get());
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_NORMAL, list);
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_SMALL, list);
}

void ListViewInventory::UpdateImages(const std::vector<vs::InventoryRow>& rows, vs::Platform& platform) {
    rowImages_.clear();
    rowImages_.reserve(rows.size());
    for (const vs::InventoryRow& row : rows)
        rowImages_.push_back(row.iconLocation ? ImageOfLocation(*row.iconLocation, platform) : 0);
}

void ListViewInventory::Fill(const std::vector<vs::InventoryRow>& rows,
                             const std::vector<std::size_t>& shown) {
    rows_ = &rows;
    shown_ = shown;
    for (auto& texts : columnTexts_)
        texts.clear();
    anyDescription_ = false;
    for (const std::size_t index : shown_)
        NoteTexts(index);
    // No row of the last fill stays selected or focused: the list drops the states of the
    // rows it no longer has.
    SetRowCount(0, 0);
    SetRowCount(shown_.size(), 0);
}

void ListViewInventory::Patch(const std::vector<vs::InventoryRow>& rows,
                              const std::vector<std::size_t>& shown,
                              const std::vector<std::size_t>& nowIndexOf) {
    // Where each row stands now, by its index in rows.
    constexpr std::size_t kNowhere = static_cast<std::size_t>(-1);
    std::vector<std::size_t> rowOf(rows.size(), kNowhere);
    for (std::size_t row = 0; row < shown.size(); ++row) {
        if (shown[row] < rows.size())
            rowOf[shown[row]] = row;
    }
    auto now = [&](int row) {
        const auto old = static_cast<std::size_t>(ItemData(row));
        const std::size_t index = old < nowIndexOf.size() ? nowIndexOf[old] : kNowhere;
        return index < rows.size() ? rowOf[index] : kNowhere;
    };
    std::vector<std::size_t> selected;
    for (int row = NextRow(-1, LVNI_SELECTED); row >= 0; row = NextRow(row, LVNI_SELECTED)) {
        if (const std::size_t at = now(row); at != kNowhere)
            selected.push_back(at);
    }
    const std::size_t focused = now(NextRow(-1, LVNI_FOCUSED));
    // The texts the columns may have to widen for: those of the rows that are new or changed.
    std::vector<bool> staying(rows.size(), false);
    for (const std::size_t old : shown_) {
        if (old < nowIndexOf.size() && nowIndexOf[old] < rows.size())
            staying[nowIndexOf[old]] = true;
    }
    for (auto& texts : columnTexts_)
        texts.clear();
    rows_ = &rows;
    shown_ = shown;
    for (const std::size_t index : shown_) {
        if (index < rows.size() && !staying[index])
            NoteTexts(index);
    }
    const auto top = static_cast<int>(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0));
    SetRowCount(shown_.size(), LVSICF_NOSCROLL);
    SetState(-1, LVIS_SELECTED | LVIS_FOCUSED, 0);
    for (const std::size_t row : selected)
        SetState(static_cast<int>(row), LVIS_SELECTED, LVIS_SELECTED);
    if (focused != kNowhere)
        SetState(static_cast<int>(focused), LVIS_FOCUSED, LVIS_FOCUSED);
    // A list scrolled to its end follows a count that grows; the view stays at its row. In
    // report view a list scrolls by whole rows, whatever the pixels asked.
    const int moved = top - static_cast<int>(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0));
    RECT first{};
    first.left = LVIR_BOUNDS;
    if (moved != 0 && SendMessageW(list_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first)))
        SendMessageW(list_, LVM_SCROLL, 0, static_cast<LPARAM>(moved) * (first.bottom - first.top));
}

void ListViewInventory::SetRowCount(std::size_t count, DWORD flags) {
    if (!SendMessageW(list_, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), static_cast<LPARAM>(flags))) {
        shown_.clear();
        SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
    }
}

int ListViewInventory::NextRow(int row, UINT flags) const {
    return static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(row), flags));
}

void ListViewInventory::SetState(int row, UINT mask, UINT state) {
    LVITEMW item{};
    item.stateMask = mask;
    item.state = state;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::wstring_view ListViewInventory::CellText(std::size_t index, int column) const {
    const vs::InventoryRow& row = (*rows_)[index];
    switch (column) {
    case 0:
        return row.name;
    case 1: {
        const auto place = static_cast<std::size_t>(row.placeIndex);
        return place < placeLabels_.size() ? std::wstring_view(placeLabels_[place]) : std::wstring_view();
    }
    case 2:
        return row.target;
    case kDescriptionColumn:
        return row.description;
    default:
        return {};
    }
}

void ListViewInventory::NoteTexts(std::size_t index) {
    if (!rows_ || index >= rows_->size())
        return;
    for (int column = 0; column < kColumnCount; ++column)
        columnTexts_[static_cast<std::size_t>(column)].insert(CellText(index, column));
    anyDescription_ = anyDescription_ || !(*rows_)[index].description.empty();
}

LPARAM ListViewInventory::ItemData(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= shown_.size())
        return -1;
    return static_cast<LPARAM>(shown_[static_cast<std::size_t>(row)]);
}

void ListViewInventory::SetItemData(int row, std::size_t index) {
    if (row >= 0 && static_cast<std::size_t>(row) < shown_.size())
        shown_[static_cast<std::size_t>(row)] = index;
}

void ListViewInventory::GetDispInfo(NMLVDISPINFOW& info) const {
    LVITEMW& item = info.item;
    const auto index = static_cast<std::size_t>(ItemData(item.iItem));
    const bool known = rows_ && index < rows_->size();
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const std::wstring_view text = known ? CellText(index, item.iSubItem) : std::wstring_view();
        const std::size_t copied = std::min(text.size(), static_cast<std::size_t>(item.cchTextMax) - 1);
        std::copy_n(text.data(), copied, item.pszText);
        item.pszText[copied] = L'\0';
    }
    if (item.mask & LVIF_IMAGE)
        item.iImage = known && index < rowImages_.size() ? rowImages_[index] : 0;
}

int ListViewInventory::FindRow(const NMLVFINDITEMW& find) const {
    const LVFINDINFOW& what = find.lvfi;
    if (!(what.flags & (LVFI_STRING | LVFI_PARTIAL)) || !what.psz || !rows_)
        return -1;
    const std::wstring_view text(what.psz);
    const int count = static_cast<int>(shown_.size());
    auto matches = [&](int row) {
        const auto index = static_cast<std::size_t>(ItemData(row));
        if (index >= rows_->size())
            return false;
        const std::wstring_view name = (*rows_)[index].name;
        if ((what.flags & LVFI_PARTIAL) ? name.size() < text.size() : name.size() != text.size())
            return false;
        return text.empty() || CompareStringOrdinal(name.data(), static_cast<int>(text.size()), text.data(),
                                                    static_cast<int>(text.size()), TRUE) == CSTR_EQUAL;
    };
    const int start = std::clamp(find.iStart, 0, count);
    for (int row = start; row < count; ++row) {
        if (matches(row))
            return row;
    }
    for (int row = 0; (what.flags & LVFI_WRAP) && row < start; ++row) {
        if (matches(row))
            return row;
    }
    return -1;
}

void ListViewInventory::WidenColumns() {
    for (int column = 0; column < kColumnCount; ++column) {
        const auto& texts = columnTexts_[static_cast<std::size_t>(column)];
        if (texts.empty() || (column == kDescriptionColumn && !anyDescription_))
            continue;
        const int drawn =
            DrawnColumnWidth(list_, column, std::vector<std::wstring_view>(texts.begin(), texts.end()));
        if (drawn > SendMessageW(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0))
            SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(drawn, 0));
    }
}

std::optional<int> ListViewInventory::ImageOfLocation(const std::wstring& location) const {
    const auto known = images_.find(location);
    if (known == images_.end())
        return std::nullopt;
    return known->second;
}

int ListViewInventory::ImageOf(const vs::InventoryRow& row) const {
    if (!row.iconLocation)
        return 0;
    const auto known = images_.find(*row.iconLocation);
    return known == images_.end() ? -1 : known->second;
}

int ListViewInventory::ImageOfLocation(const std::wstring& location, vs::Platform& platform) {
    if (const auto known = images_.find(location); known != images_.end())
        return known->second;
    const vs::IconLocationParts parts = vs::SplitIconLocation(location);
    const vs::IconHandle icon = platform.ExtractIcon(parts.file, parts.index);
    // ImageList_ReplaceIcon adds nothing for a null icon and answers -1; the list keeps its
    // own copy, at its own size, of an icon it adds.
    const int image =
        imageList_ ? ImageList_ReplaceIcon(imageList_.Get(), -1, reinterpret_cast<HICON>(icon)) : -1;
    if (icon)
        platform.DestroyIcon(icon);
    images_.emplace(location, image);
    return image;
}

void ListViewInventory::EndRowFill() {
    // The list catches up with its rows here (its scroll bars among them), so that the
    // columns are sized for the list as it will be shown.
    if (!fillingRows_)
        return;
    fillingRows_ = false;
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
}

void ListViewInventory::ResetImageList(int iconSize, int expectedImages) {
    // The list must not keep a handle to the list that is about to be destroyed.
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_NORMAL, 0);
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    images_.clear();
    imageList_.Reset(
        ImageList_Create(iconSize, iconSize, ILC_COLOR32 | ILC_MASK, std::max(8, expectedImages), 2));
    // The default row icon is image 0, loaded at the list's size rather than scaled to it.
    UniqueIcon fallback(static_cast<HICON>(LoadImageW(
        ResourceModule(), MAKEINTRESOURCEW(IDI_DEFAULT_ROW_ICON), IMAGE_ICON, iconSize, iconSize, 0)));
    ImageList_ReplaceIcon(imageList_.Get(), -1, fallback.Get());
}

std::wstring ListItemText(HWND list, int row, int column) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const auto copied = static_cast<std::size_t>(
            SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (copied + 1 < buffer.size())
            return std::wstring(buffer.data(), copied);
        buffer.resize(buffer.size() * 2);
    }
}

int ListViewInventory::AppendRow(const std::wstring& name, int image, LPARAM data) {
    std::wstring text = name;
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = text.data();
    item.iImage = image;
    item.lParam = data;
    return static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListViewInventory::SetCellText(int row, int column, std::wstring_view text) {
    ::SetCellText(list_, row, column, text);
}

void SetCellText(HWND list, int row, int column, std::wstring_view text) {
    std::wstring copy(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = copy.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void ListViewInventory::AutosizeColumn(int column) {
    EndRowFill();
    const auto& texts = columnTexts_[static_cast<std::size_t>(column)];
    const std::wstring_view widest =
        WidestText(list_, std::vector<std::wstring_view>(texts.begin(), texts.end()));
    const int columns = Header_GetItemCount(ListView_GetHeader(list_));
    int width = column + 1 < columns ? ListAutosizedWidth(column, widest) : -1;
    if (width < 0) {
        SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                     MAKELPARAM(LVSCW_AUTOSIZE_USEHEADER, 0));
        width = static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    }
    // The list sizes a column for its own label margins (and the last one only up to its
    // right edge), but the rows are drawn with wider margins: without more room the widest
    // text would end in an ellipsis.
    width = std::max(width, DrawnColumnWidth(list_, column, {widest}));
    SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0));
}

int ListViewInventory::ListAutosizedWidth(int column, std::wstring_view widest) {
    // The list sizes a column that is not its last by the widest of its texts and its
    // heading; asked to, it measures the text of every row, which takes longer than
    // reading the registry. A hidden list of the same kind with one row holding the
    // widest text gives the same width.
    if (!measuring_) {
        const auto style = static_cast<DWORD>(GetWindowLongW(list_, GWL_STYLE));
        measuring_ = CreateWindowExW(0, WC_LISTVIEWW, L"",
                                     (style & ~(WS_VISIBLE | WS_TABSTOP | LVS_OWNERDATA)) | WS_CHILD |
                                         LVS_SHAREIMAGELISTS,
                                     0, 0, 0, 0, dialog_, nullptr, nullptr, nullptr);
        if (!measuring_)
            return -1;
        LVITEMW row{};
        SendMessageW(measuring_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row));
    }
    HWND header = ListView_GetHeader(list_);
    // As many columns as the list has (the last is sized otherwise), this one headed as
    // the list's is; the header exists from the first column on.
    for (int at = Header_GetItemCount(ListView_GetHeader(measuring_)); at < Header_GetItemCount(header);
         ++at) {
        LVCOLUMNW info{};
        info.mask = LVCF_WIDTH | LVCF_SUBITEM;
        info.iSubItem = at;
        info.cx = 10;
        SendMessageW(measuring_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&info));
    }
    HWND measuringHeader = ListView_GetHeader(measuring_);
    SendMessageW(measuring_, WM_SETFONT, SendMessageW(list_, WM_GETFONT, 0, 0), FALSE);
    SendMessageW(measuring_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 SendMessageW(list_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    SendMessageW(measuring_, LVM_SETIMAGELIST, LVSIL_SMALL,
                 SendMessageW(list_, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    wchar_t heading[260] = L"";
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_FORMAT;
    item.pszText = heading;
    item.cchTextMax = static_cast<int>(std::size(heading));
    if (!SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item)))
        return -1;
    SendMessageW(measuringHeader, HDM_SETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
    ::SetCellText(measuring_, 0, column, widest);
    SendMessageW(measuring_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                 MAKELPARAM(LVSCW_AUTOSIZE_USEHEADER, 0));
    const int width =
        static_cast<int>(SendMessageW(measuring_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    SendMessageW(measuring_, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    return width;
}
