#include "DesktopIcon.h"

#include "RegKey.h"

namespace vs {

bool DesktopIconHiddenIn(RegistryStore& store, KeyHandle newStartPanel, const std::wstring& clsid) {
    if (!newStartPanel)
        return false;
    const DwordRead read = ReadDword(store, newStartPanel, clsid.c_str());
    return read.IsDword() && read.value != 0;
}

bool DesktopIconHidden(RegistryStore& store, KeyHandle hive, const std::wstring& clsid) {
    RegKey key(store);
    if (key.Open(hive, kHideDesktopIconsPath, kKeyRead) != kOk)
        return false;
    return DesktopIconHiddenIn(store, key.Get(), clsid);
}

Status SetDesktopIconHidden(RegistryStore& store, KeyHandle hive, const std::wstring& clsid, bool hidden) {
    if (!hidden && !DesktopIconHidden(store, hive, clsid))
        return kOk;
    RegKey key(store);
    Status status = key.Create(hive, kHideDesktopIconsPath);
    if (status == kOk)
        status = key.SetDword(clsid.c_str(), hidden ? 1u : 0u);
    return status;
}

} // namespace vs
