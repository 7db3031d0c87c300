// The validated string read: whatever a value holds, the text never runs past the bytes
// the query returned and malformed strings are rejected instead of guessed at.

#include "store/RegKey.h"
#include "tests/support/RegistryFixture.h"

#include <gtest/gtest.h>

namespace vs::test {
namespace {

class ReadStringTest : public RegistryFixture {
protected:
    // Writes one value into a fresh scratch key and reads it back with capacity chars.
    StringRead Read(const TreeValue& value, std::uint32_t capacity = 1000) {
        EXPECT_EQ(WriteTree(store, CurrentUser(), TreeKey{Scratch(L"Read"), {value}}), kOk);
        RegKey key(store);
        EXPECT_EQ(key.Open(CurrentUser(), Scratch(L"Read")), kOk);
        return key.ReadString(value.name.c_str(), capacity);
    }

    void TearDown() override { EXPECT_EQ(OpenHandles(), 0u) << "a key handle was left open"; }
};

TEST_F(ReadStringTest, WellFormedTextIsReturnedWithItsCountIncludingTheNul) {
    const StringRead read = Read(Sz(L"name", L"Hello"));
    EXPECT_EQ(read.status, kOk);
    EXPECT_EQ(read.text, L"Hello");
    EXPECT_EQ(read.count, 6u);
}

TEST_F(ReadStringTest, ExpandableTextIsReturnedUnexpanded) {
    const StringRead read = Read(ExpandSz(L"", L"%SystemRoot%\\system32"));
    EXPECT_EQ(read.status, kOk);
    EXPECT_EQ(read.text, L"%SystemRoot%\\system32");
}

TEST_F(ReadStringTest, NonStringTypesAreRejectedAsInvalidData) {
    for (const TreeValue& value :
         {Dword(L"v", 0x00410041), Raw(L"v", kRegBinary, ToUtf16Bytes(L"abc")),
          Raw(L"v", kRegMultiSz, {'a', 0, 0, 0, 0, 0}), Raw(L"v", kRegNone, ToUtf16Bytes(L"x"))}) {
        const StringRead read = Read(value);
        EXPECT_EQ(read.status, kInvalidData) << TypeName(value.type);
        EXPECT_EQ(read.text, L"") << TypeName(value.type);
    }
}

TEST_F(ReadStringTest, EmptyStringValuesGiveEmptyText) {
    StringRead read = Read(Sz(L"v", L""));
    EXPECT_EQ(read.status, kOk);
    EXPECT_EQ(read.text, L"");
    EXPECT_EQ(read.count, 1u);
    read = Read(Raw(L"v", kRegSz, {}));
    EXPECT_EQ(read.status, kOk);
    EXPECT_EQ(read.text, L"");
    EXPECT_EQ(read.count, 0u);
}

TEST_F(ReadStringTest, StringWithoutTerminatorIsRejected) {
    const StringRead read = Read(Raw(L"v", kRegSz, TextBytes(L"abc")));
    EXPECT_EQ(read.status, kInvalidData);
    EXPECT_EQ(read.text, L"");
    EXPECT_EQ(Read(Raw(L"v", kRegExpandSz, TextBytes(L"x"))).status, kInvalidData);
}

TEST_F(ReadStringTest, OddByteSizeIsRejected) {
    std::vector<std::uint8_t> bytes = ToUtf16Bytes(L"ab");
    bytes.push_back(0);
    EXPECT_EQ(Read(Raw(L"v", kRegSz, bytes)).status, kInvalidData);
    EXPECT_EQ(Read(Raw(L"v", kRegSz, {0})).status, kInvalidData);
}

TEST_F(ReadStringTest, TextStopsAtAnEmbeddedNul) {
    std::vector<std::uint8_t> bytes = ToUtf16Bytes(L"ab");
    const std::vector<std::uint8_t> tail = ToUtf16Bytes(L"cd");
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    const StringRead read = Read(Raw(L"v", kRegSz, bytes));
    EXPECT_EQ(read.status, kOk);
    EXPECT_EQ(read.text, L"ab");
    EXPECT_EQ(read.count, 6u);
}

TEST_F(ReadStringTest, TextLongerThanTheCapacityGivesMoreDataAndNoText) {
    StringRead read = Read(Sz(L"v", std::wstring(300, L'x')), 300);
    EXPECT_EQ(read.status, kMoreData);
    EXPECT_EQ(read.text, L"");
    read = Read(Sz(L"v", std::wstring(299, L'x')), 300);
    EXPECT_EQ(read.status, kOk);
    EXPECT_EQ(read.text, std::wstring(299, L'x'));
    EXPECT_EQ(read.count, 300u);
}

TEST_F(ReadStringTest, ZeroCapacityNeverReportsTextOrSuccessForData) {
    EXPECT_EQ(Read(Sz(L"v", L"abc"), 0).status, kMoreData);
}

TEST_F(ReadStringTest, MissingValueGivesFileNotFound) {
    const StringRead read = Read(Sz(L"other", L"x"));
    ASSERT_EQ(read.status, kOk);
    RegKey key(store);
    ASSERT_EQ(key.Open(CurrentUser(), Scratch(L"Read")), kOk);
    const StringRead missing = key.ReadString(L"missing", 1000);
    EXPECT_EQ(missing.status, kFileNotFound);
    EXPECT_EQ(missing.text, L"");
}

} // namespace
} // namespace vs::test
