#include "mainwnd/RowDrawing.h"

#include "framework/UniqueHandle.h"
#include "mainwnd/ListViewInventory.h"

#include <algorithm>
#include <string>

namespace {

RECT ItemRect(HWND list, int row, int part) {
    RECT rect{};
    rect.left = part;
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
    return rect;
}

UINT Justification(int format) {
    switch (format & LVCFMT_JUSTIFYMASK) {
    case LVCFMT_RIGHT:
        return DT_RIGHT;
    case LVCFMT_CENTER:
        return DT_CENTER;
    default:
        return DT_LEFT;
    }
}

// How far the drawing keeps a cell's text from the edges of its rectangle (column 0's
// label rectangle, the other columns' whole rectangle): twice the width of a blank in the
// current font, except before the text of column 0, where it is one blank.
struct TextInset {
    int left;
    int right;
};

TextInset CellTextInset(HDC dc, int column) {
    SIZE blank{};
    GetTextExtentPoint32W(dc, L" ", 1, &blank);
    const int offset = blank.cx * 2;
    return column == 0 ? TextInset{offset / 2, offset} : TextInset{offset, offset};
}

// A device context of a window, released when it goes.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Restricts drawing to rect until the guard goes; the clipping before stays intact.
class ClipTo {
public:
    ClipTo(HDC dc, const RECT& rect) : saved_(dc) {
        IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    }

private:
    SavedDcState saved_;
};

} // namespace

void DrawListRow(HWND list, const DRAWITEMSTRUCT& dis, bool hidden, bool warning) {
    const int row = static_cast<int>(dis.itemID);
    HDC dc = dis.hDC;

    LVITEMW item{};
    item.mask = LVIF_IMAGE | LVIF_STATE;
    item.iItem = row;
    item.stateMask = 0xFFFF;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));

    const bool listFocused = GetFocus() == list;
    const bool showSelectionAlways = (GetWindowLongW(list, GWL_STYLE) & LVS_SHOWSELALWAYS) != 0;
    const bool highlighted = (item.state & LVIS_DROPHILITED) ||
                             ((item.state & LVIS_SELECTED) && (listFocused || showSelectionAlways));

    const RECT bounds = ItemRect(list, row, LVIR_BOUNDS);
    const RECT label = ItemRect(list, row, LVIR_LABEL);
    const RECT icon = ItemRect(list, row, LVIR_ICON);

    // The struck-out font must outlive its selection into the device context, which the
    // saved state undoes first.
    UniqueFont struckOut;
    SavedDcState saved(dc);
    SetBkMode(dc, TRANSPARENT);
    if (hidden) {
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        LOGFONTW font{};
        if (GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof font, &font)) {
            font.lfStrikeOut = TRUE;
            struckOut.Reset(CreateFontIndirectW(&font));
            if (struckOut)
                SelectObject(dc, struckOut.Get());
        }
    }

    const std::wstring name = ListItemText(list, row, 0);

    RECT visible{};
    GetClientRect(list, &visible);
    RECT highlight = bounds;
    highlight.left = label.left;
    highlight.right = visible.right;

    if (highlighted) {
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
        FillRect(dc, &highlight, GetSysColorBrush(COLOR_HIGHLIGHT));
    } else {
        FillRect(dc, &highlight, GetSysColorBrush(COLOR_WINDOW));
    }

    const int firstWidth = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
    {
        RECT firstColumn = bounds;
        firstColumn.right = bounds.left + firstWidth;
        ClipTo clip(dc, firstColumn);
        const auto images =
            reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
        if (images) {
            UINT style = ILD_TRANSPARENT | (item.state & LVIS_OVERLAYMASK);
            if (highlighted)
                style |= ILD_BLEND50;
            ImageList_Draw(images, item.iImage, dc, icon.left, icon.top, style);
        }
        if (warning) {
            const int size = std::max(8, static_cast<int>(icon.bottom - icon.top) / 2);
            DrawIconEx(dc, icon.left, icon.bottom - size, LoadIconW(nullptr, IDI_WARNING), size, size, 0,
                       nullptr, DI_NORMAL);
        }
        const TextInset inset = CellTextInset(dc, 0);
        RECT text = label;
        text.left += inset.left;
        text.right -= inset.right;
        DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &text,
                  DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | DT_VCENTER | DT_END_ELLIPSIS | DT_LEFT);
    }

    RECT rowArea = bounds;
    rowArea.right = std::max(bounds.right, highlight.right);
    ClipTo clip(dc, rowArea);
    const TextInset inset = CellTextInset(dc, 1);
    int left = bounds.left + firstWidth;
    for (int column = 1;; ++column) {
        LVCOLUMNW info{};
        info.mask = LVCF_FMT | LVCF_WIDTH;
        if (!SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)))
            break;
        RECT cell{left, bounds.top, left + info.cx, bounds.bottom};
        left = cell.right;
        const std::wstring text = ListItemText(list, row, column);
        if (text.empty())
            continue;
        cell.left += inset.left;
        cell.right -= inset.right;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &cell,
                  Justification(info.fmt) | DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER | DT_END_ELLIPSIS);
    }

    if ((item.state & LVIS_FOCUSED) && listFocused)
        DrawFocusRect(dc, &highlight);
}

int DrawnColumnWidth(HWND list, int column) {
    const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    std::vector<std::wstring> texts;
    for (int row = 0; row < rows; ++row)
        texts.push_back(ListItemText(list, row, column));
    return DrawnColumnWidth(list, column, std::vector<std::wstring_view>(texts.begin(), texts.end()));
}

std::wstring_view WidestText(HWND list, const std::vector<std::wstring_view>& texts) {
    WindowDc dc(list);
    if (!dc.Get())
        return {};
    SavedDcState saved(dc.Get());
    if (const auto font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)))
        SelectObject(dc.Get(), font);
    std::wstring_view widest;
    int widestWidth = -1;
    for (std::wstring_view text : texts) {
        SIZE extent{};
        if (!text.empty() &&
            GetTextExtentPoint32W(dc.Get(), text.data(), static_cast<int>(text.size()), &extent) &&
            extent.cx > widestWidth) {
            widest = text;
            widestWidth = extent.cx;
        }
    }
    return widest;
}

int DrawnColumnWidth(HWND list, int column, const std::vector<std::wstring_view>& texts) {
    if (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) <= 0)
        return 0;
    WindowDc dc(list);
    if (!dc.Get())
        return 0;
    SavedDcState saved(dc.Get());
    if (const auto font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)))
        SelectObject(dc.Get(), font);

    int widest = 0;
    for (std::wstring_view text : texts) {
        SIZE extent{};
        if (!text.empty() &&
            GetTextExtentPoint32W(dc.Get(), text.data(), static_cast<int>(text.size()), &extent))
            widest = std::max(widest, static_cast<int>(extent.cx));
    }
    const TextInset inset = CellTextInset(dc.Get(), column);
    int margins = inset.left + inset.right;
    if (column == 0) {
        // Column 0 draws its text in the label rectangle, which leaves out the icon.
        const RECT label = ItemRect(list, 0, LVIR_LABEL);
        const int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
        margins += width - (label.right - label.left);
    }
    return widest + margins;
}
