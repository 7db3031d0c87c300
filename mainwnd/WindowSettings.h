#pragma once
// The main window's settings under HKEY_CURRENT_USER "Software\Orbelline\Varnoset": the
// expert switch, the outer window rectangle and the list's sort, read once when the window
// is built and written once when it goes away.

#include "store/RegistryStore.h"

#include <windows.h>

#include <cstdint>

namespace vs {

inline constexpr wchar_t kSettingsKeyPath[] = L"Software\\Orbelline\\Varnoset";

struct WindowSettings {
    std::int32_t expertMode = 0;
    // The outer window rectangle; all zeros when no placement was saved.
    RECT placement{};
    // The column the list is sorted by (0 Name, 1 Location, 2 Target, 3 Description) and
    // whether it is sorted downwards.
    std::int32_t sortColumn = 0;
    bool sortDescending = false;
};

inline constexpr std::int32_t kSortColumns = 4;

bool IsEmptyPlacement(const RECT& rect);

// Expert is taken whenever it reads; the placement only when "SizeY", "PosY", "SizeX" and
// "PosX" all read as 4-byte REG_DWORD values (in that order) and the rectangle touches a
// monitor. "SortColumn" (0 to 3) and "SortDescending" (0 or 1) are taken each on its own
// when it is such a value in its range; otherwise the sort stays Name, upwards.
WindowSettings LoadWindowSettings(RegistryStore& store);
// Creates the key if needed and writes "Expert", "SizeX", "SizeY", "PosX", "PosY",
// "SortColumn", "SortDescending".
void SaveWindowSettings(RegistryStore& store, const WindowSettings& settings);

} // namespace vs
