#pragma once
// Key trees held in memory: a capture of trees as they stand (or of the fact that they do
// not exist), the registry brought back to such a capture exactly, and the comparison
// that tells whether a tree still stands as captured. Export, import with its rollback,
// and undo are built on these three:
//
//     Snapshot before;
//     if (CaptureTrees(store, trees, before) != kOk) ...       // read nothing can change
//     ... the command writes ...
//     Snapshot after;  (void)CaptureTrees(store, before.Refs(), after);
//     ...
//     std::vector<TreeRef> changed;                            // later: still as left?
//     (void)FindChangedTrees(store, after, changed);
//     ChangeReport report = ApplyWithRollback(store, before);  // every tree back as before
//
// A tree is named by its root and key path. Restoring brings each tree to its captured
// state with as few writes as it can: existing keys stay and keep what the capture does
// not mention (security, class), values that differ are set, keys and values the capture
// does not hold are deleted. A key whose values cannot be brought back in place (one to
// remove, or one spelt or ordered differently; the store has no value deletion) is
// deleted and written anew with its subtree. A tree that did not exist is deleted, and
// so are the keys above it that did not exist either, once they are empty.
//
// Trees are restored one after the other, each from a fresh read of what it holds now.
// Two names for one key (HKEY_CLASSES_ROOT\CLSID\{x} beside
// HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{x}) are two trees to this code: the one
// restored last wins.

#include "RegFile.h"
#include "RegistryStore.h"

#include <string>
#include <string_view>
#include <vector>

namespace vs {

struct TreeRef {
    KeyHandle root = nullptr;
    std::wstring path; // at least one key name
};

bool SameTree(const TreeRef& a, const TreeRef& b);
// A name with its letters folded as the registry folds them when it compares names.
std::wstring FoldedName(std::wstring_view name);
// A text that two refs share exactly when SameTree holds for them (for maps and sets).
std::wstring FoldedTreeName(const TreeRef& ref);
// Whether inner is outer or a key below it.
bool TreeContains(const TreeRef& outer, const TreeRef& inner);
// The trees without repeats and without trees that lie inside others, in first-seen order.
std::vector<TreeRef> DistinctTrees(const std::vector<TreeRef>& trees);

struct KeyValue {
    std::wstring name;
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
};

struct KeyNode {
    std::wstring name;
    std::vector<KeyValue> values; // in the registry's order
    std::vector<KeyNode> subkeys; // in the registry's order
};

struct TreeState {
    TreeRef ref;
    bool exists = false;
    // When the tree does not exist: how many leading names of its path do. Keys below
    // those that a later write creates go again when the tree goes.
    std::size_t existingDepth = 0;
    KeyNode key; // the tree's top key, when it exists (its name is the path's last)
};

struct Snapshot {
    std::vector<TreeState> trees;

    std::vector<TreeRef> Refs() const;
};

// How many leading key names of path exist below root.
std::size_t ExistingDepth(RegistryStore& store, KeyHandle root, std::wstring_view path);
// The state of a tree that does not exist, of whose path the first existingDepth names
// do: what a command that creates a tree under a name it chooses as it runs (the
// wizard's new class key) records as "before", with ExistingDepth of the parent path
// taken before it ran.
TreeState AbsentTree(TreeRef ref, std::size_t existingDepth);

// Reads every tree of DistinctTrees(trees) as it stands into out. Fails with the first
// status other than kFileNotFound (a missing tree is captured as missing); failed, when
// given, names the tree.
[[nodiscard]] Status CaptureTrees(RegistryStore& store, const std::vector<TreeRef>& trees, Snapshot& out,
                                  TreeRef* failed = nullptr);

// Whether two states hold the same keys and values with the same names (spelling
// included), types and bytes. The order of values and subkeys and the name of the top
// key itself do not count.
bool SameState(const TreeState& a, const TreeState& b);

// The trees of expected that do not stand as captured any more. A tree that cannot be
// read counts as changed; the status is that of the first read that failed.
[[nodiscard]] Status FindChangedTrees(RegistryStore& store, const Snapshot& expected,
                                      std::vector<TreeRef>& changed);

struct WriteFailure {
    Status status = kOk;
    TreeRef tree;       // the tree being written
    std::wstring key;   // path below the root of the key that failed
    std::wstring value; // the value that failed, if it was a value
};

// Brings every tree of target to its captured state, in order. Stops at the first
// failure, which failure (when given) describes; what was written stays.
[[nodiscard]] Status RestoreTrees(RegistryStore& store, const Snapshot& target,
                                  WriteFailure* failure = nullptr);

struct ChangeReport {
    WriteFailure failure; // status 0: every tree stands as the target
    // After a failure: true when the registry is as it was (nothing had been written,
    // or everything written was taken back).
    bool unchanged = false;
    WriteFailure rollbackFailure; // the failure of the rollback, when it failed too

    bool Ok() const { return failure.status == kOk; }
};

// Captures the target's trees as they stand, restores the target, and when that fails
// half-way restores the capture. Nothing is written when the capture fails.
ChangeReport ApplyWithRollback(RegistryStore& store, const Snapshot& target);

// The snapshot as a registry file. With deletions (a backup): for each tree "[-tree]",
// then its keys when it exists, so that importing the file restores the trees (empty
// keys created above a missing tree stay). Without (an export): the keys of the trees
// that exist.
RegFile SnapshotToRegFile(const Snapshot& snapshot, bool withDeletions);

} // namespace vs
