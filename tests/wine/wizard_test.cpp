// The creation wizard, run for real under Wine: its modal run is driven from inside by a
// timer script (ModalScript), which presses the wizard buttons by posting, as a user's
// clicks arrive, and reads the buttons back once the pages' posted states are in force.

#include "res/resource.h"
#include "store/ClassRoots.h"
#include "store/DesktopIcon.h"
#include "store/NamespaceLocation.h"
#include "store/RegKey.h"
#include "tests/support/RegistryTree.h"
#include "tests/support/TestPlatform.h"
#include "tests/support/TestRegistry.h"
#include "tests/wine/ModalScript.h"
#include "tests/wine/UiDriver.h"
#include "tests/wine/WizardDriver.h"
#include "wizard/LocationIcon.h"
#include "wizard/MainWizard.h"

#include <commctrl.h>
#include <objbase.h>
#include <prsht.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

namespace vs::test {
namespace {

using namespace uitest;

constexpr unsigned kBack = PSWIZB_BACK;
constexpr unsigned kNext = PSWIZB_NEXT;
constexpr unsigned kFinish = PSWIZB_FINISH;

std::wstring WindowsDirectory() {
    wchar_t path[MAX_PATH] = L"";
    GetWindowsDirectoryW(path, MAX_PATH);
    return path;
}

// --- the icon step's loader, on its own ---------------------------------------------------

// Which locations give an icon. Without a comma the first icon of the file; a comma inside
// the file name splits there unless the whole text is an icon file; an index beyond the
// icons is taken as a resource id (the test program holds two icon groups, with the ids 134
// and 135); indexes that are neither, files that hold no icon and texts that name no file
// give none, and no fault.
TEST(LocationIcon, LoadsTheIconALocationNamesAndNothingElse) {
    EXPECT_EQ(DefaultIconLocation(), WindowsDirectory() + L"\\System32\\SHELL32.DLL,4");
    TempFolder temp;
    const std::wstring folder = temp.File(L"a,b");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring program = folder + L"\\x.exe", icon = folder + L"\\x.ico",
                       text = temp.File(L"notes.txt");
    ASSERT_TRUE(CopyFileW(OwnModulePath().c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(WriteIconFile(icon));
    ASSERT_TRUE(WriteIconFile(temp.File(L"app.ico")));
    ASSERT_TRUE(std::ofstream(std::filesystem::path(text)) << "not an icon\r\n");
    const std::wstring self = OwnModulePath();
    // clang-format off
    const std::pair<std::wstring, bool> cases[] = {
        {DefaultIconLocation(), true}, {self, true}, {temp.File(L"app.ico"), true},
        {program, false}, // split at the folder's comma, so no such file
        {program + L",0", true}, {icon, true}, {self + L",1", true}, {self + L",2", false},
        {self + L",134", true}, {self + L",135", true}, {self + L",136", false}, {self + L",-1", false},
        {self + L",65536", false}, {self + L",70134", false}, {self + L",4294967296", false},
        {self + L",99999999999999999999", false}, {self + L",-70000", false}, {L"", false}, {L",", false},
        {L"C:\\no such folder\\none.dll,3", false}, {std::wstring(40000, L'x') + L",1", false},
        {self + std::wstring(40000, L'\\') + L",134", false}, {text, false}, {text + L",0", false},
        {temp.Path(), false}};
    // clang-format on
    for (const auto& [location, loads] : cases)
        EXPECT_EQ(static_cast<bool>(LoadLocationIcon(location)), loads)
            << testing::PrintToString(location.substr(0, 100));
}

// --- the wizard, run modally and driven by a script ---------------------------------------

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitCommonControls();
        (void)CoInitialize(nullptr);
    }
    void TearDown() override { CoUninitialize(); }

    // Runs the wizard with the steps built so far, which must all run.
    INT_PTR Run(Where where = Where::current()) { return script.RunModal(wizard, where); }
    // Ends the script with Cancel and runs it: the wizard reports the cancel.
    void RunToCancel(Where where = Where::current()) {
        user.Cancel(where);
        ExpectAt(Run(where) == IDCANCEL, where, "the wizard did not end with IDCANCEL");
    }

    std::unique_ptr<RegistryStore> registry = MakeTestRegistry();
    TestPlatform platform;
    CMainWizard wizard{L"", nullptr, 0, *registry, platform};
    ModalScript script;
    WizardDriver user{script};
};

TEST_F(WizardTest, StepOneOffersNextOnlyWhileTheNameIsNotEmpty) {
    user.AwaitStep(1).ExpectButtons(0);
    user.Type(IDC_NAME_EDIT, L"A").ExpectButtons(kNext);
    user.SetText(IDC_NAME_EDIT, L"").ExpectButtons(0);
    user.SetText(IDC_NAME_EDIT, L" ").ExpectButtons(kNext);
    user.Do([](HWND sheet, HWND) { EXPECT_FALSE(IsWindowVisible(GetDlgItem(sheet, 0x3025))); });
    RunToCancel();
}

TEST_F(WizardTest, StepTwoChecksOnlyTheTargetOfTheChosenKind) {
    user.AwaitStep(1).WalkTo(1, 2).ExpectChecked({IDC_FUNCTION_FOLDER}, true);
    user.ExpectChecked({IDC_FUNCTION_PROGRAM}, false)
        .ExpectEnabled({IDC_FOLDER_EDIT, IDC_FOLDER_BROWSE}, true);
    user.ExpectEnabled({IDC_PROGRAM_EDIT, IDC_PROGRAM_BROWSE}, false).ExpectButtons(kBack);
    user.Type(IDC_FOLDER_EDIT, L"C").ExpectButtons(kBack | kNext);
    user.Click(IDC_FUNCTION_PROGRAM)
        .ExpectButtons(kBack)
        .ExpectEnabled({IDC_FOLDER_EDIT, IDC_FOLDER_BROWSE}, false);
    user.ExpectEnabled({IDC_PROGRAM_EDIT, IDC_PROGRAM_BROWSE}, true).ExpectText(IDC_FOLDER_EDIT, L"C");
    user.Type(IDC_PROGRAM_EDIT, L"x").ExpectButtons(kBack | kNext);
    user.SetText(IDC_PROGRAM_EDIT, L"").ExpectButtons(kBack);
    user.Click(IDC_FUNCTION_FOLDER).ExpectButtons(kBack | kNext);
    RunToCancel();
}

// Counts the pixels the preview draws: it draws into a bitmap of one colour, large
// enough for an icon, so that neither the screen nor the preview's size (which follows the
// dialog font) matters.
int PreviewInk(HWND page) {
    const HWND preview = GetDlgItem(page, IDC_ICON_PREVIEW);
    RECT rect{};
    GetClientRect(preview, &rect);
    const int width = std::max<int>(rect.right, GetSystemMetrics(SM_CXICON));
    const int height = std::max<int>(rect.bottom, GetSystemMetrics(SM_CYICON));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    constexpr DWORD kBackground = 0x00FF00FF;
    auto* pixels = static_cast<DWORD*>(bits);
    std::fill(pixels, pixels + width * height, kBackground);
    DRAWITEMSTRUCT draw{ODT_STATIC, IDC_ICON_PREVIEW, 0, ODA_DRAWENTIRE, 0, preview, dc, rect, 0};
    SendMessageW(page, WM_DRAWITEM, IDC_ICON_PREVIEW, reinterpret_cast<LPARAM>(&draw));
    GdiFlush();
    const auto ink = std::count_if(pixels, pixels + width * height,
                                   [](DWORD pixel) { return (pixel & 0x00FFFFFF) != kBackground; });
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return static_cast<int>(ink);
}

TEST_F(WizardTest, StepThreeReloadsAndPreviewsTheIconOnEveryKeystroke) {
    user.AwaitStep(1).WalkTo(1, 3).ExpectText(IDC_ICON_LOCATION, DefaultIconLocation());
    user.ExpectButtons(kBack | kNext).SetText(IDC_ICON_LOCATION, OwnModulePath() + L",");
    // ",1" is the second icon; ",13" none; ",134" the resource id; then back again.
    user.Type(IDC_ICON_LOCATION, L"1").ExpectButtons(kBack | kNext);
    user.Type(IDC_ICON_LOCATION, L"3").ExpectButtons(kBack);
    user.Type(IDC_ICON_LOCATION, L"4").ExpectButtons(kBack | kNext);
    user.Type(IDC_ICON_LOCATION, L"\b").ExpectButtons(kBack);
    user.Type(IDC_ICON_LOCATION, L"\b").ExpectButtons(kBack | kNext);
    user.Click(IDC_ICON_RESET)
        .ExpectButtons(kBack | kNext)
        .ExpectText(IDC_ICON_LOCATION, DefaultIconLocation());
    user.Do([](HWND, HWND page) { EXPECT_GT(PreviewInk(page), 50); });
    user.SetText(IDC_ICON_LOCATION, L"C:\\nothing here.dll,0").ExpectButtons(kBack);
    user.Do([](HWND, HWND page) { EXPECT_EQ(PreviewInk(page), 0); });
    user.Click(IDC_ICON_RESET);
    user.Do([](HWND, HWND page) { EXPECT_GT(PreviewInk(page), 50); });
    RunToCancel();
}

// Next only while a place is checked; the category list follows Control Panel and keeps
// its selection; the desktop options start unchecked and are usable only with Desktop.
TEST_F(WizardTest, StepFourOffersNextWithAPlaceTheCategoryWithControlPanelAndTheDesktopOptionsWithDesktop) {
    const std::vector<int> places{IDC_PLACE_MYCOMPUTER, IDC_PLACE_DESKTOP, IDC_PLACE_CONTROLPANEL,
                                  IDC_PLACE_NETWORK};
    const std::vector<int> desktopOptions{IDC_NAVIGATION_PANE, IDC_HIDE_DESKTOP_ICON};
    user.AwaitStep(1).WalkTo(1, 4).ExpectChecked({IDC_SCOPE_ALL_USERS}, true);
    user.ExpectChecked({IDC_SCOPE_CURRENT_USER}, false).ExpectChecked(places, false).ExpectButtons(kBack);
    user.ExpectEnabled({IDC_CATEGORY_COMBO}, false).ExpectEnabled(desktopOptions, false);
    user.ExpectChecked(desktopOptions, false);
    for (int id : places) {
        user.Click(id).ExpectButtons(kBack | kNext);
        user.Click(id).ExpectButtons(kBack);
    }
    user.Do([](HWND, HWND page) {
        const HWND combo = GetDlgItem(page, IDC_CATEGORY_COMBO);
        const wchar_t* expected[] = {L"Other",
                                     L"Appearance and Themes",
                                     L"Printers and Other Hardware",
                                     L"Network and Internet Options",
                                     L"Sounds, Speech, and Audio Devices",
                                     L"Performance and Maintenance",
                                     L"Date, Time, Language, and Regional Options",
                                     L"Accessibility Options",
                                     L"Add or Remove Programs",
                                     L"User Accounts",
                                     L"No Category"};
        ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 11);
        for (int i = 0; i < 11; ++i) {
            wchar_t text[64] = L"";
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            EXPECT_STREQ(text, expected[i]) << i;
        }
        EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 10);
    });
    user.Click(IDC_PLACE_CONTROLPANEL).ExpectEnabled({IDC_CATEGORY_COMBO}, true).Do([](HWND, HWND page) {
        SendDlgItemMessageW(page, IDC_CATEGORY_COMBO, CB_SETCURSEL, 9, 0);
    });
    user.Click(IDC_PLACE_CONTROLPANEL).ExpectEnabled({IDC_CATEGORY_COMBO}, false).Do([](HWND, HWND page) {
        EXPECT_EQ(SendDlgItemMessageW(page, IDC_CATEGORY_COMBO, CB_GETCURSEL, 0, 0), 9);
    });
    user.Click(IDC_PLACE_MYCOMPUTER)
        .ExpectEnabled(desktopOptions, false)
        .ExpectChecked(desktopOptions, false);
    user.Click(IDC_PLACE_DESKTOP).ExpectEnabled(desktopOptions, true).ExpectChecked(desktopOptions, false);
    user.Click(IDC_PLACE_DESKTOP).ExpectEnabled(desktopOptions, false).ExpectChecked(desktopOptions, false);
    RunToCancel();
}

TEST_F(WizardTest, StepFiveHideIfDeletedIsUsableOnlyWithAllowDeleteAndKeepsItsMark) {
    user.AwaitStep(1).WalkTo(1, 5).ExpectButtons(kBack | kFinish).ExpectChecked({IDC_FLAG_DRAG_DROP}, true);
    user.ExpectChecked({IDC_FLAG_PROPERTY_SHEET, IDC_FLAG_ALLOW_DELETE, IDC_FLAG_ALLOW_COPY,
                        IDC_FLAG_ALLOW_LINK, IDC_FLAG_ALLOW_MOVE, IDC_FLAG_REMOVABLE,
                        IDC_FLAG_HIDE_IF_DELETED},
                       false);
    user.ExpectEnabled({IDC_FLAG_HIDE_IF_DELETED}, false).Do([](HWND sheet, HWND) {
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(sheet, 0x3025)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(sheet, 0x3024)));
    });
    user.Click(IDC_FLAG_ALLOW_DELETE).ExpectEnabled({IDC_FLAG_HIDE_IF_DELETED}, true);
    user.Click(IDC_FLAG_HIDE_IF_DELETED).Click(IDC_FLAG_ALLOW_DELETE);
    user.ExpectEnabled({IDC_FLAG_HIDE_IF_DELETED}, false).ExpectChecked({IDC_FLAG_HIDE_IF_DELETED}, true);
    // Finish stays on offer whatever is checked.
    for (int id : {IDC_FLAG_PROPERTY_SHEET, IDC_FLAG_ALLOW_COPY, IDC_FLAG_DRAG_DROP})
        user.Click(id).ExpectButtons(kBack | kFinish);
    RunToCancel();
}

TEST_F(WizardTest, BackFromStepFourWithoutAPlaceOffersNextOnStepThree) {
    user.AwaitStep(1).WalkTo(1, 4).ExpectButtons(kBack);
    user.Back(3).ExpectButtons(kBack | kNext);
    user.Back(2).ExpectButtons(kBack | kNext);
    user.Back(1).ExpectButtons(kNext);
    RunToCancel();
}

// --- the page templates: every control with its class, id, text and kind, in tab order ---

struct ControlSpec {
    const wchar_t* className;
    int id;
    const wchar_t* text;
    DWORD style; // bits that must be set
    int buttonType = -1;
};

std::vector<ControlSpec> PageControls(int step) {
    // The border of an edit turns into a sunken client edge on a 3D page.
    constexpr DWORD kEdit = WS_TABSTOP | ES_AUTOHSCROLL;
    constexpr DWORD kCheck = WS_TABSTOP;
    switch (step) {
    case 1:
        return {
            {L"Button", -1, L"ShellObject Name", 0, BS_GROUPBOX},
            {L"Static", -1,
             L"Enter a name for the new item. This is the name you will see in the explorer. Should be "
             L"something "
             L"descriptive like \"My Software\".",
             0},
            {L"Edit", IDC_NAME_EDIT, L"", kEdit},
            {L"Static", -1,
             L"Enter a descriptive text for the item. The description is shown as a tooltip when you hover "
             L"over "
             L"the item in the explorer. [optional]",
             0},
            {L"Edit", IDC_INFOTIP_EDIT, L"", kEdit},
            {L"Static", -1, L"Additional Flags:", 0},
            {L"Button", IDC_ALLOW_RENAME, L"Allow users to rename the item via the Explorer", kCheck,
             BS_AUTOCHECKBOX},
        };
    case 2:
        return {
            {L"Button", -1, L"Select a function", 0, BS_GROUPBOX},
            {L"Button", IDC_FUNCTION_FOLDER, L"The ShellObject should behave like a Folder", WS_GROUP,
             BS_AUTORADIOBUTTON},
            {L"Button", IDC_FUNCTION_PROGRAM, L"The ShellObject should behave like a program", 0,
             BS_AUTORADIOBUTTON},
            {L"Static", -1, L"The ShellFolder maps to the following folder:", WS_GROUP},
            {L"Edit", IDC_FOLDER_EDIT, L"", kEdit},
            {L"Button", IDC_FOLDER_BROWSE, L"...", WS_TABSTOP, BS_PUSHBUTTON},
            {L"Static", -1, L"The ShellObject maps to the following program:", 0},
            {L"Edit", IDC_PROGRAM_EDIT, L"", kEdit},
            {L"Button", IDC_PROGRAM_BROWSE, L"...", WS_TABSTOP, BS_PUSHBUTTON},
        };
    case 3:
        return {
            {L"Button", -1, L"ShellObject Icon", 0, BS_GROUPBOX},
            {L"Static", -1, L"Currently selected Icon:", 0},
            {L"Static", IDC_ICON_PREVIEW, L"", SS_OWNERDRAW | SS_CENTERIMAGE},
            {L"Edit", IDC_ICON_LOCATION, nullptr, kEdit},
            {L"Button", IDC_ICON_CHOOSE, L"...", WS_TABSTOP, BS_PUSHBUTTON},
            {L"Button", IDC_ICON_RESET, L"Reset default", WS_TABSTOP, BS_PUSHBUTTON},
        };
    case 4:
        return {
            {L"Button", -1, L"Access", 0, BS_GROUPBOX},
            {L"Button", IDC_SCOPE_CURRENT_USER, L"install for current user only", WS_GROUP,
             BS_AUTORADIOBUTTON},
            {L"Button", IDC_SCOPE_ALL_USERS, L"install for all users", 0, BS_AUTORADIOBUTTON},
            {L"Button", IDC_POSITION_GROUP, L"Position", WS_GROUP, BS_GROUPBOX},
            {L"Button", IDC_PLACE_MYCOMPUTER, L"My Computer", kCheck, BS_AUTOCHECKBOX},
            {L"Button", IDC_PLACE_DESKTOP, L"Desktop", kCheck, BS_AUTOCHECKBOX},
            {L"Button", IDC_PLACE_CONTROLPANEL, L"Control Panel, Category:", kCheck, BS_AUTOCHECKBOX},
            {L"Button", IDC_PLACE_NETWORK, L"Network Neighbourhood", kCheck, BS_AUTOCHECKBOX},
            {L"ComboBox", IDC_CATEGORY_COMBO, nullptr, CBS_DROPDOWNLIST | WS_TABSTOP},
            {L"Button", IDC_NAVIGATION_PANE, L"Show in the navigation pane", kCheck, BS_AUTOCHECKBOX},
            {L"Button", IDC_HIDE_DESKTOP_ICON, L"Hide the icon on the desktop", kCheck, BS_AUTOCHECKBOX},
        };
    default:
        return {
            {L"Button", -1, L"Special Flags", 0, BS_GROUPBOX},
            {L"Button", IDC_FLAG_PROPERTY_SHEET, L"Enable Property Sheet", kCheck, BS_AUTOCHECKBOX},
            {L"Button", IDC_FLAG_ALLOW_DELETE, L"Allow delete", kCheck, BS_AUTOCHECKBOX},
            {L"Button", IDC_FLAG_ALLOW_COPY, L"Allow creating copies", kCheck, BS_AUTOCHECKBOX},
            {L"Button", IDC_FLAG_ALLOW_LINK, L"Allow creating links", kCheck, BS_AUTOCHECKBOX},
            {L"Button", IDC_FLAG_ALLOW_MOVE, L"Allow moving to a different folder", kCheck, BS_AUTOCHECKBOX},
            {L"Button", IDC_FLAG_REMOVABLE, L"Content is on removable media", kCheck, BS_AUTOCHECKBOX},
            {L"Button", IDC_FLAG_DRAG_DROP, L"Allow drag && drop", kCheck, BS_AUTOCHECKBOX},
            {L"Button", IDC_FLAG_HIDE_IF_DELETED, L"Hide if deleted", kCheck, BS_AUTOCHECKBOX},
        };
    }
}

void ExpectPageControls(HWND page, int step) {
    SCOPED_TRACE(testing::Message() << "step " << step);
    const std::vector<ControlSpec> expected = PageControls(step);
    std::size_t i = 0;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT), ++i) {
        ASSERT_LT(i, expected.size()) << "extra control";
        SCOPED_TRACE(testing::Message() << "control " << i);
        const ControlSpec& want = expected[i];
        wchar_t className[64] = L"";
        GetClassNameW(child, className, 64);
        EXPECT_EQ(_wcsicmp(className, want.className), 0);
        EXPECT_EQ(GetDlgCtrlID(child), want.id);
        if (want.text) {
            EXPECT_EQ(WindowText(child), want.text);
        }
        const auto style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
        EXPECT_EQ(style & want.style, want.style);
        if (want.className == std::wstring(L"Edit")) {
            const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_EXSTYLE));
            EXPECT_TRUE((style & WS_BORDER) || (exStyle & WS_EX_CLIENTEDGE));
        }
        if (want.buttonType >= 0) {
            EXPECT_EQ(static_cast<int>(style & BS_TYPEMASK), want.buttonType);
        }
    }
    EXPECT_EQ(i, expected.size());
    // 300 x 199 dialog units in this page's font (the frame may round by a pixel).
    RECT units{0, 0, 300, 199};
    MapDialogRect(page, &units);
    RECT client{};
    GetClientRect(page, &client);
    EXPECT_NEAR(client.right, units.right, 1);
    EXPECT_NEAR(client.bottom, units.bottom, 1);

    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(page, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, L"MS Shell Dlg");
    const HDC screen = GetDC(nullptr);
    EXPECT_EQ(font.lfHeight, -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(nullptr, screen);

    if (step == 3) {
        // The preview is a square of 32 x 32 units.
        RECT square{0, 0, 32, 32};
        MapDialogRect(page, &square);
        RECT preview{};
        GetClientRect(GetDlgItem(page, IDC_ICON_PREVIEW), &preview);
        EXPECT_EQ(preview.right, square.right);
        EXPECT_EQ(preview.bottom, square.bottom);
    }
    if (step == 4) {
        // A drop-down list that keeps the categories in their numbered order.
        const auto style =
            static_cast<DWORD>(GetWindowLongPtrW(GetDlgItem(page, IDC_CATEGORY_COMBO), GWL_STYLE));
        EXPECT_EQ(style & 3u, static_cast<DWORD>(CBS_DROPDOWNLIST));
        EXPECT_EQ(style & CBS_SORT, 0u);
    }
}

TEST_F(WizardTest, EveryStepShowsTheApplicationIconItsCaptionAndItsControlsInTabOrderAtItsSize) {
    const HICON appIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
    ASSERT_NE(appIcon, nullptr);
    user.AwaitStep(1).Do([appIcon](HWND sheet, HWND) {
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(sheet, WM_GETICON, ICON_BIG, 0)), appIcon);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(sheet, WM_GETICON, ICON_SMALL, 0)), appIcon);
    });
    for (int step = 1; step <= 5; ++step) {
        user.Do([step](HWND sheet, HWND page) {
            EXPECT_EQ(WindowText(sheet), L"Create new ShellObject - Step " + std::to_wstring(step) + L"/5");
            ExpectPageControls(page, step);
        });
        if (step < 5)
            user.WalkTo(step, step + 1);
    }
    RunToCancel();
}

// --- what Finish writes, read back from the registry of the test prefix key by key --------

constexpr wchar_t kUuid[] = L"5eed0000-0000-4000-8000-00000000f1a1";
constexpr wchar_t kClsid[] = L"{5eed0000-0000-4000-8000-00000000f1a1}";
constexpr wchar_t kCategoryValue[] = L"{305ca226-d286-468e-b848-2b2e8e697b74} 2";

std::wstring ClassKeyPath() {
    return vs::ClassKeyPath(kClsid);
}
std::wstring EntryPath(const NamespaceLocation& place) {
    return std::wstring(place.nameSpacePath) + L"\\" + kClsid;
}

class WizardFinishTest : public WizardTest {
protected:
    WizardFinishTest() {
        platform.uuids = {kUuid};
        for (KeyHandle hive : {CurrentUser(), LocalMachine()})
            cleanup.Add(hive, ClassKeyPath());
        for (const NamespaceLocation& place : NamespaceLocations())
            cleanup.Add(place.hive, EntryPath(place));
        for (KeyHandle hive : {CurrentUser(), LocalMachine()}) {
            cleanup.Add(hive, Class32KeyPath(kClsid));
            if (DumpTree(*registry, hive, kHideDesktopIconsPath) == kMissingTree)
                cleanup.Add(hive, kHideDesktopIconsPath);
        }
    }

    // The class key in the classes of one user or, with LocalMachine(), of all users.
    std::string ClassKeyDump(KeyHandle hive) { return DumpTree(*registry, hive, ClassKeyPath()); }

    // Which of the eight places hold an entry key of the new object, each of them only
    // the marker.
    std::vector<int> PlacesWithEntry(const std::wstring& name) {
        std::vector<int> places;
        const std::string entry = Describe(TreeKey{L"", {Sz(L"SearchHelper", L"Varnoset: " + name)}});
        for (const NamespaceLocation& place : NamespaceLocations()) {
            const std::string dump = DumpTree(*registry, place.hive, EntryPath(place));
            if (dump == kMissingTree)
                continue;
            EXPECT_EQ(dump, entry) << "place " << place.index;
            places.push_back(place.index);
        }
        return places;
    }
    // The class key is in the classes of hive alone, the entries in the places given, and
    // those places were notified.
    void ExpectWritten(KeyHandle hive, const TreeKey& classKey, const std::wstring& name,
                       std::vector<int> places, Where where = Where::current()) {
        testing::ScopedTrace trace(where.file_name(), static_cast<int>(where.line()), "what Finish wrote");
        EXPECT_EQ(ClassKeyDump(hive), Describe(classKey));
        EXPECT_EQ(ClassKeyDump(hive == CurrentUser() ? LocalMachine() : CurrentUser()), kMissingTree);
        EXPECT_EQ(PlacesWithEntry(name), places);
        std::vector<int> folders;
        for (int index : places)
            folders.push_back(PlaceByIndex(index)->folderCsidl);
        EXPECT_EQ(platform.notified, folders);
    }

    TreeCleanup cleanup{*registry};
};

TEST_F(WizardFinishTest, FinishWritesExactlyTheFolderObjectThePagesShowPinnedWithItsDesktopIconHidden) {
    const std::wstring icon = OwnModulePath() + L",1";
    user.AwaitStep(1)
        .SetText(IDC_NAME_EDIT, L"Projects Folder")
        .SetText(IDC_INFOTIP_EDIT, L"Where the work is");
    user.Click(IDC_ALLOW_RENAME).Next(2);
    user.SetText(IDC_FOLDER_EDIT, L"%USERPROFILE%\\Projects").SetText(IDC_PROGRAM_EDIT, L"");
    user.Next(3).SetText(IDC_ICON_LOCATION, icon).Next(4);
    user.Click(IDC_SCOPE_CURRENT_USER).Click(IDC_PLACE_MYCOMPUTER).Click(IDC_PLACE_DESKTOP);
    user.Click(IDC_NAVIGATION_PANE).Click(IDC_HIDE_DESKTOP_ICON);
    user.Click(IDC_PLACE_CONTROLPANEL).Do([](HWND, HWND page) {
        SendDlgItemMessageW(page, IDC_CATEGORY_COMBO, CB_SETCURSEL, 0, 0); // "Other"
    });
    user.Next(5);
    for (int id :
         {IDC_FLAG_PROPERTY_SHEET, IDC_FLAG_ALLOW_DELETE, IDC_FLAG_HIDE_IF_DELETED, IDC_FLAG_ALLOW_COPY,
          IDC_FLAG_ALLOW_LINK, IDC_FLAG_ALLOW_MOVE, IDC_FLAG_REMOVABLE, IDC_FLAG_DRAG_DROP})
        user.Click(id);
    user.Finish();
    ASSERT_EQ(Run(), ID_WIZFINISH);

    // Drag and drop was turned off; everything else is on.
    const TreeKey expected(
        L"",
        {Sz(L"", L"Projects Folder"), Sz(L"InfoTip", L"Where the work is"), Dword(kCategoryValue, 0),
         Sz(L"SearchHelper", L"Varnoset: Projects Folder"), Dword(L"System.IsPinnedToNameSpaceTree", 1)},
        {{L"DefaultIcon", {Sz(L"", icon)}},
         {L"ShellFolder",
          {Dword(L"Attributes", 0xFA000077), Sz(L"WantsFORPARSING", L""), Sz(L"HideAsDeletePerUser", L"")}},
         {L"Instance",
          {Sz(L"CLSID", L"{0afaced1-e828-11d1-9187-b532f1e9575d}")},
          {{L"InitPropertyBag",
            {Dword(L"Attributes", 0x15), ExpandSz(L"Target", L"%USERPROFILE%\\Projects")}}}},
         {L"InProcServer32", {Sz(L"", L"shdocvw.dll"), Sz(L"ThreadingModel", L"Apartment")}},
         {L"ShellEx\\PropertySheetHandlers",
          {},
          {{L"tab 1 general", {Sz(L"", L"{21b22460-3aea-1069-a2dc-08002b30309d}")}},
           {L"tab 2 customize", {Sz(L"", L"{ef43ecfe-2ab9-4632-bf21-58909dd177f0}")}},
           {L"tab 3 sharing", {Sz(L"", L"{f81e9010-6ea4-11ce-a7ff-00aa003ca9f6}")}},
           {L"tab 4 security", {Sz(L"", L"{1f2e5c40-9550-11ce-99d2-00aa006e086c}")}}}}});
    // A per-user object lives in this user's classes; pinned, in their 32-bit view too.
    ExpectWritten(CurrentUser(), expected, L"Projects Folder", {0, 1, 2});
    EXPECT_EQ(DumpTree(*registry, CurrentUser(), Class32KeyPath(kClsid)), ClassKeyDump(CurrentUser()));
    EXPECT_TRUE(DesktopIconHidden(*registry, CurrentUser(), kClsid));
    EXPECT_FALSE(DesktopIconHidden(*registry, LocalMachine(), kClsid));
}

TEST_F(WizardFinishTest, FinishWritesTheProgramObjectWithTheDefaultsOfEveryPage) {
    user.AwaitStep(1).SetText(IDC_NAME_EDIT, L" ").Next(2);
    user.SetText(IDC_FOLDER_EDIT, L"C:\\not used").Click(IDC_FUNCTION_PROGRAM);
    user.SetText(IDC_PROGRAM_EDIT, L"%windir%\\notepad.exe \"C:\\a b.txt\"").Next(3).Next(4);
    user.Click(IDC_PLACE_NETWORK).Next(5).Finish();
    ASSERT_EQ(Run(), ID_WIZFINISH);

    // No tooltip, no category, drag and drop only; the unused folder is not written.
    const TreeKey expected =
        TreeKey(L"", {Sz(L"", L" "), Dword(kCategoryValue, 0xFFFFFFFF), Sz(L"SearchHelper", L"Varnoset:  ")},
                {{L"DefaultIcon", {Sz(L"", DefaultIconLocation())}},
                 {L"ShellFolder", {Dword(L"Attributes", 0x100), Sz(L"WantsFORPARSING", L"")}},
                 {L"Shell\\Open\\Command", {ExpandSz(L"", L"%windir%\\notepad.exe \"C:\\a b.txt\"")}}});
    ExpectWritten(LocalMachine(), expected, L" ", {7}); // all users is the preset scope
}

TEST_F(WizardFinishTest, ChangesMadeAfterGoingBackAreWhatFinishWrites) {
    user.AwaitStep(1).SetText(IDC_NAME_EDIT, L"First").Next(2).SetText(IDC_FOLDER_EDIT, L"C:\\first");
    user.Next(3).Next(4).Click(IDC_PLACE_DESKTOP).Next(5);
    user.Back(4).Back(3).Back(2).SetText(IDC_FOLDER_EDIT, L"C:\\second");
    user.Back(1).SetText(IDC_NAME_EDIT, L"Second").SetText(IDC_INFOTIP_EDIT, L"tip");
    user.Next(2).Next(3).SetText(IDC_ICON_LOCATION, OwnModulePath()).Next(4);
    user.Click(IDC_SCOPE_CURRENT_USER).Click(IDC_PLACE_DESKTOP).Click(IDC_PLACE_MYCOMPUTER).Next(5).Finish();
    ASSERT_EQ(Run(), ID_WIZFINISH);

    const TreeKey expected =
        TreeKey(L"",
                {Sz(L"", L"Second"), Sz(L"InfoTip", L"tip"), Dword(kCategoryValue, 0xFFFFFFFF),
                 Sz(L"SearchHelper", L"Varnoset: Second")},
                {{L"DefaultIcon", {Sz(L"", OwnModulePath())}},
                 {L"ShellFolder", {Dword(L"Attributes", 0xF8000100), Sz(L"WantsFORPARSING", L"")}},
                 {L"Instance",
                  {Sz(L"CLSID", L"{0afaced1-e828-11d1-9187-b532f1e9575d}")},
                  {{L"InitPropertyBag", {Dword(L"Attributes", 0x15), ExpandSz(L"Target", L"C:\\second")}}}},
                 {L"InProcServer32", {Sz(L"", L"shdocvw.dll"), Sz(L"ThreadingModel", L"Apartment")}}});
    ExpectWritten(CurrentUser(), expected, L"Second", {2});
}

TEST_F(WizardFinishTest, CategoryIsCapturedFromTheListWhetherOrNotControlPanelIsChecked) {
    // (list index, whether Control Panel stays checked, the value written)
    const struct {
        int index;
        bool controlPanel;
        std::uint32_t written;
    } cases[] = {{10, false, 0xFFFFFFFF}, {0, true, 0}, {9, false, 9}, {5, true, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        platform.uuids = {kUuid};
        ModalScript run;
        WizardDriver driver{run};
        driver.AwaitStep(1).WalkTo(1, 4).Click(IDC_PLACE_CONTROLPANEL).Do([&c](HWND, HWND page) {
            SendDlgItemMessageW(page, IDC_CATEGORY_COMBO, CB_SETCURSEL, c.index, 0);
        });
        if (!c.controlPanel)
            driver.Click(IDC_PLACE_CONTROLPANEL).Click(IDC_PLACE_DESKTOP);
        driver.Next(5).Finish();
        ASSERT_EQ(run.RunModal(wizard), ID_WIZFINISH);
        RegKey key(*registry);
        ASSERT_EQ(key.Open(LocalMachine(), ClassKeyPath(), kKeyRead), kOk);
        const DwordRead category = key.ReadDword(kCategoryValue);
        EXPECT_TRUE(category.IsDword()) << category.status << " " << category.type << " " << category.size;
        EXPECT_EQ(category.value, c.written);
        EXPECT_EQ(PlacesWithEntry(L"Test"), (std::vector<int>{c.controlPanel ? 5 : 4}));
        EXPECT_TRUE(RemoveTree(*registry, LocalMachine(), ClassKeyPath()));
        for (const NamespaceLocation& place : NamespaceLocations())
            RemoveTree(*registry, place.hive, EntryPath(place));
    }
}

// Every NameSpace place, dumped: the whole of what a cancelled run might have touched.
std::string DumpPlaces(RegistryStore& store) {
    std::string dump;
    for (const NamespaceLocation& place : NamespaceLocations())
        dump += DumpTree(store, place.hive, place.nameSpacePath);
    return dump;
}

TEST_F(WizardFinishTest, CancelOnAnyStepWritesNothing) {
    const std::string placesBefore = DumpPlaces(*registry);
    for (int step = 1; step <= 5; ++step) {
        SCOPED_TRACE(step);
        ModalScript run;
        WizardDriver driver{run};
        driver.AwaitStep(1).WalkTo(1, step);
        if (step == 5)
            driver.Click(IDC_FLAG_ALLOW_DELETE);
        driver.Cancel();
        EXPECT_EQ(run.RunModal(wizard), IDCANCEL);
        EXPECT_EQ(platform.uuids.size(), 1u) << "no class identifier was asked for";
        EXPECT_TRUE(platform.notified.empty());
        EXPECT_EQ(ClassKeyDump(CurrentUser()) + ClassKeyDump(LocalMachine()),
                  std::string(kMissingTree) + kMissingTree);
        EXPECT_EQ(DumpPlaces(*registry), placesBefore);
    }
}

// --- the choosers of step 2, worked through their own windows -----------------------------

// The folder chooser puts the chosen folder into the folder edit, the file chooser the path
// unquoted into the program edit; Cancel changes nothing.
TEST_F(WizardTest, TheChoosersOfStepTwoFillTheirEditAndCancelChangesNothing) {
    const std::wstring windows = WindowsDirectory(), program = windows + L"\\my tool.exe";
    auto cancel = [](HWND chooser) { PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0); };
    user.AwaitStep(1).WalkTo(1, 2).SetText(IDC_FOLDER_EDIT, L"").WithChooser(IDC_FOLDER_BROWSE, cancel);
    user.ExpectButtons(kBack).ExpectText(IDC_FOLDER_EDIT, L"");
    user.WithChooser(IDC_FOLDER_BROWSE, [windows](HWND chooser) {
        EXPECT_EQ(WindowText(GetDlgItem(chooser, 0x3742)), L"Choose Folder") << "the text above the tree";
        SendMessageW(chooser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(windows.c_str()));
        PostMessageW(chooser, WM_COMMAND, IDOK, 0);
    });
    user.ExpectButtons(kBack | kNext).ExpectText(IDC_PROGRAM_EDIT, L"").Do([windows](HWND, HWND page) {
        EXPECT_EQ(_wcsicmp(ItemText(page, IDC_FOLDER_EDIT).c_str(), windows.c_str()), 0)
            << ItemText(page, IDC_FOLDER_EDIT);
    });

    user.SetText(IDC_FOLDER_EDIT, L"C:\\kept").Click(IDC_FUNCTION_PROGRAM);
    user.WithChooser(IDC_PROGRAM_BROWSE, [cancel](HWND chooser) {
        EXPECT_EQ(WindowText(chooser), L"Choose File");
        cancel(chooser);
    });
    user.ExpectButtons(kBack).ExpectText(IDC_PROGRAM_EDIT, L"");
    user.WithChooser(IDC_PROGRAM_BROWSE, [program](HWND chooser) {
        SetDlgItemTextW(chooser, 0x47c, program.c_str()); // the file name box
        PostMessageW(chooser, WM_COMMAND, IDOK, 0);
    });
    user.ExpectButtons(kBack | kNext)
        .ExpectText(IDC_PROGRAM_EDIT, program)
        .ExpectText(IDC_FOLDER_EDIT, L"C:\\kept");
    RunToCancel();
}

// Cancelled, the icon chooser keeps the location and its buttons; otherwise it starts on
// the location and its choice becomes the location.
TEST_F(WizardTest, IconChooserStartsOnTheLocationAndItsChoiceBecomesTheLocation) {
    const std::wstring program = OwnModulePath();
    TempFolder folder;
    const std::wstring iconFile = folder.File(L"plain.ico");
    ASSERT_TRUE(WriteIconFile(iconFile));
    auto firstIcon = [](HWND chooser) { uitest::ChooseIconAt(chooser, 0); };
    user.AwaitStep(1).WalkTo(1, 3).SetText(IDC_ICON_LOCATION, L"C:\\nothing.dll,3").ExpectButtons(kBack);
    user.WithChooser(IDC_ICON_CHOOSE, [](HWND chooser) {
        EXPECT_EQ(WindowText(chooser), L"Choose Icon");
        PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
    });
    user.ExpectButtons(kBack).ExpectText(IDC_ICON_LOCATION, L"C:\\nothing.dll,3");

    user.SetText(IDC_ICON_LOCATION, program + L",1").WithChooser(IDC_ICON_CHOOSE, [program](HWND chooser) {
        EXPECT_EQ(WindowText(chooser), L"Choose Icon");
        EXPECT_EQ(ItemText(chooser, IDC_ICON_FILE), program);
        EXPECT_EQ(SendDlgItemMessageW(chooser, IDC_ICON_LIST, LB_GETCURSEL, 0, 0), 1);
        uitest::ChooseIconAt(chooser, 1);
    });
    user.WithChooser(IDC_ICON_CHOOSE, firstIcon).ExpectButtons(kBack | kNext);
    user.ExpectText(IDC_ICON_LOCATION, program + L",0");
    user.SetText(IDC_ICON_LOCATION, iconFile).WithChooser(IDC_ICON_CHOOSE, firstIcon);
    user.ExpectText(IDC_ICON_LOCATION, iconFile);
    RunToCancel();
}

} // namespace
} // namespace vs::test
