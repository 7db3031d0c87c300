// What a refresh shows, checked on a larger registry with the real shell services: the
// rows, their order and item data, the icons (one image per distinct location, shared by
// every record that names it; the fallbacks where a location fails or is missing), the
// column widths, and that the list is filled with its drawing held and draws again once
// the fill is done.

#include "mainwnd/ListViewInventory.h"
#include "mainwnd/RowDrawing.h"
#include "mainwnd/RowOrder.h"
#include "res/resource.h"
#include "store/NamespaceLocation.h"
#include "store/BackupFolder.h"
#include "store/ClassRoots.h"
#include "store/DesktopIcon.h"
#include "store/RegKey.h"
#include "store/RegistryWatch.h"
#include "store/WinPlatform.h"
#include "store/WinRegistryWatch.h"
#include "tests/support/RegistryTree.h"
#include "tests/wine/MainWindowFixture.h"
#include "tests/wine/UiDriver.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <windows.h>

#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace vs {
namespace {

using test::ExpandSz;
using test::Sz;
using test::TreeKey;

constexpr int kObjects = 48;

std::wstring ClassId(int n) {
    wchar_t text[64];
    std::swprintf(text, 64, L"{5e1f0000-0000-4000-8000-%012d}", n);
    return text;
}

std::wstring SystemFile(const wchar_t* name) {
    wchar_t directory[MAX_PATH];
    GetSystemDirectoryW(directory, MAX_PATH);
    return std::wstring(directory) + L"\\" + name;
}

// Which icon location object n names: two shared loadable ones, one that cannot load,
// and none at all.
enum class Icon { SharedA, SharedB, Broken, Missing };
Icon IconOf(int n) {
    return static_cast<Icon>(n % 4);
}

// The real platform, with its icon extractions written down and the icons that are still
// alive counted.
class RecordingPlatform final : public WinPlatform {
public:
    IconHandle ExtractIcon(const std::wstring& path, int index) override {
        extractCalls.emplace_back(path, index);
        IconHandle icon = WinPlatform::ExtractIcon(path, index);
        liveIcons += icon != nullptr;
        return icon;
    }
    void DestroyIcon(IconHandle icon) override {
        liveIcons -= icon != nullptr;
        WinPlatform::DestroyIcon(icon);
    }

    std::vector<std::pair<std::wstring, int>> extractCalls;
    int liveIcons = 0;
};

struct Row {
    std::wstring name;
    std::wstring location;
    int image = 0;
    LPARAM data = 0;
};

std::vector<std::wstring> AllClassIds() {
    std::vector<std::wstring> ids;
    for (int n = 0; n <= kObjects; ++n)
        ids.push_back(ClassId(n));
    return ids;
}

class RefreshTest : public test::MainWindowFixture {
protected:
    RefreshTest() : MainWindowFixture(AllClassIds()) {}
    ~RefreshTest() override { dialog.reset(); } // before the platform it uses

    // Object n in place n % 8 (some also in a second place), named so that the
    // registry's order differs from the name order, with a description when asked.
    void WriteObjects(bool withDescriptions) {
        for (int n = 0; n < kObjects; ++n) {
            const std::wstring name =
                (n % 3 ? L"object " : L"Object ") + std::to_wstring((n * 29) % kObjects);
            std::vector<test::TreeValue> values{Sz(L"", name), Sz(L"SearchHelper", L"Varnoset: " + name)};
            if (withDescriptions && n % 5 == 0)
                values.push_back(Sz(L"InfoTip", L"about " + name));
            std::vector<TreeKey> subkeys{{L"Instance\\InitPropertyBag", {ExpandSz(L"Target", L"C:\\t")}}};
            const std::wstring icons[] = {SystemFile(L"shell32.dll") + L",3",
                                          SystemFile(L"shell32.dll") + L",4",
                                          L"C:\\no such folder\\none.dll,2"};
            if (IconOf(n) != Icon::Missing)
                subkeys.push_back({L"DefaultIcon", {Sz(L"", icons[static_cast<int>(IconOf(n))])}});
            ASSERT_EQ(
                test::WriteTree(store, ClassesRoot(), TreeKey{test::ClassPath(ClassId(n)), values, subkeys}),
                kOk);
            // Every sixth object is also registered in My Computer (this user).
            std::vector<int> places{n % 8};
            if (n % 6 == 0 && n % 8 != 2)
                places.push_back(2);
            for (int place : places)
                WriteEntry(place, ClassId(n), L"Varnoset: " + name);
        }
    }

    void Open() { MainWindowFixture::Open(SW_SHOWNOACTIVATE, nullptr, &real); }

    std::vector<Row> Rows() const {
        std::vector<Row> rows;
        for (int row = 0; row < RowCount(); ++row) {
            LVITEMW item{};
            item.mask = LVIF_IMAGE;
            item.iItem = row;
            SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            rows.push_back(Row{Cell(row, 0), Cell(row, 1), item.iImage, dialog->ListView().ItemData(row)});
        }
        return rows;
    }
    int ColumnWidth(int column) const {
        return static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    }
    // The width the list gives a column when asked to autosize it now.
    int AutosizedWidth(int column) const {
        const int before = ColumnWidth(column);
        SendMessageW(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                     MAKELPARAM(LVSCW_AUTOSIZE_USEHEADER, 0));
        const int width = ColumnWidth(column);
        SendMessageW(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(before, 0));
        return width;
    }

    int ExtractionsOf(const std::wstring& path) const {
        return static_cast<int>(std::count_if(real.extractCalls.begin(), real.extractCalls.end(),
                                              [&](const auto& call) { return call.first == path; }));
    }

    RecordingPlatform real;
};

// Runs this prefix's reg.exe with arguments to its end; true when it succeeded.
bool Reg(const std::wstring& arguments) {
    std::wstring line = L"reg.exe " + arguments;
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &start, &process))
        return false;
    DWORD status = 1;
    // A bound only for a program that hangs; the wait itself is for its end.
    if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status == 0;
}

TEST_F(RefreshTest, AnotherProgramsChangesShowByThemselvesAlsoInAPlaceWhoseKeyIsMadeDeletedAndMadeAgain) {
    Open();
    ASSERT_TRUE(Rows().empty());
    const std::wstring id = ClassId(kObjects);
    const std::wstring classKey = L"\"HKLM\\Software\\Classes\\CLSID\\" + id + L"\"";
    const std::wstring place = L"\"HKCU\\" + std::wstring(PlaceByIndex(0)->nameSpacePath) + L"\"";
    const std::wstring entry = L"add " + place.substr(0, place.size() - 1) + L"\\" + id +
                               L"\" /v SearchHelper /d \"Varnoset: Outside\" /f";
    const struct {
        std::wstring reg; // reg.exe's arguments
        std::size_t rows;
        const wchar_t* name; // of the row, if any; null: not waited for
        const wchar_t* tip = L"";
    } steps[] = {
        {L"add " + classKey + L" /ve /d Outside /f", 0, nullptr},
        {entry, 1, L"Outside"},
        {L"delete " + place + L" /f", 0, nullptr},
        {entry, 1, L"Outside"},
        {L"delete " + place + L" /f", 0, nullptr},
        {entry, 1, L"Outside"},
        // The class key replaced: deleted, then written again with another name.
        {L"delete " + classKey + L" /f", 1, nullptr},
        {L"add " + classKey + L" /ve /d Replaced /f", 1, L"Replaced"},
        {L"add \"HKLM\\" + std::wstring(kClasses32Path) + L"\\" + id + L"\" /ve /d Replaced /f", 1,
         L"Replaced", L"\n32-bit copy: "},
        {L"add \"HKCU\\" + std::wstring(kHideDesktopIconsPath) + L"\" /v " + id + L" /t REG_DWORD /d 1 /f", 1,
         L"Replaced", L"Icon on the desktop: hidden"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::PrintToString(step.reg));
        ASSERT_TRUE(Reg(step.reg));
        EXPECT_TRUE(uitest::PumpUntil(
            [&] {
                const std::vector<Row> rows = Rows();
                return rows.size() == step.rows && (!step.name || rows[0].name == step.name) &&
                       (rows.empty() || dialog->RowTip(0).find(step.tip) != std::wstring::npos);
            },
            30000, dialog->Hwnd()));
    }
}

// Thousands of keys written while the window's loop does not run come as one update.
TEST_F(RefreshTest, AnImportOfThousandsOfEntriesComesAsOneUpdateThatShowsWhatARebuildShows) {
    constexpr int kBurst = 2000;
    WriteObjects(false);
    Open();
    const std::size_t before = Rows().size();
    std::string file = "REGEDIT4\r\n";
    for (int n = 0; n < kBurst; ++n)
        file += "\r\n[HKEY_CURRENT_USER\\" + test::Narrow(test::EntryPath(n % 4, ClassId(1000 + n))) +
                "]\r\n\"SearchHelper\"=\"Varnoset: burst\"\r\n";
    uitest::TempFolder folder;
    const std::wstring path = folder.File(L"burst.reg");
    ASSERT_TRUE(WriteFileBytes(path, std::vector<std::uint8_t>(file.begin(), file.end())));
    ASSERT_TRUE(Reg(L"import \"" + path + L"\""));
    ASSERT_TRUE(uitest::PumpUntil([&] { return Rows().size() != before; }, 30000, dialog->Hwnd()));
    EXPECT_EQ(Rows().size(), before + kBurst);
    ExpectAsRebuilt();
}

// A key that refuses to be watched (access denied) is unwatched, never pending and read
// again at every TakeChanges, until it can be watched again.
TEST_F(RefreshTest, TheWindowsWatchReportsAKeyThatRefusesNotificationAsUnwatched) {
    WriteEntry(0, ClassId(0));
    auto allow = [](const wchar_t* sddl) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        HKEY key = nullptr;
        ASSERT_TRUE(
            ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr));
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, PlaceByIndex(0)->nameSpacePath, 0, WRITE_DAC, &key), 0);
        EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd), 0);
        RegCloseKey(key);
        LocalFree(sd);
    };
    allow(L"D:(D;;0x10;;;WD)(A;;KA;;;WD)"); // all but KEY_NOTIFY
    WinRegistryWatch watch;
    for (bool refused : {true, true, false}) {
        if (!refused)
            allow(L"D:(A;;KA;;;WD)");
        EXPECT_EQ(watch.Unwatched().places, 1u);
        EXPECT_FALSE(watch.Pending());
        EXPECT_EQ(watch.TakeChanges().places, 1u);
    }
    EXPECT_FALSE(watch.Unwatched().Any());
}

LRESULT CALLBACK CountTimerTicks(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR counter) {
    if (message == WM_TIMER)
        ++*reinterpret_cast<int*>(counter);
    return DefSubclassProc(window, message, wParam, lParam);
}

// A watch that could be set on nothing (every key refused): it tells of no change.
struct NothingWatched final : RegistryWatch {
    bool Pending() override { return false; }
    ChangedParts TakeChanges() override { return {}; }
    ChangedParts Unwatched() const override { return ChangedParts::All(); }
};

TEST_F(RefreshTest, WithNothingWatchedTheTimerReadsNothingAndACommandShowsWhatARebuildShows) {
    WriteObjects(false);
    Open();
    dialog->SetRegistryWatch(std::make_unique<NothingWatched>());
    int ticks = 0;
    ASSERT_TRUE(SetWindowSubclass(dialog->Hwnd(), &CountTimerTicks, 3, reinterpret_cast<DWORD_PTR>(&ticks)));
    const std::vector<std::wstring> before = Names();
    WriteEntry(2, ClassId(1));
    ASSERT_TRUE(uitest::PumpUntil([&] { return ticks >= 3; }, 30000, dialog->Hwnd()));
    EXPECT_EQ(Names(), before);
    SetSelected(0);
    Command(ID_HIDE);
    EXPECT_EQ(Names().size(), before.size() + 1);
    ExpectAsRebuilt();
    RemoveWindowSubclass(dialog->Hwnd(), &CountTimerTicks, 3);
}

// A change made while a dialog of the window is open waits for it to close.
TEST_F(RefreshTest, AChangeWhileADialogOfTheWindowIsOpenShowsOnlyOnceItCloses) {
    Open();
    int ticks = 0;
    ASSERT_TRUE(SetWindowSubclass(dialog->Hwnd(), &CountTimerTicks, 3, reinterpret_cast<DWORD_PTR>(&ticks)));
    const wchar_t* const caption = L"Check for problems";
    test::ModalScript script;
    script.AwaitDialog(caption, [&](HWND) { WriteEntry(2, ClassId(1)), ticks = 0; });
    // Pending at once (written in this process): two ticks would have taken it.
    script.Await([&] { return ticks >= 3; }, "three ticks of the window's timer");
    script.Do([&] {
        EXPECT_EQ(RowCount(), 0) << "changed under the open dialog";
        PostMessageW(uitest::FindDialog(caption), WM_COMMAND, IDCANCEL, 0);
    });
    Command(ID_CHECK_PROBLEMS, script);
    EXPECT_TRUE(uitest::PumpUntil([&] { return RowCount() == 1; }, 30000, dialog->Hwnd()));
    RemoveWindowSubclass(dialog->Hwnd(), &CountTimerTicks, 3);
}

TEST_F(RefreshTest, EveryRegistrationIsOneRowInNameOrderWhoseItemDataNamesItsEntry) {
    WriteObjects(false);
    Open();
    const std::vector<Row> rows = Rows();
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kObjects + 6));
    std::set<LPARAM> data;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0) {
            EXPECT_LE(lstrcmpiW(rows[i - 1].name.c_str(), rows[i].name.c_str()), 0) << "row " << i;
        }
        const ShellObjectEntry* entry = dialog->Inventory().EntryAt(static_cast<std::intptr_t>(rows[i].data));
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->info->name, rows[i].name);
        EXPECT_TRUE(data.insert(rows[i].data).second) << "item data used twice";
    }
}

TEST_F(RefreshTest, RecordsSharingALocationShareOneImageAndFailedOrMissingLocationsKeepTheirFallbacks) {
    WriteObjects(false);
    Open();
    std::map<Icon, std::set<int>> images;
    for (const Row& row : Rows()) {
        const ShellObjectEntry* entry = dialog->Inventory().EntryAt(static_cast<std::intptr_t>(row.data));
        ASSERT_NE(entry, nullptr);
        const int n = std::stoi(entry->info->clsid.substr(26, 12));
        images[IconOf(n)].insert(row.image);
        EXPECT_EQ(dialog->ListView().ImageOf(dialog->Inventory().rows.at(static_cast<std::size_t>(row.data))),
                  row.image);
    }
    ASSERT_EQ(images[Icon::SharedA].size(), 1u);
    ASSERT_EQ(images[Icon::SharedB].size(), 1u);
    const int a = *images[Icon::SharedA].begin();
    const int b = *images[Icon::SharedB].begin();
    EXPECT_GT(a, 0);
    EXPECT_GT(b, 0);
    EXPECT_NE(a, b);
    // A location that yields no icon gets what the image list answers for none; an
    // object without a location keeps the default row icon, image 0.
    EXPECT_EQ(images[Icon::Broken], std::set<int>{-1});
    EXPECT_EQ(images[Icon::Missing], std::set<int>{0});
    // Each location is extracted once per fill and the image list keeps its own copies.
    EXPECT_EQ(ExtractionsOf(SystemFile(L"shell32.dll")), 2);
    EXPECT_EQ(ExtractionsOf(L"C:\\no such folder\\none.dll"), 1);
    EXPECT_EQ(real.liveIcons, 0);
    EXPECT_EQ(ImageList_GetImageCount(dialog->ListView().ImageList()), 3);
    // The next fill starts a new image list and extracts again.
    dialog->RefreshList();
    EXPECT_EQ(ExtractionsOf(SystemFile(L"shell32.dll")), 4);
    EXPECT_EQ(ImageList_GetImageCount(dialog->ListView().ImageList()), 3);
    EXPECT_EQ(real.liveIcons, 0);
}

TEST_F(RefreshTest, ALocationIsExtractedAsFileAndIndexAndAnEmptyOneAsItIs) {
    const test::TreeValue kLocations[] = {Sz(L"", L"C:\\a,b\\icons.dll,5"),
                                          ExpandSz(L"", L"%SystemRoot%\\x.dll,-3"), test::Dword(L"", 0x41)};
    for (int n = 0; n < 3; ++n) {
        const std::wstring id = ClassId(n);
        const test::TreeValue& location = kLocations[n];
        ASSERT_EQ(test::WriteTree(store, ClassesRoot(),
                                  TreeKey{test::ClassPath(id),
                                          {Sz(L"", id), Sz(L"SearchHelper", L"Varnoset: x")},
                                          {{L"DefaultIcon", {location}}}}),
                  kOk);
        WriteEntry(0, id, L"Varnoset: x");
    }
    Open();
    EXPECT_EQ(real.extractCalls, (std::vector<std::pair<std::wstring, int>>{
                                     {L"C:\\a,b\\icons.dll", 5}, {L"%SystemRoot%\\x.dll", -3}, {L"", 0}}));
    for (const Row& row : Rows())
        EXPECT_EQ(row.image, -1) << "nothing extracted, nothing added";
    EXPECT_EQ(ImageList_GetImageCount(dialog->ListView().ImageList()), 1) << "the default row icon alone";
}

TEST_F(RefreshTest, ARefreshOfAnUnchangedRegistryShowsTheSameRowsImagesAndData) {
    WriteObjects(true);
    Open();
    auto key = [](const std::vector<Row>& rows) {
        std::vector<std::wstring> text;
        for (const Row& row : rows)
            text.push_back(row.name + L"|" + row.location + L"|" + std::to_wstring(row.image) + L"|" +
                           std::to_wstring(row.data));
        return text;
    };
    const std::vector<std::wstring> first = key(Rows());
    dialog->RefreshList();
    EXPECT_EQ(key(Rows()), first);
}

TEST_F(RefreshTest, ColumnsAreAutosizedAfterTheFillAndDescriptionOnlyWhenOneIsShown) {
    // Autosized: as wide as the list makes it, or wider where the rows' drawing needs it.
    auto autosized = [&](int column) {
        return std::max(AutosizedWidth(column), DrawnColumnWidth(list, column));
    };
    WriteObjects(false);
    Open();
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(ColumnWidth(column), autosized(column)) << "column " << column;
    EXPECT_EQ(ColumnWidth(3), 100);

    dialog.reset();
    ClearRegistry();
    WriteObjects(true);
    Open();
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(ColumnWidth(column), autosized(column)) << "column " << column;
}

// Watches the list during a fill: what changed its rows or images while it was drawing,
// and which cells and item data went to a row that does not exist.
struct FillWatch {
    bool redrawOff = false;
    std::vector<bool> redrawCalls;
    int changesWhileDrawing = 0;
    int writesToNoRow = 0;
    bool refuseInserts = false;
};

LRESULT CALLBACK WatchFill(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR data) {
    auto& watch = *reinterpret_cast<FillWatch*>(data);
    switch (message) {
    case WM_SETREDRAW:
        watch.redrawOff = !wParam;
        watch.redrawCalls.push_back(wParam != FALSE);
        break;
    case LVM_SETITEMCOUNT:
    case LVM_DELETEALLITEMS:
    case LVM_SETIMAGELIST:
    case LVM_SETITEMTEXTW:
    case LVM_SETITEMW:
        watch.changesWhileDrawing += !watch.redrawOff;
        if (message == LVM_SETITEMTEXTW && static_cast<int>(wParam) < 0)
            ++watch.writesToNoRow;
        if (message == LVM_SETITEMW && reinterpret_cast<const LVITEMW*>(lParam)->iItem < 0)
            ++watch.writesToNoRow;
        if (message == LVM_SETITEMCOUNT && watch.refuseInserts)
            return FALSE;
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

TEST_F(RefreshTest, AnEmptyRegistryGivesNoRowsTheDefaultImageAndAutosizedColumnsButDescription) {
    Open();
    EXPECT_TRUE(Rows().empty());
    HIMAGELIST images = dialog->ListView().ImageList();
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), 1);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0)), images);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0)), images);
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(ColumnWidth(column), AutosizedWidth(column)) << "column " << column;
    EXPECT_EQ(ColumnWidth(3), 100);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog->Hwnd(), IDC_DELETE_SELECTED)));
}

TEST_F(RefreshTest, RowsAndImagesChangeOnlyWhileTheListDoesNotDrawAndARefusedRowGetsNoCells) {
    WriteObjects(true);
    Open();
    FillWatch watch;
    ASSERT_TRUE(SetWindowSubclass(list, &WatchFill, 2, reinterpret_cast<DWORD_PTR>(&watch)));
    dialog->RefreshList();
    EXPECT_EQ(watch.redrawCalls, (std::vector<bool>{false, true}));
    EXPECT_EQ(watch.changesWhileDrawing, 0);

    watch = FillWatch{};
    watch.refuseInserts = true;
    dialog->RefreshList();
    EXPECT_EQ(watch.writesToNoRow, 0) << "no cell may be written to row -1";
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(dialog->Inventory().rows.size(), static_cast<std::size_t>(kObjects + 6));
    watch.refuseInserts = false;
    dialog->RefreshList();
    EXPECT_EQ(Rows().size(), dialog->Inventory().rows.size());
    RemoveWindowSubclass(list, &WatchFill, 2);
}

LRESULT CALLBACK CountDrawItems(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR counter) {
    if (message == WM_DRAWITEM)
        ++*reinterpret_cast<int*>(counter);
    return DefSubclassProc(window, message, wParam, lParam);
}

TEST_F(RefreshTest, TheListDrawsItsRowsAgainOnceTheFillIsDone) {
    WriteObjects(false);
    Open();
    int drawn = 0;
    ASSERT_TRUE(SetWindowSubclass(dialog->Hwnd(), &CountDrawItems, 1, reinterpret_cast<DWORD_PTR>(&drawn)));
    dialog->RefreshList();
    UpdateWindow(list);
    EXPECT_GT(drawn, 0) << "the refresh left the list without drawing";
    RemoveWindowSubclass(dialog->Hwnd(), &CountDrawItems, 1);
}

// The list shows the rows through owner data: an outside update above the selected rows
// moves their states with them, without scrolling, and the keys' search by a name's start
// is the window's own, wrapping to the top.
TEST_F(RefreshTest, AnUpdateAboveTheSelectedRowsKeepsTheirStatesAndTheViewAndTypingFindsTheNewRows) {
    WriteObjects(false);
    Open();
    const int rows = RowCount();
    for (const int row : {rows - 3, rows - 1})
        SetSelected(row);
    Focus(rows - 3);
    const std::vector<std::wstring> selected = NamesOf(LVNI_SELECTED);
    const std::vector<std::wstring> focused = NamesOf(LVNI_FOCUSED);
    const LRESULT top = SendMessageW(list, LVM_GETTOPINDEX, 0, 0);
    const ShellObjectEntry first = *dialog->EntryOfRow(0);
    RegKey parent(store);
    ASSERT_EQ(parent.Open(first.hive, first.parentPath), kOk);
    ASSERT_EQ(parent.DeleteTree(first.keyName.c_str()), kOk);
    ASSERT_EQ(test::WriteTree(store, ClassesRoot(),
                              TreeKey{test::ClassPath(ClassId(kObjects)), {Sz(L"", L"Aardvark")}}),
              kOk);
    for (const int place : {0, 1})
        WriteEntry(place, ClassId(kObjects), L"Varnoset: Aardvark");
    ASSERT_TRUE(uitest::PumpUntil([&] { return RowCount() == rows + 1; }, 30000, dialog->Hwnd()));
    EXPECT_EQ(NamesOf(LVNI_SELECTED), selected);
    EXPECT_EQ(NamesOf(LVNI_FOCUSED), focused);
    EXPECT_EQ(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), top);

    SendMessageW(list, WM_CHAR, L'a', 1);
    EXPECT_EQ(NamesOf(LVNI_FOCUSED), std::vector<std::wstring>{Cell(0, 0) + L" @ " + Cell(0, 1)});
    EXPECT_EQ(test::NamesIn(NamesOf(LVNI_SELECTED)), std::vector<std::wstring>{L"Aardvark"});
}

// The search the list asks for: by the start of a name (or a whole name), ignoring case,
// from a row on in the order shown, wrapping only when told; and the cells it asks for,
// cut to the room given.
TEST(ListViewInventory, FindsRowsInTheOrderShownAndGivesCellsCutToTheRoomGiven) {
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT | LVS_OWNERDATA, 0, 0, 300, 200,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ListViewInventory view;
    view.Attach(nullptr, list);
    std::vector<InventoryRow> rows(4);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i].name = std::vector<std::wstring>{L"Alpha", L"gamma", L"beta", L"alpine"}[i];
    view.Fill(rows, {0, 2, 3, 1}); // Alpha, beta, alpine, gamma
    struct Case {
        const wchar_t* text;
        UINT flags;
        int start, found;
    } const cases[] = {{L"al", LVFI_PARTIAL | LVFI_WRAP, 0, 0},
                       {L"AL", LVFI_PARTIAL, 1, 2},
                       {L"al", LVFI_PARTIAL | LVFI_WRAP, 3, 0},
                       {L"al", LVFI_PARTIAL, 3, -1},
                       {L"BETA", LVFI_STRING, 0, 1},
                       {L"bet", LVFI_STRING, 0, -1},
                       {L"x", LVFI_PARTIAL | LVFI_WRAP, 0, -1}};
    for (const Case& c : cases) {
        NMLVFINDITEMW find{};
        find.iStart = c.start;
        find.lvfi.flags = c.flags;
        find.lvfi.psz = c.text;
        EXPECT_EQ(view.FindRow(find), c.found) << testing::PrintToString(std::wstring(c.text)) << c.start;
    }
    wchar_t cell[4] = L"???";
    NMLVDISPINFOW info{};
    info.item.mask = LVIF_TEXT;
    info.item.iItem = 2;
    info.item.pszText = cell;
    info.item.cchTextMax = 4;
    view.GetDispInfo(info);
    EXPECT_EQ(std::wstring(cell), L"alp");
    DestroyWindow(list);
}

// The sort weighs each text once, in the order lstrcmpiW gives, ties in inventory order.
TEST(RowOrder, SortsAsLstrcmpiWComparesNames) {
    std::vector<InventoryRow> rows;
    for (const wchar_t* name :
         {L"b-a",    L"ba", L"B'a",   L"a b",  L"ab", L"\u00c4b", L"ab10", L"ab2", L"_x",      L"x",
          L"\u00c9", L"e",  L"co-op", L"coop", L"",   L"1",       L"!",    L"AB",  L"a\u00df", L"ass"})
        rows.emplace_back().name = name;
    std::vector<std::size_t> expected(rows.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        expected[i] = i;
    std::stable_sort(expected.begin(), expected.end(), [&](std::size_t a, std::size_t b) {
        return lstrcmpiW(rows[a].name.c_str(), rows[b].name.c_str()) < 0;
    });
    EXPECT_EQ(ArrangeRows(rows, {}, L"", SortOrder{}), expected);
}

} // namespace
} // namespace vs
