#pragma once
// Basic registry vocabulary shared by every part of the store: key handles, status
// codes, value types and access masks, with the numbers Windows gives them. The store
// builds on Windows and natively, so it defines these itself instead of using windows.h.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vs {

// Opaque key handle; on Windows it is an HKEY.
struct KeyHandleTag;
using KeyHandle = KeyHandleTag*;

// Win32 status codes (LSTATUS).
using Status = long;
inline constexpr Status kOk = 0;
inline constexpr Status kFileNotFound = 2;
inline constexpr Status kAccessDenied = 5;
inline constexpr Status kInvalidHandle = 6;
inline constexpr Status kInvalidData = 13;
inline constexpr Status kInvalidParameter = 87;
inline constexpr Status kMoreData = 234;
inline constexpr Status kNoMoreItems = 259;
inline constexpr Status kKeyDeleted = 1018;

// Value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// Access masks.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWrite = 0x20006;
inline constexpr std::uint32_t kKeyReadWrite = 0x2001F;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

// The predefined roots, with the handle values Windows gives them (sign-extended).
inline KeyHandle RootKey(std::uint32_t value) {
    return reinterpret_cast<KeyHandle>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
}
inline KeyHandle ClassesRoot() {
    return RootKey(0x80000000u);
}
inline KeyHandle CurrentUser() {
    return RootKey(0x80000001u);
}
inline KeyHandle LocalMachine() {
    return RootKey(0x80000002u);
}
inline bool IsRootKey(KeyHandle key) {
    return key == ClassesRoot() || key == CurrentUser() || key == LocalMachine();
}

// Registry string data is UTF-16LE whatever the width of wchar_t; these convert between
// the store's std::wstring and those bytes. ToUtf16Bytes appends the terminating NUL.
std::vector<std::uint8_t> ToUtf16Bytes(std::wstring_view text);
// Decodes size bytes (an odd last byte is dropped) up to the first NUL.
std::wstring FromUtf16Bytes(const std::uint8_t* data, std::size_t size);

// The one case-insensitive comparison of names in the program: key and value names, class
// identifiers and paths. The letters A-Z compare equal to a-z and nothing else folds, so the
// result never depends on a locale.
wchar_t FoldCase(wchar_t c);
int CompareNames(std::wstring_view a, std::wstring_view b);
bool NamesEqual(std::wstring_view a, std::wstring_view b);
// Orders names for ordered containers by CompareNames.
struct NameLess {
    bool operator()(std::wstring_view a, std::wstring_view b) const { return CompareNames(a, b) < 0; }
};

} // namespace vs
