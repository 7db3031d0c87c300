// The registry's own semantics, which every part of the store relies on. The same cases
// run natively against the in-memory registry and under Wine against the real one, so
// a difference between the two shows up as a failure on one side.

#include "store/RegKey.h"
#include "tests/support/RegistryFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vs::test {
namespace {

class RegistryStoreTest : public RegistryFixture {
protected:
    // Opens path below HKCU into a RegKey, asserting success.
    RegKey OpenScratch(std::wstring_view relative) {
        RegKey key(store);
        EXPECT_EQ(key.Open(CurrentUser(), Scratch(relative), kKeyReadWrite), kOk);
        return key;
    }

    std::vector<std::wstring> SubkeyNames(KeyHandle key) {
        std::vector<std::wstring> names;
        wchar_t name[256];
        for (std::uint32_t index = 0;; ++index) {
            std::uint32_t capacity = 256;
            const Status status = store.EnumKey(key, index, name, &capacity);
            if (status != kOk) {
                EXPECT_EQ(status, kNoMoreItems);
                break;
            }
            EXPECT_EQ(capacity, std::wcslen(name));
            names.emplace_back(name);
        }
        return names;
    }

    std::vector<std::wstring> ValueNames(KeyHandle key) {
        std::vector<std::wstring> names;
        std::vector<wchar_t> name(16384);
        for (std::uint32_t index = 0;; ++index) {
            std::uint32_t capacity = static_cast<std::uint32_t>(name.size());
            const Status status =
                store.EnumValue(key, index, name.data(), &capacity, nullptr, nullptr, nullptr);
            if (status != kOk) {
                EXPECT_EQ(status, kNoMoreItems);
                break;
            }
            names.emplace_back(name.data(), capacity);
        }
        return names;
    }

    void TearDown() override { EXPECT_EQ(OpenHandles(), 0u) << "a key handle was left open"; }
};

TEST_F(RegistryStoreTest, KeyNamesMatchInAnyCaseAndKeepTheirSpelling) {
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{Scratch(L"MixedCase\\InnerKey")}), kOk);
    {
        RegKey upper(store);
        EXPECT_EQ(upper.Open(CurrentUser(), Scratch(L"MIXEDCASE\\innerkey")), kOk);
        RegKey again(store);
        EXPECT_EQ(again.Create(CurrentUser(), Scratch(L"mixedcase")), kOk);
        EXPECT_EQ(SubkeyNames(again.Get()), std::vector<std::wstring>{L"InnerKey"});
    }
    RegKey scratch = OpenScratch(L"");
    EXPECT_EQ(SubkeyNames(scratch.Get()), std::vector<std::wstring>{L"MixedCase"});
}

TEST_F(RegistryStoreTest, ValueNamesMatchInAnyCaseAndReplacingKeepsOneValue) {
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{Scratch(L"Values"), {Dword(L"ValueName", 1)}}), kOk);
    RegKey key = OpenScratch(L"Values");
    EXPECT_EQ(key.SetDword(L"VALUENAME", 2), kOk);
    std::uint32_t type = 0;
    std::uint8_t data[4] = {};
    std::uint32_t size = sizeof data;
    EXPECT_EQ(store.QueryValue(key.Get(), L"valuename", &type, data, &size), kOk);
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(data[0], 2);
    const std::vector<std::wstring> names = ValueNames(key.Get());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(NamesEqual(names[0], L"ValueName"));
}

TEST_F(RegistryStoreTest, ValuesComeBackByteExactWithTheirType) {
    const TreeKey tree{Scratch(L"Typed"),
                       {Raw(L"odd", kRegBinary, {1, 2, 3}), Raw(L"empty", kRegBinary, {}),
                        Raw(L"none", kRegNone, {9}), Raw(L"custom", 0x1234, {0, 0xFF}),
                        Raw(L"qword", kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}),
                        Raw(L"multi", kRegMultiSz, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}), Sz(L"", L"default"),
                        ExpandSz(L"expand", L"%SystemRoot%\\x"), Dword(L"dword", 0xFFFFFFFFu)}};
    ASSERT_EQ(WriteTree(store, CurrentUser(), tree), kOk);
    EXPECT_EQ(DumpTree(store, CurrentUser(), Scratch(L"Typed")), Describe(tree));
}

TEST_F(RegistryStoreTest, MissingKeysAndValuesGiveFileNotFound) {
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{Scratch(L"Present")}), kOk);
    KeyHandle key = nullptr;
    EXPECT_EQ(store.OpenKey(CurrentUser(), Scratch(L"Absent").c_str(), kKeyReadWrite, &key), kFileNotFound);
    EXPECT_EQ(store.OpenKey(CurrentUser(), Scratch(L"Absent\\Deeper").c_str(), kKeyRead, &key),
              kFileNotFound);
    RegKey present = OpenScratch(L"Present");
    std::uint32_t size = 0;
    EXPECT_EQ(store.QueryValue(present.Get(), L"nothing", nullptr, nullptr, &size), kFileNotFound);
    EXPECT_EQ(store.QueryValue(present.Get(), nullptr, nullptr, nullptr, &size), kFileNotFound);
    EXPECT_EQ(store.DeleteKey(present.Get(), L"nothing"), kFileNotFound);
}

TEST_F(RegistryStoreTest, SmallBuffersGiveMoreDataWithTheSizeNeeded) {
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{Scratch(L"Big"), {Sz(L"text", L"0123456789")}}), kOk);
    RegKey key = OpenScratch(L"Big");
    std::uint8_t data[8];
    std::uint32_t type = 0;
    std::uint32_t size = sizeof data;
    EXPECT_EQ(store.QueryValue(key.Get(), L"text", &type, data, &size), kMoreData);
    EXPECT_EQ(size, 22u);
    wchar_t name[16];
    std::uint32_t nameCapacity = 16;
    size = sizeof data;
    EXPECT_EQ(store.EnumValue(key.Get(), 0, name, &nameCapacity, &type, data, &size), kMoreData);
    EXPECT_EQ(size, 22u);
    std::uint8_t big[64];
    nameCapacity = 16;
    size = sizeof big;
    EXPECT_EQ(store.EnumValue(key.Get(), 0, name, &nameCapacity, &type, big, &size), kOk);
    EXPECT_EQ(size, 22u);
    EXPECT_EQ(nameCapacity, 4u);
    EXPECT_EQ(std::wstring(name), L"text");
}

TEST_F(RegistryStoreTest, EnumerationPastTheEndGivesNoMoreItems) {
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{Scratch(L"Enum"), {Dword(L"one", 1)}, {{L"child"}}}),
              kOk);
    RegKey key = OpenScratch(L"Enum");
    wchar_t name[256];
    std::uint32_t capacity = 256;
    EXPECT_EQ(store.EnumKey(key.Get(), 1, name, &capacity), kNoMoreItems);
    capacity = 256;
    EXPECT_EQ(store.EnumValue(key.Get(), 1, name, &capacity, nullptr, nullptr, nullptr), kNoMoreItems);
    capacity = 256;
    EXPECT_EQ(store.EnumKey(key.Get(), 0, name, &capacity), kOk);
    EXPECT_EQ(std::wstring(name), L"child");
}

TEST_F(RegistryStoreTest, KeyWithSubkeysIsNotDeleted) {
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{Scratch(L"Parent\\Child"), {Dword(L"v", 1)}}), kOk);
    const std::string before = DumpTree(store, CurrentUser(), Scratch());
    RegKey scratch = OpenScratch(L"");
    EXPECT_EQ(store.DeleteKey(scratch.Get(), L"Parent"), kAccessDenied);
    EXPECT_EQ(DumpTree(store, CurrentUser(), Scratch()), before);
    EXPECT_EQ(store.DeleteKey(scratch.Get(), L"Parent\\Child"), kOk);
    EXPECT_EQ(store.DeleteKey(scratch.Get(), L"Parent"), kOk);
    EXPECT_EQ(DumpTree(store, CurrentUser(), Scratch()), "[]\n");
}

TEST_F(RegistryStoreTest, CreateMakesEveryMissingKeyAlongThePathAndOpensExistingOnes) {
    RegKey key(store);
    ASSERT_EQ(key.Create(CurrentUser(), Scratch(L"a\\b\\c")), kOk);
    EXPECT_EQ(key.SetDword(L"n", 1), kOk);
    RegKey existing(store);
    ASSERT_EQ(existing.Create(CurrentUser(), Scratch(L"A\\B")), kOk);
    EXPECT_EQ(DumpTree(store, CurrentUser(), Scratch()),
              Describe(TreeKey{L"", {}, {{L"a\\b\\c", {Dword(L"n", 1)}}}}));
}

TEST_F(RegistryStoreTest, EnumerationStaysTheSameWhileTheKeyIsUnchanged) {
    ASSERT_EQ(WriteTree(store, CurrentUser(),
                        TreeKey{Scratch(L"Stable"),
                                {Dword(L"zeta", 1), Dword(L"Alpha", 2), Dword(L"mid", 3)},
                                {{L"zz"}, {L"Bb"}, {L"aa"}, {L"C"}}}),
              kOk);
    RegKey key = OpenScratch(L"Stable");
    const std::vector<std::wstring> keys = SubkeyNames(key.Get());
    const std::vector<std::wstring> values = ValueNames(key.Get());
    EXPECT_EQ(keys.size(), 4u);
    EXPECT_EQ(values.size(), 3u);
    for (int pass = 0; pass < 3; ++pass) {
        EXPECT_EQ(SubkeyNames(key.Get()), keys);
        EXPECT_EQ(ValueNames(key.Get()), values);
    }
    // Every name comes exactly once.
    std::vector<std::wstring> sorted = keys;
    std::sort(sorted.begin(), sorted.end(), [](auto& a, auto& b) { return CompareNames(a, b) < 0; });
    EXPECT_EQ(sorted, (std::vector<std::wstring>{L"aa", L"Bb", L"C", L"zz"}));
}

TEST_F(RegistryStoreTest, NullHandleFailsWithoutEffect) {
    RegKey none(store);
    EXPECT_FALSE(none.IsOpen());
    EXPECT_NE(none.SetString(L"x", L"text"), kOk);
    EXPECT_NE(none.SetDword(L"x", 1), kOk);
    EXPECT_NE(none.ReadString(L"x", 10).status, kOk);
    EXPECT_NE(none.DeleteTree(L"x"), kOk);
    KeyHandle out = nullptr;
    EXPECT_NE(store.CreateKey(nullptr, L"x", kKeyReadWrite, &out), kOk);
    EXPECT_NE(store.SetValue(nullptr, L"x", kRegDword, reinterpret_cast<const std::uint8_t*>("abcd"), 4),
              kOk);
    EXPECT_EQ(DumpTree(store, CurrentUser(), Scratch()), kMissingTree);
}

TEST_F(RegistryStoreTest, HandleOfADeletedKeyNoLongerWrites) {
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{Scratch(L"Doomed")}), kOk);
    RegKey doomed = OpenScratch(L"Doomed");
    RegKey scratch = OpenScratch(L"");
    ASSERT_EQ(store.DeleteKey(scratch.Get(), L"Doomed"), kOk);
    EXPECT_EQ(doomed.SetDword(L"late", 1), kKeyDeleted);
    KeyHandle child = nullptr;
    EXPECT_NE(store.CreateKey(doomed.Get(), L"child", kKeyReadWrite, &child), kOk);
    EXPECT_EQ(DumpTree(store, CurrentUser(), Scratch()), "[]\n");
}

TEST_F(RegistryStoreTest, RegKeyOpenFailureKeepsTheHandleItHeld) {
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{Scratch(L"Held"), {Dword(L"mark", 7)}}), kOk);
    RegKey key = OpenScratch(L"Held");
    const KeyHandle held = key.Get();
    EXPECT_EQ(key.Open(CurrentUser(), Scratch(L"Missing")), kFileNotFound);
    EXPECT_EQ(key.Get(), held);
    EXPECT_EQ(key.SetDword(L"second", 8), kOk);
    RegKey moved = std::move(key);
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(moved.Get(), held);
    moved.Close();
    EXPECT_FALSE(moved.IsOpen());
    EXPECT_EQ(DumpTree(store, CurrentUser(), Scratch(L"Held")),
              Describe(TreeKey{L"", {Dword(L"mark", 7), Dword(L"second", 8)}}));
}

TEST_F(RegistryStoreTest, StringsAreWrittenWithTheirTerminator) {
    RegKey key(store);
    ASSERT_EQ(key.Create(CurrentUser(), Scratch(L"Strings")), kOk);
    EXPECT_EQ(key.SetString(L"empty", L""), kOk);
    EXPECT_EQ(key.SetString(L"text", L"abc", kRegExpandSz), kOk);
    EXPECT_EQ(key.SetString(nullptr, L"default"), kOk);
    EXPECT_EQ(DumpTree(store, CurrentUser(), Scratch(L"Strings")), "[]\n"
                                                                   "  \"\" REG_SZ 16 \"default\"\n"
                                                                   "  \"empty\" REG_SZ 2 \"\"\n"
                                                                   "  \"text\" REG_EXPAND_SZ 8 \"abc\"\n");
}

// The in-memory registry's fault injection and access rules: what the failure-path tests
// of the rest of the store rely on.
class MemoryRegistryTest : public RegistryStoreTest {
protected:
    void SetUp() override {
        if (!memory)
            GTEST_SKIP() << "needs the in-memory registry";
    }
};

TEST_F(MemoryRegistryTest, WriteDeniedKeyOpensOnlyForReading) {
    memory->DenyWriteAccess(CurrentUser(), Scratch(L"Locked"));
    KeyHandle key = nullptr;
    EXPECT_EQ(store.OpenKey(CurrentUser(), Scratch(L"Locked").c_str(), kKeyReadWrite, &key), kAccessDenied);
    EXPECT_EQ(store.CreateKey(CurrentUser(), Scratch(L"Locked").c_str(), kKeyReadWrite, &key), kAccessDenied);
    EXPECT_EQ(store.CreateKey(CurrentUser(), Scratch(L"Locked\\Child").c_str(), kKeyReadWrite, &key),
              kAccessDenied);
    ASSERT_EQ(store.OpenKey(CurrentUser(), Scratch(L"Locked").c_str(), kKeyRead, &key), kOk);
    EXPECT_EQ(store.SetValue(key, L"x", kRegBinary, nullptr, 0), kAccessDenied);
    EXPECT_EQ(store.CloseKey(key), kOk);
    RegKey scratch = OpenScratch(L"");
    EXPECT_EQ(store.DeleteKey(scratch.Get(), L"Locked"), kAccessDenied);
}

TEST_F(MemoryRegistryTest, ReadOnlyHandleCannotWriteAndQueryNeedsReadAccess) {
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{Scratch(L"Access"), {Dword(L"v", 1)}, {{L"c"}}}), kOk);
    KeyHandle key = nullptr;
    ASSERT_EQ(store.OpenKey(CurrentUser(), Scratch(L"Access").c_str(), kKeyRead, &key), kOk);
    EXPECT_EQ(store.SetValue(key, L"v", kRegBinary, nullptr, 0), kAccessDenied);
    KeyHandle child = nullptr;
    EXPECT_EQ(store.CreateKey(key, L"new", kKeyReadWrite, &child), kAccessDenied);
    EXPECT_EQ(store.CloseKey(key), kOk);
    ASSERT_EQ(store.OpenKey(CurrentUser(), Scratch(L"Access").c_str(), kKeySetValue, &key), kOk);
    std::uint32_t size = 0;
    EXPECT_EQ(store.QueryValue(key, L"v", nullptr, nullptr, &size), kAccessDenied);
    wchar_t name[8];
    std::uint32_t capacity = 8;
    EXPECT_EQ(store.EnumKey(key, 0, name, &capacity), kAccessDenied);
    capacity = 8;
    EXPECT_EQ(store.EnumValue(key, 0, name, &capacity, nullptr, nullptr, nullptr), kAccessDenied);
    EXPECT_EQ(store.CloseKey(key), kOk);
}

TEST_F(MemoryRegistryTest, InjectedFaultsHitTheNthCallOnceOrFromThenOn) {
    RegKey key(store);
    ASSERT_EQ(key.Create(CurrentUser(), Scratch(L"Faults")), kOk);
    memory->FailNthCall(MemoryRegistry::Op::SetValue, 2, 1234);
    EXPECT_EQ(key.SetDword(L"a", 1), kOk);
    EXPECT_EQ(key.SetDword(L"b", 2), 1234);
    EXPECT_EQ(key.SetDword(L"c", 3), kOk);
    memory->FailFromCall(MemoryRegistry::Op::SetValue, 2);
    EXPECT_EQ(key.SetDword(L"d", 4), kOk);
    EXPECT_EQ(key.SetDword(L"e", 5), kAccessDenied);
    EXPECT_EQ(key.SetDword(L"f", 6), kAccessDenied);
    memory->ClearFaults();
    EXPECT_EQ(key.SetDword(L"g", 7), kOk);
    EXPECT_EQ(DumpTree(store, CurrentUser(), Scratch(L"Faults")),
              Describe(TreeKey{L"", {Dword(L"a", 1), Dword(L"c", 3), Dword(L"d", 4), Dword(L"g", 7)}}));
}

TEST_F(MemoryRegistryTest, FailedCloseStillReleasesTheHandle) {
    KeyHandle key = nullptr;
    ASSERT_EQ(store.CreateKey(CurrentUser(), Scratch(L"Close").c_str(), kKeyReadWrite, &key), kOk);
    memory->FailNthCall(MemoryRegistry::Op::Close, 1);
    EXPECT_EQ(store.CloseKey(key), kAccessDenied);
    EXPECT_EQ(OpenHandles(), 0u);
    EXPECT_EQ(store.CloseKey(key), kInvalidHandle);
}

// A tree far deeper than any stack frame per level could survive: freeing it must not
// recurse.
TEST_F(MemoryRegistryTest, InMemoryRegistryFreesAVeryDeepTreeWithoutRecursion) {
    auto deep = std::make_unique<MemoryRegistry>();
    KeyHandle key = CurrentUser();
    for (int level = 0; level < 200000; ++level) {
        KeyHandle child = nullptr;
        ASSERT_EQ(deep->CreateKey(key, L"k", kKeyReadWrite, &child), kOk);
        if (key != CurrentUser()) {
            ASSERT_EQ(deep->CloseKey(key), kOk);
        }
        key = child;
    }
    ASSERT_EQ(deep->CloseKey(key), kOk);
    deep.reset();
}

} // namespace
} // namespace vs::test
