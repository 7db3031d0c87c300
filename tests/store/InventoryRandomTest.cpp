// A long randomised run over generated registries with injected failures and, for some
// operations, a standard user whose writes below HKEY_LOCAL_MACHINE are refused: after
// every entry operation and class-record change it checks that nothing was lost that the
// operation did not mean to remove, that a failed operation left the source as it was and
// said so, that one which did all it meant to said nothing, and that hiding then
// unhiding an entry gives back the same tree.
//
// VARNOSET_RANDOM_OPERATIONS sets how many operations the run makes at least (2,000
// otherwise) and VARNOSET_RANDOM_START the start value of its generator (a fixed one
// otherwise, so that the continuous build always makes the same registries);
// scripts/random-run.sh runs it long, with a new start value each time.

#include "store/Inventory.h"
#include "store/MemoryRegistry.h"
#include "store/NamespaceLocation.h"
#include "store/RegistryWatch.h"
#include "tests/support/RegistryTree.h"
#include "tests/support/StandardUserRegistry.h"
#include "tests/support/TestPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace vs::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- The registry as plain data --------------------------------------------------

struct ValueState {
    std::wstring spelling;
    std::uint32_t type = 0;
    Bytes data;
    bool operator==(const ValueState& other) const { return type == other.type && data == other.data; }
};
struct KeyState {
    std::wstring spelling;
    std::map<std::wstring, ValueState> values; // by folded name
    bool operator==(const KeyState& other) const {
        return spelling == other.spelling && values == other.values;
    }
};
// Every key of the three roots by its folded full path ("HKCU\SOFTWARE\...").
using Snapshot = std::map<std::wstring, KeyState>;

bool IsUnder(const std::wstring& path, const std::wstring& root) {
    return !root.empty() && path.size() >= root.size() && path.compare(0, root.size(), root) == 0 &&
           (path.size() == root.size() || path[root.size()] == L'\\');
}

std::wstring HiveName(KeyHandle hive) {
    return hive == ClassesRoot() ? L"HKCR" : hive == CurrentUser() ? L"HKCU" : L"HKLM";
}

Snapshot TakeSnapshot(RegistryStore& store) {
    Snapshot snapshot;
    // HKEY_CLASSES_ROOT is a view of the machine's classes, which the snapshot holds already.
    for (KeyHandle root : {CurrentUser(), LocalMachine()}) {
        for (StoredKey& key : ReadKeys(store, root, L"")) {
            const std::wstring path = HiveName(root) + (key.path.empty() ? L"" : L"\\" + key.path);
            KeyState& state = snapshot[Folded(path)];
            state.spelling = path;
            for (TreeValue& value : key.values)
                state.values[Folded(value.name)] = ValueState{value.name, value.type, std::move(value.data)};
        }
    }
    return snapshot;
}

// The values of the keys of snapshot below root, by their path relative to it ("" for
// root itself).
using Values = std::map<std::wstring, ValueState>;
std::map<std::wstring, Values> Subtree(const Snapshot& snapshot, const std::wstring& root) {
    std::map<std::wstring, Values> keys;
    // Siblings whose names start with root's last name sort between root and its subkeys
    // (A < AB < A\B): the walk goes on while the path starts with root and takes only what
    // is below it.
    for (auto it = snapshot.lower_bound(root);
         it != snapshot.end() && it->first.compare(0, root.size(), root) == 0; ++it)
        if (IsUnder(it->first, root))
            keys[it->first.substr(root.size())] = it->second.values;
    return keys;
}

bool SameSubtree(const Snapshot& a, const Snapshot& b, const std::wstring& root) {
    return Subtree(a, root) == Subtree(b, root);
}

// Every key and value below source in `before` is present below dest in `after`.
bool CompleteCopy(const Snapshot& before, const Snapshot& after, const std::wstring& source,
                  const std::wstring& dest) {
    const auto keys = Subtree(before, source);
    if (keys.empty())
        return false;
    for (const auto& [relative, values] : keys) {
        auto copy = after.find(dest + relative);
        if (copy == after.end())
            return false;
        for (const auto& [name, value] : values) {
            auto copied = copy->second.values.find(name);
            if (copied == copy->second.values.end() || !(copied->second == value))
                return false;
        }
    }
    return true;
}

// Checks that going from before to after lost nothing: a key or value below source may
// be gone only if it stands, equal, at the same place below dest; a value below dest
// may only have been replaced by the source's value of that place; anything new stands
// below dest and copies the source; everything else is unchanged. removable names keys
// that may go without a copy (with their values).
void CheckNothingLost(const Snapshot& before, const Snapshot& after, const std::wstring& source,
                      const std::wstring& dest, const std::set<std::wstring>& removable,
                      std::vector<std::string>& findings, const std::string& what) {
    auto report = [&](const std::string& problem, const std::wstring& path) {
        findings.push_back(what + ": " + problem + " at " + std::string(path.begin(), path.end()));
    };
    auto sourceValue = [&](const std::wstring& relative, const std::wstring& name) -> const ValueState* {
        auto key = before.find(source + relative);
        if (source.empty() || key == before.end())
            return nullptr;
        auto value = key->second.values.find(name);
        return value == key->second.values.end() ? nullptr : &value->second;
    };
    for (const auto& [path, key] : before) {
        auto now = after.find(path);
        const bool inSource = IsUnder(path, source);
        const bool inDest = IsUnder(path, dest);
        bool mayGo = false;
        for (const std::wstring& root : removable)
            mayGo = mayGo || IsUnder(path, root);
        if (now == after.end()) {
            if (mayGo)
                continue;
            if (!inSource || after.find(dest + path.substr(source.size())) == after.end())
                report("key lost", path);
            else if (!CompleteCopy(before, after, path, dest + path.substr(source.size())))
                report("key removed without a complete copy", path);
            continue;
        }
        for (const auto& [name, value] : key.values) {
            auto current = now->second.values.find(name);
            const bool same = current != now->second.values.end() && current->second == value;
            if (same)
                continue;
            if (inSource) {
                auto copy = after.find(dest + path.substr(source.size()));
                auto copied = copy == after.end() ? nullptr : &copy->second;
                if (copied && copied->values.count(name) && copied->values.at(name) == value &&
                    current == now->second.values.end())
                    continue;
                report("source value changed", path + L":" + name);
            } else if (inDest) {
                const ValueState* replacement = sourceValue(path.substr(dest.size()), name);
                if (replacement && current != now->second.values.end() && current->second == *replacement)
                    continue;
                report("destination value lost", path + L":" + name);
            } else if (!mayGo) {
                report("value changed", path + L":" + name);
            }
        }
    }
    for (const auto& [path, key] : after) {
        auto old = before.find(path);
        for (const auto& [name, value] : key.values) {
            if (old != before.end() && old->second.values.count(name))
                continue;
            const ValueState* original =
                IsUnder(path, dest) ? sourceValue(path.substr(dest.size()), name) : nullptr;
            if (!original || !(*original == value))
                report("value appeared", path + L":" + name);
        }
        // The destination's missing parents are created along with it.
        if (old == before.end() && !IsUnder(path, dest) && !IsUnder(dest, path))
            report("key appeared", path);
    }
}

// ---- Generated registries --------------------------------------------------------

class Generator {
public:
    explicit Generator(std::mt19937& rng) : rng_(rng) {}

    int Below(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
    bool Chance(int percent) { return Below(100) < percent; }

    std::wstring Id(int n) {
        wchar_t text[64];
        std::swprintf(text, 64, L"{7a1e%04x-0000-4000-8000-%012x}", n, n);
        return Chance(20) ? Folded(text) : std::wstring(text);
    }
    std::wstring Text(int maxLength) {
        static const wchar_t kAlphabet[] = L"abcXYZ019 @,%-\\.\u00e9\u4e2d";
        std::wstring text;
        for (int i = Below(maxLength + 1); i > 0; --i)
            text.push_back(kAlphabet[Below(static_cast<int>(sizeof kAlphabet / sizeof(wchar_t)) - 1)]);
        return text;
    }
    // A string value, well-formed or not, or some other type.
    TreeValue StringLike(const std::wstring& name, const std::wstring& text) {
        Bytes odd = ToUtf16Bytes(text); // the NUL cut in half
        odd.pop_back();
        const std::function<TreeValue()> kinds[] = {
            [&] { return ExpandSz(name, text); },
            [&] { return Raw(name, kRegSz, TextBytes(text)); },
            [&] { return Raw(name, kRegSz, odd); },
            [&] { return Dword(name, rng_()); },
            [&] { return Raw(name, kRegBinary, RandomBytes(Below(40))); },
            [&] { return Raw(name, kRegSz, {}); },
            [&] { return Sz(name, std::wstring(300 + Below(800), L'L')); },
            [&] { return Sz(name, text); }};
        return kinds[std::min(Below(9), 7)]();
    }
    Bytes RandomBytes(int size) {
        Bytes bytes(static_cast<std::size_t>(size));
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>(rng_());
        return bytes;
    }
    TreeValue Marker() {
        const std::function<TreeValue()> kinds[] = {
            [] { return Dword(L"SearchHelper", 1); },
            [] { return Sz(L"SearchHelper", std::wstring(300, L'm')); },
            [] { return Sz(L"SearchHelper", L""); },
            [] { return Raw(L"SearchHelper", kRegSz, TextBytes(L"Varnoset: x")); },
            [&] { return Sz(L"SearchHelper", L"Varnoset: " + Text(12)); }};
        return kinds[std::min(Below(6), 4)]();
    }
    std::vector<TreeValue> ExtraValues() {
        std::vector<TreeValue> values;
        for (int i = Below(4); i > 0; --i) {
            const std::wstring name = Chance(15) ? L"" : L"v" + std::to_wstring(Below(6));
            values.push_back(Chance(5) ? Raw(name, kRegBinary, RandomBytes(1000 + Below(600)))
                                       : StringLike(name, Text(20)));
        }
        return values;
    }

    TreeKey ClassKey(const std::wstring& id) {
        std::vector<TreeValue> values;
        if (Chance(80))
            values.push_back(StringLike(L"", Text(15)));
        if (Chance(60))
            values.push_back(
                StringLike(L"InfoTip", Chance(40) ? L"@tip.dll,-" + std::to_wstring(Below(3)) : Text(30)));
        if (Chance(40))
            values.push_back(Chance(80) ? Dword(L"SortOrderIndex", static_cast<std::uint32_t>(Below(300)))
                                        : Raw(L"SortOrderIndex", kRegBinary, RandomBytes(Below(9))));
        if (Chance(70))
            values.push_back(Marker());
        std::vector<TreeKey> subkeys;
        if (Chance(70))
            subkeys.push_back(
                TreeKey{L"DefaultIcon", {StringLike(L"", Chance(70) ? IconLocation() : Text(20))}});
        if (Chance(40))
            subkeys.push_back(TreeKey{L"Instance\\InitPropertyBag", {StringLike(L"Target", Text(20))}});
        else if (Chance(40))
            subkeys.push_back(TreeKey{L"Shell\\Open\\Command", {StringLike(L"", Text(20))}});
        if (Chance(30))
            subkeys.push_back(TreeKey{L"ShellFolder", {Dword(L"Attributes", rng_())}});
        return TreeKey{L"CLSID\\" + id, values, subkeys};
    }
    std::wstring IconLocation() {
        static const wchar_t* kFiles[] = {L"a.dll", L"b.ico", L"C:\\x,y\\c.dll", L"none.dll"};
        std::wstring location = kFiles[Below(4)];
        if (Chance(70))
            location += L"," + std::to_wstring(Below(6) - 2);
        return location;
    }

    std::wstring EntryName(int ids) {
        const std::wstring id = Id(Below(ids));
        const std::function<std::wstring()> kinds[] = {
            [&] { return L"hidden" + id; }, [&] { return L"HIDDEN" + id; },
            [&] { return L"Group" + std::to_wstring(Below(2)); },
            [&] { return std::wstring(Chance(50) ? 49 : 50, L'n').replace(0, 1, L"{"); }, [&] { return id; }};
        return kinds[std::min(Below(10), 4)]();
    }
    TreeKey Entry(int ids, int depth) {
        std::vector<TreeValue> values = ExtraValues();
        if (Chance(75))
            values.push_back(Marker());
        std::vector<TreeKey> subkeys;
        if (depth < 3)
            for (int i = Chance(35) ? 1 + Below(3) : 0; i > 0; --i)
                subkeys.push_back(Entry(ids, depth + 1));
        return TreeKey{EntryName(ids), values, subkeys};
    }

private:
    std::mt19937& rng_;
};

// ---- The run ---------------------------------------------------------------------

struct Totals {
    int registries = 0;
    int refreshes = 0;
    int updates = 0; // updated lists compared with a fresh refresh
    int operations = 0;
    int faultsInjected = 0;
    int faultsFired = 0;
    int failedOperations = 0;  // an operation that did not reach its full effect
    int strictChecks = 0;      // operations checked for their full effect (no fault involved)
    int refusedOperations = 0; // operations of a standard user that met a refused write
    int failuresReported = 0;
    int classKeysTakenAlong = 0; // per-user class keys copied to the machine's classes
    int hideUnhideIdentities = 0;
    int classKeysDeleted = 0;
    std::map<std::string, int> byKind;
    std::vector<std::string> findings;
};

class RandomRun {
public:
    RandomRun(std::uint32_t start, Totals& totals) : rng_(start), gen_(rng_), totals_(totals) {
        platform_.iconFiles[L"a.dll"] = 3;
        platform_.iconFiles[L"b.ico"] = 1;
        platform_.iconFiles[L"C:\\x,y\\c.dll"] = 2;
        platform_.indirectStrings[L"@tip.dll,-1"] = L"Resolved tip";
    }

    void Run(int commands) {
        Generate();
        ++totals_.registries;
        live_.expertMode = gen_.Chance(75);
        live_.Refresh();
        (void)watch_.TakeChanges();
        for (int i = 0; i < commands; ++i)
            Command();
    }

private:
    static constexpr int kIds = 6;

    void Generate() {
        // Class keys where earlier versions wrote them (the machine's classes), in this
        // user's classes, in both, or nowhere.
        for (int id = 0; id < kIds; ++id) {
            const int where = gen_.Below(100);
            if (where < 55 || where >= 85)
                (void)WriteTree(registry_, ClassesRoot(), gen_.ClassKey(gen_.Id(id)));
            if (where >= 55 && where < 95) {
                TreeKey key = gen_.ClassKey(gen_.Id(id));
                key.path = L"Software\\Classes\\" + key.path;
                (void)WriteTree(registry_, CurrentUser(), key);
            }
        }
        for (const NamespaceLocation& place : NamespaceLocations()) {
            if (!gen_.Chance(55))
                continue;
            std::vector<TreeKey> entries;
            for (int i = gen_.Below(4); i > 0; --i)
                entries.push_back(gen_.Entry(kIds, 0));
            (void)WriteTree(registry_, place.hive, TreeKey{place.nameSpacePath, {}, entries});
        }
        // A few keys that open only for reading.
        const Snapshot all = TakeSnapshot(registry_);
        for (const auto& [path, key] : all) {
            if (!gen_.Chance(2) || path.find(L"NAMESPACE\\") == std::wstring::npos)
                continue;
            const std::wstring hive = path.substr(0, 4);
            registry_.DenyWriteAccess(hive == L"HKCU" ? CurrentUser() : LocalMachine(),
                                      key.spelling.substr(5));
            denied_.push_back(path);
        }
        current_ = TakeSnapshot(registry_);
    }

    bool DeniedNear(std::initializer_list<std::wstring> paths) const {
        for (const std::wstring& denied : denied_)
            for (const std::wstring& path : paths)
                if (!path.empty() && (IsUnder(denied, path) || IsUnder(path, denied)))
                    return true;
        return false;
    }

    // The entry's key, or with name its sibling of that name.
    static std::wstring PathOf(const ShellObjectEntry& entry, const std::wstring& name = {}) {
        return Folded(HiveName(entry.hive) + L"\\" + entry.parentPath + L"\\" +
                      (name.empty() ? entry.keyName : name));
    }
    std::wstring ClassPath(const ShellObjectInfo& info, KeyHandle hive = nullptr) const {
        return Folded(HiveName(hive ? hive : info.classesHive) + L"\\Software\\Classes\\CLSID\\" +
                      info.clsid);
    }

    // Where it happened, to replay it with VARNOSET_RANDOM_REGISTRY.
    void Finding(const std::string& text) {
        totals_.findings.push_back(text + " (registry " + std::to_string(totals_.registries) +
                                   ", operation " + std::to_string(totals_.operations) + ")");
    }

    // Arms a failure of one registry operation for the operation about to run.
    void MaybeInjectFault() {
        armed_ = false;
        if (!gen_.Chance(35))
            return;
        using Op = MemoryRegistry::Op;
        static const Op kOps[] = {Op::Open,       Op::Create,   Op::EnumKey,   Op::EnumValue,
                                  Op::QueryValue, Op::SetValue, Op::DeleteKey, Op::Close};
        static const Status kStatuses[] = {kAccessDenied, kFileNotFound, kKeyDeleted, kMoreData};
        faultOp_ = kOps[gen_.Below(8)];
        faultNth_ = 1 + gen_.Below(5);
        callsBefore_ = registry_.CallCount(faultOp_);
        const Status status = kStatuses[gen_.Below(4)];
        faultStatus_ = status;
        sticky_ = gen_.Chance(15);
        if (sticky_)
            registry_.FailFromCall(faultOp_, faultNth_, status);
        else
            registry_.FailNthCall(faultOp_, faultNth_, status);
        armed_ = true;
        ++totals_.faultsInjected;
    }
    // Clears the armed failure; true when it struck.
    bool DisarmFault() {
        if (!armed_)
            return false;
        armed_ = false;
        registry_.ClearFaults();
        const bool fired = registry_.CallCount(faultOp_) - callsBefore_ >= faultNth_;
        totals_.faultsFired += fired;
        return fired;
    }

    void CheckHandles(const std::string& what) {
        std::size_t open = 0;
        for (const Inventory* inventory : {&inventory_, &live_})
            for (const auto& [id, info] : inventory->clsidMap)
                open += info.IsOpen();
        if (registry_.OpenHandleCount() != open)
            Finding(what + ": " + std::to_string(registry_.OpenHandleCount() - open) + " key handles leaked");
        if (platform_.liveIcons != 0)
            Finding(what + ": icons leaked");
    }

    void Refresh() {
        ++totals_.refreshes;
        inventory_.expertMode = gen_.Chance(75);
        // Most refreshes run clean, so that the operations have entries to work on.
        const bool faulty = gen_.Chance(15);
        const Snapshot& before = current_;
        if (faulty)
            MaybeInjectFault();
        inventory_.Refresh();
        DisarmFault();
        if (!faulty && inventory_.expertMode == live_.expertMode)
            CheckLiveList();
        if (faulty && TakeSnapshot(registry_) != before)
            Finding("refresh changed the registry");
        CheckHandles("refresh");
        if (inventory_.rows.size() != inventory_.entries.size())
            Finding("rows and entries disagree");
        for (std::size_t i = 0; i < inventory_.rows.size() && i < inventory_.entries.size(); ++i) {
            const InventoryRow& row = inventory_.rows[i];
            const ShellObjectEntry& entry = inventory_.entries[i];
            if (row.info != entry.info || row.name != entry.info->name || row.hidden != entry.hidden)
                Finding("row that does not show its own entry");
        }
        for (const ShellObjectEntry& entry : inventory_.entries) {
            if (!before.count(PathOf(entry)))
                Finding("listed an entry key that does not exist");
            if (!inventory_.expertMode && !entry.hasMarker)
                Finding("unmarked entry listed in normal mode");
            if (entry.hidden != (entry.keyName.rfind(L"hidden{", 0) == 0))
                Finding("hidden flag does not follow the name");
        }
    }

    // What an inventory holds, as one text: entries, rows and records.
    static std::wstring Contents(const Inventory& inventory) {
        std::wostringstream text;
        for (std::size_t i = 0; i < inventory.entries.size() && i < inventory.rows.size(); ++i) {
            const ShellObjectEntry& e = inventory.entries[i];
            const InventoryRow& r = inventory.rows[i];
            text << HiveName(e.hive) << L'\\' << e.parentPath << L'\\' << e.keyName << L'|' << e.hasMarker
                 << e.hidden << L'|' << r.name << L'|' << r.placeIndex << L'|' << r.target << L'|'
                 << r.description << L'|' << r.hidden << L'|' << r.iconLocation.value_or(L"(none)") << L'|'
                 << r.info->clsid << r.desktopIconHidden << L'\n';
        }
        for (const ShellObjectEntry& e : inventory.unlisted)
            text << HiveName(e.hive) << L'\\' << e.parentPath << L'\\' << e.keyName << L'|' << e.info->clsid
                 << L'\n';
        for (const auto& [id, info] : inventory.clsidMap)
            text << id << L'|' << info.useCount << L'|' << info.placeIndex << L'|' << info.openStatus << L'|'
                 << HiveName(info.classesHive) << L'|' << info.name << L'|' << info.description << L'|'
                 << info.target << L'|' << info.iconLocation << info.hasIconLocation << L'|'
                 << info.sortOrderIndex << L'|' << info.parsingName << info.IsOpen() << L'\n';
        return text.str() + std::to_wstring(inventory.rowCount);
    }

    // The list kept up to date by updates shows what a fresh refresh shows, and the rows
    // an update says stayed are the rows they were.
    void CheckLiveList() {
        const std::vector<InventoryRow> rowsBefore = live_.rows;
        std::vector<std::wstring> pathsBefore;
        for (const ShellObjectEntry& entry : live_.entries)
            pathsBefore.push_back(PathOf(entry));
        const Inventory::RowChanges changes = live_.Update(watch_.TakeChanges());
        ++totals_.updates;
        if (Contents(live_) != Contents(inventory_))
            Finding("the updated list differs from a fresh one");
        for (std::size_t old = 0; old < changes.nowIndexOf.size() && old < rowsBefore.size(); ++old) {
            const std::size_t now = changes.nowIndexOf[old];
            if (now != Inventory::RowChanges::kGone &&
                (now >= live_.rows.size() || PathOf(live_.entries[now]) != pathsBefore[old] ||
                 live_.rows[now].name != rowsBefore[old].name))
                Finding("an update kept a row that is not the one it was");
        }
    }

    void Command() {
        Refresh();
        if (inventory_.entries.empty())
            return;
        const int kind = gen_.Below(10);
        // Like selected rows: distinct entries, in list order.
        std::set<std::size_t> picked;
        for (int i = 1 + (gen_.Chance(30) ? gen_.Below(3) : 0); i > 0; --i)
            picked.insert(static_cast<std::size_t>(gen_.Below(static_cast<int>(inventory_.entries.size()))));
        const int targetPlace = gen_.Below(8);
        for (std::size_t index : picked) {
            // Entries are copied as the commands hold them; the list is not rebuilt between rows.
            ShellObjectEntry& entry = inventory_.entries[index];
            if (kind == 0)
                Delete(entry);
            else if (kind < 3)
                HideOrUnhide(entry, entry.hidden ? "unhide" : "hide");
            else if (kind == 3)
                HideThenUnhide(entry);
            else if (kind < 8)
                CopyOrMove(entry, targetPlace, /*move=*/kind >= 6);
            else
                Setter(*entry.info);
        }
    }

    void Begin(const char* kind) {
        ++totals_.operations;
        ++totals_.byKind[kind];
        before_ = std::move(current_);
        failures_.clear();
        standardUser_.refusing = gen_.Chance(25);
        refusedBefore_ = standardUser_.refused;
        MaybeInjectFault();
    }
    // True when an injected fault struck or a write was refused.
    bool End() {
        const bool fired = DisarmFault();
        missingFaked_ = fired && faultStatus_ == kFileNotFound;
        stuck_ = fired && sticky_;
        const bool refused = standardUser_.refused != refusedBefore_;
        standardUser_.refusing = false;
        totals_.refusedOperations += refused;
        totals_.failuresReported += static_cast<int>(failures_.size());
        after_ = TakeSnapshot(registry_);
        current_ = after_;
        return fired || refused;
    }
    // Whether the operation said it failed exactly when it fell short.
    void CheckReported(const std::string& what, bool fellShort) {
        // A key said to be missing is taken at its word: what was to go is gone.
        if (fellShort && failures_.empty() && !missingFaked_)
            Finding(what + ": fell short and said nothing");
        if (!fellShort && !failures_.empty())
            Finding(what + ": did all it meant to and reported a failure");
    }

    void Delete(ShellObjectEntry& entry) {
        const std::wstring source = PathOf(entry);
        const std::wstring classPath = ClassPath(*entry.info);
        const bool wasOpen = entry.info->IsOpen();
        Begin("delete");
        entry.Delete(standardUser_, failures_);
        const bool fired = End();
        const std::string what = "delete " + std::string(source.begin(), source.end());
        const bool entryGone = before_.count(source) && !after_.count(source);
        // Deleted now or gone already: either way its class key may go with it.
        const bool entryAbsent = !after_.count(source);
        if (entryGone && Subtree(before_, source).size() > 1)
            Finding(what + ": removed a key that had subkeys");
        std::set<std::wstring> removable{source};
        if (entryAbsent && entry.hasMarker && wasOpen && entry.info->useCount == 0)
            removable.insert(classPath);
        CheckNothingLost(before_, after_, L"", L"", removable, totals_.findings, what);
        for (const auto& [path, key] : before_)
            if (path != source && IsUnder(path, source) && !after_.count(path))
                Finding(what + ": removed below the entry");
        if (before_.count(classPath) && !after_.count(classPath)) {
            ++totals_.classKeysDeleted;
            if (!entryAbsent)
                Finding(what + ": class key deleted while the entry key stays");
        }
        if (entryAbsent && removable.count(classPath) && before_.count(classPath) &&
            after_.count(classPath) && !fired && !DeniedNear({classPath}))
            Finding(what + ": class key of the last use kept");
        const bool strict =
            !fired && before_.count(source) && Subtree(before_, source).size() == 1 && !DeniedNear({source});
        if (strict) {
            ++totals_.strictChecks;
            if (!entryGone)
                Finding(what + ": leaf entry key not deleted");
        }
        totals_.failedOperations += before_.count(source) && !entryGone;
        // The last use of a class key that did not open (other than as missing) leaves it, and says so.
        const bool classKept = removable.count(classPath)
                                   ? after_.count(classPath) > 0
                                   : entryAbsent && entry.hasMarker && !wasOpen &&
                                         entry.info->useCount == 0 && entry.info->openStatus != kFileNotFound;
        CheckReported(what, !entryGone || classKept);
    }

    void HideOrUnhide(ShellObjectEntry& entry, const char* kind) {
        const bool hiding = std::string(kind) == "hide";
        const std::wstring source = PathOf(entry);
        const std::wstring newName = hiding ? L"hidden" + entry.keyName : entry.keyName.substr(6);
        const std::wstring dest = PathOf(entry, newName);
        Begin(kind);
        if (hiding)
            entry.Hide(standardUser_, failures_);
        else
            entry.Unhide(standardUser_, failures_);
        const bool fired = End();
        const std::string what = std::string(kind) + " " + std::string(source.begin(), source.end());
        CheckCopy(source, dest, what, /*sourceMayGo=*/true);
        const bool complete = before_.count(source) && CompleteCopy(before_, after_, source, dest);
        if (!fired && before_.count(source) && !DeniedNear({source, dest})) {
            ++totals_.strictChecks;
            if (!complete || after_.count(source))
                Finding(what + ": not renamed completely");
        }
        totals_.failedOperations += before_.count(source) && (!complete || after_.count(source));
        if (!hiding && entry.keyName.size() <= 6)
            return; // nothing to unhide into
        CheckReported(what, !complete || after_.count(source));
    }

    void HideThenUnhide(ShellObjectEntry& entry) {
        if (entry.hidden)
            return HideOrUnhide(entry, "unhide");
        const std::wstring source = PathOf(entry);
        const std::wstring dest = PathOf(entry, L"hidden" + entry.keyName);
        Begin("hide+unhide");
        entry.Hide(standardUser_, failures_);
        ShellObjectEntry hidden = entry;
        hidden.keyName = L"hidden" + entry.keyName;
        hidden.hidden = true;
        // After a failed hide onto a hidden key of its own, unhiding would merge that older
        // key back over the entry, as asked: a user told of the failure would not ask it.
        if (failures_.empty() || !before_.count(dest))
            hidden.Unhide(standardUser_, failures_);
        const bool fired = End();
        const std::string what = "hide+unhide " + std::string(source.begin(), source.end());
        // Whatever failed, each key and value of the entry is under one of its two names.
        for (const auto& [relative, values] : Subtree(before_, source)) {
            for (const auto& [name, value] : values) {
                bool found = false;
                for (const std::wstring& root : {source, dest}) {
                    auto now = after_.find(root + relative);
                    found = found || (now != after_.end() && now->second.values.count(name) &&
                                      now->second.values.at(name) == value);
                }
                // A twin that stood under the hidden name before is written into the entry's key
                // when it is unhidden, as a copy writes into an existing key: its value at the
                // same place may have replaced the entry's.
                auto twin = before_.find(dest + relative);
                auto now = after_.find(source + relative);
                found = found || (twin != before_.end() && now != after_.end() &&
                                  twin->second.values.count(name) && now->second.values.count(name) &&
                                  now->second.values.at(name) == twin->second.values.at(name));
                if (!found)
                    Finding(what + ": value lost");
            }
        }
        for (const auto& [path, key] : before_)
            if (!IsUnder(path, source) && !IsUnder(path, dest) &&
                (!after_.count(path) || after_.at(path).values != key.values))
                Finding(what + ": changed something else");
        if (!fired && before_.count(source) && !before_.count(dest) && !DeniedNear({source, dest})) {
            ++totals_.hideUnhideIdentities;
            // Keys compare their spelling, values their type and data; the values' spelling too.
            bool identical = after_ == before_;
            for (const auto& [path, key] : before_)
                for (const auto& [name, value] : key.values)
                    identical = identical && after_.at(path).values.at(name).spelling == value.spelling;
            if (!identical)
                Finding(what + ": hide then unhide is not the identity");
        }
    }

    void CopyOrMove(ShellObjectEntry& entry, int targetIndex, bool move) {
        const NamespaceLocation& target = *PlaceByIndex(targetIndex);
        const std::wstring source = PathOf(entry);
        const std::wstring dest =
            Folded(HiveName(target.hive) + L"\\" + target.nameSpacePath + L"\\" + entry.keyName);
        // The entry's own place, or a place where the copy would land on a key holding the
        // entry (nested below a key of its own name), is refused.
        const bool samePlace = IsUnder(source, dest);
        // A per-user class key goes along to the machine's classes when other users are to
        // see the entry, unless the machine has one of its own.
        const bool takesClass = target.hive == LocalMachine() && entry.info && entry.info->IsOpen() &&
                                entry.info->classesHive == CurrentUser();
        const std::wstring userClass = entry.info ? ClassPath(*entry.info) : std::wstring();
        const std::wstring machineClass =
            entry.info ? ClassPath(*entry.info, LocalMachine()) : std::wstring();
        Begin(move ? "move" : "copy");
        const bool result = move ? entry.MoveTo(standardUser_, target.hive, target.nameSpacePath, failures_)
                                 : entry.CopyTo(standardUser_, target.hive, target.nameSpacePath, failures_);
        const bool fired = End();
        const std::string what =
            std::string(move ? "move " : "copy ") + std::string(source.begin(), source.end());
        if (samePlace) {
            if (result || after_ != before_ || !failures_.empty())
                Finding(what + ": copy to its own place not refused quietly");
            return;
        }
        CheckReported(what, !result);
        // A fault that says "not found" for the machine's key is taken at its word: the
        // key then counts as missing and is copied over, and taken back with a failure.
        if (takesClass && missingFaked_) {
            for (Snapshot* snapshot : {&before_, &after_})
                for (const auto& [relative, key] : Subtree(*snapshot, machineClass))
                    snapshot->erase(machineClass + relative);
        } else if (takesClass && !before_.count(machineClass)) {
            // (Another fault on the look for the machine's key makes it count as there.)
            if (result && !fired && !CompleteCopy(before_, after_, userClass, machineClass))
                Finding(what + ": the class key did not go along whole");
            // Only the one whole entry a move left at the target keeps it after a failure (or
            // a fault that stays, which takes back nothing).
            if (!result && !stuck_ && !Subtree(after_, machineClass).empty() &&
                !(move && CompleteCopy(before_, after_, source, dest) &&
                  !SameSubtree(before_, after_, source)))
                Finding(what + ": a class key copy stayed without its entry");
            totals_.classKeysTakenAlong += !Subtree(after_, machineClass).empty();
            // Checked: what follows looks at the entry alone.
            for (const auto& [relative, key] : Subtree(after_, machineClass))
                after_.erase(machineClass + relative);
        } else if (takesClass && !SameSubtree(before_, after_, machineClass)) {
            Finding(what + ": the machine's own class key changed");
        }
        CheckCopy(source, dest, what, move);
        const bool complete = before_.count(source) && CompleteCopy(before_, after_, source, dest);
        if (result && !complete)
            Finding(what + ": reported success without a complete copy");
        if (!fired && before_.count(source) && !DeniedNear({source, dest})) {
            ++totals_.strictChecks;
            if (!result || !complete || (move && after_.count(source)))
                Finding(what + ": did not complete");
        }
        totals_.failedOperations += !result;
    }

    // The checks every copying operation must pass.
    void CheckCopy(const std::wstring& source, const std::wstring& dest, const std::string& what,
                   bool sourceMayGo) {
        CheckNothingLost(before_, after_, source, dest, {}, totals_.findings, what);
        const bool complete = before_.count(source) && CompleteCopy(before_, after_, source, dest);
        // An incomplete copy must leave the source exactly as it was.
        if ((!complete || !sourceMayGo) && !SameSubtree(before_, after_, source))
            Finding(what + ": source changed although the copy is incomplete or a copy was asked");
    }

    void Setter(ShellObjectInfo& info) {
        const std::wstring classPath = ClassPath(info);
        const int which = gen_.Below(4);
        const std::wstring text = gen_.Text(20);
        const auto position = static_cast<std::int32_t>(gen_.Below(256));
        const bool wasOpen = info.IsOpen();
        // A record whose 32-bit copy did not open writes nothing, and says so.
        const bool copyUsable = info.copyStatus == kOk || info.copyStatus == kFileNotFound;
        Begin("setter");
        const Status status = which == 0   ? info.SetName(text)
                              : which == 1 ? info.SetDescription(text)
                              : which == 2 ? info.SetIconLocation(text)
                                           : info.SetSortOrderIndex(position);
        const bool fired = End();
        const std::string what = "setter " + std::to_string(which);
        // Only the one value written may differ, and only inside the class key.
        const std::wstring changedKey = which == 2 ? classPath + L"\\DEFAULTICON" : classPath;
        const std::wstring changedValue = which == 0   ? L""
                                          : which == 1 ? L"INFOTIP"
                                          : which == 2 ? L""
                                                       : L"SORTORDERINDEX";
        for (const auto& [path, key] : before_) {
            auto now = after_.find(path);
            if (now == after_.end()) {
                Finding(what + ": key lost");
                continue;
            }
            for (const auto& [name, value] : key.values)
                if (!(path == changedKey && name == changedValue) &&
                    (!now->second.values.count(name) || !(now->second.values.at(name) == value)))
                    Finding(what + ": other value changed");
        }
        for (const auto& [path, key] : after_)
            if (!before_.count(path) && path != changedKey)
                Finding(what + ": key appeared");
        if (!wasOpen && after_ != before_)
            Finding(what + ": closed record wrote");
        const Bytes expected =
            which == 3 ? Bytes{static_cast<std::uint8_t>(position), 0, 0, 0} : ToUtf16Bytes(text);
        const auto changed = after_.find(changedKey);
        const bool written = changed != after_.end() && changed->second.values.count(changedValue) &&
                             changed->second.values.at(changedValue).data == expected;
        if (wasOpen && copyUsable && !fired && !DeniedNear({classPath}) && after_.count(changedKey)) {
            ++totals_.strictChecks;
            if (!written)
                Finding(what + ": value not written");
        }
        // A value that held the text already may have been left alone by a failed write.
        if ((status == kOk) != written && !(status != kOk && before_ == after_ && written))
            Finding(what + ": status " + std::to_string(status) + " does not match what was written");
    }

    std::mt19937 rng_;
    Generator gen_;
    Totals& totals_;
    MemoryRegistry registry_;
    StandardUserRegistry standardUser_{registry_};
    TestPlatform platform_;
    Inventory inventory_{standardUser_, platform_};
    // Follows the registry through updates only.
    Inventory live_{standardUser_, platform_};
    MemoryRegistryWatch watch_{registry_};
    Failures failures_;
    int refusedBefore_ = 0;
    std::vector<std::wstring> denied_;
    // current_ is the registry as it stands between operations (refreshes only read).
    Snapshot current_, before_, after_;
    bool armed_ = false;
    MemoryRegistry::Op faultOp_ = MemoryRegistry::Op::Open;
    int faultNth_ = 0;
    Status faultStatus_ = kOk;
    bool sticky_ = false;
    bool stuck_ = false;        // a fault that stays struck the operation
    bool missingFaked_ = false; // the operation met a fault that says "not found"
    int callsBefore_ = 0;
};

// A whole number from the environment; nothing when the variable is unset or empty, and
// a failure when it holds anything else.
std::optional<std::uint32_t> NumberFromEnvironment(const char* name) {
    const char* text = std::getenv(name);
    if (!text || !*text)
        return std::nullopt;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (*end != '\0' || value > 0xFFFFFFFFul) {
        ADD_FAILURE() << name << " is not a whole number: " << text;
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

TEST(InventoryRandomised, OperationsOnGeneratedRegistriesNeverLoseWhatTheyDidNotMeanToRemove) {
    Totals totals;
    const int operations =
        static_cast<int>(NumberFromEnvironment("VARNOSET_RANDOM_OPERATIONS").value_or(2000));
    const std::uint32_t start = NumberFromEnvironment("VARNOSET_RANDOM_START").value_or(20240611);
    std::mt19937 starts(start);
    // VARNOSET_RANDOM_REGISTRY=n makes only the run's n-th registry (counted from 1).
    const auto only = NumberFromEnvironment("VARNOSET_RANDOM_REGISTRY");
    if (only) {
        starts.discard(*only - 1);
        totals.registries = static_cast<int>(*only) - 1;
        RandomRun(starts(), totals).Run(40);
    }
    while (!only && totals.operations < operations) {
        RandomRun run(starts(), totals);
        run.Run(40);
    }
    std::ostringstream kinds;
    for (const auto& [kind, count] : totals.byKind)
        kinds << " " << kind << "=" << count;
    std::printf(
        "[ random  ] start value %u: %d registries, %d refreshes, %d updates, %d operations (%s ), %d faults "
        "injected, %d struck, %d met refused machine writes, %d operations cut short, %d failures "
        "reported, %d checked for their full effect, %d hide+unhide identities, %d class keys "
        "deleted, %d taken along to the machine, %zu findings\n",
        start, totals.registries, totals.refreshes, totals.updates, totals.operations, kinds.str().c_str(),
        totals.faultsInjected, totals.faultsFired, totals.refusedOperations, totals.failedOperations,
        totals.failuresReported, totals.strictChecks, totals.hideUnhideIdentities, totals.classKeysDeleted,
        totals.classKeysTakenAlong, totals.findings.size());
    ::testing::Test::RecordProperty("operations", totals.operations);
    ::testing::Test::RecordProperty("faultsInjected", totals.faultsInjected);
    ::testing::Test::RecordProperty("findings", static_cast<int>(totals.findings.size()));
    if (!only) {
        EXPECT_GE(totals.operations, operations);
        EXPECT_GT(totals.updates, operations / 4);
        EXPECT_GT(totals.faultsFired, operations / 10);
        EXPECT_GT(totals.strictChecks, operations / 4);
        EXPECT_GT(totals.hideUnhideIdentities, operations / 40);
        EXPECT_GT(totals.refusedOperations, operations / 20);
        EXPECT_GT(totals.classKeysTakenAlong, operations / 200);
    }
    for (std::size_t i = 0; i < totals.findings.size() && i < 20; ++i)
        ADD_FAILURE() << totals.findings[i];
    EXPECT_TRUE(totals.findings.empty())
        << "replay with VARNOSET_RANDOM_START=" << start << " VARNOSET_RANDOM_OPERATIONS=" << operations;
}

} // namespace
} // namespace vs::test
