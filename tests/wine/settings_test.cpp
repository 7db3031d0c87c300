// The main window's persisted settings and its title, against the real registry of the
// test prefix (and the in-memory registry where a fault has to be injected).

#include "framework/VersionInfo.h"
#include "mainwnd/WindowSettings.h"
#include "store/MemoryRegistry.h"
#include "store/WinRegistry.h"
#include "tests/support/RegistryTree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vs {
namespace {

using test::Describe;
using test::DumpTree;
using test::Dword;
using test::Raw;
using test::Sz;
using test::TreeKey;
using test::WriteTree;

// Passes every call through and remembers the names of the values that were queried.
class QueryRecorder final : public RegistryStore {
public:
    explicit QueryRecorder(RegistryStore& inner) : inner_(inner) {}
    std::vector<std::wstring> queried;

    Status OpenKey(KeyHandle p, const wchar_t* path, std::uint32_t a, KeyHandle* out) override {
        return inner_.OpenKey(p, path, a, out);
    }
    Status CreateKey(KeyHandle p, const wchar_t* path, std::uint32_t a, KeyHandle* out) override {
        return inner_.CreateKey(p, path, a, out);
    }
    Status EnumKey(KeyHandle k, std::uint32_t i, wchar_t* n, std::uint32_t* c) override {
        return inner_.EnumKey(k, i, n, c);
    }
    Status EnumValue(KeyHandle k, std::uint32_t i, wchar_t* n, std::uint32_t* c, std::uint32_t* t,
                     std::uint8_t* d, std::uint32_t* s) override {
        return inner_.EnumValue(k, i, n, c, t, d, s);
    }
    Status QueryValue(KeyHandle k, const wchar_t* n, std::uint32_t* t, std::uint8_t* d,
                      std::uint32_t* s) override {
        queried.emplace_back(n ? n : L"");
        return inner_.QueryValue(k, n, t, d, s);
    }
    Status SetValue(KeyHandle k, const wchar_t* n, std::uint32_t t, const std::uint8_t* d,
                    std::uint32_t s) override {
        return inner_.SetValue(k, n, t, d, s);
    }
    Status DeleteKey(KeyHandle p, const wchar_t* n) override { return inner_.DeleteKey(p, n); }
    Status FlushKey(KeyHandle k) override { return inner_.FlushKey(k); }
    Status CloseKey(KeyHandle k) override { return inner_.CloseKey(k); }

private:
    RegistryStore& inner_;
};

// A rectangle well inside the primary monitor.
RECT OnScreen() {
    return RECT{40, 30, 640, 430};
}

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() { test::RemoveTree(store, CurrentUser(), kSettingsKeyPath); }
    ~SettingsTest() override { test::RemoveTree(store, CurrentUser(), kSettingsKeyPath); }

    void WriteSettings(std::vector<test::TreeValue> values) {
        ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{kSettingsKeyPath, std::move(values)}), kOk);
    }
    std::vector<test::TreeValue> FullPlacement(std::uint32_t expert, const RECT& r) {
        return {Dword(L"Expert", expert), Dword(L"SizeX", static_cast<std::uint32_t>(r.right)),
                Dword(L"SizeY", static_cast<std::uint32_t>(r.bottom)),
                Dword(L"PosX", static_cast<std::uint32_t>(r.left)),
                Dword(L"PosY", static_cast<std::uint32_t>(r.top))};
    }
    // Every value the save writes.
    std::vector<test::TreeValue> AllValues(std::uint32_t expert, const RECT& r, std::uint32_t column,
                                           std::uint32_t descending) {
        std::vector<test::TreeValue> values = FullPlacement(expert, r);
        values.push_back(Dword(L"SortColumn", column));
        values.push_back(Dword(L"SortDescending", descending));
        return values;
    }

    WinRegistry store;
};

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(SettingsTest, FirstRunWithoutKeyGivesDefaultsAndTheSaveWritesAllSevenDwords) {
    const WindowSettings loaded = LoadWindowSettings(store);
    EXPECT_EQ(loaded.expertMode, 0);
    EXPECT_TRUE(IsEmptyPlacement(loaded.placement));
    EXPECT_EQ(loaded.sortColumn, 0);
    EXPECT_FALSE(loaded.sortDescending);

    SaveWindowSettings(store, WindowSettings{1, RECT{-5, 7, 300, 200}, 2, true});
    EXPECT_EQ(DumpTree(store, CurrentUser(), kSettingsKeyPath),
              Describe(TreeKey{L"", AllValues(1, RECT{-5, 7, 300, 200}, 2, 1)}));
}

TEST_F(SettingsTest, SavedPlacementExpertAndSortComeBackUnchanged) {
    SaveWindowSettings(store, WindowSettings{1, OnScreen(), 3, true});
    const WindowSettings loaded = LoadWindowSettings(store);
    EXPECT_EQ(loaded.expertMode, 1);
    EXPECT_TRUE(SameRect(loaded.placement, OnScreen()));
    EXPECT_EQ(loaded.sortColumn, 3);
    EXPECT_TRUE(loaded.sortDescending);
}

TEST_F(SettingsTest, BadOrMissingSortValuesMeanTheirDefaultAndLeaveTheOtherSettingsAlone) {
    struct Case {
        const char* name;
        std::vector<test::TreeValue> sort;
        std::int32_t column;
        bool descending;
    } const cases[] = {
        {"missing", {}, 0, false},
        {"column past the last", {Dword(L"SortColumn", 4), Dword(L"SortDescending", 1)}, 0, true},
        {"negative column", {Dword(L"SortColumn", 0xFFFFFFFF)}, 0, false},
        {"direction neither 0 nor 1", {Dword(L"SortColumn", 2), Dword(L"SortDescending", 2)}, 2, false},
        {"strings", {Sz(L"SortColumn", L"1"), Sz(L"SortDescending", L"1")}, 0, false},
        {"short dwords",
         {Raw(L"SortColumn", kRegDword, {1, 0}), Raw(L"SortDescending", kRegDword, {1})},
         0,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::RemoveTree(store, CurrentUser(), kSettingsKeyPath);
        std::vector<test::TreeValue> values = FullPlacement(1, OnScreen());
        values.insert(values.end(), c.sort.begin(), c.sort.end());
        WriteSettings(values);
        const WindowSettings loaded = LoadWindowSettings(store);
        EXPECT_EQ(loaded.sortColumn, c.column);
        EXPECT_EQ(loaded.sortDescending, c.descending);
        EXPECT_EQ(loaded.expertMode, 1);
        EXPECT_TRUE(SameRect(loaded.placement, OnScreen()));
    }
}

// A placement inside out, with a value missing or of the wrong type or size, or saved
// while minimised (off every monitor) is dropped whole; the expert switch beside it stays.
TEST_F(SettingsTest, APlacementThatCannotBeUsedIsDroppedWholeButExpertStays) {
    std::vector<std::vector<test::TreeValue>> cases{FullPlacement(1, RECT{640, 430, 40, 30})};
    for (std::size_t dropped = 1; dropped < 5; ++dropped) {
        cases.push_back(FullPlacement(1, OnScreen()));
        cases.back().erase(cases.back().begin() + static_cast<std::ptrdiff_t>(dropped));
    }
    cases.push_back(FullPlacement(1, OnScreen()));
    cases.back()[3] = Sz(L"PosX", L"40");
    cases.push_back(FullPlacement(1, OnScreen()));
    cases.back()[4] = Raw(L"PosY", kRegDword, {30, 0}); // a REG_DWORD of two bytes is no coordinate
    for (std::size_t i = 0; i <= cases.size(); ++i) {
        SCOPED_TRACE(i);
        test::RemoveTree(store, CurrentUser(), kSettingsKeyPath);
        if (i < cases.size())
            WriteSettings(cases[i]);
        else // where Windows parks a minimised window
            SaveWindowSettings(store, WindowSettings{1, RECT{-32000, -32000, -31840, -31972}});
        const WindowSettings loaded = LoadWindowSettings(store);
        EXPECT_EQ(loaded.expertMode, 1);
        EXPECT_TRUE(IsEmptyPlacement(loaded.placement));
    }
}

TEST_F(SettingsTest, ExpertReadsAsOnForAnyNonZeroValueOfAnyType) {
    WriteSettings({Dword(L"Expert", 7)});
    EXPECT_NE(LoadWindowSettings(store).expertMode, 0);
    test::RemoveTree(store, CurrentUser(), kSettingsKeyPath);
    WriteSettings({Raw(L"Expert", kRegBinary, {1, 0, 0, 0})});
    EXPECT_NE(LoadWindowSettings(store).expertMode, 0);
    test::RemoveTree(store, CurrentUser(), kSettingsKeyPath);
    // Too long to read into four bytes: the switch stays off.
    WriteSettings({Sz(L"Expert", L"on and on")});
    EXPECT_EQ(LoadWindowSettings(store).expertMode, 0);
}

TEST_F(SettingsTest, PlacementIsReadInItsFixedOrderAndStopsAtTheFirstFailure) {
    WriteSettings(FullPlacement(0, OnScreen()));
    QueryRecorder recorder(store);
    (void)LoadWindowSettings(recorder);
    EXPECT_EQ(recorder.queried, (std::vector<std::wstring>{L"Expert", L"SizeY", L"PosY", L"SizeX", L"PosX",
                                                           L"SortColumn", L"SortDescending"}));

    test::RemoveTree(store, CurrentUser(), kSettingsKeyPath);
    std::vector<test::TreeValue> values = FullPlacement(0, OnScreen());
    values.erase(values.begin() + 4); // no PosY
    WriteSettings(values);
    recorder.queried.clear();
    (void)LoadWindowSettings(recorder);
    EXPECT_EQ(recorder.queried,
              (std::vector<std::wstring>{L"Expert", L"SizeY", L"PosY", L"SortColumn", L"SortDescending"}));
}

TEST(SettingsFaults, KeyThatCannotBeOpenedForWritingGivesDefaults) {
    MemoryRegistry memory;
    ASSERT_EQ(WriteTree(memory, CurrentUser(), TreeKey{kSettingsKeyPath, {Dword(L"Expert", 1)}}), kOk);
    memory.DenyWriteAccess(CurrentUser(), kSettingsKeyPath);
    EXPECT_EQ(LoadWindowSettings(memory).expertMode, 0);
    EXPECT_EQ(memory.OpenHandleCount(), 0u);
}

TEST(SettingsFaults, KeyThatCannotBeCreatedWritesNothingAndLeaksNothing) {
    MemoryRegistry memory;
    memory.FailFromCall(MemoryRegistry::Op::Create, 1);
    SaveWindowSettings(memory, WindowSettings{1, OnScreen()});
    memory.ClearFaults();
    EXPECT_EQ(DumpTree(memory, CurrentUser(), kSettingsKeyPath), test::kMissingTree);
    EXPECT_EQ(memory.CallCount(MemoryRegistry::Op::SetValue), 0);
    EXPECT_EQ(memory.OpenHandleCount(), 0u);
}

TEST(SettingsFaults, SingleFailedWriteDoesNotStopTheOthers) {
    MemoryRegistry memory;
    memory.FailNthCall(MemoryRegistry::Op::SetValue, 2); // "SizeX"
    SaveWindowSettings(memory, WindowSettings{1, OnScreen()});
    const RECT r = OnScreen();
    EXPECT_EQ(DumpTree(memory, CurrentUser(), kSettingsKeyPath),
              Describe(TreeKey{L"",
                               {Dword(L"Expert", 1), Dword(L"SizeY", static_cast<std::uint32_t>(r.bottom)),
                                Dword(L"PosX", static_cast<std::uint32_t>(r.left)),
                                Dword(L"PosY", static_cast<std::uint32_t>(r.top)), Dword(L"SortColumn", 0),
                                Dword(L"SortDescending", 0)}}));
}

TEST(VersionTitle, CommaSeparatedVersionsAreDottedAndZeroComponentsTrimmed) {
    EXPECT_EQ(NormalizeVersion(L"3, 2, 1, 0", true), L"3.2.1");
    EXPECT_EQ(NormalizeVersion(L"3, 0, 0, 1", true), L"3.1");
    EXPECT_EQ(NormalizeVersion(L"3.21", true), L"3.21");
    EXPECT_EQ(NormalizeVersion(L"3, 2, 1, 0", false), L"3.2.1.0");
    EXPECT_EQ(NormalizeVersion(L"0, 0, 0, 0", false), L"0.0.0.0");
    EXPECT_EQ(NormalizeVersion(L"0, 0, 0, 0", true), L"0");
}

TEST(VersionTitle, TrimmingKeepsZerosThatArePartOfANumber) {
    EXPECT_EQ(NormalizeVersion(L"3.10", true), L"3.10");
    EXPECT_EQ(NormalizeVersion(L"3.05", true), L"3.05");
    EXPECT_EQ(NormalizeVersion(L"3, 10, 0, 20", true), L"3.10.20");
}

TEST(VersionTitle, FallbackTitleWithoutVersionResource) {
    EXPECT_EQ(FormatVersionTitle(L"app", L"0, 0, 0, 0", false), L"app Version 0.0.0.0");
    EXPECT_EQ(FormatVersionTitle(L"app", L"0, 0, 0, 0", true), L"app Version 0");
    EXPECT_EQ(FormatVersionTitle(L"50%2 off", L"1", false), L"50%2 off Version 1")
        << "an insert is no pattern";
}

TEST(VersionTitle, TitleComesFromTheProgramsOwnVersionResource) {
    EXPECT_EQ(GetProductName(), L"Varnoset (x64)");
    EXPECT_EQ(GetProductVersion(), L"3.21");
    EXPECT_EQ(GetVersionTitle(true), L"Varnoset (x64) Version 3.21");
}

} // namespace
} // namespace vs
