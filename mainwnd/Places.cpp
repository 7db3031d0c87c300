#include "mainwnd/Places.h"

#include "framework/Resources.h"
#include "res/resource.h"

namespace {

struct PlaceCommands {
    UINT copy;
    UINT move;
};
// In place-index order.
constexpr PlaceCommands kPlaceCommands[vs::kPlaceCount] = {
    {ID_COPY_DESKTOP_USER, ID_MOVE_DESKTOP_USER},
    {ID_COPY_CONTROLPANEL_USER, ID_MOVE_CONTROLPANEL_USER},
    {ID_COPY_MYCOMPUTER_USER, ID_MOVE_MYCOMPUTER_USER},
    {ID_COPY_NETWORK_USER, ID_MOVE_NETWORK_USER},
    {ID_COPY_DESKTOP_ALL, ID_MOVE_DESKTOP_ALL},
    {ID_COPY_CONTROLPANEL_ALL, ID_MOVE_CONTROLPANEL_ALL},
    {ID_COPY_MYCOMPUTER_ALL, ID_MOVE_MYCOMPUTER_ALL},
    {ID_COPY_NETWORK_ALL, ID_MOVE_NETWORK_ALL},
};

template <class Chosen> const vs::NamespaceLocation* PlaceByCommand(UINT id, Chosen chosen) {
    for (int index = 0; index < vs::kPlaceCount; ++index)
        if (chosen(kPlaceCommands[index]) == id)
            return vs::PlaceByIndex(index);
    return nullptr;
}

} // namespace

std::wstring PlaceLabel(int placeIndex) {
    if (!vs::PlaceByIndex(placeIndex))
        return std::wstring();
    return LoadResourceString(IDS_PLACE_FIRST + static_cast<UINT>(placeIndex));
}

const vs::NamespaceLocation* PlaceByCopyCommand(UINT id) {
    return PlaceByCommand(id, [](const PlaceCommands& commands) { return commands.copy; });
}

const vs::NamespaceLocation* PlaceByMoveCommand(UINT id) {
    return PlaceByCommand(id, [](const PlaceCommands& commands) { return commands.move; });
}
