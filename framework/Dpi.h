#pragma once
// The dots per inch a window is shown at and sizes that follow them. Each monitor may have
// its own DPI from Windows 10 (1607) on; before that, and wherever the calls are missing,
// the system's one DPI stands for every window.

#include <windows.h>

inline constexpr UINT kDefaultDpi = 96;

// The DPI of the monitor the window is on, as the window sees it.
UINT WindowDpi(HWND window);
// The system's small-icon width at dpi.
int SmallIconSize(UINT dpi);
// A length given at 96 DPI, at dpi.
inline int ScaleToDpi(int length, UINT dpi) {
    return MulDiv(length, static_cast<int>(dpi), static_cast<int>(kDefaultDpi));
}
// Keeps the dialog manager of Windows 10 (1703 on) from rescaling the dialog's fonts and
// controls when its DPI changes: the dialog does that itself on WM_DPICHANGED.
void TakeOverDpiChanges(HWND dialog);
