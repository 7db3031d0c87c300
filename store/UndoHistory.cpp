#include "UndoHistory.h"

namespace vs {

Status UndoHistory::Record(RegistryStore& store, unsigned command, Snapshot before) {
    UndoStep step;
    step.command = command;
    Status first = kOk;
    for (const TreeState& tree : before.trees) {
        Snapshot one;
        const Status status = CaptureTrees(store, {tree.ref}, one);
        if (status == kOk && one.trees.size() == 1) {
            step.after.trees.push_back(std::move(one.trees.front()));
            continue;
        }
        if (first == kOk)
            first = status;
        step.after.trees.push_back(AbsentTree(tree.ref, 0));
    }
    step.before = std::move(before);
    Push(std::move(step));
    return first;
}

void UndoHistory::Push(UndoStep step) {
    steps_.push_back(std::move(step));
    while (steps_.size() > kDepth)
        steps_.pop_front();
}

Status UndoHistory::ChangedSince(RegistryStore& store, std::vector<TreeRef>& changed) const {
    changed.clear();
    if (steps_.empty())
        return kOk;
    return FindChangedTrees(store, steps_.back().after, changed);
}

ChangeReport UndoHistory::Undo(RegistryStore& store) {
    if (steps_.empty()) {
        ChangeReport report;
        report.failure.status = kInvalidParameter;
        report.unchanged = true;
        return report;
    }
    ChangeReport report = ApplyWithRollback(store, steps_.back().before);
    if (report.Ok())
        steps_.pop_back();
    return report;
}

} // namespace vs
