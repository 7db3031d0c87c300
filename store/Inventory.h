#pragma once
// The inventory of installed objects: scans the eight places, reads one class record per
// class identifier and turns every listed registration into an entry and a row. A refresh
// reads everything; an update reads again only the places and class records that changed
// and tells which rows stayed. It knows nothing of how rows are shown.

#include "InventoryRow.h"
#include "NamespaceLocation.h"
#include "RegKey.h"
#include "Platform.h"
#include "RegistryStore.h"
#include "RegistryWatch.h"
#include "ShellObjectEntry.h"
#include "ShellObjectInfo.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vs {

class Inventory {
public:
    Inventory(RegistryStore& store, Platform& platform) : store_(store), platform_(platform) {}

    // Rebuilds clsidMap, entries and rows from the registry. Reads only.
    void Refresh();
    // A refresh (of an inventory read on another thread) ends early once *stop is true,
    // after the key or class record it is at; what it read then is only to be thrown away.
    void StopWhen(const std::atomic<bool>* stop) { stop_ = stop; }
    // Takes over what other read over the same store and platform (on another thread, say),
    // as if this inventory had been refreshed then; other is left empty.
    void TakeOver(Inventory&& other);

    // What an update did to the rows: for each row before it, the index of the same row
    // after it, or kGone when that row went or shows something else now.
    struct RowChanges {
        static constexpr std::size_t kGone = static_cast<std::size_t>(-1);
        std::vector<std::size_t> nowIndexOf;
        // Some row went, came or moved.
        bool any = false;
    };
    // Brings clsidMap, entries and rows to what Refresh would make of the registry as it is
    // now, when only what parts names changed since the last refresh or update: scans the
    // changed places again, reads the class records that are new, met first in another
    // place now or (for parts.classes) all of them. Records keep their addresses. Reads only.
    RowChanges Update(const ChangedParts& parts);
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
    // The row of an entry of a place; whether its desktop icon is hidden is read, or taken
    // from kept, the row it had, when given.
    InventoryRow RowOf(const ShellObjectEntry& entry, int placeIndex, const InventoryRow* kept = nullptr);
    // Drops the records no place uses, and reads again those whose first place moved and,
    // when asked, every one not read in this update; sets every use count.
    void SettleRecords(bool readAll);

    bool Stopped() const { return stop_ && stop_->load(); }

    RegistryStore& store_;
    Platform& platform_;
    const std::atomic<bool>* stop_ = nullptr;
    // Per scope (this user, all users): the key, once its open was tried.
    std::optional<RegKey> hiddenIcons_[2];
    // Where each place's entries begin in entries and in unlisted (and the ends, at
    // kPlaceCount).
    std::array<std::size_t, kPlaceCount + 1> placeBegin_{};
    std::array<std::size_t, kPlaceCount + 1> unlistedBegin_{};
    // How many candidate keys of each place use a record, and how the first of them spells
    // the class identifier (a record takes the spelling of the first key met).
    struct PlaceUses {
        std::array<std::int32_t, kPlaceCount> count{};
        std::array<std::wstring, kPlaceCount> spelling;
    };
    std::unordered_map<const ShellObjectInfo*, PlaceUses> placeUses_;
    // The records read in the current refresh or update.
    std::unordered_set<const ShellObjectInfo*> readNow_;
};

} // namespace vs
