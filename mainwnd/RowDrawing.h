#pragma once
// Draws one row of the installed-objects list, which is owner-drawn so that hidden
// registrations can be shown grey and struck out.

#include <windows.h>

#include <string_view>
#include <vector>

// Draws the row dis.itemID of list into dis.hDC: icon, name and the other columns,
// selected rows in the highlight colours, hidden rows grey (highlight text when selected)
// with a struck-out font, and a row with a problem with a small warning sign over the
// lower left of its icon. Leaves the device context as it found it.
void DrawListRow(HWND list, const DRAWITEMSTRUCT& dis, bool hidden, bool warning = false);

// The narrowest width of column in which DrawListRow shows the text of every row whole:
// the widest text in the list's font and the margins the drawing keeps around it, which
// are wider than the ones the list sizes its columns for. 0 for a list without rows.
int DrawnColumnWidth(HWND list, int column);
// The same for these texts of the column (its rows' texts, each distinct one at least
// once), for a caller that holds them already.
int DrawnColumnWidth(HWND list, int column, const std::vector<std::wstring_view>& texts);
// The text of texts that is widest in the list's font (empty when all are).
std::wstring_view WidestText(HWND list, const std::vector<std::wstring_view>& texts);
