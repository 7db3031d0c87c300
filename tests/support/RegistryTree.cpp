#include "tests/support/RegistryTree.h"

#include "store/RegKey.h"
#include "tests/support/TestRegistry.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#include <winternl.h>
#endif

namespace vs::test {

TreeValue Sz(std::wstring_view name, std::wstring_view text) {
    return TreeValue{std::wstring(name), kRegSz, ToUtf16Bytes(text)};
}

TreeValue ExpandSz(std::wstring_view name, std::wstring_view text) {
    return TreeValue{std::wstring(name), kRegExpandSz, ToUtf16Bytes(text)};
}

TreeValue Dword(std::wstring_view name, std::uint32_t value) {
    return TreeValue{std::wstring(name),
                     kRegDword,
                     {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                      static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}};
}

TreeValue Raw(std::wstring_view name, std::uint32_t type, std::vector<std::uint8_t> data) {
    return TreeValue{std::wstring(name), type, std::move(data)};
}

std::vector<std::uint8_t> TextBytes(std::wstring_view text) {
    std::vector<std::uint8_t> bytes = ToUtf16Bytes(text);
    bytes.resize(bytes.size() - 2);
    return bytes;
}

namespace {

std::vector<std::wstring> SplitPath(std::wstring_view path) {
    std::vector<std::wstring> parts;
    while (!path.empty()) {
        const std::size_t cut = path.find(L'\\');
        if (cut != 0)
            parts.emplace_back(path.substr(0, cut));
        if (cut == std::wstring_view::npos)
            break;
        path.remove_prefix(cut + 1);
    }
    return parts;
}

#ifdef _WIN32
// Wine's RegSetValueExW adds a NUL to string data that lacks one, so a test could not
// store the malformed strings the program must survive. NtSetValueKey stores the bytes
// as given, on Windows and on Wine alike.
Status SetExactValue(KeyHandle key, const TreeValue& value) {
    using NtSetValueKeyFn = LONG(NTAPI*)(HANDLE, UNICODE_STRING*, ULONG, ULONG, void*, ULONG);
    static const auto setValue = reinterpret_cast<NtSetValueKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtSetValueKey")));
    if (!setValue)
        return ERROR_PROC_NOT_FOUND;
    UNICODE_STRING name;
    name.Buffer = const_cast<wchar_t*>(value.name.c_str());
    name.Length = static_cast<USHORT>(value.name.size() * sizeof(wchar_t));
    name.MaximumLength = name.Length;
    std::vector<std::uint8_t> data = value.data;
    const LONG status = setValue(reinterpret_cast<HANDLE>(key), &name, 0, value.type, data.data(),
                                 static_cast<ULONG>(data.size()));
    return status == 0 ? kOk : static_cast<Status>(status); // an NTSTATUS, but never 0
}
#endif

Status SetValue(RegistryStore& store, KeyHandle key, const TreeValue& value) {
#ifdef _WIN32
    if (HoldsRealKeys(store))
        return SetExactValue(key, value);
#endif
    return store.SetValue(key, value.name.c_str(), value.type, value.data.data(),
                          static_cast<std::uint32_t>(value.data.size()));
}

// The tree both sides of a comparison are turned into before printing.
struct Node {
    std::wstring name;
    std::vector<TreeValue> values;
    std::vector<std::unique_ptr<Node>> children;
    std::vector<std::string> errors; // enumeration failures, shown in the text

    Node& Child(const std::wstring& childName) {
        for (auto& child : children)
            if (NamesEqual(child->name, childName))
                return *child;
        return NewChild(childName);
    }
    // A child that is known not to exist yet, as names read from one key are.
    Node& NewChild(const std::wstring& childName) {
        children.push_back(std::make_unique<Node>());
        children.back()->name = childName;
        return *children.back();
    }
    void SetValue(const TreeValue& value) {
        for (TreeValue& existing : values)
            if (NamesEqual(existing.name, value.name)) {
                existing.type = value.type;
                existing.data = value.data;
                return;
            }
        values.push_back(value);
    }
};

void Merge(Node& node, const TreeKey& description) {
    for (const TreeValue& value : description.values)
        node.SetValue(value);
    for (const TreeKey& subkey : description.subkeys) {
        Node* target = &node;
        for (const std::wstring& part : SplitPath(subkey.path))
            target = &target->Child(part);
        Merge(*target, subkey);
    }
}

std::string StatusText(const char* what, Status status) {
    char text[64];
    std::snprintf(text, sizeof text, "%s failed with status %ld", what, static_cast<long>(status));
    return text;
}

// The buffers of one tree read, shared by all its keys.
struct ReadBuffers {
    std::vector<wchar_t> name = std::vector<wchar_t>(16384);
    std::vector<std::uint8_t> data = std::vector<std::uint8_t>(1024);
};

// Reads the values and the subkey names of one open key.
void ReadKey(RegistryStore& store, KeyHandle key, Node& node, std::vector<std::wstring>& childNames,
             ReadBuffers& buffers) {
    std::vector<wchar_t>& name = buffers.name;
    std::vector<std::uint8_t>& data = buffers.data;
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t nameCapacity = static_cast<std::uint32_t>(name.size());
        std::uint32_t type = 0;
        std::uint32_t size = static_cast<std::uint32_t>(data.size());
        const Status status =
            store.EnumValue(key, index, name.data(), &nameCapacity, &type, data.data(), &size);
        if (status == kNoMoreItems)
            break;
        if (status == kMoreData && size > data.size()) {
            data.assign(size, 0);
            --index;
            continue;
        }
        if (status != kOk) {
            node.errors.push_back(StatusText("EnumValue", status));
            break;
        }
        node.values.push_back(TreeValue{std::wstring(name.data(), nameCapacity), type,
                                        std::vector<std::uint8_t>(data.begin(), data.begin() + size)});
    }
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t capacity = static_cast<std::uint32_t>(name.size());
        const Status status = store.EnumKey(key, index, name.data(), &capacity);
        if (status == kNoMoreItems)
            break;
        if (status != kOk) {
            node.errors.push_back(StatusText("EnumKey", status));
            break;
        }
        childNames.emplace_back(name.data(), capacity);
    }
}

// Reads the whole tree below an open key.
void ReadTree(RegistryStore& store, KeyHandle key, Node& node, ReadBuffers& buffers) {
    std::vector<std::wstring> childNames;
    ReadKey(store, key, node, childNames, buffers);
    for (const std::wstring& name : childNames) {
        Node& child = node.NewChild(name);
        RegKey opened(store);
        if (const Status status = opened.Open(key, name, kKeyRead); status != kOk)
            child.errors.push_back(StatusText("OpenKey", status));
        else
            ReadTree(store, opened.Get(), child, buffers);
    }
}

// Reads the tree at path below parent into root; false when the key cannot be opened.
bool ReadTreeAt(RegistryStore& store, KeyHandle parent, std::wstring_view path, Node& root) {
    RegKey key(store);
    if (key.Open(parent, path, kKeyRead) != kOk)
        return false;
    ReadBuffers buffers;
    ReadTree(store, key.Get(), root, buffers);
    return true;
}

std::wstring SubPath(const std::wstring& path, const std::wstring& name) {
    return path.empty() ? name : path + L"\\" + name;
}

// Printable ASCII as it is, everything else (and a quote or backslash inside quotes)
// as \uXXXX, so the text stays one line per item and plain ASCII.
void AppendEscaped(std::string& out, std::wstring_view text, bool quoted = true) {
    for (wchar_t c : text) {
        const auto unit = static_cast<std::uint32_t>(static_cast<std::uint16_t>(c));
        if (unit >= 0x20 && unit < 0x7F && !(quoted && (c == L'"' || c == L'\\'))) {
            out.push_back(static_cast<char>(unit));
        } else {
            char escaped[16];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(unit));
            out += escaped;
        }
    }
}

// Text values show as text only when they are exactly a string and its one NUL.
bool IsWellFormedText(const std::vector<std::uint8_t>& data) {
    if (data.size() < 2 || data.size() % 2 != 0)
        return false;
    for (std::size_t i = 0; i < data.size(); i += 2) {
        const bool nul = data[i] == 0 && data[i + 1] == 0;
        if (nul != (i + 2 == data.size()))
            return false;
    }
    return true;
}

void AppendValue(std::string& out, const TreeValue& value) {
    char number[48];
    out += "  \"";
    AppendEscaped(out, value.name);
    out += "\" ";
    out += TypeName(value.type);
    std::snprintf(number, sizeof number, " %llu ", static_cast<unsigned long long>(value.data.size()));
    out += number;
    const bool isText = value.type == kRegSz || value.type == kRegExpandSz;
    if (isText && IsWellFormedText(value.data)) {
        out += '"';
        AppendEscaped(out, FromUtf16Bytes(value.data.data(), value.data.size()));
        out += '"';
    } else if (value.type == kRegDword && value.data.size() == 4) {
        const std::uint32_t dword = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                                    (static_cast<std::uint32_t>(value.data[3]) << 24);
        std::snprintf(number, sizeof number, "0x%08x", static_cast<unsigned>(dword));
        out += number;
    } else {
        out += "hex:";
        for (std::uint8_t byte : value.data) {
            std::snprintf(number, sizeof number, " %02x", byte);
            out += number;
        }
    }
    out += '\n';
}

void Print(Node& node, const std::wstring& path, std::string& out) {
    out += '[';
    AppendEscaped(out, path, false);
    out += "]\n";
    for (const std::string& error : node.errors)
        out += "  ! " + error + "\n";
    std::stable_sort(node.values.begin(), node.values.end(),
                     [](const TreeValue& a, const TreeValue& b) { return CompareNames(a.name, b.name) < 0; });
    for (const TreeValue& value : node.values)
        AppendValue(out, value);
    std::stable_sort(node.children.begin(), node.children.end(),
                     [](const auto& a, const auto& b) { return CompareNames(a->name, b->name) < 0; });
    for (const auto& child : node.children)
        Print(*child, SubPath(path, child->name), out);
}

std::string Print(Node& root) {
    std::string out;
    Print(root, L"", out);
    return out;
}

void Flatten(Node& node, const std::wstring& path, std::vector<StoredKey>& keys) {
    keys.push_back(StoredKey{path, std::move(node.values)});
    for (const auto& child : node.children)
        Flatten(*child, SubPath(path, child->name), keys);
}

// Deletes every subkey of path below parent, then the key itself. Child names are read
// before any is deleted, so a key that refuses deletion cannot make this loop.
void RemoveKey(RegistryStore& store, KeyHandle parent, const std::wstring& path) {
    for (const std::wstring& child : SubkeyNames(store, parent, path))
        RemoveKey(store, parent, path + L"\\" + child);
    (void)store.DeleteKey(parent, path.c_str());
}

} // namespace

Status WriteTree(RegistryStore& store, KeyHandle parent, const TreeKey& key) {
    RegKey created(store);
    Status status = created.Create(parent, key.path);
    for (auto value = key.values.begin(); status == kOk && value != key.values.end(); ++value)
        status = SetValue(store, created.Get(), *value);
    for (auto subkey = key.subkeys.begin(); status == kOk && subkey != key.subkeys.end(); ++subkey)
        status = WriteTree(store, created.Get(), *subkey);
    return status;
}

std::string DumpTree(RegistryStore& store, KeyHandle parent, std::wstring_view path) {
    Node root;
    return ReadTreeAt(store, parent, path, root) ? Print(root) : kMissingTree;
}

std::string Describe(const TreeKey& key) {
    Node root;
    Merge(root, key);
    return Print(root);
}

std::vector<StoredKey> ReadKeys(RegistryStore& store, KeyHandle parent, std::wstring_view path) {
    std::vector<StoredKey> keys;
    Node root;
    if (ReadTreeAt(store, parent, path, root))
        Flatten(root, L"", keys);
    return keys;
}

std::vector<std::wstring> SubkeyNames(RegistryStore& store, KeyHandle parent, std::wstring_view path) {
    std::vector<std::wstring> names;
    RegKey key(store);
    if (key.Open(parent, path, kKeyRead) != kOk)
        return names;
    std::vector<wchar_t> name(256);
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t capacity = static_cast<std::uint32_t>(name.size());
        if (store.EnumKey(key.Get(), index, name.data(), &capacity) != kOk)
            return names;
        names.emplace_back(name.data(), capacity);
    }
}

std::wstring Folded(std::wstring_view text) {
    std::wstring folded(text);
    for (wchar_t& c : folded)
        c = FoldCase(c);
    return folded;
}

bool RemoveTree(RegistryStore& store, KeyHandle parent, std::wstring_view path) {
    const std::wstring text(path);
    if (!text.empty())
        RemoveKey(store, parent, text);
    KeyHandle opened = nullptr;
    const Status status = store.OpenKey(parent, text.c_str(), kKeyRead, &opened);
    if (status == kOk)
        (void)store.CloseKey(opened);
    return status == kFileNotFound;
}

TreeCleanup::~TreeCleanup() {
    for (auto it = trees_.rbegin(); it != trees_.rend(); ++it)
        (void)RemoveTree(store_, it->first, it->second);
}

std::string TypeName(std::uint32_t type) {
    static const char* const kNames[] = {"REG_NONE",  "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY",
                                         "REG_DWORD", nullptr,  nullptr,         "REG_MULTI_SZ",
                                         nullptr,     nullptr,  nullptr,         "REG_QWORD"};
    return type < std::size(kNames) && kNames[type] ? kNames[type] : "type " + std::to_string(type);
}

std::string Narrow(std::wstring_view text) {
    std::string out;
    AppendEscaped(out, text, false);
    return out;
}

} // namespace vs::test
