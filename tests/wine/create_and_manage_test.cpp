// End to end: objects created through the wizard from the installed-objects dialog, then
// hidden, unhidden, copied, moved, renamed, re-iconed and deleted with its commands. The
// dialog runs modeless over the test prefix's registry; the wizard and the small dialogs
// that the commands open run modally inside the command and are worked by a script. After
// every step the registry is compared key by key; after the last delete nothing of the
// objects is left.

#include "mainwnd/Places.h"
#include "res/resource.h"
#include "store/ClassRoots.h"
#include "store/NamespaceLocation.h"
#include "tests/support/RegistryTree.h"
#include "tests/wine/MainWindowFixture.h"
#include "tests/wine/UiDriver.h"
#include "tests/wine/WizardDriver.h"
#include "wizard/LocationIcon.h"

#include <commctrl.h>
#include <objbase.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vs::test {
namespace {

constexpr wchar_t kFolderUuid[] = L"e2e00000-0000-4000-8000-00000000f01d";
constexpr wchar_t kFolder[] = L"{e2e00000-0000-4000-8000-00000000f01d}";
constexpr wchar_t kProgramUuid[] = L"e2e00000-0000-4000-8000-0000000090a1";
constexpr wchar_t kProgram[] = L"{e2e00000-0000-4000-8000-0000000090a1}";
constexpr wchar_t kCategoryValue[] = L"{305ca226-d286-468e-b848-2b2e8e697b74} 2";

// An object written behind the dialog's back shows only once the list is rebuilt.
constexpr wchar_t kSneaked[] = L"{e2e00000-0000-4000-8000-00000000beef}";

class CreateAndManageTest : public MainWindowFixture {
protected:
    CreateAndManageTest() : MainWindowFixture({kFolder, kProgram, kSneaked}) {
        platform.uuids = {kFolderUuid, kProgramUuid};
    }

    // Runs a command (a script works the modal windows it opens). The list keeps its rows
    // selected after a command, but each step chooses its rows anew: none stays selected.
    void Step(UINT id) {
        Command(id);
        SelectNone();
    }
    void Step(UINT id, ModalScript& script, Where where = Where::current()) {
        Command(id, script, where);
        SelectNone();
    }
    // The same for a command whose one dialog, with this caption, act answers.
    void Step(UINT id, const wchar_t* caption, std::function<void(HWND)> act,
              Where where = Where::current()) {
        ModalScript script;
        script.AwaitDialog(caption, std::move(act), where);
        Step(id, script, where);
    }
    void Select(const std::wstring& name, int place, Where where = Where::current()) {
        MainWindowFixture::Select(name, PlaceLabel(place), where);
    }

    // The class key as the program reads it: this user's, else the machine's.
    std::string ClassDump(const wchar_t* clsid) {
        const std::string own = DumpTree(store, CurrentUser(), ClassKeyPath(clsid));
        return own != kMissingTree ? own : DumpTree(store, LocalMachine(), ClassKeyPath(clsid));
    }
    // The places that hold an entry key of clsid (prefix "hidden" for hidden ones), each
    // of them holding the marker of name and nothing else.
    std::vector<int> Entries(const wchar_t* clsid, const std::wstring& name,
                             const std::wstring& prefix = {}) {
        std::vector<int> places;
        const std::string entry = Describe(TreeKey{L"", {Sz(L"SearchHelper", L"Varnoset: " + name)}});
        for (const NamespaceLocation& place : NamespaceLocations()) {
            const std::string dump = DumpTree(store, place.hive, EntryPath(place.index, prefix + clsid));
            if (dump == kMissingTree)
                continue;
            EXPECT_EQ(dump, entry) << "place " << place.index;
            places.push_back(place.index);
        }
        return places;
    }
};

// The class key of the folder object created below, with a name and icon as given.
TreeKey FolderClass(const std::wstring& name, const std::wstring& icon) {
    return TreeKey{
        L"",
        {Sz(L"", name), Sz(L"InfoTip", L"made end to end"), Dword(kCategoryValue, 0xFFFFFFFF),
         Sz(L"SearchHelper", L"Varnoset: E2E Folder")},
        {{L"DefaultIcon", {Sz(L"", icon)}},
         {L"ShellFolder", {Dword(L"Attributes", 0xF8000120), Sz(L"WantsFORPARSING", L"")}},
         {L"Instance",
          {Sz(L"CLSID", L"{0afaced1-e828-11d1-9187-b532f1e9575d}")},
          {{L"InitPropertyBag", {Dword(L"Attributes", 0x15), ExpandSz(L"Target", L"C:\\windows")}}}},
         {L"InProcServer32", {Sz(L"", L"shdocvw.dll"), Sz(L"ThreadingModel", L"Apartment")}}}};
}

TreeKey ProgramClass() {
    return TreeKey{
        L"",
        {Sz(L"", L"E2E Program"), Dword(kCategoryValue, 9), Sz(L"SearchHelper", L"Varnoset: E2E Program")},
        {{L"DefaultIcon", {Sz(L"", DefaultIconLocation())}},
         {L"ShellFolder", {Dword(L"Attributes", 0x4), Sz(L"WantsFORPARSING", L"")}},
         {L"Shell\\Open\\Command", {ExpandSz(L"", L"%windir%\\notepad.exe")}}}};
}

TEST_F(CreateAndManageTest, ObjectsMadeByTheWizardGoThroughEveryCommandAndLeaveNothingBehind) {
    // Every place exists beforehand, as on a used system, so that "as before" is exact.
    for (const NamespaceLocation& place : NamespaceLocations())
        ASSERT_EQ(WriteTree(store, place.hive, TreeKey{place.nameSpacePath}), kOk);
    const std::string placesBefore = Snapshot();
    Open();
    ASSERT_TRUE(Names().empty());

    // A folder object for this user on the Desktop, from the menu command.
    {
        ModalScript script;
        WizardDriver user{script};
        user.AwaitStep(1).SetText(IDC_NAME_EDIT, L"E2E Folder").SetText(IDC_INFOTIP_EDIT, L"made end to end");
        user.Next(2).SetText(IDC_FOLDER_EDIT, L"C:\\windows").Next(3).Next(4);
        user.Click(IDC_SCOPE_CURRENT_USER)
            .Click(IDC_PLACE_DESKTOP)
            .Next(5)
            .Click(IDC_FLAG_ALLOW_DELETE)
            .Finish();
        Step(ID_CREATE_NEW, script);
    }
    EXPECT_EQ(DumpTree(store, CurrentUser(), ClassKeyPath(kFolder)),
              Describe(FolderClass(L"E2E Folder", DefaultIconLocation())))
        << "a per-user object's class key lives in this user's classes";
    EXPECT_EQ(Entries(kFolder, L"E2E Folder"), (std::vector<int>{0}));
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"E2E Folder @ " + PlaceLabel(0)}));

    // A program object for all users in My Computer and Control Panel, from the button.
    {
        ModalScript script;
        WizardDriver user{script};
        user.AwaitStep(1).SetText(IDC_NAME_EDIT, L"E2E Program").Next(2).Click(IDC_FUNCTION_PROGRAM);
        user.SetText(IDC_PROGRAM_EDIT, L"%windir%\\notepad.exe").Next(3).Next(4);
        user.Click(IDC_PLACE_MYCOMPUTER).Click(IDC_PLACE_CONTROLPANEL).Do([](HWND, HWND page) {
            SendDlgItemMessageW(page, IDC_CATEGORY_COMBO, CB_SETCURSEL, 9, 0); // "User Accounts"
        });
        user.Next(5).Click(IDC_FLAG_DRAG_DROP).Click(IDC_FLAG_ALLOW_LINK).Finish();
        script.Start();
        SendMessageW(dialog->Item(IDC_CREATE_NEW), BM_CLICK, 0, 0);
        EXPECT_TRUE(script.Completed());
    }
    EXPECT_EQ(DumpTree(store, LocalMachine(), ClassKeyPath(kProgram)), Describe(ProgramClass()));
    EXPECT_EQ(Entries(kProgram, L"E2E Program"), (std::vector<int>{5, 6}));
    EXPECT_EQ(Names().size(), 3u);

    // Hide and unhide the folder's Desktop entry.
    Select(L"E2E Folder", 0);
    Step(ID_HIDE);
    EXPECT_TRUE(Entries(kFolder, L"E2E Folder").empty());
    EXPECT_EQ(Entries(kFolder, L"E2E Folder", L"hidden"), (std::vector<int>{0}));
    Select(L"E2E Folder", 0);
    Step(ID_UNHIDE);
    EXPECT_EQ(Entries(kFolder, L"E2E Folder"), (std::vector<int>{0}));
    EXPECT_TRUE(Entries(kFolder, L"E2E Folder", L"hidden").empty());

    // Copy the folder to My Computer (this user); move the program out of My Computer
    // (all users) to Network Neighborhood (this user).
    Select(L"E2E Folder", 0);
    Step(ID_COPY_MYCOMPUTER_USER);
    EXPECT_EQ(Entries(kFolder, L"E2E Folder"), (std::vector<int>{0, 2}));
    Select(L"E2E Program", 6);
    Step(ID_MOVE_NETWORK_USER);
    EXPECT_EQ(Entries(kProgram, L"E2E Program"), (std::vector<int>{3, 5}));
    EXPECT_EQ(ClassDump(kProgram), Describe(ProgramClass())) << "moving an entry leaves the class key alone";

    // Rename the folder, then give it another icon of the system's SHELL32.DLL.
    Select(L"E2E Folder", 2);
    Step(ID_RENAME, L"Edit Shell Object", [](HWND editor) {
        SetDlgItemTextW(editor, IDC_EDIT_TEXT, L"Renamed Folder");
        PostMessageW(editor, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(ClassDump(kFolder), Describe(FolderClass(L"Renamed Folder", DefaultIconLocation())));
    Select(L"Renamed Folder", 0);
    Step(ID_CHANGE_ICON, L"Choose Icon", [](HWND chooser) {
        EXPECT_EQ(SendDlgItemMessageW(chooser, IDC_ICON_LIST, LB_GETCURSEL, 0, 0), 4)
            << "starts on the object's icon";
        uitest::ChooseIconAt(chooser, 7);
    });
    const std::wstring newIcon = DefaultIconLocation().substr(0, DefaultIconLocation().size() - 1) + L"7";
    EXPECT_EQ(ClassDump(kFolder), Describe(FolderClass(L"Renamed Folder", newIcon)));
    EXPECT_EQ(Entries(kFolder, L"E2E Folder"), (std::vector<int>{0, 2}));

    // Delete one entry of the folder: its class key stays for the other one.
    Select(L"Renamed Folder", 0);
    Step(ID_DELETE);
    EXPECT_EQ(Entries(kFolder, L"E2E Folder"), (std::vector<int>{2}));
    EXPECT_EQ(ClassDump(kFolder), Describe(FolderClass(L"Renamed Folder", newIcon)));

    // Hide the last folder entry, then delete everything that is left at once.
    Select(L"Renamed Folder", 2);
    Step(ID_HIDE);
    EXPECT_EQ(Entries(kFolder, L"E2E Folder", L"hidden"), (std::vector<int>{2}));
    for (const auto& [name, place] : std::vector<std::pair<std::wstring, int>>{
             {L"Renamed Folder", 2}, {L"E2E Program", 3}, {L"E2E Program", 5}})
        Select(name, place);
    Step(ID_DELETE);

    EXPECT_EQ(ClassDump(kFolder), kMissingTree);
    EXPECT_EQ(ClassDump(kProgram), kMissingTree);
    EXPECT_EQ(Snapshot(), placesBefore);
    EXPECT_TRUE(Names().empty());
}

TEST_F(CreateAndManageTest, TheListIsRebuiltAfterFinishButNotAfterCancel) {
    Open();
    ASSERT_EQ(WriteTree(store, ClassesRoot(),
                        TreeKey{ClassPath(kSneaked),
                                {Sz(L"", L"Sneaked"), Sz(L"SearchHelper", L"Varnoset: Sneaked")}}),
              kOk);
    WriteEntry(1, kSneaked, L"Varnoset: Sneaked");
    ASSERT_TRUE(Names().empty());

    for (int step = 1; step <= 5; ++step) {
        SCOPED_TRACE(step);
        ModalScript script;
        WizardDriver user{script};
        user.AwaitStep(1).WalkTo(1, step).Cancel();
        Step(ID_CREATE_NEW, script);
        EXPECT_TRUE(Names().empty()) << "the list was rebuilt";
        EXPECT_TRUE(platform.notified.empty());
        EXPECT_EQ(platform.uuids.size(), 2u) << "no class identifier was asked for";
    }

    ModalScript script;
    WizardDriver user{script};
    user.AwaitStep(1).WalkTo(1, 5).Finish();
    Step(ID_CREATE_NEW, script);
    EXPECT_EQ(Names(),
              (std::vector<std::wstring>{L"Sneaked @ " + PlaceLabel(1), L"Test @ " + PlaceLabel(4)}));
    EXPECT_EQ(platform.notified, (std::vector<int>{PlaceByIndex(4)->folderCsidl}))
        << "the registration notifies; the command adds nothing";
}

} // namespace
} // namespace vs::test
