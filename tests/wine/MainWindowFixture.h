#pragma once
// The installed-objects dialog for window tests: a real modeless CDeleteObject over the
// test prefix's registry and a recording platform. Rows are read back and selected with
// the list control's own messages and commands arrive as WM_COMMAND. The places, the
// settings key and the test's class keys are removed before and after every test.

#include "mainwnd/DeleteObject.h"
#include "store/WinRegistry.h"
#include "tests/support/TestPlatform.h"
#include "tests/wine/ModalScript.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace vs::test {

inline constexpr int kCsidlDesktop = 0;
inline constexpr int kCsidlControls = 3;
inline constexpr int kCsidlDrives = 17;

// "CLSID\{...}" below HKEY_CLASSES_ROOT.
std::wstring ClassPath(std::wstring_view clsid);
// The entry key keyName below the NameSpace key of a place.
std::wstring EntryPath(int place, std::wstring_view keyName);
// "name @ location" of each row, with only the names left.
std::vector<std::wstring> NamesIn(const std::vector<std::wstring>& rows);

class MainWindowFixture : public ::testing::Test {
protected:
    explicit MainWindowFixture(std::vector<std::wstring> classIds);
    ~MainWindowFixture() override;

    void ClearRegistry();
    // An entry key below a place, with the marker text unless it is empty.
    void WriteEntry(int place, std::wstring_view keyName, const std::wstring& marker = L"Varnoset: entry");
    bool EntryExists(int place, std::wstring_view keyName);
    bool ClassExists(std::wstring_view clsid);
    std::string ClassTree(std::wstring_view clsid);
    // Every place and every class key of the test, as one text.
    std::string Snapshot();

    // The dialog over the test's registry and platform, or over those given; shown as told.
    void Open(int show = SW_HIDE, RegistryStore* registry = nullptr, Platform* with = nullptr,
              Elevation* elevation = nullptr);

    int RowCount() const;
    std::wstring Cell(int row, int column) const;
    // "name @ location" of every row, in list order.
    std::vector<std::wstring> Names() const;
    // "name @ location" of the rows in this state (LVNI_SELECTED, LVNI_FOCUSED).
    std::vector<std::wstring> NamesOf(UINT state) const;
    int FindRow(const std::wstring& name, const std::wstring& location, Where where = Where::current()) const;
    void SetSelected(int row, bool selected = true) const;
    void Select(const std::wstring& name, const std::wstring& location,
                Where where = Where::current()) const {
        SetSelected(FindRow(name, location, where));
    }
    void SelectNone() const { SetSelected(-1, false); }
    bool IsSelected(int row) const;
    void Focus(int row) const;
    // What the list shows, a line per row (its cells, problems and tip: its entry key and
    // states; the images aside, which a rebuild numbers anew), then the status line.
    std::string Shown() const;
    // Expects the list to show what a full rebuild of it shows.
    void ExpectAsRebuilt(Where where = Where::current());
    // Sends the command; it returns when every window it opened is closed again.
    void Command(UINT id) const;
    // The same while script works the windows the command opens; every step must run.
    void Command(UINT id, ModalScript& script, Where where = Where::current()) const;

    WinRegistry store;
    TestPlatform platform;
    std::unique_ptr<CDeleteObject> dialog;
    HWND list = nullptr;

private:
    std::vector<std::wstring> classIds_;
};

} // namespace vs::test
