#include "mainwnd/FirstScan.h"

#include <objbase.h>

#include <utility>

FirstScan::FirstScan(vs::RegistryStore& store, vs::Platform& platform, std::int32_t expertMode, HWND window,
                     UINT message, WPARAM ticket)
    : inventory_(std::make_unique<vs::Inventory>(store, platform)) {
    inventory_->expertMode = expertMode;
    inventory_->StopWhen(&stop_);
    thread_ = std::thread([this, window, message, ticket] {
        // Display names come from the shell's folders, which want COM on this thread.
        const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        try {
            inventory_->Refresh();
        } catch (...) {
            inventory_.reset(); // the window reads the registry itself then
        }
        if (com)
            CoUninitialize();
        PostMessageW(window, message, ticket, 0);
    });
}

FirstScan::~FirstScan() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

std::unique_ptr<vs::Inventory> FirstScan::Take() {
    if (thread_.joinable())
        thread_.join();
    if (inventory_)
        inventory_->StopWhen(nullptr);
    return std::move(inventory_);
}
