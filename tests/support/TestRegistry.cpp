#include "tests/support/TestRegistry.h"

#include "store/MemoryRegistry.h"
#ifdef _WIN32
#include "store/WinRegistry.h"

#include <set>
#endif

namespace vs::test {

#ifdef _WIN32
namespace {

// The real registry, counting the handles that open and close through it.
class CountingRegistry final : public RegistryStore {
public:
    Status OpenKey(KeyHandle parent, const wchar_t* path, std::uint32_t access, KeyHandle* out) override {
        return Opened(inner_.OpenKey(parent, path, access, out), out);
    }
    Status CreateKey(KeyHandle parent, const wchar_t* path, std::uint32_t access, KeyHandle* out) override {
        return Opened(inner_.CreateKey(parent, path, access, out), out);
    }
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
                    std::uint32_t size) override {
        return inner_.SetValue(key, name, type, data, size);
    }
    Status DeleteKey(KeyHandle parent, const wchar_t* name) override {
        return inner_.DeleteKey(parent, name);
    }
    Status FlushKey(KeyHandle key) override { return inner_.FlushKey(key); }
    Status CloseKey(KeyHandle key) override {
        open_.erase(key);
        return inner_.CloseKey(key);
    }

    std::size_t OpenCount() const { return open_.size(); }

private:
    Status Opened(Status status, KeyHandle* out) {
        if (status == kOk && out && *out && !IsRootKey(*out))
            open_.insert(*out);
        return status;
    }

    WinRegistry inner_;
    std::set<KeyHandle> open_;
};

} // namespace
#endif

std::unique_ptr<RegistryStore> MakeTestRegistry() {
#ifdef _WIN32
    return std::make_unique<CountingRegistry>();
#else
    return std::make_unique<MemoryRegistry>();
#endif
}

MemoryRegistry* Memory(RegistryStore& store) {
    return dynamic_cast<MemoryRegistry*>(&store);
}

bool HoldsRealKeys([[maybe_unused]] RegistryStore& store) {
#ifdef _WIN32
    return dynamic_cast<CountingRegistry*>(&store) || dynamic_cast<WinRegistry*>(&store);
#else
    return false;
#endif
}

std::size_t OpenHandles(RegistryStore& store) {
    if (MemoryRegistry* memory = Memory(store))
        return memory->OpenHandleCount();
#ifdef _WIN32
    if (auto* counting = dynamic_cast<CountingRegistry*>(&store))
        return counting->OpenCount();
#endif
    return 0;
}

} // namespace vs::test
