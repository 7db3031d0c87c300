#include "KeySnapshot.h"

#include "RegKey.h"

#include <algorithm>
#include <map>
#include <set>

namespace vs {

namespace {

constexpr std::uint32_t kKeyNameCapacity = 256;     // 255 characters and the NUL
constexpr std::uint32_t kValueNameCapacity = 16384; // 16383 characters and the NUL

std::wstring Join(std::wstring_view parent, std::wstring_view name) {
    std::wstring path(parent);
    if (!path.empty())
        path.push_back(L'\\');
    path.append(name);
    return path;
}

// The key at path below root, for use through key: the root itself when the path is
// empty (borrowed: held is left empty and nothing is closed), else opened into held.
Status OpenPath(KeyHandle root, const std::wstring& path, std::uint32_t access, RegKey& held,
                KeyHandle& key) {
    key = root;
    if (path.empty())
        return kOk;
    const Status status = held.Open(root, path, access);
    key = held.Get();
    return status;
}

// Reads one open key and everything below it.
class TreeReader {
public:
    explicit TreeReader(RegistryStore& store) : store_(store), name_(kValueNameCapacity), data_(1024) {}

    Status Read(KeyHandle key, KeyNode& node) {
        if (Status status = ReadValues(key, node); status != kOk)
            return status;
        for (std::uint32_t index = 0;; ++index) {
            std::uint32_t capacity = kKeyNameCapacity;
            const Status status = store_.EnumKey(key, index, name_.data(), &capacity);
            if (status == kNoMoreItems)
                break;
            if (status != kOk)
                return status;
            node.subkeys.emplace_back();
            node.subkeys.back().name.assign(name_.data(), capacity);
        }
        for (KeyNode& child : node.subkeys) {
            RegKey opened(store_);
            if (Status status = opened.Open(key, child.name, kKeyRead); status != kOk)
                return status;
            if (Status status = Read(opened.Get(), child); status != kOk)
                return status;
        }
        return kOk;
    }

private:
    Status ReadValues(KeyHandle key, KeyNode& node) {
        for (std::uint32_t index = 0;;) {
            std::uint32_t nameCapacity = kValueNameCapacity;
            std::uint32_t type = 0;
            auto size = static_cast<std::uint32_t>(data_.size());
            const Status status =
                store_.EnumValue(key, index, name_.data(), &nameCapacity, &type, data_.data(), &size);
            if (status == kNoMoreItems)
                return kOk;
            if (status == kMoreData && size > data_.size()) {
                data_.resize(size);
                continue;
            }
            if (status != kOk)
                return status;
            node.values.push_back(KeyValue{std::wstring(name_.data(), nameCapacity), type,
                                           std::vector<std::uint8_t>(data_.begin(), data_.begin() + size)});
            ++index;
        }
    }

    RegistryStore& store_;
    std::vector<wchar_t> name_;
    std::vector<std::uint8_t> data_;
};

Status CaptureTree(RegistryStore& store, const TreeRef& ref, TreeState& out) {
    out = TreeState{};
    out.ref = ref;
    const std::vector<std::wstring> names = SplitKeyPath(ref.path);
    if (names.empty())
        return kInvalidParameter;
    RegKey key(store);
    const Status status = key.Open(ref.root, ref.path, kKeyRead);
    if (status == kFileNotFound) {
        out.existingDepth = ExistingDepth(store, ref.root, ref.path);
        return kOk;
    }
    if (status != kOk)
        return status;
    out.exists = true;
    out.existingDepth = names.size();
    out.key.name = names.back();
    return TreeReader(store).Read(key.Get(), out.key);
}

// Values, then subkeys, in the order of their folded names.
template <typename Item> std::vector<const Item*> ByName(const std::vector<Item>& items) {
    std::vector<const Item*> sorted;
    sorted.reserve(items.size());
    for (const Item& item : items)
        sorted.push_back(&item);
    std::sort(sorted.begin(), sorted.end(),
              [](const Item* a, const Item* b) { return CompareNames(a->name, b->name) < 0; });
    return sorted;
}

bool SameNode(const KeyNode& a, const KeyNode& b) {
    if (a.values.size() != b.values.size() || a.subkeys.size() != b.subkeys.size())
        return false;
    const auto valuesA = ByName(a.values);
    const auto valuesB = ByName(b.values);
    for (std::size_t i = 0; i < valuesA.size(); ++i)
        if (valuesA[i]->name != valuesB[i]->name || valuesA[i]->type != valuesB[i]->type ||
            valuesA[i]->data != valuesB[i]->data)
            return false;
    const auto keysA = ByName(a.subkeys);
    const auto keysB = ByName(b.subkeys);
    for (std::size_t i = 0; i < keysA.size(); ++i)
        if (keysA[i]->name != keysB[i]->name || !SameNode(*keysA[i], *keysB[i]))
            return false;
    return true;
}

// Whether two trees are alike down to the order of their values and subkeys.
bool Identical(const KeyNode& a, const KeyNode& b) {
    if (a.name != b.name || a.values.size() != b.values.size() || a.subkeys.size() != b.subkeys.size())
        return false;
    for (std::size_t i = 0; i < a.values.size(); ++i)
        if (a.values[i].name != b.values[i].name || a.values[i].type != b.values[i].type ||
            a.values[i].data != b.values[i].data)
            return false;
    for (std::size_t i = 0; i < a.subkeys.size(); ++i)
        if (!Identical(a.subkeys[i], b.subkeys[i]))
            return false;
    return true;
}

// RegSetValueExW counts a terminator in for string data that lacks one when the
// character just after the data is NUL, and looks at the character just before the data
// when the size is one byte. Non-zero bytes on both sides keep the stored bytes exactly
// as given.
Status SetExactValue(RegistryStore& store, KeyHandle key, const KeyValue& value) {
    std::vector<std::uint8_t> buffer(value.data.size() + 4, 0xFF);
    std::copy(value.data.begin(), value.data.end(), buffer.begin() + 2);
    return store.SetValue(key, value.name.c_str(), value.type, buffer.data() + 2,
                          static_cast<std::uint32_t>(value.data.size()));
}

// Writes one tree to its wanted state.
class Restorer {
public:
    Restorer(RegistryStore& store, WriteFailure* failure) : store_(store), failure_(failure) {}

    Status Tree(const TreeState& want) {
        tree_ = &want.ref;
        const std::vector<std::wstring> names = SplitKeyPath(want.ref.path);
        TreeState have;
        if (Status status = CaptureTree(store_, want.ref, have); status != kOk)
            return Fail(status, want.ref.path);
        // A tree that is exactly as wanted is not touched: taking back a change that wrote
        // nothing writes nothing, also where nothing may be written.
        if (want.exists && have.exists && Identical(have.key, want.key))
            return kOk;
        if (!want.exists) {
            if (have.exists)
                if (Status status = DeleteTree(names); status != kOk)
                    return status;
            Prune(names, want.existingDepth);
            return kOk;
        }
        RegKey top(store_);
        if (Status status = CreatePath(names, top); status != kOk)
            return status;
        bool rebuild = false;
        if (Status status =
                Sync(top.Get(), want.ref.path, want.key, have.exists ? &have.key : nullptr, rebuild);
            status != kOk || !rebuild)
            return status;
        top.Close();
        if (Status status = DeleteTree(names); status != kOk)
            return status;
        if (Status status = CreatePath(names, top); status != kOk)
            return status;
        return Sync(top.Get(), want.ref.path, want.key, nullptr, rebuild);
    }

private:
    Status Fail(Status status, std::wstring_view key, std::wstring_view value = {}) {
        if (failure_) {
            failure_->status = status;
            failure_->tree = *tree_;
            failure_->key.assign(key);
            failure_->value.assign(value);
        }
        return status;
    }

    // Opens the key of the path, or creates its keys one level at a time from the root.
    Status CreatePath(const std::vector<std::wstring>& names, RegKey& out) {
        if (const Status status = out.Open(tree_->root, tree_->path, kKeyReadWrite); status != kFileNotFound)
            return status == kOk ? kOk : Fail(status, tree_->path);
        RegKey key(store_);
        for (std::size_t i = 0; i < names.size(); ++i)
            if (Status status = key.Create(key.IsOpen() ? key.Get() : tree_->root, names[i], kKeyReadWrite);
                status != kOk)
                return Fail(status, JoinKeyPath(names, i + 1));
        out = std::move(key);
        return kOk;
    }

    Status DeleteTree(const std::vector<std::wstring>& names) {
        RegKey held(store_);
        KeyHandle parent = nullptr;
        const std::wstring parentPath = JoinKeyPath(names, names.size() - 1);
        Status status = OpenPath(tree_->root, parentPath, kKeyReadWrite, held, parent);
        if (status == kOk)
            return DeleteChild(parent, parentPath, names.back());
        return status == kFileNotFound ? kOk : Fail(status, parentPath);
    }

    Status DeleteChild(KeyHandle parent, const std::wstring& parentPath, const std::wstring& name) {
        const Status status = DeleteKeyTree(store_, parent, name.c_str());
        if (status == kOk || status == kFileNotFound)
            return kOk;
        return Fail(status, Join(parentPath, name));
    }

    // Removes the keys above a removed tree that did not exist before, deepest first, as
    // long as they are empty. A key that stays is harmless, so failures end it quietly.
    void Prune(const std::vector<std::wstring>& names, std::size_t existingDepth) {
        std::vector<wchar_t> name(kValueNameCapacity);
        for (std::size_t depth = names.size() - 1; depth > existingDepth; --depth) {
            RegKey key(store_);
            const Status opened = key.Open(tree_->root, JoinKeyPath(names, depth), kKeyRead);
            if (opened == kFileNotFound)
                continue; // a write that failed may have stopped above this level
            if (opened != kOk)
                return;
            std::uint32_t capacity = kValueNameCapacity;
            const bool noSubkeys = store_.EnumKey(key.Get(), 0, name.data(), &capacity) == kNoMoreItems;
            capacity = kValueNameCapacity;
            const bool noValues = store_.EnumValue(key.Get(), 0, name.data(), &capacity, nullptr, nullptr,
                                                   nullptr) == kNoMoreItems;
            key.Close();
            RegKey held(store_);
            KeyHandle parent = nullptr;
            if (!noSubkeys || !noValues ||
                OpenPath(tree_->root, JoinKeyPath(names, depth - 1), kKeyReadWrite, held, parent) != kOk ||
                store_.DeleteKey(parent, names[depth - 1].c_str()) != kOk)
                return;
        }
    }

    // Whether the values there can become the wanted ones by setting values alone: the
    // names there are the first wanted names, in order and spelt alike.
    static bool ValuesInPlace(const std::vector<KeyValue>& have, const std::vector<KeyValue>& want) {
        if (have.size() > want.size())
            return false;
        for (std::size_t i = 0; i < have.size(); ++i)
            if (have[i].name != want[i].name)
                return false;
        return true;
    }

    // Brings the open key from have (null: a new key) to want. Sets rebuild, writing
    // nothing, when the key's values cannot be brought there in place.
    Status Sync(KeyHandle key, const std::wstring& path, const KeyNode& want, const KeyNode* have,
                bool& rebuild) {
        rebuild = false;
        if (have && !ValuesInPlace(have->values, want.values)) {
            rebuild = true;
            return kOk;
        }
        const std::size_t kept = have ? have->values.size() : 0;
        for (std::size_t i = 0; i < want.values.size(); ++i) {
            const KeyValue& value = want.values[i];
            if (i < kept && have->values[i].type == value.type && have->values[i].data == value.data)
                continue;
            if (Status status = SetExactValue(store_, key, value); status != kOk)
                return Fail(status, path, value.name);
        }
        std::map<std::wstring, const KeyNode*> existing;
        if (have) {
            std::set<std::wstring> wanted;
            for (const KeyNode& child : want.subkeys)
                wanted.insert(FoldedName(child.name));
            for (const KeyNode& child : have->subkeys) {
                std::wstring folded = FoldedName(child.name);
                if (wanted.count(folded))
                    existing.emplace(std::move(folded), &child);
                else if (Status status = DeleteChild(key, path, child.name); status != kOk)
                    return status;
            }
        }
        for (const KeyNode& child : want.subkeys) {
            auto found = existing.find(FoldedName(child.name));
            const KeyNode* there = found == existing.end() ? nullptr : found->second;
            if (there && there->name != child.name) {
                if (Status status = DeleteChild(key, path, there->name); status != kOk)
                    return status;
                there = nullptr;
            }
            const std::wstring childPath = Join(path, child.name);
            // A key rewritten from scratch never asks for another rebuild.
            for (bool fresh = false;; fresh = true) {
                RegKey opened(store_);
                if (Status status = opened.Create(key, child.name, kKeyReadWrite); status != kOk)
                    return Fail(status, childPath);
                bool rebuildChild = false;
                if (Status status =
                        Sync(opened.Get(), childPath, child, fresh ? nullptr : there, rebuildChild);
                    status != kOk)
                    return status;
                if (!rebuildChild)
                    break;
                opened.Close();
                if (Status status = DeleteChild(key, path, child.name); status != kOk)
                    return status;
            }
        }
        return kOk;
    }

    RegistryStore& store_;
    WriteFailure* failure_;
    const TreeRef* tree_ = nullptr;
};

void AppendKeys(RegFile& file, KeyHandle root, const std::wstring& path, const KeyNode& node) {
    RegFileKey key;
    key.root = root;
    key.path = path;
    for (const KeyValue& value : node.values)
        key.values.push_back(RegFileValue{value.name, false, value.type, value.data, 0});
    file.keys.push_back(std::move(key));
    for (const KeyNode& child : node.subkeys)
        AppendKeys(file, root, Join(path, child.name), child);
}

} // namespace

bool SameTree(const TreeRef& a, const TreeRef& b) {
    return a.root == b.root && NamesEqual(a.path, b.path);
}

bool TreeContains(const TreeRef& outer, const TreeRef& inner) {
    if (outer.root != inner.root || inner.path.size() < outer.path.size() ||
        !NamesEqual(std::wstring_view(inner.path).substr(0, outer.path.size()), outer.path))
        return false;
    return inner.path.size() == outer.path.size() || inner.path[outer.path.size()] == L'\\';
}

std::wstring FoldedName(std::wstring_view name) {
    std::wstring folded(name);
    for (wchar_t& c : folded)
        c = FoldCase(c);
    return folded;
}

std::wstring FoldedTreeName(const TreeRef& ref) {
    return std::to_wstring(reinterpret_cast<std::uintptr_t>(ref.root)) + L"|" + FoldedName(ref.path);
}

std::vector<TreeRef> DistinctTrees(const std::vector<TreeRef>& trees) {
    std::set<std::wstring> all;
    for (const TreeRef& tree : trees)
        all.insert(FoldedTreeName(tree));
    std::vector<TreeRef> distinct;
    std::set<std::wstring> taken;
    for (const TreeRef& tree : trees) {
        if (!taken.insert(FoldedTreeName(tree)).second)
            continue;
        bool inside = false;
        for (std::size_t cut = tree.path.find(L'\\'); cut != std::wstring::npos && !inside;
             cut = tree.path.find(L'\\', cut + 1))
            inside = all.count(FoldedTreeName({tree.root, tree.path.substr(0, cut)})) != 0;
        if (!inside)
            distinct.push_back(tree);
    }
    return distinct;
}

std::vector<TreeRef> Snapshot::Refs() const {
    std::vector<TreeRef> refs;
    refs.reserve(trees.size());
    for (const TreeState& tree : trees)
        refs.push_back(tree.ref);
    return refs;
}

std::size_t ExistingDepth(RegistryStore& store, KeyHandle root, std::wstring_view path) {
    const std::vector<std::wstring> names = SplitKeyPath(path);
    for (std::size_t depth = 1; depth <= names.size(); ++depth) {
        RegKey key(store);
        if (key.Open(root, JoinKeyPath(names, depth), kKeyRead) != kOk)
            return depth - 1;
    }
    return names.size();
}

TreeState AbsentTree(TreeRef ref, std::size_t existingDepth) {
    TreeState state;
    state.ref = std::move(ref);
    state.existingDepth = existingDepth;
    return state;
}

Status CaptureTrees(RegistryStore& store, const std::vector<TreeRef>& trees, Snapshot& out, TreeRef* failed) {
    Snapshot snapshot;
    for (const TreeRef& ref : DistinctTrees(trees)) {
        snapshot.trees.emplace_back();
        if (Status status = CaptureTree(store, ref, snapshot.trees.back()); status != kOk) {
            if (failed)
                *failed = ref;
            return status;
        }
    }
    out = std::move(snapshot);
    return kOk;
}

bool SameState(const TreeState& a, const TreeState& b) {
    if (a.exists != b.exists)
        return false;
    return !a.exists || SameNode(a.key, b.key);
}

Status FindChangedTrees(RegistryStore& store, const Snapshot& expected, std::vector<TreeRef>& changed) {
    changed.clear();
    Status first = kOk;
    for (const TreeState& tree : expected.trees) {
        TreeState now;
        const Status status = CaptureTree(store, tree.ref, now);
        if (status != kOk && first == kOk)
            first = status;
        if (status != kOk || !SameState(tree, now))
            changed.push_back(tree.ref);
    }
    return first;
}

Status RestoreTrees(RegistryStore& store, const Snapshot& target, WriteFailure* failure) {
    Restorer restorer(store, failure);
    for (const TreeState& tree : target.trees)
        if (Status status = restorer.Tree(tree); status != kOk)
            return status;
    return kOk;
}

ChangeReport ApplyWithRollback(RegistryStore& store, const Snapshot& target) {
    ChangeReport report;
    Snapshot before;
    TreeRef failed;
    if (Status status = CaptureTrees(store, target.Refs(), before, &failed); status != kOk) {
        report.failure = WriteFailure{status, failed, failed.path, {}};
        report.unchanged = true;
        return report;
    }
    if (RestoreTrees(store, target, &report.failure) == kOk)
        return report;
    report.unchanged = RestoreTrees(store, before, &report.rollbackFailure) == kOk;
    return report;
}

RegFile SnapshotToRegFile(const Snapshot& snapshot, bool withDeletions) {
    RegFile file;
    for (const TreeState& tree : snapshot.trees) {
        if (withDeletions) {
            RegFileKey deletion;
            deletion.root = tree.ref.root;
            deletion.path = tree.ref.path;
            deletion.remove = true;
            file.keys.push_back(std::move(deletion));
        }
        if (tree.exists)
            AppendKeys(file, tree.ref.root, tree.ref.path, tree.key);
    }
    return file;
}

} // namespace vs
