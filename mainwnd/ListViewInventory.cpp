#include "mainwnd/ListViewInventory.h"

#include "framework/Resources.h"
#include "mainwnd/Places.h"
#include "mainwnd/RowDrawing.h"
#include "res/resource.h"

#include <algorithm>
#include <numeric>
#include <unordered_set>
#include <vector>

void ListViewInventory::Attach(HWND dialog, HWND list) {
    dialog_ = dialog;
    list_ = list;
    for (int place = 0; place < static_cast<int>(placeLabels_.size()); ++place)
        placeLabels_[static_cast<std::size_t>(place)] = PlaceLabel(place);
}

void ListViewInventory::Show(const std::vector<vs::InventoryRow>& rows, vs::Platform& platform) {
    LockDrawing(true);
    ResetImageList(static_cast<int>(rows.size()) + 1);
    DeleteAllRows();
    AttachImageList();

    // Images in the inventory's order, so that locations are extracted as they were met.
    std::vector<int> images(rows.size(), 0);
    for (std::size_t index = 0; index < rows.size(); ++index)
        if (rows[index].iconLocation)
            images[index] = ImageOfLocation(*rows[index].iconLocation, platform);

    // The rows in the list's order (by name; rows of equal names in the inventory's order),
    // so each one is appended where the list keeps it.
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&rows](std::size_t a, std::size_t b) {
        return CollateNames(rows[a].name, rows[b].name) < 0;
    });
    // The distinct texts of each column, to size it by.
    std::array<std::unordered_set<std::wstring_view>, kColumnCount> shown;
    rowNames_.reserve(rows.size());
    for (std::size_t index : order) {
        const vs::InventoryRow& row = rows[index];
        const int at = InsertRowAt(static_cast<int>(rowNames_.size()), row.name, images[index],
                                   static_cast<LPARAM>(index));
        if (at < 0)
            continue;
        const auto place = static_cast<std::size_t>(row.placeIndex);
        const std::wstring_view label =
            place < placeLabels_.size() ? placeLabels_[place] : std::wstring_view();
        SetCellText(at, 1, label);
        SetCellText(at, 2, row.target);
        if (!row.description.empty())
            SetCellText(at, kDescriptionColumn, row.description);
        shown[0].insert(row.name);
        shown[1].insert(label);
        shown[2].insert(row.target);
        shown[kDescriptionColumn].insert(row.description);
    }

    // The Description column keeps its width while no row has a description.
    const bool anyDescription = std::any_of(
        rows.begin(), rows.end(), [](const vs::InventoryRow& row) { return !row.description.empty(); });
    for (int column = 0; column < kColumnCount; ++column) {
        if (column == kDescriptionColumn && !anyDescription)
            continue;
        const auto& texts = shown[static_cast<std::size_t>(column)];
        AutosizeColumn(column, std::vector<std::wstring_view>(texts.begin(), texts.end()));
    }
    LockDrawing(false);
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
    // own copy of an icon it adds.
    const int image =
        imageList_ ? ImageList_ReplaceIcon(imageList_.Get(), -1, reinterpret_cast<HICON>(icon)) : -1;
    if (icon)
        platform.DestroyIcon(icon);
    images_.emplace(location, image);
    return image;
}

void ListViewInventory::LockDrawing(bool lock) {
    if (lock) {
        LockWindowUpdate(dialog_);
        // Besides the window lock, the list itself stops redrawing while it is filled: an
        // owner-drawn list otherwise repaints on every inserted row, which costs far more
        // than reading the registry.
        SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
        fillingRows_ = true;
        return;
    }
    EndRowFill();
    LockWindowUpdate(nullptr);
    InvalidateRect(dialog_, nullptr, FALSE);
    InvalidateRect(list_, nullptr, TRUE);
}

void ListViewInventory::EndRowFill() {
    // The list catches up with its rows here (its scroll bars among them), so that the
    // columns are sized for the list as it will be shown.
    if (!fillingRows_)
        return;
    fillingRows_ = false;
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
}

void ListViewInventory::ResetImageList(int expectedImages) {
    // The list must not keep a handle to the list that is about to be destroyed.
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_NORMAL, 0);
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    images_.clear();
    imageList_.Reset(ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, std::max(8, expectedImages), 2));
    // The default row icon is image 0; shared icons from LoadIconW are not destroyed.
    HICON fallback = LoadIconW(ResourceModule(), MAKEINTRESOURCEW(IDI_DEFAULT_ROW_ICON));
    ImageList_ReplaceIcon(imageList_.Get(), -1, fallback);
}

void ListViewInventory::DeleteAllRows() {
    SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
    rowNames_.clear();
}

void ListViewInventory::AttachImageList() {
    const auto list = reinterpret_cast<LPARAM>(imageList_.Get());
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_NORMAL, list);
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_SMALL, list);
}

int ListViewInventory::CollateNames(const std::wstring& a, const std::wstring& b) {
    return lstrcmpiW(a.c_str(), b.c_str());
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

int ListViewInventory::SortedPosition(const std::wstring& name) const {
    const auto at =
        std::upper_bound(rowNames_.begin(), rowNames_.end(), name,
                         [](const std::wstring& a, const std::wstring& b) { return CollateNames(a, b) < 0; });
    return static_cast<int>(at - rowNames_.begin());
}

int ListViewInventory::InsertRow(const std::wstring& name, int image) {
    return InsertRowAt(SortedPosition(name), name, image, 0);
}

int ListViewInventory::InsertRowAt(int position, const std::wstring& name, int image, LPARAM data) {
    // The list's own ascending sort would place the row, but not every list control sorts
    // owner-drawn rows; inserting at the sorted position gives the same order everywhere.
    std::wstring text = name;
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = position;
    item.pszText = text.data();
    item.iImage = image;
    item.lParam = data;
    const int row =
        static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (row >= 0 && row <= static_cast<int>(rowNames_.size()))
        rowNames_.insert(rowNames_.begin() + row, name);
    return row;
}

void ListViewInventory::SetCellText(int row, int column, std::wstring_view text) {
    std::wstring copy(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = copy.data();
    SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void ListViewInventory::SetItemData(int row, LPARAM data) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = data;
    SendMessageW(list_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void ListViewInventory::AutosizeColumn(int column, const std::vector<std::wstring_view>& texts) {
    EndRowFill();
    SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                 MAKELPARAM(LVSCW_AUTOSIZE_USEHEADER, 0));
    // The list sizes a column for its own label margins (and the last one only up to its
    // right edge), but the rows are drawn with wider margins: without more room the widest
    // text would end in an ellipsis.
    const int drawn = DrawnColumnWidth(list_, column, texts);
    if (drawn > SendMessageW(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0))
        SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(drawn, 0));
}
