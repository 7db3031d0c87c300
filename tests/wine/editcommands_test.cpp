// The edit commands of the installed-objects dialog: a modeless CDeleteObject over the
// test prefix's registry and a recording platform; the small dialogs the commands open
// are answered from a timer while the command runs, and the registry, the recorded shell
// notifications and the list are compared afterwards.

#include "res/resource.h"
#include "store/RegKey.h"
#include "tests/support/RegistryTree.h"
#include "tests/wine/MainWindowFixture.h"
#include "tests/wine/UiDriver.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <windows.h>

#include <string>
#include <vector>

namespace vs::test {
namespace {

using namespace uitest;

constexpr wchar_t kAlpha[] = L"{e1000000-0000-4000-8000-0000000000e1}";
constexpr wchar_t kBeta[] = L"{e2000000-0000-4000-8000-0000000000e2}";
// Where an expected class key is written to be dumped, then removed.
constexpr wchar_t kExpected[] = L"{e3000000-0000-4000-8000-0000000000e3}";

constexpr wchar_t kEditCaption[] = L"Edit Shell Object";
constexpr wchar_t kIconCaption[] = L"Choose Icon";

// One answer to one small dialog: what it showed, and what the test typed into it.
struct Asked {
    HWND owner = nullptr;
    std::wstring prompt;
    std::wstring shown;
};

class EditCommandsTest : public MainWindowFixture {
protected:
    EditCommandsTest() : MainWindowFixture({kAlpha, kBeta, kExpected}) {}

    // A marked folder object's class key, with extra values (InfoTip, SortOrderIndex) and
    // optionally a DefaultIcon. The marker names the object as it was created.
    void WriteClass(const wchar_t* clsid, const std::wstring& name, std::vector<test::TreeValue> extra = {},
                    const std::wstring& icon = {}, const std::wstring& createdAs = {}) {
        std::vector<test::TreeValue> values{
            Sz(L"", name), Sz(L"SearchHelper", L"Varnoset: " + (createdAs.empty() ? name : createdAs))};
        values.insert(values.end(), extra.begin(), extra.end());
        std::vector<TreeKey> subkeys{{L"Instance\\InitPropertyBag", {ExpandSz(L"Target", L"C:\\Target")}}};
        if (!icon.empty())
            subkeys.push_back(TreeKey{L"DefaultIcon", {Sz(L"", icon)}});
        ASSERT_EQ(WriteTree(store, ClassesRoot(), TreeKey{ClassPath(clsid), values, subkeys}), kOk);
    }
    // The text of the class key WriteClass would write with these arguments.
    std::string ExpectedClass(const std::wstring& name, std::vector<test::TreeValue> extra = {},
                              const std::wstring& icon = {}, const std::wstring& createdAs = {}) {
        WriteClass(kExpected, name, std::move(extra), icon, createdAs);
        std::string text = ClassTree(kExpected);
        test::RemoveTree(store, ClassesRoot(), ClassPath(kExpected));
        return text;
    }
    // A step that waits for a new dialog with this caption (not the one answered before),
    // records what it shows, lets act fill it in, and presses button.
    std::function<bool()> Answer(const std::wstring& caption, Asked& asked, HWND& previous,
                                 std::function<void(HWND)> act, int button = IDOK) {
        return [=, &asked, &previous] {
            HWND d = FindDialog(caption);
            if (!d || d == previous)
                return false;
            previous = d;
            asked.owner = GetWindow(d, GW_OWNER);
            asked.prompt = ItemText(d, IDC_EDIT_PROMPT);
            asked.shown = ItemText(d, caption == kIconCaption ? IDC_ICON_FILE : IDC_EDIT_TEXT);
            if (act)
                act(d);
            PostClick(d, button);
            return true;
        };
    }
    // Runs command, answering the one dialog it opens as Answer does; what it showed.
    Asked AnswerOne(UINT command, const std::wstring& caption, std::function<void(HWND)> act,
                    int button = IDOK, Where where = Where::current()) {
        Asked asked;
        HWND previous = nullptr;
        ModalScript driver;
        driver.Await(Answer(caption, asked, previous, std::move(act), button), "the dialog",
                     ModalScript::kWaitMs, where);
        Command(command, driver, where);
        return asked;
    }
    static std::function<void(HWND)> Type(const std::wstring& text, int id = IDC_EDIT_TEXT) {
        return [text, id](HWND d) { SetDlgItemTextW(d, id, text.c_str()); };
    }
};

// ---- Rename and Change Comment ----

TEST_F(EditCommandsTest, RenamingTwoRowsOfOneRecordAsksTwiceAndTheSecondAnswerWins) {
    WriteClass(kAlpha, L"Old");
    WriteEntry(1, kAlpha); // Control Panel (this user): the place the record is read for
    WriteEntry(2, kAlpha); // My Computer (this user)
    Open(SW_SHOW);
    ASSERT_EQ(RowCount(), 2);
    SetSelected(0);
    SetSelected(1);

    Asked first, second;
    HWND previous = nullptr;
    ModalScript driver;
    driver.Await(Answer(kEditCaption, first, previous, Type(L"First")))
        .Await(Answer(kEditCaption, second, previous, Type(L"Second")));
    Command(ID_RENAME, driver);

    EXPECT_EQ(first.prompt, L"Enter a new Name for the Item \"Old\":");
    EXPECT_EQ(first.shown, L"Old");
    EXPECT_EQ(second.prompt, L"Enter a new Name for the Item \"First\":");
    EXPECT_EQ(second.shown, L"First");
    EXPECT_EQ(first.owner, dialog->Hwnd());
    EXPECT_EQ(ClassTree(kAlpha), ExpectedClass(L"Second", {}, {}, L"Old"));
    // Both rows notify the folder of the place the shared record was read for.
    EXPECT_EQ(platform.notified, (std::vector<int>{kCsidlControls, kCsidlControls}));
    ASSERT_EQ(RowCount(), 2);
    EXPECT_EQ(Cell(0, 0), L"Second");
    EXPECT_EQ(Cell(1, 0), L"Second");
}

TEST_F(EditCommandsTest, EmptyOrCancelledAnswersToRenameCommentAndPositionChangeNothing) {
    WriteClass(kAlpha, L"Keep", {Sz(L"InfoTip", L"Tip"), Dword(L"SortOrderIndex", 33)});
    WriteEntry(0, kAlpha);
    Open(SW_SHOW);
    const std::string before = Snapshot();

    SetSelected(0);
    AnswerOne(ID_RENAME, kEditCaption, Type(L""));
    SetSelected(0);
    EXPECT_EQ(AnswerOne(ID_CHANGE_COMMENT, kEditCaption, Type(L"")).shown, L"Tip");
    SetSelected(0);
    AnswerOne(ID_RENAME, kEditCaption, Type(L"Typed"), IDCANCEL);
    SetSelected(0);
    AnswerOne(ID_SET_EXPLORER_POSITION, L"Edit Shell Object Position of Keep", Type(L"99", IDC_POSITION_EDIT),
              IDCANCEL);

    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(platform.notified.empty());
    EXPECT_EQ(Cell(0, 0), L"Keep");
    EXPECT_EQ(Cell(0, 3), L"Tip");
    EXPECT_EQ(dialog->EntryOfRow(0)->info->sortOrderIndex, 33);
}

TEST_F(EditCommandsTest, ChangeCommentAsksWithTheNameAndWritesTheInfoTip) {
    WriteClass(kAlpha, L"Thing", {Sz(L"InfoTip", L"Old tip")});
    WriteEntry(6, kAlpha); // My Computer (all users)
    Open(SW_SHOW);
    SetSelected(0);
    const Asked asked = AnswerOne(ID_CHANGE_COMMENT, kEditCaption, Type(L"New tip"));

    EXPECT_EQ(asked.prompt, L"Edit the Comment associated with the Item \"Thing\":");
    EXPECT_EQ(asked.shown, L"Old tip");
    EXPECT_EQ(ClassTree(kAlpha), ExpectedClass(L"Thing", {Sz(L"InfoTip", L"New tip")}));
    EXPECT_EQ(platform.notified, (std::vector<int>{kCsidlDrives}));
    EXPECT_EQ(Cell(0, 3), L"New tip");
    // The rebuilt list keeps the row selected.
    EXPECT_TRUE(IsSelected(0));
}

TEST_F(EditCommandsTest, CommandsWithoutSelectionAskNothingAndChangeNothing) {
    WriteClass(kAlpha, L"Quiet");
    WriteEntry(0, kAlpha);
    Open(SW_SHOW);
    const std::string before = Snapshot();
    // A command that asks runs the dialog's modal loop, where the watcher sees the dialog
    // and answers with Cancel so that the test ends; the watch ends with the commands.
    bool asked = false;
    bool commandsDone = false;
    ModalScript watcher;
    watcher.Await([&] {
        if (HWND d = FindOwnedDialog(dialog->Hwnd())) {
            asked = true;
            PostClick(d, IDCANCEL);
        }
        return commandsDone;
    });
    watcher.Start();
    for (UINT id : {ID_RENAME, ID_CHANGE_COMMENT, ID_CHANGE_ICON, ID_SET_EXPLORER_POSITION})
        Command(id);
    commandsDone = true;
    EXPECT_TRUE(PumpUntil([&] { return watcher.Completed(); }));
    EXPECT_FALSE(asked);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(platform.notified.empty());
}

// ---- Change Icon ----

TEST_F(EditCommandsTest, ChangeIconStartsOnTheStoredIconOrShell32AndStoresTheChoice) {
    const std::wstring twoIcons = OwnModulePath(), shell32 = SystemDirectory() + L"\\SHELL32.dll";
    TempFolder folder;
    const std::wstring ico = folder.File(L"mine.ico");
    ASSERT_TRUE(WriteIconFile(ico));
    struct Case {
        const char* name;
        std::wstring icon; // stored before; empty: no DefaultIcon
        int place;
        int pick; // the icon chosen before OK; -1: Cancel
        std::wstring shown;
        int startsOn;        // the icon selected at the start; -1: not looked at
        std::wstring stored; // empty: the registry is left as it was
    } const cases[] = {
        {"a library starts on its index, stored with the index", twoIcons + L",1", 0, 0, twoIcons, 1,
         twoIcons + L",0"},
        {"no icon starts on SHELL32, stored as file,index", L"", 4, 4, shell32, -1, shell32 + L",4"},
        {"an index beyond the file starts on SHELL32 icon 0", twoIcons + L",7", 0, -1, shell32, 0, L""},
        {"a plain icon file is stored without an index", ico, 0, 0, ico, -1, ico},
        {"Cancel changes nothing", twoIcons + L",1", 0, -1, twoIcons, 1, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialog.reset();
        ClearRegistry();
        platform.notified.clear();
        WriteClass(kAlpha, L"Iconic", {}, c.icon);
        WriteEntry(c.place, kAlpha);
        Open(SW_SHOW);
        const std::string before = Snapshot();
        int startsOn = -1;
        SetSelected(0);
        const Asked asked = AnswerOne(
            ID_CHANGE_ICON, kIconCaption,
            [&](HWND d) {
                startsOn = static_cast<int>(SendDlgItemMessageW(d, IDC_ICON_LIST, LB_GETCURSEL, 0, 0));
                if (c.pick >= 0) {
                    SendDlgItemMessageW(d, IDC_ICON_LIST, LB_SETCURSEL, static_cast<WPARAM>(c.pick), 0);
                    SetFocus(GetDlgItem(d, IDC_ICON_LIST));
                }
            },
            c.pick >= 0 ? IDOK : IDCANCEL);
        EXPECT_EQ(asked.shown, c.shown);
        EXPECT_EQ(asked.owner, dialog->Hwnd());
        if (c.startsOn >= 0) {
            EXPECT_EQ(startsOn, c.startsOn);
        }
        if (c.stored.empty()) {
            EXPECT_EQ(Snapshot(), before);
            EXPECT_TRUE(platform.notified.empty());
        } else {
            RegKey key(store);
            ASSERT_EQ(key.Open(ClassesRoot(), ClassPath(kAlpha) + L"\\DefaultIcon", kKeyRead), kOk);
            EXPECT_EQ(key.ReadString(nullptr, 600).text, c.stored);
            EXPECT_EQ(platform.notified, (std::vector<int>{kCsidlDesktop}));
        }
    }
}

// ---- Set Explorer Position ----

TEST_F(EditCommandsTest, SetPositionRefusesTheMissingDefaultAndKeepsRowsAndSelection) {
    WriteClass(kAlpha, L"Alpha");
    WriteClass(kBeta, L"Beta", {Dword(L"SortOrderIndex", 50)});
    WriteEntry(0, kAlpha);
    WriteEntry(2, kBeta);
    WriteEntry(5, kBeta);
    Open(SW_SHOW);
    ASSERT_EQ(RowCount(), 3);
    const int alphaRow = FindRow(L"Alpha", L"Desktop (this user)");
    const int betaRow = FindRow(L"Beta", L"My Computer (this user)");
    const int otherRow = FindRow(L"Beta", L"Control Panel (all users)");
    SetSelected(alphaRow);
    SetSelected(betaRow);
    const ShellObjectEntry* alphaEntry = dialog->EntryOfRow(alphaRow);
    const ShellObjectEntry* betaEntry = dialog->EntryOfRow(betaRow);

    HWND first = nullptr;
    SeenBox refused;
    ModalScript driver;
    driver
        .AwaitDialog(L"Edit Shell Object Position of Alpha",
                     [&](HWND d) {
                         first = d;
                         EXPECT_EQ(GetWindow(d, GW_OWNER), dialog->Hwnd());
                         EXPECT_EQ(ItemText(d, IDC_POSITION_EDIT), L"256");
                         PostClick(d, IDOK); // 256 is refused
                     })
        .Await(DismissBox(first, refused))
        .Await([&] { return !FindOwnedDialog(first); }, "the message box to close")
        .Do([&] {
            SetDlgItemTextW(first, IDC_POSITION_EDIT, L"10");
            PostClick(first, IDOK);
        })
        .AwaitDialog(L"Edit Shell Object Position of Beta", [&](HWND d) {
            EXPECT_EQ(ItemText(d, IDC_POSITION_EDIT), L"50");
            SetDlgItemTextW(d, IDC_POSITION_EDIT, L"60");
            PostClick(d, IDOK);
        });
    Command(ID_SET_EXPLORER_POSITION, driver);

    EXPECT_EQ(refused.text, L"Enter an integer between 0 and 255.");

    EXPECT_EQ(ClassTree(kAlpha), ExpectedClass(L"Alpha", {Dword(L"SortOrderIndex", 10)}));
    EXPECT_EQ(ClassTree(kBeta), ExpectedClass(L"Beta", {Dword(L"SortOrderIndex", 60)}));
    // Beta's record was read for My Computer (this user), place 2, which the scan meets
    // before Control Panel (all users), place 5.
    EXPECT_EQ(platform.notified, (std::vector<int>{kCsidlDesktop, kCsidlDrives}));

    // Not rebuilt: the same rows over the same entries, with the same selection.
    ASSERT_EQ(RowCount(), 3);
    EXPECT_EQ(dialog->EntryOfRow(alphaRow), alphaEntry);
    EXPECT_EQ(dialog->EntryOfRow(betaRow), betaEntry);
    EXPECT_TRUE(IsSelected(alphaRow));
    EXPECT_TRUE(IsSelected(betaRow));
    EXPECT_FALSE(IsSelected(otherRow));
    EXPECT_EQ(alphaEntry->info->sortOrderIndex, 10);
    EXPECT_EQ(betaEntry->info->sortOrderIndex, 60);
}

} // namespace
} // namespace vs::test
