// The main window's persisted settings and its title, against the real registry of the
// test prefix (and the in-memory registry where a fault has to be injected).

#include "framework/VersionInfo.h"
#include "mainwnd/WindowSettings.h"
#include "store/MemoryRegistry.h"
#include "store/WinRegistry.h"
#include "tests/support/RecordingRegistry.h"
#include "tests/support/RegistryTree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vs {
namespace {

using namespace test;

// The names of the values a load queries, in the order it queries them.
std::vector<std::string> QueriedNames(RegistryStore& store) {
    test::RecordingRegistry recorder(store);
    recorder.recordReads = true;
    (void)LoadWindowSettings(recorder);
    std::vector<std::string> names;
    for (const std::string& line : recorder.Calls("Query ")) {
        const std::size_t open = line.find('"') + 1;
        names.push_back(line.substr(open, line.find('"', open) - open));
    }
    return names;
}

// A rectangle well inside the primary monitor.
const RECT kOnScreen{40, 30, 640, 430};

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

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() { test::RemoveTree(store, CurrentUser(), kSettingsKeyPath); }
    ~SettingsTest() override { test::RemoveTree(store, CurrentUser(), kSettingsKeyPath); }

    void WriteSettings(std::vector<test::TreeValue> values) {
        ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{kSettingsKeyPath, std::move(values)}), kOk);
    }
    WinRegistry store;
};

TEST_F(SettingsTest, FirstRunGivesDefaultsTheSaveWritesAllSevenDwordsAndWhatIsSavedComesBackUnchanged) {
    WindowSettings loaded = LoadWindowSettings(store);
    EXPECT_EQ(loaded.expertMode, 0);
    EXPECT_TRUE(IsEmptyPlacement(loaded.placement));
    EXPECT_EQ(loaded.sortColumn, 0);
    EXPECT_FALSE(loaded.sortDescending);

    SaveWindowSettings(store, WindowSettings{1, RECT{-5, 7, 300, 200}, 2, true});
    EXPECT_EQ(DumpTree(store, CurrentUser(), kSettingsKeyPath),
              Describe(TreeKey{L"", AllValues(1, RECT{-5, 7, 300, 200}, 2, 1)}));

    SaveWindowSettings(store, WindowSettings{1, kOnScreen, 3, true});
    loaded = LoadWindowSettings(store);
    EXPECT_EQ(loaded.expertMode, 1);
    EXPECT_TRUE(EqualRect(&loaded.placement, &kOnScreen));
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
        std::vector<test::TreeValue> values = FullPlacement(1, kOnScreen);
        values.insert(values.end(), c.sort.begin(), c.sort.end());
        WriteSettings(values);
        const WindowSettings loaded = LoadWindowSettings(store);
        EXPECT_EQ(loaded.sortColumn, c.column);
        EXPECT_EQ(loaded.sortDescending, c.descending);
        EXPECT_EQ(loaded.expertMode, 1);
        EXPECT_TRUE(EqualRect(&loaded.placement, &kOnScreen));
    }
}

// A placement inside out, with a value missing or of the wrong type or size, or saved
// while minimised (off every monitor) is dropped whole; the expert switch beside it stays.
TEST_F(SettingsTest, APlacementThatCannotBeUsedIsDroppedWholeButExpertStays) {
    std::vector<std::vector<test::TreeValue>> cases{FullPlacement(1, RECT{640, 430, 40, 30})};
    for (std::size_t dropped = 1; dropped < 5; ++dropped) {
        cases.push_back(FullPlacement(1, kOnScreen));
        cases.back().erase(cases.back().begin() + static_cast<std::ptrdiff_t>(dropped));
    }
    cases.push_back(FullPlacement(1, kOnScreen));
    cases.back()[3] = Sz(L"PosX", L"40");
    cases.push_back(FullPlacement(1, kOnScreen));
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
    // A string too long to read into four bytes leaves the switch off.
    for (const auto& [value, on] :
         {std::pair{Dword(L"Expert", 7), true}, std::pair{Raw(L"Expert", kRegBinary, {1, 0, 0, 0}), true},
          std::pair{Sz(L"Expert", L"on and on"), false}}) {
        test::RemoveTree(store, CurrentUser(), kSettingsKeyPath);
        WriteSettings({value});
        EXPECT_EQ(LoadWindowSettings(store).expertMode != 0, on) << on;
    }
}

TEST_F(SettingsTest, PlacementIsReadInItsFixedOrderAndStopsAtTheFirstFailure) {
    WriteSettings(FullPlacement(0, kOnScreen));
    EXPECT_EQ(QueriedNames(store), (std::vector<std::string>{"Expert", "SizeY", "PosY", "SizeX", "PosX",
                                                             "SortColumn", "SortDescending"}));
    test::RemoveTree(store, CurrentUser(), kSettingsKeyPath);
    std::vector<test::TreeValue> values = FullPlacement(0, kOnScreen);
    values.erase(values.begin() + 4); // no PosY
    WriteSettings(values);
    EXPECT_EQ(QueriedNames(store),
              (std::vector<std::string>{"Expert", "SizeY", "PosY", "SortColumn", "SortDescending"}));
}

TEST(SettingsFaults, KeyThatCannotBeOpenedForWritingIsReadAllTheSame) {
    MemoryRegistry memory;
    ASSERT_EQ(WriteTree(memory, CurrentUser(), TreeKey{kSettingsKeyPath, {Dword(L"Expert", 1)}}), kOk);
    memory.DenyWriteAccess(CurrentUser(), kSettingsKeyPath);
    EXPECT_EQ(LoadWindowSettings(memory).expertMode, 1);
    EXPECT_EQ(memory.OpenHandleCount(), 0u);
}

TEST(SettingsFaults, KeyThatCannotBeCreatedWritesNothingAndLeaksNothing) {
    MemoryRegistry memory;
    memory.FailFromCall(MemoryRegistry::Op::Create, 1);
    SaveWindowSettings(memory, WindowSettings{1, kOnScreen});
    memory.ClearFaults();
    EXPECT_EQ(DumpTree(memory, CurrentUser(), kSettingsKeyPath), test::kMissingTree);
    EXPECT_EQ(memory.CallCount(MemoryRegistry::Op::SetValue), 0);
    EXPECT_EQ(memory.OpenHandleCount(), 0u);
}

TEST(SettingsFaults, SingleFailedWriteDoesNotStopTheOthers) {
    MemoryRegistry memory;
    memory.FailNthCall(MemoryRegistry::Op::SetValue, 2); // "SizeX"
    SaveWindowSettings(memory, WindowSettings{1, kOnScreen});
    std::vector<test::TreeValue> values = AllValues(1, kOnScreen, 0, 0);
    values.erase(values.begin() + 1); // "SizeX"
    EXPECT_EQ(DumpTree(memory, CurrentUser(), kSettingsKeyPath), Describe(TreeKey{L"", values}));
}

TEST(VersionTitle, CommaSeparatedVersionsAreDottedAndZeroComponentsTrimmedButNotZerosOfANumber) {
    const struct {
        const wchar_t* version;
        bool trim;
        const wchar_t* shown;
    } cases[] = {{L"3, 2, 1, 0", true, L"3.2.1"},    {L"3, 0, 0, 1", true, L"3.1"},
                 {L"3.21", true, L"3.21"},           {L"3, 2, 1, 0", false, L"3.2.1.0"},
                 {L"0, 0, 0, 0", false, L"0.0.0.0"}, {L"0, 0, 0, 0", true, L"0"},
                 {L"3.10", true, L"3.10"},           {L"3.05", true, L"3.05"},
                 {L"3, 10, 0, 20", true, L"3.10.20"}};
    for (const auto& c : cases)
        EXPECT_EQ(NormalizeVersion(c.version, c.trim), c.shown) << c.version << " " << c.trim;
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
