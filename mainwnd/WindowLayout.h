#pragma once
// Keeps a dialog's controls in place as its client area changes size and its DPI changes.
// Each control is recorded once, at the dialog's first size, with the edges it follows:
// moved along with the right or bottom edge, or stretched with it. The recorded sizes
// count at the DPI they were recorded at and are scaled to the current one.

#include <windows.h>

#include <initializer_list>
#include <vector>

class WindowLayout {
public:
    enum Follow : unsigned {
        kMoveRight = 1,    // keeps its distance from the right edge
        kMoveDown = 2,     // keeps its distance from the bottom edge
        kStretchRight = 4, // keeps its right edge's distance from the right edge
        kStretchDown = 8,
    };
    struct Control {
        HWND window;
        unsigned follow;
    };

    // The dialog's client size and the controls' rectangles as they are now, at dpi.
    void Record(HWND dialog, std::initializer_list<Control> controls, UINT dpi);
    // Scales what was recorded to dpi from now on.
    void SetDpi(UINT dpi) { dpi_ = dpi; }
    // Places the controls for the dialog's client area as it is now.
    void Apply() const;
    // The client size recorded, at the current DPI: the smallest the dialog lays out.
    SIZE MinimumClientSize() const;

private:
    struct Item {
        HWND window;
        RECT rect;
        unsigned follow;
    };
    int Scaled(LONG length) const;

    HWND dialog_ = nullptr;
    SIZE client_{};
    std::vector<Item> items_;
    UINT recordedDpi_ = 96;
    UINT dpi_ = 96;
};
