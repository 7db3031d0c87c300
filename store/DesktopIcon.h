#pragma once
// The two switches Explorer of Windows 10 and 11 reads for a folder in its navigation pane:
// the class key's "System.IsPinnedToNameSpaceTree" (a Desktop entry whose class has it
// non-zero is shown in the pane), and a DWORD named by the class identifier under
// HideDesktopIcons\NewStartPanel of the entry's scope (non-zero: no icon on the desktop).

#include "RegistryStore.h"

#include <string>

namespace vs {

inline constexpr wchar_t kPinnedValueName[] = L"System.IsPinnedToNameSpaceTree";
inline constexpr wchar_t kHideDesktopIconsPath[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\HideDesktopIcons\\NewStartPanel";

// The hive of a place's scope: this user's for places 0 to 3, the machine's for 4 to 7.
inline KeyHandle ScopeHive(int placeIndex) {
    return placeIndex < 4 ? CurrentUser() : LocalMachine();
}

// Whether the value of clsid under the hive's NewStartPanel key hides the desktop icon:
// a DWORD other than 0. Anything else (absent, another type) shows it, as Explorer does.
bool DesktopIconHidden(RegistryStore& store, KeyHandle hive, const std::wstring& clsid);
// The same on a NewStartPanel key held open (null: the key is missing).
bool DesktopIconHiddenIn(RegistryStore& store, KeyHandle newStartPanel, const std::wstring& clsid);

// Hides (writes 1) or shows the desktop icon of clsid for the hive's scope. Showing writes
// 0 only over a value that hides; where nothing hides the icon nothing is written.
[[nodiscard]] Status SetDesktopIconHidden(RegistryStore& store, KeyHandle hive, const std::wstring& clsid,
                                          bool hidden);

} // namespace vs
