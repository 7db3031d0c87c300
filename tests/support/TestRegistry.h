#pragma once
// The registry the store tests run against: the in-memory one natively, the real one of
// the throw-away Wine prefix in the Windows build (through a recorder that counts the key
// handles it opens). Tests that need fault injection ask for Memory() and skip where it
// is null.

#include "store/RegistryStore.h"

#include <cstddef>
#include <memory>

namespace vs {
class MemoryRegistry;
}

namespace vs::test {

std::unique_ptr<RegistryStore> MakeTestRegistry();
// The in-memory registry behind store, or null when store is the real one.
MemoryRegistry* Memory(RegistryStore& store);
// Whether store's key handles are real registry keys (the Windows registry, directly or
// through a recorder).
bool HoldsRealKeys(RegistryStore& store);
// Key handles that store opened and nobody closed yet (the roots not counted), for a
// registry made by MakeTestRegistry.
std::size_t OpenHandles(RegistryStore& store);

} // namespace vs::test
