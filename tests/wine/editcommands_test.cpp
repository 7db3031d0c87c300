// The edit commands of the installed-objects dialog: a modeless CDeleteObject over the
// test prefix's registry and a recording platform; the small dialogs the commands open
// are answered from a timer while the command runs, and the registry, the recorded shell
// notifications and the list are compared afterwards.

#include "UiDriver.h"
#include "mainwnd/DeleteObject.h"
#include "mainwnd/ListViewInventory.h"
#include "res/resource.h"
#include "store/NamespaceLocation.h"
#include "store/WinRegistry.h"
#include "tests/support/RegistryTree.h"
#include "tests/support/TestPlatform.h"
#include "tests/wine/ModalScript.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace vs {
namespace {

using namespace uitest;
using test::DumpTree;
using test::Dword;
using test::ExpandSz;
using test::ModalScript;
using test::Sz;
using test::TreeKey;
using test::WriteTree;

constexpr int kCsidlDesktop = 0;
constexpr int kCsidlControls = 3;
constexpr int kCsidlDrives = 17;

constexpr wchar_t kAlpha[] = L"{e1000000-0000-4000-8000-0000000000e1}";
constexpr wchar_t kBeta[] = L"{e2000000-0000-4000-8000-0000000000e2}";
// Where an expected class key is written to be dumped, then removed.
constexpr wchar_t kExpected[] = L"{e3000000-0000-4000-8000-0000000000e3}";
const wchar_t* const kAllClasses[] = {kAlpha, kBeta, kExpected};

constexpr wchar_t kEditCaption[] = L"Edit Shell Object";
constexpr wchar_t kIconCaption[] = L"Choose Icon";

std::wstring ClassPath(const wchar_t* clsid) {
    return std::wstring(L"CLSID\\") + clsid;
}

// One answer to one small dialog: what it showed, and what the test typed into it.
struct Asked {
    HWND window = nullptr;
    HWND owner = nullptr;
    std::wstring caption;
    std::wstring prompt;
    std::wstring shown;
};

class EditCommandsTest : public ::testing::Test {
protected:
    EditCommandsTest() {
        InitCommonControls();
        (void)CoInitialize(nullptr);
        ClearRegistry();
    }
    ~EditCommandsTest() override {
        dialog.reset();
        ClearRegistry();
    }

    void ClearRegistry() {
        for (const NamespaceLocation& place : NamespaceLocations())
            test::RemoveTree(store, place.hive, place.nameSpacePath);
        for (const wchar_t* clsid : kAllClasses)
            test::RemoveTree(store, ClassesRoot(), ClassPath(clsid));
    }

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
    void WriteEntry(int place, const wchar_t* clsid) {
        const NamespaceLocation* location = PlaceByIndex(place);
        ASSERT_EQ(WriteTree(store, location->hive,
                            TreeKey{std::wstring(location->nameSpacePath) + L"\\" + clsid,
                                    {Sz(L"SearchHelper", L"Varnoset: entry")}}),
                  kOk);
    }
    std::string Snapshot() {
        std::string text;
        for (const NamespaceLocation& place : NamespaceLocations())
            text += DumpTree(store, place.hive, place.nameSpacePath);
        for (const wchar_t* clsid : kAllClasses)
            text += DumpTree(store, ClassesRoot(), ClassPath(clsid));
        return text;
    }
    std::string ClassTree(const wchar_t* clsid) { return DumpTree(store, ClassesRoot(), ClassPath(clsid)); }

    void Open() {
        dialog = std::make_unique<CDeleteObject>(store, platform);
        ASSERT_NE(dialog->CreateModeless(), nullptr);
        ShowWindow(dialog->Hwnd(), SW_SHOW);
        list = dialog->Item(IDC_OBJECT_LIST);
        ASSERT_NE(list, nullptr);
    }

    int RowCount() const { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }
    std::wstring Cell(int row, int column) const { return ListItemText(list, row, column); }
    int FindRow(const std::wstring& name, const std::wstring& location) const {
        for (int row = 0; row < RowCount(); ++row)
            if (Cell(row, 0) == name && Cell(row, 1) == location)
                return row;
        ADD_FAILURE() << "no row " << testing::PrintToString(name) << " in "
                      << testing::PrintToString(location);
        return -1;
    }
    void Select(int row) const {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED;
        item.state = LVIS_SELECTED;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
    bool IsSelected(int row) const {
        return SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) != 0;
    }
    // Sends the command; it returns when every dialog it opened is closed.
    void Command(UINT id) const { SendMessageW(dialog->Hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    // A step that waits for a new dialog with this caption (not the one answered before),
    // records what it shows, lets act fill it in, and presses button.
    std::function<bool()> Answer(const std::wstring& caption, Asked& asked, HWND& previous,
                                 std::function<void(HWND)> act, int button = IDOK) {
        return [=, &asked, &previous] {
            HWND d = FindDialog(caption);
            if (!d || d == previous)
                return false;
            previous = d;
            asked.window = d;
            asked.owner = GetWindow(d, GW_OWNER);
            asked.caption = WindowText(d);
            asked.prompt = ItemText(d, IDC_EDIT_PROMPT);
            asked.shown = ItemText(d, caption == kIconCaption ? IDC_ICON_FILE : IDC_EDIT_TEXT);
            if (act)
                act(d);
            PostClick(d, button);
            return true;
        };
    }
    static std::function<void(HWND)> Type(const std::wstring& text, int id = IDC_EDIT_TEXT) {
        return [text, id](HWND d) { SetDlgItemTextW(d, id, text.c_str()); };
    }

    WinRegistry store;
    test::TestPlatform platform;
    std::unique_ptr<CDeleteObject> dialog;
    HWND list = nullptr;
};

// ---- Rename and Change Comment ----

TEST_F(EditCommandsTest, RenamingTwoRowsOfOneRecordAsksTwiceAndTheSecondAnswerWins) {
    WriteClass(kAlpha, L"Old");
    WriteEntry(1, kAlpha); // Control Panel (this user): the place the record is read for
    WriteEntry(2, kAlpha); // My Computer (this user)
    Open();
    ASSERT_EQ(RowCount(), 2);
    Select(0);
    Select(1);

    Asked first, second;
    HWND previous = nullptr;
    ModalScript driver;
    driver.Await(Answer(kEditCaption, first, previous, Type(L"First")))
        .Await(Answer(kEditCaption, second, previous, Type(L"Second")));
    driver.Start();
    Command(ID_RENAME);
    ASSERT_TRUE(driver.Completed());

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

TEST_F(EditCommandsTest, EmptyOrCancelledAnswersToRenameAndCommentChangeNothing) {
    WriteClass(kAlpha, L"Keep", {Sz(L"InfoTip", L"Tip")});
    WriteEntry(0, kAlpha);
    Open();
    const std::string before = Snapshot();

    Asked renamed, commented, cancelled;
    HWND previous = nullptr;
    ModalScript driver;
    driver.Await(Answer(kEditCaption, renamed, previous, Type(L"")));
    driver.Start();
    Select(0);
    Command(ID_RENAME);
    ASSERT_TRUE(driver.Completed());

    ModalScript commentDriver;
    commentDriver.Await(Answer(kEditCaption, commented, previous, Type(L"")));
    commentDriver.Start();
    Select(0);
    Command(ID_CHANGE_COMMENT);
    ASSERT_TRUE(commentDriver.Completed());

    ModalScript cancelDriver;
    cancelDriver.Await(Answer(kEditCaption, cancelled, previous, Type(L"Typed"), IDCANCEL));
    cancelDriver.Start();
    Select(0);
    Command(ID_RENAME);
    ASSERT_TRUE(cancelDriver.Completed());

    EXPECT_EQ(commented.shown, L"Tip");
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(platform.notified.empty());
    EXPECT_EQ(Cell(0, 0), L"Keep");
    EXPECT_EQ(Cell(0, 3), L"Tip");
}

TEST_F(EditCommandsTest, ChangeCommentAsksWithTheNameAndWritesTheInfoTip) {
    WriteClass(kAlpha, L"Thing", {Sz(L"InfoTip", L"Old tip")});
    WriteEntry(6, kAlpha); // My Computer (all users)
    Open();
    Select(0);
    Asked asked;
    HWND previous = nullptr;
    ModalScript driver;
    driver.Await(Answer(kEditCaption, asked, previous, Type(L"New tip")));
    driver.Start();
    Command(ID_CHANGE_COMMENT);
    ASSERT_TRUE(driver.Completed());

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
    Open();
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

class ChangeIconTest : public EditCommandsTest {
protected:
    std::wstring twoIcons = OwnModulePath();
    std::wstring shell32 = SystemDirectory() + L"\\SHELL32.dll";
    TempFolder folder;

    // Runs Change Icon on row 0; pick chooses in the chooser before OK (or Cancel).
    Asked ChangeIcon(std::function<void(HWND)> pick, int button = IDOK) {
        Asked asked;
        HWND previous = nullptr;
        ModalScript driver;
        driver.Await(Answer(kIconCaption, asked, previous, std::move(pick), button));
        driver.Start();
        Select(0);
        Command(ID_CHANGE_ICON);
        EXPECT_TRUE(driver.Completed());
        return asked;
    }
    static std::function<void(HWND)> PickItem(int index) {
        return [index](HWND d) {
            SendDlgItemMessageW(d, IDC_ICON_LIST, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
            SetFocus(GetDlgItem(d, IDC_ICON_LIST));
        };
    }
    std::wstring StoredIcon(const wchar_t* clsid) {
        HKEY key = nullptr;
        wchar_t text[600] = L"";
        DWORD size = sizeof text;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (ClassPath(clsid) + L"\\DefaultIcon").c_str(), 0, KEY_READ,
                          &key) == ERROR_SUCCESS) {
            RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
            RegCloseKey(key);
        }
        return text;
    }
};

TEST_F(ChangeIconTest, ChooserStartsOnTheStoredIconAndStoresLibraryWithIndex) {
    WriteClass(kAlpha, L"Iconic", {}, twoIcons + L",1");
    WriteEntry(0, kAlpha);
    Open();
    int selectedAtStart = -1;
    const Asked asked = ChangeIcon([&](HWND d) {
        selectedAtStart = static_cast<int>(SendDlgItemMessageW(d, IDC_ICON_LIST, LB_GETCURSEL, 0, 0));
        PickItem(0)(d);
    });
    EXPECT_EQ(asked.shown, twoIcons);
    EXPECT_EQ(selectedAtStart, 1);
    EXPECT_EQ(asked.owner, dialog->Hwnd());
    EXPECT_EQ(StoredIcon(kAlpha), twoIcons + L",0");
    EXPECT_EQ(platform.notified, (std::vector<int>{kCsidlDesktop}));
}

TEST_F(ChangeIconTest, ObjectWithoutIconStartsOnShell32AndStoresFileCommaIndex) {
    WriteClass(kAlpha, L"Plain");
    WriteEntry(4, kAlpha); // Desktop (all users)
    Open();
    const Asked asked = ChangeIcon(PickItem(4));
    EXPECT_EQ(asked.shown, shell32);
    EXPECT_EQ(StoredIcon(kAlpha), shell32 + L",4");
    EXPECT_EQ(platform.notified, (std::vector<int>{kCsidlDesktop}));
}

TEST_F(ChangeIconTest, IndexBeyondTheFileStartsOnShell32IconZero) {
    WriteClass(kAlpha, L"Stale", {}, twoIcons + L",7");
    WriteEntry(0, kAlpha);
    Open();
    int selectedAtStart = -1;
    const Asked asked = ChangeIcon(
        [&](HWND d) {
            selectedAtStart = static_cast<int>(SendDlgItemMessageW(d, IDC_ICON_LIST, LB_GETCURSEL, 0, 0));
        },
        IDCANCEL);
    EXPECT_EQ(asked.shown, shell32);
    EXPECT_EQ(selectedAtStart, 0);
}

TEST_F(ChangeIconTest, PlainIconFileIsStoredWithoutIndex) {
    const std::wstring ico = folder.File(L"mine.ico");
    ASSERT_TRUE(WriteIconFile(ico));
    WriteClass(kAlpha, L"Own icon", {}, ico);
    WriteEntry(0, kAlpha);
    Open();
    const Asked asked = ChangeIcon(PickItem(0));
    EXPECT_EQ(asked.shown, ico);
    EXPECT_EQ(StoredIcon(kAlpha), ico);
}

TEST_F(ChangeIconTest, CancelChangesNothing) {
    WriteClass(kAlpha, L"Same", {}, twoIcons + L",1");
    WriteEntry(0, kAlpha);
    Open();
    const std::string before = Snapshot();
    ChangeIcon(PickItem(0), IDCANCEL);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(platform.notified.empty());
}

// ---- Set Explorer Position ----

TEST_F(EditCommandsTest, SetPositionRefusesTheMissingDefaultAndKeepsRowsAndSelection) {
    WriteClass(kAlpha, L"Alpha");
    WriteClass(kBeta, L"Beta", {Dword(L"SortOrderIndex", 50)});
    WriteEntry(0, kAlpha);
    WriteEntry(2, kBeta);
    WriteEntry(5, kBeta);
    Open();
    ASSERT_EQ(RowCount(), 3);
    const int alphaRow = FindRow(L"Alpha", L"Desktop (this user)");
    const int betaRow = FindRow(L"Beta", L"My Computer (this user)");
    const int otherRow = FindRow(L"Beta", L"Control Panel (all users)");
    Select(alphaRow);
    Select(betaRow);
    const ShellObjectEntry* alphaEntry = dialog->EntryOfRow(alphaRow);
    const ShellObjectEntry* betaEntry = dialog->EntryOfRow(betaRow);

    Asked first, second;
    SeenBox refused;
    HWND previous = nullptr;
    std::wstring firstValue, secondValue;
    ModalScript driver;
    driver
        .AwaitDialog(L"Edit Shell Object Position of Alpha",
                     [&](HWND d) {
                         previous = first.window = d;
                         first.owner = GetWindow(d, GW_OWNER);
                         firstValue = ItemText(d, IDC_POSITION_EDIT);
                         PostClick(d, IDOK); // 256 is refused
                     })
        .Await([&] {
            HWND box = FindOwnedDialog(previous);
            if (!box)
                return false;
            refused.text = MessageBoxText(box);
            PostClick(box, IDOK);
            return true;
        })
        .Await([&] {
            if (FindOwnedDialog(previous))
                return false;
            SetDlgItemTextW(previous, IDC_POSITION_EDIT, L"10");
            PostClick(previous, IDOK);
            return true;
        })
        .AwaitDialog(L"Edit Shell Object Position of Beta", [&](HWND d) {
            second.window = d;
            secondValue = ItemText(d, IDC_POSITION_EDIT);
            SetDlgItemTextW(d, IDC_POSITION_EDIT, L"60");
            PostClick(d, IDOK);
        });
    driver.Start();
    Command(ID_SET_EXPLORER_POSITION);
    ASSERT_TRUE(driver.Completed());

    EXPECT_EQ(firstValue, L"256");
    EXPECT_EQ(refused.text, L"Enter an integer between 0 and 255.");
    EXPECT_EQ(secondValue, L"50");
    EXPECT_EQ(first.owner, dialog->Hwnd());

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

TEST_F(EditCommandsTest, CancelledPositionLeavesTheStoredValue) {
    WriteClass(kAlpha, L"Alpha", {Dword(L"SortOrderIndex", 33)});
    WriteEntry(0, kAlpha);
    Open();
    const std::string before = Snapshot();
    Select(0);
    ModalScript driver;
    driver.AwaitDialog(L"Edit Shell Object Position of Alpha", [&](HWND d) {
        SetDlgItemTextW(d, IDC_POSITION_EDIT, L"99");
        PostClick(d, IDCANCEL);
    });
    driver.Start();
    Command(ID_SET_EXPLORER_POSITION);
    ASSERT_TRUE(driver.Completed());
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(platform.notified.empty());
    EXPECT_EQ(dialog->EntryOfRow(0)->info->sortOrderIndex, 33);
}

} // namespace
} // namespace vs
