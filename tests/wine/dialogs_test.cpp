// The text, position and icon dialogs, driven in-process: modal runs steered from a
// timer, modeless ones pumped by the test.

#include "UiDriver.h"
#include "dialogs/EditTextDialog.h"
#include "dialogs/ExplorerPosition.h"
#include "dialogs/IconDialog.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "tests/support/RegistryTree.h"
#include "tests/wine/ModalScript.h"

#include <gtest/gtest.h>

#include <commctrl.h>

using namespace uitest;
using namespace vs::test;

namespace {

constexpr wchar_t kEditCaption[] = L"Edit Shell Object";
constexpr wchar_t kIconCaption[] = L"Choose Icon";

// Shows a modeless dialog and gives it the keyboard focus, as a modal run would.
void Activate(HWND dialog) {
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    SetActiveWindow(dialog);
    EXPECT_TRUE(PumpUntil([dialog] { return GetActiveWindow() == dialog && IsChild(dialog, GetFocus()); },
                          30000, dialog));
}

// A script step that waits until no message box is left over dialog (read when the step
// runs), then acts on the dialog.
std::function<bool()> OnceBoxGone(const HWND& dialog, std::function<void(HWND)> act) {
    return [&dialog, act] {
        if (FindOwnedDialog(dialog))
            return false;
        act(dialog);
        return true;
    };
}

// Runs the position dialog with this title and start value; act works it once it shows.
int RunPosition(CExplorerPosition& dialog, const std::wstring& title, int position,
                std::function<void(HWND)> act) {
    dialog.title = title;
    dialog.position = position;
    ModalScript driver;
    driver.AwaitDialog(title, std::move(act));
    return driver.RunModal(dialog);
}

class TestApp : public CWinApp {
protected:
    bool InitInstance() override { return false; }
};

} // namespace

// ---- CEditTextDialog ----

TEST(EditTextDialog, ShowsPromptAndTextAndConfirmingUnchangedEmptyTextGivesOk) {
    CEditTextDialog dialog(nullptr);
    dialog.prompt = L"Enter a new Name for the Item \"A\":";
    ModalScript driver;
    driver.AwaitDialog(kEditCaption, [&](HWND d) {
        EXPECT_EQ(ItemText(d, IDC_EDIT_PROMPT), L"Enter a new Name for the Item \"A\":");
        EXPECT_EQ(ItemText(d, IDC_EDIT_TEXT), L"");
        PostClick(d, IDOK);
    });
    EXPECT_EQ(driver.RunModal(dialog), IDOK);
    EXPECT_EQ(dialog.text, L"");
}

TEST(EditTextDialog, CancelOrEscapeLeavesCallersTextUntouchedEvenAfterTyping) {
    for (const bool escape : {false, true}) {
        CEditTextDialog dialog(nullptr);
        dialog.prompt = L"Prompt";
        dialog.text = L"Old name";
        ModalScript driver;
        driver.AwaitDialog(kEditCaption, [&](HWND d) {
            SetDlgItemTextW(d, IDC_EDIT_TEXT, L"New name");
            if (escape)
                PostKey(GetDlgItem(d, IDC_EDIT_TEXT), VK_ESCAPE);
            else
                PostClick(d, IDCANCEL);
        });
        EXPECT_EQ(driver.RunModal(dialog), IDCANCEL) << escape;
        EXPECT_EQ(dialog.text, L"Old name") << escape;
    }
}

TEST(EditTextDialog, EnterInTheSelectedEditConfirmsTheTypedText) {
    OwnerWindow owner(100, 100, 500, 400);
    CEditTextDialog dialog(owner.Hwnd());
    dialog.prompt = L"Prompt";
    dialog.text = L"Old name";
    ModalScript driver;
    driver.AwaitDialog(kEditCaption, [&](HWND d) {
        HWND edit = GetDlgItem(d, IDC_EDIT_TEXT);
        EXPECT_EQ(GetFocus(), edit);
        EXPECT_EQ(SendMessageW(edit, EM_GETSEL, 0, 0), MAKELRESULT(0, 8)) << "all selected";
        EXPECT_EQ(GetWindow(d, GW_OWNER), owner.Hwnd());
        EXPECT_FALSE(IsWindowEnabled(owner.Hwnd()));
        SetWindowTextW(edit, L"Typed");
        PostKey(edit, VK_RETURN);
    });
    EXPECT_EQ(driver.RunModal(dialog), IDOK);
    EXPECT_EQ(dialog.text, L"Typed");
}

// ---- CExplorerPosition ----

// Each refusal names what is wrong and keeps the dialog open with the focus in the edit;
// Cancel after a refusal keeps the caller's value.
TEST(ExplorerPosition, RefusesEmptyAndOutOfRangeTextWithItsMessageThenTakesTheMaximumOrCancel) {
    const std::wstring range = L"Enter an integer between 0 and 255.";
    struct Answer {
        const wchar_t* text; // typed before the button; null: the text as shown
        int button;
        std::wstring refusal; // the message an OK brings up; empty: none
    };
    const struct {
        int start;
        std::vector<Answer> answers; // the last one closes the dialog
        int position;
    } cases[] = {
        {256, {{nullptr, IDOK, range}, {L"255", IDOK, L""}}, 255},
        {40, {{L"", IDOK, L"Enter an integer."}, {L"300", IDOK, range}, {nullptr, IDCANCEL, L""}}, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        OwnerWindow owner(100, 100, 600, 400);
        CExplorerPosition dialog(owner.Hwnd());
        dialog.position = c.start;
        dialog.title = L"Edit Shell Object Position of Sample";
        HWND d = nullptr;
        std::vector<SeenBox> boxes(c.answers.size());
        ModalScript driver;
        driver.AwaitDialog(dialog.title, [&](HWND shown) {
            d = shown;
            EXPECT_EQ(ItemText(d, IDC_POSITION_EDIT), std::to_wstring(c.start));
        });
        for (std::size_t i = 0; i < c.answers.size(); ++i) {
            const Answer& answer = c.answers[i];
            driver.Await(OnceBoxGone(d, [&answer, i](HWND d) {
                if (i > 0) {
                    EXPECT_TRUE(IsWindow(d) && IsWindowVisible(d)) << "stayed open";
                    EXPECT_EQ(GetFocus(), GetDlgItem(d, IDC_POSITION_EDIT));
                }
                if (answer.text)
                    SetDlgItemTextW(d, IDC_POSITION_EDIT, answer.text);
                PostClick(d, answer.button);
            }));
            if (!answer.refusal.empty())
                driver.Await(DismissBox(d, boxes[i]));
        }
        EXPECT_EQ(driver.RunModal(dialog), c.answers.back().button);
        for (std::size_t i = 0; i < c.answers.size(); ++i)
            EXPECT_EQ(boxes[i].text, c.answers[i].refusal) << i;
        EXPECT_EQ(dialog.position, c.position);
    }
}

TEST(ExplorerPosition, ReadsLeadingZerosAsDecimalAndRefusesLetters) {
    CExplorerPosition dialog;
    const auto act = [&](HWND d) {
        HWND edit = GetDlgItem(d, IDC_POSITION_EDIT);
        SetWindowTextW(edit, L"");
        SendMessageW(edit, WM_CHAR, L'0', 1);
        SendMessageW(edit, WM_CHAR, L'x', 1);
        SendMessageW(edit, WM_CHAR, L'0', 1);
        SendMessageW(edit, WM_CHAR, L'7', 1);
        EXPECT_EQ(WindowText(edit), L"007");
        PostClick(d, IDOK);
    };
    EXPECT_EQ(RunPosition(dialog, L"Position", 12, act), IDOK);
    EXPECT_EQ(dialog.position, 7);
}

TEST(ExplorerPosition, UpDownStopsAtTheRangeAndOkHasTheFocus) {
    CExplorerPosition dialog;
    const auto act = [&](HWND d) {
        EXPECT_EQ(GetFocus(), GetDlgItem(d, IDOK));
        int low = -1, high = -1;
        SendDlgItemMessageW(d, IDC_POSITION_SPIN, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                            reinterpret_cast<LPARAM>(&high));
        EXPECT_EQ(low, 0);
        EXPECT_EQ(high, 255);
        HWND edit = GetDlgItem(d, IDC_POSITION_EDIT);
        SetFocus(edit);
        // The up-down follows its buddy's text when an arrow key steps it.
        for (int press = 0; press < 2; ++press) {
            SendMessageW(edit, WM_KEYDOWN, VK_UP, 1);
            EXPECT_EQ(WindowText(edit), L"255") << press;
        }
        PostClick(d, IDOK);
    };
    EXPECT_EQ(RunPosition(dialog, L"Steps", 254, act), IDOK);
    EXPECT_EQ(dialog.position, 255);
}

TEST(ExplorerPosition, RunsAgainWithNewTitleAndValueAndIsOwnedByTheMainWindowByDefault) {
    // Half the work area in its middle, so that a dialog centred over it is never pushed
    // back onto the screen.
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
    OwnerWindow mainWindow(area.left + areaWidth / 4, area.top + areaHeight / 4, areaWidth / 2,
                           areaHeight / 2);
    TestApp app;
    app.SetMainWindow(mainWindow.Hwnd());
    CExplorerPosition dialog;
    const struct {
        const wchar_t* title;
        int value;
    } runs[] = {{L"Edit Shell Object Position of One", 10}, {L"Edit Shell Object Position of Two", 20}};
    for (const auto& run : runs) {
        const auto act = [&](HWND d) {
            EXPECT_EQ(WindowText(d), run.title);
            EXPECT_EQ(ItemText(d, IDC_POSITION_EDIT), std::to_wstring(run.value));
            EXPECT_EQ(GetWindow(d, GW_OWNER), mainWindow.Hwnd());
            RECT r{}, o{};
            GetWindowRect(d, &r);
            GetWindowRect(mainWindow.Hwnd(), &o);
            EXPECT_NEAR((r.left + r.right) / 2, (o.left + o.right) / 2, 2) << "centred";
            EXPECT_NEAR((r.top + r.bottom) / 2, (o.top + o.bottom) / 2, 2) << "centred";
            PostClick(d, IDOK);
        };
        EXPECT_EQ(RunPosition(dialog, run.title, run.value, act), IDOK);
    }
}

// ---- CIconDialog ----

class IconDialogTest : public ::testing::Test {
protected:
    // Opens the dialog modeless, shown with the focus as a modal run shows it.
    bool Open() {
        d = dialog.CreateModeless();
        if (d)
            Activate(d);
        return d != nullptr;
    }
    int ListCount() const { return static_cast<int>(SendMessageW(List(), LB_GETCOUNT, 0, 0)); }
    int ListSelection() const { return static_cast<int>(SendMessageW(List(), LB_GETCURSEL, 0, 0)); }
    HWND List() const { return GetDlgItem(d, IDC_ICON_LIST); }
    HWND Edit() const { return GetDlgItem(d, IDC_ICON_FILE); }
    HICON ItemIcon(int i) const {
        return reinterpret_cast<HICON>(SendMessageW(List(), LB_GETITEMDATA, static_cast<WPARAM>(i), 0));
    }

    // Types file into the name field and presses Enter there.
    void EnterFile(const std::wstring& file) {
        SetWindowTextW(Edit(), file.c_str());
        SetFocus(Edit());
        PostKey(Edit(), VK_RETURN);
        PumpPending(d);
    }
    // Runs action, which brings up a message box over the dialog; answers it and returns it.
    SeenBox BoxFrom(const std::function<void()>& action, Where where = Where::current()) {
        SeenBox box;
        ModalScript script;
        script.Await(DismissBox(d, box), "a message box", ModalScript::kWaitMs, where);
        script.Start(where);
        action();
        ExpectAt(script.Completed(), where, "no message box was answered");
        return box;
    }
    // Presses Browse; once the file browser shows, notes its title and the name it offers,
    // then opens choice, or cancels when choice is empty.
    struct SeenBrowser {
        std::wstring title;
        std::wstring offered = L"(not seen)";
    };
    SeenBrowser Browse(const std::wstring& choice = L"", Where where = Where::current());

    CIconDialog dialog{nullptr};
    HWND d = nullptr;
    std::wstring shell32 = SystemDirectory() + L"\\SHELL32.dll";
    std::wstring twoIcons = OwnModulePath(); // this program: the window and row icons
    TempFolder folder;
};

namespace {
// The file name field of the open-file dialog (edt1, or the combo box cmb13 around it).
HWND FileNameField(HWND browser) {
    if (HWND edit = GetDlgItem(browser, 0x480))
        return edit;
    return GetDlgItem(browser, 0x47c);
}

// Whether the icon is still alive (its bitmaps are released again).
bool IsIcon(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return false;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return true;
}
} // namespace

IconDialogTest::SeenBrowser IconDialogTest::Browse(const std::wstring& choice, Where where) {
    SeenBrowser seen;
    ModalScript script;
    script.Await(
        [&] {
            const HWND browser = FindOwnedDialog(d);
            if (!browser || !FileNameField(browser))
                return false;
            seen.title = WindowText(browser);
            seen.offered = WindowText(FileNameField(browser));
            if (!choice.empty())
                SetWindowTextW(FileNameField(browser), choice.c_str());
            PostClick(browser, choice.empty() ? IDCANCEL : IDOK);
            return true;
        },
        "the file browser", ModalScript::kWaitMs, where);
    script.Start(where);
    SendDlgItemMessageW(d, IDC_ICON_BROWSE, BM_CLICK, 0, 0);
    ExpectAt(script.Completed(), where, "the file browser was not answered");
    return seen;
}

TEST_F(IconDialogTest, StartIndexBeyondTheFileKeepsShell32WithIconZero) {
    const std::wstring ico = folder.File(L"one.ico");
    ASSERT_TRUE(WriteIconFile(ico));
    EXPECT_FALSE(dialog.SetStartIcon({ico, 1}));
    EXPECT_FALSE(dialog.SetStartIcon({folder.File(L"missing.dll"), 0}));
    EXPECT_FALSE(dialog.SetStartIcon({L"", 0}));
    ASSERT_TRUE(Open());
    EXPECT_EQ(Folded(ItemText(d, IDC_ICON_FILE)), Folded(shell32));
    EXPECT_EQ(ItemText(d, IDC_ICON_FILE).substr(ItemText(d, IDC_ICON_FILE).size() - 12), L"\\SHELL32.dll");
    EXPECT_GT(ListCount(), 1);
    EXPECT_EQ(ListSelection(), 0);
}

TEST_F(IconDialogTest, NegativeStartIndexIsAcceptedButSelectsNothing) {
    EXPECT_TRUE(dialog.SetStartIcon({twoIcons, -3}));
    ASSERT_TRUE(Open());
    EXPECT_EQ(ItemText(d, IDC_ICON_FILE), twoIcons);
    EXPECT_EQ(ListCount(), 2);
    EXPECT_EQ(ListSelection(), LB_ERR);
}

TEST_F(IconDialogTest, ListShowsIconsInColumnsOfTheirOwnSize) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(SendMessageW(List(), LB_GETITEMHEIGHT, 0, 0), GetSystemMetrics(SM_CYICON) + 12);
    RECT first{};
    SendMessageW(List(), LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    EXPECT_EQ(first.right - first.left, GetSystemMetrics(SM_CXICON) + 6);
    // Items run down a column, then on in the next one: the list scrolls sideways.
    const LONG_PTR style = GetWindowLongPtrW(List(), GWL_STYLE);
    EXPECT_TRUE(style & LBS_MULTICOLUMN);
    EXPECT_TRUE(style & WS_HSCROLL);
    EXPECT_FALSE(style & LBS_HASSTRINGS);

    // Asked again, as the list asks whenever it measures its items, the dialog gives the
    // same height; other controls are left to the standard handling.
    MEASUREITEMSTRUCT measure{ODT_LISTBOX, IDC_ICON_LIST, 0, 0, 1, 0};
    SendMessageW(d, WM_MEASUREITEM, IDC_ICON_LIST, reinterpret_cast<LPARAM>(&measure));
    EXPECT_EQ(measure.itemHeight, static_cast<UINT>(GetSystemMetrics(SM_CYICON) + 12));
    MEASUREITEMSTRUCT other{ODT_LISTBOX, 4711, 0, 0, 1, 0};
    SendMessageW(d, WM_MEASUREITEM, 4711, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ(other.itemHeight, 1u);
}

TEST_F(IconDialogTest, ValidStartIconIsShownAndSelectedAndItsIconsGoWithTheWindowAndOnReload) {
    EXPECT_TRUE(dialog.SetStartIcon({twoIcons, 1}));
    ASSERT_TRUE(Open());
    EXPECT_EQ(ItemText(d, IDC_ICON_FILE), twoIcons);
    EXPECT_EQ(ListCount(), 2);
    EXPECT_EQ(ListSelection(), 1);
    // Every item carries its own icon, owned by the dialog.
    const HICON firstLoad = ItemIcon(0);
    ASSERT_TRUE(IsIcon(firstLoad));
    EXPECT_TRUE(IsIcon(ItemIcon(1)));
    // Enter in the file name reloads the same file: the old icons go.
    EnterFile(twoIcons);
    ASSERT_TRUE(IsWindow(d));
    EXPECT_EQ(ListCount(), 2);
    const HICON secondLoad[] = {ItemIcon(0), ItemIcon(1)};
    // A new icon can have the old one's handle only if the old one was destroyed first.
    const bool reused = firstLoad == secondLoad[0] || firstLoad == secondLoad[1];
    EXPECT_TRUE(reused || !IsIcon(firstLoad)) << "the first load's icon outlived the reload";
    DestroyWindow(d);
    EXPECT_FALSE(IsIcon(secondLoad[0]));
    EXPECT_FALSE(IsIcon(secondLoad[1]));
}

TEST_F(IconDialogTest, EnterInTheFileNameReloadsAndOkAfterTypingLoadsLikeEnterThenTakesTheIcon) {
    ASSERT_TRUE(Open());
    const int shell32Icons = ListCount();
    ASSERT_GT(shell32Icons, 2);
    EnterFile(twoIcons);
    ASSERT_TRUE(IsWindow(d));
    EXPECT_EQ(ListCount(), 2);
    EXPECT_EQ(ListSelection(), 0);
    EXPECT_EQ(GetFocus(), Edit());
    // Again, with the focus still in the edit: reloads again and stays open.
    EnterFile(shell32);
    ASSERT_TRUE(IsWindow(d));
    EXPECT_EQ(ListCount(), shell32Icons);
    EXPECT_EQ(dialog.Result(), IDCANCEL);

    // OK after typing a file name loads it like Enter; the next OK takes its icon.
    SetDlgItemTextW(d, IDC_ICON_FILE, twoIcons.c_str());
    ChooseIconAt(d, 4);
    PumpPending(d);
    ASSERT_TRUE(IsWindow(d)) << "index 4 of the old list names no icon of the typed file";
    EXPECT_EQ(dialog.Result(), IDCANCEL);
    EXPECT_EQ(ListCount(), 2);
    EXPECT_EQ(ListSelection(), 0);

    ChooseIconAt(d, 1);
    PumpPending();
    EXPECT_FALSE(IsWindow(d));
    EXPECT_EQ(dialog.Result(), IDOK);
    EXPECT_EQ(dialog.icon.file, twoIcons);
    EXPECT_EQ(dialog.icon.index, 1);
}

TEST_F(IconDialogTest, DoubleClickClosesWithThatIcon) {
    ASSERT_TRUE(Open());
    RECT item{};
    ASSERT_NE(SendMessageW(List(), LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item)), LB_ERR);
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        PostMessageW(List(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(d); }, 30000, d));
    EXPECT_EQ(dialog.Result(), IDOK);
    EXPECT_EQ(Folded(dialog.icon.file), Folded(shell32));
    EXPECT_EQ(dialog.icon.index, 2);
}

TEST_F(IconDialogTest, MissingFileAndFolderGiveTheirMessagesAndEmptyTheList) {
    ASSERT_TRUE(Open());
    const std::wstring missing = folder.File(L"missing.dll");
    const SeenBox missingBox = BoxFrom([&] { EnterFile(missing); });
    EXPECT_EQ(missingBox.caption, kIconCaption);
    EXPECT_EQ(missingBox.text, L"Cannot find the file '" + missing + L"', Please select another file");
    EXPECT_TRUE(IsWindow(d));
    EXPECT_EQ(ListCount(), 0);

    const SeenBox folderBox = BoxFrom([&] { EnterFile(folder.Path()); });
    EXPECT_EQ(folderBox.caption, kIconCaption);
    EXPECT_EQ(folderBox.text, L"The file '" + folder.Path() + L"' contains no icons");
    EXPECT_TRUE(IsWindow(d));
    EXPECT_EQ(ListCount(), 0);
}

TEST_F(IconDialogTest, OkWithoutSelectionAsksForAnIconAndFocusesTheList) {
    ASSERT_TRUE(Open());
    SendMessageW(List(), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetFocus(GetDlgItem(d, IDOK));
    const SeenBox box = BoxFrom([&] { SendDlgItemMessageW(d, IDOK, BM_CLICK, 0, 0); });
    EXPECT_EQ(box.caption, kIconCaption);
    EXPECT_EQ(box.text, L"Please select an icon");
    EXPECT_TRUE(IsWindow(d));
    EXPECT_EQ(GetFocus(), List());
    EXPECT_EQ(dialog.Result(), IDCANCEL);
}

TEST_F(IconDialogTest, CancelReturnsCancelFromAModalRun) {
    ASSERT_TRUE(dialog.SetStartIcon({twoIcons, 1}));
    ModalScript driver;
    driver.AwaitDialog(kIconCaption, [&](HWND chooser) {
        SendDlgItemMessageW(chooser, IDC_ICON_LIST, LB_SETCURSEL, 0, 0);
        PostClick(chooser, IDCANCEL);
    });
    EXPECT_EQ(driver.RunModal(dialog), IDCANCEL);
}

TEST_F(IconDialogTest, MakeIconLocationGivesPlainIconFileAloneAndLibraryWithIndex) {
    const std::wstring ico = folder.File(L"plain.ico");
    ASSERT_TRUE(WriteIconFile(ico));
    EXPECT_EQ(CIconDialog::MakeIconLocation({ico, 0}), ico);
    EXPECT_EQ(CIconDialog::MakeIconLocation({shell32, 4}), shell32 + L",4");
    EXPECT_EQ(CIconDialog::MakeIconLocation({twoIcons, 1}), twoIcons + L",1");
    EXPECT_EQ(CIconDialog::MakeIconLocation({folder.File(L"gone.dll"), -3}),
              folder.File(L"gone.dll") + L",-3");
}

// ---- Browse ----

TEST_F(IconDialogTest, BrowseCancelledChangesNothingAndOffersTheCurrentFileAndLoadsTheChosenOne) {
    ASSERT_TRUE(dialog.SetStartIcon({shell32, 3}));
    ASSERT_TRUE(Open());
    const int count = ListCount();
    Browse();
    EXPECT_EQ(ItemText(d, IDC_ICON_FILE), shell32);
    EXPECT_EQ(ListCount(), count);
    EXPECT_EQ(ListSelection(), 3);
    const SeenBrowser browser = Browse(twoIcons);
    EXPECT_EQ(browser.title, kIconCaption);
    // The browser shows the current file's name (it may open in its folder).
    ASSERT_FALSE(browser.offered.empty());
    EXPECT_EQ(Folded(shell32).substr(shell32.size() - std::min(browser.offered.size(), shell32.size())),
              Folded(browser.offered));
    EXPECT_EQ(Folded(ItemText(d, IDC_ICON_FILE)), Folded(twoIcons));
    EXPECT_EQ(ListCount(), 2);
    EXPECT_EQ(ListSelection(), 0);
}

TEST_F(IconDialogTest, BrowseWithFileNameLongerThanItsBufferStartsEmpty) {
    ASSERT_TRUE(Open());
    // Enter takes the typed name into the dialog, which cannot find it.
    const std::wstring overlong = L"C:\\" + std::wstring(300, L'a') + L".dll";
    EXPECT_EQ(BoxFrom([&] { EnterFile(overlong); }).text,
              L"Cannot find the file '" + overlong + L"', Please select another file");
    EXPECT_EQ(Browse().offered, L"");
    ASSERT_TRUE(IsWindow(d));
    EXPECT_EQ(ItemText(d, IDC_ICON_FILE), overlong);

    // A name of exactly 259 characters still fits with its terminator and is offered.
    const std::wstring longest = L"C:\\" + std::wstring(252, L'b') + L".dll";
    ASSERT_EQ(longest.size(), CIconDialog::kBrowseBufferChars - 1);
    BoxFrom([&] { EnterFile(longest); });
    const std::wstring offered = Browse().offered;
    EXPECT_FALSE(offered.empty());
    EXPECT_NE(longest.find(offered), std::wstring::npos);
}
