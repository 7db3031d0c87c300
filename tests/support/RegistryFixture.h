#pragma once
// Base of the registry tests: the test registry (in-memory natively, the Wine prefix's
// real one under Wine) and a clean-up that removes every tree a test registers with it,
// also when the test fails.

#include "store/MemoryRegistry.h"
#include "tests/support/RegistryTree.h"
#include "tests/support/TestRegistry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace vs::test {

class RegistryFixture : public ::testing::Test {
protected:
    // A key of the current user's hive that no real data lives in.
    static constexpr wchar_t kScratchPath[] = L"Software\\Orbelline\\VarnosetTests";

    RegistryFixture() { cleanup.Add(CurrentUser(), kScratchPath); }

    // kScratchPath + "\" + relative.
    static std::wstring Scratch(std::wstring_view relative = {}) {
        std::wstring path = kScratchPath;
        if (!relative.empty())
            path.append(L"\\").append(relative);
        return path;
    }

    // Key handles open now (the in-memory registry's, or under Wine those opened through
    // the recorder MakeTestRegistry puts in front).
    std::size_t OpenHandles() const { return test::OpenHandles(store); }

    std::unique_ptr<RegistryStore> registry = MakeTestRegistry();
    RegistryStore& store = *registry;
    // The in-memory registry, or null under Wine (fault-injection cases skip then).
    MemoryRegistry* memory = Memory(store);
    TreeCleanup cleanup{store};
};

} // namespace vs::test
