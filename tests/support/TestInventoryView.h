#pragma once
// A stand-in for the installed-objects list: keeps its rows sorted by Name as the list
// control does, and records what the inventory did to the image list, the columns, the
// "Delete selected" button and the dialog's drawing.

#include "store/InventoryView.h"

#include <array>
#include <string>
#include <vector>

namespace vs::test {

class TestInventoryView : public InventoryView {
public:
    struct Row {
        std::array<std::wstring, 4> cells; // Name, Location, Target, Description
        int image = 0;
        std::intptr_t itemData = -1;
    };
    static constexpr int kAutosized = -2;
    static constexpr int kInitialWidth = 100;

    void LockDrawing(bool lock) override;
    void ResetImageList(int expectedImages) override;
    int AddIcon(IconHandle icon) override;
    void DeleteAllRows() override;
    void AttachImageList() override;
    int InsertRow(const std::wstring& name, int image) override;
    void SetCellText(int row, int column, const std::wstring& text) override;
    void SetItemData(int row, std::intptr_t data) override;
    void AutosizeColumn(int column) override;
    int SelectedCount() override { return selectedCount; }
    void EnableDeleteButton(bool enable) override;

    // The row whose item data is data, or null.
    const Row* RowWithData(std::intptr_t data) const;
    // Each row as "name|location|target|description|image", in list order.
    std::vector<std::wstring> RowTexts() const;

    std::vector<Row> rows;
    // images[0] is the default row icon (null here); later ones are the added icons.
    std::vector<IconHandle> images;
    int imageListResets = 0;
    bool imageListAttached = false;
    std::array<int, 4> columnWidths{kInitialWidth, kInitialWidth, kInitialWidth, kInitialWidth};
    int selectedCount = 0;
    bool deleteButtonEnabled = true;
    int deleteButtonCalls = 0;
    bool locked = false;
    std::vector<bool> lockCalls;
    // Changes to rows or images while drawing was not locked.
    int unlockedChanges = 0;
    // Makes InsertRow fail (-1) as LVM_INSERTITEMW does when the list cannot grow.
    bool failInserts = false;
    // Cells written to a row position that does not exist.
    int badRowWrites = 0;
};

} // namespace vs::test
