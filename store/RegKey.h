#pragma once
// RegKey owns one open key handle (or none) of a RegistryStore; the recursive copy and
// delete of key trees and the validated string read live beside it.

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

class RegKey {
public:
    explicit RegKey(RegistryStore& store) : store_(&store) {}
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept;
    RegKey& operator=(RegKey&& other) noexcept;

    // OpenKey/CreateKey with KEY_READ | KEY_WRITE. On success the handle held so far is
    // closed and the new one held; on failure what was held stays. A null parent (a key
    // whose own open failed) fails without reaching the store.
    Status Open(KeyHandle parent, std::wstring_view path);
    Status Create(KeyHandle parent, std::wstring_view path);
    void Close();

    KeyHandle Get() const { return handle_; }
    bool IsOpen() const { return handle_ != nullptr; }
    // Gives up ownership without closing.
    KeyHandle Release();
    RegistryStore& Store() const { return *store_; }

    // SetValue with the text and its NUL, (length + 1) * 2 bytes.
    Status SetString(const wchar_t* name, std::wstring_view text, std::uint32_t type = kRegSz);
    Status SetDword(const wchar_t* name, std::uint32_t value);
    StringRead ReadString(const wchar_t* name, std::uint32_t capacity) const;
    Status DeleteTree(const wchar_t* name);
    // FlushKey; the writes so far reach the store.
    Status Flush();

private:
    RegistryStore* store_;
    KeyHandle handle_ = nullptr;
};

// The validated string read: REG_SZ or REG_EXPAND_SZ only (else 13), an empty value is
// an empty text, an odd size or a missing terminator gives 13. Never reads past the
// bytes the query returned.
StringRead ReadString(RegistryStore& store, KeyHandle key, const wchar_t* name, std::uint32_t capacity);

// Copies every value and subkey of source into the key name below destParent (created,
// or opened and written into). Stops at the first failure and returns its status; what
// was copied stays.
Status CopyKeyTree(RegistryStore& store, KeyHandle source, KeyHandle destParent, const wchar_t* name);

// Deletes name below parent with all its subkeys, leaves first. Stops at the first key
// that cannot be deleted.
Status DeleteKeyTree(RegistryStore& store, KeyHandle parent, const wchar_t* name);

} // namespace vs
