// The commands against the in-memory registry, where a standard user's refused writes
// can be staged (the Wine prefix runs elevated and refuses nothing): each refusal is told
// on one line with the elevation hint, the status is 1 and nothing is left half-written.
// Every command working end to end is the Wine test's part (tests/wine/cli_test.cpp).

#include "cli/Commands.h"
#include "res/resource.h"
#include "store/MemoryRegistry.h"
#include "tests/support/ShellObjectFixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace vs::cli {
namespace {

using namespace vs::test;

class RecordingHost final : public CliHost {
public:
    void Out(std::wstring_view text) override { out += text; }
    void Err(std::wstring_view text) override { err += text; }
    // Each text names its id and its placeholders, so a line shows which message it is.
    std::wstring Text(unsigned id) override { return L"#" + std::to_wstring(id) + L"(%1|%2|%3|%4)"; }
    bool Elevated() override { return elevated; }
    std::wstring DefaultIconLocation() override { return L"C:\\windows\\System32\\SHELL32.DLL,4"; }
    int CompareNames(const std::wstring& a, const std::wstring& b) override { return vs::CompareNames(a, b); }
    std::wstring VersionTitle() override { return L"Varnoset Version 1"; }

    std::wstring out;
    std::wstring err;
    bool elevated = false;
};

class CommandsTest : public ShellObjectFixture {
protected:
    CommandsTest() {
        // The classes and the places stand, as on any Windows system.
        if (memory) {
            (void)WriteTree(store, ClassesRoot(), TreeKey{L"CLSID"});
            for (const NamespaceLocation& place : NamespaceLocations())
                (void)WriteTree(store, place.hive, TreeKey{place.nameSpacePath});
        }
        platform.uuids = {kIdA.substr(1, 36)};
    }

    int Run(std::vector<std::wstring> args) { return RunCli(args, store, platform, host); }
    // The line of a message with its texts, and the text of a reason.
    std::wstring Line(unsigned id, std::vector<std::wstring> args) {
        return FormatText(host.Text(id), args) + L"\r\n";
    }
    std::wstring Reason(unsigned id) { return host.Text(id); }
    std::string Everything() {
        std::string dump = DumpTree(store, ClassesRoot(), L"CLSID");
        for (const NamespaceLocation& place : NamespaceLocations())
            dump += PlaceDump(place.index);
        return dump;
    }
    void WriteObject(const std::wstring& id, int place) {
        WriteClass(id, {Sz(L"", L"Test"), Marker()}, {{L"DefaultIcon", {Sz(L"", L"x.dll,1")}}});
        WriteEntry(place, TreeKey{id, {Marker()}});
    }

    RecordingHost host;
};

std::string Flags(const ShellObjectSpec& spec) {
    const std::pair<const char*, bool> flags[] = {{"rename", spec.allowRename},
                                                  {"property-sheet", spec.enablePropertySheet},
                                                  {"delete", spec.allowDelete},
                                                  {"copy", spec.allowCopy},
                                                  {"link", spec.allowLink},
                                                  {"move", spec.allowMove},
                                                  {"removable", spec.removableMedia},
                                                  {"drop", spec.allowDragDrop},
                                                  {"hide-if-deleted", spec.hideIfDeleted}};
    std::string text;
    for (const auto& [name, set] : flags)
        if (set)
            text += std::string(text.empty() ? "" : ",") + name;
    return text;
}

TEST(BuildCreateSpec, KeepsTheWizardsStartWithoutFlagsAndSetsExactlyTheNamedOnes) {
    CreateOptions options;
    options.name = L"N";
    options.program = L"notepad.exe";
    options.inControlPanel = true;
    ShellObjectSpec spec = BuildCreateSpec(options, L"shell32.dll,4");
    EXPECT_EQ(Flags(spec), "drop");
    EXPECT_FALSE(spec.isFolder);
    EXPECT_FALSE(spec.allUsers) << "--all-users, not the wizard's start, picks the scope";
    EXPECT_EQ(spec.iconLocation, L"shell32.dll,4");
    EXPECT_EQ(spec.controlPanelCategory, kNoCategory);
    EXPECT_TRUE(spec.inControlPanel && !spec.onDesktop && !spec.inMyComputer && !spec.inNetworkNeighborhood);

    options.flags = kFlagRename | kFlagHideIfDeleted | kFlagMove;
    options.icon = L"x.ico";
    options.category = 0;
    options.comment = L"tip";
    spec = BuildCreateSpec(options, L"shell32.dll,4");
    EXPECT_EQ(Flags(spec), "rename,move,hide-if-deleted");
    EXPECT_EQ(spec.iconLocation, L"x.ico");
    EXPECT_EQ(spec.controlPanelCategory, 0u);
    EXPECT_EQ(spec.infoTip, L"tip");
    options.flags = 0;
    EXPECT_EQ(Flags(BuildCreateSpec(options, L"")), "");
}

TEST_F(CommandsTest, RefusedClassKeyLeavesNothingOfTheNewObjectAndAsksForElevation) {
    if (!memory)
        GTEST_SKIP() << "needs the in-memory registry";
    memory->DenyWriteAccess(ClassesRoot(), L"CLSID");
    const std::string before = Everything();
    EXPECT_EQ(Run({L"create", L"--name", L"Test", L"--folder", L"C:\\", L"--places", L"desktop,network",
                   L"--all-users"}),
              kExitFailed);
    EXPECT_EQ(host.err, Line(IDS_CLI_COULD_NOT_CREATE, {L"Test", Reason(IDS_CLI_REASON_ELEVATION)}));
    EXPECT_EQ(host.out, L"") << "no identifier of an object that is not there";
    EXPECT_EQ(Everything(), before);
}

TEST_F(CommandsTest, RefusedPlaceIsToldAndTheObjectStaysInTheOthers) {
    if (!memory)
        GTEST_SKIP() << "needs the in-memory registry";
    memory->DenyWriteAccess(CurrentUser(), PlacePath(0));
    EXPECT_EQ(Run({L"create", L"--name", L"Test", L"--folder", L"C:\\", L"--places", L"desktop,mycomputer"}),
              kExitFailed);
    EXPECT_EQ(host.err,
              Line(IDS_CLI_COULD_NOT_CREATE_IN, {L"Test", Place(0).label, Reason(IDS_CLI_REASON_ELEVATION)}));
    EXPECT_EQ(host.out, kIdA + L"\r\n");
    EXPECT_EQ(EntryDump(2, kIdA), Describe(TreeKey{L"", {Marker()}}));
    EXPECT_NE(ClassDump(kIdA), kMissingTree);
}

TEST_F(CommandsTest, ObjectThatGotNoPlaceAtAllIsTakenAwayAgain) {
    if (!memory)
        GTEST_SKIP() << "needs the in-memory registry";
    memory->DenyWriteAccess(CurrentUser(), PlacePath(0));
    const std::string before = Everything();
    host.elevated = true;
    EXPECT_EQ(Run({L"create", L"--name", L"Test", L"--folder", L"C:\\", L"--places", L"desktop"}),
              kExitFailed);
    EXPECT_EQ(host.err,
              Line(IDS_CLI_COULD_NOT_CREATE_IN, {L"Test", Place(0).label, Reason(IDS_CLI_REASON_DENIED)}));
    EXPECT_EQ(host.out, L"");
    EXPECT_EQ(Everything(), before);
}

// The scan opens every key it lists for writing, so a key refused so is not listed at all
// and cannot be staged here for the entry commands: faults injected into their writes stand
// in for it, and the registry itself then refuses nothing, so no elevation is asked for.
TEST_F(CommandsTest, FailedEntryAndClassChangesAreToldOncePerEntryOrClassAndChangeNothing) {
    if (!memory)
        GTEST_SKIP() << "needs the in-memory registry";
    WriteObject(kIdA, 4);
    WriteEntry(6, TreeKey{kIdA, {Marker()}});
    WriteObject(kIdB, 0);
    memory->DenyWriteAccess(ClassesRoot(), L"CLSID\\" + kIdB);
    const std::string before = Everything();
    struct Case {
        std::vector<std::wstring> args;
        std::function<void()> fault;
        std::wstring err;
    };
    const Case cases[] = {
        {{L"hide", kIdA + L"@desktop-all"},
         [this] { memory->FailFromCall(MemoryRegistry::Op::Create, 1); },
         Line(IDS_CLI_COULD_NOT_HIDE, {L"Test", Place(4).label, Reason(IDS_CLI_REASON_NONE)})},
        {{L"move", kIdA + L"@desktop-all", L"--to", L"network-all"},
         [this] { memory->FailNthCall(MemoryRegistry::Op::DeleteKey, 1); },
         Line(IDS_CLI_COULD_NOT_MOVE,
              {L"Test", Place(4).label, Place(7).label, Reason(IDS_CLI_REASON_NONE)})},
        {{L"rename", kIdB, L"--name", L"New"},
         [] {},
         Line(IDS_CLI_COULD_NOT_RENAME, {kIdB, Reason(IDS_CLI_REASON_ELEVATION)})},
        {{L"position", kIdB + L"@desktop-user", L"--value", L"3"},
         [] {},
         Line(IDS_CLI_COULD_NOT_SET_POSITION, {kIdB, Reason(IDS_CLI_REASON_ELEVATION)})},
        {{L"hide", kIdC}, [] {}, Line(IDS_CLI_NO_SUCH_OBJECT, {kIdC})},
        {{L"unhide", kIdA + L"@mycomputer-user"},
         [] {},
         Line(IDS_CLI_NO_SUCH_OBJECT, {kIdA + L"@mycomputer-user"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.args[0] + L" " + c.args[1]));
        host.err.clear();
        c.fault();
        EXPECT_EQ(Run(c.args), kExitFailed);
        memory->ClearFaults();
        EXPECT_EQ(host.err, c.err);
        EXPECT_EQ(Everything(), before);
    }
}

TEST_F(CommandsTest, DeleteTellsAClassKeyThatCouldNotGoWithItsLastEntry) {
    if (!memory)
        GTEST_SKIP() << "needs the in-memory registry";
    WriteObject(kIdA, 0);
    WriteEntry(2, TreeKey{L"hidden" + kIdA, {Marker()}});
    memory->DenyWriteAccess(ClassesRoot(), L"CLSID\\" + kIdA);
    const std::string classKey = ClassDump(kIdA);
    EXPECT_EQ(Run({L"delete", kIdA}), kExitFailed);
    EXPECT_EQ(host.err, Line(IDS_CLI_COULD_NOT_DELETE_CLASS, {kIdA, Reason(IDS_CLI_REASON_ELEVATION)}));
    EXPECT_EQ(EntryDump(0, kIdA), kMissingTree);
    EXPECT_EQ(EntryDump(2, L"hidden" + kIdA), kMissingTree);
    EXPECT_EQ(ClassDump(kIdA), classKey);
}

} // namespace
} // namespace vs::cli
