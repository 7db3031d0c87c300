#pragma once
// Export of shell objects to a registry file, and import of one, checked and written as
// one change that either happens whole or not at all.
//
// Export:  ExportTrees(store, {class key tree, entry key trees...}) -> file bytes.
// Import:  PlanImport(store, bytes)  reads and checks the file and the registry, writes
//          nothing; plan.before is what the backup file and the undo step hold.
//          ExecuteImport(store, plan) writes it, rolling everything back on a failure.
// Between the two the caller saves the backup (SnapshotToRegFile(plan.before, true)).

#include "KeySnapshot.h"
#include "RegFileParser.h"

#include <optional>

namespace vs {

struct ExportResult {
    Status status = kOk;             // of the first read that failed
    TreeRef failed;                  // the tree that could not be read
    std::vector<std::uint8_t> bytes; // the file, when status is 0
    std::vector<TreeRef> missing;    // trees that do not exist, left out of the file
};

// Reads the trees (repeats and trees inside others once) and writes them as a registry
// file in the order given, each tree's keys parents first. The desktop-icon values of the
// classes whose class key trees are among them follow: per hive that has any, a
// NewStartPanel block with only those values.
ExportResult ExportTrees(RegistryStore& store, const std::vector<TreeRef>& trees);

// The class key trees of a class identifier (in braces) where a class key may stand: in
// this user's and in the machine's classes (HKEY_CLASSES_ROOT shows one of these), and
// their 32-bit copies. A command or an export names all four; those that do not exist are
// captured as missing.
std::vector<TreeRef> ClassKeyTrees(std::wstring_view clsid);

// The shell object tree a key of a file belongs to: the class key tree
// CLSID\{guid} of HKEY_CLASSES_ROOT, of HKEY_CURRENT_USER\Software\Classes or of
// HKEY_LOCAL_MACHINE\Software\Classes (or of their Wow6432Node, the 32-bit copies), or an
// entry key tree directly below one of the eight NameSpace keys. Nothing for any other key, the CLSID and
// NameSpace keys included.
std::optional<TreeRef> ShellObjectTreeOf(KeyHandle root, std::wstring_view path);

struct RefusedKey {
    std::size_t line = 0;
    KeyHandle root = nullptr;
    std::wstring path;
    bool remove = false; // a "[-KEY]" line
};

// Every key of the file outside a shell object tree, in file order. A NewStartPanel key
// of this user or of the machine belongs when its values are all desktop-icon values
// ("{guid}"=dword:... or their deletions); deleting that key whole belongs too.
std::vector<RefusedKey> FindRefusedKeys(const RegFile& file);

enum class ImportProblem {
    None,
    BadFile,    // issue says what and where
    Refused,    // refused lists the keys outside shell objects
    ReadFailed, // readStatus: a tree the file touches could not be read (readTree)
};

struct ImportPlan {
    ImportProblem problem = ImportProblem::None;
    RegFileIssue issue;
    std::vector<RefusedKey> refused;
    Status readStatus = kOk;
    TreeRef readTree;
    Snapshot before; // every shell object tree the file touches, as it stands
    Snapshot target; // the same trees as the import leaves them

    bool Ready() const { return problem == ImportProblem::None; }
};

ImportPlan PlanImport(RegistryStore& store, const std::uint8_t* data, std::size_t size,
                      const RegFileParseOptions& options = {});
ImportPlan PlanImport(RegistryStore& store, const RegFile& file);

// Writes a ready plan (see ApplyWithRollback); a plan that is not ready writes nothing.
ChangeReport ExecuteImport(RegistryStore& store, const ImportPlan& plan);

// The places (0 to 7, in order) that show a change between two captures of the same trees
// (an import's before and target, an undo step's before and after): each place whose entry
// key tree differs, and each place that holds an entry named after a class whose class key
// tree differs.
std::vector<int> PlacesOfChange(RegistryStore& store, const Snapshot& from, const Snapshot& to);

} // namespace vs
