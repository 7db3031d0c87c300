#include "WinRegistry.h"

#include <windows.h>

namespace vs {

namespace {
HKEY H(KeyHandle key) {
    return reinterpret_cast<HKEY>(key);
}
DWORD* D(std::uint32_t* value) {
    return reinterpret_cast<DWORD*>(value);
}
static_assert(sizeof(DWORD) == sizeof(std::uint32_t));
static_assert(sizeof(wchar_t) == 2);
} // namespace

Status WinRegistry::OpenKey(KeyHandle parent, const wchar_t* path, std::uint32_t access, KeyHandle* out) {
    if (!out)
        return ERROR_INVALID_PARAMETER;
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExW(H(parent), path, 0, access, &key);
    *out = status == ERROR_SUCCESS ? reinterpret_cast<KeyHandle>(key) : nullptr;
    return status;
}

Status WinRegistry::CreateKey(KeyHandle parent, const wchar_t* path, std::uint32_t access, KeyHandle* out) {
    if (!out)
        return ERROR_INVALID_PARAMETER;
    HKEY key = nullptr;
    const LSTATUS status =
        RegCreateKeyExW(H(parent), path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
    *out = status == ERROR_SUCCESS ? reinterpret_cast<KeyHandle>(key) : nullptr;
    return status;
}

Status WinRegistry::EnumKey(KeyHandle key, std::uint32_t index, wchar_t* name, std::uint32_t* capacity) {
    FILETIME lastWrite;
    return RegEnumKeyExW(H(key), index, name, D(capacity), nullptr, nullptr, nullptr, &lastWrite);
}

Status WinRegistry::EnumValue(KeyHandle key, std::uint32_t index, wchar_t* name, std::uint32_t* nameCapacity,
                              std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) {
    return RegEnumValueW(H(key), index, name, D(nameCapacity), nullptr, D(type), data, D(size));
}

Status WinRegistry::QueryValue(KeyHandle key, const wchar_t* name, std::uint32_t* type, std::uint8_t* data,
                               std::uint32_t* size) {
    return RegQueryValueExW(H(key), name, nullptr, D(type), data, D(size));
}

Status WinRegistry::SetValue(KeyHandle key, const wchar_t* name, std::uint32_t type, const std::uint8_t* data,
                             std::uint32_t size) {
    return RegSetValueExW(H(key), name, 0, type, data, size);
}

Status WinRegistry::DeleteKey(KeyHandle parent, const wchar_t* name) {
    return RegDeleteKeyW(H(parent), name);
}

Status WinRegistry::FlushKey(KeyHandle key) {
    return RegFlushKey(H(key));
}

Status WinRegistry::CloseKey(KeyHandle key) {
    return RegCloseKey(H(key));
}

} // namespace vs
