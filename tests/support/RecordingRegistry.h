#pragma once
// A RegistryStore that passes every call on to another one and writes down what it did,
// one line per call, with keys named by their full path ("HKCR\CLSID\{...}"). Tests use
// it to check the order of writes, flushes and closes, and which keys were deleted; the
// store tests under Wine count the keys left open through it.

#include "store/RegistryStore.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vs::test {

class RecordingRegistry final : public RegistryStore {
public:
    explicit RecordingRegistry(RegistryStore& inner) : inner_(inner) {}
    // Owns inner: it goes with the recorder.
    explicit RecordingRegistry(std::unique_ptr<RegistryStore> inner)
        : owned_(std::move(inner)), inner_(*owned_) {}

    Status OpenKey(KeyHandle parent, const wchar_t* path, std::uint32_t access, KeyHandle* out) override;
    Status CreateKey(KeyHandle parent, const wchar_t* path, std::uint32_t access, KeyHandle* out) override;
    Status EnumKey(KeyHandle key, std::uint32_t index, wchar_t* name, std::uint32_t* capacity) override;
    Status EnumValue(KeyHandle key, std::uint32_t index, wchar_t* name, std::uint32_t* nameCapacity,
                     std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) override;
    Status QueryValue(KeyHandle key, const wchar_t* name, std::uint32_t* type, std::uint8_t* data,
                      std::uint32_t* size) override;
    Status SetValue(KeyHandle key, const wchar_t* name, std::uint32_t type, const std::uint8_t* data,
                    std::uint32_t size) override;
    Status DeleteKey(KeyHandle parent, const wchar_t* name) override;
    Status FlushKey(KeyHandle key) override;
    Status CloseKey(KeyHandle key) override;

    // Lines such as
    //   Create HKCR\CLSID\{x} 0x2001f = 0
    //   Set HKCR\CLSID\{x} "InfoTip" REG_SZ 10 = 0
    //   Flush HKCR\CLSID\{x}
    //   Close HKCR\CLSID\{x}
    //   Delete HKCU\Software\A\B = 0
    // Reads (enumeration and queries) are left out unless recordReads is set.
    std::vector<std::string> calls;
    bool recordReads = false;

    // Only the lines that start with prefix ("Set ", "Flush ", ...).
    std::vector<std::string> Calls(const std::string& prefix) const;
    // The keys opened or created through the recorder and not closed yet.
    std::size_t OpenKeyCount() const { return paths_.size(); }
    RegistryStore& Inner() const { return inner_; }

private:
    std::string PathOf(KeyHandle key) const;
    // Records an open or a create and remembers the key's path.
    Status Opened(const char* verb, Status status, KeyHandle parent, const wchar_t* path,
                  std::uint32_t access, KeyHandle* out);

    std::unique_ptr<RegistryStore> owned_;
    RegistryStore& inner_;
    std::map<KeyHandle, std::string> paths_;
};

} // namespace vs::test
