// Copying and deleting whole key trees: hide, unhide, copy and move of registrations and
// the removal of class keys are built on these, so a lost value, an endless retry or a
// half-done copy reported as success would lose the user's data.

#include "store/RegKey.h"
#include "tests/support/RecordingRegistry.h"
#include "tests/support/RegistryFixture.h"

#include <gtest/gtest.h>

namespace vs::test {
namespace {

class KeyTreeTest : public RegistryFixture {
protected:
    void SetUp() override { ASSERT_EQ(scratch.Create(CurrentUser(), Scratch()), kOk); }

    void TearDown() override {
        scratch.Close();
        EXPECT_EQ(OpenHandles(), 0u) << "a key handle was left open";
    }

    // Writes tree below the scratch key and copies its top key to the sibling dest.
    Status Copy(const TreeKey& tree, const wchar_t* dest) {
        EXPECT_EQ(WriteTree(store, scratch.Get(), tree), kOk);
        RegKey source(store);
        EXPECT_EQ(source.Open(scratch.Get(), tree.path), kOk);
        return CopyKeyTree(store, source.Get(), scratch.Get(), dest);
    }

    std::string Dump(std::wstring_view relative) { return DumpTree(store, scratch.Get(), relative); }

    // A chain of levels keys named "k" below the scratch key's child top, created one
    // level at a time (a single path that long is beyond what Windows accepts at once).
    void WriteDeepChain(const std::wstring& top, int levels) {
        RegKey key(store);
        ASSERT_EQ(key.Create(scratch.Get(), top), kOk);
        for (int level = 1; level < levels; ++level) {
            RegKey child(store);
            ASSERT_EQ(child.Create(key.Get(), L"k"), kOk) << "level " << level;
            if (level % 100 == 0) {
                ASSERT_EQ(child.SetDword(L"level", static_cast<std::uint32_t>(level)), kOk);
            }
            key = std::move(child);
        }
        ASSERT_EQ(key.SetString(L"leaf", L"bottom"), kOk);
    }

    RegKey scratch{store};
};

// Cases that inject faults, deny access or count calls: the in-memory registry's.
class KeyTreeMemoryTest : public KeyTreeTest {
protected:
    void SetUp() override {
        KeyTreeTest::SetUp();
        if (!memory)
            GTEST_SKIP() << "needs the in-memory registry";
    }
};

const TreeKey kSample{L"Source",
                      {Sz(L"", L"Name"), Dword(L"Attributes", 0xF8000131u), ExpandSz(L"Target", L"%TEMP%")},
                      {{L"DefaultIcon", {Sz(L"", L"shell32.dll,3")}},
                       {L"Instance\\InitPropertyBag", {Dword(L"Attributes", 0x15)}},
                       {L"Shell\\Open\\Command", {ExpandSz(L"", L"notepad.exe")}}}};

TEST_F(KeyTreeTest, CopyReproducesTheWholeTreeEveryTypeAndByteAndLeavesTheSource) {
    std::vector<std::uint8_t> big(1100);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    const TreeKey typed{L"Typed",
                        {Raw(L"big", kRegBinary, big), Sz(L"long", std::wstring(600, L'y')),
                         Dword(L"dword", 0xDEADBEEF), ExpandSz(L"expand", L"%windir%"),
                         Raw(L"qword", kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}), Raw(L"none", kRegNone, {}),
                         Raw(L"odd", 0x77, {1, 2, 3}), Raw(L"multi", kRegMultiSz, {'a', 0, 0, 0, 0, 0}),
                         Sz(std::wstring(260, L'n'), L"")}};
    EXPECT_EQ(Describe(TreeKey{L"Empty"}), "[]\n");
    for (const TreeKey& tree : {TreeKey{L"Empty"}, kSample, typed}) {
        const std::wstring copy = tree.path + L"Copy";
        EXPECT_EQ(Copy(tree, copy.c_str()), kOk);
        EXPECT_EQ(Dump(copy), Describe(tree));
        EXPECT_EQ(Dump(tree.path), Describe(tree));
    }
}

TEST_F(KeyTreeTest, CopyKeepsStringsWithoutTerminatorAsTheyAre) {
    if (!memory)
        GTEST_SKIP() << "Wine's RegSetValueExW appends the missing terminator";
    const TreeKey tree{
        L"Malformed",
        {Raw(L"unterminated", kRegSz, TextBytes(L"abc")), Raw(L"odd", kRegExpandSz, {'a', 0, 'b'})}};
    EXPECT_EQ(Copy(tree, L"Copy"), kOk);
    EXPECT_EQ(Dump(L"Copy"), Describe(tree));
}

TEST_F(KeyTreeMemoryTest, ValueOver1024BytesTakesOneReallocation) {
    const int before = memory->CallCount(MemoryRegistry::Op::EnumValue);
    EXPECT_EQ(
        Copy(TreeKey{L"Big", {Raw(L"big", kRegBinary, std::vector<std::uint8_t>(1025, 0xAB))}}, L"Copy"),
        kOk);
    // Too small, then the value, then the end of the values.
    EXPECT_EQ(memory->CallCount(MemoryRegistry::Op::EnumValue) - before, 3);
    EXPECT_EQ(Dump(L"Copy"), Dump(L"Big"));
}

TEST_F(KeyTreeTest, ValueNameOver260CharactersEndsTheCopyWithAnErrorAlsoWithLargeData) {
    const TreeKey tree{L"LongName", {Raw(std::wstring(261, L'n'), kRegBinary, {1})}};
    EXPECT_NE(Copy(tree, L"Copy"), kOk);
    EXPECT_EQ(Dump(L"LongName"), Describe(tree));
    const TreeKey large{L"LongData",
                        {Raw(std::wstring(300, L'n'), kRegBinary, std::vector<std::uint8_t>(4000, 1))}};
    EXPECT_NE(Copy(large, L"LargeCopy"), kOk);
}

TEST_F(KeyTreeTest, CopyMergesIntoAnExistingDestination) {
    ASSERT_EQ(WriteTree(store, scratch.Get(),
                        TreeKey{L"Copy",
                                {Sz(L"", L"Old name"), Dword(L"Kept", 1)},
                                {{L"DefaultIcon", {Sz(L"Other", L"x")}}, {L"Extra"}}}),
              kOk);
    EXPECT_EQ(Copy(kSample, L"Copy"), kOk);
    TreeKey merged = kSample;
    merged.values.push_back(Dword(L"Kept", 1));
    merged.subkeys.push_back({L"DefaultIcon", {Sz(L"Other", L"x")}});
    merged.subkeys.push_back({L"Extra"});
    EXPECT_EQ(Dump(L"Copy"), Describe(merged));
}

TEST_F(KeyTreeMemoryTest, CopyIntoAKeyThatCannotBeCreatedWritesNothing) {
    memory->DenyWriteAccess(CurrentUser(), Scratch(L"Locked"));
    ASSERT_EQ(WriteTree(store, scratch.Get(), kSample), kOk);
    RegKey source(store);
    ASSERT_EQ(source.Open(scratch.Get(), L"Source"), kOk);
    KeyHandle locked = nullptr;
    ASSERT_EQ(store.OpenKey(scratch.Get(), L"Locked", kKeyRead, &locked), kOk);
    EXPECT_EQ(CopyKeyTree(store, source.Get(), locked, L"Copy"), kAccessDenied);
    EXPECT_EQ(store.CloseKey(locked), kOk);
    EXPECT_EQ(Dump(L"Locked"), "[]\n");
}

// A copy that fails part way must say so and keep what it copied: the caller deletes
// the source only after a complete copy.
struct PartwayFault {
    const char* what;
    MemoryRegistry::Op op;
    int nth;
    std::string copied; // the destination's text afterwards
};

class KeyTreeFaultTest : public KeyTreeMemoryTest, public ::testing::WithParamInterface<PartwayFault> {};

TEST_P(KeyTreeFaultTest, CopyFailingPartWayReportsItAndKeepsWhatWasCopied) {
    const PartwayFault& fault = GetParam();
    ASSERT_EQ(WriteTree(store, scratch.Get(), kSample), kOk);
    RegKey source(store);
    ASSERT_EQ(source.Open(scratch.Get(), L"Source"), kOk);
    memory->FailNthCall(fault.op, fault.nth, 1234);
    EXPECT_EQ(CopyKeyTree(store, source.Get(), scratch.Get(), L"Copy"), 1234);
    memory->ClearFaults();
    EXPECT_EQ(Dump(L"Copy"), fault.copied);
    EXPECT_EQ(Dump(L"Source"), Describe(kSample));
    source.Close();
    scratch.Close();
    EXPECT_EQ(OpenHandles(), 0u) << "a key handle was left open";
}

// Values are enumerated in creation order in memory, subkeys in name order.
const std::string kThroughIcon = "[]\n"
                                 "  \"\" REG_SZ 10 \"Name\"\n"
                                 "  \"Attributes\" REG_DWORD 4 0xf8000131\n"
                                 "  \"Target\" REG_EXPAND_SZ 14 \"%TEMP%\"\n"
                                 "[DefaultIcon]\n"
                                 "  \"\" REG_SZ 28 \"shell32.dll,3\"\n";
INSTANTIATE_TEST_SUITE_P(
    Faults, KeyTreeFaultTest,
    ::testing::Values(
        PartwayFault{"CreateTop", MemoryRegistry::Op::Create, 1, kMissingTree},
        PartwayFault{"SecondValue", MemoryRegistry::Op::SetValue, 2, "[]\n  \"\" REG_SZ 10 \"Name\"\n"},
        PartwayFault{"EnumValue", MemoryRegistry::Op::EnumValue, 2, "[]\n  \"\" REG_SZ 10 \"Name\"\n"},
        PartwayFault{"SubkeyCreate", MemoryRegistry::Op::Create, 3, kThroughIcon},
        PartwayFault{"SubkeyOpen", MemoryRegistry::Op::Open, 2, kThroughIcon},
        PartwayFault{"EnumKey", MemoryRegistry::Op::EnumKey, 2, kThroughIcon},
        PartwayFault{"CloseOfSourceChild", MemoryRegistry::Op::Close, 2, kThroughIcon},
        PartwayFault{"DeepValue", MemoryRegistry::Op::SetValue, 6,
                     kThroughIcon + "[Instance]\n"
                                    "[Instance\\InitPropertyBag]\n"
                                    "  \"Attributes\" REG_DWORD 4 0x00000015\n"
                                    "[Shell]\n"
                                    "[Shell\\Open]\n"
                                    "[Shell\\Open\\Command]\n"}),
    [](const ::testing::TestParamInfo<PartwayFault>& info) { return std::string(info.param.what); });

TEST_F(KeyTreeMemoryTest, CopyReadsASourceSubkeyThatRefusesWriteAccess) {
    ASSERT_EQ(WriteTree(store, scratch.Get(), kSample), kOk);
    memory->DenyWriteAccess(CurrentUser(), Scratch(L"Source\\Instance"));
    KeyHandle source = nullptr;
    ASSERT_EQ(store.OpenKey(scratch.Get(), L"Source", kKeyRead, &source), kOk);
    EXPECT_EQ(CopyKeyTree(store, source, scratch.Get(), L"Copy"), kOk);
    EXPECT_EQ(store.CloseKey(source), kOk);
    EXPECT_EQ(Dump(L"Copy"), Describe(kSample));
}

TEST_F(KeyTreeTest, EmptyNamesAreRefusedAndAMissingKeyIsNotFoundWithoutAnyChange) {
    ASSERT_EQ(WriteTree(store, scratch.Get(), kSample), kOk);
    const std::string before = Dump(L"");
    RegKey source(store);
    ASSERT_EQ(source.Open(scratch.Get(), L"Source"), kOk);
    for (const wchar_t* empty : {L"", static_cast<const wchar_t*>(nullptr)}) {
        EXPECT_EQ(CopyKeyTree(store, source.Get(), scratch.Get(), empty), kInvalidParameter);
        EXPECT_EQ(DeleteKeyTree(store, scratch.Get(), empty), kInvalidParameter);
    }
    EXPECT_EQ(DeleteKeyTree(store, scratch.Get(), L"Missing"), kFileNotFound);
    EXPECT_EQ(scratch.DeleteTree(L"Source\\Missing"), kFileNotFound);
    EXPECT_EQ(Dump(L""), before);
}

TEST_F(KeyTreeTest, DeleteRemovesLeavesFirstAndTheNamedKeyLast) {
    ASSERT_EQ(
        WriteTree(
            store, scratch.Get(),
            TreeKey{L"Top", {Dword(L"v", 1)}, {{L"B\\B1\\B2", {Dword(L"deep", 1)}}, {L"A"}, {L"C\\C1"}}}),
        kOk);
    ASSERT_EQ(WriteTree(store, scratch.Get(), TreeKey{L"Sibling", {Dword(L"v", 2)}}), kOk);
    RecordingRegistry recorder(store);
    {
        RegKey parent(recorder);
        ASSERT_EQ(parent.Open(CurrentUser(), Scratch()), kOk);
        EXPECT_EQ(DeleteKeyTree(recorder, parent.Get(), L"Top"), kOk);
    }
    const std::string top = "Delete HKCU\\Software\\Orbelline\\VarnosetTests\\Top";
    EXPECT_EQ(
        recorder.Calls("Delete "),
        (std::vector<std::string>{top + "\\A = 0", top + "\\B\\B1\\B2 = 0", top + "\\B\\B1 = 0",
                                  top + "\\B = 0", top + "\\C\\C1 = 0", top + "\\C = 0", top + " = 0"}));
    EXPECT_EQ(Dump(L""), Describe(TreeKey{L"", {}, {{L"Sibling", {Dword(L"v", 2)}}}}));
}

TEST_F(KeyTreeMemoryTest, DeleteStopsAtAChildThatCannotBeDeleted) {
    ASSERT_EQ(
        WriteTree(store, scratch.Get(), TreeKey{L"Top", {Dword(L"v", 1)}, {{L"A"}, {L"B\\B1"}, {L"C"}}}),
        kOk);
    memory->DenyWriteAccess(CurrentUser(), Scratch(L"Top\\B\\B1"));
    EXPECT_EQ(DeleteKeyTree(store, scratch.Get(), L"Top"), kAccessDenied);
    // A went before the refusal; B, C and the key itself stay.
    EXPECT_EQ(Dump(L"Top"), Describe(TreeKey{L"", {Dword(L"v", 1)}, {{L"B\\B1"}, {L"C"}}}));
}

TEST_F(KeyTreeMemoryTest, DeleteStopsWhenAKeyRefusesDeletion) {
    ASSERT_EQ(WriteTree(store, scratch.Get(), TreeKey{L"Top", {}, {{L"A\\A1"}, {L"B"}}}), kOk);
    memory->FailNthCall(MemoryRegistry::Op::DeleteKey, 2, 1234);
    EXPECT_EQ(DeleteKeyTree(store, scratch.Get(), L"Top"), 1234);
    EXPECT_EQ(Dump(L"Top"), Describe(TreeKey{L"", {}, {{L"A"}, {L"B"}}}));
}

// The registry allows trees 512 levels deep; both walks must manage them without
// exhausting the stack (natively this runs under AddressSanitizer).
TEST_F(KeyTreeTest, CopyAndDeleteOfA512LevelTree) {
    WriteDeepChain(L"Deep", 512);
    const std::string source = Dump(L"Deep");
    ASSERT_NE(source.find("\"leaf\" REG_SZ 14 \"bottom\""), std::string::npos);
    {
        RegKey deep(store);
        ASSERT_EQ(deep.Open(scratch.Get(), L"Deep"), kOk);
        EXPECT_EQ(CopyKeyTree(store, deep.Get(), scratch.Get(), L"Copy"), kOk);
    }
    EXPECT_EQ(Dump(L"Copy"), source);
    EXPECT_EQ(DeleteKeyTree(store, scratch.Get(), L"Deep"), kOk);
    EXPECT_EQ(scratch.DeleteTree(L"Copy"), kOk);
    EXPECT_EQ(Dump(L""), "[]\n");
}

} // namespace
} // namespace vs::test
