#include "tests/support/TestInventoryView.h"

#include "store/RegistryTypes.h"

namespace vs::test {

void TestInventoryView::LockDrawing(bool lock) {
    lockCalls.push_back(lock);
    locked = lock;
}

void TestInventoryView::ResetImageList(int /*expectedImages*/) {
    ++imageListResets;
    if (!locked)
        ++unlockedChanges;
    imageListAttached = false;
    images.assign(1, nullptr);
}

int TestInventoryView::AddIcon(IconHandle icon) {
    if (!locked)
        ++unlockedChanges;
    // ImageList_ReplaceIcon adds nothing for a null icon.
    if (!icon)
        return -1;
    images.push_back(icon);
    return static_cast<int>(images.size()) - 1;
}

void TestInventoryView::DeleteAllRows() {
    if (!locked)
        ++unlockedChanges;
    rows.clear();
}

void TestInventoryView::AttachImageList() {
    imageListAttached = true;
}

int TestInventoryView::InsertRow(const std::wstring& name, int image) {
    if (!locked)
        ++unlockedChanges;
    if (failInserts)
        return -1;
    // LVS_SORTASCENDING: the new row goes after the rows whose names sort before or equal.
    std::size_t at = 0;
    while (at < rows.size() && CompareNames(rows[at].cells[0], name) <= 0)
        ++at;
    Row row;
    row.cells[0] = name;
    row.image = image;
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(at), row);
    return static_cast<int>(at);
}

void TestInventoryView::SetCellText(int row, int column, const std::wstring& text) {
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size() || column < 0 || column > 3) {
        ++badRowWrites;
        return;
    }
    rows[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)] = text;
}

void TestInventoryView::SetItemData(int row, std::intptr_t data) {
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) {
        ++badRowWrites;
        return;
    }
    rows[static_cast<std::size_t>(row)].itemData = data;
}

void TestInventoryView::AutosizeColumn(int column) {
    if (column >= 0 && column < 4)
        columnWidths[static_cast<std::size_t>(column)] = kAutosized;
}

void TestInventoryView::EnableDeleteButton(bool enable) {
    ++deleteButtonCalls;
    deleteButtonEnabled = enable;
}

const TestInventoryView::Row* TestInventoryView::RowWithData(std::intptr_t data) const {
    for (const Row& row : rows)
        if (row.itemData == data)
            return &row;
    return nullptr;
}

std::vector<std::wstring> TestInventoryView::RowTexts() const {
    std::vector<std::wstring> texts;
    for (const Row& row : rows)
        texts.push_back(row.cells[0] + L"|" + row.cells[1] + L"|" + row.cells[2] + L"|" + row.cells[3] +
                        L"|" + std::to_wstring(row.image));
    return texts;
}

} // namespace vs::test
