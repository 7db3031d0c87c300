// The check for problems in the window, over the prefix's real registry: a registry with
// every kind of problem, the dialog's rows, each repair through "Repair selected", the
// registry compared whole afterwards, "Edit..." on a missing icon, and the rows' warnings.

#include "UiDriver.h"
#include "mainwnd/DeleteObject.h"
#include "mainwnd/ListViewInventory.h"
#include "res/resource.h"
#include "store/ClassRoots.h"
#include "store/NamespaceLocation.h"
#include "store/WinRegistry.h"
#include "tests/support/RegistryTree.h"
#include "tests/support/TestPlatform.h"
#include "tests/wine/ModalScript.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <windows.h>

#include <memory>

namespace vs {
namespace {

using namespace uitest;
using test::DumpTree;
using test::ModalScript;
using test::Sz;
using test::TreeKey;
using test::TreeValue;

constexpr wchar_t kAlpha[] =
    L"{e5000000-0000-4000-8000-0000000000a1}"; // this user's, shown and hidden, all users too
constexpr wchar_t kBeta[] = L"{e5000000-0000-4000-8000-0000000000b2}";  // entry without class key
constexpr wchar_t kGamma[] = L"{e5000000-0000-4000-8000-0000000000c3}"; // class key without entry
constexpr wchar_t kDelta[] = L"{e5000000-0000-4000-8000-0000000000d4}"; // program and icon gone
const wchar_t* const kClasses[] = {kAlpha, kBeta, kGamma, kDelta};
constexpr wchar_t kCaption[] = L"Check for problems";

TreeValue Marker(const std::wstring& name) {
    return Sz(L"SearchHelper", L"Varnoset: " + name);
}

class ProblemsTest : public ::testing::Test {
protected:
    ProblemsTest() {
        InitCommonControls();
        (void)CoInitialize(nullptr);
        Clear();
        Write(CurrentUser(), ClassKeyPath(kAlpha), {Sz(L"", L"Alpha"), Marker(L"Alpha")});
        Entry(0, kAlpha);
        Entry(0, std::wstring(L"hidden") + kAlpha);
        Entry(4, kAlpha);
        Entry(3, kBeta);
        Write(LocalMachine(), ClassKeyPath(kGamma), {Sz(L"", L"Gamma"), Marker(L"Gamma")});
        Write(LocalMachine(), ClassKeyPath(kDelta), {Sz(L"", L"Delta"), Marker(L"Delta")},
              {{L"DefaultIcon", {Sz(L"", L"C:\\nowhere\\gone.dll,0")}},
               {L"Shell\\Open\\Command", {Sz(L"", L"C:\\nowhere\\gone.exe /x")}}});
        Entry(6, kDelta);
    }
    ~ProblemsTest() override {
        window.reset();
        Clear();
    }
    void Clear() {
        for (const NamespaceLocation& place : NamespaceLocations())
            test::RemoveTree(store, place.hive, place.nameSpacePath);
        for (const wchar_t* clsid : kClasses)
            for (KeyHandle hive : {CurrentUser(), LocalMachine()})
                test::RemoveTree(store, hive, ClassKeyPath(clsid));
    }
    void Write(KeyHandle hive, const std::wstring& path, std::vector<TreeValue> values,
               std::vector<TreeKey> subkeys = {}) {
        ASSERT_EQ(test::WriteTree(store, hive, TreeKey{path, std::move(values), std::move(subkeys)}), kOk);
    }
    void Entry(int place, const std::wstring& keyName) {
        const NamespaceLocation* location = PlaceByIndex(place);
        Write(location->hive, std::wstring(location->nameSpacePath) + L"\\" + keyName, {Marker(L"entry")});
    }
    std::string Whole() {
        std::string text;
        for (const NamespaceLocation& place : NamespaceLocations())
            text += DumpTree(store, place.hive, place.nameSpacePath);
        for (const wchar_t* clsid : kClasses)
            for (KeyHandle hive : {CurrentUser(), LocalMachine()})
                text += DumpTree(store, hive, ClassKeyPath(clsid));
        return text;
    }
    void Open() {
        window = std::make_unique<CDeleteObject>(store, platform);
        ASSERT_NE(window->CreateModeless(), nullptr);
        ShowWindow(window->Hwnd(), SW_SHOW);
    }
    // The dialog's rows as "kind|object" lines, in the order shown, once the targets are in.
    static std::vector<std::wstring> Rows(HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_PROBLEM_LIST);
        std::vector<std::wstring> rows;
        const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row)
            rows.push_back(ListItemText(list, row, 0) + L"|" + ListItemText(list, row, 1));
        return rows;
    }
    static bool Checked(HWND dialog) { return ItemText(dialog, IDC_PROBLEM_STATUS).find(L"Looking") != 0; }
    // Selects the one row whose line starts with kind.
    static void SelectRow(HWND dialog, const std::wstring& kind) {
        HWND list = GetDlgItem(dialog, IDC_PROBLEM_LIST);
        const std::vector<std::wstring> rows = Rows(dialog);
        for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
            LVITEMW item{};
            item.stateMask = LVIS_SELECTED;
            item.state = rows[static_cast<std::size_t>(row)].rfind(kind, 0) == 0 ? LVIS_SELECTED : 0;
            SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        }
    }

    WinRegistry store;
    test::TestPlatform platform;
    std::unique_ptr<CDeleteObject> window;
};

TEST_F(ProblemsTest, EveryKindIsFoundRepairedWhereOfferedAndShownInTheList) {
    Open();
    const std::string before = Whole();
    HWND dialog = nullptr;
    std::vector<std::wstring> found, left;
    SeenBox question;
    ModalScript script;
    script.Await([&] { return (dialog = FindDialog(kCaption)) && Checked(dialog); }, "the check")
        .Do([&] {
            found = Rows(dialog);
            for (const wchar_t* kind : {L"Entry without", L"Class key without", L"Other users"}) {
                SelectRow(dialog, kind);
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_REPAIR_SELECTED, BN_CLICKED), 0);
            }
            SelectRow(dialog, L"Visible and hidden");
            PostClick(dialog, IDC_REPAIR_SELECTED);
        })
        .Await([&] {
            HWND box = FindOwnedDialog(dialog);
            if (!box)
                return false;
            question.text = MessageBoxText(box);
            PostClick(box, IDNO); // keeps the hidden entry
            return true;
        })
        .Await([&] { return Checked(dialog) && Rows(dialog).size() == 2; }, "the check after the repairs")
        .Do([&] {
            left = Rows(dialog);
            SelectRow(dialog, L"Missing icon");
            PostClick(dialog, IDC_EDIT_PROBLEM); // closes, shows the row in the list, Change Icon
        })
        .AwaitDialog(L"Choose Icon", [](HWND chooser) { PostClick(chooser, IDCANCEL); });
    script.Start();
    SendMessageW(window->Hwnd(), WM_COMMAND, MAKEWPARAM(ID_CHECK_PROBLEMS, 0), 0);
    ASSERT_TRUE(script.Completed());

    // Sorted by the kind of problem, as the dialog starts.
    const std::vector<std::wstring> expected = {L"Class key without entry|Gamma",
                                                L"Entry without class key|" + std::wstring(kBeta),
                                                L"Missing icon|Delta",
                                                L"Missing target|Delta",
                                                L"Other users cannot see it|Alpha",
                                                L"Visible and hidden at once|Alpha"};
    EXPECT_EQ(found, expected);
    EXPECT_EQ(left, (std::vector<std::wstring>{L"Missing icon|Delta", L"Missing target|Delta"}));
    EXPECT_NE(question.text.find(L"\"Alpha\" is both visible and hidden in Desktop (this user)"),
              std::wstring::npos);

    // Each repair changed its own keys and nothing else.
    const NamespaceLocation* desktop = PlaceByIndex(0);
    EXPECT_EQ(DumpTree(store, desktop->hive, std::wstring(desktop->nameSpacePath) + L"\\" + kAlpha),
              test::kMissingTree);
    EXPECT_NE(DumpTree(store, desktop->hive, std::wstring(desktop->nameSpacePath) + L"\\hidden" + kAlpha),
              test::kMissingTree);
    EXPECT_EQ(DumpTree(store, LocalMachine(), ClassKeyPath(kAlpha)),
              DumpTree(store, CurrentUser(), ClassKeyPath(kAlpha)));

    // "Edit..." selected Delta's row, which carries the warning and its tooltip.
    HWND list = window->Item(IDC_OBJECT_LIST);
    const int row =
        static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    ASSERT_GE(row, 0);
    EXPECT_EQ(ListItemText(list, row, 0), L"Delta");
    EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED), -1);
    wchar_t tip[200] = {};
    NMLVGETINFOTIPW info{};
    info.hdr = {list, IDC_OBJECT_LIST, LVN_GETINFOTIPW};
    info.iItem = row;
    info.pszText = tip;
    info.cchTextMax = 200;
    SendMessageW(window->Hwnd(), WM_NOTIFY, IDC_OBJECT_LIST, reinterpret_cast<LPARAM>(&info));
    // The row's problem leads the tip; its keys and states follow.
    EXPECT_EQ(std::wstring(tip).rfind(L"Missing icon: C:\\nowhere\\gone.dll,0\n\nClass identifier: ", 0), 0u)
        << vs::test::Narrow(tip);

    // Each repair is one step of undo; the four undone give back the registry byte for byte.
    EXPECT_EQ(window->History().Size(), 4u);
    for (int step = 0; step < 4; ++step)
        SendMessageW(window->Hwnd(), WM_COMMAND, MAKEWPARAM(ID_UNDO, 0), 0);
    EXPECT_EQ(Whole(), before);
}

} // namespace
} // namespace vs
