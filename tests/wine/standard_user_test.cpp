// A standard user: the installed-objects dialog over a registry that refuses every write,
// creation, deletion and write-access open below HKEY_LOCAL_MACHINE, with an elevation
// seam that says "not elevated". A per-user object goes through every command and the
// wizard without a word; an all-users object is listed, and every command on it shows one
// message naming what failed, offers to restart as administrator and leaves the registry
// exactly as it was; so does an import.

#include "framework/Elevation.h"
#include "framework/Resources.h"
#include "mainwnd/FailureMessage.h"
#include "mainwnd/Places.h"
#include "res/resource.h"
#include "store/BackupFolder.h"
#include "store/ClassRoots.h"
#include "store/DesktopIcon.h"
#include "store/NamespaceLocation.h"
#include "tests/support/RegFileSupport.h"
#include "tests/support/RegistryTree.h"
#include "tests/support/StandardUserRegistry.h"
#include "tests/wine/MainWindowFixture.h"
#include "tests/wine/UiDriver.h"
#include "tests/wine/WizardDriver.h"
#include "wizard/LocationIcon.h"

#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace vs::test {
namespace {

constexpr wchar_t kMine[] = L"{5a000000-0000-4000-8000-0000000000a1}";
constexpr wchar_t kShared[] = L"{5a000000-0000-4000-8000-0000000000a2}";
constexpr wchar_t kWizardUuid[] = L"5a000000-0000-4000-8000-0000000000a3";
constexpr wchar_t kWizardMade[] = L"{5a000000-0000-4000-8000-0000000000a3}";
const wchar_t* const kIds[] = {kMine, kShared, kWizardMade};
constexpr wchar_t kSettingsPath[] = L"Software\\Orbelline\\Varnoset";

class TestElevation : public Elevation {
public:
    bool IsElevated() override { return elevated; }
    bool StartElevated(HWND) override {
        ++starts;
        return started;
    }
    bool elevated = false;
    bool started = true; // false: the user declined the consent prompt
    int starts = 0;
};

// The thread's message box over owner, or null.
HWND MessageBoxOver(HWND owner) {
    HWND box = uitest::FindOwnedDialog(owner);
    return box && GetDlgItem(box, 0xFFFF) ? box : nullptr;
}

// How a small dialog is answered: a text typed, an icon chosen, a position set.
std::function<void(HWND)> Typed(const wchar_t* text) {
    return [text](HWND small) { SetDlgItemTextW(small, IDC_EDIT_TEXT, text); };
}
std::function<void(HWND)> IconChosen(int index) {
    return [index](HWND small) {
        const HWND icons = GetDlgItem(small, IDC_ICON_LIST);
        SendMessageW(icons, LB_SETCURSEL, index, 0);
        SetFocus(icons);
    };
}
std::function<void(HWND)> PositionSet(const wchar_t* text) {
    return [text](HWND small) { SetDlgItemTextW(small, IDC_POSITION_EDIT, text); };
}

class StandardUserTest : public MainWindowFixture {
protected:
    StandardUserTest() : MainWindowFixture({kMine, kShared, kWizardMade}) {
        platform.uuids = {kWizardUuid};
        // Every place exists, as on a used system, so that "as before" is exact.
        for (const NamespaceLocation& place : NamespaceLocations())
            EXPECT_EQ(WriteTree(store, place.hive, TreeKey{place.nameSpacePath}), kOk);
        for (KeyHandle hive : {CurrentUser(), LocalMachine()})
            EXPECT_EQ(WriteTree(store, hive, TreeKey{kClassesPath}), kOk);
    }

    // A folder object's class key in the classes of hive, with entries at the places.
    void WriteObject(const wchar_t* clsid, const std::wstring& name, KeyHandle hive,
                     const std::vector<std::pair<int, std::wstring>>& entries) {
        ASSERT_EQ(WriteTree(store, hive,
                            TreeKey{ClassKeyPath(clsid),
                                    {Sz(L"", name), Sz(L"SearchHelper", L"Varnoset: " + name)},
                                    {{L"DefaultIcon", {Sz(L"", DefaultIconLocation())}},
                                     {L"Instance\\InitPropertyBag", {ExpandSz(L"Target", L"C:\\")}}}}),
                  kOk);
        for (const auto& [place, prefix] : entries)
            ASSERT_EQ(WriteTree(store, PlaceByIndex(place)->hive,
                                TreeKey{EntryPath(place, prefix + clsid),
                                        {Sz(L"SearchHelper", L"Varnoset: " + name)}}),
                      kOk);
    }

    // All a command could touch: this user's software keys whole (places, classes,
    // settings) but Wine's own, which Wine rewrites as it likes, the machine's places and
    // the machine's class keys of the test objects.
    std::string Registry() {
        std::string dump;
        for (const std::wstring& name : SubkeyNames(store, CurrentUser(), L"Software"))
            if (!NamesEqual(name, L"Wine"))
                dump += Narrow(name) + "\n" + DumpTree(store, CurrentUser(), L"Software\\" + name);
        for (const NamespaceLocation& place : NamespaceLocations())
            if (place.hive == LocalMachine())
                dump += DumpTree(store, LocalMachine(), place.nameSpacePath);
        for (const wchar_t* clsid : kIds)
            dump += DumpTree(store, LocalMachine(), ClassKeyPath(clsid)) +
                    DumpTree(store, LocalMachine(), Class32KeyPath(clsid));
        return dump + DumpTree(store, LocalMachine(), kHideDesktopIconsPath);
    }

    // The dialog over the registry a standard user sees.
    // The dialog goes before the registry and elevation it uses (it saves its settings).
    ~StandardUserTest() override { dialog.reset(); }
    void Open() { MainWindowFixture::Open(SW_HIDE, &standardUser, nullptr, &elevation); }
    void Select(const std::wstring& name, int place, Where where = Where::current()) const {
        MainWindowFixture::Select(name, PlaceLabel(place), where);
    }

    // A script step that waits for a message box over the dialog, keeps its text and
    // answers it.
    std::function<bool()> AnswerBox(std::wstring& seen, int answer) {
        return [this, &seen, answer] {
            HWND box = MessageBoxOver(dialog->Hwnd());
            if (!box)
                return false;
            seen = uitest::MessageBoxText(box);
            PostMessageW(box, WM_COMMAND, answer, 0);
            return true;
        };
    }

    // Runs a command on the selected row. A small dialog it opens is filled by `fill` (when
    // given) and confirmed; a message box is read and answered with `answer`. Returns the
    // box's text, empty when none came.
    std::wstring Command(UINT id, std::function<void(HWND)> fill = {}, int answer = IDNO) {
        const HWND owner = dialog->Hwnd();
        std::wstring seen;
        bool confirmed = false;
        ModalScript script;
        script.Await(
            [&, box = AnswerBox(seen, answer)] {
                if (box())
                    return true;
                if (HWND small = uitest::FindOwnedDialog(owner); small && !confirmed) {
                    confirmed = true;
                    if (fill)
                        fill(small);
                    PostMessageW(small, WM_COMMAND, IDOK, 0);
                }
                return false;
            },
            "a message box");
        script.Start();
        SendMessageW(owner, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        return seen;
    }

    // The one message a failure gives a standard user.
    static std::wstring Message(Action action, const std::wstring& object, int place) {
        return DescribeFailure({action, object, place, kAccessDenied}) + L"\n\n" +
               LoadResourceString(IDS_RESTART_AS_ADMINISTRATOR);
    }

    StandardUserRegistry standardUser{store};
    TestElevation elevation;
};

TEST_F(StandardUserTest, EveryCommandOnAnAllUsersObjectSaysOnceWhatFailedAndChangesNothing) {
    WriteObject(kShared, L"Project Files", LocalMachine(), {{4, L""}, {6, L"hidden"}});
    Open();
    const struct Case {
        const char* name;
        UINT command;
        int row; // the place of the selected row
        Action action;
        int place; // where it failed
        std::function<void(HWND)> fill;
    } cases[] = {
        {"delete", ID_DELETE, 4, Action::Delete, 4, {}},
        {"hide", ID_HIDE, 4, Action::Hide, 4, {}},
        {"unhide", ID_UNHIDE, 6, Action::Unhide, 6, {}},
        {"copy to all users", ID_COPY_CONTROLPANEL_ALL, 4, Action::CopyTo, 5, {}},
        {"move to this user", ID_MOVE_NETWORK_USER, 4, Action::MoveTo, 3, {}},
        {"rename", ID_RENAME, 4, Action::Rename, kMachineClasses, Typed(L"Renamed")},
        {"change icon", ID_CHANGE_ICON, 4, Action::ChangeIcon, kMachineClasses, IconChosen(7)},
        {"change comment", ID_CHANGE_COMMENT, 4, Action::ChangeComment, kMachineClasses, Typed(L"Noted")},
        {"set position", ID_SET_EXPLORER_POSITION, 4, Action::SetPosition, kMachineClasses,
         PositionSet(L"7")},
        {"navigation pane", ID_NAVIGATION_PANE, 4, Action::Pin, kMachineClasses, {}},
        {"desktop icon", ID_DESKTOP_ICON, 4, Action::HideDesktopIcon, 4, {}},
    };
    const std::string before = Registry();
    const std::vector<std::wstring> rows = Names();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SelectNone();
        Select(L"Project Files", c.row);
        EXPECT_EQ(Command(c.command, c.fill), Message(c.action, L"Project Files", c.place));
        EXPECT_EQ(Registry(), before);
        EXPECT_EQ(Names(), rows);
    }

    // An import of its class key is refused the same way, in one message, and taken back.
    uitest::TempFolder folder;
    const std::wstring file = folder.File(L"shared.reg"),
                       key = FullKeyName(LocalMachine(), ClassKeyPath(kShared));
    ASSERT_TRUE(WriteFileBytes(file, V5(u"\r\n[" + U16(key) + u"]\r\n@=\"Imported\"\r\n")));
    std::wstring seen;
    ModalScript script;
    script.Await(AnswerBox(seen, IDNO));
    script.Start();
    EXPECT_FALSE(dialog->ImportFile(file));
    EXPECT_EQ(seen, FormatResourceString(IDS_IMPORT_FAILED, {file}) + L"\n\n" +
                        FormatResourceString(IDS_WRITE_FAILED, {key, StatusText(kAccessDenied)}) + L"\n\n" +
                        LoadResourceString(IDS_ROLLED_BACK) + L"\n\n" +
                        LoadResourceString(IDS_RESTART_AS_ADMINISTRATOR));
    EXPECT_EQ(Registry(), before);
    EXPECT_EQ(elevation.starts, 0) << "declining changes nothing";
    EXPECT_TRUE(IsWindow(dialog->Hwnd()));
}

TEST_F(StandardUserTest, EveryCommandOnAPerUserObjectWorksWithoutAWord) {
    const std::string empty = Registry();
    WriteObject(kMine, L"Mine", CurrentUser(), {{0, L""}});
    Open();
    const struct Case {
        const char* name;
        UINT command;
        const wchar_t* row; // the selected row's name and place, after the commands before
        int place;
        std::function<void(HWND)> fill;
    } cases[] = {
        {"rename", ID_RENAME, L"Mine", 0, Typed(L"Renamed")},
        {"change comment", ID_CHANGE_COMMENT, L"Renamed", 0, Typed(L"Noted")},
        {"change icon", ID_CHANGE_ICON, L"Renamed", 0, IconChosen(7)},
        {"set position", ID_SET_EXPLORER_POSITION, L"Renamed", 0, PositionSet(L"7")},
        {"hide", ID_HIDE, L"Renamed", 0, {}},
        {"unhide", ID_UNHIDE, L"Renamed", 0, {}},
        {"copy", ID_COPY_MYCOMPUTER_USER, L"Renamed", 0, {}},
        {"move", ID_MOVE_NETWORK_USER, L"Renamed", 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SelectNone();
        Select(c.row, c.place);
        EXPECT_EQ(Command(c.command, c.fill), L"");
    }
    const std::wstring icon = DefaultIconLocation().substr(0, DefaultIconLocation().rfind(L',')) + L",7";
    EXPECT_EQ(DumpTree(store, CurrentUser(), ClassKeyPath(kMine)),
              Describe(TreeKey{L"",
                               {Sz(L"", L"Renamed"), Sz(L"SearchHelper", L"Varnoset: Mine"),
                                Sz(L"InfoTip", L"Noted"), Dword(L"SortOrderIndex", 7)},
                               {{L"DefaultIcon", {Sz(L"", icon)}},
                                {L"Instance\\InitPropertyBag", {ExpandSz(L"Target", L"C:\\")}}}}));
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Renamed @ Desktop (this user)",
                                                  L"Renamed @ Network Neighborhood (this user)"}));

    // Deleting both entries takes the class key along: nothing is left.
    Select(L"Renamed", 0);
    Select(L"Renamed", 3);
    EXPECT_EQ(Command(ID_DELETE), L"");
    EXPECT_EQ(Registry(), empty);
}

TEST_F(StandardUserTest, WizardMakesAWorkingPerUserObjectAndRefusesAnAllUsersOneWithOneMessage) {
    Open();
    const std::string before = Registry();
    for (const bool allUsers : {true, false}) {
        SCOPED_TRACE(allUsers);
        ModalScript script;
        WizardDriver user{script};
        user.AwaitStep(1).WalkTo(1, 4).Click(allUsers ? IDC_SCOPE_ALL_USERS : IDC_SCOPE_CURRENT_USER);
        user.Click(IDC_PLACE_DESKTOP);
        user.Next(5).Finish();
        std::wstring seen;
        if (allUsers)
            script.Await(AnswerBox(seen, IDNO), "the message");
        script.Start();
        SendMessageW(dialog->Hwnd(), WM_COMMAND, MAKEWPARAM(ID_CREATE_NEW, 0), 0);
        EXPECT_TRUE(script.Completed());
        if (allUsers) {
            EXPECT_EQ(seen, Message(Action::Create, L"Test", kMachineClasses));
            EXPECT_EQ(Registry(), before) << "nothing of the object was written";
            EXPECT_TRUE(Names().empty());
            platform.uuids = {kWizardUuid};
        }
    }
    EXPECT_NE(DumpTree(store, CurrentUser(), ClassKeyPath(kWizardMade)), kMissingTree);
    EXPECT_EQ(DumpTree(store, CurrentUser(), EntryPath(0, kWizardMade)),
              Describe(TreeKey{L"", {Sz(L"SearchHelper", L"Varnoset: Test")}}));
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"Test @ Desktop (this user)"});
}

TEST_F(StandardUserTest, RestartAsAdministratorSavesTheSettingsStartsElevatedAndCloses) {
    WriteObject(kShared, L"Project Files", LocalMachine(), {{4, L""}});
    const struct Case {
        const char* name;
        bool elevated;
        bool started;
        int answer;
        int starts;
        bool closes;
    } cases[] = {
        {"restarted", false, true, IDYES, 1, true},
        {"consent declined", false, false, IDYES, 1, false},
        {"restart declined", false, true, IDNO, 0, false},
        {"elevated already", true, true, IDOK, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveTree(store, CurrentUser(), kSettingsPath);
        elevation = TestElevation{};
        elevation.elevated = c.elevated;
        elevation.started = c.started;
        Open();
        Select(L"Project Files", 4);
        const std::wstring failure = DescribeFailure({Action::Hide, L"Project Files", 4, kAccessDenied});
        EXPECT_EQ(Command(ID_HIDE, {}, c.answer),
                  c.elevated ? failure : Message(Action::Hide, L"Project Files", 4));
        EXPECT_EQ(elevation.starts, c.starts);
        EXPECT_EQ(!IsWindow(dialog->Hwnd()), c.closes);
        EXPECT_EQ(DumpTree(store, CurrentUser(), kSettingsPath) != kMissingTree, c.starts == 1)
            << "the settings are saved before the restart";
        dialog.reset();
    }
}

// A long selection gives a message that still fits a screen; a status the system has no
// text for is shown by its number.
TEST(FailureMessage, ManyFailuresShowTheFirstOnesAndCountTheRestAndUnknownStatusesShowTheirNumber) {
    const Failure hidden{Action::Hide, L"Project Files", 4, kAccessDenied};
    const std::wstring text = DescribeFailures(Failures(kShownFailures + 2, hidden));
    std::wstring expected;
    for (std::size_t i = 0; i < kShownFailures; ++i)
        expected += DescribeFailure(hidden) + L"\n";
    EXPECT_EQ(text, expected + FormatResourceString(IDS_FAILED_MORE, {L"2"}));
    constexpr Status kNoSuchStatus = 0x2000FFFF; // a customer code: the system has no text for it
    EXPECT_EQ(StatusText(kNoSuchStatus),
              FormatResourceString(IDS_STATUS_UNKNOWN, {std::to_wstring(kNoSuchStatus)}));
}

} // namespace
} // namespace vs::test
