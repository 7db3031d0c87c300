#include "store/HealthCheck.h"
#include "store/TargetCheck.h"
#include "tests/support/ShellObjectFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace vs::test {
namespace {

const std::wstring kIdE = L"{7a1e0005-5e7d-4c1a-9a50-00000000000e}";
const std::wstring kIdF = L"{7a1e0006-5e7d-4c1a-9a50-00000000000f}";
const char* const kKinds[] = {"dangling", "orphan",    "user-only", "twins",
                              "target",   "unchecked", "icon",      "copy32"};

// One registry with every kind of problem, and a healthy object beside them:
// A  (this user's classes) shown and hidden on the desktop, and on the all-users desktop;
// B  marked entry, no class key;  C  unmarked entry, no class key;
// D  marked class key of the machine's with no entry;  F  unmarked class key, no entry;
// E  (the machine's classes) a program that is gone, an icon that gives nothing and a
//    32-bit copy that differs; A's 32-bit copy is in step.
class HealthCheckTest : public ShellObjectFixture {
protected:
    HealthCheckTest() {
        for (const std::wstring& id : {kIdE, kIdF})
            for (KeyHandle hive : {CurrentUser(), LocalMachine()}) {
                cleanup.Add(hive, ClassKeyPath(id));
                cleanup.Add(hive, Class32KeyPath(id));
            }
        platform.iconFiles[L"good.dll"] = 1;
        platform.environment[L"ROOT"] = L"C:\\Root";
    }
    void SetUp() override {
        for (const std::wstring& path : {ClassKeyPath(kIdA), Class32KeyPath(kIdA)})
            ASSERT_EQ(WriteTree(store, CurrentUser(),
                                TreeKey{path,
                                        {Sz(L"", L"Alpha"), Marker(L"Alpha")},
                                        {{L"DefaultIcon", {Sz(L"", L"good.dll,0")}},
                                         {L"Instance\\InitPropertyBag", {Sz(L"Target", L"%ROOT%\\Alpha")}}}}),
                      kOk);
        ASSERT_EQ(
            WriteTree(store, LocalMachine(), TreeKey{Class32KeyPath(kIdE), {Sz(L"", L"Epsilon before")}}),
            kOk);
        WriteEntry(0, TreeKey{kIdA, {Marker(L"Alpha")}});
        WriteEntry(0, TreeKey{L"hidden" + kIdA, {Marker(L"Alpha")}});
        WriteEntry(4, TreeKey{kIdA, {Marker(L"Alpha")}});
        WriteEntry(1, TreeKey{kIdB, {Marker(L"Beta")}});
        WriteEntry(2, TreeKey{kIdC, {}});
        WriteClass(kIdD, {Sz(L"", L"Delta"), Marker(L"Delta")});
        WriteUserClass(kIdF, {Sz(L"", L"Foxtrot")}); // no marker: not this program's
        ASSERT_EQ(WriteTree(store, LocalMachine(),
                            TreeKey{ClassKeyPath(kIdE),
                                    {Sz(L"", L"Epsilon"), Marker(L"Epsilon")},
                                    {{L"DefaultIcon", {Sz(L"", L"gone.dll,3")}},
                                     {L"Shell\\Open\\Command", {Sz(L"", L"\"%ROOT%\\run.exe\" /x")}}}}),
                  kOk);
        WriteEntry(6, TreeKey{kIdE, {Marker(L"Epsilon")}});
    }
    std::vector<Problem> Check() {
        Refresh();
        return FindProblems(inventory, [this](const std::wstring& location) {
            const IconLocationParts parts = SplitIconLocation(location);
            return platform.iconFiles.count(parts.file) && parts.index < platform.iconFiles[parts.file];
        });
    }
    static std::string Line(const Problem& p) {
        return std::string(kKinds[static_cast<int>(p.kind)]) + " " + Narrow(p.name) + " " +
               std::to_string(p.place) + " " + Narrow(p.keyPath.substr(p.keyPath.rfind(L'\\') + 1)) + " " +
               Narrow(p.detail);
    }
    static std::vector<std::string> Lines(const std::vector<Problem>& problems) {
        std::vector<std::string> lines;
        for (const Problem& problem : problems)
            if (problem.clsid.find(L"7a1e") != std::wstring::npos)
                lines.push_back(Line(problem));
        return lines;
    }
    // Every class key of the test identifiers in both classes, and every place.
    std::string Whole() {
        std::string text;
        for (const std::wstring& id : {kIdA, kIdB, kIdC, kIdD, kIdE, kIdF})
            for (KeyHandle hive : {CurrentUser(), LocalMachine()})
                text += ClassDump(id, hive) + DumpTree(store, hive, Class32KeyPath(id));
        for (int place = 0; place < 8; ++place)
            text += PlaceDump(place);
        return text;
    }
};

TEST_F(HealthCheckTest, FindsEveryKindOnceAndNothingOnAHealthyObject) {
    const std::vector<std::string> expected = {
        "dangling " + Narrow(kIdB) + " 1 " + Narrow(kIdB) + " ",
        "dangling " + Narrow(kIdC) + " 2 " + Narrow(kIdC) + " ",
        "twins Alpha 0 " + Narrow(kIdA) + " hidden" + Narrow(kIdA),
        "user-only Alpha 4 " + Narrow(kIdA) + " ",
        "copy32 Epsilon -2 " + Narrow(kIdE) + " ",
        "icon Epsilon -2 DefaultIcon gone.dll,3",
        "orphan Delta -2 " + Narrow(kIdD) + " ",
    };
    EXPECT_EQ(Lines(Check()), expected);

    const std::vector<TargetToCheck> targets = TargetsToCheck(inventory);
    std::vector<std::string> paths;
    std::vector<TargetState> states;
    for (const TargetToCheck& target : targets)
        if (target.info->clsid.find(L"7a1e") != std::wstring::npos) {
            paths.push_back(Narrow(target.target.path));
            states.push_back(target.info->clsid == kIdA ? TargetState::Present : TargetState::Missing);
        } else {
            states.push_back(TargetState::Present);
        }
    EXPECT_EQ(paths, (std::vector<std::string>{"C:\\Root\\Alpha", "C:\\Root\\run.exe"}));
    EXPECT_EQ(Lines(TargetProblems(inventory, targets, states)),
              std::vector<std::string>{"target Epsilon -2 Command C:\\Root\\run.exe"});
}

TEST_F(HealthCheckTest, EachRepairChangesOnlyItsTreesAndIsUndoneExactly) {
    const std::pair<ProblemKind, bool> cases[] = {
        {ProblemKind::DanglingEntry, false}, {ProblemKind::ShownAndHidden, false},
        {ProblemKind::ShownAndHidden, true}, {ProblemKind::OrphanedClass, false},
        {ProblemKind::UserOnlyClass, false}, {ProblemKind::Class32Differs, false},
    };
    for (const auto& [kind, keepHidden] : cases) {
        SCOPED_TRACE(std::string(kKinds[static_cast<int>(kind)]) + (keepHidden ? " keep hidden" : ""));
        const std::string start = Whole();
        const std::vector<Problem> problems = Check();
        const auto problem =
            std::find_if(problems.begin(), problems.end(), [&](const Problem& p) { return p.kind == kind; });
        ASSERT_NE(problem, problems.end());
        Snapshot before;
        ASSERT_EQ(CaptureTrees(store, RepairTrees(*problem), before), kOk);
        Repair(store, *problem, keepHidden, failures);
        EXPECT_TRUE(failures.empty());

        // Each changed tree is as meant, and nothing outside the captured trees changed.
        Snapshot after;
        ASSERT_EQ(CaptureTrees(store, before.Refs(), after), kOk);
        std::size_t changed = 0;
        for (std::size_t i = 0; i < before.trees.size(); ++i)
            changed += !SameState(before.trees[i], after.trees[i]);
        EXPECT_EQ(changed, 1u);
        if (kind == ProblemKind::UserOnlyClass) {
            EXPECT_EQ(ClassDump(kIdA, LocalMachine()), ClassDump(kIdA, CurrentUser()));
        }
        if (kind == ProblemKind::Class32Differs)
            EXPECT_EQ(DumpTree(store, LocalMachine(), Class32KeyPath(kIdE)), ClassDump(kIdE, LocalMachine()));
        const std::vector<std::string> rest = Lines(Check());
        const std::string word = kKinds[static_cast<int>(kind)];
        EXPECT_EQ(std::count_if(rest.begin(), rest.end(),
                                [&](const std::string& line) { return line.rfind(word, 0) == 0; }),
                  kind == ProblemKind::DanglingEntry ? 1 : 0)
            << "the one repaired is gone";

        ASSERT_EQ(RestoreTrees(store, before), kOk);
        EXPECT_EQ(Whole(), start) << "undone byte for byte";
    }
}

TEST_F(HealthCheckTest, NothingStillInUseIsTakenForALeftoverOrRemoved) {
    const auto kinds = [this] {
        std::string text;
        for (const std::string& line : Lines(Check()))
            text += line.substr(0, line.find(' ')) + " ";
        return text;
    };
    const std::vector<Problem> found = Check(); // B without class key, D without entry
    WriteClass(kIdB, {Sz(L"", L"Beta")});
    WriteEntry(2, TreeKey{kIdD, {Marker(L"Delta")}});
    if (memory) // an entry that refuses write access is listed and in use all the same
        memory->DenyWriteAccess(Place(2).hive, PlacePath(2, kIdD));
    EXPECT_EQ(kinds(), "dangling twins user-only copy32 icon ") << "C alone without class key, D not unused";
    const std::string now = Whole();
    for (const Problem& problem : found)
        if (problem.clsid == kIdB || problem.clsid == kIdD)
            Repair(store, problem, false, failures);
    EXPECT_EQ(Whole(), now) << "the repairs looked again and found nothing to do";
    EXPECT_TRUE(failures.empty());
}

TEST_F(HealthCheckTest, ProgramPathsAreTakenAsTheSystemStartsThem) {
    const std::pair<const wchar_t*, const char*> cases[] = {
        {L"\"C:\\Program Files\\A\\a.exe\" -x", "1 C:\\Program Files\\A\\a.exe"},
        {L"C:\\Program Files\\A\\B.EXE /s", "1 C:\\Program Files\\A\\B.EXE"},
        {L"  notepad /p", "2 notepad"},
        {L"%ROOT%\\tool.cmd arg", "1 C:\\Root\\tool.cmd"},
        {L"tools\\run.exe", "none"},
        {L"   ", "none"},
    };
    for (const auto& [command, expected] : cases) {
        ShellObjectInfo info;
        info.target = command;
        info.targetKind = ShellObjectInfo::TargetKind::Program;
        const std::optional<TargetPath> target = TargetPathOf(info, platform);
        EXPECT_EQ(target ? std::to_string(static_cast<int>(target->kind)) + " " + Narrow(target->path)
                         : "none",
                  expected)
            << Narrow(command);
    }
}

TEST(TargetCheckerTest, APathPastTheLimitIsNotCheckedAndTheOthersGoOn) {
    // The share answers only when the test lets it; the worker keeps the latch alive.
    struct Latch {
        std::mutex mutex;
        std::condition_variable changed;
        bool entered = false, released = false;
    };
    auto latch = std::make_shared<Latch>();
    auto probe = [latch](const TargetPath& target) {
        if (target.path == L"\\\\silent\\share") {
            std::unique_lock<std::mutex> lock(latch->mutex);
            latch->entered = true;
            latch->changed.notify_all();
            latch->changed.wait(lock, [&] { return latch->released; });
        }
        return target.path != L"C:\\gone";
    };
    std::atomic<int> ticks{0}; // the clock moves only when the test moves it
    auto now = [&] { return TargetChecker::Clock::time_point(std::chrono::seconds(ticks.load())); };
    std::vector<TargetPath> paths = {{L"\\\\silent\\share"}, {L"C:\\here"}, {L"C:\\gone"}, {L"C:\\also"}};
    TargetChecker checker(paths, probe, std::chrono::seconds(5), 1, now);
    {
        std::unique_lock<std::mutex> lock(latch->mutex);
        latch->changed.wait(lock, [&] { return latch->entered; });
    }
    EXPECT_FALSE(checker.Poll()) << "one worker, stuck on the first path";
    ticks = 6;
    checker.Wait();
    EXPECT_EQ(checker.States(), (std::vector<TargetState>{TargetState::NotChecked, TargetState::Present,
                                                          TargetState::Missing, TargetState::Present}));
    std::lock_guard<std::mutex> lock(latch->mutex);
    latch->released = true;
    latch->changed.notify_all();
}

} // namespace
} // namespace vs::test
