#pragma once
// One row of the inventory: a listed registration with everything a list, an export or a
// listing shows of it, as plain values. How rows are shown is up to whoever shows them;
// sorting, filtering and exporting work on rows alone.

#include "ShellObjectInfo.h"

#include <optional>
#include <string>

namespace vs {

struct InventoryRow {
    // The class record's name.
    std::wstring name;
    // The place (0..7) whose NameSpace key holds the entry key, below it at any depth;
    // NamespaceLocations() tells its hive and path.
    int placeIndex = 0;
    std::wstring target;
    // Empty when the class key has no description.
    std::wstring description;
    // The entry key's name starts with "hidden{".
    bool hidden = false;
    // The "DefaultIcon" location of the class key; nothing when the class key or its
    // "DefaultIcon" subkey does not open (a list then shows its default icon). A location
    // that names no loadable icon is still a location.
    std::optional<std::wstring> iconLocation;
    // The class record the row shows, shared by every row of its class identifier and
    // owned by the inventory; valid until the next refresh.
    ShellObjectInfo* info = nullptr;
    // The scope of the entry (this user for places 0 to 3, all users for 4 to 7) hides the
    // object's desktop icon (DesktopIcon.h); whether it is pinned to the navigation pane
    // is the record's.
    bool desktopIconHidden = false;
};

} // namespace vs
