#pragma once
// The inventory's view of the installed-objects dialog: the real list control, its image
// list, the "Delete selected" button and the dialog's drawing lock.

#include "framework/UniqueHandle.h"
#include "store/InventoryView.h"

#include <windows.h>

#include <string>
#include <vector>

class ListViewInventory final : public vs::InventoryView {
public:
    ListViewInventory() = default;
    // The dialog, its list control and its delete button; the image list is built later.
    void Attach(HWND dialog, HWND list, HWND deleteButton);

    void LockDrawing(bool lock) override;
    void ResetImageList(int expectedImages) override;
    int AddIcon(vs::IconHandle icon) override;
    void DeleteAllRows() override;
    void AttachImageList() override;
    int InsertRow(const std::wstring& name, int image) override;
    void SetCellText(int row, int column, const std::wstring& text) override;
    void SetItemData(int row, std::intptr_t data) override;
    void AutosizeColumn(int column) override;
    int SelectedCount() override;
    void EnableDeleteButton(bool enable) override;

    HIMAGELIST ImageList() const { return imageList_.Get(); }

    // The list control's own order for names: case-insensitive, as its ascending sort
    // compares them.
    static int CompareNames(const std::wstring& a, const std::wstring& b);

private:
    // The row before which a new row of this name belongs: after every row whose name
    // sorts before or equal to it, so rows of equal names keep their insertion order.
    int SortedPosition(const std::wstring& name) const;
    // Lets the list draw again after the rows are in.
    void EndRowFill();

    HWND dialog_ = nullptr;
    HWND list_ = nullptr;
    HWND deleteButton_ = nullptr;
    UniqueImageList imageList_;
    // The Name of every row in list order, so placing a row needs no list look-ups.
    std::vector<std::wstring> rowNames_;
    bool fillingRows_ = false;
};

// The text of one cell of a list-view control, however long.
std::wstring ListItemText(HWND list, int row, int column);
