#pragma once
// The program's own resources: the module that holds them and the texts of its string
// table. Every text a user sees is loaded through here, so C++ holds ids, not words.

#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

// The module holding the dialog templates, menus, icons and strings: the program itself.
HINSTANCE ResourceModule();

// The string table entry id; empty when the table has none.
std::wstring LoadResourceString(UINT id);

// The entry id with "%1" to "%9" replaced by the inserts in order, in one pass: what an
// insert brings is not searched again. A "%n" without its insert stays as it is.
std::wstring FormatResourceString(UINT id, std::initializer_list<std::wstring_view> inserts);

// A file-dialog filter, kept in the string table with '|' after each display text and
// each pattern list; given back with those as the NULs the dialog expects (the string's
// own terminator ends the list).
std::wstring LoadFilterString(UINT id);
