#include "RegTransfer.h"

#include "ClassRoots.h"
#include "DesktopIcon.h"
#include "NamespaceLocation.h"
#include "RegKey.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

namespace vs {

namespace {

bool IsGuidName(std::wstring_view name) {
    constexpr std::wstring_view kPattern = L"{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    if (name.size() != kPattern.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const wchar_t c = name[i];
        const bool hex = (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
        if (kPattern[i] == L'x' ? !hex : c != kPattern[i])
            return false;
    }
    return true;
}

// Whether names starts with the names of prefix; the count of those names, or 0.
std::size_t MatchPrefix(const std::vector<std::wstring>& names, std::wstring_view prefix) {
    const std::vector<std::wstring> wanted = SplitKeyPath(prefix);
    if (names.size() < wanted.size())
        return 0;
    for (std::size_t i = 0; i < wanted.size(); ++i)
        if (!NamesEqual(names[i], wanted[i]))
            return 0;
    return wanted.size();
}

// Whether the key is a NewStartPanel key of this user or of the machine.
bool IsDesktopIconsKey(KeyHandle root, std::wstring_view path) {
    const std::vector<std::wstring> names = SplitKeyPath(path);
    return (root == CurrentUser() || root == LocalMachine()) && MatchPrefix(names, kHideDesktopIconsPath) &&
           names.size() == SplitKeyPath(kHideDesktopIconsPath).size();
}

// The tree a key block of a file may write: a shell object tree, or the NewStartPanel key
// when it sets or deletes only desktop-icon values (DWORDs named by a class identifier).
// Deleting that key whole is taken too: a backup of it restores it so.
std::optional<TreeRef> ImportTreeOf(const RegFileKey& key) {
    if (std::optional<TreeRef> tree = ShellObjectTreeOf(key.root, key.path))
        return tree;
    if (!IsDesktopIconsKey(key.root, key.path))
        return std::nullopt;
    for (const RegFileValue& value : key.values)
        if (!IsGuidName(value.name) || (!value.remove && value.type != kRegDword))
            return std::nullopt;
    return TreeRef{key.root, key.path};
}

// The class identifier of a class key tree (CLSID\{guid} of any root), or empty.
std::wstring ClassOfTree(const TreeRef& tree) {
    const std::vector<std::wstring> names = SplitKeyPath(tree.path);
    if (names.size() < 2 || !NamesEqual(names[names.size() - 2], L"CLSID") || !IsGuidName(names.back()))
        return std::wstring();
    return names.back();
}

// Appends, per hive, a NewStartPanel block with the desktop-icon values of the classes
// that have one (a DWORD); a hive without any gets no block.
Status AddDesktopIconValues(RegistryStore& store, const std::vector<std::wstring>& classes, RegFile& file,
                            TreeRef& failed) {
    for (KeyHandle hive : {CurrentUser(), LocalMachine()}) {
        RegKey key(store);
        if (const Status status = key.Open(hive, kHideDesktopIconsPath, kKeyRead); status != kOk) {
            if (status == kFileNotFound)
                continue;
            failed = {hive, kHideDesktopIconsPath};
            return status;
        }
        RegFileKey block;
        block.root = hive;
        block.path = kHideDesktopIconsPath;
        for (const std::wstring& clsid : classes) {
            const DwordRead read = ReadDword(store, key.Get(), clsid.c_str());
            // A longer value of another type (234) is no desktop-icon value: not exported.
            if (read.status != kOk && read.status != kFileNotFound && read.status != kMoreData) {
                failed = {hive, kHideDesktopIconsPath};
                return read.status;
            }
            if (!read.IsDword())
                continue;
            RegFileValue value;
            value.name = clsid;
            value.type = kRegDword;
            for (int shift = 0; shift < 32; shift += 8)
                value.data.push_back(static_cast<std::uint8_t>(read.value >> shift));
            block.values.push_back(std::move(value));
        }
        if (!block.values.empty())
            file.keys.push_back(std::move(block));
    }
    return kOk;
}

// A key tree being changed in memory: values and subkeys found by folded name, removed
// ones left as empty slots so that positions (the registry's value order) hold.
struct WorkNode {
    std::wstring name;
    std::vector<std::optional<KeyValue>> values;
    std::map<std::wstring, std::size_t> valueIndex;
    std::vector<std::unique_ptr<WorkNode>> subkeys;
    std::map<std::wstring, std::size_t> subkeyIndex;

    WorkNode& Child(const std::wstring& childName) {
        const std::wstring folded = FoldedName(childName);
        auto found = subkeyIndex.find(folded);
        if (found != subkeyIndex.end())
            return *subkeys[found->second];
        subkeyIndex.emplace(folded, subkeys.size());
        subkeys.push_back(std::make_unique<WorkNode>());
        subkeys.back()->name = childName;
        return *subkeys.back();
    }
    WorkNode* FindChild(const std::wstring& childName) {
        auto found = subkeyIndex.find(FoldedName(childName));
        return found == subkeyIndex.end() ? nullptr : subkeys[found->second].get();
    }
    void RemoveChild(const std::wstring& childName) {
        auto found = subkeyIndex.find(FoldedName(childName));
        if (found == subkeyIndex.end())
            return;
        subkeys[found->second].reset();
        subkeyIndex.erase(found);
    }
    // A value set again keeps its place and its spelling, as the registry keeps them.
    void SetValue(const RegFileValue& value) {
        const std::wstring folded = FoldedName(value.name);
        auto found = valueIndex.find(folded);
        if (value.remove) {
            if (found != valueIndex.end()) {
                values[found->second].reset();
                valueIndex.erase(found);
            }
        } else if (found != valueIndex.end()) {
            values[found->second]->type = value.type;
            values[found->second]->data = value.data;
        } else {
            valueIndex.emplace(folded, values.size());
            values.emplace_back(KeyValue{value.name, value.type, value.data});
        }
    }
};

std::unique_ptr<WorkNode> ToWork(const KeyNode& node) {
    auto work = std::make_unique<WorkNode>();
    work->name = node.name;
    for (const KeyValue& value : node.values) {
        work->valueIndex.emplace(FoldedName(value.name), work->values.size());
        work->values.emplace_back(value);
    }
    for (const KeyNode& child : node.subkeys) {
        work->subkeyIndex.emplace(FoldedName(child.name), work->subkeys.size());
        work->subkeys.push_back(ToWork(child));
    }
    return work;
}

KeyNode FromWork(const WorkNode& work) {
    KeyNode node;
    node.name = work.name;
    for (const auto& value : work.values)
        if (value)
            node.values.push_back(*value);
    for (const auto& child : work.subkeys)
        if (child)
            node.subkeys.push_back(FromWork(*child));
    return node;
}

struct Unit {
    TreeRef ref;
    std::size_t depth = 0;         // names in ref.path
    std::unique_ptr<WorkNode> top; // null while the tree does not exist
};

// Applies one key block of the file to its tree in memory.
void ApplyKey(Unit& unit, const RegFileKey& key) {
    const std::vector<std::wstring> names = SplitKeyPath(key.path);
    if (key.remove && names.size() == unit.depth) {
        unit.top.reset();
        return;
    }
    if (key.remove) {
        WorkNode* node = unit.top.get();
        for (std::size_t i = unit.depth; node && i + 1 < names.size(); ++i)
            node = node->FindChild(names[i]);
        if (node)
            node->RemoveChild(names.back());
        return;
    }
    if (!unit.top) {
        unit.top = std::make_unique<WorkNode>();
        unit.top->name = names[unit.depth - 1];
    }
    WorkNode* node = unit.top.get();
    for (std::size_t i = unit.depth; i < names.size(); ++i)
        node = &node->Child(names[i]);
    for (const RegFileValue& value : key.values)
        node->SetValue(value);
}

} // namespace

ExportResult ExportTrees(RegistryStore& store, const std::vector<TreeRef>& trees) {
    ExportResult result;
    Snapshot snapshot;
    result.status = CaptureTrees(store, trees, snapshot, &result.failed);
    if (result.status != kOk)
        return result;
    for (const TreeState& tree : snapshot.trees)
        if (!tree.exists)
            result.missing.push_back(tree.ref);
    RegFile file = SnapshotToRegFile(snapshot, false);
    std::vector<std::wstring> classes;
    std::set<std::wstring> seen;
    for (const TreeState& tree : snapshot.trees)
        if (const std::wstring clsid = ClassOfTree(tree.ref);
            !clsid.empty() && seen.insert(FoldedName(clsid)).second)
            classes.push_back(clsid);
    result.status = AddDesktopIconValues(store, classes, file, result.failed);
    if (result.status != kOk)
        return result;
    std::size_t badKey = 0;
    result.status = WriteRegFile(file, result.bytes, &badKey);
    if (result.status != kOk) {
        const TreeRef bad{file.keys[badKey].root, file.keys[badKey].path};
        for (const TreeState& tree : snapshot.trees)
            if (TreeContains(tree.ref, bad))
                result.failed = tree.ref;
    }
    return result;
}

std::vector<TreeRef> ClassKeyTrees(std::wstring_view clsid) {
    const std::wstring path = ClassKeyPath(clsid), path32 = Class32KeyPath(clsid);
    return {{CurrentUser(), path}, {LocalMachine(), path}, {CurrentUser(), path32}, {LocalMachine(), path32}};
}

std::optional<TreeRef> ShellObjectTreeOf(KeyHandle root, std::wstring_view path) {
    const std::vector<std::wstring> names = SplitKeyPath(path);
    std::size_t classes = 0;
    if (root == ClassesRoot())
        classes = std::max(MatchPrefix(names, L"CLSID"), MatchPrefix(names, L"Wow6432Node\\CLSID"));
    else if (root == CurrentUser() || root == LocalMachine())
        classes = std::max(MatchPrefix(names, kClassesPath), MatchPrefix(names, kClasses32Path));
    if (classes && names.size() > classes && IsGuidName(names[classes]))
        return TreeRef{root, JoinKeyPath(names, classes + 1)};
    for (const NamespaceLocation& place : NamespaceLocations()) {
        if (place.hive != root)
            continue;
        const std::size_t nameSpace = MatchPrefix(names, place.nameSpacePath);
        if (nameSpace && names.size() > nameSpace)
            return TreeRef{root, JoinKeyPath(names, nameSpace + 1)};
    }
    return std::nullopt;
}

std::vector<RefusedKey> FindRefusedKeys(const RegFile& file) {
    std::vector<RefusedKey> refused;
    for (const RegFileKey& key : file.keys)
        if (!ImportTreeOf(key))
            refused.push_back(RefusedKey{key.line, key.root, key.path, key.remove});
    return refused;
}

ImportPlan PlanImport(RegistryStore& store, const std::uint8_t* data, std::size_t size,
                      const RegFileParseOptions& options) {
    RegFileParse parse = ParseRegFile(data, size, options);
    if (!parse.Ok()) {
        ImportPlan plan;
        plan.problem = ImportProblem::BadFile;
        plan.issue = std::move(parse.issue);
        return plan;
    }
    return PlanImport(store, parse.file);
}

ImportPlan PlanImport(RegistryStore& store, const RegFile& file) {
    ImportPlan plan;
    plan.refused = FindRefusedKeys(file);
    if (!plan.refused.empty()) {
        plan.problem = ImportProblem::Refused;
        return plan;
    }
    std::vector<TreeRef> refs;
    std::map<std::wstring, std::size_t> unitOf;
    std::vector<const RegFileKey*> keys;
    std::vector<std::size_t> keyUnits;
    for (const RegFileKey& key : file.keys) {
        TreeRef ref = *ImportTreeOf(key);
        auto [at, added] = unitOf.emplace(FoldedTreeName(ref), refs.size());
        if (added)
            refs.push_back(std::move(ref));
        keys.push_back(&key);
        keyUnits.push_back(at->second);
    }
    plan.readStatus = CaptureTrees(store, refs, plan.before, &plan.readTree);
    if (plan.readStatus != kOk) {
        plan.problem = ImportProblem::ReadFailed;
        return plan;
    }
    // The trees are distinct and none lies inside another, so the capture holds them in
    // the order of refs.
    std::vector<Unit> units(refs.size());
    for (std::size_t i = 0; i < refs.size(); ++i) {
        const TreeState& before = plan.before.trees[i];
        units[i].ref = before.ref;
        units[i].depth = SplitKeyPath(before.ref.path).size();
        if (before.exists)
            units[i].top = ToWork(before.key);
    }
    for (std::size_t i = 0; i < keys.size(); ++i)
        ApplyKey(units[keyUnits[i]], *keys[i]);
    for (std::size_t i = 0; i < units.size(); ++i) {
        const TreeState& before = plan.before.trees[i];
        TreeState target;
        target.ref = before.ref;
        target.exists = units[i].top != nullptr;
        target.existingDepth = before.exists ? units[i].depth - 1 : before.existingDepth;
        if (target.exists)
            target.key = FromWork(*units[i].top);
        plan.target.trees.push_back(std::move(target));
    }
    return plan;
}

ChangeReport ExecuteImport(RegistryStore& store, const ImportPlan& plan) {
    if (!plan.Ready()) {
        ChangeReport report;
        report.failure.status = kInvalidParameter;
        report.unchanged = true;
        return report;
    }
    return ApplyWithRollback(store, plan.target);
}

std::vector<int> PlacesOfChange(RegistryStore& store, const Snapshot& from, const Snapshot& to) {
    std::vector<bool> changed(NamespaceLocations().size());
    for (std::size_t i = 0; i < from.trees.size(); ++i) {
        const TreeRef& tree = from.trees[i].ref;
        if (i < to.trees.size() && SameState(from.trees[i], to.trees[i]))
            continue;
        const std::vector<std::wstring> names = SplitKeyPath(tree.path);
        bool entry = false;
        for (const NamespaceLocation& place : NamespaceLocations()) {
            const std::size_t nameSpace = MatchPrefix(names, place.nameSpacePath);
            if (place.hive == tree.root && nameSpace && names.size() > nameSpace)
                changed[static_cast<std::size_t>(place.index)] = entry = true;
        }
        if (entry || names.empty())
            continue;
        if (IsDesktopIconsKey(tree.root, tree.path)) { // the desktop of its scope shows it
            changed[tree.root == CurrentUser() ? 0 : 4] = true;
            continue;
        }
        // A class key: the places that hold an entry of the class show it.
        for (const NamespaceLocation& place : NamespaceLocations()) {
            const std::wstring path = std::wstring(place.nameSpacePath) + L"\\" + names.back();
            KeyHandle key = nullptr;
            if (store.OpenKey(place.hive, path.c_str(), kKeyRead, &key) == kOk) {
                (void)store.CloseKey(key);
                changed[static_cast<std::size_t>(place.index)] = true;
            }
        }
    }
    std::vector<int> places;
    for (std::size_t place = 0; place < changed.size(); ++place)
        if (changed[place])
            places.push_back(static_cast<int>(place));
    return places;
}

} // namespace vs
