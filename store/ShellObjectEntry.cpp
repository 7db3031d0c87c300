#include "ShellObjectEntry.h"

#include "ClassRoots.h"
#include "NamespaceLocation.h"
#include "RegKey.h"

#include <optional>
#include <vector>

namespace vs {

namespace {

constexpr std::size_t kHiddenPrefixLength = 6; // "hidden"

std::wstring JoinPath(const std::wstring& parent, const std::wstring& name) {
    return parent.empty() ? name : parent + L"\\" + name;
}

// Whether the key path `key` is `path` itself or one of its ancestors.
bool IsSameOrAncestor(std::wstring_view key, std::wstring_view path) {
    if (path.size() < key.size() || !NamesEqual(path.substr(0, key.size()), key))
        return false;
    return path.size() == key.size() || path[key.size()] == L'\\';
}

// Whether a key stands at path below hive. A key that fails to open for any other reason
// than being absent counts as standing: it must never be taken for one of our own.
bool KeyExists(RegistryStore& store, KeyHandle hive, const std::wstring& path) {
    RegKey key(store);
    return key.Open(hive, path) != kFileNotFound;
}

// The number of keys in the tree at path below hive, the key itself included; nothing
// when any of them could not be read. A delete that failed part-way leaves fewer.
std::optional<std::size_t> CountKeys(RegistryStore& store, KeyHandle hive, const std::wstring& path) {
    constexpr std::uint32_t kNameCapacity = 256;
    std::vector<RegKey> pending;
    pending.emplace_back(store);
    if (pending.back().Open(hive, path) != kOk)
        return std::nullopt;
    std::size_t count = 0;
    wchar_t name[kNameCapacity];
    while (!pending.empty()) {
        RegKey key = std::move(pending.back());
        pending.pop_back();
        ++count;
        for (std::uint32_t index = 0;; ++index) {
            std::uint32_t capacity = kNameCapacity;
            const Status status = store.EnumKey(key.Get(), index, name, &capacity);
            if (status == kNoMoreItems)
                break;
            RegKey child(store);
            if (status != kOk || child.Open(key.Get(), name) != kOk)
                return std::nullopt;
            pending.push_back(std::move(child));
        }
    }
    return count;
}

// Copies the entry key to name below destPath in destHive. A copy that fails removes the
// key it created again; a key that stood there before (existed) keeps what it had and got.
Status CopyEntryKey(RegistryStore& store, const ShellObjectEntry& entry, KeyHandle destHive,
                    const std::wstring& destPath, const std::wstring& name, bool existed) {
    RegKey source(store);
    if (Status status = source.Open(entry.hive, JoinPath(entry.parentPath, entry.keyName)); status != kOk)
        return status;
    RegKey dest(store);
    if (Status status = dest.Create(destHive, destPath); status != kOk)
        return status;
    const Status copied = CopyKeyTree(store, source.Get(), dest.Get(), name.c_str());
    if (copied != kOk && !existed)
        (void)dest.DeleteTree(name.c_str()); // the partial copy goes; the source is whole
    return copied;
}

// Copies the entry key, then removes the source. When the source cannot be removed and
// still stands whole, a copy of its own goes again, so that the registry is as before.
// sourceBroken tells a removal that failed part-way: the copy is then the only whole one.
Status RelocateEntryKey(RegistryStore& store, const ShellObjectEntry& entry, KeyHandle destHive,
                        const std::wstring& destPath, const std::wstring& name,
                        bool* sourceBroken = nullptr) {
    const std::wstring sourcePath = JoinPath(entry.parentPath, entry.keyName);
    const bool existed = KeyExists(store, destHive, JoinPath(destPath, name));
    if (Status status = CopyEntryKey(store, entry, destHive, destPath, name, existed); status != kOk)
        return status;
    const std::optional<std::size_t> sourceKeys = CountKeys(store, entry.hive, sourcePath);
    RegKey parent(store);
    Status removed = parent.Open(entry.hive, entry.parentPath, kKeyReadWrite);
    if (removed == kOk)
        removed = parent.DeleteTree(entry.keyName.c_str()); // the copy is complete
    if (removed == kOk)
        return kOk;
    const bool whole = sourceKeys && CountKeys(store, entry.hive, sourcePath) == sourceKeys;
    if (sourceBroken)
        *sourceBroken = !whole;
    if (whole && !existed) {
        RegKey dest(store);
        if (dest.Open(destHive, destPath, kKeyReadWrite) == kOk)
            (void)dest.DeleteTree(name.c_str()); // the source holds everything it held
    }
    return removed;
}

// Removes the machine's copy of a class key made for an entry, and its 32-bit copy.
void RemoveMachineClass(RegistryStore& store, const std::wstring& clsid, bool with32Bit) {
    for (const wchar_t* path : {kClassesPath, kClasses32Path}) {
        RegKey classes(store);
        if ((path == kClassesPath || with32Bit) && classes.Open(LocalMachine(), path, kKeyReadWrite) == kOk)
            (void)classes.DeleteTree(clsid.c_str());
    }
}

// Other users see an all-users entry only through a class key in the machine's classes,
// so the class key of a per-user object goes there first, with its 32-bit copy when it
// has one, unless the machine has one of its own already (which is left as it is). Both
// go whole or not at all; created tells whether the copy made it, with32Bit whether it
// took the 32-bit copy along.
Status CopyClassToMachine(RegistryStore& store, const ShellObjectInfo& info, bool& created, bool& with32Bit) {
    created = with32Bit = false;
    if (KeyExists(store, LocalMachine(), ClassKeyPath(info.clsid)))
        return kOk;
    with32Bit = info.Has32BitCopy() && !KeyExists(store, LocalMachine(), Class32KeyPath(info.clsid));
    Status status = kOk;
    auto copyInto = [&](const wchar_t* path, KeyHandle source) {
        RegKey classes(store);
        if (status == kOk)
            status = classes.Create(LocalMachine(), path);
        if (status == kOk)
            status = CopyKeyTree(store, source, classes.Get(), info.clsid.c_str());
    };
    copyInto(kClassesPath, info.Key());
    if (with32Bit) {
        RegKey copy(store);
        if (status == kOk)
            status = copy.Open(info.classesHive, Class32KeyPath(info.clsid));
        if (status == kOk)
            copyInto(kClasses32Path, copy.Get());
    }
    created = status == kOk;
    if (!created)
        RemoveMachineClass(store, info.clsid, with32Bit); // the partial copies go
    return status;
}

// CopyTo and MoveTo: the class key where other users need it, then the entry key.
bool TransferEntry(RegistryStore& store, const ShellObjectEntry& entry, KeyHandle targetHive,
                   const std::wstring& targetPath, bool move, Failures& failures) {
    // The entry's own place is refused, in any letter case (registry paths ignore it), and
    // so is a place where the copy would land on a key that holds the entry (an entry
    // nested below a key of its own name): copying a tree into itself overwrites it, and a
    // move would then delete part of the only copy.
    const std::wstring targetKey = JoinPath(targetPath, entry.keyName);
    if (targetHive == entry.hive && IsSameOrAncestor(targetKey, JoinPath(entry.parentPath, entry.keyName)))
        return false;
    const Failure failure{move ? Action::MoveTo : Action::CopyTo, entry.GetName(),
                          PlaceIndexOf(targetHive, targetPath), kOk};
    auto fail = [&](Status status) {
        failures.push_back(failure);
        failures.back().status = status;
        return false;
    };
    // An entry key that is gone or does not open is copied nowhere, and nothing is written
    // for it: not even the class key, whose removal could fail and leave it behind.
    RegKey source(store);
    if (Status status = source.Open(entry.hive, JoinPath(entry.parentPath, entry.keyName)); status != kOk)
        return fail(status);
    source.Close();
    bool classCopied = false;
    bool with32Bit = false;
    bool sourceBroken = false;
    if (targetHive == LocalMachine() && entry.info && entry.info->IsOpen() &&
        entry.info->classesHive == CurrentUser()) {
        if (Status status = CopyClassToMachine(store, *entry.info, classCopied, with32Bit); status != kOk)
            return fail(status);
    }
    const Status status =
        move ? RelocateEntryKey(store, entry, targetHive, targetPath, entry.keyName, &sourceBroken)
             : CopyEntryKey(store, entry, targetHive, targetPath, entry.keyName,
                            KeyExists(store, targetHive, targetKey));
    if (status == kOk)
        return true;
    // The class key copied for the entry goes again, unless a move that broke its source
    // off part-way left the copy as the one whole entry.
    if (classCopied && !sourceBroken)
        RemoveMachineClass(store, entry.info->clsid, with32Bit);
    return fail(status);
}

} // namespace

void ShellObjectEntry::Delete(RegistryStore& store, Failures& failures) const {
    RegKey parent(store);
    Status status = parent.Open(hive, parentPath, kKeyReadWrite);
    if (status == kOk)
        status = store.DeleteKey(parent.Get(), keyName.c_str());
    parent.Close();
    // A key someone else removed already is gone all the same; keeping the class for it
    // would leave the class key behind for ever, with no row left to delete it from.
    // "Not found" counts only when the key really does not open.
    if (status == kFileNotFound) {
        RegKey entryKey(store);
        if (entryKey.Open(hive, JoinPath(parentPath, keyName)) == kFileNotFound)
            status = kOk;
    }
    if (status != kOk) {
        failures.push_back({Action::Delete, GetName(), PlaceIndex(), status});
        return;
    }
    // The class key goes only with the entry key: an entry key that stays must not be
    // left naming a class that no longer exists.
    if (!hasMarker || !info)
        return;
    if (const Status released = info->Release(); released != kOk)
        failures.push_back({Action::Delete, GetName(), ClassesPlace(info->classesHive), released});
}

void ShellObjectEntry::Hide(RegistryStore& store, Failures& failures) const {
    if (hidden)
        return;
    if (Status status = RelocateEntryKey(store, *this, hive, parentPath, L"hidden" + keyName); status != kOk)
        failures.push_back({Action::Hide, GetName(), PlaceIndex(), status});
}

void ShellObjectEntry::Unhide(RegistryStore& store, Failures& failures) const {
    if (!hidden || keyName.size() <= kHiddenPrefixLength)
        return;
    const std::wstring shown = keyName.substr(kHiddenPrefixLength);
    if (Status status = RelocateEntryKey(store, *this, hive, parentPath, shown); status != kOk)
        failures.push_back({Action::Unhide, GetName(), PlaceIndex(), status});
}

bool ShellObjectEntry::CopyTo(RegistryStore& store, KeyHandle targetHive, const std::wstring& targetPath,
                              Failures& failures) const {
    return TransferEntry(store, *this, targetHive, targetPath, false, failures);
}

bool ShellObjectEntry::MoveTo(RegistryStore& store, KeyHandle targetHive, const std::wstring& targetPath,
                              Failures& failures) const {
    return TransferEntry(store, *this, targetHive, targetPath, true, failures);
}

std::wstring ShellObjectEntry::GetName() const {
    return info ? info->name : std::wstring();
}

int ShellObjectEntry::PlaceIndex() const {
    return PlaceIndexOf(hive, parentPath);
}

} // namespace vs
