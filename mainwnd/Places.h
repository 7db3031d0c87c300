#pragma once
// The eight places as the main window shows them: their labels from the string table and
// the context-menu commands that copy or move a registration to one of them.

#include "store/NamespaceLocation.h"

#include <windows.h>

#include <string>

// The label of a place index ("Desktop (this user)", ...); empty for other indexes.
std::wstring PlaceLabel(int placeIndex);

// The place a "Copy to" (or "Move to") command chooses, or null for any other id.
const vs::NamespaceLocation* PlaceByCopyCommand(UINT id);
const vs::NamespaceLocation* PlaceByMoveCommand(UINT id);
