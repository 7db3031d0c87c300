#pragma once
// One NameSpace registration as listed: where its entry key stands, which class record
// it shares, and whether it carries the marker or is hidden. The operations move, copy,
// hide and delete the entry key; the entry itself is stale afterwards until the next
// refresh.

#include "RegistryStore.h"
#include "ShellObjectInfo.h"

#include <string>

namespace vs {

struct ShellObjectEntry {
    KeyHandle hive = nullptr;
    std::wstring parentPath;
    std::wstring keyName;
    ShellObjectInfo* info = nullptr;
    bool hasMarker = false;
    bool hidden = false;

    // Deletes the entry key (not its subkeys); the deletion of a marked entry lowers its
    // record's use count, which at the last use deletes the class key too.
    void Delete(RegistryStore& store) const;
    // Renames the entry key to "hidden" + its name (or back): a complete copy under the new
    // name, then the original tree is deleted.
    void Hide(RegistryStore& store) const;
    void Unhide(RegistryStore& store) const;
    // Copies the entry key with its tree below targetPath; false when the copy is refused
    // or incomplete (what was copied stays).
    [[nodiscard]] bool CopyTo(RegistryStore& store, KeyHandle targetHive,
                              const std::wstring& targetPath) const;
    // CopyTo, then deletes the source tree once the copy is complete.
    [[nodiscard]] bool MoveTo(RegistryStore& store, KeyHandle targetHive,
                              const std::wstring& targetPath) const;
    std::wstring GetName() const;
};

} // namespace vs
