#pragma once
// Where class keys stand: a per-user object's class key below HKEY_CURRENT_USER, an
// all-users object's below HKEY_LOCAL_MACHINE, each at kClassesPath. Both are written and
// read through these explicit roots, never through HKEY_CLASSES_ROOT: Windows stores a
// key created there in the machine's classes, which a standard user may not write, and
// Wine does not merge the user's classes into it.

#include "Failure.h"
#include "RegistryTypes.h"

#include <string>
#include <string_view>

namespace vs {

inline constexpr wchar_t kClassesPath[] = L"Software\\Classes\\CLSID";
// The 32-bit view of the same classes, which 32-bit programs (and their file dialogs) read.
// An object may have a copy of its class key there, in the same root; every change of the
// class record goes to both.
inline constexpr wchar_t kClasses32Path[] = L"Software\\Classes\\Wow6432Node\\CLSID";

// The hive whose classes hold an object's class key.
inline KeyHandle ClassesHive(bool allUsers) {
    return allUsers ? LocalMachine() : CurrentUser();
}
// The failure place that names the classes of a hive.
inline int ClassesPlace(KeyHandle hive) {
    return hive == CurrentUser() ? kUserClasses : kMachineClasses;
}
// kClassesPath + "\" + clsid.
inline std::wstring ClassKeyPath(std::wstring_view clsid) {
    return std::wstring(kClassesPath) + L"\\" + std::wstring(clsid);
}
// kClasses32Path + "\" + clsid.
inline std::wstring Class32KeyPath(std::wstring_view clsid) {
    return std::wstring(kClasses32Path) + L"\\" + std::wstring(clsid);
}

} // namespace vs
