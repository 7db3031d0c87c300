#include "ShellNotify.h"

#include "NamespaceLocation.h"

namespace vs {

IdList PlaceFolderIdList(Platform& platform, int placeIndex) {
    const NamespaceLocation* place = PlaceByIndex(placeIndex);
    if (!place)
        return nullptr;
    return platform.FolderLocation(place->folderCsidl);
}

void NotifyFolderUpdated(Platform& platform, int placeIndex) {
    IdList list = PlaceFolderIdList(platform, placeIndex);
    platform.NotifyUpdateDir(list);
    if (list)
        platform.FreeIdList(list);
}

} // namespace vs
