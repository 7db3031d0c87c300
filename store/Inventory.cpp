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

} // namespace

void Inventory::Refresh() {
    rows.clear();
    entries.clear();
    unlisted.clear();
    clsidMap.clear();
    rowCount = 0;
    for (const NamespaceLocation& place : NamespaceLocations())
        ScanNamespaceKey(place.index, std::wstring(), place.hive, place.nameSpacePath);
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
    while (!stack.empty()) {
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
            if (record != clsidMap.end())
                ++record->second.useCount;
            else
                record = clsidMap.emplace(clsid, ShellObjectInfo::Read(store_, platform_, placeIndex, clsid))
                             .first;

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
    ShellObjectInfo& info = *entry.info;
    InventoryRow row{info.name, placeIndex, info.target, info.description, entry.hidden, std::nullopt, &info};
    if (info.hasIconLocation)
        row.iconLocation = info.iconLocation;
    row.desktopIconHidden = DesktopIconHiddenIn(store_, HiddenIconsKey(placeIndex), info.clsid);
    entries.push_back(std::move(entry));
    rows.push_back(std::move(row));
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
