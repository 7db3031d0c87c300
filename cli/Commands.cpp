#include "cli/Commands.h"

#include "cli/InventoryRows.h"
#include "cli/ListOutput.h"
#include "cli/Transfer.h"
#include "res/resource.h"
#include "store/ClassRoots.h"
#include "store/HealthCheck.h"
#include "store/DesktopIcon.h"
#include "store/NamespaceLocation.h"
#include "store/RegFile.h"
#include "store/RegKey.h"
#include "store/Registration.h"
#include "store/ShellNotify.h"
#include "store/ShellObjectInfo.h"
#include "store/TargetCheck.h"

#include <algorithm>
#include <optional>

namespace vs::cli {

namespace {

struct FlagOption {
    std::uint32_t bit;
    bool ShellObjectSpec::*option;
};
constexpr FlagOption kFlagOptions[] = {
    {kFlagRename, &ShellObjectSpec::allowRename},
    {kFlagPropertySheet, &ShellObjectSpec::enablePropertySheet},
    {kFlagDelete, &ShellObjectSpec::allowDelete},
    {kFlagCopy, &ShellObjectSpec::allowCopy},
    {kFlagLink, &ShellObjectSpec::allowLink},
    {kFlagMove, &ShellObjectSpec::allowMove},
    {kFlagRemovable, &ShellObjectSpec::removableMedia},
    {kFlagDrop, &ShellObjectSpec::allowDragDrop},
    {kFlagHideIfDeleted, &ShellObjectSpec::hideIfDeleted},
};

struct PlaceOption {
    bool ShellObjectSpec::*chosen;
    int placeIndex; // the current user's; all users' is 4 on
};
// In the order the registration writes the entry keys.
constexpr PlaceOption kPlaceOptions[] = {
    {&ShellObjectSpec::onDesktop, 0},
    {&ShellObjectSpec::inControlPanel, 1},
    {&ShellObjectSpec::inMyComputer, 2},
    {&ShellObjectSpec::inNetworkNeighborhood, 3},
};

// The table's headings, column by column.
constexpr unsigned kHeadings[kColumnCount] = {
    IDS_CLI_HEADING_NAME,        IDS_CLI_HEADING_LOCATION,        IDS_CLI_HEADING_TARGET,
    IDS_CLI_HEADING_DESCRIPTION, IDS_CLI_HEADING_HIDDEN,          IDS_CLI_HEADING_PLACE,
    IDS_CLI_HEADING_CLASS,       IDS_CLI_HEADING_NAVIGATION_PANE, IDS_CLI_HEADING_DESKTOP_ICON};

constexpr std::uint32_t kTextCapacity = 1000;
constexpr std::uint32_t kInfoTipCapacity = 500;

std::wstring JoinPath(const std::wstring& parent, const std::wstring& name) {
    return parent.empty() ? name : parent + L"\\" + name;
}

// The usage text of the string table with the program's line ends, ending in one.
std::wstring Lines(std::wstring text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\n' && (out.empty() || out.back() != L'\r'))
            out += L'\r';
        out += c;
    }
    if (out.size() < 2 || out.compare(out.size() - 2, 2, kNewline) != 0)
        out += kNewline;
    return out;
}

std::wstring ClassOf(const ShellObjectEntry& entry) {
    if (entry.info)
        return entry.info->clsid;
    constexpr std::size_t kHiddenPrefix = 6; // "hidden"
    return entry.hidden ? entry.keyName.substr(kHiddenPrefix) : entry.keyName;
}

// The name messages give an object: its class identifier when its class key gave none.
std::wstring NameOf(const ShellObjectInfo* info, const std::wstring& clsid) {
    return info && !info->name.empty() ? info->name : clsid;
}
std::wstring NameOf(const ShellObjectEntry& entry) {
    return NameOf(entry.info, ClassOf(entry));
}

class Runner {
public:
    Runner(RegistryStore& store, Platform& platform, CliHost& host)
        : store_(store), platform_(platform), host_(host) {}

    int Run(const Request& request);

private:
    int List(const Request& request);
    int Create(const Request& request);
    int Check(const Request& request);
    // Repairs a problem; true when it was repaired, else each failure is told.
    bool RepairProblem(const Problem& problem);
    // hide, unhide, delete, copy and move: each entry the OBJECT names.
    void ChangeEntries(const Request& request, const std::vector<ShellObjectEntry*>& entries);
    // rename, comment, icon and position: each class the OBJECT names, once.
    void ChangeClasses(const Request& request, const std::vector<ShellObjectEntry*>& entries);
    bool ChangeClass(const Request& request, ShellObjectInfo& info);
    void DeleteEntry(const ShellObjectEntry& entry, int place);
    // desktop-icon: the value of each scope the OBJECT's entries stand in, once.
    void ChangeDesktopIcons(const Request& request, const std::vector<ShellObjectEntry*>& entries);
    void CopyEntry(const Request& request, const ShellObjectEntry& entry, int place);

    void Fail(unsigned id, std::vector<std::wstring> args) {
        host_.Err(FormatText(host_.Text(id), args) + kNewline);
        failed_ = true;
    }
    int ExitStatus() const { return failed_ ? kExitFailed : kExitDone; }
    // The window's label of a place, from the string table; empty for no place.
    std::wstring PlaceLabel(int placeIndex) {
        return PlaceByIndex(placeIndex) ? host_.Text(IDS_PLACE_FIRST + static_cast<unsigned>(placeIndex))
                                        : std::wstring();
    }
    NameOrder Order() {
        return [this](const std::wstring& a, const std::wstring& b) { return host_.CompareNames(a, b); };
    }
    bool KeyExists(KeyHandle root, const std::wstring& path);
    bool WriteRefused(KeyHandle root, std::wstring path);
    // Why a change below root\path did not happen, as the end of a failure line.
    std::wstring Reason(KeyHandle root, const std::wstring& path);

    RegistryStore& store_;
    Platform& platform_;
    CliHost& host_;
    bool failed_ = false;
};

int Runner::Run(const Request& request) {
    switch (request.command) {
    case Command::Help:
        host_.Out(Lines(host_.Text(IDS_CLI_USAGE)));
        return kExitDone;
    case Command::Version:
        host_.Out(host_.VersionTitle() + kNewline);
        return kExitDone;
    case Command::List:
        return List(request);
    case Command::Create:
        return Create(request);
    case Command::Check:
        return Check(request);
    case Command::Export:
        return ExportObjects(request, store_, platform_, host_);
    case Command::Import:
        return ImportFile(request, store_, platform_, host_);
    default:
        break;
    }
    // The commands on an OBJECT see every entry, as in Expert Mode: the class identifier
    // names the object, so no row can be taken by mistake.
    InventoryRows inventory(store_, platform_);
    inventory.Read(true, Order());
    std::vector<ShellObjectEntry*> entries;
    for (const ObjectRow& row : inventory.Rows()) {
        if (NamesEqual(ClassOf(*row.entry), request.object.clsid) &&
            (request.object.placeIndex < 0 || row.placeIndex == request.object.placeIndex))
            entries.push_back(row.entry);
    }
    if (entries.empty()) {
        Fail(IDS_CLI_NO_SUCH_OBJECT, {request.object.text});
        return ExitStatus();
    }
    switch (request.command) {
    case Command::Rename:
    case Command::Comment:
    case Command::Icon:
    case Command::Position:
    case Command::Pin:
    case Command::Unpin:
        ChangeClasses(request, entries);
        break;
    case Command::DesktopIcon:
        ChangeDesktopIcons(request, entries);
        break;
    default:
        ChangeEntries(request, entries);
        break;
    }
    return ExitStatus();
}

int Runner::List(const Request& request) {
    InventoryRows inventory(store_, platform_);
    inventory.Read(request.expert, Order());
    std::vector<ListRow> rows;
    for (const ObjectRow& row : inventory.Rows())
        rows.push_back(ListRow{row.name, PlaceLabel(row.placeIndex), row.target, row.description,
                               row.entry->hidden, PlaceName(row.placeIndex), ClassOf(*row.entry),
                               row.entry->info && row.entry->info->pinned, !row.desktopIconHidden});
    switch (request.format) {
    case Format::Csv:
        host_.Out(FormatCsv(rows));
        break;
    case Format::Json:
        host_.Out(FormatJson(rows));
        break;
    case Format::Table: {
        TableWords words;
        for (std::size_t column = 0; column < kColumnCount; ++column)
            words.headings[column] = host_.Text(kHeadings[column]);
        words.yes = host_.Text(IDS_CLI_YES);
        words.no = host_.Text(IDS_CLI_NO);
        host_.Out(FormatTable(rows, words));
        break;
    }
    }
    return kExitDone;
}

// The problems as found, each repaired with --repair where it can be (of an object shown
// and hidden at once the shown entry stays: what Explorer shows does not change). Every
// entry is looked at, as in Expert Mode.
int Runner::Check(const Request& request) {
    Inventory inventory(store_, platform_);
    inventory.expertMode = 1;
    inventory.Refresh();
    std::vector<Problem> problems = FindProblems(inventory, CachedIconCheck(platform_));
    const std::vector<TargetToCheck> targets = TargetsToCheck(inventory);
    std::vector<TargetPath> paths;
    for (const TargetToCheck& target : targets)
        paths.push_back(target.target);
    TargetChecker checker(
        std::move(paths), [host = &host_](const TargetPath& target) { return host->TargetExists(target); },
        kTargetTimeLimit, kTargetWorkers);
    checker.Wait();
    for (Problem& problem : TargetProblems(inventory, targets, checker.States()))
        problems.push_back(std::move(problem));

    static constexpr const wchar_t* kKindNames[] = {
        L"dangling-entry", L"orphaned-class",     L"user-only-class", L"shown-and-hidden",
        L"missing-target", L"target-not-checked", L"missing-icon",    L"class32-differs"};
    std::vector<Cells> rows;
    for (const Problem& problem : problems) {
        const bool repaired = request.repair && Repairable(problem.kind) && RepairProblem(problem);
        const unsigned kind = static_cast<unsigned>(problem.kind);
        const bool classes = problem.place == kUserClasses || problem.place == kMachineClasses;
        const std::wstring place = !classes                        ? PlaceName(problem.place)
                                   : problem.place == kUserClasses ? L"classes-user"
                                                                   : L"classes-all";
        const std::wstring location =
            !classes ? PlaceLabel(problem.place)
                     : host_.Text(problem.place == kUserClasses ? IDS_PROBLEM_CLASSES_USER
                                                                : IDS_PROBLEM_CLASSES_ALL);
        rows.push_back(
            {request.format == Format::Table ? host_.Text(IDS_PROBLEM_KIND_FIRST + kind) : kKindNames[kind],
             problem.name, location, place, FullKeyName(problem.root, problem.keyPath), problem.detail,
             problem.clsid, repaired ? L"true" : L"false"});
    }
    const Cells names = {L"Kind", L"Name", L"Location", L"Place", L"Key", L"Detail", L"Class", L"Repaired"};
    switch (request.format) {
    case Format::Csv:
        host_.Out(FormatCsv(names, rows));
        break;
    case Format::Json: {
        std::vector<bool> boolean(names.size());
        boolean.back() = true;
        host_.Out(FormatJson(names, boolean, rows));
        break;
    }
    case Format::Table: {
        Cells headings;
        for (unsigned column = 0; column < names.size(); ++column)
            headings.push_back(host_.Text(IDS_CLI_CHECK_HEADING_FIRST + column));
        for (Cells& row : rows)
            row.back() = host_.Text(row.back() == L"true" ? IDS_CLI_YES : IDS_CLI_NO);
        host_.Out(FormatTable(headings, rows));
        break;
    }
    }
    return ExitStatus();
}

bool Runner::RepairProblem(const Problem& problem) {
    Failures failures;
    Repair(store_, problem, false, failures);
    const bool entry = problem.entry && problem.kind != ProblemKind::UserOnlyClass;
    if (entry)
        NotifyFolderUpdated(platform_, problem.place);
    for (const Failure& failure : failures) {
        const bool classes = failure.place == kUserClasses || failure.place == kMachineClasses;
        const KeyHandle root =
            classes ? (failure.place == kUserClasses ? CurrentUser() : LocalMachine()) : problem.root;
        const std::wstring key = classes ? ClassKeyPath(problem.clsid) : problem.keyPath;
        const std::wstring where = classes
                                       ? host_.Text(failure.place == kUserClasses ? IDS_PROBLEM_CLASSES_USER
                                                                                  : IDS_PROBLEM_CLASSES_ALL)
                                       : PlaceLabel(failure.place);
        Fail(IDS_CLI_COULD_NOT_REPAIR,
             {problem.name, host_.Text(IDS_PROBLEM_KIND_FIRST + static_cast<unsigned>(problem.kind)), where,
              Reason(root, key)});
    }
    return failures.empty();
}

// The registration writes the class key whole before any entry key and takes the object
// away again when no entry key could be written; it reports what it could not write, and
// each of that is told here. The identifier is printed when the object stands.
int Runner::Create(const Request& request) {
    const ShellObjectSpec spec = BuildCreateSpec(request.create, host_.DefaultIconLocation());
    Failures failures;
    const std::optional<std::wstring> clsid = CreateShellObject(store_, platform_, spec, failures);
    for (const Failure& failure : failures) {
        if (failure.action == Action::HideDesktopIcon) {
            Fail(IDS_CLI_COULD_NOT_HIDE_ICON, {spec.name, PlaceLabel(failure.place),
                                               Reason(ScopeHive(failure.place), kHideDesktopIconsPath)});
        } else if (failure.status == kNoClassIdentifier) {
            Fail(IDS_CLI_COULD_NOT_CREATE, {spec.name, host_.Text(IDS_CLI_REASON_NO_IDENTIFIER)});
        } else if (const NamespaceLocation* place = PlaceByIndex(failure.place)) {
            Fail(IDS_CLI_COULD_NOT_CREATE_IN,
                 {spec.name, PlaceLabel(place->index), Reason(place->hive, place->nameSpacePath)});
        } else {
            Fail(IDS_CLI_COULD_NOT_CREATE,
                 {spec.name, Reason(ClassesHive(spec.allUsers), std::wstring(kClassesPath))});
        }
    }
    if (!clsid)
        return ExitStatus();
    if (request.create.position) {
        int first = -1;
        for (const PlaceOption& option : kPlaceOptions)
            if (first < 0 && spec.*option.chosen)
                first = option.placeIndex + (spec.allUsers ? 4 : 0);
        ShellObjectInfo record = ShellObjectInfo::Read(store_, platform_, first, *clsid);
        Request change;
        change.command = Command::Position;
        change.position = *request.create.position;
        if (ChangeClass(change, record))
            NotifyFolderUpdated(platform_, record.placeIndex);
    }
    host_.Out(*clsid + kNewline);
    return ExitStatus();
}

void Runner::ChangeEntries(const Request& request, const std::vector<ShellObjectEntry*>& entries) {
    for (const ShellObjectEntry* entry : entries) {
        const int place = PlaceOfEntry(*entry);
        const int ownPlace = entry->info ? entry->info->placeIndex : -1;
        const std::wstring parent = entry->parentPath;
        switch (request.command) {
        case Command::Hide:
        case Command::Unhide: {
            const bool hide = request.command == Command::Hide;
            // Already as asked: nothing to do.
            if (entry->hidden == hide)
                break;
            constexpr std::size_t kHiddenPrefix = 6; // "hidden"
            const std::wstring newName =
                hide ? L"hidden" + entry->keyName : entry->keyName.substr(kHiddenPrefix);
            Failures failures; // told from what is read back below, with the reason found there
            if (hide)
                entry->Hide(store_, failures);
            else
                entry->Unhide(store_, failures);
            if (KeyExists(entry->hive, JoinPath(parent, entry->keyName)) ||
                !KeyExists(entry->hive, JoinPath(parent, newName)))
                Fail(hide ? IDS_CLI_COULD_NOT_HIDE : IDS_CLI_COULD_NOT_UNHIDE,
                     {NameOf(*entry), PlaceLabel(place), Reason(entry->hive, parent)});
            NotifyFolderUpdated(platform_, ownPlace);
            break;
        }
        case Command::Delete:
            DeleteEntry(*entry, place);
            NotifyFolderUpdated(platform_, ownPlace);
            break;
        case Command::Copy:
        case Command::Move:
            CopyEntry(request, *entry, place);
            break;
        default:
            break;
        }
    }
    if (request.command != Command::Delete)
        return;
    // A class record releases its class key with its last entry; one whose uses all went
    // must have taken the key along.
    std::vector<const ShellObjectInfo*> released;
    for (const ShellObjectEntry* entry : entries) {
        const ShellObjectInfo* info = entry->info;
        if (!info || info->useCount != 0 ||
            std::find(released.begin(), released.end(), info) != released.end())
            continue;
        released.push_back(info);
        if (KeyExists(info->classesHive, ClassKeyPath(info->clsid)))
            Fail(IDS_CLI_COULD_NOT_DELETE_CLASS,
                 {NameOf(info, info->clsid), Reason(info->classesHive, ClassKeyPath(info->clsid))});
    }
}

void Runner::DeleteEntry(const ShellObjectEntry& entry, int place) {
    Failures failures; // told from what is read back, with the reason found there
    entry.Delete(store_, failures);
    if (KeyExists(entry.hive, JoinPath(entry.parentPath, entry.keyName)))
        Fail(IDS_CLI_COULD_NOT_DELETE,
             {NameOf(entry), PlaceLabel(place), Reason(entry.hive, entry.parentPath)});
}

void Runner::CopyEntry(const Request& request, const ShellObjectEntry& entry, int place) {
    const NamespaceLocation& target = *PlaceByIndex(request.targetPlace);
    // An entry already in the target place is where it was asked to be.
    if (place == target.index)
        return;
    const bool move = request.command == Command::Move;
    const std::wstring targetPath = JoinPath(target.nameSpacePath, entry.keyName);
    const bool targetExisted = KeyExists(target.hive, targetPath);
    Failures failures; // told from what is read back, with the reason found there
    const bool done = move ? entry.MoveTo(store_, target.hive, target.nameSpacePath, failures)
                           : entry.CopyTo(store_, target.hive, target.nameSpacePath, failures);
    const bool copied = KeyExists(target.hive, targetPath);
    const bool sourceGone = !KeyExists(entry.hive, JoinPath(entry.parentPath, entry.keyName));
    if (!done || !copied || (move && !sourceGone)) {
        const std::wstring reason =
            copied ? Reason(entry.hive, entry.parentPath) : Reason(target.hive, target.nameSpacePath);
        Fail(move ? IDS_CLI_COULD_NOT_MOVE : IDS_CLI_COULD_NOT_COPY,
             {NameOf(entry), PlaceLabel(place), PlaceLabel(target.index), reason});
        // A move whose source had to stay would leave the object in two places: the new
        // copy goes again, unless the key was there before.
        if (move && copied && !sourceGone && !targetExisted) {
            RegKey nameSpace(store_);
            if (nameSpace.Open(target.hive, target.nameSpacePath, kKeyReadWrite) == kOk)
                (void)nameSpace.DeleteTree(entry.keyName.c_str());
        }
    }
    if (move)
        NotifyFolderUpdated(platform_, entry.info ? entry.info->placeIndex : -1);
    NotifyFolderUpdated(platform_, target.index);
}

void Runner::ChangeClasses(const Request& request, const std::vector<ShellObjectEntry*>& entries) {
    std::vector<ShellObjectInfo*> changed;
    for (const ShellObjectEntry* entry : entries) {
        ShellObjectInfo* info = entry->info;
        if (!info || std::find(changed.begin(), changed.end(), info) != changed.end())
            continue;
        changed.push_back(info);
        if (ChangeClass(request, *info))
            NotifyFolderUpdated(platform_, info->placeIndex);
    }
}

// Writes through the class record, as the window's edit commands do, and reads the value
// back through the record's own key.
bool Runner::ChangeClass(const Request& request, ShellObjectInfo& info) {
    const std::wstring name = NameOf(&info, info.clsid);
    unsigned failure = 0;
    bool done = false;
    switch (request.command) {
    case Command::Rename:
        failure = IDS_CLI_COULD_NOT_RENAME;
        done = info.SetName(request.text) == kOk && info.IsOpen() &&
               ReadString(store_, info.Key(), L"", kTextCapacity).text == request.text;
        break;
    case Command::Comment:
        failure = IDS_CLI_COULD_NOT_CHANGE_COMMENT;
        done = info.SetDescription(request.text) == kOk && info.IsOpen() &&
               ReadString(store_, info.Key(), L"InfoTip", kInfoTipCapacity).text == request.text;
        break;
    case Command::Icon:
        failure = IDS_CLI_COULD_NOT_CHANGE_ICON;
        done = info.SetIconLocation(request.text) == kOk && info.ReadIconLocation() == request.text;
        break;
    case Command::Position: {
        failure = IDS_CLI_COULD_NOT_SET_POSITION;
        const Status status = info.SetSortOrderIndex(request.position);
        const DwordRead read = ReadDword(store_, info.Key(), L"SortOrderIndex");
        done = status == kOk && info.IsOpen() && read.IsDword() &&
               static_cast<std::int32_t>(read.value) == request.position;
        break;
    }
    case Command::Pin:
    case Command::Unpin: {
        const bool pin = request.command == Command::Pin;
        failure = pin ? IDS_CLI_COULD_NOT_PIN : IDS_CLI_COULD_NOT_UNPIN;
        const Status status = info.SetPinned(pin);
        const DwordRead read = ReadDword(store_, info.Key(), kPinnedValueName);
        done = status == kOk && info.IsOpen() && read.IsDword() && (read.value != 0) == pin;
        break;
    }
    default:
        return false;
    }
    if (!done) {
        const std::wstring classPath = ClassKeyPath(info.clsid);
        Fail(failure,
             {name, KeyExists(info.classesHive, classPath) ? Reason(info.classesHive, classPath)
                                                           : host_.Text(IDS_CLI_REASON_NO_CLASS_KEY)});
    }
    return done;
}

void Runner::ChangeDesktopIcons(const Request& request, const std::vector<ShellObjectEntry*>& entries) {
    bool done[2] = {false, false}; // this user, all users
    for (const ShellObjectEntry* entry : entries) {
        const int place = PlaceOfEntry(*entry);
        const int scope = place < 4 ? 0 : 1;
        if (place < 0 || done[scope])
            continue;
        done[scope] = true;
        const KeyHandle hive = ScopeHive(place);
        const std::wstring clsid = ClassOf(*entry);
        if (SetDesktopIconHidden(store_, hive, clsid, request.hideIcon) != kOk ||
            DesktopIconHidden(store_, hive, clsid) != request.hideIcon)
            Fail(request.hideIcon ? IDS_CLI_COULD_NOT_HIDE_ICON : IDS_CLI_COULD_NOT_SHOW_ICON,
                 {NameOf(*entry), PlaceLabel(scope * 4), Reason(hive, kHideDesktopIconsPath)});
        NotifyFolderUpdated(platform_, scope * 4);
    }
}

bool Runner::KeyExists(KeyHandle root, const std::wstring& path) {
    KeyHandle key = nullptr;
    if (store_.OpenKey(root, path.c_str(), kKeyRead, &key) != kOk)
        return false;
    (void)store_.CloseKey(key);
    return true;
}

// Whether the registry refuses to let the key, or the nearest of its ancestors that
// exists (the one a new key would be created in), be opened for writing.
bool Runner::WriteRefused(KeyHandle root, std::wstring path) {
    for (;;) {
        KeyHandle key = nullptr;
        const Status status = store_.OpenKey(root, path.c_str(), kKeyWrite, &key);
        if (status == kOk) {
            (void)store_.CloseKey(key);
            return false;
        }
        if (status == kAccessDenied)
            return true;
        const std::size_t slash = path.rfind(L'\\');
        if (status != kFileNotFound || slash == std::wstring::npos)
            return false;
        path.resize(slash);
    }
}

std::wstring Runner::Reason(KeyHandle root, const std::wstring& path) {
    if (!WriteRefused(root, path))
        return host_.Text(IDS_CLI_REASON_NONE);
    return host_.Text(host_.Elevated() ? IDS_CLI_REASON_DENIED : IDS_CLI_REASON_ELEVATION);
}

} // namespace

int RunCli(const std::vector<std::wstring>& args, RegistryStore& store, Platform& platform, CliHost& host) {
    const ParseResult parsed = ParseArguments(args);
    if (!parsed.request) {
        host.Err(FormatText(host.Text(parsed.error.messageId), parsed.error.args) + kNewline);
        host.Err(Lines(host.Text(IDS_CLI_USAGE)));
        return kExitUsage;
    }
    return Runner(store, platform, host).Run(*parsed.request);
}

ShellObjectSpec BuildCreateSpec(const CreateOptions& options, const std::wstring& defaultIconLocation) {
    ShellObjectSpec spec = NewObjectDefaults();
    spec.name = options.name;
    spec.infoTip = options.comment.value_or(std::wstring());
    spec.isFolder = !options.program.has_value();
    spec.folderTarget = options.folder.value_or(std::wstring());
    spec.programCommand = options.program.value_or(std::wstring());
    spec.iconLocation = options.icon.value_or(defaultIconLocation);
    spec.allUsers = options.allUsers;
    spec.onDesktop = options.onDesktop;
    spec.inMyComputer = options.inMyComputer;
    spec.inControlPanel = options.inControlPanel;
    spec.inNetworkNeighborhood = options.inNetworkNeighborhood;
    spec.controlPanelCategory = options.category.value_or(spec.controlPanelCategory);
    spec.pinToNavigationPane = options.pinToNavigationPane;
    spec.hideDesktopIcon = options.hideDesktopIcon;
    if (options.flags)
        for (const FlagOption& flag : kFlagOptions)
            spec.*flag.option = (*options.flags & flag.bit) != 0;
    return spec;
}

std::wstring FormatText(std::wstring_view pattern, const std::vector<std::wstring>& args) {
    std::wstring out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : L'\0';
        if (pattern[i] == L'%' && next >= L'1' && next <= L'9') {
            const std::size_t index = static_cast<std::size_t>(next - L'1');
            if (index < args.size())
                out += args[index];
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

} // namespace vs::cli
