#pragma once
// The icon an icon location text ("file" or "file,index") stands for, as the wizard's icon
// step previews it.

#include "framework/UniqueHandle.h"

#include <string>

// The Windows directory followed by "\System32\SHELL32.DLL,4": the icon a new object
// starts with.
std::wstring DefaultIconLocation();

// Tries, in order: the file's icon at the index (ExtractIconW); the whole text as an icon
// file (LoadImageW, 64 x 64); the icon resource whose numeric id is the index. Null when
// none of them yields an icon.
UniqueIcon LoadLocationIcon(const std::wstring& location);
