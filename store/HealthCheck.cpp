#include "HealthCheck.h"

#include "ClassRoots.h"
#include "KeySnapshot.h"
#include "NamespaceLocation.h"
#include "RegKey.h"
#include "Registration.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string_view>

namespace vs {

namespace {

constexpr std::uint32_t kAnyKeyName = 256;
constexpr std::uint32_t kMarkerCapacity = 300;
constexpr int kFirstAllUsersPlace = 4;

std::wstring JoinPath(const std::wstring& parent, const std::wstring& name) {
    return parent.empty() ? name : parent + L"\\" + name;
}

std::wstring EntryPath(const ShellObjectEntry& entry) {
    return JoinPath(entry.parentPath, entry.keyName);
}

// Calls visit for every entry the scan met: the listed ones, then those normal mode left out.
template <class Visit> void ForEachEntry(const Inventory& inventory, Visit visit) {
    for (const ShellObjectEntry& entry : inventory.entries)
        visit(entry);
    for (const ShellObjectEntry& entry : inventory.unlisted)
        visit(entry);
}

// What the check keeps of one record while it goes through the entries.
struct RecordUse {
    const ShellObjectInfo* info = nullptr;
    const ShellObjectEntry* firstEntry = nullptr;
    const ShellObjectEntry* firstAllUsersEntry = nullptr;
};

bool KeyStands(RegistryStore& store, KeyHandle root, const std::wstring& path) {
    RegKey key(store);
    return key.Open(root, path, kKeyRead) != kFileNotFound;
}

// Whether an entry key directly below a place names clsid, shown or hidden. A key that
// does not open for reading counts as there: the scan leaves out entries it cannot open,
// and a class key must not look unused because of that.
bool AnyPlaceNames(RegistryStore& store, const std::wstring& clsid) {
    for (const NamespaceLocation& place : NamespaceLocations())
        for (const std::wstring& name : {clsid, L"hidden" + clsid})
            if (KeyStands(store, place.hive, std::wstring(place.nameSpacePath) + L"\\" + name))
                return true;
    return false;
}

// Whether a class key of clsid stands in either classes (one that does not open counts).
bool AnyClassKey(RegistryStore& store, const std::wstring& clsid) {
    return KeyStands(store, CurrentUser(), ClassKeyPath(clsid)) ||
           KeyStands(store, LocalMachine(), ClassKeyPath(clsid));
}

// Class keys of classesHive that carry the program's marker and that no entry names.
void FindOrphanedClasses(const Inventory& inventory, KeyHandle classesHive, std::vector<Problem>& problems) {
    RegistryStore& store = inventory.Store();
    RegKey classes(store);
    if (classes.Open(classesHive, kClassesPath, kKeyRead) != kOk)
        return;
    wchar_t name[kAnyKeyName];
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t capacity = kAnyKeyName;
        const Status status = store.EnumKey(classes.Get(), index, name, &capacity);
        if (status == kMoreData)
            continue;
        if (status != kOk)
            break;
        if (name[0] != L'{' || inventory.clsidMap.count(name))
            continue;
        RegKey classKey(store);
        if (classKey.Open(classes.Get(), name, kKeyRead) != kOk)
            continue;
        const StringRead marker = classKey.ReadString(kMarkerValueName, kMarkerCapacity);
        if (marker.status != kOk ||
            std::wstring_view(marker.text).substr(0, std::size(kMarkerPrefix) - 1) !=
                std::wstring_view(kMarkerPrefix) ||
            AnyPlaceNames(store, name))
            continue;
        Problem problem;
        problem.kind = ProblemKind::OrphanedClass;
        problem.clsid = name;
        problem.name = marker.text.substr(std::size(kMarkerPrefix) - 1);
        if (problem.name.empty())
            problem.name = name;
        problem.place = ClassesPlace(classesHive);
        problem.root = classesHive;
        problem.keyPath = ClassKeyPath(name);
        problems.push_back(std::move(problem));
    }
}

Problem ClassProblem(ProblemKind kind, const ShellObjectInfo& info, const std::wstring& below = {}) {
    Problem problem;
    problem.kind = kind;
    problem.clsid = info.clsid;
    problem.name = info.name.empty() ? info.clsid : info.name;
    problem.place = ClassesPlace(info.classesHive);
    problem.root = info.classesHive;
    problem.keyPath = below.empty() ? ClassKeyPath(info.clsid) : ClassKeyPath(info.clsid) + L"\\" + below;
    problem.info = &info;
    return problem;
}

// Whether the 32-bit copy holds exactly the class key's keys and values; one that cannot
// be read counts as out of step.
bool CopyInStep(RegistryStore& store, const ShellObjectInfo& info) {
    Snapshot trees;
    if (CaptureTrees(
            store,
            {{info.classesHive, ClassKeyPath(info.clsid)}, {info.classesHive, Class32KeyPath(info.clsid)}},
            trees) != kOk ||
        trees.trees.size() != 2)
        return false;
    return SameState(trees.trees[0], trees.trees[1]);
}

Problem EntryProblem(ProblemKind kind, const ShellObjectEntry& entry) {
    Problem problem;
    problem.kind = kind;
    problem.info = entry.info;
    problem.clsid = entry.info ? entry.info->clsid : std::wstring();
    problem.name = entry.GetName().empty() ? problem.clsid : entry.GetName();
    problem.place = entry.PlaceIndex();
    problem.root = entry.hive;
    problem.keyPath = EntryPath(entry);
    problem.entry = &entry;
    return problem;
}

bool IsAbsolutePath(std::wstring_view path) {
    const bool drive = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    return drive || path.substr(0, 2) == L"\\\\";
}

// The program a command starts: the quoted path, else the command up to its first ".exe",
// else up to its first blank.
std::wstring ProgramOf(std::wstring_view command) {
    const std::size_t start = command.find_first_not_of(L" \t");
    if (start == std::wstring_view::npos)
        return std::wstring();
    command.remove_prefix(start);
    if (command.front() == L'"')
        return std::wstring(command.substr(1, command.find(L'"', 1) - 1));
    std::wstring folded(command);
    for (wchar_t& c : folded)
        c = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    if (const std::size_t exe = folded.find(L".exe"); exe != std::wstring::npos)
        return std::wstring(command.substr(0, exe + 4));
    return std::wstring(command.substr(0, command.find_first_of(L" \t")));
}

} // namespace

bool Repairable(ProblemKind kind) {
    return kind == ProblemKind::DanglingEntry || kind == ProblemKind::OrphanedClass ||
           kind == ProblemKind::UserOnlyClass || kind == ProblemKind::ShownAndHidden ||
           kind == ProblemKind::Class32Differs;
}

IconCheck CachedIconCheck(Platform& platform) {
    auto known = std::make_shared<std::map<std::wstring, bool>>();
    return [&platform, known](const std::wstring& location) {
        const auto found = known->find(location);
        if (found != known->end())
            return found->second;
        const IconLocationParts parts = SplitIconLocation(location);
        const IconHandle icon = platform.ExtractIcon(platform.ExpandEnvironment(parts.file), parts.index);
        if (icon)
            platform.DestroyIcon(icon);
        return (*known)[location] = icon != nullptr;
    };
}

std::vector<Problem> FindProblems(const Inventory& inventory, const IconCheck& iconLoads, bool orphans) {
    std::vector<Problem> problems;
    std::vector<RecordUse> records;
    std::map<const ShellObjectInfo*, std::size_t> recordIndex;
    // Shown and hidden entry of each class below one parent key, by the folded parent path.
    std::map<std::wstring, std::pair<const ShellObjectEntry*, const ShellObjectEntry*>> pairs;
    std::vector<std::wstring> pairOrder;

    ForEachEntry(inventory, [&](const ShellObjectEntry& entry) {
        if (!entry.info)
            return;
        const ShellObjectInfo& info = *entry.info;
        auto [at, added] = recordIndex.emplace(&info, records.size());
        if (added)
            records.push_back({&info, &entry, nullptr});
        RecordUse& use = records[at->second];
        if (!use.firstAllUsersEntry && entry.PlaceIndex() >= kFirstAllUsersPlace)
            use.firstAllUsersEntry = &entry;
        if (info.openStatus == kFileNotFound)
            problems.push_back(EntryProblem(ProblemKind::DanglingEntry, entry));
        const std::wstring pairKey = std::to_wstring(reinterpret_cast<std::uintptr_t>(entry.hive)) + L"|" +
                                     FoldedName(JoinPath(entry.parentPath, info.clsid));
        auto& pair = pairs[pairKey];
        if (!pair.first && !pair.second)
            pairOrder.push_back(pairKey);
        (entry.hidden ? pair.second : pair.first) = &entry;
    });

    for (const std::wstring& key : pairOrder) {
        const auto& [shown, hidden] = pairs[key];
        if (!shown || !hidden)
            continue;
        Problem problem = EntryProblem(ProblemKind::ShownAndHidden, *shown);
        problem.twin = hidden;
        problem.detail = hidden->keyName;
        problems.push_back(std::move(problem));
    }

    RegistryStore& store = inventory.Store();
    for (const RecordUse& use : records) {
        const ShellObjectInfo& info = *use.info;
        if (use.firstAllUsersEntry && info.classesHive == CurrentUser() && info.openStatus != kFileNotFound &&
            !KeyStands(store, LocalMachine(), ClassKeyPath(info.clsid))) {
            Problem problem = ClassProblem(ProblemKind::UserOnlyClass, info);
            problem.place = use.firstAllUsersEntry->PlaceIndex();
            problem.entry = use.firstAllUsersEntry;
            problems.push_back(std::move(problem));
        }
        if (info.IsOpen() && info.Has32BitCopy() && !CopyInStep(store, info)) {
            Problem problem = ClassProblem(ProblemKind::Class32Differs, info);
            problem.keyPath = Class32KeyPath(info.clsid);
            problems.push_back(std::move(problem));
        }
        if (info.hasIconLocation && iconLoads && !iconLoads(info.iconLocation)) {
            Problem problem = ClassProblem(ProblemKind::MissingIcon, info, L"DefaultIcon");
            problem.detail = info.iconLocation;
            problems.push_back(std::move(problem));
        }
    }

    if (orphans) {
        FindOrphanedClasses(inventory, CurrentUser(), problems);
        FindOrphanedClasses(inventory, LocalMachine(), problems);
    }
    return problems;
}

std::optional<TargetPath> TargetPathOf(const ShellObjectInfo& info, Platform& platform) {
    using Kind = ShellObjectInfo::TargetKind;
    if (info.targetKind == Kind::None)
        return std::nullopt;
    const std::wstring expanded = platform.ExpandEnvironment(info.target);
    TargetPath target;
    if (info.targetKind == Kind::Folder) {
        target.path = expanded;
    } else {
        target.path = ProgramOf(expanded);
        target.kind = TargetPath::Kind::File;
        if (!target.path.empty() && target.path.find_first_of(L"\\/:") == std::wstring::npos) {
            target.kind = TargetPath::Kind::SearchedProgram;
            return target;
        }
    }
    if (!IsAbsolutePath(target.path))
        return std::nullopt;
    return target;
}

std::vector<TargetToCheck> TargetsToCheck(const Inventory& inventory) {
    std::vector<TargetToCheck> targets;
    std::set<const ShellObjectInfo*> seen;
    ForEachEntry(inventory, [&](const ShellObjectEntry& entry) {
        if (!entry.info || !seen.insert(entry.info).second)
            return;
        if (std::optional<TargetPath> target = TargetPathOf(*entry.info, inventory.PlatformServices()))
            targets.push_back({entry.info, std::move(*target)});
    });
    return targets;
}

std::vector<Problem> TargetProblems(const Inventory&, const std::vector<TargetToCheck>& targets,
                                    const std::vector<TargetState>& states) {
    std::vector<Problem> problems;
    for (std::size_t i = 0; i < targets.size() && i < states.size(); ++i) {
        if (states[i] != TargetState::Missing && states[i] != TargetState::NotChecked)
            continue;
        const ShellObjectInfo& info = *targets[i].info;
        const bool folder = info.targetKind == ShellObjectInfo::TargetKind::Folder;
        Problem problem = ClassProblem(states[i] == TargetState::Missing ? ProblemKind::MissingTarget
                                                                         : ProblemKind::TargetNotChecked,
                                       info, folder ? L"Instance\\InitPropertyBag" : L"Shell\\Open\\Command");
        problem.detail = targets[i].target.path;
        problems.push_back(std::move(problem));
    }
    return problems;
}

std::vector<TreeRef> RepairTrees(const Problem& problem) {
    switch (problem.kind) {
    case ProblemKind::DanglingEntry:
        return {{problem.root, problem.keyPath}};
    case ProblemKind::ShownAndHidden:
        return {{problem.root, problem.keyPath}, {problem.twin->hive, EntryPath(*problem.twin)}};
    case ProblemKind::OrphanedClass:
        return {{problem.root, problem.keyPath}};
    case ProblemKind::UserOnlyClass:
        return {{LocalMachine(), ClassKeyPath(problem.clsid)}};
    case ProblemKind::Class32Differs:
        return {{problem.root, problem.keyPath}};
    default:
        return {};
    }
}

void Repair(RegistryStore& store, const Problem& problem, bool keepHidden, Failures& failures) {
    auto removeTree = [&](KeyHandle root, const std::wstring& parent, const std::wstring& name, int place) {
        RegKey key(store);
        Status status = key.Open(root, parent, kKeyReadWrite);
        if (status == kOk)
            status = key.DeleteTree(name.c_str());
        if (status != kOk && status != kFileNotFound) // gone already: what was meant has happened
            failures.push_back({Action::Repair, problem.name, place, status});
    };
    // What was found may have changed since: an entry whose class key came back, or a
    // class key that an entry names by now, stays.
    switch (problem.kind) {
    case ProblemKind::DanglingEntry:
        if (!AnyClassKey(store, problem.clsid))
            removeTree(problem.root, problem.entry->parentPath, problem.entry->keyName, problem.place);
        break;
    case ProblemKind::ShownAndHidden: {
        const ShellObjectEntry& goes = keepHidden ? *problem.entry : *problem.twin;
        removeTree(goes.hive, goes.parentPath, goes.keyName, goes.PlaceIndex());
        break;
    }
    case ProblemKind::OrphanedClass:
        if (!AnyPlaceNames(store, problem.clsid))
            removeTree(problem.root, kClassesPath, problem.clsid, problem.place);
        break;
    case ProblemKind::UserOnlyClass: {
        // The machine's own key, if one came meanwhile, is left as it is.
        if (KeyStands(store, LocalMachine(), ClassKeyPath(problem.clsid)))
            break;
        RegKey source(store);
        RegKey classes(store);
        Status status = source.Open(CurrentUser(), ClassKeyPath(problem.clsid), kKeyRead);
        if (status == kOk)
            status = classes.Create(LocalMachine(), kClassesPath);
        if (status == kOk)
            status = CopyKeyTree(store, source.Get(), classes.Get(), problem.clsid.c_str());
        if (status != kOk) {
            if (classes.IsOpen())
                (void)classes.DeleteTree(problem.clsid.c_str()); // the partial copy goes
            failures.push_back({Action::Repair, problem.name, kMachineClasses, status});
        }
        break;
    }
    case ProblemKind::Class32Differs: {
        // The copy becomes the class key as it stands now, whole or not at all.
        Snapshot classKey;
        Status status = CaptureTrees(store, {{problem.root, ClassKeyPath(problem.clsid)}}, classKey);
        if (status == kOk && (classKey.trees.size() != 1 || !classKey.trees[0].exists))
            break; // the class key went meanwhile: its copy is the orphan's business
        if (status == kOk) {
            classKey.trees[0].ref = {problem.root, problem.keyPath};
            status = ApplyWithRollback(store, classKey).failure.status;
        }
        if (status != kOk)
            failures.push_back({Action::Repair, problem.name, problem.place, status});
        break;
    }
    default:
        break;
    }
}

} // namespace vs
