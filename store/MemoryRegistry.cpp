#include "MemoryRegistry.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vs {

namespace {
constexpr std::size_t kMaxKeyNameLength = 255;

// A buffer too small for the answer: Windows leaves its contents undefined, and code that
// took a partial answer for a whole one would read whatever stands there. The in-memory
// registry fills it with as much of the answer as fits, a believable partial read, so
// that such code fails here too.
void ScribblePartial(const std::uint8_t* answer, std::size_t answerSize, std::uint8_t* buffer,
                     std::size_t bufferSize) {
    if (buffer && bufferSize && answerSize)
        std::memcpy(buffer, answer, std::min(answerSize, bufferSize));
}
void ScribblePartialName(std::wstring_view name, wchar_t* buffer, std::uint32_t capacity) {
    if (buffer)
        std::copy_n(name.begin(), std::min<std::size_t>(name.size(), capacity), buffer);
}
constexpr std::size_t kMaxValueNameLength = 16383;
constexpr std::uint32_t kWriteBits = kKeyAllAccess & ~kKeyRead;
} // namespace

struct MemoryRegistry::Node {
    struct Value {
        std::wstring name;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    };
    std::wstring name;
    Node* parent = nullptr;
    std::vector<std::shared_ptr<Node>> children; // sorted by CompareNames
    std::vector<Value> values;                   // creation order
    bool deleted = false;
    bool denied = false;
    bool isRoot = false; // stands for a root key as well, so it cannot be deleted

    Node() = default;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    // Frees the subtree one node at a time: the default destructor would recurse once
    // per level, and a tree can be deeper than the stack allows.
    ~Node() {
        std::vector<std::shared_ptr<Node>> pending = std::move(children);
        while (!pending.empty()) {
            std::shared_ptr<Node> node = std::move(pending.back());
            pending.pop_back();
            if (node.use_count() == 1) {
                for (auto& child : node->children)
                    pending.push_back(std::move(child));
                node->children.clear();
            }
        }
    }

    std::shared_ptr<Node> Child(std::wstring_view childName) const {
        for (const auto& child : children)
            if (NamesEqual(child->name, childName))
                return child;
        return nullptr;
    }
    Value* FindValue(std::wstring_view valueName) {
        for (auto& value : values)
            if (NamesEqual(value.name, valueName))
                return &value;
        return nullptr;
    }
};

MemoryRegistry::MemoryRegistry() {
    for (Handle& root : rootHandles_)
        root = Handle{std::make_shared<Node>(), kKeyAllAccess};
    // HKEY_CLASSES_ROOT is the machine's classes, as under Wine (which merges no user's
    // classes into it) and on Windows for every key the user's classes do not hold.
    auto software = std::make_shared<Node>();
    software->name = L"SOFTWARE";
    software->parent = rootHandles_[2].node.get();
    auto classes = std::make_shared<Node>();
    classes->name = L"Classes";
    classes->parent = software.get();
    classes->isRoot = true;
    software->children.push_back(classes);
    rootHandles_[2].node->children.push_back(software);
    rootHandles_[0].node = classes;
}

MemoryRegistry::~MemoryRegistry() = default;

Status MemoryRegistry::Injected(Op op) {
    ++calls_[op];
    auto it = faults_.find(op);
    if (it == faults_.end())
        return kOk;
    Fault& fault = it->second;
    if (fault.countdown > 1) {
        --fault.countdown;
        return kOk;
    }
    const Status status = fault.status;
    if (!fault.sticky)
        faults_.erase(it);
    return status;
}

Status MemoryRegistry::Resolve(KeyHandle key, Handle*& out) {
    if (key == ClassesRoot() || key == CurrentUser() || key == LocalMachine()) {
        out = &rootHandles_[key == ClassesRoot() ? 0 : key == CurrentUser() ? 1 : 2];
        return kOk;
    }
    auto it = handles_.find(reinterpret_cast<std::uintptr_t>(key));
    if (it == handles_.end())
        return kInvalidHandle;
    if (it->second.node->deleted)
        return kKeyDeleted;
    out = &it->second;
    return kOk;
}

bool MemoryRegistry::IsDenied(const Node* node) const {
    return node->denied;
}

void MemoryRegistry::Changed(const Node* node) const {
    if (!listener_)
        return;
    std::wstring path;
    const Node* at = node;
    for (; at->parent; at = at->parent)
        path = path.empty() ? at->name : at->name + L"\\" + path;
    listener_(at == rootHandles_[1].node.get() ? CurrentUser() : LocalMachine(), path);
}

KeyHandle MemoryRegistry::NewHandle(std::shared_ptr<Node> node, std::uint32_t access) {
    const std::uintptr_t id = nextHandle_;
    nextHandle_ += 4;
    handles_[id] = Handle{std::move(node), access};
    return reinterpret_cast<KeyHandle>(id);
}

namespace {
// Splits a key path at backslashes; an empty path means the key itself.
bool SplitPath(const wchar_t* path, std::vector<std::wstring>& parts) {
    if (!path || !*path)
        return true;
    std::wstring_view rest(path);
    if (rest.front() == L'\\')
        return false;
    while (!rest.empty()) {
        const std::size_t cut = rest.find(L'\\');
        std::wstring_view part = rest.substr(0, cut);
        if (part.size() > kMaxKeyNameLength)
            return false;
        if (!part.empty())
            parts.emplace_back(part);
        if (cut == std::wstring_view::npos)
            break;
        rest.remove_prefix(cut + 1);
    }
    return true;
}
} // namespace

Status MemoryRegistry::Walk(KeyHandle parent, const wchar_t* path, bool create, std::uint32_t access,
                            KeyHandle* out) {
    if (!out)
        return kInvalidParameter;
    Handle* start = nullptr;
    if (Status status = Resolve(parent, start); status != kOk)
        return status;
    std::vector<std::wstring> parts;
    if (!SplitPath(path, parts))
        return kInvalidParameter;
    std::shared_ptr<Node> node = start->node;
    bool created = false;
    for (const std::wstring& part : parts) {
        std::shared_ptr<Node> child = node->Child(part);
        if (!child) {
            if (!create)
                return kFileNotFound;
            if (node->denied || (node == start->node && !(start->access & kKeyCreateSubKey)))
                return kAccessDenied;
            child = std::make_shared<Node>();
            child->name = part;
            child->parent = node.get();
            auto at = std::lower_bound(node->children.begin(), node->children.end(), part,
                                       [](const std::shared_ptr<Node>& n, const std::wstring& name) {
                                           return CompareNames(n->name, name) < 0;
                                       });
            node->children.insert(at, child);
            created = true;
        }
        node = child;
    }
    if (created)
        Changed(node.get());
    if (node->denied && (access & kWriteBits))
        return kAccessDenied;
    *out = NewHandle(node, access);
    return kOk;
}

Status MemoryRegistry::OpenKey(KeyHandle parent, const wchar_t* path, std::uint32_t access, KeyHandle* out) {
    if (Status status = Injected(Op::Open); status != kOk)
        return status;
    return Walk(parent, path, false, access, out);
}

Status MemoryRegistry::CreateKey(KeyHandle parent, const wchar_t* path, std::uint32_t access,
                                 KeyHandle* out) {
    if (Status status = Injected(Op::Create); status != kOk)
        return status;
    if (!path)
        return kInvalidParameter;
    return Walk(parent, path, true, access, out);
}

Status MemoryRegistry::EnumKey(KeyHandle key, std::uint32_t index, wchar_t* name, std::uint32_t* capacity) {
    if (Status status = Injected(Op::EnumKey); status != kOk)
        return status;
    Handle* handle = nullptr;
    if (Status status = Resolve(key, handle); status != kOk)
        return status;
    if (!name || !capacity)
        return kInvalidParameter;
    if (!(handle->access & kKeyEnumerateSubKeys))
        return kAccessDenied;
    const auto& children = handle->node->children;
    if (index >= children.size())
        return kNoMoreItems;
    const std::wstring& childName = children[index]->name;
    if (childName.size() + 1 > *capacity) {
        ScribblePartialName(childName, name, *capacity);
        return kMoreData;
    }
    std::copy(childName.begin(), childName.end(), name);
    name[childName.size()] = L'\0';
    *capacity = static_cast<std::uint32_t>(childName.size());
    return kOk;
}

Status MemoryRegistry::EnumValue(KeyHandle key, std::uint32_t index, wchar_t* name,
                                 std::uint32_t* nameCapacity, std::uint32_t* type, std::uint8_t* data,
                                 std::uint32_t* size) {
    if (Status status = Injected(Op::EnumValue); status != kOk)
        return status;
    Handle* handle = nullptr;
    if (Status status = Resolve(key, handle); status != kOk)
        return status;
    if (!(handle->access & kKeyQueryValue))
        return kAccessDenied;
    if (!name || !nameCapacity)
        return kInvalidParameter;
    const auto& values = handle->node->values;
    if (index >= values.size())
        return kNoMoreItems;
    const Node::Value& value = values[index];
    if (value.name.size() + 1 > *nameCapacity) {
        ScribblePartialName(value.name, name, *nameCapacity);
        return kMoreData;
    }
    const auto needed = static_cast<std::uint32_t>(value.data.size());
    if (data && size && *size < needed) {
        ScribblePartial(value.data.data(), needed, data, *size);
        *size = needed;
        return kMoreData;
    }
    std::copy(value.name.begin(), value.name.end(), name);
    name[value.name.size()] = L'\0';
    *nameCapacity = static_cast<std::uint32_t>(value.name.size());
    if (type)
        *type = value.type;
    if (data && needed)
        std::memcpy(data, value.data.data(), needed);
    if (size)
        *size = needed;
    return kOk;
}

Status MemoryRegistry::QueryValue(KeyHandle key, const wchar_t* name, std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t* size) {
    if (Status status = Injected(Op::QueryValue); status != kOk)
        return status;
    Handle* handle = nullptr;
    if (Status status = Resolve(key, handle); status != kOk)
        return status;
    if (!(handle->access & kKeyQueryValue))
        return kAccessDenied;
    if (data && !size)
        return kInvalidParameter;
    Node::Value* value = handle->node->FindValue(name ? std::wstring_view(name) : std::wstring_view());
    if (!value)
        return kFileNotFound;
    const auto needed = static_cast<std::uint32_t>(value->data.size());
    if (type)
        *type = value->type;
    if (data && *size < needed) {
        ScribblePartial(value->data.data(), needed, data, *size);
        *size = needed;
        return kMoreData;
    }
    if (data && needed)
        std::memcpy(data, value->data.data(), needed);
    if (size)
        *size = needed;
    return kOk;
}

Status MemoryRegistry::SetValue(KeyHandle key, const wchar_t* name, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) {
    if (Status status = Injected(Op::SetValue); status != kOk)
        return status;
    Handle* handle = nullptr;
    if (Status status = Resolve(key, handle); status != kOk)
        return status;
    if (!(handle->access & kKeySetValue) || handle->node->denied)
        return kAccessDenied;
    if (size && !data)
        return kInvalidParameter;
    const std::wstring_view valueName = name ? std::wstring_view(name) : std::wstring_view();
    if (valueName.size() > kMaxValueNameLength)
        return kInvalidParameter;
    std::vector<std::uint8_t> bytes(data, data + size);
    if (Node::Value* value = handle->node->FindValue(valueName)) {
        value->type = type;
        value->data = std::move(bytes);
    } else {
        handle->node->values.push_back(Node::Value{std::wstring(valueName), type, std::move(bytes)});
    }
    Changed(handle->node.get());
    return kOk;
}

Status MemoryRegistry::DeleteKey(KeyHandle parent, const wchar_t* name) {
    if (Status status = Injected(Op::DeleteKey); status != kOk)
        return status;
    Handle* handle = nullptr;
    if (Status status = Resolve(parent, handle); status != kOk)
        return status;
    std::vector<std::wstring> parts;
    if (!name || !*name || !SplitPath(name, parts) || parts.empty())
        return kInvalidParameter;
    std::shared_ptr<Node> node = handle->node;
    for (const std::wstring& part : parts) {
        node = node->Child(part);
        if (!node)
            return kFileNotFound;
    }
    if (node->denied || node->isRoot || !node->children.empty())
        return kAccessDenied;
    Changed(node.get());
    Node* owner = node->parent;
    owner->children.erase(std::find(owner->children.begin(), owner->children.end(), node));
    node->deleted = true;
    node->parent = nullptr;
    return kOk;
}

Status MemoryRegistry::FlushKey(KeyHandle key) {
    if (Status status = Injected(Op::Flush); status != kOk)
        return status;
    Handle* handle = nullptr;
    if (Status status = Resolve(key, handle); status != kOk)
        return status;
    ++flushes_;
    return kOk;
}

Status MemoryRegistry::CloseKey(KeyHandle key) {
    if (Status status = Injected(Op::Close); status != kOk) {
        // The handle is released all the same, as RegCloseKey does.
        handles_.erase(reinterpret_cast<std::uintptr_t>(key));
        return status;
    }
    if (IsRootKey(key))
        return kOk;
    return handles_.erase(reinterpret_cast<std::uintptr_t>(key)) ? kOk : kInvalidHandle;
}

void MemoryRegistry::DenyWriteAccess(KeyHandle root, std::wstring_view path) {
    KeyHandle key = nullptr;
    const std::wstring text(path);
    if (Walk(root, text.c_str(), true, kKeyRead, &key) != kOk)
        return;
    handles_[reinterpret_cast<std::uintptr_t>(key)].node->denied = true;
    handles_.erase(reinterpret_cast<std::uintptr_t>(key));
}

void MemoryRegistry::FailNthCall(Op op, int nth, Status status) {
    faults_[op] = Fault{nth, false, status};
}

void MemoryRegistry::FailFromCall(Op op, int nth, Status status) {
    faults_[op] = Fault{nth, true, status};
}

void MemoryRegistry::ClearFaults() {
    faults_.clear();
}

int MemoryRegistry::CallCount(Op op) const {
    auto it = calls_.find(op);
    return it == calls_.end() ? 0 : it->second;
}

} // namespace vs
