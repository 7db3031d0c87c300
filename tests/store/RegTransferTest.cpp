// Export, import, undo and backups against the test registry (the real one under Wine).
// The faults they guard against: a value that does not come back byte for byte, an
// import that writes outside shell objects or stops half-way, an undo that leaves the
// tree different from before, a backup folder that grows without end.

#include "store/BackupFolder.h"
#include "store/DesktopIcon.h"
#include "store/NamespaceLocation.h"
#include "store/RegTransfer.h"
#include "store/UndoHistory.h"
#include "tests/support/RegFileSupport.h"
#include "tests/support/RegistryFixture.h"

#include <gtest/gtest.h>

#include <functional>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vs::test {
namespace {

constexpr unsigned kStart = 1405;
const std::wstring kClassKey = L"Software\\Classes\\CLSID\\{7a1e0e01-5e7d-4c1a-9a50-0000000000e1}";

class RegTransferTest : public RegistryFixture {
protected:
    std::vector<GeneratedTree> Write(std::vector<GeneratedTree> trees) {
        for (const GeneratedTree& tree : trees) {
            cleanup.Add(tree.ref.root, tree.ref.path);
            EXPECT_EQ(WriteTree(store, tree.ref.root, tree.tree), kOk) << Narrow(tree.ref.path);
        }
        return trees;
    }

    static std::vector<TreeRef> Refs(const std::vector<GeneratedTree>& trees) {
        std::vector<TreeRef> refs;
        for (const GeneratedTree& tree : trees)
            refs.push_back(tree.ref);
        return refs;
    }

    std::string Dump(const TreeRef& ref) { return DumpTree(store, ref.root, ref.path); }
};

TEST_F(RegTransferTest, ExportThenImportIntoAnEmptyRegistryIsByteExact) {
    std::mt19937 random(kStart);
    const std::vector<GeneratedTree> trees = Write(GenerateTrees(random, 33));
    const ExportResult exported = ExportTrees(store, Refs(trees));
    ASSERT_EQ(exported.status, kOk);
    EXPECT_TRUE(exported.missing.empty());

    MemoryRegistry copy;
    const ImportPlan plan = PlanImport(copy, exported.bytes.data(), exported.bytes.size());
    ASSERT_TRUE(plan.Ready()) << static_cast<int>(plan.issue.error) << " line " << plan.issue.line;
    ASSERT_TRUE(ExecuteImport(copy, plan).Ok());
    for (const GeneratedTree& tree : trees) {
        SCOPED_TRACE(Narrow(tree.ref.path));
        EXPECT_EQ(Dump(tree.ref), Describe(tree.tree));
        EXPECT_EQ(DumpTree(copy, tree.ref.root, tree.ref.path), Describe(tree.tree));
    }
    EXPECT_EQ(ExportTrees(copy, Refs(trees)).bytes, exported.bytes);
}

#ifdef _WIN32
DWORD RunCommand(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process))
        return GetLastError() | 0x80000000u;
    // A crashed tool waits for a debugger; a generous limit keeps the run from hanging.
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 0xDEAD);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// What "reg import" makes of an export, and what "reg export" writes for plain values:
// the same keys and bytes, and the same text.
TEST_F(RegTransferTest, RegImportReproducesTheExportAndRegExportWritesTheSameText) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() / L"varnoset-export-test.reg";
    std::mt19937 random(kStart + 1);
    const std::vector<GeneratedTree> trees = Write(GenerateTrees(random, 22, ValueSet::RegImport));
    const ExportResult exported = ExportTrees(store, Refs(trees));
    ASSERT_EQ(exported.status, kOk);
    ASSERT_TRUE(WriteFileBytes(file, exported.bytes));
    std::vector<std::string> dumps;
    for (const GeneratedTree& tree : trees) {
        dumps.push_back(Dump(tree.ref));
        ASSERT_TRUE(RemoveTree(store, tree.ref.root, tree.ref.path));
    }
    ASSERT_EQ(RunCommand(L"reg.exe import \"" + file.wstring() + L"\""), 0u);
    for (std::size_t i = 0; i < trees.size(); ++i) {
        EXPECT_EQ(Dump(trees[i].ref), dumps[i]) << Narrow(trees[i].ref.path);
        ASSERT_TRUE(
            RemoveTree(store, trees[i].ref.root, trees[i].ref.path)); // the next trees use the same names
    }

    const std::vector<GeneratedTree> plain = Write(GenerateTrees(random, 3, ValueSet::Plain));
    for (const GeneratedTree& tree : plain) {
        const std::wstring key = std::wstring(RegistryRootName(tree.ref.root)) + L"\\" + tree.ref.path;
        ASSERT_EQ(RunCommand(L"reg.exe export \"" + key + L"\" \"" + file.wstring() + L"\" /y"), 0u);
        std::vector<std::uint8_t> regExport;
        ASSERT_TRUE(ReadFileBytes(file, regExport, 1 << 24));
        EXPECT_EQ(FileBody(ExportTrees(store, {tree.ref}).bytes), FileBody(regExport));
    }
    std::filesystem::remove(file);
}
#endif

TEST_F(RegTransferTest, OnlyShellObjectTreesAreImportedAndARefusedFileWritesNothing) {
    const std::wstring id = L"{7a1e0e02-5e7d-4c1a-9a50-0000000000e2}";
    const std::wstring desktop = NamespaceLocations()[0].nameSpacePath;
    struct Case {
        KeyHandle root;
        std::wstring path;
        std::wstring tree; // empty: refused
    };
    const Case cases[] = {
        {ClassesRoot(), L"clsid\\" + id + L"\\Shell\\Open", L"clsid\\" + id},
        {CurrentUser(), kClassKey + L"\\DefaultIcon", kClassKey},
        {LocalMachine(), L"Software\\Classes\\CLSID\\" + id, L"Software\\Classes\\CLSID\\" + id},
        {CurrentUser(), desktop + L"\\" + id, desktop + L"\\" + id},
        {LocalMachine(), desktop + L"\\hidden" + id + L"\\x", desktop + L"\\hidden" + id},
        {CurrentUser(), L"Software\\Classes\\CLSID", L""},
        {CurrentUser(), L"Software\\Classes\\CLSID\\notaguid", L""},
        {ClassesRoot(), L"CLSID\\{7a1e0e02-5e7d-4c1a-9a50-0000000000eg}", L""},
        {ClassesRoot(), L"Software\\Classes\\CLSID\\" + id, L""},
        {CurrentUser(), desktop, L""},
        {CurrentUser(), desktop + L"X\\" + id, L""},
        {CurrentUser(), L"Software\\Evil", L""},
        {Users(), L".DEFAULT\\Software\\Classes\\CLSID\\" + id, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.path));
        const std::optional<TreeRef> tree = ShellObjectTreeOf(c.root, c.path);
        EXPECT_EQ(tree ? Narrow(tree->path) : "refused", c.tree.empty() ? "refused" : Narrow(c.tree));
        EXPECT_TRUE(!tree || tree->root == c.root);
    }

    cleanup.Add(CurrentUser(), kClassKey);
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{kClassKey, {Sz(L"", L"kept")}}), kOk);
    const std::u16string desktopIcons = u"[HKEY_CURRENT_USER\\" + U16(kHideDesktopIconsPath) + u"]\r\n";
    const std::vector<std::uint8_t> file =
        V5(u"[HKEY_CURRENT_USER\\" + U16(kClassKey) +
           u"]\r\n@=\"changed\"\r\n\r\n"
           u"[-HKEY_CURRENT_USER\\Software\\Classes\\CLSID]\r\n\r\n[HKCU\\Software\\Evil]\r\n" +
           desktopIcons + u"\"" + U16(id) + u"\"=dword:00000001\r\n\"" + U16(id) + u"\"=-\r\n" +
           desktopIcons + u"\"Other\"=dword:00000001\r\n");
    const ImportPlan plan = PlanImport(store, file.data(), file.size());
    EXPECT_EQ(plan.problem, ImportProblem::Refused);
    ASSERT_EQ(plan.refused.size(), 3u);
    EXPECT_EQ(plan.refused[2].line, 11u) << "a desktop-icon key with a value not named by a class";
    EXPECT_EQ(plan.refused[0].line, 5u);
    EXPECT_TRUE(plan.refused[0].remove);
    EXPECT_EQ(plan.refused[1].line, 7u);
    EXPECT_EQ(Narrow(plan.refused[1].path), "Software\\Evil");
    EXPECT_TRUE(ExecuteImport(store, plan).unchanged);
    EXPECT_EQ(DumpTree(store, CurrentUser(), kClassKey), Describe(TreeKey{L"", {Sz(L"", L"kept")}}));
}

// The import changes two trees, removes a third and creates a fourth above keys that do
// not exist yet. Whichever registry call fails, the registry ends either exactly as the
// file says or exactly as it was; the undo of a complete import brings back the start.
TEST_F(RegTransferTest, ImportIsWholeOrNothingWhereverAWriteFails) {
    if (!memory)
        GTEST_SKIP() << "needs fault injection";
    const std::wstring a = L"Software\\Classes\\CLSID\\{7a1e0e0a-5e7d-4c1a-9a50-0000000000ea}";
    const std::wstring b =
        std::wstring(NamespaceLocations()[2].nameSpacePath) + L"\\{7a1e0e0b-5e7d-4c1a-9a50-0000000000eb}";
    ASSERT_EQ(
        WriteTree(
            store, CurrentUser(),
            TreeKey{a, {Sz(L"", L"A"), Dword(L"n", 1), Sz(L"gone", L"x")}, {{L"Sub", {Sz(L"s", L"1")}}}}),
        kOk);
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{b, {Sz(L"", L"B")}}), kOk);
    auto cu = [](const std::wstring& path) { return u"HKEY_CURRENT_USER\\" + U16(path); };
    const std::vector<std::uint8_t> file = V5(
        u"[" + cu(a) + u"]\r\n@=\"A2\"\r\n\"gone\"=-\r\n\"new\"=hex:01\r\n[-" + cu(a) + u"\\Sub]\r\n[" +
        cu(a) + u"\\Added\\Deeper]\r\n[-" + cu(b) +
        u"]\r\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{7a1e0e0c-5e7d-4c1a-9a50-0000000000ec}\\x]\r\n"
        u"@=dword:2\r\n");
    auto whole = [&] { return DumpTree(store, CurrentUser(), L"") + DumpTree(store, LocalMachine(), L""); };
    const std::string start = whole();
    const ImportPlan plan = PlanImport(store, file.data(), file.size());
    ASSERT_TRUE(plan.Ready());
    ASSERT_TRUE(ExecuteImport(store, plan).Ok());
    const std::string done = whole();
    EXPECT_EQ(DumpTree(store, CurrentUser(), a),
              Describe(TreeKey{L"",
                               {Sz(L"", L"A2"), Dword(L"n", 1), Raw(L"new", kRegBinary, {1})},
                               {{L"Added\\Deeper"}}}));
    ASSERT_TRUE(ApplyWithRollback(store, plan.before).Ok());
    ASSERT_EQ(whole(), start);

    int failures = 0;
    for (MemoryRegistry::Op op :
         {MemoryRegistry::Op::Open, MemoryRegistry::Op::Create, MemoryRegistry::Op::EnumKey,
          MemoryRegistry::Op::EnumValue, MemoryRegistry::Op::SetValue, MemoryRegistry::Op::DeleteKey}) {
        for (int nth = 1;; ++nth) {
            SCOPED_TRACE(::testing::Message() << "op " << static_cast<int>(op) << " call " << nth);
            memory->FailNthCall(op, nth);
            const ChangeReport report = ExecuteImport(store, plan);
            memory->ClearFaults();
            if (report.Ok()) {
                EXPECT_EQ(whole(), done);
                ASSERT_TRUE(ApplyWithRollback(store, plan.before).Ok());
                break;
            }
            ++failures;
            EXPECT_TRUE(report.unchanged);
            EXPECT_NE(report.failure.status, kOk);
            ASSERT_EQ(whole(), start);
        }
    }
    EXPECT_GT(failures, 30);
    memory->FailFromCall(MemoryRegistry::Op::SetValue, 2);
    const ChangeReport report = ExecuteImport(store, plan);
    memory->ClearFaults();
    EXPECT_FALSE(report.unchanged);
    EXPECT_EQ(report.rollbackFailure.status, kAccessDenied);
    EXPECT_EQ(memory->OpenHandleCount(), 0u);
}

// Each kind of change made after a capture is taken back exactly, malformed text
// included (Wine's RegSetValueExW would add a terminator to it).
TEST_F(RegTransferTest, RestoreTakesBackEachKindOfChange) {
    const TreeRef ref{CurrentUser(), Scratch(L"Gone\\Tree")};
    const TreeKey tree{
        ref.path,
        {Sz(L"", L"top"), Raw(L"odd", kRegSz, {'a', 0, 'b'}), Raw(L"nonul", kRegSz, TextBytes(L"ab")),
         Raw(L"one", kRegSz, {'x'}), Dword(L"n", 7)},
        {{L"Sub", {Sz(L"s", L"1")}, {{L"Deep", {Raw(L"m", kRegMultiSz, TextBytes(L"a\0b\0\0"))}}}}}};
    auto set = [](const wchar_t* path, TreeValue value) {
        return [=](RegistryStore& s, const std::wstring& top) {
            ASSERT_EQ(WriteTree(s, CurrentUser(), TreeKey{top + path, {value}}), kOk);
        };
    };
    auto remove = [](const wchar_t* path) {
        return [=](RegistryStore& s, const std::wstring& top) {
            ASSERT_TRUE(RemoveTree(s, CurrentUser(), top + path));
        };
    };
    struct Case {
        const char* name;
        bool existed;
        std::function<void(RegistryStore&, const std::wstring&)> change;
    };
    const Case cases[] = {
        {"value changed", true, set(L"", Dword(L"n", 8))},
        {"value type changed", true, set(L"\\Sub", Dword(L"s", 1))},
        {"value added", true, set(L"", Sz(L"extra", L"e"))},
        {"subkey added", true, set(L"\\Sub\\New", Sz(L"", L"x"))},
        {"subkey removed", true, remove(L"\\Sub\\Deep")},
        {"subkey spelt differently", true,
         [&](RegistryStore& s, const std::wstring& top) {
             ASSERT_TRUE(RemoveTree(s, CurrentUser(), top + L"\\Sub"));
             ASSERT_EQ(WriteTree(s, CurrentUser(), TreeKey{top + L"\\SUB", {Sz(L"s", L"1")}}), kOk);
         }},
        {"tree removed", true, remove(L"")},
        {"tree created", false, set(L"\\Made", Sz(L"", L"new"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.existed) {
            ASSERT_EQ(WriteTree(store, CurrentUser(), tree), kOk);
        }
        const std::string before = DumpTree(store, CurrentUser(), Scratch());
        Snapshot snapshot;
        ASSERT_EQ(CaptureTrees(store, {ref}, snapshot), kOk);
        c.change(store, ref.path);
        EXPECT_NE(DumpTree(store, CurrentUser(), Scratch()), before);
        const ChangeReport report = ApplyWithRollback(store, snapshot);
        EXPECT_TRUE(report.Ok()) << report.failure.status;
        EXPECT_EQ(DumpTree(store, CurrentUser(), Scratch()), before);
        ASSERT_TRUE(RemoveTree(store, CurrentUser(), Scratch(L"Gone")));
    }
}

TEST_F(RegTransferTest, UndoKeepsTwentyStepsAndNoticesChangesUnderneath) {
    const TreeRef ref{CurrentUser(), Scratch(L"Undo")};
    UndoHistory history;
    for (std::uint32_t command = 1; command <= 25; ++command) {
        Snapshot before;
        ASSERT_EQ(CaptureTrees(store, {ref}, before), kOk);
        ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{ref.path, {Dword(L"n", command)}}), kOk);
        ASSERT_EQ(history.Record(store, command, std::move(before)), kOk);
    }
    EXPECT_EQ(history.Size(), UndoHistory::kDepth);
    EXPECT_EQ(history.Last()->command, 25u);
    std::vector<TreeRef> changed;
    ASSERT_EQ(history.ChangedSince(store, changed), kOk);
    EXPECT_TRUE(changed.empty());
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{ref.path, {Sz(L"other", L"x")}}), kOk);
    ASSERT_EQ(history.ChangedSince(store, changed), kOk);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_TRUE(SameTree(changed[0], ref));

    ASSERT_TRUE(history.Undo(store).Ok());
    EXPECT_EQ(Dump(ref), Describe(TreeKey{L"", {Dword(L"n", 24)}}));
    ASSERT_EQ(history.ChangedSince(store, changed), kOk);
    EXPECT_TRUE(changed.empty());
    while (!history.Empty())
        ASSERT_TRUE(history.Undo(store).Ok());
    EXPECT_EQ(Dump(ref), Describe(TreeKey{L"", {Dword(L"n", 5)}}));
    EXPECT_TRUE(history.Undo(store).unchanged);
}

// The folder keeps the newest hundred backups and nothing else of its own, and a backup
// file imported again brings its trees back.
TEST_F(RegTransferTest, BackupFolderKeepsTheNewestHundredAndItsFilesRestore) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / (L"varnoset-backups-" + std::to_wstring(kStart));
    std::error_code error;
    fs::remove_all(folder, error);
    const BackupFolder backups(folder / L"Backups");
    fs::create_directories(folder / L"Backups", error);
    ASSERT_TRUE(WriteFileBytes(folder / L"Backups" / L"notes.reg", {}));

    cleanup.Add(CurrentUser(), kClassKey);
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{kClassKey, {Sz(L"", L"before")}, {{L"DefaultIcon"}}}),
              kOk);
    Snapshot before;
    ASSERT_EQ(CaptureTrees(store, {{CurrentUser(), kClassKey}}, before), kOk);
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(WriteRegFile(SnapshotToRegFile(before, true), bytes), kOk);
    fs::path first;
    for (int i = 0; i < 104; ++i)
        ASSERT_TRUE(backups.Save(LocalTime{2024, 5, 1, 13, i / 60, i % 60, 7}, L"Copy to: \"Desktop\"", bytes,
                                 i ? nullptr : &first));
    fs::path twin;
    ASSERT_TRUE(backups.Save(LocalTime{2024, 5, 1, 13, 1, 43, 7}, L"Hide", bytes, &twin));
    EXPECT_EQ(first.filename().wstring(), L"2024-05-01 13-00-00-007 Copy to_ _Desktop_.reg");
    EXPECT_EQ(twin.filename().wstring(), L"2024-05-01 13-01-43-007-2 Hide.reg");
    const std::vector<fs::path> kept = backups.List();
    ASSERT_EQ(kept.size(), BackupFolder::kKeep);
    EXPECT_EQ(kept.front().filename().wstring(), L"2024-05-01 13-00-05-007 Copy to_ _Desktop_.reg");
    EXPECT_EQ(kept.back(), twin);
    EXPECT_TRUE(fs::exists(folder / L"Backups" / L"notes.reg"));

    ASSERT_TRUE(RemoveTree(store, CurrentUser(), kClassKey));
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{kClassKey, {Sz(L"", L"after")}}), kOk);
    std::vector<std::uint8_t> read;
    ASSERT_TRUE(ReadFileBytes(twin, read, kMaxRegFileBytes));
    const ImportPlan plan = PlanImport(store, read.data(), read.size());
    ASSERT_TRUE(plan.Ready());
    ASSERT_TRUE(ExecuteImport(store, plan).Ok());
    EXPECT_EQ(DumpTree(store, CurrentUser(), kClassKey),
              Describe(TreeKey{L"", {Sz(L"", L"before")}, {{L"DefaultIcon"}}}));
    fs::remove_all(folder, error);
}

} // namespace
} // namespace vs::test
