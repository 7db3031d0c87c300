#include "tests/support/TestRegistry.h"

#include "store/MemoryRegistry.h"
#include "tests/support/RecordingRegistry.h"
#ifdef _WIN32
#include "store/WinRegistry.h"
#endif

namespace vs::test {

std::unique_ptr<RegistryStore> MakeTestRegistry() {
#ifdef _WIN32
    // Behind a recorder, which counts the keys left open.
    return std::make_unique<RecordingRegistry>(std::make_unique<WinRegistry>());
#else
    return std::make_unique<MemoryRegistry>();
#endif
}

MemoryRegistry* Memory(RegistryStore& store) {
    return dynamic_cast<MemoryRegistry*>(&store);
}

bool HoldsRealKeys(RegistryStore& store) {
    if (auto* recorder = dynamic_cast<RecordingRegistry*>(&store))
        return HoldsRealKeys(recorder->Inner());
#ifdef _WIN32
    return dynamic_cast<WinRegistry*>(&store) != nullptr;
#else
    return false;
#endif
}

std::size_t OpenHandles(RegistryStore& store) {
    if (MemoryRegistry* memory = Memory(store))
        return memory->OpenHandleCount();
    if (auto* recorder = dynamic_cast<RecordingRegistry*>(&store))
        return recorder->OpenKeyCount();
    return 0;
}

} // namespace vs::test
