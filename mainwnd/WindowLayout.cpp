#include "mainwnd/WindowLayout.h"

#include <algorithm>

void WindowLayout::Record(HWND dialog, std::initializer_list<Control> controls, UINT dpi) {
    dialog_ = dialog;
    recordedDpi_ = dpi_ = dpi;
    RECT client{};
    GetClientRect(dialog, &client);
    client_ = {client.right, client.bottom};
    items_.clear();
    for (const Control& control : controls) {
        RECT rect{};
        GetWindowRect(control.window, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        items_.push_back({control.window, rect, control.follow});
    }
}

int WindowLayout::Scaled(LONG length) const {
    return MulDiv(length, static_cast<int>(dpi_), static_cast<int>(recordedDpi_));
}

SIZE WindowLayout::MinimumClientSize() const {
    return {Scaled(client_.cx), Scaled(client_.cy)};
}

void WindowLayout::Apply() const {
    if (!dialog_)
        return;
    RECT client{};
    GetClientRect(dialog_, &client);
    const SIZE minimum = MinimumClientSize();
    const int dx = client.right - minimum.cx;
    const int dy = client.bottom - minimum.cy;
    for (const Item& item : items_) {
        const int left = Scaled(item.rect.left) + (item.follow & kMoveRight ? dx : 0);
        const int top = Scaled(item.rect.top) + (item.follow & kMoveDown ? dy : 0);
        const int width =
            Scaled(item.rect.right) - Scaled(item.rect.left) + (item.follow & kStretchRight ? dx : 0);
        const int height =
            Scaled(item.rect.bottom) - Scaled(item.rect.top) + (item.follow & kStretchDown ? dy : 0);
        MoveWindow(item.window, left, top, std::max(0, width), std::max(0, height), TRUE);
    }
}
