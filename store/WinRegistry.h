#pragma once
// The Windows registry through advapi32, with exactly the arguments the store uses.

#include "RegistryStore.h"

namespace vs {

class WinRegistry : public RegistryStore {
public:
    Status OpenKey(KeyHandle parent, const wchar_t* path, std::uint32_t access, KeyHandle* out) override;
    Status CreateKey(KeyHandle parent, const wchar_t* path, std::uint32_t access, KeyHandle* out) override;
    Status EnumKey(KeyHandle key, std::uint32_t index, wchar_t* name, std::uint32_t* capacity) override;
    Status EnumValue(KeyHandle key, std::uint32_t index, wchar_t* name, std::uint32_t* nameCapacity,
                     std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) override;
    Status QueryValue(KeyHandle key, const wchar_t* name, std::uint32_t* type, std::uint8_t* data,
                      std::uint32_t* size) override;
    Status SetValue(KeyHandle key, const wchar_t* name, std::uint32_t type, const std::uint8_t* data,
                    std::uint32_t size) override;
    Status DeleteKey(KeyHandle parent, const wchar_t* name) override;
    Status FlushKey(KeyHandle key) override;
    Status CloseKey(KeyHandle key) override;
};

} // namespace vs
