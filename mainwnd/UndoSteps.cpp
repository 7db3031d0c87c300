// Undo steps and backup files: every command that changes the registry runs between
// BeginChange and EndChange. BeginChange captures the key trees the command may write,
// found from the selected rows by a table of what each command touches, and saves them
// as a backup file before anything is written; EndChange records the command as one step
// of undo when it changed anything, and removes the backup of a command that did not.
// The wizard's new object is named only once it ran: its trees go in afterwards as trees
// that did not exist, and its backup (the deletions that take it back) is written then.
#include "mainwnd/DeleteObject.h"

#include "framework/Resources.h"
#include "mainwnd/FailureMessage.h"
#include "mainwnd/Places.h"
#include "res/resource.h"
#include "store/BackupFolder.h"
#include "store/DesktopIcon.h"
#include "store/NamespaceLocation.h"
#include "store/RegTransfer.h"

#include <shlobj.h>

namespace {

using D = CDeleteObject;

struct CommandKind {
    UINT firstId, lastId;
    UINT step;   // the command a step records (a button records its menu command); 0: its own
    UINT nameId; // %1: the place of a copy or move
    unsigned touches;
};

constexpr CommandKind kCommands[] = {
    {ID_DELETE, ID_DELETE, 0, IDS_COMMAND_DELETE, D::kClassTrees | D::kEntryTree},
    {IDC_DELETE_SELECTED, IDC_DELETE_SELECTED, ID_DELETE, IDS_COMMAND_DELETE, D::kClassTrees | D::kEntryTree},
    {ID_HIDE, ID_HIDE, 0, IDS_COMMAND_HIDE, D::kEntryTree | D::kOtherName},
    {ID_UNHIDE, ID_UNHIDE, 0, IDS_COMMAND_UNHIDE, D::kEntryTree | D::kOtherName},
    // A per-user object copied to an all-users place takes its class key along.
    {ID_COPY_FIRST, ID_COPY_LAST, 0, IDS_COMMAND_COPY, D::kClassTrees | D::kTargetEntry},
    {ID_MOVE_FIRST, ID_MOVE_LAST, 0, IDS_COMMAND_MOVE, D::kClassTrees | D::kEntryTree | D::kTargetEntry},
    {ID_RENAME, ID_RENAME, 0, IDS_COMMAND_RENAME, D::kClassTrees},
    {ID_CHANGE_ICON, ID_CHANGE_ICON, 0, IDS_COMMAND_ICON, D::kClassTrees},
    {ID_CHANGE_COMMENT, ID_CHANGE_COMMENT, 0, IDS_COMMAND_COMMENT, D::kClassTrees},
    {ID_SET_EXPLORER_POSITION, ID_SET_EXPLORER_POSITION, 0, IDS_COMMAND_POSITION, D::kClassTrees},
    {ID_CREATE_NEW, ID_CREATE_NEW, 0, IDS_COMMAND_CREATE, D::kNewObject},
    {IDC_CREATE_NEW, IDC_CREATE_NEW, ID_CREATE_NEW, IDS_COMMAND_CREATE, D::kNewObject},
    {ID_NAVIGATION_PANE, ID_NAVIGATION_PANE, 0, IDS_COMMAND_NAVIGATION_PANE, D::kClassTrees},
    {ID_DESKTOP_ICON, ID_DESKTOP_ICON, 0, IDS_COMMAND_DESKTOP_ICON, D::kDesktopIcons},
    {ID_IMPORT, ID_IMPORT, 0, IDS_COMMAND_IMPORT, 0},
    {IDC_REPAIR_SELECTED, IDC_REPAIR_SELECTED, 0, IDS_COMMAND_REPAIR, 0},
};

const CommandKind* KindOf(UINT command) {
    for (const CommandKind& kind : kCommands)
        if (command >= kind.firstId && command <= kind.lastId)
            return &kind;
    return nullptr;
}

constexpr wchar_t kHiddenPrefix[] = L"hidden";
constexpr std::size_t kHiddenPrefixLength = 6;

std::wstring JoinPath(const std::wstring& parent, const std::wstring& name) {
    return parent.empty() ? name : parent + L"\\" + name;
}

// The place a copy or move command goes to, or null.
const vs::NamespaceLocation* TargetOf(UINT command) {
    if (const vs::NamespaceLocation* place = PlaceByCopyCommand(command))
        return place;
    return PlaceByMoveCommand(command);
}

// Whether two captures of the same trees hold the same, missing trees included.
bool SameSnapshot(const vs::Snapshot& a, const vs::Snapshot& b) {
    if (a.trees.size() != b.trees.size())
        return false;
    for (std::size_t i = 0; i < a.trees.size(); ++i)
        if (!vs::SameState(a.trees[i], b.trees[i]))
            return false;
    return true;
}

} // namespace

std::filesystem::path CDeleteObject::BackupFolderPath() const {
    if (!backupFolder_.empty())
        return backupFolder_;
    wchar_t local[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)))
        return {};
    return std::filesystem::path(local) / L"Varnoset" / L"Backups";
}

std::wstring CDeleteObject::CommandName(UINT command) const {
    const CommandKind* kind = KindOf(command);
    if (!kind)
        return std::wstring();
    const vs::NamespaceLocation* target = TargetOf(command);
    return FormatResourceString(kind->nameId, {target ? PlaceLabel(target->index) : L""});
}

std::vector<vs::TreeRef> CDeleteObject::SelectedTrees(unsigned touches, UINT command) {
    const vs::NamespaceLocation* target = (touches & kTargetEntry) ? TargetOf(command) : nullptr;
    std::vector<vs::TreeRef> trees;
    ForEachSelectedEntry([&](const vs::ShellObjectEntry& entry) {
        // Class keys first: restored in this order, an entry never names a class that is
        // not there yet.
        if ((touches & kClassTrees) && entry.info)
            for (vs::TreeRef& tree : vs::ClassKeyTrees(entry.info->clsid))
                trees.push_back(std::move(tree));
        if (touches & kEntryTree)
            trees.push_back({entry.hive, JoinPath(entry.parentPath, entry.keyName)});
        if (touches & kOtherName) {
            const std::wstring other =
                entry.hidden ? entry.keyName.substr(kHiddenPrefixLength) : kHiddenPrefix + entry.keyName;
            if (!other.empty())
                trees.push_back({entry.hive, JoinPath(entry.parentPath, other)});
        }
        if ((touches & kDesktopIcons) && entry.PlaceIndex() >= 0)
            trees.push_back({vs::ScopeHive(entry.PlaceIndex()), vs::kHideDesktopIconsPath});
        if (target)
            trees.push_back({target->hive, JoinPath(target->nameSpacePath, entry.keyName)});
    });
    return trees;
}

bool CDeleteObject::BeginChange(UINT command) {
    pending_.reset();
    const CommandKind* kind = KindOf(command);
    if (!kind)
        return true;
    PendingChange change;
    change.command = kind->step ? kind->step : command;
    if (kind->touches & kNewObject) {
        std::vector<vs::TreeRef> parents = vs::ClassKeyTrees(L"");
        for (vs::TreeRef& parent : parents)
            parent.path.pop_back(); // the backslash before the class identifier
        for (const vs::NamespaceLocation& place : vs::NamespaceLocations())
            parents.push_back({place.hive, place.nameSpacePath});
        for (vs::TreeRef& parent : parents) {
            const std::size_t depth = vs::ExistingDepth(store_, parent.root, parent.path);
            change.newTreeParents.emplace_back(std::move(parent), depth);
        }
        pending_ = std::move(change);
        return true;
    }
    return BeginChange(change.command, SelectedTrees(kind->touches, command));
}

bool CDeleteObject::BeginChange(UINT command, const std::vector<vs::TreeRef>& trees) {
    pending_.reset();
    if (trees.empty())
        return true; // nothing selected: nothing to write, nothing to record
    PendingChange change;
    change.command = command;
    vs::TreeRef failed;
    if (const vs::Status status = vs::CaptureTrees(store_, trees, change.before, &failed);
        status != vs::kOk) {
        ShowMessage(
            FormatResourceString(IDS_BACKUP_READ_FAILED, {vs::FullKeyName(failed.root, failed.path),
                                                          CommandName(change.command), StatusText(status)}),
            MB_OK | MB_ICONWARNING);
        return false;
    }
    return BeginChange(change.command, std::move(change.before));
}

bool CDeleteObject::BeginChange(UINT command, vs::Snapshot before) {
    PendingChange change;
    change.command = command;
    change.before = std::move(before);
    if (!SaveBackup(CommandName(command), change.before, &change.backup) &&
        ShowMessage(FormatResourceString(IDS_BACKUP_WRITE_FAILED,
                                         {CommandName(command), BackupFolderPath().wstring()}),
                    MB_YESNO | MB_ICONWARNING) != IDYES)
        return false;
    pending_ = std::move(change);
    return true;
}

void CDeleteObject::EndChange(const std::wstring& newClass) {
    if (!pending_)
        return;
    PendingChange change = std::move(*pending_);
    pending_.reset();
    if (!change.newTreeParents.empty()) {
        if (newClass.empty())
            return; // the wizard was cancelled, or wrote nothing it could name
        for (const auto& [parent, depth] : change.newTreeParents)
            change.before.trees.push_back(
                vs::AbsentTree({parent.root, JoinPath(parent.path, newClass)}, depth));
        if (!SaveBackup(CommandName(change.command), change.before, &change.backup))
            ShowMessage(FormatResourceString(IDS_BACKUP_NOT_WRITTEN,
                                             {CommandName(change.command), BackupFolderPath().wstring()}),
                        MB_OK | MB_ICONWARNING);
    }
    vs::Snapshot after;
    if (vs::CaptureTrees(store_, change.before.Refs(), after) != vs::kOk) {
        // Trees that cannot be read count as changed: the undo will ask before it writes.
        (void)history_.Record(store_, change.command, std::move(change.before));
        return;
    }
    if (SameSnapshot(change.before, after)) {
        std::error_code ignored; // a backup of nothing may stay if it cannot go
        if (!change.backup.empty())
            std::filesystem::remove(change.backup, ignored);
        return;
    }
    history_.Push({change.command, std::move(change.before), std::move(after)});
}

bool CDeleteObject::SaveBackup(const std::wstring& label, const vs::Snapshot& before,
                               std::filesystem::path* saved) {
    const std::filesystem::path folder = BackupFolderPath();
    std::vector<std::uint8_t> bytes;
    if (folder.empty() || vs::WriteRegFile(vs::SnapshotToRegFile(before, true), bytes) != vs::kOk)
        return false;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const vs::LocalTime time{now.wYear,   now.wMonth,  now.wDay,         now.wHour,
                             now.wMinute, now.wSecond, now.wMilliseconds};
    return vs::BackupFolder(folder).Save(time, label, bytes, saved);
}

void CDeleteObject::NotifyChanges(const vs::Snapshot& from, const vs::Snapshot& to) {
    for (int place : vs::PlacesOfChange(store_, from, to))
        NotifyPlace(place);
}
