#include "RegKey.h"

#include <utility>
#include <vector>

namespace vs {

RegKey::RegKey(RegKey&& other) noexcept : store_(other.store_), handle_(other.Release()) {}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        Close();
        store_ = other.store_;
        handle_ = other.Release();
    }
    return *this;
}

Status RegKey::Open(KeyHandle parent, std::wstring_view path) {
    if (!parent)
        return kInvalidHandle;
    const std::wstring text(path);
    KeyHandle opened = nullptr;
    const Status status = store_->OpenKey(parent, text.c_str(), kKeyReadWrite, &opened);
    if (status == kOk) {
        Close();
        handle_ = opened;
    }
    return status;
}

Status RegKey::Create(KeyHandle parent, std::wstring_view path) {
    if (!parent)
        return kInvalidHandle;
    const std::wstring text(path);
    KeyHandle created = nullptr;
    const Status status = store_->CreateKey(parent, text.c_str(), kKeyReadWrite, &created);
    if (status == kOk) {
        Close();
        handle_ = created;
    }
    return status;
}

void RegKey::Close() {
    if (handle_)
        (void)store_->CloseKey(handle_);
    handle_ = nullptr;
}

KeyHandle RegKey::Release() {
    return std::exchange(handle_, nullptr);
}

Status RegKey::SetString(const wchar_t* name, std::wstring_view text, std::uint32_t type) {
    if (!handle_)
        return kInvalidHandle;
    const std::vector<std::uint8_t> bytes = ToUtf16Bytes(text);
    return store_->SetValue(handle_, name, type, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

Status RegKey::SetDword(const wchar_t* name, std::uint32_t value) {
    if (!handle_)
        return kInvalidHandle;
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16),
                                   static_cast<std::uint8_t>(value >> 24)};
    return store_->SetValue(handle_, name, kRegDword, bytes, 4);
}

StringRead RegKey::ReadString(const wchar_t* name, std::uint32_t capacity) const {
    if (!handle_)
        return StringRead{kInvalidHandle, {}, 0};
    return vs::ReadString(*store_, handle_, name, capacity);
}

Status RegKey::DeleteTree(const wchar_t* name) {
    if (!handle_)
        return kInvalidHandle;
    return DeleteKeyTree(*store_, handle_, name);
}

Status RegKey::Flush() {
    if (!handle_)
        return kInvalidHandle;
    return store_->FlushKey(handle_);
}

StringRead ReadString(RegistryStore& store, KeyHandle key, const wchar_t* name, std::uint32_t capacity) {
    StringRead result;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(capacity) * 2);
    std::uint32_t type = 0;
    std::uint32_t size = static_cast<std::uint32_t>(buffer.size());
    result.status = store.QueryValue(key, name, &type, buffer.data(), &size);
    if (result.status != kOk)
        return result;
    if (type != kRegSz && type != kRegExpandSz) {
        result.status = kInvalidData;
        return result;
    }
    if (size == 0)
        return result;
    if (size > buffer.size()) { // no buffer was offered (capacity 0), only the size came back
        result.status = kMoreData;
        return result;
    }
    if (size % 2 != 0 || buffer[size - 2] != 0 || buffer[size - 1] != 0) {
        result.status = kInvalidData;
        return result;
    }
    result.text = FromUtf16Bytes(buffer.data(), size);
    result.count = size / 2;
    return result;
}

// Both tree walks keep their state on the heap, one frame per level, so the registry's
// deepest trees (512 levels) cannot exhaust the stack.

// An empty name would make the registry calls act on the parent key itself: a copy would
// pour the source into the parent and a delete would remove the parent's whole tree.
namespace {
bool IsKeyName(const wchar_t* name) {
    return name && *name;
}
} // namespace

Status CopyKeyTree(RegistryStore& store, KeyHandle source, KeyHandle destParent, const wchar_t* name) {
    constexpr std::uint32_t kNameCapacity = 261;
    if (!IsKeyName(name))
        return kInvalidParameter;
    struct Frame {
        KeyHandle source;
        KeyHandle dest;
        bool ownsSource;
        std::uint32_t nextChild;
    };
    std::vector<Frame> stack;
    auto unwind = [&](Status status) {
        for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
            (void)store.CloseKey(it->dest);
            if (it->ownsSource)
                (void)store.CloseKey(it->source);
        }
        return status;
    };
    // Creates the destination key and copies the values of one key.
    auto enter = [&](KeyHandle from, KeyHandle parent, const wchar_t* keyName, bool ownsSource) -> Status {
        KeyHandle dest = nullptr;
        if (Status status = store.CreateKey(parent, keyName, kKeyAllAccess, &dest); status != kOk) {
            if (ownsSource)
                (void)store.CloseKey(from);
            return status;
        }
        stack.push_back(Frame{from, dest, ownsSource, 0});
        std::vector<wchar_t> valueName(kNameCapacity);
        for (std::uint32_t index = 0;; ++index) {
            // Two zero bytes stay beyond the size offered: Wine's RegSetValueExW reads
            // one character past string data that lacks its terminator.
            constexpr std::uint32_t kSlack = 2;
            std::uint32_t offered = 1024;
            std::vector<std::uint8_t> data(offered + kSlack);
            for (;;) {
                std::uint32_t nameCapacity = kNameCapacity;
                std::uint32_t type = 0;
                std::uint32_t size = offered;
                const Status status =
                    store.EnumValue(from, index, valueName.data(), &nameCapacity, &type, data.data(), &size);
                if (status == kNoMoreItems)
                    return kOk;
                if (status == kMoreData) {
                    // Either the data needs a larger buffer, or the name is over 260
                    // characters, which no buffer here can take: stop instead of retrying.
                    if (size <= offered)
                        return status;
                    offered = size;
                    data.assign(std::size_t{offered} + kSlack, 0);
                    continue;
                }
                if (status != kOk)
                    return status;
                if (Status set = store.SetValue(dest, valueName.data(), type, data.data(), size); set != kOk)
                    return set;
                break;
            }
        }
    };

    if (Status status = enter(source, destParent, name, false); status != kOk)
        return unwind(status);
    std::vector<wchar_t> childName(kNameCapacity);
    while (!stack.empty()) {
        Frame& top = stack.back();
        std::uint32_t capacity = kNameCapacity;
        const Status status = store.EnumKey(top.source, top.nextChild, childName.data(), &capacity);
        if (status == kNoMoreItems) {
            const Frame done = top;
            stack.pop_back();
            (void)store.CloseKey(done.dest);
            if (done.ownsSource) {
                if (Status closed = store.CloseKey(done.source); closed != kOk)
                    return unwind(closed);
            }
            continue;
        }
        if (status != kOk)
            return unwind(status);
        ++top.nextChild;
        KeyHandle child = nullptr;
        if (Status opened = store.OpenKey(top.source, childName.data(), kKeyAllAccess, &child); opened != kOk)
            return unwind(opened);
        if (Status copied = enter(child, top.dest, childName.data(), true); copied != kOk)
            return unwind(copied);
    }
    return kOk;
}

Status DeleteKeyTree(RegistryStore& store, KeyHandle parent, const wchar_t* name) {
    constexpr std::uint32_t kNameCapacity = 256;
    struct Frame {
        KeyHandle parent;
        KeyHandle key;
        std::wstring name;
    };
    if (!IsKeyName(name))
        return kInvalidParameter;
    std::vector<Frame> stack;
    auto unwind = [&](Status status) {
        for (auto it = stack.rbegin(); it != stack.rend(); ++it)
            (void)store.CloseKey(it->key);
        return status;
    };
    KeyHandle key = nullptr;
    if (Status status = store.OpenKey(parent, name, kKeyReadWrite, &key); status != kOk)
        return status;
    stack.push_back(Frame{parent, key, name});
    std::vector<wchar_t> childName(kNameCapacity);
    while (!stack.empty()) {
        Frame& top = stack.back();
        std::uint32_t capacity = kNameCapacity;
        // Always index 0: each deleted child moves the next one up.
        if (store.EnumKey(top.key, 0, childName.data(), &capacity) == kOk) {
            KeyHandle child = nullptr;
            if (Status status = store.OpenKey(top.key, childName.data(), kKeyReadWrite, &child);
                status != kOk)
                return unwind(status);
            stack.push_back(Frame{top.key, child, std::wstring(childName.data())});
            continue;
        }
        const Frame done = top;
        stack.pop_back();
        (void)store.CloseKey(done.key);
        if (Status status = store.DeleteKey(done.parent, done.name.c_str()); status != kOk)
            return unwind(status);
    }
    return kOk;
}

} // namespace vs
