#include "mainwnd/WindowSettings.h"

#include "store/RegKey.h"

#include <optional>

namespace vs {

namespace {

// A 4-byte REG_DWORD value read as a signed coordinate; nothing for any other value.
std::optional<std::int32_t> ReadCoordinate(const RegKey& key, const wchar_t* name) {
    const DwordRead read = key.ReadDword(name);
    if (!read.IsDword())
        return std::nullopt;
    return static_cast<std::int32_t>(read.value);
}

RECT ReadPlacement(const RegKey& key) {
    // All four or none: the first value that does not read ends the attempt.
    const auto bottom = ReadCoordinate(key, L"SizeY");
    if (!bottom)
        return {};
    const auto top = ReadCoordinate(key, L"PosY");
    if (!top)
        return {};
    const auto right = ReadCoordinate(key, L"SizeX");
    if (!right)
        return {};
    const auto left = ReadCoordinate(key, L"PosX");
    if (!left)
        return {};
    return RECT{*left, *top, *right, *bottom};
}

} // namespace

bool IsEmptyPlacement(const RECT& rect) {
    return rect.left == 0 && rect.top == 0 && rect.right == 0 && rect.bottom == 0;
}

WindowSettings LoadWindowSettings(RegistryStore& store) {
    WindowSettings settings;
    RegKey key(store);
    if (key.Open(CurrentUser(), kSettingsKeyPath) == kOk) {
        // The type is not checked: any value that reads sets the switch.
        if (const DwordRead expert = key.ReadDword(L"Expert"); expert.status == kOk)
            settings.expertMode = static_cast<std::int32_t>(expert.value);
        settings.placement = ReadPlacement(key);
        if (const DwordRead column = key.ReadDword(L"SortColumn");
            column.IsDword() && column.value < static_cast<std::uint32_t>(kSortColumns))
            settings.sortColumn = static_cast<std::int32_t>(column.value);
        if (const DwordRead descending = key.ReadDword(L"SortDescending");
            descending.IsDword() && descending.value <= 1)
            settings.sortDescending = descending.value == 1;
    }
    // A rectangle saved while minimised, on a monitor that is gone, or turned inside out
    // would put the window where nobody sees it.
    const RECT& r = settings.placement;
    if (r.right <= r.left || r.bottom <= r.top || !MonitorFromRect(&r, MONITOR_DEFAULTTONULL))
        settings.placement = {};
    return settings;
}

void SaveWindowSettings(RegistryStore& store, const WindowSettings& settings) {
    RegKey key(store);
    if (key.Create(CurrentUser(), kSettingsKeyPath) != kOk)
        return;
    // Single failed writes are not worth reporting: the next run falls back to defaults.
    (void)key.SetDword(L"Expert", static_cast<std::uint32_t>(settings.expertMode));
    (void)key.SetDword(L"SizeX", static_cast<std::uint32_t>(settings.placement.right));
    (void)key.SetDword(L"SizeY", static_cast<std::uint32_t>(settings.placement.bottom));
    (void)key.SetDword(L"PosX", static_cast<std::uint32_t>(settings.placement.left));
    (void)key.SetDword(L"PosY", static_cast<std::uint32_t>(settings.placement.top));
    (void)key.SetDword(L"SortColumn", static_cast<std::uint32_t>(settings.sortColumn));
    (void)key.SetDword(L"SortDescending", settings.sortDescending ? 1u : 0u);
}

} // namespace vs
