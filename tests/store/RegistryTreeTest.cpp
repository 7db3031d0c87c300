#include "tests/support/RegistryFixture.h"

#include <gtest/gtest.h>

namespace vs::test {
namespace {

class RegistryTreeTest : public RegistryFixture {};

// The helpers every other registry test leans on: what is written must read back as
// the description, byte for byte, and removal must leave nothing.
TEST_F(RegistryTreeTest, DumpOfWrittenTreeMatchesItsDescription) {
    const TreeKey tree{
        Scratch(L"Tree"),
        {Sz(L"", L"Name"), Dword(L"Attributes", 0xF8000000u), ExpandSz(L"Target", L"%windir%")},
        {{L"b\\Deep", {Raw(L"Bytes", kRegBinary, {1, 2, 3})}},
         {L"A", {Raw(L"NoNul", kRegSz, TextBytes(L"ab")), Sz(L"Empty", L"")}}}};
    ASSERT_EQ(WriteTree(store, CurrentUser(), tree), kOk);
    const std::string dump = DumpTree(store, CurrentUser(), Scratch(L"Tree"));
    EXPECT_EQ(dump, Describe(tree));
    EXPECT_EQ(dump, "[]\n"
                    "  \"\" REG_SZ 10 \"Name\"\n"
                    "  \"Attributes\" REG_DWORD 4 0xf8000000\n"
                    "  \"Target\" REG_EXPAND_SZ 18 \"%windir%\"\n"
                    "[A]\n"
                    "  \"Empty\" REG_SZ 2 \"\"\n"
                    "  \"NoNul\" REG_SZ 4 hex: 61 00 62 00\n"
                    "[b]\n"
                    "[b\\Deep]\n"
                    "  \"Bytes\" REG_BINARY 3 hex: 01 02 03\n");
}

TEST_F(RegistryTreeTest, RemoveTreeLeavesNothingAndDumpReportsMissing) {
    ASSERT_EQ(
        WriteTree(store, CurrentUser(), TreeKey{Scratch(L"Gone"), {}, {{L"x\\y\\z", {Dword(L"n", 1)}}}}),
        kOk);
    EXPECT_TRUE(RemoveTree(store, CurrentUser(), Scratch(L"Gone")));
    EXPECT_EQ(DumpTree(store, CurrentUser(), Scratch(L"Gone")), kMissingTree);
    EXPECT_TRUE(RemoveTree(store, CurrentUser(), Scratch(L"Gone")));
    EXPECT_EQ(OpenHandles(), 0u);
}

} // namespace
} // namespace vs::test
