#pragma once
// A standard user's view of a registry: every write, creation and deletion below
// HKEY_LOCAL_MACHINE, and every open there that asks for any write access, fails with
// status 5 (a key that is not there is still "not found"), as for a user who did not
// choose "Run as administrator"; reads and everything below HKEY_CURRENT_USER pass on
// unchanged.
// HKEY_CLASSES_ROOT counts as the machine's (under Wine and in the in-memory registry it
// is HKEY_LOCAL_MACHINE\Software\Classes). While `refusing` is false it passes everything,
// so one registry can play both users.

#include "store/RegistryStore.h"

#include <set>

namespace vs::test {

class StandardUserRegistry final : public RegistryStore {
public:
    explicit StandardUserRegistry(RegistryStore& inner) : inner_(inner) {}

    Status OpenKey(KeyHandle parent, const wchar_t* path, std::uint32_t access, KeyHandle* out) override;
    Status CreateKey(KeyHandle parent, const wchar_t* path, std::uint32_t access, KeyHandle* out) override;
    Status EnumKey(KeyHandle key, std::uint32_t index, wchar_t* name, std::uint32_t* capacity) override {
        return inner_.EnumKey(key, index, name, capacity);
    }
    Status EnumValue(KeyHandle key, std::uint32_t index, wchar_t* name, std::uint32_t* nameCapacity,
                     std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) override {
        return inner_.EnumValue(key, index, name, nameCapacity, type, data, size);
    }
    Status QueryValue(KeyHandle key, const wchar_t* name, std::uint32_t* type, std::uint8_t* data,
                      std::uint32_t* size) override {
        return inner_.QueryValue(key, name, type, data, size);
    }
    Status SetValue(KeyHandle key, const wchar_t* name, std::uint32_t type, const std::uint8_t* data,
                    std::uint32_t size) override;
    Status DeleteKey(KeyHandle parent, const wchar_t* name) override;
    Status FlushKey(KeyHandle key) override { return inner_.FlushKey(key); }
    Status CloseKey(KeyHandle key) override;

    bool refusing = true;
    // Writes, creations and deletions refused so far.
    int refused = 0;

private:
    bool IsMachine(KeyHandle key) const;
    bool Refuse(KeyHandle key);

    RegistryStore& inner_;
    std::set<KeyHandle> machineKeys_; // open handles below HKEY_LOCAL_MACHINE
};

} // namespace vs::test
