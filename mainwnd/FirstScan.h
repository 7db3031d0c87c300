#pragma once
// The window's first reading of the registry, on a thread of its own so that the window
// answers while it runs: a complete inventory read through the window's own store and
// platform (so that its records write through them later), handed over once it is done.
// The store and the platform must be safe to use from another thread; the Windows
// registry and platform are.

#include "store/Inventory.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

class FirstScan {
public:
    // Starts reading; once done, posts message with wParam ticket to window.
    FirstScan(vs::RegistryStore& store, vs::Platform& platform, std::int32_t expertMode, HWND window,
              UINT message, WPARAM ticket);
    // Stops the reading after the key or class record it is at and waits for the thread.
    ~FirstScan();
    FirstScan(const FirstScan&) = delete;
    FirstScan& operator=(const FirstScan&) = delete;

    // Waits for the thread; the inventory it read, or null when reading failed.
    std::unique_ptr<vs::Inventory> Take();

private:
    std::atomic<bool> stop_{false};
    std::unique_ptr<vs::Inventory> inventory_;
    std::thread thread_;
};
