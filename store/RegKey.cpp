#include "RegKey.h"

#include <utility>
#include <vector>

namespace vs {

RegKey::RegKey(RegKey&& other) noexcept
    : store_(other.store_), handle_(std::exchange(other.handle_, nullptr)) {}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        Close();
        store_ = other.store_;
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

Status RegKey::Open(KeyHandle parent, std::wstring_view path, std::uint32_t access) {
    if (!parent)
        return kInvalidHandle;
    const std::wstring text(path);
    KeyHandle opened = nullptr;
    const Status status = store_->OpenKey(parent, text.c_str(), access, &opened);
    if (status == kOk) {
        Close();
        handle_ = opened;
    }
    return status;
}

Status RegKey::Create(KeyHandle parent, std::wstring_view path, std::uint32_t access) {
    if (!parent)
        return kInvalidHandle;
    const std::wstring text(path);
    KeyHandle created = nullptr;
    const Status status = store_->CreateKey(parent, text.c_str(), access, &created);
    if (status == kOk) {
        Close();
        handle_ = created;
    }
    return status;
}

Status RegKey::Close() {
    if (!handle_)
        return kOk;
    return store_->CloseKey(std::exchange(handle_, nullptr));
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

TextRead RegKey::ReadText(const wchar_t* name, std::uint32_t bytes) const {
    TextRead result;
    if (!handle_) {
        result.status = kInvalidHandle;
        return result;
    }
    std::vector<std::uint8_t> buffer(bytes);
    std::uint32_t size = bytes;
    result.status = store_->QueryValue(handle_, name, &result.type, buffer.data(), &size);
    if (result.status == kOk)
        result.text = FromUtf16Bytes(buffer.data(), size < bytes ? size : bytes);
    return result;
}

DwordRead RegKey::ReadDword(const wchar_t* name, std::uint32_t start) const {
    if (!handle_) {
        DwordRead result;
        result.status = kInvalidHandle;
        result.value = start;
        return result;
    }
    return vs::ReadDword(*store_, handle_, name, start);
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

DwordRead ReadDword(RegistryStore& store, KeyHandle key, const wchar_t* name, std::uint32_t start) {
    DwordRead result;
    result.value = start;
    std::uint8_t bytes[4];
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<std::uint8_t>(start >> (8 * i));
    std::uint32_t size = sizeof bytes;
    result.status = store.QueryValue(key, name, &result.type, bytes, &size);
    // A failed query may leave the buffer in any state: only a complete read counts.
    if (result.status != kOk)
        return result;
    result.size = size;
    result.value = bytes[0] | (std::uint32_t{bytes[1]} << 8) | (std::uint32_t{bytes[2]} << 16) |
                   (std::uint32_t{bytes[3]} << 24);
    return result;
}

// Both tree walks keep their state on the heap, one frame per level, each frame holding
// its keys in RegKey objects, so the registry's deepest trees (512 levels) cannot exhaust
// the stack and every way out closes what is open.

namespace {

// An empty name would make the registry calls act on the parent key itself: a copy would
// pour the source into the parent and a delete would remove the parent's whole tree.
bool IsKeyName(const wchar_t* name) {
    return name && *name;
}

// Drops the frames from the innermost out, so keys close in the order they would have on
// the way back up, and hands on the status that stopped the walk.
template <class Frame> Status Unwind(std::vector<Frame>& stack, Status status) {
    while (!stack.empty())
        stack.pop_back();
    return status;
}

// Copies every value of from into dest. Two zero bytes stay beyond the size offered:
// Wine's RegSetValueExW reads one character past string data that lacks its terminator.
Status CopyValues(RegistryStore& store, KeyHandle from, KeyHandle dest, std::vector<wchar_t>& valueName) {
    constexpr std::uint32_t kSlack = 2;
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t offered = 1024;
        std::vector<std::uint8_t> data(offered + kSlack);
        for (;;) {
            std::uint32_t nameCapacity = static_cast<std::uint32_t>(valueName.size());
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
}

} // namespace

Status CopyKeyTree(RegistryStore& store, KeyHandle source, KeyHandle destParent, const wchar_t* name) {
    constexpr std::uint32_t kNameCapacity = 261;
    if (!IsKeyName(name))
        return kInvalidParameter;
    struct Frame {
        RegKey ownedSource; // empty for the top key, which the caller holds
        KeyHandle source;
        RegKey dest;
        std::uint32_t nextChild;
    };
    std::vector<Frame> stack;
    std::vector<wchar_t> valueName(kNameCapacity);
    // Creates the destination key below parent and copies the values of from into it.
    auto enter = [&](RegKey ownedSource, KeyHandle from, KeyHandle parent, const wchar_t* keyName) -> Status {
        RegKey dest(store);
        if (Status status = dest.Create(parent, keyName, kKeyAllAccess); status != kOk)
            return status;
        const KeyHandle destKey = dest.Get();
        stack.push_back(Frame{std::move(ownedSource), from, std::move(dest), 0});
        return CopyValues(store, from, destKey, valueName);
    };

    if (Status status = enter(RegKey(store), source, destParent, name); status != kOk)
        return Unwind(stack, status);
    std::vector<wchar_t> childName(kNameCapacity);
    while (!stack.empty()) {
        Frame& top = stack.back();
        std::uint32_t capacity = kNameCapacity;
        const Status status = store.EnumKey(top.source, top.nextChild, childName.data(), &capacity);
        if (status == kNoMoreItems) {
            Frame done = std::move(top);
            stack.pop_back();
            done.dest.Close();
            if (Status closed = done.ownedSource.Close(); closed != kOk)
                return Unwind(stack, closed);
            continue;
        }
        if (status != kOk)
            return Unwind(stack, status);
        ++top.nextChild;
        RegKey child(store);
        if (Status opened = child.Open(top.source, childName.data()); opened != kOk)
            return Unwind(stack, opened);
        const KeyHandle childKey = child.Get();
        if (Status copied = enter(std::move(child), childKey, top.dest.Get(), childName.data());
            copied != kOk)
            return Unwind(stack, copied);
    }
    return kOk;
}

Status DeleteKeyTree(RegistryStore& store, KeyHandle parent, const wchar_t* name) {
    constexpr std::uint32_t kNameCapacity = 256;
    struct Frame {
        KeyHandle parent;
        RegKey key;
        std::wstring name;
    };
    if (!IsKeyName(name))
        return kInvalidParameter;
    RegKey top(store);
    if (Status status = top.Open(parent, name, kKeyReadWrite); status != kOk)
        return status;
    std::vector<Frame> stack;
    stack.push_back(Frame{parent, std::move(top), name});
    std::vector<wchar_t> childName(kNameCapacity);
    while (!stack.empty()) {
        Frame& current = stack.back();
        std::uint32_t capacity = kNameCapacity;
        // Always index 0: each deleted child moves the next one up.
        if (store.EnumKey(current.key.Get(), 0, childName.data(), &capacity) == kOk) {
            RegKey child(store);
            if (Status status = child.Open(current.key.Get(), childName.data(), kKeyReadWrite); status != kOk)
                return Unwind(stack, status);
            stack.push_back(Frame{current.key.Get(), std::move(child), std::wstring(childName.data())});
            continue;
        }
        Frame done = std::move(current);
        stack.pop_back();
        done.key.Close();
        if (Status status = store.DeleteKey(done.parent, done.name.c_str()); status != kOk)
            return Unwind(stack, status);
    }
    return kOk;
}

} // namespace vs
