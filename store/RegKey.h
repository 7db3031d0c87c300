#pragma once
// RegKey owns one open key handle (or none) of a RegistryStore and reads and writes its
// values by type; the recursive copy and delete of key trees live beside it.

#include "RegistryStore.h"

#include <string>
#include <string_view>

namespace vs {

// Result of the validated string read: the status, the text up to its NUL, and the
// character count reported by the read (the NUL included; 0 for an empty value).
struct StringRead {
    Status status = kFileNotFound;
    std::wstring text;
    std::uint32_t count = 0;
};

// Result of the lenient text read: whatever bytes came back, as text up to the first NUL,
// and the stored type.
struct TextRead {
    Status status = kFileNotFound;
    std::uint32_t type = kRegNone;
    std::wstring text;
};

// Result of a DWORD read: the value, the stored type and the byte count the read returned.
struct DwordRead {
    Status status = kFileNotFound;
    std::uint32_t type = kRegNone;
    std::uint32_t size = 0;
    std::uint32_t value = 0;

    // A REG_DWORD of exactly four bytes.
    bool IsDword() const { return status == kOk && type == kRegDword && size == 4; }
};

class RegKey {
public:
    explicit RegKey(RegistryStore& store) : store_(&store) {}
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept;
    RegKey& operator=(RegKey&& other) noexcept;

    // OpenKey with KEY_READ unless told otherwise (a key is opened for writing only by the
    // command that writes it, when it does: a standard user may read what they may not
    // write), CreateKey with KEY_READ | KEY_WRITE. On success the handle held so far is
    // closed and the new one held; on failure what was held stays. A null parent (a key
    // whose own open failed) fails without reaching the store.
    [[nodiscard]] Status Open(KeyHandle parent, std::wstring_view path, std::uint32_t access = kKeyRead);
    [[nodiscard]] Status Create(KeyHandle parent, std::wstring_view path,
                                std::uint32_t access = kKeyReadWrite);
    // Closes the handle held, if any, and returns what CloseKey said (0 when none was held).
    Status Close();

    KeyHandle Get() const { return handle_; }
    bool IsOpen() const { return handle_ != nullptr; }
    // Gives up ownership without closing.
    [[nodiscard]] KeyHandle Release();
    RegistryStore& Store() const { return *store_; }

    // SetValue with the text and its NUL, (length + 1) * 2 bytes.
    [[nodiscard]] Status SetString(const wchar_t* name, std::wstring_view text, std::uint32_t type = kRegSz);
    // SetValue with REG_DWORD, four bytes little-endian.
    [[nodiscard]] Status SetDword(const wchar_t* name, std::uint32_t value);
    // The validated string read (see vs::ReadString), capacity in characters.
    [[nodiscard]] StringRead ReadString(const wchar_t* name, std::uint32_t capacity) const;
    // Queries at most `bytes` bytes of any type and decodes what came back, bounded by the
    // returned size, up to the first NUL: stored data need be neither terminated nor of even
    // size. A value larger than the buffer fails with 234.
    [[nodiscard]] TextRead ReadText(const wchar_t* name, std::uint32_t bytes) const;
    // Queries at most four bytes of any type over the little-endian bytes of start: the
    // bytes a shorter value does not fill keep start's. A larger value fails with 234 and
    // gives start.
    [[nodiscard]] DwordRead ReadDword(const wchar_t* name, std::uint32_t start = 0) const;
    [[nodiscard]] Status DeleteTree(const wchar_t* name);
    // FlushKey; the writes so far reach the store.
    [[nodiscard]] Status Flush();

private:
    RegistryStore* store_;
    KeyHandle handle_ = nullptr;
};

// The validated string read: REG_SZ or REG_EXPAND_SZ only (else 13), an empty value is
// an empty text, an odd size or a missing terminator gives 13. Never reads past the
// bytes the query returned.
[[nodiscard]] StringRead ReadString(RegistryStore& store, KeyHandle key, const wchar_t* name,
                                    std::uint32_t capacity);

// The DWORD read of RegKey::ReadDword on a key held elsewhere.
[[nodiscard]] DwordRead ReadDword(RegistryStore& store, KeyHandle key, const wchar_t* name,
                                  std::uint32_t start = 0);

// Copies every value and subkey of source into the key name below destParent (created,
// or opened and written into); the source's subkeys are opened for reading only. Stops at the first failure
// and returns its status; what was copied stays.
[[nodiscard]] Status CopyKeyTree(RegistryStore& store, KeyHandle source, KeyHandle destParent,
                                 const wchar_t* name);

// Deletes name below parent with all its subkeys, leaves first. Stops at the first key
// that cannot be deleted.
[[nodiscard]] Status DeleteKeyTree(RegistryStore& store, KeyHandle parent, const wchar_t* name);

} // namespace vs
