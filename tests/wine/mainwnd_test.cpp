// The installed-objects dialog driven in-process: a real modeless CDeleteObject over the
// test prefix's registry and a recording platform. Rows are selected and read back with
// the list control's own messages, commands arrive as WM_COMMAND, and the registry and the
// recorded shell notifications are compared afterwards.

#include "framework/Dpi.h"
#include "mainwnd/DeleteObject.h"
#include "mainwnd/ListViewInventory.h"
#include "mainwnd/Places.h"
#include "mainwnd/RowDrawing.h"
#include "res/resource.h"
#include "store/ClassRoots.h"
#include "store/DesktopIcon.h"
#include "store/NamespaceLocation.h"
#include "tests/support/RecordingRegistry.h"
#include "tests/support/RegistryTree.h"
#include "tests/wine/MainWindowFixture.h"
#include "tests/wine/UiDriver.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vs::test {
namespace {

constexpr wchar_t kAlpha[] = L"{a1000000-0000-4000-8000-000000000001}";
constexpr wchar_t kBeta[] = L"{b2000000-0000-4000-8000-000000000002}";
constexpr wchar_t kGamma[] = L"{c3000000-0000-4000-8000-000000000003}";
constexpr wchar_t kForeign[] = L"{d4000000-0000-4000-8000-000000000004}";

class MainWindowTest : public MainWindowFixture {
protected:
    MainWindowTest() : MainWindowFixture({kAlpha, kBeta, kGamma, kForeign}) {}

    // A class key as the registration writes it (marked), with a folder target.
    void WriteClass(const wchar_t* clsid, const std::wstring& name, const std::wstring& target,
                    const std::wstring& description = {}, bool marked = true) {
        std::vector<TreeValue> values{Sz(L"", name)};
        if (!description.empty())
            values.push_back(Sz(L"InfoTip", description));
        if (marked)
            values.push_back(Sz(L"SearchHelper", L"Varnoset: " + name));
        ASSERT_EQ(WriteTree(store, ClassesRoot(),
                            TreeKey{ClassPath(clsid),
                                    values,
                                    {{L"Instance\\InitPropertyBag", {ExpandSz(L"Target", target)}}}}),
                  kOk);
    }
    // WriteClass, and an entry key in each place, marked as the class is.
    void WriteObject(const wchar_t* clsid, const std::wstring& name, const std::wstring& target,
                     std::vector<int> places, const std::wstring& description = {}, bool marked = true) {
        WriteClass(clsid, name, target, description, marked);
        for (const int place : places)
            WriteEntry(place, clsid, marked ? L"Varnoset: entry" : L"");
    }
    // Sets the item data of a row.
    void SetItemData(int row, LPARAM data) const {
        dialog->ListView().SetItemData(row, static_cast<std::size_t>(data));
    }
    // The entry index a row holds as its item data.
    std::size_t ItemData(int row) const { return static_cast<std::size_t>(dialog->ListView().ItemData(row)); }
    std::wstring Status() const { return uitest::ItemText(dialog->Hwnd(), IDC_STATUS); }
    bool DeleteButtonEnabled() const { return IsWindowEnabled(dialog->Item(IDC_DELETE_SELECTED)) != FALSE; }
    int ColumnWidth(int column) const {
        return static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    }
    void SetColumnWidth(int column, int width) const {
        SendMessageW(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0));
    }
    // The width of a text in the list's font, as the list measures it.
    int StringWidth(const std::wstring& text) const {
        return static_cast<int>(
            SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }

    // The menu state of a command in the context menu the dialog would show now.
    UINT MenuState(UINT id) const {
        UniqueMenu menu = dialog->BuildContextMenu();
        return GetMenuState(GetSubMenu(menu.Get(), 0), id, MF_BYCOMMAND);
    }
    bool Greyed(UINT id) const { return (MenuState(id) & MF_GRAYED) != 0; }
};

// --- filling the list ---------------------------------------------------------------------

TEST_F(MainWindowTest, RowsShowNameLocationTargetDescriptionInCaseInsensitiveNameOrder) {
    WriteObject(kAlpha, L"beta thing", L"C:\\Beta", {0, 2}, L"second");
    WriteObject(kBeta, L"Alpha thing", L"%USERPROFILE%\\Alpha", {6}, L"first");
    WriteObject(kGamma, L"Gamma thing", L"C:\\Gamma", {1});
    Open();

    const std::wstring cells[][4] = {
        {L"Alpha thing", L"My Computer (all users)", L"%USERPROFILE%\\Alpha", L"first"},
        {L"beta thing", L"Desktop (this user)", L"C:\\Beta", L"second"},
        {L"beta thing", L"My Computer (this user)", L"C:\\Beta", L"second"},
        {L"Gamma thing", L"Control Panel (this user)", L"C:\\Gamma", L""}};
    ASSERT_EQ(RowCount(), 4);
    // Every row shows its cells and reaches its own entry through its item data.
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(Cell(row, column), cells[row][column]) << row << " " << column;
        const ShellObjectEntry* entry = dialog->EntryOfRow(row);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->info->name, Cell(row, 0));
        EXPECT_EQ(dialog->Inventory().entries[ItemData(row)].keyName, entry->keyName);
    }
}

TEST_F(MainWindowTest, DescriptionColumnKeepsItsWidthWhenNoObjectHasADescription) {
    // Texts far wider than the 100 pixels a column starts with, in any font.
    const std::wstring name = L"No comment, and a name far wider than any column starts out";
    const std::wstring description = L"A description far longer than one hundred pixels of text";
    WriteObject(kAlpha, name, L"C:\\a", {0});
    Open();
    ASSERT_GT(StringWidth(name), 100);
    ASSERT_GT(StringWidth(description), 100);
    EXPECT_EQ(ColumnWidth(3), 100);
    EXPECT_GE(ColumnWidth(0), StringWidth(name)) << "the Name column is autosized";

    WriteObject(kBeta, L"Commented", L"C:\\b", {0}, description);
    dialog->RefreshList();
    const int widened = ColumnWidth(3);
    EXPECT_GE(widened, StringWidth(description));

    test::RemoveTree(store, ClassesRoot(), std::wstring(L"CLSID\\") + kBeta);
    WriteClass(kBeta, L"Commented", L"C:\\b");
    dialog->RefreshList();
    EXPECT_EQ(ColumnWidth(3), widened) << "the width it had, not the one it started with";
}

// A first run: the trimmed version title, the list's four columns and styles, the
// template's size at the top left corner, which is also the smallest size it takes.
TEST_F(MainWindowTest, AFreshWindowHasItsTitleColumnsStylesAndSize) {
    Open();
    EXPECT_EQ(uitest::WindowText(dialog->Hwnd()), L"Varnoset (x64) Version 3.21");
    const wchar_t* const headings[] = {L"Name", L"Location", L"Target", L"Description"};
    for (int column = 0; column < 4; ++column) {
        wchar_t text[40] = {};
        LVCOLUMNW info{};
        info.mask = LVCF_TEXT | LVCF_FMT;
        info.pszText = text;
        info.cchTextMax = 40;
        ASSERT_TRUE(
            SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)));
        EXPECT_STREQ(text, headings[column]);
        EXPECT_EQ(info.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
    }
    LVCOLUMNW fifth{};
    fifth.mask = LVCF_WIDTH;
    EXPECT_FALSE(SendMessageW(list, LVM_GETCOLUMNW, 4, reinterpret_cast<LPARAM>(&fifth)));
    EXPECT_EQ(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & 0x21, 0x21);
    const LONG style = GetWindowLongW(list, GWL_STYLE);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(style & LVS_OWNERDRAWFIXED);
    EXPECT_FALSE(style & (LVS_SORTASCENDING | LVS_NOSORTHEADER))
        << "the window sorts, the headings are clicked";
    EXPECT_FALSE(style & LVS_SINGLESEL);

    RECT window{};
    GetWindowRect(dialog->Hwnd(), &window);
    EXPECT_EQ(window.left, 0);
    EXPECT_EQ(window.top, 0);
    RECT units{0, 0, 300, 198};
    MapDialogRect(dialog->Hwnd(), &units);
    RECT client{};
    GetClientRect(dialog->Hwnd(), &client);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);
    MINMAXINFO info{};
    info.ptMinTrackSize = {1, 1};
    info.ptMaxTrackSize = {5000, 4000};
    SendMessageW(dialog->Hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, window.right - window.left);
    EXPECT_EQ(info.ptMinTrackSize.y, window.bottom - window.top);
    EXPECT_EQ(info.ptMaxTrackSize.x, 5000) << "nothing else changes";
}

// --- expert mode and the context menu -----------------------------------------------------

TEST_F(MainWindowTest, UnmarkedRowsAreLeftOutUntilExpertModeWhichTogglesLoadsAndSavesAndLeavesTheRegistry) {
    WriteObject(kAlpha, L"Mine", L"C:\\Mine", {0});
    WriteObject(kForeign, L"Recycle Bin", L"C:\\Bin", {4}, L"", false);
    Open();
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Mine @ Desktop (this user)"}));
    const std::string before = Snapshot();
    EXPECT_EQ(MenuState(ID_EXPERT_MODE) & MF_CHECKED, 0u);
    EXPECT_FALSE(Greyed(ID_EXPERT_MODE));

    Command(ID_EXPERT_MODE);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Mine @ Desktop (this user)",
                                                  L"Recycle Bin @ Desktop (all users)"}));
    EXPECT_NE(MenuState(ID_EXPERT_MODE) & MF_CHECKED, 0u);
    EXPECT_EQ(dialog->CurrentSettings().expertMode, 1);

    Command(ID_EXPERT_MODE);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Mine @ Desktop (this user)"}));
    EXPECT_EQ(MenuState(ID_EXPERT_MODE) & MF_CHECKED, 0u);
    EXPECT_EQ(dialog->CurrentSettings().expertMode, 0);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(platform.notified.empty());

    // Expert mode is loaded at construction and saved at destruction.
    dialog.reset();
    ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{kSettingsKeyPath, {test::Dword(L"Expert", 1)}}), kOk);
    Open();
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Mine @ Desktop (this user)",
                                                  L"Recycle Bin @ Desktop (all users)"}));
    Command(ID_EXPERT_MODE);
    dialog.reset();
    EXPECT_EQ(LoadWindowSettings(store).expertMode, 0);
}

// Without a selection every row command is greyed and the Delete button disabled; the
// button follows the selection however it changes, and a rebuild keeps it.
TEST_F(MainWindowTest, WithoutSelectionRowCommandsAreGreyedAndTheDeleteButtonFollowsTheSelection) {
    WriteObject(kAlpha, L"Mine", L"C:\\Mine", {0});
    Open();
    for (UINT id :
         std::initializer_list<UINT>{ID_DELETE, ID_HIDE, ID_UNHIDE, ID_RENAME, ID_CHANGE_ICON,
                                     ID_CHANGE_COMMENT, ID_SET_EXPLORER_POSITION, ID_EXPORT, ID_UNDO})
        EXPECT_TRUE(Greyed(id)) << id;
    EXPECT_FALSE(Greyed(ID_CREATE_NEW));
    EXPECT_FALSE(Greyed(ID_IMPORT));
    EXPECT_FALSE(Greyed(ID_EXPERT_MODE));
    UniqueMenu menu = dialog->BuildContextMenu();
    HMENU popup = GetSubMenu(menu.Get(), 0);
    EXPECT_EQ(GetMenuState(popup, 1, MF_BYPOSITION) & MF_GRAYED, 0u) << "Copy to";
    EXPECT_EQ(GetMenuState(popup, 2, MF_BYPOSITION) & MF_GRAYED, 0u) << "Move to";
    EXPECT_FALSE(DeleteButtonEnabled());

    Select(L"Mine", L"Desktop (this user)");
    EXPECT_TRUE(DeleteButtonEnabled()) << "a selection made without a click counts too";
    dialog->RefreshList();
    EXPECT_TRUE(DeleteButtonEnabled());
    EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
    SetSelected(0, false);
    EXPECT_FALSE(DeleteButtonEnabled());
}

// Both commands take the focused row's state and set the opposite on every selected row:
// the class key and its 32-bit copy alike, the desktop value in each row's scope; the
// menu, the tip and the status line follow.
TEST_F(MainWindowTest, NavigationPaneAndDesktopIconToggleTheSelectedRowsAndShowTheirState) {
    TreeCleanup cleanup{store}; // the desktop icon keys the commands make
    for (int scope = 0; scope < 2; ++scope)
        if (DumpTree(store, ScopeHive(scope * 4), kHideDesktopIconsPath) == test::kMissingTree)
            cleanup.Add(ScopeHive(scope * 4), kHideDesktopIconsPath);
    WriteObject(kAlpha, L"A", L"C:\\a", {0});
    WriteObject(kBeta, L"B", L"C:\\b", {4});
    Open();
    Select(L"A", L"Desktop (this user)");
    Select(L"B", L"Desktop (all users)");
    Focus(FindRow(L"A", L"Desktop (this user)"));
    const std::wstring copyKey = L"32-bit copy: HKEY_LOCAL_MACHINE\\" + Class32KeyPath(kAlpha);
    const struct {
        UINT command;
        bool pinned, iconHidden;
    } steps[] = {{0, false, false},
                 {ID_NAVIGATION_PANE, true, false},
                 {ID_DESKTOP_ICON, true, true},
                 {ID_NAVIGATION_PANE, false, true},
                 {ID_DESKTOP_ICON, false, false}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.command);
        if (step.command)
            Command(step.command);
        EXPECT_EQ((MenuState(ID_NAVIGATION_PANE) & MF_CHECKED) != 0, step.pinned);
        EXPECT_EQ((MenuState(ID_DESKTOP_ICON) & MF_CHECKED) != 0, !step.iconHidden);
        for (const wchar_t* clsid : {kAlpha, kBeta}) {
            EXPECT_EQ(DumpTree(store, LocalMachine(), Class32KeyPath(clsid)),
                      step.command ? DumpTree(store, LocalMachine(), ClassKeyPath(clsid))
                                   : test::kMissingTree);
            EXPECT_EQ(DesktopIconHidden(store, clsid == kAlpha ? CurrentUser() : LocalMachine(), clsid),
                      step.iconHidden);
            EXPECT_FALSE(DesktopIconHidden(store, clsid == kAlpha ? LocalMachine() : CurrentUser(), clsid));
        }
        EXPECT_EQ(Status().find(L"2 in the navigation pane") != std::wstring::npos, step.pinned) << Status();
        const std::wstring tip = dialog->RowTip(FindRow(L"A", L"Desktop (this user)"));
        EXPECT_NE(tip.find(std::wstring(L"In the navigation pane: ") + (step.pinned ? L"yes" : L"no")),
                  std::wstring::npos);
        EXPECT_NE(tip.find(std::wstring(L"Icon on the desktop: ") + (step.iconHidden ? L"hidden" : L"shown")),
                  std::wstring::npos);
        EXPECT_EQ(tip.find(copyKey) != std::wstring::npos, step.command != 0) << test::Narrow(tip);
    }
    EXPECT_EQ(NamesOf(LVNI_SELECTED),
              (std::vector<std::wstring>{L"A @ Desktop (this user)", L"B @ Desktop (all users)"}));
}

TEST_F(MainWindowTest, ContextMenuHoldsThePlacesInMenuOrderWhoseCommandIdsAndLabelsNameThem) {
    Open();
    UniqueMenu menu = dialog->BuildContextMenu();
    HMENU popup = GetSubMenu(menu.Get(), 0);
    const UINT copyIds[] = {32783, 32784, 32777, 32778, 32779, 32780, 32781, 32782};
    HMENU copy = GetSubMenu(popup, 1);
    HMENU move = GetSubMenu(popup, 2);
    ASSERT_EQ(GetMenuItemCount(copy), 8);
    ASSERT_EQ(GetMenuItemCount(move), 8);
    for (int i = 0; i < 8; ++i) {
        const NamespaceLocation* place = PlaceByCopyCommand(copyIds[i]);
        ASSERT_NE(place, nullptr);
        EXPECT_EQ(PlaceByMoveCommand(copyIds[i] + 10), place);
        wchar_t text[64] = {};
        GetMenuStringW(copy, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        EXPECT_EQ(text, PlaceLabel(place->index));
        EXPECT_EQ(GetMenuItemID(copy, i), copyIds[i]);
        EXPECT_EQ(GetMenuItemID(move, i), copyIds[i] + 10);
    }
    // The menu's groups, a separator (id 0) between each two; a submenu's id is 0xFFFFFFFF.
    const std::vector<std::vector<UINT>> groups{{ID_CREATE_NEW, 0xFFFFFFFFu, 0xFFFFFFFFu, ID_DELETE},
                                                {ID_HIDE, ID_UNHIDE},
                                                {ID_RENAME, ID_CHANGE_ICON, ID_CHANGE_COMMENT,
                                                 ID_SET_EXPLORER_POSITION, ID_NAVIGATION_PANE,
                                                 ID_DESKTOP_ICON},
                                                {ID_UNDO, ID_EXPORT, ID_IMPORT, ID_CHECK_PROBLEMS},
                                                {ID_EXPERT_MODE}};
    std::vector<UINT> order;
    for (const std::vector<UINT>& group : groups) {
        if (!order.empty())
            order.push_back(0);
        order.insert(order.end(), group.begin(), group.end());
    }
    ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(order.size()));
    for (int i = 0; i < static_cast<int>(order.size()); ++i)
        EXPECT_EQ(GetMenuItemID(popup, i), order[static_cast<std::size_t>(i)]) << i;

    // The command ids and labels name their places; other ids and indexes name none.
    const NamespaceLocation* controlPanel = PlaceByCopyCommand(32783);
    ASSERT_NE(controlPanel, nullptr);
    EXPECT_EQ(controlPanel->index, 1);
    EXPECT_EQ(PlaceLabel(controlPanel->index), L"Control Panel (this user)");
    EXPECT_EQ(PlaceByMoveCommand(32793), controlPanel);
    for (UINT id : {32776u, 32785u, 32786u, 32795u})
        EXPECT_EQ(PlaceByCopyCommand(id), nullptr) << id;
    for (UINT id : {32786u, 32795u, 32777u})
        EXPECT_EQ(PlaceByMoveCommand(id), nullptr) << id;
    const wchar_t* const labels[] = {L"Desktop (this user)",     L"Control Panel (this user)",
                                     L"My Computer (this user)", L"Network Neighborhood (this user)",
                                     L"Desktop (all users)",     L"Control Panel (all users)",
                                     L"My Computer (all users)", L"Network Neighborhood (all users)"};
    for (const NamespaceLocation& place : NamespaceLocations())
        EXPECT_EQ(PlaceLabel(place.index), labels[place.index]);
    EXPECT_EQ(PlaceLabel(8), L"");
    EXPECT_EQ(PlaceLabel(-1), L"");
}

// --- list commands ---------------------------------------------------------------------------

TEST_F(MainWindowTest, ListCommandsChangeTheSelectedEntriesNotifyTheirPlacesAndRebuild) {
    using Entries = std::vector<std::pair<int, std::wstring>>; // place, entry key name
    const std::wstring mine = kAlpha, other = kBeta, foreign = kForeign;
    const std::wstring hiddenMine = L"hidden" + mine, hiddenOther = L"hidden" + other;
    constexpr UINT kButton = 0; // a click on the Delete button
    struct Case {
        const char* name;
        bool expert;
        Entries entries;                                           // written before the window opens
        std::vector<std::pair<std::wstring, std::wstring>> select; // name, location
        std::vector<UINT> commands;
        Entries after; // every entry key afterwards, each as it was written
        bool mineClassKept;
        std::vector<int> notified;
        std::vector<std::wstring> names;
    };
    const std::wstring desktop = L"Desktop (this user)", drives = L"My Computer (this user)";
    // clang-format off
    const Case cases[] = {
        {"Delete removes the entry and the class key and notifies the object's place", false, {{1, mine}},
         {{L"Mine", L"Control Panel (this user)"}}, {ID_DELETE}, {}, false, {kCsidlControls}, {}},
        {"the Delete button deletes like the menu", false, {{0, mine}}, {{L"Mine", desktop}}, {kButton}, {},
         false, {kCsidlDesktop}, {}},
        {"both rows of one object: its first place notified twice, the class removed at the end", false,
         {{2, mine}, {6, mine}, {2, other}}, {{L"Mine", drives}, {L"Mine", L"My Computer (all users)"}},
         {ID_DELETE}, {{2, other}}, false, {kCsidlDrives, kCsidlDrives}, {L"Other @ " + drives}},
        {"deleting an unmarked entry leaves its class key", true, {{4, foreign}},
         {{L"Recycle Bin", L"Desktop (all users)"}}, {ID_DELETE}, {}, true, {kCsidlDesktop}, {}},
        {"Hide hides the visible row of two and notifies per row in display order", false,
         {{2, hiddenMine}, {0, other}}, {{L"Other", desktop}, {L"Mine", drives}}, {ID_HIDE},
         {{2, hiddenMine}, {0, hiddenOther}}, true, {kCsidlDrives, kCsidlDesktop},
         {L"Mine @ " + drives, L"Other @ " + desktop}},
        {"Unhide restores the name with its values", false, {{0, hiddenOther}}, {{L"Other", desktop}},
         {ID_UNHIDE}, {{0, other}}, true, {kCsidlDesktop}, {L"Other @ " + desktop}},
        {"copying to all users' Desktop notifies the target; equal names in the order of their locations",
         false, {{2, mine}}, {{L"Mine", drives}}, {ID_COPY_DESKTOP_ALL}, {{2, mine}, {4, mine}}, true,
         {kCsidlDesktop}, {L"Mine @ Desktop (all users)", L"Mine @ " + drives}},
        {"copying to its own place changes nothing but still notifies", false, {{0, mine}},
         {{L"Mine", desktop}}, {ID_COPY_DESKTOP_USER}, {{0, mine}}, true, {kCsidlDesktop}, {L"Mine @ " + desktop}},
        {"Move notifies the old place first, then the target", false, {{0, mine}}, {{L"Mine", desktop}},
         {ID_MOVE_MYCOMPUTER_ALL}, {{6, mine}}, true, {kCsidlDesktop, kCsidlDrives},
         {L"Mine @ My Computer (all users)"}},
        {"without a selection nothing is sent and the list only rebuilt", false, {{0, mine}}, {},
         {ID_COPY_NETWORK_ALL, ID_MOVE_CONTROLPANEL_USER, ID_DELETE, ID_HIDE}, {{0, mine}}, true, {},
         {L"Mine @ " + desktop}},
    };
    // clang-format on
    const std::string marked = Describe(TreeKey{L"", {Sz(L"SearchHelper", L"Varnoset: entry")}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialog.reset();
        ClearRegistry();
        platform.notified.clear();
        WriteClass(kAlpha, L"Mine", L"C:\\Mine");
        WriteClass(kBeta, L"Other", L"C:\\Other");
        WriteClass(kForeign, L"Recycle Bin", L"C:\\Bin", L"", false);
        if (c.expert) {
            ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{kSettingsKeyPath, {Dword(L"Expert", 1)}}), kOk);
        }
        for (const auto& [place, key] : c.entries)
            WriteEntry(place, key, key == foreign ? L"" : L"Varnoset: entry");
        Open();
        const std::string before = Snapshot();
        for (const auto& [name, location] : c.select)
            Select(name, location);
        for (const UINT command : c.commands) {
            if (command == kButton)
                SendMessageW(dialog->Item(IDC_DELETE_SELECTED), BM_CLICK, 0, 0);
            else
                Command(command);
        }
        Entries all = c.entries;
        all.insert(all.end(), c.after.begin(), c.after.end());
        for (const auto& entry : all) {
            const bool kept = std::find(c.after.begin(), c.after.end(), entry) != c.after.end();
            EXPECT_EQ(DumpTree(store, PlaceByIndex(entry.first)->hive, EntryPath(entry.first, entry.second)),
                      kept ? marked : kMissingTree)
                << entry.first << " " << Narrow(entry.second);
        }
        EXPECT_EQ(ClassExists(kAlpha), c.mineClassKept);
        EXPECT_TRUE(ClassExists(kBeta) && ClassExists(kForeign));
        if (c.after == c.entries) {
            EXPECT_EQ(Snapshot(), before);
        }
        EXPECT_EQ(platform.notified, c.notified);
        EXPECT_EQ(Names(), c.names);
        EXPECT_EQ(DeleteButtonEnabled(), !NamesOf(LVNI_SELECTED).empty());
        for (int row = 0; row < RowCount(); ++row) {
            const ShellObjectEntry& entry = dialog->Inventory().entries[ItemData(row)];
            EXPECT_EQ(entry.hidden, entry.keyName.rfind(L"hidden", 0) == 0) << Narrow(Cell(row, 0));
        }
    }
}

// --- layout and placement -------------------------------------------------------------------

RECT ClientRectOf(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST_F(MainWindowTest, EnlargingOrMaximisingMovesTheButtonsGrowsTheGroupAndTheListAndRestoringUndoesIt) {
    Open();
    HWND dlg = dialog->Hwnd();
    const int ids[] = {IDC_CREATE_NEW, IDC_DELETE_SELECTED, IDOK, IDC_GROUP_INSTALLED, IDC_OBJECT_LIST};
    RECT before[5];
    for (int i = 0; i < 5; ++i)
        before[i] = ClientRectOf(dialog->Item(ids[i]));
    auto expectAsBefore = [&] {
        for (int i = 0; i < 5; ++i) {
            const RECT now = ClientRectOf(dialog->Item(ids[i]));
            EXPECT_TRUE(EqualRect(&now, &before[i])) << ids[i];
        }
    };
    RECT window{};
    GetWindowRect(dlg, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;

    ShowWindow(dlg, SW_SHOWNOACTIVATE);
    UpdateWindow(dlg);
    SetWindowPos(dlg, nullptr, 0, 0, width + 120, height + 70, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The whole window is to be painted again, background first and then every control:
    // painting only the moved controls leaves the group box's old frame inside the new one.
    RECT client{};
    GetClientRect(dlg, &client);
    RECT dirty{};
    GetUpdateRect(dlg, &dirty, FALSE);
    EXPECT_TRUE(EqualRect(&dirty, &client));
    for (int id : ids) {
        RECT controlDirty{};
        EXPECT_TRUE(GetUpdateRect(dialog->Item(id), &controlDirty, FALSE)) << id;
    }
    // How far each edge moved: the left buttons go down, Close down and right, the group and
    // the list grow.
    const RECT moved[] = {
        {0, 70, 0, 70}, {0, 70, 0, 70}, {120, 70, 120, 70}, {0, 0, 120, 70}, {0, 0, 120, 70}};
    for (int i = 0; i < 5; ++i) {
        const RECT now = ClientRectOf(dialog->Item(ids[i]));
        const RECT want{before[i].left + moved[i].left, before[i].top + moved[i].top,
                        before[i].right + moved[i].right, before[i].bottom + moved[i].bottom};
        EXPECT_TRUE(EqualRect(&now, &want)) << ids[i];
    }
    // The new outer rectangle is what would be saved.
    RECT grown{};
    GetWindowRect(dlg, &grown);
    const RECT saved = dialog->CurrentSettings().placement;
    EXPECT_TRUE(EqualRect(&grown, &saved));
    SetWindowPos(dlg, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    expectAsBefore();

    // Maximised, the buttons keep their distance from the bottom right corner.
    GetClientRect(dlg, &client);
    ShowWindow(dlg, SW_SHOWMAXIMIZED);
    RECT maximised{};
    GetClientRect(dlg, &maximised);
    ASSERT_GT(maximised.bottom, client.bottom);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(ids[i]);
        const RECT now = ClientRectOf(dialog->Item(ids[i]));
        EXPECT_EQ(maximised.bottom - now.bottom, client.bottom - before[i].bottom);
        if (ids[i] != IDC_CREATE_NEW && ids[i] != IDC_DELETE_SELECTED) {
            EXPECT_EQ(maximised.right - now.right, client.right - before[i].right);
        }
    }
    ShowWindow(dlg, SW_RESTORE);
    expectAsBefore();
}

// A placement in the work area, larger than the window opens (its size follows the font).
RECT PlacementLargerThan(HWND window) {
    RECT natural{}, area{};
    GetWindowRect(window, &natural);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int left = area.left + 50, top = area.top + 40;
    return RECT{left, top, left + natural.right - natural.left + 60, top + natural.bottom - natural.top + 40};
}

TEST_F(MainWindowTest, SavedPlacementIsAppliedTheMovedOneSavedAndOneClosedMinimisedForgotten) {
    Open();
    const RECT placement = PlacementLargerThan(dialog->Hwnd());
    dialog.reset();
    SaveWindowSettings(store, WindowSettings{0, placement});
    Open();
    RECT window{};
    GetWindowRect(dialog->Hwnd(), &window);
    EXPECT_TRUE(EqualRect(&window, &placement));

    SetWindowPos(dialog->Hwnd(), nullptr, placement.left + 30, placement.top + 50, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    dialog.reset();
    RECT moved = placement;
    OffsetRect(&moved, 30, 50);
    const RECT saved = LoadWindowSettings(store).placement;
    EXPECT_TRUE(EqualRect(&saved, &moved));

    Open();
    ShowWindow(dialog->Hwnd(), SW_SHOWMINNOACTIVE);
    dialog.reset();
    EXPECT_TRUE(IsEmptyPlacement(LoadWindowSettings(store).placement));
    // The settings were still written.
    EXPECT_NE(DumpTree(store, CurrentUser(), kSettingsKeyPath), test::kMissingTree);
}

// --- row drawing ----------------------------------------------------------------------------

// A row drawn through WM_DRAWITEM into a bitmap, as the list would ask for it.
class RowPicture {
public:
    RowPicture(HWND dialog, HWND list, int row) {
        RECT client{};
        GetClientRect(list, &client);
        bounds_.left = LVIR_BOUNDS;
        SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds_));
        width_ = std::max(client.right, bounds_.right);
        height_ = bounds_.bottom + 2;
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels_ = static_cast<const DWORD*>(bits);
        HGDIOBJ oldBitmap = SelectObject(dc_, bitmap_);
        HGDIOBJ oldFont = SelectObject(dc_, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
        RECT all{0, 0, width_, height_};
        UniqueBrush sentinel(CreateSolidBrush(kSentinel));
        FillRect(dc_, &all, sentinel.Get());

        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_LISTVIEW;
        dis.CtlID = IDC_OBJECT_LIST;
        dis.itemID = static_cast<UINT>(row);
        dis.itemAction = ODA_DRAWENTIRE;
        dis.hwndItem = list;
        dis.hDC = dc_;
        dis.rcItem = bounds_;
        SendMessageW(dialog, WM_DRAWITEM, IDC_OBJECT_LIST, reinterpret_cast<LPARAM>(&dis));
        GdiFlush();
        SelectObject(dc_, oldFont);
        SelectObject(dc_, oldBitmap);
    }
    ~RowPicture() {
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    RowPicture(const RowPicture&) = delete;
    RowPicture& operator=(const RowPicture&) = delete;

    static constexpr COLORREF kSentinel = RGB(255, 0, 255);

    COLORREF At(int x, int y) const {
        const DWORD p = pixels_[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int Count(COLORREF colour) const {
        int n = 0;
        for (int y = bounds_.top; y < bounds_.bottom; ++y)
            for (int x = 0; x < width_; ++x)
                n += At(x, y) == colour;
        return n;
    }
    // The longest horizontal run of one colour within the row.
    int LongestRun(COLORREF colour) const {
        int best = 0;
        for (int y = bounds_.top; y < bounds_.bottom; ++y) {
            int run = 0;
            for (int x = 0; x < width_; ++x) {
                run = At(x, y) == colour ? run + 1 : 0;
                best = std::max(best, run);
            }
        }
        return best;
    }
    bool Untouched() const { return Count(kSentinel) == width_ * (bounds_.bottom - bounds_.top); }
    // Whether the row shows the same pixels as in other from x = left up to right.
    bool SameAs(const RowPicture& other, int left, int right) const {
        for (int y = bounds_.top; y < bounds_.bottom; ++y)
            for (int x = left; x < right; ++x)
                if (At(x, y) != other.At(x, y))
                    return false;
        return true;
    }

private:
    RECT bounds_{};
    int width_ = 0;
    int height_ = 0;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    const DWORD* pixels_ = nullptr;
};

// A shown and a hidden row, of two objects on this user's Desktop.
class ShownAndHiddenTest : public MainWindowTest {
protected:
    void SetUp() override {
        // Letters without horizontal strokes, so only a strike-out line makes a long run.
        WriteObject(kAlpha, L"wwwwwwwwww", L"C:\\shown", {0});
        WriteClass(kBeta, L"xxxxxxxxxx", L"C:\\hidden");
        WriteEntry(0, std::wstring(L"hidden") + kBeta);
        Open(SW_SHOWNOACTIVATE);
        shown = FindRow(L"wwwwwwwwww", L"Desktop (this user)");
        hidden = FindRow(L"xxxxxxxxxx", L"Desktop (this user)");
    }
    int NameWidth(const wchar_t* text) const {
        HDC dc = GetDC(list);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
        SIZE size{};
        GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
        SelectObject(dc, old);
        ReleaseDC(list, dc);
        return size.cx;
    }
    int shown = -1;
    int hidden = -1;
};

TEST_F(ShownAndHiddenTest, HiddenRowIsGreyAndStruckOutAndVisibleRowIsNot) {
    const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
    const int nameWidth = NameWidth(L"xxxxxxxxxx");
    {
        RowPicture picture(dialog->Hwnd(), list, hidden);
        EXPECT_GT(picture.Count(grey), picture.LongestRun(grey)) << "the letters are grey too";
        EXPECT_GE(picture.LongestRun(grey), nameWidth * 8 / 10) << "struck out";
        EXPECT_EQ(picture.Count(GetSysColor(COLOR_HIGHLIGHT)), 0);
    }
    {
        RowPicture picture(dialog->Hwnd(), list, shown);
        EXPECT_EQ(picture.Count(grey), 0);
        EXPECT_GT(picture.Count(GetSysColor(COLOR_WINDOW)), 0);
    }
}

TEST_F(ShownAndHiddenTest, SelectedRowsUseTheHighlightColoursAndHiddenOnesStayStruckOut) {
    SetSelected(hidden, true);
    SetSelected(shown, true);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    RECT client{};
    GetClientRect(list, &client);
    RECT label{};
    label.left = LVIR_LABEL;
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(hidden), reinterpret_cast<LPARAM>(&label));
    {
        RowPicture picture(dialog->Hwnd(), list, hidden);
        EXPECT_GE(picture.LongestRun(highlight), (client.right - label.left) / 2)
            << "highlight to the right edge";
        EXPECT_EQ(picture.Count(GetSysColor(COLOR_GRAYTEXT)), 0);
        EXPECT_GE(picture.LongestRun(highlightText), NameWidth(L"xxxxxxxxxx") * 8 / 10) << "still struck out";
    }
    {
        RowPicture picture(dialog->Hwnd(), list, shown);
        EXPECT_GT(picture.Count(highlightText), picture.LongestRun(highlightText));
        EXPECT_LT(picture.LongestRun(highlightText), NameWidth(L"wwwwwwwwww") / 2);
    }
}

TEST_F(ShownAndHiddenTest, RowWhoseItemDataNamesNoEntryIsNeitherDrawnNorActedOn) {
    SetItemData(shown, -1);
    EXPECT_TRUE(RowPicture(dialog->Hwnd(), list, shown).Untouched());
    SetItemData(shown, 999);
    const std::string before = Snapshot();
    SetSelected(shown, true);
    EXPECT_EQ(dialog->EntryOfRow(shown), nullptr);
    EXPECT_TRUE(Greyed(ID_HIDE));
    EXPECT_TRUE(Greyed(ID_UNHIDE));
    Command(ID_DELETE);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(platform.notified.empty());
}

TEST_F(ShownAndHiddenTest, ContextMenuEnablesHideAndUnhideByTheSelectedEntries) {
    SetSelected(hidden);
    EXPECT_TRUE(Greyed(ID_HIDE));
    EXPECT_FALSE(Greyed(ID_UNHIDE));
    for (UINT id : std::initializer_list<UINT>{ID_DELETE, ID_RENAME, ID_CHANGE_ICON, ID_CHANGE_COMMENT,
                                               ID_SET_EXPLORER_POSITION})
        EXPECT_FALSE(Greyed(id)) << id;

    SetSelected(shown);
    EXPECT_FALSE(Greyed(ID_HIDE));
    EXPECT_FALSE(Greyed(ID_UNHIDE));

    SetSelected(hidden, false);
    EXPECT_FALSE(Greyed(ID_HIDE));
    EXPECT_TRUE(Greyed(ID_UNHIDE));
}

// Autosized columns show their widest texts whole, although the drawing keeps its texts
// further from the cell edges than the list sizes columns for; the width the drawing asks
// for is exact. Compared pixel by pixel with the same row drawn in a far wider column, so
// no font or text width is assumed.
TEST_F(MainWindowTest, AutosizedColumnsShowEveryTextWholeAndTheDrawnWidthIsExact) {
    WriteObject(kAlpha, L"Project Files", L"%USERPROFILE%\\Documents", {1}, L"Shared project folders");
    WriteObject(kBeta, L"Notepad", L"%SystemRoot%\\system32\\notepad.exe", {2}, L"Edit text files");
    Open();
    const int rows = RowCount();
    ASSERT_EQ(rows, 2);
    // Whether the cell of row and column shows the same at width as in a column far wider.
    auto whole = [&](int row, int column, int width) {
        const int before = ColumnWidth(column);
        int left = 0;
        for (int c = 0; c < column; ++c)
            left += ColumnWidth(c);
        SetColumnWidth(column, width);
        RowPicture at(dialog->Hwnd(), list, row);
        SetColumnWidth(column, width + 1000);
        RowPicture wide(dialog->Hwnd(), list, row);
        SetColumnWidth(column, before);
        return at.SameAs(wide, left, left + width);
    };
    for (int column = 0; column < 4; ++column) {
        SCOPED_TRACE(column);
        bool cut = false;
        for (int row = 0; row < rows; ++row) {
            EXPECT_TRUE(whole(row, column, ColumnWidth(column))) << "row " << row;
            cut = cut || !whole(row, column, DrawnColumnWidth(list, column) - 1);
        }
        EXPECT_TRUE(cut) << "one pixel less cuts the widest text";
    }
}

// --- the rows' order and filter ------------------------------------------------------------

TEST(RowOrder, SortsByAnyColumnIgnoringCaseWithTiesByNameLocationAndInventoryOrderAndFiltersEveryColumn) {
    const std::wstring labels[] = {L"Desktop", L"Control Panel"};
    auto row = [](const wchar_t* name, int place, const wchar_t* target, const wchar_t* description) {
        return InventoryRow{name, place, target, description, false, std::nullopt, nullptr};
    };
    const std::vector<InventoryRow> rows{
        row(L"delta", 0, L"C:\\d", L""),      row(L"Bravo", 1, L"c:\\b", L"Zeta"),
        row(L"alpha", 1, L"C:\\a", L"eta"),   row(L"ALPHA", 0, L"C:\\A", L""),
        row(L"bravo", 1, L"C:\\B", L"theta"), row(L"x", 7, L"", L"")};
    struct Case {
        SortOrder order;
        std::wstring filter;
        std::vector<std::size_t> shown;
    } const cases[] = {
        {{0, false}, L"", {2, 3, 1, 4, 0, 5}}, // equal names: "Control Panel" before "Desktop"
        {{0, true}, L"", {5, 0, 1, 4, 3, 2}},  // all reversed but the full tie of 1 and 4
        {{1, false}, L"", {5, 2, 1, 4, 3, 0}}, // a place without a label sorts first
        {{2, true}, L"", {0, 1, 4, 3, 2, 5}},
        {{3, false}, L"", {3, 0, 5, 2, 4, 1}},
        {{0, false}, L"ZET", {1}},           // Description
        {{0, false}, L"control", {2, 1, 4}}, // Location
        {{0, false}, L"c:\\B", {1, 4}},      // Target
        {{0, false}, L"LPH", {2, 3}},        // Name
        {{0, false}, L"nowhere", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.order.column << (c.order.descending ? " down " : " up ")
                                        << testing::PrintToString(c.filter));
        EXPECT_EQ(ArrangeRows(rows, labels, c.filter, c.order), c.shown);
    }
}

TEST(ListViewInventory, LongNamesAreReadBackWhole) {
    InitCommonControls();
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 300, 200, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    ListViewInventory view;
    view.Attach(nullptr, list);
    const std::wstring longName(999, L'n');
    EXPECT_EQ(view.AppendRow(longName, 0, 0), 0);
    EXPECT_EQ(view.AppendRow(L"m", 0, 1), 1);
    EXPECT_EQ(ListItemText(list, 0, 0), longName);
    EXPECT_EQ(ListItemText(list, 1, 0), L"m");
    DestroyWindow(list);
}

// --- keys, sorting, filter, status line, kept place, DPI ---------------------------------------

// Presses a key with modifiers held, as the keyboard would: the key's messages go to the
// focused control and through the window's own loop; the modifiers are let go a step later,
// once the loop has handled them.
void PressKey(test::ModalScript& script, UINT key, std::vector<UINT> modifiers) {
    auto hold = [modifiers](bool down) {
        BYTE state[256] = {};
        GetKeyboardState(state);
        for (const UINT modifier : modifiers)
            state[modifier] = down ? 0x80 : 0;
        SetKeyboardState(state);
    };
    script.Do([=] {
        hold(true);
        const bool system = key == VK_F10;
        HWND focus = GetFocus();
        PostMessageW(focus, system ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1);
        PostMessageW(focus, system ? WM_SYSKEYUP : WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
    });
    script.Do([=] { hold(false); });
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

TEST_F(MainWindowTest, EveryKeyDoesItsCommandThroughTheWindowsOwnLoop) {
    // What a key opened over the window (then closed again).
    struct Seen {
        std::wstring dialog;
        RECT menu{};
    };
    struct Case {
        const char* name;
        int focus;
        const wchar_t* filter;
        UINT key;
        std::vector<UINT> modifiers;
        std::function<void(const Seen&)> check;
    };
    auto focusId = [] { return GetDlgCtrlID(GetFocus()); };
    auto filterText = [this] { return uitest::ItemText(dialog->Hwnd(), IDC_FILTER); };
    const std::wstring beta = L"Beta @ Control Panel (this user)";
    auto menuAtBeta = [&](const Seen& seen) {
        RECT label{LVIR_LABEL, 0, 0, 0};
        SendMessageW(list, LVM_GETITEMRECT, FindRow(L"Beta", L"Control Panel (this user)"),
                     reinterpret_cast<LPARAM>(&label));
        MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&label), 2);
        EXPECT_EQ(seen.menu.left, label.left);
        EXPECT_EQ(seen.menu.top, label.bottom);
    };
    const std::wstring betaCopied = L"Name\tLocation\tTarget\tDescription\tClass identifier\r\n"
                                    L"Beta\tControl Panel (this user)\tC:\\Beta\tsecond\t" +
                                    std::wstring(kBeta) + L"\r\n";
    const int inList = IDC_OBJECT_LIST;
    // clang-format off
    const Case cases[] = {
        {"Del deletes the selection", inList, L"", VK_DELETE, {}, [&](const Seen&) {
            EXPECT_FALSE(EntryExists(1, kBeta)); EXPECT_TRUE(EntryExists(0, kAlpha)); }},
        {"Del in the filter box edits it", IDC_FILTER, L"xyz", VK_DELETE, {}, [&](const Seen&) {
            EXPECT_EQ(filterText(), L"yz"); EXPECT_TRUE(EntryExists(1, kBeta)); }},
        {"F2 renames", inList, L"", VK_F2, {}, [&](const Seen& seen) { EXPECT_EQ(seen.dialog, L"Edit Shell Object"); }},
        {"F5 rebuilds and keeps the selection", inList, L"", VK_F5, {}, [&](const Seen&) {
            EXPECT_EQ(RowCount(), 3); EXPECT_EQ(NamesOf(LVNI_SELECTED), std::vector<std::wstring>{beta}); }},
        {"Ctrl+A selects every shown row", inList, L"a", 'A', {VK_CONTROL}, [&](const Seen&) {
            EXPECT_EQ(NamesOf(LVNI_SELECTED), Names()); }},
        {"Ctrl+A in the filter box selects its text", IDC_FILTER, L"Beta", 'A', {VK_CONTROL}, [&](const Seen&) {
            EXPECT_EQ(SendMessageW(dialog->Item(IDC_FILTER), EM_GETSEL, 0, 0), MAKELRESULT(0, 4));
            EXPECT_EQ(NamesOf(LVNI_SELECTED), std::vector<std::wstring>{beta}); }},
        {"Ctrl+N creates", inList, L"", 'N', {VK_CONTROL}, [&](const Seen& seen) {
            EXPECT_EQ(seen.dialog.rfind(L"Create new ShellObject", 0), 0u); }},
        {"Ctrl+F goes to the filter box", inList, L"", 'F', {VK_CONTROL}, [&](const Seen&) { EXPECT_EQ(focusId(), IDC_FILTER); }},
        {"Ctrl+C copies the selection", inList, L"", 'C', {VK_CONTROL}, [&](const Seen&) {
            EXPECT_EQ(ClipboardText(), betaCopied); }},
        {"Ctrl+E exports the selection", inList, L"", 'E', {VK_CONTROL}, [&](const Seen& seen) { EXPECT_EQ(seen.dialog, L"Export"); }},
        {"Shift+F10 opens the menu at the focused row", inList, L"", VK_F10, {VK_SHIFT}, menuAtBeta},
        {"the Menu key too", inList, L"", VK_APPS, {}, menuAtBeta},
        {"Esc in the filter box clears it", IDC_FILTER, L"Beta", VK_ESCAPE, {}, [&](const Seen&) {
            EXPECT_EQ(filterText(), L""); EXPECT_EQ(RowCount(), 2); }},
        {"Esc in an empty filter box does nothing", IDC_FILTER, L"", VK_ESCAPE, {}, [&](const Seen&) {
            EXPECT_EQ(focusId(), IDC_FILTER); }},
        {"Enter in the filter box goes to the list", IDC_FILTER, L"Beta", VK_RETURN, {}, [&](const Seen&) {
            EXPECT_EQ(focusId(), IDC_OBJECT_LIST); EXPECT_EQ(filterText(), L"Beta"); }},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialog.reset();
        ClearRegistry();
        WriteObject(kAlpha, L"Alpha", L"C:\\Alpha", {0});
        WriteObject(kBeta, L"Beta", L"C:\\Beta", {1}, L"second");
        WriteClass(kGamma, L"Gamma", L"C:\\Gamma");
        Open(SW_SHOW);
        WriteEntry(2, kGamma); // behind the window's back
        const int row = FindRow(L"Beta", L"Control Panel (this user)");
        SetSelected(row, true);
        Focus(row);
        SetFocus(dialog->Item(c.focus));
        SetDlgItemTextW(dialog->Hwnd(), IDC_FILTER, c.filter);
        SetCursorPos(0, 0); // far from every row: a menu at the mouse would show there

        Seen seen;
        test::ModalScript script;
        PressKey(script, c.key, c.modifiers);
        script.Do([&] {
            if (HWND opened = uitest::FindOwnedDialog(dialog->Hwnd())) {
                seen.dialog = uitest::WindowText(opened);
                if (test::IsPropertySheet(opened))
                    PostMessageW(opened, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
                else
                    PostMessageW(opened, WM_COMMAND, IDCANCEL, 0);
            }
            if (HWND menu = FindWindowW(L"#32768", nullptr); menu && IsWindowVisible(menu)) {
                GetWindowRect(menu, &seen.menu);
                EndMenu();
            }
        });
        script.Do([] { PostQuitMessage(0); });
        script.Start();
        dialog->RunMessageLoop();
        ASSERT_TRUE(script.Completed());
        ASSERT_TRUE(IsWindow(dialog->Hwnd())) << "the key closed the window";
        c.check(seen);
    }
}

TEST_F(MainWindowTest,
       HeadingClicksSortUpThenDownWithTheArrowSelectionsAreWalkedInThatOrderAndTheSortIsKept) {
    WriteObject(kAlpha, L"b", L"C:\\2", {0});
    WriteObject(kBeta, L"A", L"c:\\3", {0});
    WriteObject(kGamma, L"c", L"C:\\1", {0});
    auto arrows = [this] {
        std::vector<int> formats;
        HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
        for (int column = 0; column < 4; ++column) {
            HDITEMW item{};
            item.mask = HDI_FORMAT;
            SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
            formats.push_back(item.fmt & (HDF_SORTUP | HDF_SORTDOWN));
        }
        return formats;
    };
    auto click = [this](int column) {
        HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
        RECT item{};
        SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
        const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        PostMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(header, WM_LBUTTONUP, 0, at);
        uitest::PumpPending(dialog->Hwnd());
    };
    Open(SW_SHOW);
    EXPECT_EQ(NamesIn(Names()), (std::vector<std::wstring>{L"A", L"b", L"c"}));
    EXPECT_EQ(arrows(), (std::vector<int>{HDF_SORTUP, 0, 0, 0}));
    click(2);
    EXPECT_EQ(NamesIn(Names()), (std::vector<std::wstring>{L"c", L"b", L"A"}));
    EXPECT_EQ(arrows(), (std::vector<int>{0, 0, HDF_SORTUP, 0}));
    // The selection is walked in display order.
    for (int row = 0; row < 3; ++row)
        SetSelected(row, true);
    std::vector<std::wstring> visited;
    dialog->ForEachSelectedEntry([&](ShellObjectEntry& entry) { visited.push_back(entry.info->name); });
    EXPECT_EQ(visited, (std::vector<std::wstring>{L"c", L"b", L"A"}));
    click(2);
    EXPECT_EQ(NamesIn(Names()), (std::vector<std::wstring>{L"A", L"b", L"c"}));
    EXPECT_EQ(arrows(), (std::vector<int>{0, 0, HDF_SORTDOWN, 0}));

    dialog.reset();
    const WindowSettings saved = LoadWindowSettings(store);
    EXPECT_EQ(saved.sortColumn, 2);
    EXPECT_TRUE(saved.sortDescending);
    Open();
    EXPECT_EQ(NamesIn(Names()), (std::vector<std::wstring>{L"A", L"b", L"c"}));
    EXPECT_EQ(arrows(), (std::vector<int>{0, 0, HDF_SORTDOWN, 0}));
}

TEST_F(MainWindowTest, TypingAFilterReadsNoRegistryTheStatusLineCountsAndCommandsActOnShownRowsOnly) {
    WriteObject(kAlpha, L"Project Files", L"C:\\Projects", {0}, L"shared");
    WriteObject(kBeta, L"Notepad", L"C:\\Windows\\notepad.exe", {1});
    WriteClass(kGamma, L"Paint", L"C:\\Paint");
    WriteEntry(0, std::wstring(L"hidden") + kGamma);
    test::RecordingRegistry recorder(store);
    Open(SW_HIDE, &recorder);
    EXPECT_EQ(Status(), L"3 objects, 1 hidden");

    recorder.recordReads = true;
    recorder.calls.clear();
    for (const wchar_t letter : {L'P', L'a'})
        PostMessageW(dialog->Item(IDC_FILTER), WM_CHAR, letter, 1);
    uitest::PumpPending(dialog->Hwnd());
    EXPECT_TRUE(recorder.calls.empty()) << recorder.calls.front();
    EXPECT_EQ(NamesIn(Names()), (std::vector<std::wstring>{L"Notepad", L"Paint"}));
    EXPECT_EQ(Status(), L"2 of 3 objects shown, 1 hidden");

    Command(ID_SELECT_ALL);
    EXPECT_EQ(Status(), L"2 of 3 objects shown, 1 hidden, 2 selected");
    Command(ID_DELETE);
    EXPECT_TRUE(EntryExists(0, kAlpha));
    EXPECT_FALSE(EntryExists(1, kBeta));
    EXPECT_FALSE(EntryExists(0, std::wstring(L"hidden") + kGamma));
    EXPECT_EQ(Status(), L"0 of 1 objects shown, 0 hidden");
    SetDlgItemTextW(dialog->Hwnd(), IDC_FILTER, L"");
    EXPECT_EQ(Status(), L"1 object, 0 hidden");
    dialog.reset(); // it saves its settings through the recorder
}

TEST_F(MainWindowTest, RowsThatStillExistStaySelectedUnderTheirNewNamesAndTheFocusedRowStaysInView) {
    // Every object in every place: more rows than the list shows at once.
    for (const wchar_t* clsid : {kAlpha, kBeta, kGamma, kForeign})
        WriteObject(clsid, clsid, L"C:\\x", {0, 1, 2, 3, 4, 5, 6, 7});
    Open(SW_SHOW);
    const int rows = RowCount();
    ASSERT_GT(rows, SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0) + 2);
    for (const int row : {1, rows - 3, rows - 2})
        SetSelected(row, true);
    // Scrolled down, but not as far as the list goes; the focus on the second row in view.
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(rows - 1), FALSE);
    SendMessageW(list, LVM_ENSUREVISIBLE, 2, FALSE);
    const LRESULT top = SendMessageW(list, LVM_GETTOPINDEX, 0, 0);
    ASSERT_EQ(top, 2);
    Focus(static_cast<int>(top) + 1);
    const std::vector<std::wstring> selected = NamesOf(LVNI_SELECTED);
    const std::vector<std::wstring> focused = NamesOf(LVNI_FOCUSED);

    for (const UINT command : {ID_HIDE, ID_UNHIDE, ID_REFRESH}) {
        SCOPED_TRACE(command);
        Command(command);
        EXPECT_EQ(NamesOf(LVNI_SELECTED), selected);
        EXPECT_EQ(NamesOf(LVNI_FOCUSED), focused);
        EXPECT_EQ(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), top);
        const bool hidden = command == ID_HIDE;
        for (int row = dialog->NextSelectedRow(-1); row != -1; row = dialog->NextSelectedRow(row))
            EXPECT_EQ(dialog->EntryOfRow(row)->hidden, hidden) << row;
    }
    // A deleted row above the focused one: the focus stays on its row, which stays in view.
    SetSelected(rows - 2, false);
    SetSelected(rows - 3, false);
    Command(ID_DELETE);
    EXPECT_TRUE(NamesOf(LVNI_SELECTED).empty());
    EXPECT_EQ(NamesOf(LVNI_FOCUSED), focused);
    const LRESULT focusedRow = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    const LRESULT first = SendMessageW(list, LVM_GETTOPINDEX, 0, 0);
    EXPECT_GE(focusedRow, first);
    EXPECT_LT(focusedRow, first + SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
}

TEST_F(MainWindowTest, ANewDpiTakesTheSuggestedRectangleAndScalesFontLayoutIconsAndRows) {
    WriteObject(kAlpha, L"Mine", L"C:\\Mine", {0});
    Open();
    HWND dlg = dialog->Hwnd();
    const int ids[] = {IDC_CREATE_NEW, IDC_DELETE_SELECTED, IDOK,      IDC_GROUP_INSTALLED,
                       IDC_FILTER,     IDC_OBJECT_LIST,     IDC_STATUS};
    std::vector<RECT> before;
    for (const int id : ids)
        before.push_back(ClientRectOf(dialog->Item(id)));
    RECT window{};
    GetWindowRect(dlg, &window);
    auto fontHeight = [this] {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)), sizeof font, &font);
        return static_cast<int>(std::abs(font.lfHeight));
    };
    const int font = fontHeight();

    RECT suggested{window.left + 10, window.top + 10, window.left + 10 + (window.right - window.left) * 3 / 2,
                   window.top + 10 + (window.bottom - window.top) * 3 / 2};
    SendMessageW(dlg, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT now{};
    GetWindowRect(dlg, &now);
    EXPECT_TRUE(EqualRect(&now, &suggested));
    EXPECT_EQ(fontHeight(), MulDiv(font, 144, 96));
    int iconWidth = 0, iconHeight = 0;
    ImageList_GetIconSize(dialog->ListView().ImageList(), &iconWidth, &iconHeight);
    EXPECT_EQ(iconWidth, SmallIconSize(144));
    RECT row{};
    row.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    EXPECT_GE(row.bottom - row.top, std::max(iconHeight, fontHeight())) << "nothing clipped";
    const RECT close = ClientRectOf(dialog->Item(IDOK));
    EXPECT_NEAR(close.bottom - close.top, (before[2].bottom - before[2].top) * 3 / 2, 1);

    SendMessageW(dlg, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&window));
    EXPECT_EQ(fontHeight(), font);
    for (std::size_t i = 0; i < before.size(); ++i) {
        const RECT back = ClientRectOf(dialog->Item(ids[i]));
        EXPECT_TRUE(EqualRect(&back, &before[i])) << ids[i];
    }
}

} // namespace
} // namespace vs::test
