#pragma once
// One NameSpace registration as listed: where its entry key stands, which class record
// it shares, and whether it carries the marker or is hidden. The operations move, copy,
// hide and delete the entry key; the entry itself is stale afterwards until the next
// refresh. Each operation either does all it means to or leaves the registry as it was
// wherever it can, and adds what it could not do to failures.

#include "Failure.h"
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

    // Each operation adds what it could not do to failures.
    // Deletes the entry key (not its subkeys); the deletion of a marked entry lowers its
    // record's use count, which at the last use deletes the class key too.
    void Delete(RegistryStore& store, Failures& failures) const;
    // Renames the entry key to "hidden" + its name (or back): a complete copy under the new
    // name, then the original tree is deleted.
    void Hide(RegistryStore& store, Failures& failures) const;
    void Unhide(RegistryStore& store, Failures& failures) const;
    // Copies the entry key with its tree below targetPath, with the class key of a per-user
    // object when the target is for all users; false when the copy is refused or fails (a
    // failed copy is taken back). The entry's own place is refused without a failure: the
    // entry already stands there.
    [[nodiscard]] bool CopyTo(RegistryStore& store, KeyHandle targetHive, const std::wstring& targetPath,
                              Failures& failures) const;
    // CopyTo, then deletes the source tree once the copy is complete.
    [[nodiscard]] bool MoveTo(RegistryStore& store, KeyHandle targetHive, const std::wstring& targetPath,
                              Failures& failures) const;
    std::wstring GetName() const;
    // The index of the place the entry key stands in, or -1.
    int PlaceIndex() const;
};

} // namespace vs
