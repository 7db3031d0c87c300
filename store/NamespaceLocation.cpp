#include "NamespaceLocation.h"

namespace vs {

namespace {
constexpr wchar_t kDesktop[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace";
constexpr wchar_t kControlPanel[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace";
constexpr wchar_t kMyComputer[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MyComputer\\NameSpace";
constexpr wchar_t kNetwork[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\NetworkNeighborhood\\NameSpace";

constexpr int kCsidlDesktop = 0;
constexpr int kCsidlControls = 3;
constexpr int kCsidlDrives = 17;
constexpr int kCsidlNetwork = 18;
} // namespace

const std::array<NamespaceLocation, kPlaceCount>& NamespaceLocations() {
    static const std::array<NamespaceLocation, kPlaceCount> table = {{
        {0, L"Desktop (this user)", CurrentUser(), kDesktop, 32777, 32787, kCsidlDesktop},
        {1, L"Control Panel (this user)", CurrentUser(), kControlPanel, 32783, 32793, kCsidlControls},
        {2, L"My Computer (this user)", CurrentUser(), kMyComputer, 32779, 32789, kCsidlDrives},
        {3, L"Network Neighborhood (this user)", CurrentUser(), kNetwork, 32781, 32791, kCsidlNetwork},
        {4, L"Desktop (all users)", LocalMachine(), kDesktop, 32778, 32788, kCsidlDesktop},
        {5, L"Control Panel (all users)", LocalMachine(), kControlPanel, 32784, 32794, kCsidlControls},
        {6, L"My Computer (all users)", LocalMachine(), kMyComputer, 32780, 32790, kCsidlDrives},
        {7, L"Network Neighborhood (all users)", LocalMachine(), kNetwork, 32782, 32792, kCsidlNetwork},
    }};
    return table;
}

const NamespaceLocation* PlaceByIndex(int index) {
    if (index < 0 || index >= kPlaceCount)
        return nullptr;
    return &NamespaceLocations()[static_cast<std::size_t>(index)];
}

const NamespaceLocation* PlaceByCopyCommand(unsigned id) {
    for (const NamespaceLocation& place : NamespaceLocations())
        if (place.copyCommandId == id)
            return &place;
    return nullptr;
}

const NamespaceLocation* PlaceByMoveCommand(unsigned id) {
    for (const NamespaceLocation& place : NamespaceLocations())
        if (place.moveCommandId == id)
            return &place;
    return nullptr;
}

} // namespace vs
