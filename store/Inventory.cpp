#include "Inventory.h"

#include "NamespaceLocation.h"
#include "RegKey.h"

#include <utility>

namespace vs {

namespace {

constexpr std::uint32_t kNameCapacity = 50;    // subkey names of 50 units or more are skipped
constexpr std::uint32_t kMarkerCapacity = 300; // characters, the NUL included
constexpr wchar_t kMarkerValue[] = L"SearchHelper";
constexpr int kColumnCount = 4;
constexpr int kDescriptionColumn = 3;

wchar_t FoldAscii(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool StartsWith(const std::wstring& text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && std::wstring_view(text).substr(0, prefix.size()) == prefix;
}

} // namespace

bool ClsidLess::operator()(const std::wstring& a, const std::wstring& b) const {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const wchar_t x = FoldAscii(a[i]);
        const wchar_t y = FoldAscii(b[i]);
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

void Inventory::RefreshList(InventoryView& view) {
    view.LockDrawing(true);
    view.ResetImageList(static_cast<int>(clsidMap.size()) + 1);
    view.DeleteAllRows();
    view.AttachImageList();

    entries.clear();
    clsidMap.clear();
    iconCache_.clear();
    rowCount = 0;
    noDescriptions = true;

    for (const NamespaceLocation& place : NamespaceLocations())
        ScanNamespaceKey(view, place.index, place.label, std::wstring(), place.hive, place.nameSpacePath);
    iconCache_.clear();

    for (int column = 0; column < kColumnCount; ++column) {
        if (column != kDescriptionColumn || !noDescriptions)
            view.AutosizeColumn(column);
    }
    view.LockDrawing(false);
    view.EnableDeleteButton(view.SelectedCount() != 0);
}

// The walk keeps one frame per open key on the heap instead of recursing, so the
// registry's deepest trees (512 levels) cannot exhaust the stack; the order is that of
// the recursive walk: each listed entry directly followed by its own subtree.
void Inventory::ScanNamespaceKey(InventoryView& view, int placeIndex, const wchar_t* label,
                                 const std::wstring& parentPath, KeyHandle parentKey,
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
            auto record = clsidMap.find(clsid);
            if (record != clsidMap.end()) {
                ++record->second.useCount;
            } else {
                record = clsidMap.emplace(clsid, ShellObjectInfo::Read(store_, platform_, placeIndex, clsid))
                             .first;
                // The image list keeps its own copy of the icon.
                if (IconHandle icon = record->second.LoadIcon(view, &iconCache_))
                    platform_.DestroyIcon(icon);
            }
            ShellObjectInfo& info = record->second;

            const bool hasMarker = childKey.ReadString(kMarkerValue, kMarkerCapacity).status == kOk;
            if (!hasMarker && !expertMode)
                continue;
            ListEntry(view, ShellObjectEntry{hive, path, child, &info, hasMarker, hidden}, label);
        }

        path += L'\\';
        path += child;
        stack.push_back(Frame{std::move(childKey), path.size(), 0});
    }
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

void Inventory::ListEntry(InventoryView& view, ShellObjectEntry entry, const wchar_t* label) {
    const ShellObjectInfo& info = *entry.info;
    entries.push_back(std::move(entry));
    const int row = view.InsertRow(info.name, info.imageIndex);
    if (row >= 0) {
        view.SetCellText(row, 1, label);
        view.SetCellText(row, 2, info.target);
        view.SetItemData(row, rowCount);
    }
    if (!info.description.empty()) {
        noDescriptions = false;
        if (row >= 0)
            view.SetCellText(row, kDescriptionColumn, info.description);
    }
    ++rowCount;
}

ShellObjectEntry* Inventory::EntryAt(std::intptr_t itemData) {
    if (itemData < 0 || static_cast<std::size_t>(itemData) >= entries.size())
        return nullptr;
    return &entries[static_cast<std::size_t>(itemData)];
}

} // namespace vs
