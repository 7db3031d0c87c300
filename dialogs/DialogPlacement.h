#pragma once
// Placement shared by the small dialogs.

#include <windows.h>

// Centres a dialog over its owner (over the work area when it has none or the owner is
// hidden or minimised), kept inside the work area of the owner's monitor.
void CenterOverOwner(HWND dialog);
