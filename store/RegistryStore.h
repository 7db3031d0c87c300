#pragma once
// The one door to the registry. Each operation stands for one advapi32 function and
// reports its Win32 status unchanged; names are NUL-terminated, string data is UTF-16LE.
// A status that is dropped on purpose is cast to void where it is dropped.

#include "RegistryTypes.h"

namespace vs {

class RegistryStore {
public:
    virtual ~RegistryStore() = default;

    // RegOpenKeyExW(parent, path, 0, access, out).
    [[nodiscard]] virtual Status OpenKey(KeyHandle parent, const wchar_t* path, std::uint32_t access,
                                         KeyHandle* out) = 0;
    // RegCreateKeyExW(parent, path, 0, no class, non-volatile, access, no security, out, no disposition).
    [[nodiscard]] virtual Status CreateKey(KeyHandle parent, const wchar_t* path, std::uint32_t access,
                                           KeyHandle* out) = 0;
    // RegEnumKeyExW: capacity in characters including the NUL, in/out.
    [[nodiscard]] virtual Status EnumKey(KeyHandle key, std::uint32_t index, wchar_t* name,
                                         std::uint32_t* capacity) = 0;
    // RegEnumValueW: name capacity in characters including the NUL, size in bytes, both in/out.
    [[nodiscard]] virtual Status EnumValue(KeyHandle key, std::uint32_t index, wchar_t* name,
                                           std::uint32_t* nameCapacity, std::uint32_t* type,
                                           std::uint8_t* data, std::uint32_t* size) = 0;
    // RegQueryValueExW: size in bytes, in/out; data may be null to ask for the size.
    [[nodiscard]] virtual Status QueryValue(KeyHandle key, const wchar_t* name, std::uint32_t* type,
                                            std::uint8_t* data, std::uint32_t* size) = 0;
    // RegSetValueExW.
    [[nodiscard]] virtual Status SetValue(KeyHandle key, const wchar_t* name, std::uint32_t type,
                                          const std::uint8_t* data, std::uint32_t size) = 0;
    // RegDeleteKeyW: refuses a key that still has subkeys.
    [[nodiscard]] virtual Status DeleteKey(KeyHandle parent, const wchar_t* name) = 0;
    [[nodiscard]] virtual Status FlushKey(KeyHandle key) = 0;
    [[nodiscard]] virtual Status CloseKey(KeyHandle key) = 0;
};

} // namespace vs
