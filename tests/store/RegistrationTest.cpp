// Creation of a shell object: the exact registry layout Explorer reads (every key, value
// name, type and byte size), the order of writes, flushes and notifications, and what is
// still written when parts of the registry refuse.

#include "store/ClassRoots.h"
#include "store/DesktopIcon.h"
#include "store/NamespaceLocation.h"
#include "store/Registration.h"
#include "tests/support/RecordingRegistry.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/StandardUserRegistry.h"
#include "tests/support/TestPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace vs::test {
namespace {

constexpr wchar_t kCategory[] = L"{305ca226-d286-468e-b848-2b2e8e697b74} 2";
constexpr wchar_t kDesktopNameSpace[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace";
constexpr wchar_t kMyComputerNameSpace[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MyComputer\\NameSpace";

// Notifications go into the same log as the registry calls, so their order relative to
// the writes can be checked.
class LoggingPlatform : public TestPlatform {
public:
    explicit LoggingPlatform(std::vector<std::string>& log) : log_(log) {}
    void NotifyUpdateDir(IdList list) override {
        TestPlatform::NotifyUpdateDir(list);
        log_.push_back("Notify " + std::to_string(notified.back()));
    }

private:
    std::vector<std::string>& log_;
};

ShellObjectSpec FolderSpec() {
    ShellObjectSpec spec;
    spec.name = L"Projects";
    spec.infoTip = L"Work in progress";
    spec.isFolder = true;
    spec.folderTarget = L"%USERPROFILE%\\Projects";
    spec.iconLocation = L"%SystemRoot%\\system32\\shell32.dll,4";
    spec.controlPanelCategory = 5;
    spec.onDesktop = true;
    return spec;
}

ShellObjectSpec ProgramSpec() {
    ShellObjectSpec spec;
    spec.name = L"Editor";
    spec.isFolder = false;
    spec.programCommand = L"%SystemRoot%\\notepad.exe";
    spec.iconLocation = L"notepad.exe,0";
    spec.inMyComputer = true;
    return spec;
}

ShellObjectSpec EveryOption(ShellObjectSpec spec) {
    spec.allowRename = spec.allowDelete = spec.allowCopy = spec.allowLink = spec.allowMove = true;
    spec.removableMedia = spec.allowDragDrop = spec.hideIfDeleted = spec.enablePropertySheet = true;
    return spec;
}

class RegistrationTest : public RegistryFixture {
protected:
    void TearDown() override {
        EXPECT_EQ(TakeFailures(), std::vector<std::string>{}) << "failures left unchecked";
        EXPECT_EQ(OpenHandles(), 0u) << "a key handle was left open";
        EXPECT_EQ(platform.liveIdLists, 0);
    }

    // Hands the next class identifier to the platform and has every key that may be
    // written under it removed after the test.
    std::wstring NextClassId() {
        wchar_t uuid[40];
        std::swprintf(uuid, 40, L"5e1f0c3a-77d2-4b1e-9a0f-%012x", ++classIds_);
        platform.uuids.push_back(uuid);
        const std::wstring clsid = L"{" + std::wstring(uuid) + L"}";
        Track(clsid);
        return clsid;
    }

    void Track(const std::wstring& clsid) {
        cleanup.Add(CurrentUser(), ClassKeyPath(clsid));
        cleanup.Add(LocalMachine(), ClassKeyPath(clsid));
        for (KeyHandle hive : {CurrentUser(), LocalMachine()})
            cleanup.Add(hive, Class32KeyPath(clsid));
        for (const NamespaceLocation& place : NamespaceLocations())
            cleanup.Add(place.hive, std::wstring(place.nameSpacePath) + L"\\" + clsid);
    }

    // The class key in the classes of one user, or with allUsers of the machine.
    std::string ClassKey(const std::wstring& clsid, bool allUsers = false, std::wstring_view below = {}) {
        return DumpTree(store, ClassesHive(allUsers), ClassKeyPath(clsid) + std::wstring(below));
    }
    // Every key a creation may write: both classes and the eight places.
    std::string Written() {
        std::string dump;
        for (KeyHandle hive : {CurrentUser(), LocalMachine()})
            dump += DumpTree(store, hive, kClassesPath);
        for (const NamespaceLocation& place : NamespaceLocations())
            dump += DumpTree(store, place.hive, place.nameSpacePath);
        return dump;
    }
    // The failures reported so far, one "place status" line each, and forgets them.
    std::vector<std::string> TakeFailures() {
        std::vector<std::string> lines;
        for (const Failure& failure : failures) {
            EXPECT_EQ(failure.action, Action::Create);
            lines.push_back(Narrow(failure.object) + " " + std::to_string(failure.place) + " " +
                            std::to_string(failure.status));
        }
        failures.clear();
        return lines;
    }
    std::string Entry(int placeIndex, const std::wstring& clsid) {
        const NamespaceLocation& place = *PlaceByIndex(placeIndex);
        return DumpTree(store, place.hive, std::wstring(place.nameSpacePath) + L"\\" + clsid);
    }
    // The places holding an entry of clsid.
    std::vector<int> EntryPlaces(const std::wstring& clsid) {
        std::vector<int> found;
        for (const NamespaceLocation& place : NamespaceLocations())
            if (Entry(place.index, clsid) != kMissingTree)
                found.push_back(place.index);
        return found;
    }

    std::vector<std::string> calls;
    LoggingPlatform platform{calls};
    Failures failures;

private:
    unsigned classIds_ = 0;
};

TreeKey MarkerEntry(const std::wstring& name) {
    return TreeKey{L"", {Sz(L"SearchHelper", L"Varnoset: " + name)}};
}

TEST(ShellFolderAttributes, BitsFollowTheChosenOptions) {
    ShellObjectSpec folder = FolderSpec();
    EXPECT_EQ(ShellFolderAttributes(folder), 0xF8000000u);
    folder.allowRename = folder.allowDelete = folder.allowCopy = folder.allowDragDrop = true;
    EXPECT_EQ(ShellFolderAttributes(folder), 0xF8000131u);
    ShellObjectSpec program = ProgramSpec();
    program.allowRename = program.allowDelete = program.allowCopy = program.allowDragDrop = true;
    EXPECT_EQ(ShellFolderAttributes(program), 0x131u);
    EXPECT_EQ(ShellFolderAttributes(EveryOption(FolderSpec())), 0xFA000177u);
    EXPECT_EQ(ShellFolderAttributes(EveryOption(ProgramSpec())), 0x02000137u);
}

TEST(ShellFolderAttributes, EachOptionSetsOnlyItsOwnBit) {
    const struct {
        bool ShellObjectSpec::*option;
        std::uint32_t bit;
    } options[] = {{&ShellObjectSpec::allowCopy, 0x1},
                   {&ShellObjectSpec::allowMove, 0x2},
                   {&ShellObjectSpec::allowLink, 0x4},
                   {&ShellObjectSpec::allowRename, 0x10},
                   {&ShellObjectSpec::allowDelete, 0x20},
                   {&ShellObjectSpec::allowDragDrop, 0x100},
                   {&ShellObjectSpec::removableMedia, 0x02000000},
                   {&ShellObjectSpec::hideIfDeleted, 0}};
    for (const auto& option : options) {
        ShellObjectSpec spec = ProgramSpec();
        spec.*option.option = true;
        EXPECT_EQ(ShellFolderAttributes(spec), option.bit);
    }
}

TEST_F(RegistrationTest, FolderObjectWritesItsClassKeyAndOneEntry) {
    const std::wstring clsid = NextClassId();
    EXPECT_EQ(CreateShellObject(store, platform, FolderSpec(), failures), clsid);
    EXPECT_EQ(ClassKey(clsid),
              Describe(TreeKey{
                  L"",
                  {Sz(L"", L"Projects"), Sz(L"InfoTip", L"Work in progress"), Dword(kCategory, 5),
                   Sz(L"SearchHelper", L"Varnoset: Projects")},
                  {{L"DefaultIcon", {Sz(L"", L"%SystemRoot%\\system32\\shell32.dll,4")}},
                   {L"ShellFolder", {Dword(L"Attributes", 0xF8000000u), Sz(L"WantsFORPARSING", L"")}},
                   {L"Instance", {Sz(L"CLSID", L"{0afaced1-e828-11d1-9187-b532f1e9575d}")}},
                   {L"Instance\\InitPropertyBag",
                    {Dword(L"Attributes", 0x15), ExpandSz(L"Target", L"%USERPROFILE%\\Projects")}},
                   {L"InProcServer32", {Sz(L"", L"shdocvw.dll"), Sz(L"ThreadingModel", L"Apartment")}}}}));
    EXPECT_EQ(Entry(0, clsid), Describe(MarkerEntry(L"Projects")));
    EXPECT_EQ(EntryPlaces(clsid), std::vector<int>{0});
    EXPECT_EQ(platform.notified, std::vector<int>{0});
}

// The sizes spelled out: strings carry their NUL, the empty ones are 2 bytes.
TEST_F(RegistrationTest, ProgramObjectLayoutWithExactByteSizes) {
    ShellObjectSpec spec = ProgramSpec();
    spec.enablePropertySheet = true;
    spec.controlPanelCategory = kNoCategory;
    const std::wstring clsid = NextClassId();
    ASSERT_EQ(CreateShellObject(store, platform, spec, failures), clsid);
    EXPECT_EQ(ClassKey(clsid), "[]\n"
                               "  \"\" REG_SZ 14 \"Editor\"\n"
                               "  \"SearchHelper\" REG_SZ 34 \"Varnoset: Editor\"\n"
                               "  \"{305ca226-d286-468e-b848-2b2e8e697b74} 2\" REG_DWORD 4 0xffffffff\n"
                               "[DefaultIcon]\n"
                               "  \"\" REG_SZ 28 \"notepad.exe,0\"\n"
                               "[Shell]\n"
                               "[Shell\\Open]\n"
                               "[Shell\\Open\\Command]\n"
                               "  \"\" REG_EXPAND_SZ 50 \"%SystemRoot%\\u005cnotepad.exe\"\n"
                               "[ShellFolder]\n"
                               "  \"Attributes\" REG_DWORD 4 0x00000000\n"
                               "  \"WantsFORPARSING\" REG_SZ 2 \"\"\n");
    EXPECT_EQ(Entry(2, clsid), "[]\n  \"SearchHelper\" REG_SZ 34 \"Varnoset: Editor\"\n");
    EXPECT_EQ(platform.notified, std::vector<int>{17});
}

TEST_F(RegistrationTest, ProgramObjectIgnoresThePropertySheetOption) {
    const std::wstring clsid = NextClassId();
    ASSERT_EQ(CreateShellObject(store, platform, EveryOption(ProgramSpec()), failures), clsid);
    const std::string dump = ClassKey(clsid);
    EXPECT_EQ(dump.find("[ShellEx"), std::string::npos) << dump;
    EXPECT_EQ(dump.find("[Instance"), std::string::npos) << dump;
    EXPECT_EQ(dump.find("[InProcServer32"), std::string::npos) << dump;
    EXPECT_NE(dump.find("\"Attributes\" REG_DWORD 4 0x02000137\n"), std::string::npos) << dump;
}

TEST_F(RegistrationTest, FolderObjectWithEveryOptionGetsPropertyPagesAndHideOnDelete) {
    const std::wstring clsid = NextClassId();
    ASSERT_EQ(CreateShellObject(store, platform, EveryOption(FolderSpec()), failures), clsid);
    EXPECT_EQ(ClassKey(clsid, false, L"\\ShellFolder"),
              Describe(TreeKey{L"",
                               {Dword(L"Attributes", 0xFA000177u), Sz(L"WantsFORPARSING", L""),
                                Sz(L"HideAsDeletePerUser", L"")}}));
    EXPECT_EQ(
        ClassKey(clsid, false, L"\\ShellEx"),
        Describe(TreeKey{
            L"",
            {},
            {{L"PropertySheetHandlers\\tab 1 general", {Sz(L"", L"{21b22460-3aea-1069-a2dc-08002b30309d}")}},
             {L"PropertySheetHandlers\\tab 2 customize",
              {Sz(L"", L"{ef43ecfe-2ab9-4632-bf21-58909dd177f0}")}},
             {L"PropertySheetHandlers\\tab 3 sharing", {Sz(L"", L"{f81e9010-6ea4-11ce-a7ff-00aa003ca9f6}")}},
             {L"PropertySheetHandlers\\tab 4 security",
              {Sz(L"", L"{1f2e5c40-9550-11ce-99d2-00aa006e086c}")}}}}));
}

TEST_F(RegistrationTest, HideOnDeleteNeedsDeleteToBeAllowed) {
    ShellObjectSpec spec = FolderSpec();
    spec.hideIfDeleted = true;
    const std::wstring clsid = NextClassId();
    ASSERT_EQ(CreateShellObject(store, platform, spec, failures), clsid);
    EXPECT_EQ(ClassKey(clsid, false, L"\\ShellFolder"),
              Describe(TreeKey{L"", {Dword(L"Attributes", 0xF8000000u), Sz(L"WantsFORPARSING", L"")}}));
}

TEST_F(RegistrationTest, EmptyInfoTipWritesNoInfoTipButEmptyIconIsStillWritten) {
    ShellObjectSpec spec = FolderSpec();
    spec.infoTip.clear();
    spec.iconLocation.clear();
    spec.controlPanelCategory = kNoCategory;
    const std::wstring clsid = NextClassId();
    ASSERT_EQ(CreateShellObject(store, platform, spec, failures), clsid);
    const std::string dump = ClassKey(clsid);
    EXPECT_EQ(dump.find("InfoTip"), std::string::npos) << dump;
    EXPECT_NE(dump.find("[DefaultIcon]\n  \"\" REG_SZ 2 \"\"\n"), std::string::npos) << dump;
    // No Control Panel place chosen, the category is written all the same.
    EXPECT_NE(dump.find("\"{305ca226-d286-468e-b848-2b2e8e697b74} 2\" REG_DWORD 4 0xffffffff\n"),
              std::string::npos)
        << dump;
}

TEST_F(RegistrationTest, AllUsersObjectGoesEntirelyBelowTheLocalMachine) {
    ShellObjectSpec spec = FolderSpec();
    spec.allUsers = true;
    spec.inNetworkNeighborhood = true;
    const std::wstring clsid = NextClassId();
    ASSERT_EQ(CreateShellObject(store, platform, spec, failures), clsid);
    EXPECT_EQ(EntryPlaces(clsid), (std::vector<int>{4, 7}));
    EXPECT_EQ(Entry(4, clsid), Describe(MarkerEntry(L"Projects")));
    EXPECT_EQ(DumpTree(store, LocalMachine(), std::wstring(kDesktopNameSpace) + L"\\" + clsid),
              Describe(MarkerEntry(L"Projects")));
    EXPECT_EQ(ClassKey(clsid), kMissingTree) << "nothing in this user's classes";
    EXPECT_NE(ClassKey(clsid, true), kMissingTree);
    EXPECT_EQ(DumpTree(store, ClassesRoot(), L"CLSID\\" + clsid), ClassKey(clsid, true))
        << "earlier versions' place: the machine's classes";
    EXPECT_EQ(platform.notified, (std::vector<int>{0, 18}));
}

TEST_F(RegistrationTest, EveryPlaceIsWrittenInFixedOrderEachFollowedByItsNotification) {
    ShellObjectSpec spec = EveryOption(FolderSpec());
    spec.inMyComputer = spec.inControlPanel = spec.inNetworkNeighborhood = true;
    const std::wstring clsid = NextClassId();
    RecordingRegistry recorder(store);
    LoggingPlatform logged(recorder.calls); // one log for registry calls and notifications
    logged.uuids = platform.uuids;
    ASSERT_EQ(CreateShellObject(recorder, logged, spec, failures), clsid);

    const std::string key = "HKCU\\Software\\Classes\\CLSID\\" + Narrow(clsid);
    std::vector<std::string> expected = {
        "Create " + key + " 0x2001f = 0",
        "Set " + key + " \"\" REG_SZ 18 = 0",
        "Set " + key + " \"InfoTip\" REG_SZ 34 = 0",
        "Set " + key + " \"{305ca226-d286-468e-b848-2b2e8e697b74} 2\" REG_DWORD 4 = 0",
        "Set " + key + " \"SearchHelper\" REG_SZ 38 = 0",
        "Flush " + key,
    };
    auto subkey = [&](const std::string& path, std::vector<std::string> sets, bool flushed = true) {
        expected.push_back("Create " + key + "\\" + path + " 0x2001f = 0");
        for (const std::string& set : sets)
            expected.push_back("Set " + key + "\\" + path + " " + set + " = 0");
        if (flushed)
            expected.push_back("Flush " + key + "\\" + path);
        expected.push_back("Close " + key + "\\" + path);
    };
    subkey("DefaultIcon", {"\"\" REG_SZ 72"});
    subkey("ShellFolder", {"\"Attributes\" REG_DWORD 4", "\"WantsFORPARSING\" REG_SZ 2",
                           "\"HideAsDeletePerUser\" REG_SZ 2"});
    subkey("Instance", {"\"CLSID\" REG_SZ 78"}, false);
    subkey("Instance\\InitPropertyBag", {"\"Attributes\" REG_DWORD 4", "\"Target\" REG_EXPAND_SZ 46"});
    subkey("InProcServer32", {"\"\" REG_SZ 24", "\"ThreadingModel\" REG_SZ 20"});
    for (const char* tab : {"tab 1 general", "tab 2 customize", "tab 3 sharing", "tab 4 security"})
        subkey(std::string("ShellEx\\PropertySheetHandlers\\") + tab, {"\"\" REG_SZ 78"});
    const std::string explorer = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    for (const auto& [folder, csidl] : {std::pair<const char*, int>{"Desktop", 0},
                                        {"ControlPanel", 3},
                                        {"MyComputer", 17},
                                        {"NetworkNeighborhood", 18}}) {
        const std::string entry = explorer + folder + "\\NameSpace\\" + Narrow(clsid);
        expected.push_back("Create " + entry + " 0x2001f = 0");
        expected.push_back("Set " + entry + " \"SearchHelper\" REG_SZ 38 = 0");
        expected.push_back("Flush " + entry);
        expected.push_back("Close " + entry);
        expected.push_back("Notify " + std::to_string(csidl));
    }
    expected.push_back("Close " + key);
    EXPECT_EQ(recorder.calls, expected);
    EXPECT_EQ(logged.liveIdLists, 0);
    EXPECT_EQ(EntryPlaces(clsid), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(RegistrationTest, ClassAndEntryMarkersHoldTheSameText) {
    ShellObjectSpec spec = FolderSpec();
    spec.name = L"Caf\u00e9 \"Q\"";
    spec.inControlPanel = true;
    const std::wstring clsid = NextClassId();
    ASSERT_EQ(CreateShellObject(store, platform, spec, failures), clsid);
    // The marker value as text, exactly, and nothing else in the entries.
    const std::string marker = Describe(MarkerEntry(L"Caf\u00e9 \"Q\""));
    EXPECT_EQ(Entry(0, clsid), marker);
    EXPECT_EQ(Entry(1, clsid), marker);
    EXPECT_NE(ClassKey(clsid).find(marker.substr(3)), std::string::npos) << ClassKey(clsid);
}

TEST_F(RegistrationTest, TwoCreationsWithTheSameNameMakeTwoObjects) {
    ShellObjectSpec spec = ProgramSpec();
    const std::optional<std::wstring> first = CreateShellObject(store, platform, spec, failures);
    ASSERT_TRUE(first);
    Track(*first);
    const std::optional<std::wstring> second = CreateShellObject(store, platform, spec, failures);
    ASSERT_TRUE(second);
    Track(*second);
    EXPECT_NE(*first, *second);
    EXPECT_EQ(ClassKey(*first), ClassKey(*second));
    EXPECT_EQ(EntryPlaces(*first), std::vector<int>{2});
    EXPECT_EQ(EntryPlaces(*second), std::vector<int>{2});
    EXPECT_EQ(platform.notified, (std::vector<int>{17, 17}));
}

// Creating must touch nothing but its own keys: the places' other entries and every
// other class key stay as they were.
TEST_F(RegistrationTest, NothingOutsideTheNewKeysChanges) {
    ASSERT_EQ(
        WriteTree(store, CurrentUser(),
                  TreeKey{std::wstring(kMyComputerNameSpace) + L"\\{00000000-1111-2222-3333-444444444444}",
                          {Sz(L"", L"Somebody else's")}}),
        kOk);
    cleanup.Add(CurrentUser(),
                std::wstring(kMyComputerNameSpace) + L"\\{00000000-1111-2222-3333-444444444444}");
    std::vector<std::string> before;
    for (const NamespaceLocation& place : NamespaceLocations()) {
        // The creation makes missing NameSpace keys; let them exist beforehand.
        ASSERT_EQ(WriteTree(store, place.hive, TreeKey{place.nameSpacePath}), kOk);
        before.push_back(DumpTree(store, place.hive, place.nameSpacePath));
    }
    ShellObjectSpec spec = EveryOption(FolderSpec());
    spec.inMyComputer = spec.inControlPanel = spec.inNetworkNeighborhood = true;
    const std::wstring clsid = NextClassId();
    ASSERT_EQ(CreateShellObject(store, platform, spec, failures), clsid);
    ASSERT_EQ(EntryPlaces(clsid), (std::vector<int>{0, 1, 2, 3}));
    for (const NamespaceLocation& place : NamespaceLocations()) {
        ASSERT_TRUE(RemoveTree(store, place.hive, std::wstring(place.nameSpacePath) + L"\\" + clsid));
        EXPECT_EQ(DumpTree(store, place.hive, place.nameSpacePath), before[place.index]) << place.index;
    }
}

// A failed generation (null) or a malformed identifier text.
TEST_F(RegistrationTest, UuidFailureOrMalformedUuidTextWritesNothingAndSaysSo) {
    RecordingRegistry recorder(store);
    for (const wchar_t* text :
         {static_cast<const wchar_t*>(nullptr), L"", L"not a uuid", L"5e1f0c3a-77d2-4b1e-9a0f-00000000000",
          L"5e1f0c3a-77d2-4b1e-9a0f\\000000000000", L"5e1f0c3a-77d2-4b1e-9a0f-00000000000g"}) {
        platform.failUuid = !text;
        platform.uuids = {text ? text : L""};
        EXPECT_EQ(CreateShellObject(recorder, platform, EveryOption(FolderSpec()), failures), std::nullopt)
            << (text ? Narrow(text) : "failed");
        EXPECT_EQ(TakeFailures(), std::vector<std::string>{"Projects -1 1739"});
    }
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_TRUE(platform.notified.empty());
}

TEST_F(RegistrationTest, ClassIdentifierIsLowerCase) {
    platform.uuids = {L"5E1F0C3A-77D2-4B1E-9A0F-ABCDEF012345"};
    Track(L"{5e1f0c3a-77d2-4b1e-9a0f-abcdef012345}");
    EXPECT_EQ(CreateShellObject(store, platform, FolderSpec(), failures),
              L"{5e1f0c3a-77d2-4b1e-9a0f-abcdef012345}");
}

// Refused writes: a standard user, and the in-memory registry refusing on purpose. The
// object is written whole at the places that take it, or nothing of it stays, and every
// place not written is reported.
TEST_F(RegistrationTest, RefusedWritesLeaveNothingHalfWrittenAndAreReported) {
    using Op = MemoryRegistry::Op;
    struct Case {
        const char* name;
        bool allUsers;
        bool standardUser;
        std::function<void(MemoryRegistry&)> refuse; // null: nothing injected
        std::vector<int> places;                     // where entries stand afterwards
        std::vector<std::string> failures;
        std::vector<int> notified;
    };
    auto deny = [](std::vector<const wchar_t*> paths) {
        return [paths](MemoryRegistry& m) {
            for (const wchar_t* path : paths)
                m.DenyWriteAccess(LocalMachine(), path);
        };
    };
    auto fail = [](Op op, int nth) { return [op, nth](MemoryRegistry& m) { m.FailNthCall(op, nth); }; };
    const Case cases[] = {
        {"standard user, all users", true, true, nullptr, {}, {"Projects -2 5"}, {}},
        {"standard user, this user", false, true, nullptr, {0, 2}, {}, {0, 17}},
        {"class key refused", false, false, fail(Op::Create, 1), {}, {"Projects -1 5"}, {}},
        {"class value fails", false, false, fail(Op::SetValue, 2), {}, {"Projects -1 5"}, {}},
        {"class subkey fails", false, false, fail(Op::Create, 2), {}, {"Projects -1 5"}, {}},
        {"class key not flushed", false, false, fail(Op::Flush, 1), {}, {"Projects -1 5"}, {}},
        {"one place refused", true, false, deny({kDesktopNameSpace}), {6}, {"Projects 4 5"}, {0, 17}},
        {"every place refused",
         true,
         false,
         deny({kDesktopNameSpace, kMyComputerNameSpace}),
         {},
         {"Projects 4 5", "Projects 6 5"},
         {0, 17}},
        // Twelve values make the folder's class key; the thirteenth is the first marker.
        {"entry marker fails", false, false, fail(Op::SetValue, 13), {2}, {"Projects 0 5"}, {0, 17}},
    };
    // The keys a creation writes below exist already, as on a used system.
    for (KeyHandle hive : {CurrentUser(), LocalMachine()})
        ASSERT_EQ(WriteTree(store, hive, TreeKey{kClassesPath}), kOk);
    for (const NamespaceLocation& place : NamespaceLocations())
        ASSERT_EQ(WriteTree(store, place.hive, TreeKey{place.nameSpacePath}), kOk);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.refuse && !memory)
            continue; // needs fault injection
        ShellObjectSpec spec = FolderSpec();
        spec.allUsers = c.allUsers;
        spec.inMyComputer = true;
        const std::wstring clsid = NextClassId();
        const std::string before = Written();
        platform.notified.clear();
        if (c.refuse)
            c.refuse(*memory);
        StandardUserRegistry standardUser(store);
        RegistryStore& through = c.standardUser ? static_cast<RegistryStore&>(standardUser) : store;
        const std::optional<std::wstring> made = CreateShellObject(through, platform, spec, failures);
        if (memory)
            memory->ClearFaults();
        EXPECT_EQ(TakeFailures(), c.failures);
        EXPECT_EQ(platform.notified, c.notified);
        EXPECT_EQ(EntryPlaces(clsid), c.places);
        if (c.places.empty()) {
            EXPECT_EQ(made, std::nullopt);
            EXPECT_EQ(Written(), before) << "nothing of the object stays";
            continue;
        }
        EXPECT_EQ(made, clsid);
        EXPECT_NE(ClassKey(clsid, c.allUsers).find("[InProcServer32]"), std::string::npos);
        for (int place : c.places)
            EXPECT_EQ(Entry(place, clsid), Describe(MarkerEntry(L"Projects")));
        for (const NamespaceLocation& place : NamespaceLocations())
            RemoveTree(store, place.hive, std::wstring(place.nameSpacePath) + L"\\" + clsid);
        RemoveTree(store, ClassesHive(c.allUsers), ClassKeyPath(clsid));
        EXPECT_EQ(Written(), before);
    }
}

// The navigation pane and the desktop icon, for Desktop only: the pin value in the class
// key and in its 32-bit copy, written alike, and the scope's value that hides the icon.
TEST_F(RegistrationTest, NavigationPaneAndDesktopIconChoicesWriteTheirValues) {
    const struct {
        const char* name;
        bool allUsers, desktop, pin, hide;
    } cases[] = {
        {"pinned, this user", false, true, true, false},
        {"icon hidden, all users", true, true, false, true},
        {"both, all users", true, true, true, true},
        {"without Desktop neither", false, false, true, true},
    };
    for (KeyHandle hive : {CurrentUser(), LocalMachine()})
        if (DumpTree(store, hive, kHideDesktopIconsPath) == kMissingTree)
            cleanup.Add(hive, kHideDesktopIconsPath);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ShellObjectSpec spec = FolderSpec();
        spec.allUsers = c.allUsers;
        spec.onDesktop = c.desktop;
        spec.inMyComputer = true;
        spec.pinToNavigationPane = c.pin;
        spec.hideDesktopIcon = c.hide;
        const std::wstring clsid = NextClassId();
        ASSERT_EQ(CreateShellObject(store, platform, spec, failures), clsid);
        const KeyHandle hive = ClassesHive(c.allUsers);
        const bool pinned = c.pin && c.desktop;
        spec.pinToNavigationPane = false;
        const std::wstring plain = NextClassId();
        ASSERT_EQ(CreateShellObject(store, platform, spec, failures), plain);
        if (pinned)
            ASSERT_EQ(WriteTree(store, hive, TreeKey{ClassKeyPath(plain), {Dword(kPinnedValueName, 1)}}),
                      kOk);
        const std::string expected = ClassKey(plain, c.allUsers);
        EXPECT_EQ(ClassKey(clsid, c.allUsers), expected);
        EXPECT_EQ(DumpTree(store, hive, Class32KeyPath(clsid)), pinned ? expected : kMissingTree);
        EXPECT_EQ(DesktopIconHidden(store, hive, clsid), c.hide && c.desktop);
        EXPECT_EQ(DumpTree(store, ClassesHive(!c.allUsers), Class32KeyPath(clsid)), kMissingTree);
    }
}

// A class key that stands in one view only is no object: a failed 32-bit copy takes the
// class key with it, and a desktop value that cannot be written is reported.
TEST_F(RegistrationTest, FailedCopyOrDesktopValueIsReported) {
    using Op = MemoryRegistry::Op;
    if (!memory)
        GTEST_SKIP() << "needs fault injection";
    ShellObjectSpec spec = FolderSpec();
    spec.pinToNavigationPane = spec.hideDesktopIcon = true;
    for (const wchar_t* path : {kClassesPath, kClasses32Path})
        ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{path}), kOk);
    const std::string before = Written();
    const std::wstring failedCopy = NextClassId();
    memory->FailNthCall(Op::Create, 7); // the first key of the copy (six make the class key)
    EXPECT_EQ(CreateShellObject(store, platform, spec, failures), std::nullopt);
    EXPECT_EQ(TakeFailures(), std::vector<std::string>{"Projects -1 5"});
    EXPECT_EQ(Written(), before);
    EXPECT_EQ(DumpTree(store, CurrentUser(), Class32KeyPath(failedCopy)), kMissingTree);

    const std::wstring clsid = NextClassId();
    memory->DenyWriteAccess(CurrentUser(), kHideDesktopIconsPath);
    EXPECT_EQ(CreateShellObject(store, platform, spec, failures), clsid);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].action, Action::HideDesktopIcon);
    EXPECT_EQ(failures[0].place, 0);
    EXPECT_EQ(failures[0].status, kAccessDenied);
    failures.clear();
}

} // namespace
} // namespace vs::test
