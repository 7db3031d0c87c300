#include "ShellObjectEntry.h"

#include "RegKey.h"

namespace vs {

namespace {

constexpr std::size_t kHiddenPrefixLength = 6; // "hidden"

std::wstring JoinPath(const std::wstring& parent, const std::wstring& name) {
    return parent.empty() ? name : parent + L"\\" + name;
}

// Copies the entry key to a sibling named newName and removes the original, the whole
// tree, but only once the copy is complete: an incomplete copy leaves the source as it
// was, so nothing is lost either way.
void RenameEntryKey(RegistryStore& store, const ShellObjectEntry& entry, const std::wstring& newName) {
    RegKey source(store);
    if (source.Open(entry.hive, JoinPath(entry.parentPath, entry.keyName)) != kOk)
        return;
    RegKey parent(store);
    if (parent.Open(entry.hive, entry.parentPath) != kOk)
        return;
    const Status copied = CopyKeyTree(store, source.Get(), parent.Get(), newName.c_str());
    source.Close();
    if (copied == kOk)
        (void)parent.DeleteTree(entry.keyName.c_str());
}

// Whether the key path `key` is `path` itself or one of its ancestors.
bool IsSameOrAncestor(std::wstring_view key, std::wstring_view path) {
    if (path.size() < key.size() || !NamesEqual(path.substr(0, key.size()), key))
        return false;
    return path.size() == key.size() || path[key.size()] == L'\\';
}

} // namespace

void ShellObjectEntry::Delete(RegistryStore& store) const {
    RegKey parent(store);
    if (parent.Open(hive, parentPath) != kOk)
        return;
    const Status deleted = store.DeleteKey(parent.Get(), keyName.c_str());
    // The class key goes only with the entry key: an entry key that stays must not be
    // left naming a class that no longer exists. A key someone else removed already is
    // gone all the same; keeping the class for it would leave the class key behind for
    // ever, with no row left to delete it from. "Not found" counts only when the key
    // really does not open.
    bool gone = deleted == kOk;
    if (deleted == kFileNotFound) {
        RegKey entryKey(store);
        gone = entryKey.Open(parent.Get(), keyName) == kFileNotFound;
    }
    parent.Close();
    if (gone && hasMarker && info)
        info->Release();
}

void ShellObjectEntry::Hide(RegistryStore& store) const {
    if (hidden)
        return;
    RenameEntryKey(store, *this, L"hidden" + keyName);
}

void ShellObjectEntry::Unhide(RegistryStore& store) const {
    if (!hidden || keyName.size() <= kHiddenPrefixLength)
        return;
    RenameEntryKey(store, *this, keyName.substr(kHiddenPrefixLength));
}

bool ShellObjectEntry::CopyTo(RegistryStore& store, KeyHandle targetHive,
                              const std::wstring& targetPath) const {
    // The entry's own place is refused, in any letter case (registry paths ignore it), and
    // so is a place where the copy would land on a key that holds the entry (an entry
    // nested below a key of its own name): copying a tree into itself overwrites it, and
    // MoveTo would then delete part of the only copy.
    if (targetHive == hive && IsSameOrAncestor(JoinPath(targetPath, keyName), JoinPath(parentPath, keyName)))
        return false;
    RegKey source(store);
    if (source.Open(hive, JoinPath(parentPath, keyName)) != kOk)
        return false;
    RegKey target(store);
    if (target.Create(targetHive, targetPath) != kOk)
        return false;
    return CopyKeyTree(store, source.Get(), target.Get(), keyName.c_str()) == kOk;
}

bool ShellObjectEntry::MoveTo(RegistryStore& store, KeyHandle targetHive,
                              const std::wstring& targetPath) const {
    if (!CopyTo(store, targetHive, targetPath))
        return false;
    RegKey parent(store);
    if (parent.Open(hive, parentPath) != kOk)
        return false;
    // The copy is complete, so the whole source tree can go.
    (void)parent.DeleteTree(keyName.c_str());
    return true;
}

std::wstring ShellObjectEntry::GetName() const {
    return info ? info->name : std::wstring();
}

} // namespace vs
