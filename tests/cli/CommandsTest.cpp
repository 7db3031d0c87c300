// The commands against the in-memory registry, where a standard user's refused writes and
// failing writes can be staged (the Wine prefix runs elevated and refuses nothing): each
// failure is told on one line, with the elevation hint where the registry refused, the
// status is 1 and nothing is left half-written. Every command working end to end is the
// Wine test's part (tests/wine/cli_test.cpp).

#include "cli/Commands.h"
#include "res/resource.h"
#include "store/ClassRoots.h"
#include "store/DesktopIcon.h"
#include "store/MemoryRegistry.h"
#include "store/NamespaceLocation.h"
#include "store/BackupFolder.h"
#include "tests/support/RegFileSupport.h"
#include "tests/support/RegistryTree.h"
#include "tests/support/TestPlatform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace vs::cli {
namespace {

using namespace vs::test;
using Op = MemoryRegistry::Op;

const std::wstring kIdA = L"{7a1e0001-5e7d-4c1a-9a50-00000000000a}";
const std::wstring kIdB = L"{7a1e0002-5e7d-4c1a-9a50-00000000000b}";
const std::wstring kIdC = L"{7a1e0003-5e7d-4c1a-9a50-00000000000c}";

// Each text names its id and its placeholders, so a line shows which message it is.
std::wstring Pattern(unsigned id) {
    return L"#" + std::to_wstring(id) + L"(%1|%2|%3|%4)";
}
std::wstring Line(unsigned id, std::vector<std::wstring> args) {
    return FormatText(Pattern(id), args) + L"\r\n";
}
// A place's label, as the host's string table gives it.
std::wstring Label(int place) {
    return Pattern(IDS_PLACE_FIRST + static_cast<unsigned>(place));
}
std::wstring EntryPath(int place, const std::wstring& keyName) {
    return std::wstring(PlaceByIndex(place)->nameSpacePath) + L"\\" + keyName;
}

// A registry with the classes and places of any Windows system, and a host that keeps
// what the program writes.
struct Staged final : CliHost {
    Staged() {
        (void)WriteTree(registry, ClassesRoot(), TreeKey{L"CLSID"});
        for (const NamespaceLocation& place : NamespaceLocations())
            (void)WriteTree(registry, place.hive, TreeKey{place.nameSpacePath});
        platform.uuids = {kIdA.substr(1, 36)};
    }
    void Out(std::wstring_view text) override { out += text; }
    void Err(std::wstring_view text) override { err += text; }
    std::wstring Text(unsigned id) override { return Pattern(id); }
    bool Elevated() override { return elevated; }
    std::wstring DefaultIconLocation() override { return L"C:\\windows\\System32\\SHELL32.DLL,4"; }
    int CompareNames(const std::wstring& a, const std::wstring& b) override { return vs::CompareNames(a, b); }
    std::wstring VersionTitle() override { return L""; }
    bool TargetExists(const TargetPath& target) override { return target.path == L"C:\\here"; }

    int Run(const std::vector<std::wstring>& args) { return RunCli(args, registry, platform, *this); }
    void WriteObject(const std::wstring& id, int place) {
        (void)WriteTree(registry, ClassesRoot(),
                        TreeKey{L"CLSID\\" + id,
                                {Sz(L"", L"Test"), Sz(L"SearchHelper", L"Varnoset: Test")},
                                {{L"DefaultIcon", {Sz(L"", L"x.dll,1")}}}});
        WriteEntry(place, id);
    }
    void WriteEntry(int place, const std::wstring& keyName) {
        (void)WriteTree(registry, PlaceByIndex(place)->hive,
                        TreeKey{EntryPath(place, keyName), {Sz(L"SearchHelper", L"Varnoset: Test")}});
    }
    std::string Dump(KeyHandle root, const std::wstring& path) { return DumpTree(registry, root, path); }
    std::string Everything() {
        std::string dump = Dump(ClassesRoot(), L"CLSID") + Dump(ClassesRoot(), L"Wow6432Node\\CLSID");
        for (KeyHandle hive : {CurrentUser(), LocalMachine()})
            dump += Dump(hive, kHideDesktopIconsPath);
        for (const NamespaceLocation& place : NamespaceLocations())
            dump += Dump(place.hive, place.nameSpacePath);
        return dump;
    }

    MemoryRegistry registry;
    TestPlatform platform;
    std::wstring out;
    std::wstring err;
    bool elevated = false;
};

TEST(Commands, FailedWritesAreToldOnceEachAndChangeNothing) {
    // A and B as objects; B's class key refused to this user (it is read all the same, so
    // its name is told). Faults in the entry commands' writes stand in for refusals, and
    // then no elevation is asked for.
    auto objects = [](Staged& s) {
        s.WriteObject(kIdA, 4);
        s.WriteEntry(6, kIdA);
        s.WriteObject(kIdB, 0);
        s.registry.DenyWriteAccess(ClassesRoot(), L"CLSID\\" + kIdB);
    };
    struct Case {
        std::function<void(Staged&)> stage;
        bool elevated;
        std::vector<std::wstring> args;
        std::wstring err;
    };
    const Case cases[] = {
        {[](Staged& s) { s.registry.DenyWriteAccess(ClassesRoot(), L"CLSID"); },
         false,
         {L"create", L"--name", L"Test", L"--folder", L"C:\\", L"--places", L"desktop,network",
          L"--all-users"},
         Line(IDS_CLI_COULD_NOT_CREATE, {L"Test", Pattern(IDS_CLI_REASON_ELEVATION)})},
        {[](Staged& s) { s.registry.DenyWriteAccess(CurrentUser(), PlaceByIndex(0)->nameSpacePath); },
         true,
         {L"create", L"--name", L"Test", L"--folder", L"C:\\", L"--places", L"desktop"},
         Line(IDS_CLI_COULD_NOT_CREATE_IN, {L"Test", Label(0), Pattern(IDS_CLI_REASON_DENIED)})},
        {[&objects](Staged& s) {
             objects(s);
             s.registry.FailFromCall(Op::Create, 1);
         },
         false,
         {L"hide", kIdA + L"@desktop-all"},
         Line(IDS_CLI_COULD_NOT_HIDE, {L"Test", Label(4), Pattern(IDS_CLI_REASON_NONE)})},
        {[&objects](Staged& s) {
             objects(s);
             s.registry.FailNthCall(Op::DeleteKey, 1);
         },
         false,
         {L"move", kIdA + L"@desktop-all", L"--to", L"network-all"},
         Line(IDS_CLI_COULD_NOT_MOVE, {L"Test", Label(4), Label(7), Pattern(IDS_CLI_REASON_NONE)})},
        {objects,
         false,
         {L"rename", kIdB, L"--name", L"New"},
         Line(IDS_CLI_COULD_NOT_RENAME, {L"Test", Pattern(IDS_CLI_REASON_ELEVATION)})},
        {objects,
         false,
         {L"position", kIdB + L"@desktop-user", L"--value", L"3"},
         Line(IDS_CLI_COULD_NOT_SET_POSITION, {L"Test", Pattern(IDS_CLI_REASON_ELEVATION)})},
        {objects,
         false,
         {L"pin", kIdB},
         Line(IDS_CLI_COULD_NOT_PIN, {L"Test", Pattern(IDS_CLI_REASON_ELEVATION)})},
        {[&objects](Staged& s) {
             objects(s);
             s.registry.DenyWriteAccess(LocalMachine(), kHideDesktopIconsPath);
         },
         false,
         {L"desktop-icon", kIdA, L"--hide"},
         Line(IDS_CLI_COULD_NOT_HIDE_ICON, {L"Test", Label(4), Pattern(IDS_CLI_REASON_ELEVATION)})},
        {objects, false, {L"hide", kIdC}, Line(IDS_CLI_NO_SUCH_OBJECT, {kIdC})},
        {objects,
         false,
         {L"unhide", kIdA + L"@mycomputer-user"},
         Line(IDS_CLI_NO_SUCH_OBJECT, {kIdA + L"@mycomputer-user"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.args[0] + L" " + c.args[1] + L" ... " + c.args.back()));
        Staged s;
        s.elevated = c.elevated;
        c.stage(s);
        const std::string before = s.Everything();
        EXPECT_EQ(s.Run(c.args), kExitFailed);
        s.registry.ClearFaults();
        EXPECT_EQ(s.err, c.err);
        EXPECT_EQ(s.out, L"") << "no identifier of an object that is not there";
        EXPECT_EQ(s.Everything(), before);
    }
}

TEST(Commands, CreateRefusedInOnePlaceIsToldAndTheObjectStaysInTheOthers) {
    Staged s;
    s.registry.DenyWriteAccess(CurrentUser(), PlaceByIndex(0)->nameSpacePath);
    EXPECT_EQ(
        s.Run({L"create", L"--name", L"Test", L"--folder", L"C:\\", L"--places", L"desktop,mycomputer"}),
        kExitFailed);
    EXPECT_EQ(s.err,
              Line(IDS_CLI_COULD_NOT_CREATE_IN, {L"Test", Label(0), Pattern(IDS_CLI_REASON_ELEVATION)}));
    EXPECT_EQ(s.out, kIdA + L"\r\n");
    EXPECT_EQ(s.Dump(CurrentUser(), EntryPath(2, kIdA)),
              Describe(TreeKey{L"", {Sz(L"SearchHelper", L"Varnoset: Test")}}));
    EXPECT_NE(s.Dump(CurrentUser(), ClassKeyPath(kIdA)), kMissingTree) << "in this user's classes";
}

TEST(Commands, DeleteTellsAClassKeyThatCouldNotGoWithItsLastEntry) {
    Staged s;
    s.WriteObject(kIdA, 0);
    s.WriteEntry(2, L"hidden" + kIdA);
    s.registry.DenyWriteAccess(ClassesRoot(), L"CLSID\\" + kIdA);
    const std::string classKey = s.Dump(ClassesRoot(), L"CLSID\\" + kIdA);
    EXPECT_EQ(s.Run({L"delete", kIdA}), kExitFailed);
    EXPECT_EQ(s.err, Line(IDS_CLI_COULD_NOT_DELETE_CLASS, {L"Test", Pattern(IDS_CLI_REASON_ELEVATION)}));
    EXPECT_EQ(s.Dump(CurrentUser(), EntryPath(0, kIdA)), kMissingTree);
    EXPECT_EQ(s.Dump(CurrentUser(), EntryPath(2, L"hidden" + kIdA)), kMissingTree);
    EXPECT_EQ(s.Dump(ClassesRoot(), L"CLSID\\" + kIdA), classKey);
}

TEST(Commands, CheckRepairsWhatItCanAndTellsWhatTheRegistryRefused) {
    Staged s;
    s.WriteObject(kIdA, 4); // its icon gives nothing: found, not repaired
    s.WriteEntry(0, kIdB);  // no class key: repaired
    (void)WriteTree(s.registry, ClassesRoot(),
                    TreeKey{L"CLSID\\" + kIdC, {Sz(L"SearchHelper", L"Varnoset: Gone")}});
    s.registry.DenyWriteAccess(ClassesRoot(), L"CLSID\\" + kIdC); // no entry, and may not go
    const std::string before = s.Everything();
    EXPECT_EQ(s.Run({L"check", L"--repair", L"--format", L"csv"}), kExitFailed);
    const std::wstring user = L"HKEY_CURRENT_USER\\" + EntryPath(0, kIdB);
    const std::wstring machine = L"HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\";
    EXPECT_EQ(s.out, L"Kind,Name,Location,Place,Key,Detail,Class,Repaired\r\n"
                     L"dangling-entry," +
                         kIdB + L"," + Label(0) + L",desktop-user," + user + L",," + kIdB +
                         L",true\r\n"
                         L"missing-icon,Test," +
                         Pattern(IDS_PROBLEM_CLASSES_ALL) + L",classes-all," + machine + kIdA +
                         L"\\DefaultIcon,\"x.dll,1\"," + kIdA +
                         L",false\r\n"
                         L"orphaned-class,Gone," +
                         Pattern(IDS_PROBLEM_CLASSES_ALL) + L",classes-all," + machine + kIdC + L",," + kIdC +
                         L",false\r\n");
    EXPECT_EQ(s.err, Line(IDS_CLI_COULD_NOT_REPAIR,
                          {L"Gone", Pattern(IDS_PROBLEM_ORPHANED), Pattern(IDS_PROBLEM_CLASSES_ALL),
                           Pattern(IDS_CLI_REASON_ELEVATION)}));
    s.WriteEntry(0, kIdB);
    EXPECT_EQ(s.Everything(), before) << "only the dangling entry went";
}

// pin and desktop-icon write the class key with its 32-bit copy and the scope's value,
// and list shows both.
TEST(Commands, PinAndDesktopIconChangeWhatListShows) {
    Staged s;
    s.WriteObject(kIdA, 0);
    const struct {
        std::vector<std::wstring> args;
        const wchar_t* fields; // the end of the object's csv line
    } steps[] = {
        {{L"pin", kIdA}, L",true,true\r\n"},
        {{L"desktop-icon", kIdA + L"@desktop-user", L"--hide"}, L",true,false\r\n"},
        {{L"unpin", kIdA}, L",false,false\r\n"},
        {{L"desktop-icon", kIdA, L"--show"}, L",false,true\r\n"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(Narrow(step.args[0]));
        EXPECT_EQ(s.Run(step.args), kExitDone) << Narrow(s.err);
        EXPECT_EQ(s.Dump(LocalMachine(), Class32KeyPath(kIdA)), s.Dump(ClassesRoot(), L"CLSID\\" + kIdA));
        s.out.clear();
        EXPECT_EQ(s.Run({L"list", L"--format", L"csv"}), kExitDone);
        EXPECT_NE(s.out.find(step.fields), std::wstring::npos) << Narrow(s.out);
    }
}

// Export writes each OBJECT's class key where it stands and its entry keys, each once; the
// file brings them back whole. A bad file is told by its line, each key outside a shell
// object by its own, and writes nothing.
TEST(Commands, ExportedObjectsImportBackAndABadFileWritesNothing) {
    Staged s;
    const std::wstring classPath = L"Software\\Classes\\CLSID\\" + kIdA;
    (void)WriteTree(s.registry, LocalMachine(), TreeKey{classPath, {Sz(L"", L"Test")}, {{L"DefaultIcon"}}});
    s.WriteObject(kIdA, 0);
    s.WriteEntry(6, kIdA);
    auto whole = [&s] { return s.Dump(LocalMachine(), L"Software\\Classes\\CLSID") + s.Everything(); };
    const std::wstring file = (std::filesystem::temp_directory_path() / L"varnoset-cli-test.reg").wstring();
    std::filesystem::remove(file);

    EXPECT_EQ(s.Run({L"export", kIdA + L"@desktop-user", kIdC, L"--out", file}), kExitFailed);
    EXPECT_EQ(s.err, Line(IDS_CLI_NO_SUCH_OBJECT, {kIdC}));
    EXPECT_FALSE(std::filesystem::exists(file));
    s.err.clear();
    EXPECT_EQ(s.Run({L"export", kIdA + L"@desktop-user", kIdA, L"--out", file}), kExitDone);
    const std::string before = whole();
    auto remove = [&] {
        RemoveTree(s.registry, LocalMachine(), classPath);
        RemoveTree(s.registry, CurrentUser(), EntryPath(0, kIdA));
        RemoveTree(s.registry, LocalMachine(), EntryPath(6, kIdA));
        return whole();
    };
    // A refused write takes back what was written and says an elevated prompt may help.
    const std::string removed = remove();
    s.registry.FailNthCall(Op::SetValue, 2);
    EXPECT_EQ(s.Run({L"import", file}), kExitFailed);
    EXPECT_EQ(s.err, Line(IDS_CLI_IMPORT_FAILED,
                          {file, FullKeyName(LocalMachine(), classPath) + L" \"SearchHelper\"",
                           Pattern(IDS_CLI_IMPORT_ELEVATION)}));
    EXPECT_EQ(whole(), removed);
    s.err.clear();
    EXPECT_EQ(s.Run({L"import", file}), kExitDone);
    EXPECT_EQ(s.err, L"");
    EXPECT_EQ(whole(), before);
    EXPECT_EQ(s.platform.notified,
              (std::vector<int>{PlaceByIndex(0)->folderCsidl, PlaceByIndex(6)->folderCsidl}));

    const std::u16string changed = u"\r\n[HKEY_LOCAL_MACHINE\\" + U16(classPath) + u"]\r\n@=\"Changed\"\r\n";
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::wstring err;
    };
    const Case cases[] = {
        {V5(changed + u"\"x\"=hex:1\r\n"),
         Line(IDS_CLI_IMPORT_BAD_LINE, {file, L"5", Pattern(IDS_REGFILE_ODD_HEX_DIGITS)})},
        {V5(changed + u"[HKEY_CURRENT_USER\\Software\\Other]\r\n[-HKEY_LOCAL_MACHINE\\Software]\r\n"),
         Line(IDS_CLI_IMPORT_REFUSED, {file, L"5", L"[HKEY_CURRENT_USER\\Software\\Other]"}) +
             Line(IDS_CLI_IMPORT_REFUSED, {file, L"6", L"[-HKEY_LOCAL_MACHINE\\Software]"})},
        {{}, Line(IDS_CLI_IMPORT_BAD_FILE, {file, Pattern(IDS_REGFILE_EMPTY)})},
    };
    for (const Case& c : cases) {
        s.err.clear();
        ASSERT_TRUE(WriteFileBytes(file, c.bytes));
        EXPECT_EQ(s.Run({L"import", file}), kExitFailed);
        EXPECT_EQ(s.err, c.err);
        EXPECT_EQ(whole(), before);
    }
    std::filesystem::remove(file);
}

} // namespace
} // namespace vs::cli
