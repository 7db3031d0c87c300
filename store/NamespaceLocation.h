#pragma once
// The eight places where a shell object can be registered: four shell folders, each
// for the current user and for all users. The index is the place index everywhere; how a
// place is named on screen and which menu commands choose it is the windows' business.

#include "RegistryTypes.h"

#include <array>
#include <string_view>

namespace vs {

struct NamespaceLocation {
    int index;
    KeyHandle hive;
    const wchar_t* nameSpacePath;
    int folderCsidl;
};

inline constexpr int kPlaceCount = 8;

// The table, in place-index order.
const std::array<NamespaceLocation, kPlaceCount>& NamespaceLocations();
// The place of an index 0..7, or null.
const NamespaceLocation* PlaceByIndex(int index);
// The index of the place whose NameSpace key is path below hive or one of its ancestors
// (entries may stand below other keys of a place), or -1.
int PlaceIndexOf(KeyHandle hive, std::wstring_view path);

} // namespace vs
