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

    void Delete(RegistryStore& store) const;
    void Hide(RegistryStore& store) const;
    void Unhide(RegistryStore& store) const;
    bool CopyTo(RegistryStore& store, KeyHandle targetHive, const std::wstring& targetPath) const;
    bool MoveTo(RegistryStore& store, KeyHandle targetHive, const std::wstring& targetPath) const;
    std::wstring GetName() const;
};

} // namespace vs
