#pragma once
// The inventory of installed objects: scans the eight places, reads one class record per
// class identifier and turns every listed registration into an entry and a row. It keeps
// nothing between refreshes and knows nothing of how rows are shown.

#include "InventoryRow.h"
#include "RegKey.h"
#include "Platform.h"
#include "RegistryStore.h"
#include "ShellObjectEntry.h"
#include "ShellObjectInfo.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vs {

class Inventory {
public:
    Inventory(RegistryStore& store, Platform& platform) : store_(store), platform_(platform) {}

    // Rebuilds clsidMap, entries and rows from the registry. Reads only.
    void Refresh();
    // Scans keyName below parentKey (parentPath is parentKey's path below the hive).
    void ScanNamespaceKey(int placeIndex, const std::wstring& parentPath, KeyHandle parentKey,
                          const std::wstring& keyName);

    // The entry with this index (a row's index in rows), or null when the index names none.
    ShellObjectEntry* EntryAt(std::intptr_t index);

    RegistryStore& Store() const { return store_; }
    Platform& PlatformServices() const { return platform_; }

    // One record per class identifier met in the refresh, also for entries left out in
    // normal mode. std::map keeps records in place while others are inserted: entries and
    // rows point at them.
    std::map<std::wstring, ShellObjectInfo, NameLess> clsidMap;
    // The listed registrations in scan order: places in index order, each key directly
    // followed by the keys below it. rows[i] shows entries[i].
    std::vector<ShellObjectEntry> entries;
    std::vector<InventoryRow> rows;
    // The registrations normal mode leaves out (no marker), in scan order; empty in expert
    // mode, where entries holds them. The check for problems looks at both.
    std::vector<ShellObjectEntry> unlisted;
    std::int32_t rowCount = 0;
    // Lists unmarked registrations too.
    std::int32_t expertMode = 0;

private:
    // Whether the subkey at index has a name of 50 units or more.
    bool NameTooLong(KeyHandle key, std::uint32_t index);
    // Appends the entry and its row.
    void ListEntry(ShellObjectEntry entry, int placeIndex);
    // The HideDesktopIcons\NewStartPanel key of a place's scope, opened for reading once
    // per scan; null when it does not open.
    KeyHandle HiddenIconsKey(int placeIndex);

    RegistryStore& store_;
    Platform& platform_;
    // Per scope (this user, all users): the key, once its open was tried.
    std::optional<RegKey> hiddenIcons_[2];
};

} // namespace vs
