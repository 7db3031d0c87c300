#pragma once
// The main window's settings under HKEY_CURRENT_USER "Software\Orbelline\Varnoset": the
// expert switch and the outer window rectangle, read once when the window is built and
// written once when it goes away.

#include "store/RegistryStore.h"

#include <windows.h>

#include <cstdint>

namespace vs {

inline constexpr wchar_t kSettingsKeyPath[] = L"Software\\Orbelline\\Varnoset";

struct WindowSettings {
    std::int32_t expertMode = 0;
    // The outer window rectangle; all zeros when no placement was saved.
    RECT placement{};
};

bool IsEmptyPlacement(const RECT& rect);

// Expert is taken whenever it reads; the placement only when "SizeY", "PosY", "SizeX" and
// "PosX" all read as 4-byte REG_DWORD values (in that order) and the rectangle touches a
// monitor.
WindowSettings LoadWindowSettings(RegistryStore& store);
// Creates the key if needed and writes "Expert", "SizeX", "SizeY", "PosX", "PosY".
void SaveWindowSettings(RegistryStore& store, const WindowSettings& settings);

} // namespace vs
