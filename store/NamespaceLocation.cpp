#include "NamespaceLocation.h"

namespace vs {

namespace {
constexpr wchar_t kDesktop[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace";
constexpr wchar_t kControlPanel[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace";
constexpr wchar_t kMyComputer[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MyComputer\\NameSpace";
constexpr wchar_t kNetwork[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\NetworkNeighborhood\\NameSpace";

constexpr int kCsidlDesktop = 0;
constexpr int kCsidlControls = 3;
constexpr int kCsidlDrives = 17;
constexpr int kCsidlNetwork = 18;
} // namespace

const std::array<NamespaceLocation, kPlaceCount>& NamespaceLocations() {
    static const std::array<NamespaceLocation, kPlaceCount> table = {{
        {0, CurrentUser(), kDesktop, kCsidlDesktop},
        {1, CurrentUser(), kControlPanel, kCsidlControls},
        {2, CurrentUser(), kMyComputer, kCsidlDrives},
        {3, CurrentUser(), kNetwork, kCsidlNetwork},
        {4, LocalMachine(), kDesktop, kCsidlDesktop},
        {5, LocalMachine(), kControlPanel, kCsidlControls},
        {6, LocalMachine(), kMyComputer, kCsidlDrives},
        {7, LocalMachine(), kNetwork, kCsidlNetwork},
    }};
    return table;
}

const NamespaceLocation* PlaceByIndex(int index) {
    if (index < 0 || index >= kPlaceCount)
        return nullptr;
    return &NamespaceLocations()[static_cast<std::size_t>(index)];
}

int PlaceIndexOf(KeyHandle hive, std::wstring_view path) {
    for (const NamespaceLocation& place : NamespaceLocations()) {
        const std::wstring_view own = place.nameSpacePath;
        if (place.hive == hive && path.size() >= own.size() && NamesEqual(path.substr(0, own.size()), own) &&
            (path.size() == own.size() || path[own.size()] == L'\\'))
            return place.index;
    }
    return -1;
}

} // namespace vs
