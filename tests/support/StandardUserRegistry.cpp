#include "tests/support/StandardUserRegistry.h"

namespace vs::test {

bool StandardUserRegistry::IsMachine(KeyHandle key) const {
    return key == LocalMachine() || key == ClassesRoot() || machineKeys_.count(key) != 0;
}

bool StandardUserRegistry::Refuse(KeyHandle key) {
    if (!refusing || !IsMachine(key))
        return false;
    ++refused;
    return true;
}

Status StandardUserRegistry::OpenKey(KeyHandle parent, const wchar_t* path, std::uint32_t access,
                                     KeyHandle* out) {
    // KEY_SET_VALUE, KEY_CREATE_SUB_KEY, KEY_CREATE_LINK, DELETE, WRITE_DAC, WRITE_OWNER.
    constexpr std::uint32_t kWriteAccess = 0x2 | 0x4 | 0x20 | 0x10000 | 0x40000 | 0x80000;
    const Status status = inner_.OpenKey(parent, path, access, out);
    if (status != kOk || !IsMachine(parent))
        return status;
    if ((access & kWriteAccess) && Refuse(parent)) {
        (void)inner_.CloseKey(*out); // opened only to tell a missing key from a refused one
        *out = nullptr;
        return kAccessDenied;
    }
    machineKeys_.insert(*out);
    return status;
}

Status StandardUserRegistry::CreateKey(KeyHandle parent, const wchar_t* path, std::uint32_t access,
                                       KeyHandle* out) {
    if (Refuse(parent)) {
        if (out)
            *out = nullptr;
        return kAccessDenied;
    }
    const Status status = inner_.CreateKey(parent, path, access, out);
    if (status == kOk && IsMachine(parent))
        machineKeys_.insert(*out);
    return status;
}

Status StandardUserRegistry::SetValue(KeyHandle key, const wchar_t* name, std::uint32_t type,
                                      const std::uint8_t* data, std::uint32_t size) {
    return Refuse(key) ? kAccessDenied : inner_.SetValue(key, name, type, data, size);
}

Status StandardUserRegistry::DeleteKey(KeyHandle parent, const wchar_t* name) {
    return Refuse(parent) ? kAccessDenied : inner_.DeleteKey(parent, name);
}

Status StandardUserRegistry::CloseKey(KeyHandle key) {
    machineKeys_.erase(key);
    return inner_.CloseKey(key);
}

} // namespace vs::test
