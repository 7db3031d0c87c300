#pragma once
// The program's name and version from its own version resource, and the main window's
// title built from them.

#include <string>

namespace vs {

// "ProductVersion" of the program's version resource, or "0, 0, 0, 0" without one.
std::wstring GetProductVersion();
// "ProductName" of the program's version resource, or "app" (from the string table) without one.
std::wstring GetProductName();
// "<name> Version <version>", the version's ", " written as "." and, with trimZeros,
// its zero components dropped.
std::wstring GetVersionTitle(bool trimZeros);

// The title from given texts; what GetVersionTitle shows for them.
std::wstring FormatVersionTitle(const std::wstring& productName, const std::wstring& productVersion,
                                bool trimZeros);
// "3, 2, 1, 0" -> "3.2.1.0"; with trimZeros every ".0" that is a whole component goes:
// "3.2.1", and "3, 0, 0, 1" -> "3.1". "3.10" and "3.05" stay as they are.
std::wstring NormalizeVersion(std::wstring version, bool trimZeros);

} // namespace vs
