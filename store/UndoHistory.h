#pragma once
// The commands that can be taken back, newest last, at most kDepth of them. Each step
// holds the trees the command touched as they were before it and as it left them.
//
// A command that changes the registry:
//     Snapshot before;
//     if (CaptureTrees(store, trees, before) != kOk) -> report, do not run the command
//     save SnapshotToRegFile(before, true) with BackupFolder::Save -> report a failure
//     ... run the command ...
//     history.Record(store, command, std::move(before));
// "trees" are every key tree the command may write: the class key tree and the entry
// key trees of the rows, the destination entry key of a copy or move, both names of a
// hidden entry. A tree whose name is only known once the command has run (the wizard's
// new class key) goes in afterwards as AbsentTree(ref, ExistingDepth(parent)) with the
// depth read before.
//
// Undo:
//     const UndoStep* step = history.Last();              // "&Undo <step->command>"
//     std::vector<TreeRef> changed;
//     history.ChangedSince(store, changed);                // not empty: ask first
//     ChangeReport report = history.Undo(store);           // whole or nothing

#include "KeySnapshot.h"

#include <deque>
#include <string>

namespace vs {

struct UndoStep {
    unsigned command = 0; // the caller's tag for the command; the store does not read it
    Snapshot before;      // the trees as they were before the command
    Snapshot after;       // the same trees as the command left them
};

class UndoHistory {
public:
    static constexpr std::size_t kDepth = 20;

    // Adds a finished command: captures its trees as it left them. The oldest step goes
    // when there are more than kDepth. A tree that cannot be read is recorded as missing,
    // so the undo will find it changed and ask; the status is that of the failed read.
    Status Record(RegistryStore& store, unsigned command, Snapshot before);
    void Push(UndoStep step);

    bool Empty() const { return steps_.empty(); }
    std::size_t Size() const { return steps_.size(); }
    // The step Undo takes back, or null.
    const UndoStep* Last() const { return steps_.empty() ? nullptr : &steps_.back(); }

    // The trees of the last step that do not stand as the command left them.
    Status ChangedSince(RegistryStore& store, std::vector<TreeRef>& changed) const;

    // Restores the last step's trees as they were before its command, whole or not at
    // all (ApplyWithRollback). The step goes when that worked and stays when it failed.
    ChangeReport Undo(RegistryStore& store);

    void Clear() { steps_.clear(); }

private:
    std::deque<UndoStep> steps_;
};

} // namespace vs
