#include "tests/wine/MainWindowFixture.h"

#include "mainwnd/ListViewInventory.h"
#include "mainwnd/WindowSettings.h"
#include "res/resource.h"
#include "store/ClassRoots.h"
#include "store/DesktopIcon.h"
#include "store/NamespaceLocation.h"
#include "tests/support/RegistryTree.h"
#include "tests/wine/UiDriver.h"

#include <commctrl.h>

namespace vs::test {

std::wstring ClassPath(std::wstring_view clsid) {
    return L"CLSID\\" + std::wstring(clsid);
}

std::wstring EntryPath(int place, std::wstring_view keyName) {
    return std::wstring(PlaceByIndex(place)->nameSpacePath) + L"\\" + std::wstring(keyName);
}

std::vector<std::wstring> NamesIn(const std::vector<std::wstring>& rows) {
    std::vector<std::wstring> names;
    for (const std::wstring& row : rows)
        names.push_back(row.substr(0, row.find(L" @ ")));
    return names;
}

MainWindowFixture::MainWindowFixture(std::vector<std::wstring> classIds) : classIds_(std::move(classIds)) {
    InitCommonControls();
    (void)CoInitialize(nullptr);
    ClearRegistry();
}

MainWindowFixture::~MainWindowFixture() {
    dialog.reset();
    ClearRegistry();
}

void MainWindowFixture::ClearRegistry() {
    for (const NamespaceLocation& place : NamespaceLocations())
        RemoveTree(store, place.hive, place.nameSpacePath);
    for (const std::wstring& clsid : classIds_) {
        RemoveTree(store, ClassesRoot(), ClassPath(clsid));
        for (KeyHandle hive : {CurrentUser(), LocalMachine()}) {
            RemoveTree(store, hive, ClassKeyPath(clsid));
            RemoveTree(store, hive, Class32KeyPath(clsid));
        }
    }
    RemoveTree(store, CurrentUser(), kSettingsKeyPath);
    for (KeyHandle hive : {CurrentUser(), LocalMachine()})
        RemoveTree(store, hive, kHideDesktopIconsPath);
}

void MainWindowFixture::WriteEntry(int place, std::wstring_view keyName, const std::wstring& marker) {
    std::vector<TreeValue> values;
    if (!marker.empty())
        values.push_back(Sz(L"SearchHelper", marker));
    ASSERT_EQ(WriteTree(store, PlaceByIndex(place)->hive, TreeKey{EntryPath(place, keyName), values}), kOk);
}

bool MainWindowFixture::EntryExists(int place, std::wstring_view keyName) {
    return DumpTree(store, PlaceByIndex(place)->hive, EntryPath(place, keyName)) != kMissingTree;
}

bool MainWindowFixture::ClassExists(std::wstring_view clsid) {
    return ClassTree(clsid) != kMissingTree;
}

std::string MainWindowFixture::ClassTree(std::wstring_view clsid) {
    return DumpTree(store, ClassesRoot(), ClassPath(clsid));
}

std::string MainWindowFixture::Snapshot() {
    std::string text;
    for (const NamespaceLocation& place : NamespaceLocations())
        text += DumpTree(store, place.hive, place.nameSpacePath);
    for (const std::wstring& clsid : classIds_)
        text += ClassTree(clsid);
    return text;
}

void MainWindowFixture::Open(int show, RegistryStore* registry, Platform* with, Elevation* elevation) {
    dialog = std::make_unique<CDeleteObject>(registry ? *registry : store, with ? *with : platform, nullptr,
                                             elevation);
    ASSERT_NE(dialog->CreateModeless(), nullptr);
    list = dialog->Item(IDC_OBJECT_LIST);
    ASSERT_NE(list, nullptr);
    if (show != SW_HIDE)
        ShowWindow(dialog->Hwnd(), show);
}

int MainWindowFixture::RowCount() const {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring MainWindowFixture::Cell(int row, int column) const {
    return ListItemText(list, row, column);
}

std::vector<std::wstring> MainWindowFixture::Names() const {
    std::vector<std::wstring> names;
    for (int row = 0; row < RowCount(); ++row)
        names.push_back(Cell(row, 0) + L" @ " + Cell(row, 1));
    return names;
}

std::vector<std::wstring> MainWindowFixture::NamesOf(UINT state) const {
    std::vector<std::wstring> names;
    const std::vector<std::wstring> all = Names();
    for (int row = -1; (row = static_cast<int>(
                            SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), state))) != -1;)
        names.push_back(all.at(static_cast<std::size_t>(row)));
    return names;
}

int MainWindowFixture::FindRow(const std::wstring& name, const std::wstring& location, Where where) const {
    for (int row = 0; row < RowCount(); ++row)
        if (Cell(row, 0) == name && Cell(row, 1) == location)
            return row;
    ExpectAt(false, where,
             "no row " + testing::PrintToString(name) + " in " + testing::PrintToString(location));
    return -1;
}

void MainWindowFixture::SetSelected(int row, bool selected) const {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

bool MainWindowFixture::IsSelected(int row) const {
    return SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) != 0;
}

void MainWindowFixture::Focus(int row) const {
    LVITEMW item{};
    item.stateMask = LVIS_FOCUSED;
    item.state = LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::string MainWindowFixture::Shown() const {
    std::string shown;
    for (int row = 0; row < RowCount(); ++row) {
        std::wstring line;
        for (int column = 0; column < ListViewInventory::kColumnCount; ++column)
            line += Cell(row, column) + L"|";
        shown += Narrow(line + dialog->RowProblemText(row) + L"|" + dialog->RowTip(row)) + "\n";
    }
    return shown + Narrow(uitest::ItemText(dialog->Hwnd(), IDC_STATUS));
}

void MainWindowFixture::ExpectAsRebuilt(Where where) {
    const std::string updated = Shown();
    dialog->RefreshList();
    const testing::ScopedTrace trace(where.file_name(), static_cast<int>(where.line()), "a full rebuild");
    EXPECT_EQ(updated, Shown());
}

void MainWindowFixture::Command(UINT id) const {
    SendMessageW(dialog->Hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void MainWindowFixture::Command(UINT id, ModalScript& script, Where where) const {
    script.Start(where);
    Command(id);
    ExpectAt(script.Completed(), where, "the script did not run to its end");
}

} // namespace vs::test
