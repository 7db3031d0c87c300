#include "Inventory.h"

#include "DesktopIcon.h"
#include "NamespaceLocation.h"

#include <utility>

namespace vs {

namespace {

constexpr std::uint32_t kNameCapacity = 50;    // subkey names of 50 units or more are skipped
constexpr std::uint32_t kMarkerCapacity = 300; // characters, the NUL included
constexpr wchar_t kMarkerValue[] = L"SearchHelper";

bool StartsWith(const std::wstring& text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && std::wstring_view(text).substr(0, prefix.size()) == prefix;
}

bool SameRow(const InventoryRow& a, const InventoryRow& b) {
    return a.name == b.name && a.placeIndex == b.placeIndex && a.target == b.target &&
           a.description == b.description && a.hidden == b.hidden && a.iconLocation == b.iconLocation &&
           a.desktopIconHidden == b.desktopIconHidden && a.info == b.info;
}

std::wstring EntryPath(const ShellObjectEntry& entry) {
    return entry.parentPath + L"\\" + entry.keyName;
}

} // namespace

InventoryRow Inventory::RowOf(const ShellObjectEntry& entry, int placeIndex, const InventoryRow* kept) {
    ShellObjectInfo& info = *entry.info;
    InventoryRow row{info.name, placeIndex, info.target, info.description, entry.hidden, std::nullopt, &info};
    if (info.hasIconLocation)
        row.iconLocation = info.iconLocation;
    row.desktopIconHidden =
        kept ? kept->desktopIconHidden : DesktopIconHiddenIn(store_, HiddenIconsKey(placeIndex), info.clsid);
    return row;
}

void Inventory::Refresh() {
    rows.clear();
    entries.clear();
    unlisted.clear();
    clsidMap.clear();
    placeUses_.clear();
    readNow_.clear();
    rowCount = 0;
    for (const NamespaceLocation& place : NamespaceLocations()) {
        placeBegin_[static_cast<std::size_t>(place.index)] = entries.size();
        unlistedBegin_[static_cast<std::size_t>(place.index)] = unlisted.size();
        if (!Stopped())
            ScanNamespaceKey(place.index, std::wstring(), place.hive, place.nameSpacePath);
    }
    placeBegin_[kPlaceCount] = entries.size();
    unlistedBegin_[kPlaceCount] = unlisted.size();
}

void Inventory::TakeOver(Inventory&& other) {
    // The records move with their map nodes: entries and rows still point at them.
    clsidMap = std::move(other.clsidMap);
    entries = std::move(other.entries);
    rows = std::move(other.rows);
    unlisted = std::move(other.unlisted);
    rowCount = std::exchange(other.rowCount, 0);
    expertMode = other.expertMode;
    placeBegin_ = std::exchange(other.placeBegin_, {});
    unlistedBegin_ = std::exchange(other.unlistedBegin_, {});
    placeUses_ = std::move(other.placeUses_);
    readNow_.clear();
    other.clsidMap.clear();
    other.entries.clear();
    other.rows.clear();
    other.unlisted.clear();
    other.placeUses_.clear();
}

Inventory::RowChanges Inventory::Update(const ChangedParts& parts) {
    std::vector<ShellObjectEntry> before = std::move(entries);
    std::vector<InventoryRow> rowsBefore = std::move(rows);
    const std::vector<ShellObjectEntry> unlistedBefore = std::move(unlisted);
    const auto beginBefore = placeBegin_;
    const auto unlistedBeginBefore = unlistedBegin_;
    unlisted.clear();
    entries.clear();
    rows.clear();
    readNow_.clear();
    for (auto& [record, uses] : placeUses_) {
        for (int place = 0; place < kPlaceCount; ++place) {
            if (parts.HasPlace(place))
                uses.count[static_cast<std::size_t>(place)] = 0;
        }
    }
    for (const NamespaceLocation& place : NamespaceLocations()) {
        const auto at = static_cast<std::size_t>(place.index);
        placeBegin_[at] = entries.size();
        unlistedBegin_[at] = unlisted.size();
        if (parts.HasPlace(place.index)) {
            ScanNamespaceKey(place.index, std::wstring(), place.hive, place.nameSpacePath);
            continue;
        }
        auto keep = [at](const std::vector<ShellObjectEntry>& from, const auto& begin,
                         std::vector<ShellObjectEntry>& to) {
            to.insert(to.end(), from.begin() + static_cast<std::ptrdiff_t>(begin[at]),
                      from.begin() + static_cast<std::ptrdiff_t>(begin[at + 1]));
        };
        keep(before, beginBefore, entries);
        keep(unlistedBefore, unlistedBeginBefore, unlisted);
    }
    placeBegin_[kPlaceCount] = entries.size();
    unlistedBegin_[kPlaceCount] = unlisted.size();
    SettleRecords(parts.classes);

    // The rows show the records as they are now.
    rows.clear();
    rowCount = 0;
    for (int place = 0; place < kPlaceCount; ++place) {
        for (std::size_t i = placeBegin_[static_cast<std::size_t>(place)];
             i < placeBegin_[static_cast<std::size_t>(place) + 1]; ++i) {
            // A row of a place not scanned again keeps what it read of its scope.
            const bool keep = !parts.HasPlace(place) && !parts.desktopIcons;
            rows.push_back(RowOf(entries[i], place,
                                 keep ? &rowsBefore[beginBefore[static_cast<std::size_t>(place)] + i -
                                                    placeBegin_[static_cast<std::size_t>(place)]]
                                      : nullptr));
            ++rowCount;
        }
    }

    for (std::optional<RegKey>& key : hiddenIcons_)
        key.reset();

    RowChanges changes;
    changes.nowIndexOf.assign(before.size(), RowChanges::kGone);
    changes.any = before.size() != entries.size();
    for (int place = 0; place < kPlaceCount; ++place) {
        const auto at = static_cast<std::size_t>(place);
        std::unordered_map<std::wstring, std::size_t> scanned;
        if (parts.HasPlace(place)) {
            for (std::size_t i = placeBegin_[at]; i < placeBegin_[at + 1]; ++i)
                scanned.emplace(EntryPath(entries[i]), i);
        }
        for (std::size_t old = beginBefore[at]; old < beginBefore[at + 1]; ++old) {
            std::size_t now = placeBegin_[at] + (old - beginBefore[at]);
            if (parts.HasPlace(place)) {
                const auto found = scanned.find(EntryPath(before[old]));
                now = found == scanned.end() ? RowChanges::kGone : found->second;
            }
            const bool same = now != RowChanges::kGone && SameRow(rowsBefore[old], rows[now]) &&
                              before[old].hasMarker == entries[now].hasMarker;
            changes.nowIndexOf[old] = same ? now : RowChanges::kGone;
            changes.any = changes.any || !same || now != old;
        }
    }
    return changes;
}

void Inventory::SettleRecords(bool readAll) {
    for (auto record = clsidMap.begin(), next = record; record != clsidMap.end(); record = next) {
        ++next;
        ShellObjectInfo& info = record->second;
        const auto uses = placeUses_.find(&info);
        int first = -1;
        std::int32_t count = 0;
        for (int place = 0; uses != placeUses_.end() && place < kPlaceCount; ++place) {
            const std::int32_t n = uses->second.count[static_cast<std::size_t>(place)];
            count += n;
            if (n > 0 && first < 0)
                first = place;
        }
        if (count == 0) {
            if (uses != placeUses_.end())
                placeUses_.erase(uses);
            clsidMap.erase(record);
            continue;
        }
        const std::wstring& spelling = uses->second.spelling[static_cast<std::size_t>(first)];
        if (spelling != record->first) {
            // The same record under the key's new spelling; its address stays.
            auto node = clsidMap.extract(record);
            node.key() = spelling;
            clsidMap.insert(std::move(node));
            info.placeIndex = -1;
        }
        if (info.placeIndex != first || (readAll && !readNow_.count(&info)))
            info = ShellObjectInfo::Read(store_, platform_, first, spelling);
        info.useCount = count;
    }
}

// The walk keeps one frame per open key on the heap instead of recursing, so the
// registry's deepest trees (512 levels) cannot exhaust the stack; the order is that of
// the recursive walk: each listed entry directly followed by its own subtree.
void Inventory::ScanNamespaceKey(int placeIndex, const std::wstring& parentPath, KeyHandle parentKey,
                                 const std::wstring& keyName) {
    struct Frame {
        RegKey key;
        std::size_t pathLength; // of `path` while this key is the one enumerated
        std::uint32_t nextIndex;
    };
    RegKey top(store_);
    if (top.Open(parentKey, keyName) != kOk)
        return;
    const KeyHandle hive = placeIndex < 4 ? CurrentUser() : LocalMachine();
    std::wstring path = parentPath.empty() ? keyName : parentPath + L"\\" + keyName;
    std::vector<Frame> stack;
    stack.push_back(Frame{std::move(top), path.size(), 0});

    wchar_t name[kNameCapacity];
    while (!stack.empty() && !Stopped()) {
        Frame& current = stack.back();
        path.resize(current.pathLength);
        std::uint32_t capacity = kNameCapacity;
        const Status status = store_.EnumKey(current.key.Get(), current.nextIndex, name, &capacity);
        ++current.nextIndex;
        if (status == kMoreData && NameTooLong(current.key.Get(), current.nextIndex - 1))
            continue; // skipped with its subtree
        if (status != kOk) {
            // The end, or a key that can no longer be enumerated (deleted, invalid):
            // retrying further indexes would never end.
            stack.pop_back();
            continue;
        }
        const std::wstring child(name);
        RegKey childKey(store_);
        if (childKey.Open(current.key.Get(), child) != kOk)
            continue;

        const bool hidden = StartsWith(child, L"hidden{");
        if (hidden || StartsWith(child, L"{")) {
            const std::wstring clsid = hidden ? child.substr(6) : child;
            // Every candidate key counts a use, also one that normal mode leaves out.
            auto record = clsidMap.find(clsid);
            if (record != clsidMap.end()) {
                ++record->second.useCount;
            } else {
                record = clsidMap.emplace(clsid, ShellObjectInfo::Read(store_, platform_, placeIndex, clsid))
                             .first;
                readNow_.insert(&record->second);
            }
            if (placeIndex >= 0 && placeIndex < kPlaceCount) {
                PlaceUses& uses = placeUses_[&record->second];
                const auto place = static_cast<std::size_t>(placeIndex);
                if (uses.count[place]++ == 0)
                    uses.spelling[place] = clsid;
            }

            const bool hasMarker = childKey.ReadString(kMarkerValue, kMarkerCapacity).status == kOk;
            ShellObjectEntry entry{hive, path, child, &record->second, hasMarker, hidden};
            if (!hasMarker && !expertMode) {
                unlisted.push_back(std::move(entry));
                continue;
            }
            ListEntry(std::move(entry), placeIndex);
        }

        path += L'\\';
        path += child;
        stack.push_back(Frame{std::move(childKey), path.size(), 0});
    }
    // No key stays open between scans.
    for (std::optional<RegKey>& key : hiddenIcons_)
        key.reset();
}

// A name of 50 units or more is skipped. Whether that is what a short buffer met is asked
// once more with room for any key name, so that a key answering every index with "more
// data" cannot keep the scan going for ever.
bool Inventory::NameTooLong(KeyHandle key, std::uint32_t index) {
    constexpr std::uint32_t kAnyKeyName = 256;
    wchar_t name[kAnyKeyName];
    std::uint32_t capacity = kAnyKeyName;
    return store_.EnumKey(key, index, name, &capacity) == kOk;
}

void Inventory::ListEntry(ShellObjectEntry entry, int placeIndex) {
    rows.push_back(RowOf(entry, placeIndex));
    entries.push_back(std::move(entry));
    ++rowCount;
}

KeyHandle Inventory::HiddenIconsKey(int placeIndex) {
    std::optional<RegKey>& key = hiddenIcons_[placeIndex < 4 ? 0 : 1];
    if (!key) {
        key.emplace(store_);
        (void)key->Open(ScopeHive(placeIndex), kHideDesktopIconsPath, kKeyRead); // missing: nothing hidden
    }
    return key->Get();
}

ShellObjectEntry* Inventory::EntryAt(std::intptr_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= entries.size())
        return nullptr;
    return &entries[static_cast<std::size_t>(index)];
}

} // namespace vs
