#pragma once
// The inventory's rows shown in the installed-objects list: one list row per inventory row
// at its place in Name order, its icon from an image list built for the fill, and the
// columns sized to what they show. The dialog's drawing is held still while the list fills.

#include "framework/UniqueHandle.h"
#include "store/InventoryRow.h"
#include "store/Platform.h"

#include <windows.h>

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class ListViewInventory {
public:
    static constexpr int kColumnCount = 4;
    static constexpr int kDescriptionColumn = 3;

    ListViewInventory() = default;
    // The dialog and its list control; the image list is built by the first fill.
    void Attach(HWND dialog, HWND list);

    // Replaces every list row with one row per inventory row, whose item data is the row's
    // index in rows: Name, the place's label, Target and Description, and the image of its
    // icon location (each distinct location extracted once; image 0, the default row icon,
    // without a location; -1 when the location gives no icon). Then autosizes the columns,
    // the Description column only when some row has a description.
    void Show(const std::vector<vs::InventoryRow>& rows, vs::Platform& platform);

    // The image list of the last fill, which this object owns.
    HIMAGELIST ImageList() const { return imageList_.Get(); }
    // The image the last fill gave rows of this icon location; 0 (the default row icon)
    // for rows without one.
    int ImageOf(const vs::InventoryRow& row) const;

    // Inserts a row (text, image) at its place in ascending Name order; returns its
    // position, or -1 when the list refuses it.
    int InsertRow(const std::wstring& name, int image);
    void SetCellText(int row, int column, std::wstring_view text);
    void SetItemData(int row, LPARAM data);

    // The list control's own order for names: case-insensitive, as its ascending sort
    // compares them for display. (Names as registry names compare with vs::CompareNames.)
    static int CollateNames(const std::wstring& a, const std::wstring& b);

private:
    // LockWindowUpdate(dialog) and no redrawing of the list while true; on false both are
    // lifted and the dialog and the list are invalidated.
    void LockDrawing(bool lock);
    // Lets the list draw again after the rows are in.
    void EndRowFill();
    // Detaches and destroys the old image list and makes a new 16x16 one (ILC_COLOR32 |
    // ILC_MASK, growing by 2) holding the default row icon as image 0.
    void ResetImageList(int expectedImages);
    void AttachImageList();
    void DeleteAllRows();
    // The image of an icon location: extracted and added at its first use in this fill.
    int ImageOfLocation(const std::wstring& location, vs::Platform& platform);
    // Inserts a row (text, image, item data) at position; returns where the list put it,
    // or -1 when the list refuses it.
    int InsertRowAt(int position, const std::wstring& name, int image, LPARAM data);
    // LVM_SETCOLUMNWIDTH with LVSCW_AUTOSIZE_USEHEADER, widened where the rows' drawing
    // needs more room for these texts of the column than the list's own margins give.
    void AutosizeColumn(int column, const std::vector<std::wstring_view>& texts);
    // The row before which a new row of this name belongs: after every row whose name
    // sorts before or equal to it, so rows of equal names keep their insertion order.
    int SortedPosition(const std::wstring& name) const;

    HWND dialog_ = nullptr;
    HWND list_ = nullptr;
    UniqueImageList imageList_;
    // The images of the icon locations of the last fill, by location text.
    std::map<std::wstring, int> images_;
    // The place labels, loaded once.
    std::array<std::wstring, 8> placeLabels_;
    // The Name of every row in list order, so placing a row needs no list look-ups.
    std::vector<std::wstring> rowNames_;
    bool fillingRows_ = false;
};

// The text of one cell of a list-view control, however long.
std::wstring ListItemText(HWND list, int row, int column);
