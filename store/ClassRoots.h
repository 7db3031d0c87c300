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

} // namespace vs
