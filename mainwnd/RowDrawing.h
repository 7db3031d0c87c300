#pragma once
// Draws one row of the installed-objects list, which is owner-drawn so that hidden
// registrations can be shown grey and struck out.

#include <windows.h>

// Draws the row dis.itemID of list into dis.hDC: icon, name and the other columns,
// selected rows in the highlight colours, hidden rows grey (highlight text when selected)
// with a struck-out font. Leaves the device context as it found it.
void DrawListRow(HWND list, const DRAWITEMSTRUCT& dis, bool hidden);
