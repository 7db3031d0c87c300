#pragma once
// The inventory of installed objects: scans the eight places, reads one class record per
// class identifier and turns every registration into an entry and a list row. It keeps
// nothing between refreshes.

#include "InventoryView.h"
#include "Platform.h"
#include "RegistryStore.h"
#include "ShellObjectEntry.h"
#include "ShellObjectInfo.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vs {

// Orders class identifiers with the letters A-Z equal to a-z.
struct ClsidLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
};

class Inventory {
public:
    Inventory(RegistryStore& store, Platform& platform) : store_(store), platform_(platform) {}

    // Rebuilds the image list, the rows, clsidMap and entries from the registry.
    void RefreshList(InventoryView& view);
    // Scans keyName below parentKey (parentPath is parentKey's path below the hive).
    void ScanNamespaceKey(InventoryView& view, int placeIndex, const wchar_t* label,
                          const std::wstring& parentPath, KeyHandle parentKey, const std::wstring& keyName);

    // The entry behind a row's item data, or null when the data names none.
    ShellObjectEntry* EntryAt(std::intptr_t itemData);

    RegistryStore& Store() const { return store_; }
    Platform& PlatformServices() const { return platform_; }

    // std::map keeps records in place while others are inserted: entries point at them.
    std::map<std::wstring, ShellObjectInfo, ClsidLess> clsidMap;
    std::vector<ShellObjectEntry> entries;
    std::int32_t rowCount = 0;
    bool noDescriptions = true;
    std::int32_t expertMode = 0;

private:
    // Whether the subkey at index has a name of 50 units or more.
    bool NameTooLong(KeyHandle key, std::uint32_t index);
    // Appends the entry and inserts its row.
    void ListEntry(InventoryView& view, ShellObjectEntry entry, const wchar_t* label);

    RegistryStore& store_;
    Platform& platform_;
    // Icons added during the refresh under way, by location text.
    IconCache iconCache_;
};

} // namespace vs
