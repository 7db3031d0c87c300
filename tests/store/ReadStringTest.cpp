// The validated string read: whatever a value holds, the text never runs past the bytes
// the query returned and malformed strings are rejected instead of guessed at.

#include "store/RegKey.h"
#include "tests/support/RegistryFixture.h"

#include <gtest/gtest.h>

namespace vs::test {
namespace {

class ReadStringTest : public RegistryFixture {
protected:
    // Writes one value into the scratch key and reads it back with capacity chars.
    StringRead Read(const TreeValue& value, std::uint32_t capacity = 1000) {
        EXPECT_EQ(WriteTree(store, CurrentUser(), TreeKey{Scratch(L"Read"), {value}}), kOk);
        RegKey key(store);
        EXPECT_EQ(key.Open(CurrentUser(), Scratch(L"Read")), kOk);
        return key.ReadString(value.name.c_str(), capacity);
    }

    void TearDown() override { EXPECT_EQ(OpenHandles(), 0u) << "a key handle was left open"; }
};

// Text and count are checked where given (null text, count -1: not checked).
TEST_F(ReadStringTest, TextStaysWithinTheReturnedBytesAndMalformedStringsAreRejected) {
    using Bytes = std::vector<std::uint8_t>;
    const Bytes ab = ToUtf16Bytes(L"ab"), cd = ToUtf16Bytes(L"cd");
    Bytes oddSize = ab, embeddedNul = ab;
    oddSize.push_back(0);
    embeddedNul.insert(embeddedNul.end(), cd.begin(), cd.end());
    const std::wstring x299(299, L'x'), x300(300, L'x');
    const struct {
        TreeValue value;
        std::uint32_t capacity;
        Status status;
        const wchar_t* text;
        int count;
    } cases[] = {
        {Sz(L"name", L"Hello"), 1000, kOk, L"Hello", 6}, // the count includes the NUL
        {ExpandSz(L"", L"%SystemRoot%\\system32"), 1000, kOk, L"%SystemRoot%\\system32", -1}, // unexpanded
        // Non-string types are invalid data.
        {Dword(L"v", 0x00410041), 1000, kInvalidData, L"", -1},
        {Raw(L"v", kRegBinary, ToUtf16Bytes(L"abc")), 1000, kInvalidData, L"", -1},
        {Raw(L"v", kRegMultiSz, {'a', 0, 0, 0, 0, 0}), 1000, kInvalidData, L"", -1},
        {Raw(L"v", kRegNone, ToUtf16Bytes(L"x")), 1000, kInvalidData, L"", -1},
        // Empty string values give empty text.
        {Sz(L"v", L""), 1000, kOk, L"", 1},
        {Raw(L"v", kRegSz, {}), 1000, kOk, L"", 0},
        // No terminator, an odd byte size: rejected.
        {Raw(L"v", kRegSz, TextBytes(L"abc")), 1000, kInvalidData, L"", -1},
        {Raw(L"v", kRegExpandSz, TextBytes(L"x")), 1000, kInvalidData, nullptr, -1},
        {Raw(L"v", kRegSz, oddSize), 1000, kInvalidData, nullptr, -1},
        {Raw(L"v", kRegSz, {0}), 1000, kInvalidData, nullptr, -1},
        {Raw(L"v", kRegSz, embeddedNul), 1000, kOk, L"ab", 6}, // the text stops at the NUL
        // Longer than the capacity: more data and no text; zero capacity never succeeds.
        {Sz(L"v", x300), 300, kMoreData, L"", -1},
        {Sz(L"v", x299), 300, kOk, x299.c_str(), 300},
        {Sz(L"v", L"abc"), 0, kMoreData, nullptr, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(TypeName(c.value.type) + " " + std::to_string(c.value.data.size()) +
                     " bytes, capacity " + std::to_string(c.capacity));
        const StringRead read = Read(c.value, c.capacity);
        EXPECT_EQ(read.status, c.status);
        if (c.text)
            EXPECT_EQ(read.text, c.text);
        if (c.count >= 0)
            EXPECT_EQ(read.count, static_cast<std::uint32_t>(c.count));
    }
}

TEST_F(ReadStringTest, MissingValueGivesFileNotFound) {
    ASSERT_EQ(Read(Sz(L"other", L"x")).status, kOk);
    RegKey key(store);
    ASSERT_EQ(key.Open(CurrentUser(), Scratch(L"Read")), kOk);
    const StringRead missing = key.ReadString(L"missing", 1000);
    EXPECT_EQ(missing.status, kFileNotFound);
    EXPECT_EQ(missing.text, L"");
}

} // namespace
} // namespace vs::test
