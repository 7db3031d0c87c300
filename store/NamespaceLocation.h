#pragma once
// The eight places where a shell object can be registered: four shell folders, each
// for the current user and for all users. The row index is the place index everywhere.

#include "RegistryTypes.h"

#include <array>

namespace vs {

struct NamespaceLocation {
    int index;
    const wchar_t* label;
    KeyHandle hive;
    const wchar_t* nameSpacePath;
    unsigned copyCommandId;
    unsigned moveCommandId;
    int folderCsidl;
};

inline constexpr int kPlaceCount = 8;

// The table, in place-index order.
const std::array<NamespaceLocation, kPlaceCount>& NamespaceLocations();
// The place of an index 0..7, or null.
const NamespaceLocation* PlaceByIndex(int index);
// The place whose copy (or move) command id is id, or null.
const NamespaceLocation* PlaceByCopyCommand(unsigned id);
const NamespaceLocation* PlaceByMoveCommand(unsigned id);

} // namespace vs
