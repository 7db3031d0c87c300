#pragma once
// The contents of a registry file (.reg) as this program reads and writes them: key
// blocks in file order, each naming its key from a predefined root, with the values to
// set or delete, or a key whose whole tree is to be deleted ("[-KEY]").
//
// WriteRegFile produces the text regedit and "reg export" write: UTF-16LE with a
// byte-order mark, CRLF line ends, the line "Windows Registry Editor Version 5.00", then
// a blank line before every key block and one after the last. Values appear as
//   @=...            the default value (an empty name)
//   "name"="text"    REG_SZ that is exactly one clean string and its NUL
//   "name"=dword:0000002a   REG_DWORD of four bytes
//   "name"=hex:...   REG_BINARY;  "name"=hex(N):... any other type, N in lower-case hex
//   "name"=-         a value to delete
// with hex bytes as two lower-case digits separated by commas, continued on the next line
// (a backslash, CRLF and two spaces) once a line reaches 77 characters, exactly where
// regedit breaks it. Text values escape backslash and quote. A REG_SZ that is not a
// clean string (odd size, no terminator, a NUL or a line break inside) goes out as
// hex(1) so that its bytes survive, and so does one of more than 65,536 characters, so
// that no line comes near a reader's limit. REG_EXPAND_SZ and REG_MULTI_SZ always go
// out as hex(2) and hex(7), as regedit writes them.

#include "RegistryTypes.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vs {

// The two roots regedit knows besides the three this program uses.
inline KeyHandle Users() {
    return RootKey(0x80000003u);
}
inline KeyHandle CurrentConfig() {
    return RootKey(0x80000005u);
}

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
// "HKEY_CURRENT_CONFIG"; empty for any other handle.
std::wstring_view RegistryRootName(KeyHandle root);
// The root a file names, by its full name or its short form (HKCR, HKCU, HKLM, HKU,
// HKCC), in any letter case; null when it is none of them.
KeyHandle RegistryRootFromName(std::wstring_view name);

// The registry's own limits, which files are held to.
inline constexpr std::size_t kMaxKeyNameChars = 255;
inline constexpr std::size_t kMaxValueNameChars = 16383;
// Key names below the root: the registry nests at most 512 levels, the root among them.
inline constexpr std::size_t kMaxKeyDepth = 511;

struct RegFileValue {
    std::wstring name; // empty: the default value
    bool remove = false;
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
    std::size_t line = 0; // where the value starts in a parsed file
};

struct RegFileKey {
    KeyHandle root = nullptr;
    std::wstring path; // below the root, names separated by single backslashes
    bool remove = false;
    std::vector<RegFileValue> values;
    std::size_t line = 0;
};

struct RegFile {
    std::vector<RegFileKey> keys;
};

// Splits a key path at its backslashes (an empty path gives no names).
std::vector<std::wstring> SplitKeyPath(std::wstring_view path);
// The first count names joined by backslashes.
std::wstring JoinKeyPath(const std::vector<std::wstring>& names, std::size_t count);
// The root's name and the path, as a file writes them ("HKEY_CURRENT_USER\Software").
std::wstring FullKeyName(KeyHandle root, std::wstring_view path);

// Writes the file's bytes to out. Fails with kInvalidData, writing nothing, when a name
// cannot be carried by the format (a key name with a line break or a NUL, a value name
// with a NUL); badKey, when given, receives the index of that key. kInvalidParameter for a key
// whose root is not a predefined key.
[[nodiscard]] Status WriteRegFile(const RegFile& file, std::vector<std::uint8_t>& out,
                                  std::size_t* badKey = nullptr);

} // namespace vs
