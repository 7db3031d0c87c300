#include "tests/support/TestRegistry.h"

#include "store/MemoryRegistry.h"
#ifdef _WIN32
#include "store/WinRegistry.h"
#endif

namespace vs::test {

std::unique_ptr<RegistryStore> MakeTestRegistry() {
#ifdef _WIN32
    return std::make_unique<WinRegistry>();
#else
    return std::make_unique<MemoryRegistry>();
#endif
}

MemoryRegistry* Memory(RegistryStore& store) { return dynamic_cast<MemoryRegistry*>(&store); }

} // namespace vs::test
