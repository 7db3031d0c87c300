#pragma once
// What the inventory needs of the installed-objects dialog: its list control, the
// list's image list, the "Delete selected" button and the dialog's drawing. The main
// window implements it over the real controls; tests implement it over plain data.

#include "Platform.h"

#include <cstdint>
#include <string>

namespace vs {

class InventoryView {
public:
    virtual ~InventoryView() = default;

    // LockWindowUpdate(dialog) while true; on false lift the lock and invalidate the dialog.
    virtual void LockDrawing(bool lock) = 0;
    // Destroys the old image list and creates a new 16x16 one (ILC_COLOR32 | ILC_MASK,
    // 8 initial, growing by 2) holding the default row icon (resource 135) as image 0.
    // expectedImages is a hint for sizing it up front.
    virtual void ResetImageList(int expectedImages) = 0;
    // ImageList_ReplaceIcon(list, -1, icon): the new image's index, or -1.
    virtual int AddIcon(IconHandle icon) = 0;
    // LVM_DELETEALLITEMS.
    virtual void DeleteAllRows() = 0;
    // Attaches the image list to the list as its normal and small image list.
    virtual void AttachImageList() = 0;
    // Inserts a row (text, image) at its place in ascending Name order; returns its position.
    virtual int InsertRow(const std::wstring& name, int image) = 0;
    virtual void SetCellText(int row, int column, const std::wstring& text) = 0;
    virtual void SetItemData(int row, std::intptr_t data) = 0;
    // LVM_SETCOLUMNWIDTH with LVSCW_AUTOSIZE_USEHEADER, widened where the rows' drawing
    // needs more room than the list's own margins give.
    virtual void AutosizeColumn(int column) = 0;
    // LVM_GETSELECTEDCOUNT.
    virtual int SelectedCount() = 0;
    virtual void EnableDeleteButton(bool enable) = 0;
};

} // namespace vs
