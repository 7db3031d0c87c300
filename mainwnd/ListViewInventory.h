#pragma once
// The inventory's rows shown in the installed-objects list: one list row per shown
// inventory row, in the order the window gives, its icon from an image list built for the
// rows, and the columns sized to what they show. The dialog's drawing is held still while
// the list changes.

#include "framework/UniqueHandle.h"
#include "store/InventoryRow.h"
#include "store/Platform.h"

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

class ListViewInventory {
public:
    static constexpr int kColumnCount = 4;
    static constexpr int kDescriptionColumn = 3;

    ListViewInventory() = default;
    // The dialog and its list control; the image list is built by the first LoadImages.
    void Attach(HWND dialog, HWND list);

    // LockWindowUpdate(dialog) and no redrawing of the list until EndUpdate.
    void BeginUpdate();
    // Lets both draw again, autosizing the columns first when asked: every column to what
    // its rows show, the Description column only when some shown row has a description.
    void EndUpdate(bool autosizeColumns);

    // A new image list of iconSize pixels square for rows: each distinct icon location
    // extracted once, image 0 the default row icon for rows without a location, -1 for a
    // location that gives no icon. Call between BeginUpdate and EndUpdate, before Fill.
    void LoadImages(const std::vector<vs::InventoryRow>& rows, vs::Platform& platform, int iconSize);
    // The images of rows that changed since LoadImages: the images made so far are kept,
    // locations met for the first time extracted. Call before Patch or Fill.
    void UpdateImages(const std::vector<vs::InventoryRow>& rows, vs::Platform& platform);
    // Makes the list show rows[shown[0]], rows[shown[1]], ...: Name, the place's label,
    // Target and Description and the image LoadImages gave the row. The list is an
    // owner-data list: it holds only the number of rows and their states and asks for the
    // cells as it needs them (GetDispInfo), so a fill costs the same for any number of
    // rows. No row stays selected or focused. rows must outlive what the list shows. Call
    // between BeginUpdate and EndUpdate.
    void Fill(const std::vector<vs::InventoryRow>& rows, const std::vector<std::size_t>& shown);
    // The same after an update of the rows: a row that stays (its old index i is now
    // nowIndexOf[i]) keeps its selection and focus where it stands now, without the list
    // scrolling; the others are neither selected nor focused.
    void Patch(const std::vector<vs::InventoryRow>& rows, const std::vector<std::size_t>& shown,
               const std::vector<std::size_t>& nowIndexOf);
    // The index in the rows of what a list row shows, or -1.
    LPARAM ItemData(int row) const;
    // Lets a list row show another index (one that names no row included), as a list whose
    // data went wrong would.
    void SetItemData(int row, std::size_t index);
    // Answers the list's LVN_GETDISPINFOW: the text and image of a cell.
    void GetDispInfo(NMLVDISPINFOW& info) const;
    // Answers the list's LVN_ODFINDITEMW (the keys' search by the start of a name): the
    // first row from find.iStart on whose name starts with (LVFI_PARTIAL) or is
    // (LVFI_STRING) the text, ignoring case, wrapping to the top with LVFI_WRAP; -1 for none.
    int FindRow(const NMLVFINDITEMW& find) const;
    // Widens each column that is too narrow for the texts the last Patch or Fill put in.
    void WidenColumns();

    // The image list of the last LoadImages, which this object owns.
    HIMAGELIST ImageList() const { return imageList_.Get(); }
    // The image the last LoadImages gave rows of this icon location; 0 (the default row
    // icon) for rows without one.
    int ImageOf(const vs::InventoryRow& row) const;
    // The image the last LoadImages gave rows of this icon location (-1: it gave no icon);
    // nothing when no row had it.
    std::optional<int> ImageOfLocation(const std::wstring& location) const;
    // What the Location column shows for each place index.
    std::span<const std::wstring> PlaceLabels() const { return placeLabels_; }

    // Adds a row (text, image, item data) after the last one in one insert; returns its
    // position, or -1 when the list refuses it.
    int AppendRow(const std::wstring& name, int image, LPARAM data);
    void SetCellText(int row, int column, std::wstring_view text);

private:
    // The text of a cell of rows[index].
    std::wstring_view CellText(std::size_t index, int column) const;
    // Takes the texts of rows[index] for the columns' sizing.
    void NoteTexts(std::size_t index);
    // Sets the number of rows; when the list refuses it, it shows none.
    void SetRowCount(std::size_t count, DWORD flags);
    // LVM_GETNEXTITEM from row with flags.
    int NextRow(int row, UINT flags) const;
    // LVM_SETITEMSTATE of the states in mask of a row (-1: of every row).
    void SetState(int row, UINT mask, UINT state);
    // Lets the list draw again after the rows are in.
    void EndRowFill();
    // Detaches and destroys the old image list and makes a new one (ILC_COLOR32 | ILC_MASK,
    // growing by 2) holding the default row icon as image 0.
    void ResetImageList(int iconSize, int expectedImages);
    // The image of an icon location: extracted and added at its first use in this fill.
    int ImageOfLocation(const std::wstring& location, vs::Platform& platform);
    // The width LVSCW_AUTOSIZE_USEHEADER gives a column that is not the list's last when
    // widest is its widest text; -1 when it cannot be measured.
    int ListAutosizedWidth(int column, std::wstring_view widest);
    // LVM_SETCOLUMNWIDTH with LVSCW_AUTOSIZE_USEHEADER, widened where the rows' drawing
    // needs more room for the column's texts than the list's own margins give.
    void AutosizeColumn(int column);

    HWND dialog_ = nullptr;
    HWND list_ = nullptr;
    UniqueImageList imageList_;
    // The hidden list ListAutosizedWidth measures on, a child of the dialog.
    HWND measuring_ = nullptr;
    // The images of the icon locations of the last LoadImages, by location text, and the
    // image of each of its rows.
    std::map<std::wstring, int> images_;
    std::vector<int> rowImages_;
    // The rows the list shows, by their indices in rows_.
    const std::vector<vs::InventoryRow>* rows_ = nullptr;
    std::vector<std::size_t> shown_;
    // The place labels, loaded once.
    std::array<std::wstring, 8> placeLabels_;
    // The distinct texts of each column of the last Fill, to size it by; they point into
    // the rows and labels it was given.
    std::array<std::unordered_set<std::wstring_view>, kColumnCount> columnTexts_;
    bool fillingRows_ = false;
    bool anyDescription_ = false;
};

// LVM_SETITEMTEXTW of one cell of a list-view control.
void SetCellText(HWND list, int row, int column, std::wstring_view text);
// The text of one cell of a list-view control, however long.
std::wstring ListItemText(HWND list, int row, int column);
