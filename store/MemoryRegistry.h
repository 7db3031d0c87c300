#pragma once
// An in-memory registry with the semantics of the Windows one (case-insensitive names
// that keep their spelling, byte-exact typed values, the same status codes, subkeys
// enumerated in name order, values in creation order; HKEY_CLASSES_ROOT is
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes, unmerged, as under Wine). It backs the store where no
// Windows registry exists and lets tests inject the faults Windows rarely shows:
// keys that refuse write access and operations that fail part-way. A buffer too small
// for an answer gets the part that fits, as a partial read would leave it.

#include "RegistryStore.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace vs {

class MemoryRegistry final : public RegistryStore {
public:
    enum class Op { Open, Create, EnumKey, EnumValue, QueryValue, SetValue, DeleteKey, Flush, Close };

    MemoryRegistry();
    ~MemoryRegistry() override;

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

    // Fault injection. A denied key (root + path) opens read-only: any open or create
    // asking for more than KEY_READ fails with 5, and it cannot be deleted.
    void DenyWriteAccess(KeyHandle root, std::wstring_view path);
    // The nth call of op from now on (1 = the next one) fails with status, once.
    void FailNthCall(Op op, int nth, Status status = kAccessDenied);
    // Every call of op fails with status from the nth call on, until cleared.
    void FailFromCall(Op op, int nth, Status status = kAccessDenied);
    void ClearFaults();
    int CallCount(Op op) const;

    // Handles opened and not yet closed (roots excluded): tests check for leaks.
    std::size_t OpenHandleCount() const { return handles_.size(); }
    // Told of every key created or deleted and every value set, with the key's hive
    // (CurrentUser() or LocalMachine()) and path below it; null tells nobody.
    using ChangeListener = std::function<void(KeyHandle hive, std::wstring_view path)>;
    void SetChangeListener(ChangeListener listener) { listener_ = std::move(listener); }
    std::uint64_t FlushCount() const { return flushes_; }

private:
    struct Node;
    struct Handle {
        std::shared_ptr<Node> node;
        std::uint32_t access;
    };
    struct Fault {
        int countdown;
        bool sticky;
        Status status;
    };

    Status Injected(Op op);
    Status Resolve(KeyHandle key, Handle*& out);
    Status Walk(KeyHandle parent, const wchar_t* path, bool create, std::uint32_t access, KeyHandle* out);
    bool IsDenied(const Node* node) const;
    KeyHandle NewHandle(std::shared_ptr<Node> node, std::uint32_t access);
    void Changed(const Node* node) const;

    Handle rootHandles_[3]; // HKCR, HKCU, HKLM
    std::map<std::uintptr_t, Handle> handles_;
    std::uintptr_t nextHandle_ = 0x1000;
    std::map<Op, Fault> faults_;
    std::map<Op, int> calls_;
    std::uint64_t flushes_ = 0;
    ChangeListener listener_;
};

} // namespace vs
