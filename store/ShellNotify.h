#pragma once
// A place's shell folder and the change notification that tells Explorer to re-read it.

#include "Platform.h"

namespace vs {

// The folder of a place index (0..7) as an item-identifier list; null for other indexes
// (without asking the shell) or when the shell fails. Free it with Platform::FreeIdList.
IdList PlaceFolderIdList(Platform& platform, int placeIndex);

// SHCNE_UPDATEDIR for the folder of placeIndex (a null list for indexes above 7).
void NotifyFolderUpdated(Platform& platform, int placeIndex);

} // namespace vs
