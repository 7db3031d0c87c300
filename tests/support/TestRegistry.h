#pragma once
// The registry the store tests run against: the in-memory one natively, the real one of
// the throw-away Wine prefix in the Windows build. Tests that need fault injection ask
// for Memory() and skip where it is null.

#include "store/RegistryStore.h"

#include <memory>

namespace vs {
class MemoryRegistry;
}

namespace vs::test {

std::unique_ptr<RegistryStore> MakeTestRegistry();
// The in-memory registry behind store, or null when store is the real one.
MemoryRegistry* Memory(RegistryStore& store);

} // namespace vs::test
