#pragma once
// Registry state for tests, written from a literal description and read back as one
// canonical text, so that a whole tree is compared in one assertion:
//
//     ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{L"Software\\Test", {Sz(L"", L"x")},
//                                                       {{L"Sub", {Dword(L"n", 7)}}}}), kOk);
//     EXPECT_EQ(DumpTree(store, CurrentUser(), L"Software\\Test"), Describe(expected));
//
// The text lists every key as a path relative to the dumped key (the key itself is
// "[]"), then its values; keys and values are sorted case-insensitively, and each value
// shows its type, its exact byte size and its data (well-formed text as text, numbers
// as numbers, anything else as hex bytes).

#include "store/RegistryStore.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vs::test {

struct TreeValue {
    std::wstring name; // empty: the key's default value
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
};

// REG_SZ / REG_EXPAND_SZ with the terminating NUL, (length + 1) * 2 bytes.
TreeValue Sz(std::wstring_view name, std::wstring_view text);
TreeValue ExpandSz(std::wstring_view name, std::wstring_view text);
// REG_DWORD, 4 bytes little-endian.
TreeValue Dword(std::wstring_view name, std::uint32_t value);
// Any type with exactly these bytes.
TreeValue Raw(std::wstring_view name, std::uint32_t type, std::vector<std::uint8_t> data);
// UTF-16LE bytes of text without a terminating NUL (for malformed string values).
std::vector<std::uint8_t> TextBytes(std::wstring_view text);

struct TreeKey {
    TreeKey(std::wstring keyPath, std::vector<TreeValue> keyValues = {}, std::vector<TreeKey> keySubkeys = {})
        : path(std::move(keyPath)), values(std::move(keyValues)), subkeys(std::move(keySubkeys)) {}

    std::wstring path; // relative to the parent; may hold backslashes
    std::vector<TreeValue> values;
    std::vector<TreeKey> subkeys;
};

// Creates key (and every missing key along its path) below parent, then its values and
// subkeys. Returns the first non-zero status, or 0.
Status WriteTree(RegistryStore& store, KeyHandle parent, const TreeKey& key);

// The canonical text of the key at path below parent, or kMissingTree when it cannot
// be opened.
inline constexpr char kMissingTree[] = "(missing)\n";
std::string DumpTree(RegistryStore& store, KeyHandle parent, std::wstring_view path);
// The text DumpTree would give for a key written from this description (its own path
// is not part of the text; paths within it are merged as the registry merges them).
std::string Describe(const TreeKey& key);

// Every key of the tree at path below parent, each before its subkeys, with its path
// relative to that key ("" for the key itself; names spelled as stored) and its values as
// stored. Empty when the key cannot be opened.
struct StoredKey {
    std::wstring path;
    std::vector<TreeValue> values;
};
std::vector<StoredKey> ReadKeys(RegistryStore& store, KeyHandle parent, std::wstring_view path);
// The names of the subkeys of path below parent, as stored; none when it cannot be opened.
std::vector<std::wstring> SubkeyNames(RegistryStore& store, KeyHandle parent, std::wstring_view path);

// The text with its letters folded as registry names compare (vs::FoldCase).
std::wstring Folded(std::wstring_view text);

// Deletes path below parent with every subkey, leaves first, ignoring what is missing.
// Returns true when the key is gone afterwards.
bool RemoveTree(RegistryStore& store, KeyHandle parent, std::wstring_view path);

// "REG_SZ", "REG_DWORD", ... or "type N".
std::string TypeName(std::uint32_t type);
// Printable ASCII as it is, anything else as \uXXXX: one line of plain ASCII.
std::string Narrow(std::wstring_view text);

// Removes the registered trees when it goes out of scope, so a test against the real
// registry leaves nothing behind whether it passes or fails.
class TreeCleanup {
public:
    explicit TreeCleanup(RegistryStore& store) : store_(store) {}
    ~TreeCleanup();
    TreeCleanup(const TreeCleanup&) = delete;
    TreeCleanup& operator=(const TreeCleanup&) = delete;

    void Add(KeyHandle parent, std::wstring path) { trees_.emplace_back(parent, std::move(path)); }

private:
    RegistryStore& store_;
    std::vector<std::pair<KeyHandle, std::wstring>> trees_;
};

} // namespace vs::test
