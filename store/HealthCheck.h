#pragma once
// The check for problems, over what a refresh of the inventory has read: its class records
// and every entry it met, listed or not. It finds entries whose class key is gone, class
// keys of this program's that no entry names, all-users entries whose class key only this
// user has, classes registered both shown and hidden in one place, icon locations that
// give no icon, targets that are not there, and 32-bit copies of class keys that differ
// from them; and repairs the kinds that can be
// repaired. Class keys the scan read are not read again; only the class keys no entry
// names are opened, to look for the program's marker.

#include "Failure.h"
#include "Inventory.h"
#include "KeySnapshot.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vs {

enum class ProblemKind {
    DanglingEntry,    // an entry key whose class key is in neither classes
    OrphanedClass,    // a class key with the marker and no entry key in any place
    UserOnlyClass,    // an all-users entry whose class key only this user's classes hold
    ShownAndHidden,   // "{x}" and "hidden{x}" side by side
    MissingTarget,    // the folder or the program of the object is not there
    TargetNotChecked, // the target's check did not answer in time
    MissingIcon,      // the icon location gives no icon
    Class32Differs,   // the class key's copy in the 32-bit view holds other keys or values
};

// Whether the check offers a repair for problems of this kind.
bool Repairable(ProblemKind kind);

struct Problem {
    ProblemKind kind = ProblemKind::DanglingEntry;
    std::wstring clsid;
    // The object's name as listed; the class identifier for an orphaned class key.
    std::wstring name;
    // The place of the entry (0..7), or kUserClasses / kMachineClasses for a class key.
    int place = 0;
    // The key the problem is about: the entry key, or the class key.
    KeyHandle root = nullptr;
    std::wstring keyPath;
    // The target path (environment expanded), the icon location, or for ShownAndHidden
    // the hidden entry key's name; empty for the other kinds.
    std::wstring detail;
    // The inventory's entry (ShownAndHidden: the shown one) and record; valid until the
    // next refresh. No entry for the kinds of a class key; no record for an orphaned one.
    const ShellObjectEntry* entry = nullptr;
    const ShellObjectEntry* twin = nullptr; // ShownAndHidden: the hidden entry
    const ShellObjectInfo* info = nullptr;
};

// Whether an icon location gives an icon; the caller caches what it extracts.
using IconCheck = std::function<bool(const std::wstring& location)>;
// The check through the platform: each location's file (environment expanded, as Explorer
// takes it) and index extracted once.
IconCheck CachedIconCheck(Platform& platform);

// Every problem but the targets', in scan order of the entries, then (with orphans) the
// orphaned class keys of this user's and the machine's classes.
std::vector<Problem> FindProblems(const Inventory& inventory, const IconCheck& iconLoads,
                                  bool orphans = true);

// A target to look for: a folder, a program file, or a bare program name searched as
// CreateProcessW searches it.
struct TargetPath {
    std::wstring path;
    enum class Kind { Folder, File, SearchedProgram } kind = Kind::Folder;
};
// The path a record's target names; nothing when it names none the check can judge (no
// folder or program target, or a relative path).
std::optional<TargetPath> TargetPathOf(const ShellObjectInfo& info, Platform& platform);

// Which records of the inventory have a target to look for, one per record with entries.
struct TargetToCheck {
    const ShellObjectInfo* info = nullptr;
    TargetPath target;
};
std::vector<TargetToCheck> TargetsToCheck(const Inventory& inventory);

// The problems of the targets whose checks gave missing (false) or no answer (nothing).
enum class TargetState { Pending, Present, Missing, NotChecked };
std::vector<Problem> TargetProblems(const Inventory& inventory, const std::vector<TargetToCheck>& targets,
                                    const std::vector<TargetState>& states);

// The key trees a repair of problem may write (the twin's choice included), to capture
// before it runs.
std::vector<TreeRef> RepairTrees(const Problem& problem);

// Repairs one problem of a repairable kind; for ShownAndHidden, keepHidden says which
// entry stays. Adds what it could not do to failures. The inventory is stale afterwards.
void Repair(RegistryStore& store, const Problem& problem, bool keepHidden, Failures& failures);

} // namespace vs
