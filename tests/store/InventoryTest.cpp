#include "store/MemoryRegistry.h"
#include "store/RegistryWatch.h"
#include "tests/support/ShellObjectFixture.h"
#include "tests/support/TestRegistry.h"

#include <gtest/gtest.h>

namespace vs::test {
namespace {

class InventoryTest : public ShellObjectFixture {
protected:
    // A marked object of this name registered below a place.
    void WriteObject(int place, const std::wstring& id, const std::wstring& name) {
        WriteClass(id, {Sz(L"", name), Marker(name)});
        WriteEntry(place, TreeKey{id, {Marker(name)}});
    }
    // "k\\k\\...\\k", levels deep.
    static std::wstring Chain(int levels) {
        std::wstring chain = L"k";
        while (--levels > 0)
            chain += L"\\k";
        return chain;
    }
    std::vector<std::wstring> TestKeyNames() const {
        std::vector<std::wstring> names;
        for (const ShellObjectEntry* entry : TestEntries())
            names.push_back(entry->keyName);
        return names;
    }
};

TEST_F(InventoryTest, EmptyRegistryGivesNoRowsAndNoRecords) {
    Refresh();
    EXPECT_TRUE(inventory.rows.empty());
    EXPECT_TRUE(inventory.entries.empty());
    EXPECT_EQ(inventory.rowCount, 0);
    EXPECT_EQ(LeakedHandles(), 0);
    if (IsRealRegistry())
        GTEST_SKIP() << "the prefix's own registrations have records too";
    EXPECT_TRUE(inventory.clsidMap.empty());
}

TEST_F(InventoryTest, RowsCarryTheDescriptionsOfListedObjectsOnly) {
    WriteObject(0, kIdA, L"No tip");
    WriteClass(kIdB, {Sz(L"", L"Unlisted"), Sz(L"InfoTip", L"Tip")});
    WriteEntry(0, TreeKey{kIdB, {}});
    Refresh();
    ASSERT_NE(FindEntry(0, kIdA), nullptr);
    EXPECT_EQ(RowOf(FindEntry(0, kIdA)).description, L"");
    EXPECT_EQ(FindEntry(0, kIdB), nullptr) << "unmarked: left out in normal mode";
    EXPECT_EQ(inventory.clsidMap.at(kIdB).description, L"Tip");
}

TEST_F(InventoryTest, ObjectInTwoPlacesSharesOneRecordCountingBothUsesWithTheFirstPlace) {
    WriteClass(kIdA, {Sz(L"", L"Shared"), Sz(L"InfoTip", L"Tip"), Marker(L"Shared")},
               {{L"DefaultIcon", {Sz(L"", L"shared.dll,2")}},
                {L"Shell\\Open\\Command", {ExpandSz(L"", L"%windir%\\run.exe")}}});
    WriteEntry(6, TreeKey{kIdA, {Marker(L"Shared")}});
    WriteEntry(0, TreeKey{kIdA, {Marker(L"Shared")}});
    Refresh();

    ASSERT_EQ(TestEntries().size(), 2u);
    const ShellObjectEntry* desktop = FindEntry(0, kIdA);
    const ShellObjectEntry* computer = FindEntry(6, kIdA);
    ASSERT_NE(desktop, nullptr);
    ASSERT_NE(computer, nullptr);
    EXPECT_LT(desktop, computer) << "places are scanned in index order";
    EXPECT_EQ(desktop->info, computer->info);
    EXPECT_EQ(Fields(*desktop->info), L"1 2 0 " + kIdA + L"|Shared|Tip|256|%windir%\\run.exe|+shared.dll,2|");
    EXPECT_EQ(desktop->hive, CurrentUser());
    EXPECT_EQ(computer->hive, LocalMachine());
    EXPECT_TRUE(desktop->hasMarker);
    EXPECT_FALSE(desktop->hidden);
    EXPECT_TRUE(platform.extractCalls.empty()) << "the store hands out icon locations, not icons";

    EXPECT_EQ(RowText(RowOf(desktop)), L"Shared|0|%windir%\\run.exe|Tip|0|shared.dll,2");
    EXPECT_EQ(RowText(RowOf(computer)), L"Shared|6|%windir%\\run.exe|Tip|0|shared.dll,2");
    EXPECT_EQ(RowOf(desktop).info, desktop->info);
    EXPECT_EQ(RowOf(computer).info, desktop->info);
    EXPECT_EQ(LeakedHandles(), 0);
}

TEST_F(InventoryTest, RowIndexesAreEntryIndexesAndRowsShowTheirRecords) {
    WriteObject(0, kIdA, L"beta");
    WriteObject(0, kIdB, L"Alpha");
    WriteObject(1, kIdC, L"Gamma");
    Refresh();
    ASSERT_EQ(TestEntries().size(), 3u);
    ASSERT_EQ(inventory.rows.size(), inventory.entries.size());
    for (std::size_t i = 0; i < inventory.rows.size(); ++i) {
        const InventoryRow& row = inventory.rows[i];
        ShellObjectEntry* entry = inventory.EntryAt(static_cast<std::intptr_t>(i));
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(row.info, entry->info);
        EXPECT_EQ(row.name, entry->info->name);
        EXPECT_EQ(row.target, entry->info->target);
        EXPECT_EQ(row.hidden, entry->hidden);
    }
    EXPECT_EQ(inventory.rowCount, static_cast<std::int32_t>(inventory.entries.size()));
    EXPECT_EQ(inventory.EntryAt(-1), nullptr);
    EXPECT_EQ(inventory.EntryAt(inventory.rowCount), nullptr);
}

TEST_F(InventoryTest, OnlyLowerCaseHiddenPrefixMakesAHiddenEntryOtherNamesAreScannedInto) {
    inventory.expertMode = 1;
    WriteClass(kIdA, {Sz(L"", L"A")});
    WriteEntry(0, TreeKey{L"hidden" + kIdA, {Marker()}});
    WriteEntry(0, TreeKey{L"HIDDEN" + kIdB, {Marker()}, {{kIdC, {Marker()}}}});
    WriteEntry(0, TreeKey{L"Group 7a1e", {}, {{L"{7a1e-not-an-identifier", {Marker()}}}});
    Refresh();

    EXPECT_EQ(TestEntries().size(), 3u);
    const ShellObjectEntry* hidden = FindEntry(0, L"hidden" + kIdA);
    ASSERT_NE(hidden, nullptr);
    EXPECT_TRUE(hidden->hidden);
    EXPECT_EQ(hidden->info->clsid, kIdA);
    EXPECT_EQ(hidden->info->name, L"A");
    EXPECT_EQ(RowOf(hidden).placeIndex, 0);
    EXPECT_TRUE(RowOf(hidden).hidden);

    EXPECT_EQ(FindEntry(0, L"HIDDEN" + kIdB), nullptr);
    const ShellObjectEntry* below = FindEntry(0, kIdC, L"HIDDEN" + kIdB);
    ASSERT_NE(below, nullptr);
    EXPECT_FALSE(below->hidden);
    EXPECT_EQ(inventory.clsidMap.count(L"HIDDEN" + kIdB), 0u);

    const ShellObjectEntry* odd = FindEntry(0, L"{7a1e-not-an-identifier", L"Group 7a1e");
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->info->clsid, L"{7a1e-not-an-identifier");
}

TEST_F(InventoryTest, NameOf49UnitsIsListedAnd50UpTo255UnitsAreSkippedWithTheirSubtrees) {
    const std::wstring name49 = L"{7a1e" + std::wstring(43, L'9') + L"}";
    const std::wstring name50 = L"{7a1e" + std::wstring(44, L'0') + L"}";
    const std::wstring name255 = L"{7a1e" + std::wstring(249, L'0') + L"}"; // the registry's longest
    ASSERT_EQ(name49.size(), 49u);
    ASSERT_EQ(name50.size(), 50u);
    WriteEntry(0, TreeKey{name49, {Marker()}});
    WriteEntry(0, TreeKey{name50, {Marker()}, {{kIdA, {Marker()}}}});
    WriteEntry(0, TreeKey{name255, {Marker()}});
    WriteEntry(0, TreeKey{kIdB, {Marker()}});
    Refresh();
    EXPECT_NE(FindEntry(0, name49), nullptr);
    EXPECT_EQ(FindEntry(0, name50), nullptr);
    EXPECT_EQ(FindEntry(0, name255), nullptr);
    EXPECT_EQ(FindEntry(0, kIdA, name50), nullptr);
    EXPECT_NE(FindEntry(0, kIdB), nullptr) << "the scan goes on after a skipped name";
    EXPECT_EQ(inventory.clsidMap.count(name50), 0u);
}

TEST_F(InventoryTest, NormalModeListsOnlyMarkedEntriesAndUnmarkedParentHidesMarkedChild) {
    WriteEntry(0, TreeKey{kIdA, {}, {{kIdB, {Marker()}}}});
    WriteEntry(0, TreeKey{kIdC, {Marker()}, {{kIdD, {}}}});
    Refresh();
    EXPECT_EQ(TestKeyNames(), (std::vector<std::wstring>{kIdC}));
    EXPECT_EQ(inventory.clsidMap.count(kIdB), 0u) << "below an unmarked entry nothing is scanned";
    ASSERT_EQ(inventory.clsidMap.count(kIdA), 1u);
    EXPECT_EQ(inventory.clsidMap.at(kIdA).useCount, 1) << "unlisted candidates are counted";

    inventory.expertMode = 1;
    Refresh();
    EXPECT_EQ(TestKeyNames(), (std::vector<std::wstring>{kIdA, kIdB, kIdC, kIdD}));
    const ShellObjectEntry* child = FindEntry(0, kIdB, kIdA);
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(child->hasMarker);
    EXPECT_FALSE(FindEntry(0, kIdA)->hasMarker);
    EXPECT_NE(FindEntry(0, kIdD, kIdC), nullptr);

    const std::string before = PlaceDump(0);
    inventory.expertMode = 0;
    Refresh();
    EXPECT_EQ(TestKeyNames(), (std::vector<std::wstring>{kIdC}));
    EXPECT_EQ(PlaceDump(0), before) << "listing never writes";
}

TEST_F(InventoryTest, OnlyAWellFormedStringOfAtMost299CharactersMarks) {
    const std::wstring id299 = L"{7a1e0299}", id300 = L"{7a1e0300}", idDword = L"{7a1e0004}",
                       idEmpty = L"{7a1e0000}", idExpand = L"{7a1e0002}", idNoNul = L"{7a1e0013}";
    WriteEntry(0, TreeKey{id299, {Sz(L"SearchHelper", std::wstring(299, L'm'))}});
    WriteEntry(0, TreeKey{id300, {Sz(L"SearchHelper", std::wstring(300, L'm'))}});
    WriteEntry(0, TreeKey{idDword, {Dword(L"SearchHelper", 1)}});
    WriteEntry(0, TreeKey{idEmpty, {Sz(L"SearchHelper", L"")}});
    WriteEntry(0, TreeKey{idExpand, {ExpandSz(L"SearchHelper", L"%x%")}});
    WriteEntry(0, TreeKey{idNoNul, {Raw(L"SearchHelper", kRegSz, TextBytes(L"Varnoset"))}});
    Refresh();
    EXPECT_EQ(TestKeyNames(), (std::vector<std::wstring>{idEmpty, idExpand, id299}));
    for (const ShellObjectEntry* entry : TestEntries())
        EXPECT_TRUE(entry->hasMarker);
}

TEST_F(InventoryTest, SameIdentifierInUpperAndLowerCaseSharesOneRecord) {
    const std::wstring upper = Folded(kIdA);
    WriteClass(kIdA, {Sz(L"", L"Cased")});
    WriteEntry(1, TreeKey{kIdA, {Marker()}});
    WriteEntry(6, TreeKey{upper, {Marker()}});
    Refresh();
    ASSERT_EQ(inventory.clsidMap.count(kIdA), 1u);
    ASSERT_EQ(inventory.clsidMap.count(upper), 1u);
    const ShellObjectInfo& info = inventory.clsidMap.at(upper);
    EXPECT_EQ(&info, &inventory.clsidMap.at(kIdA));
    EXPECT_EQ(info.useCount, 2);
    EXPECT_EQ(info.clsid, kIdA) << "the first spelling met";
    EXPECT_EQ(info.placeIndex, 1);
    EXPECT_EQ(FindEntry(6, upper)->info, &info);
}

TEST_F(InventoryTest, ClassIdentifierOrderFoldsOnlyAsciiLetters) {
    const NameLess less;
    EXPECT_FALSE(less(L"{abc}", L"{ABC}"));
    EXPECT_FALSE(less(L"{ABC}", L"{abc}"));
    EXPECT_TRUE(less(L"{ab", L"{abc"));
    EXPECT_TRUE(less(L"{a}", L"{B}"));
    EXPECT_TRUE(less(L"{\u00e9}", L"{\u00c9}") != less(L"{\u00c9}", L"{\u00e9}")) << "e-acute stays apart";
}

TEST_F(InventoryTest, KeyAndItsHiddenTwinGiveTwoRowsOfOneRecord) {
    WriteObject(2, kIdA, L"Twin");
    WriteEntry(2, TreeKey{L"hidden" + kIdA, {Marker(L"Twin")}});
    Refresh();
    const ShellObjectEntry* shown = FindEntry(2, kIdA);
    const ShellObjectEntry* hidden = FindEntry(2, L"hidden" + kIdA);
    ASSERT_NE(shown, nullptr);
    ASSERT_NE(hidden, nullptr);
    EXPECT_EQ(shown->info, hidden->info);
    EXPECT_EQ(shown->info->useCount, 2);
    EXPECT_FALSE(shown->hidden);
    EXPECT_TRUE(hidden->hidden);
}

TEST_F(InventoryTest, EntriesComeDepthFirstEachFollowedByItsSubtree) {
    inventory.expertMode = 1;
    WriteEntry(0, TreeKey{kIdA, {}, {{kIdC, {}, {{kIdD, {}}}}}});
    WriteEntry(0, TreeKey{kIdB, {}});
    WriteEntry(3, TreeKey{L"Plain 7a1e", {}, {{kIdA, {}}}});
    Refresh();
    std::vector<std::wstring> order;
    for (const ShellObjectEntry* entry : TestEntries())
        order.push_back(entry->parentPath.substr(entry->parentPath.find(L"Explorer\\")) + L"\\" +
                        entry->keyName);
    const std::wstring desktop = L"Explorer\\Desktop\\NameSpace\\";
    EXPECT_EQ(order,
              (std::vector<std::wstring>{desktop + kIdA, desktop + kIdA + L"\\" + kIdC,
                                         desktop + kIdA + L"\\" + kIdC + L"\\" + kIdD, desktop + kIdB,
                                         L"Explorer\\NetworkNeighborhood\\NameSpace\\Plain 7a1e\\" + kIdA}));
    EXPECT_EQ(inventory.clsidMap.at(kIdA).useCount, 2);
    EXPECT_EQ(inventory.clsidMap.at(kIdA).placeIndex, 0);
}

TEST_F(InventoryTest, ClassKeyMissingStillListsTheEntryWithAClosedRecord) {
    WriteEntry(5, TreeKey{kIdB, {Marker()}});
    platform.displayNames[{L"::{21EC2020-3AEA-1069-A2DD-08002b30309d}\\::" + kIdB, kShgdnNormal}] = L"Unused";
    Refresh();
    const ShellObjectEntry* entry = FindEntry(5, kIdB);
    ASSERT_NE(entry, nullptr);
    EXPECT_FALSE(entry->info->IsOpen());
    EXPECT_EQ(entry->info->name, L"");
    EXPECT_EQ(RowOf(entry).name, L"");
    EXPECT_EQ(RowOf(entry).iconLocation, std::nullopt) << "the list's default icon stands";
}

TEST_F(InventoryTest, RowsCarryTheIconLocationsOfTheirRecords) {
    for (const auto& [id, location] : {std::pair{kIdA, L"common.dll,3"}, std::pair{kIdB, L"common.dll,3"},
                                       std::pair{kIdC, L"own.dll"}, std::pair{kIdD, L"missing.dll,1"}}) {
        WriteClass(id, {Sz(L"", id)}, {{L"DefaultIcon", {Sz(L"", location)}}});
        WriteEntry(0, TreeKey{id, {Marker()}});
    }
    Refresh();
    EXPECT_EQ(RowOf(FindEntry(0, kIdA)).iconLocation, L"common.dll,3");
    EXPECT_EQ(RowOf(FindEntry(0, kIdB)).iconLocation, L"common.dll,3");
    EXPECT_EQ(RowOf(FindEntry(0, kIdC)).iconLocation, L"own.dll");
    EXPECT_EQ(RowOf(FindEntry(0, kIdD)).iconLocation, L"missing.dll,1") << "loadable or not";
    EXPECT_TRUE(platform.extractCalls.empty());
}

TEST_F(InventoryTest, RefreshRebuildsEverythingFromTheRegistry) {
    WriteObject(0, kIdA, L"One");
    WriteObject(0, kIdB, L"Two");
    Refresh();
    auto texts = [this] {
        std::vector<std::wstring> rows;
        for (const InventoryRow& row : inventory.rows)
            rows.push_back(RowText(row));
        return rows;
    };
    const std::vector<std::wstring> first = texts();
    Refresh();
    EXPECT_EQ(texts(), first);
    EXPECT_EQ(inventory.clsidMap.at(kIdA).useCount, 1);
    EXPECT_EQ(LeakedHandles(), 0);
    RemoveTree(store, CurrentUser(), PlacePath(0, kIdB));
    Refresh();
    EXPECT_EQ(TestKeyNames(), (std::vector<std::wstring>{kIdA}));
    EXPECT_EQ(inventory.rows.size(), inventory.entries.size());
    EXPECT_EQ(LeakedHandles(), 0);
}

TEST_F(InventoryTest, UpdateReadsNothingUnchangedAndKeepsTheRowsOfUnchangedPlaces) {
    MemoryRegistry* memory = Memory(store);
    if (!memory)
        GTEST_SKIP() << "counts the in-memory registry's calls";
    WriteObject(0, kIdA, L"A");
    WriteObject(4, kIdC, L"C");
    Refresh();
    const int opens = memory->CallCount(MemoryRegistry::Op::Open);
    EXPECT_FALSE(inventory.Update({}).any);
    EXPECT_EQ(memory->CallCount(MemoryRegistry::Op::Open), opens) << "a registry that did not change";

    WriteObject(4, kIdB, L"B");
    const Inventory::RowChanges changes = inventory.Update(ChangedParts{1u << 4, false, false});
    EXPECT_TRUE(changes.any);
    ASSERT_EQ(inventory.rows.size(), 3u);
    EXPECT_EQ(inventory.rows[1].name, L"B");
    EXPECT_EQ(changes.nowIndexOf, (std::vector<std::size_t>{0, 2}));
}

TEST_F(InventoryTest, AStoppedRefreshReadsNoMoreAndAnInventoryTakenOverUpdatesAsItsOwn) {
    WriteObject(0, kIdA, L"A");
    WriteObject(4, kIdC, L"C");
    std::atomic<bool> stop{true};
    Inventory read(store, platform);
    read.StopWhen(&stop);
    read.Refresh();
    EXPECT_TRUE(read.entries.empty() && read.clsidMap.empty());
    stop = false;
    read.Refresh();
    inventory.TakeOver(std::move(read));
    EXPECT_TRUE(read.entries.empty() && read.clsidMap.empty());

    WriteObject(4, kIdB, L"B");
    (void)inventory.Update(ChangedParts{1u << 4, false, false});
    EXPECT_EQ(TestKeyNames(), (std::vector<std::wstring>{kIdA, kIdB, kIdC}));
    for (const ShellObjectEntry* entry : TestEntries())
        EXPECT_EQ(entry->info, &inventory.clsidMap.find(entry->keyName)->second);
    EXPECT_EQ(LeakedHandles(), 0);
}

TEST(RegistryWatch, ChangesFallIntoTheirPlaceOrTheClassesOnly) {
    const std::wstring desktop = PlaceByIndex(0)->nameSpacePath;
    const struct {
        KeyHandle hive;
        std::wstring path;
        std::uint8_t places;
        bool classes;
    } kCases[] = {
        {CurrentUser(), desktop, 1u << 0, false},
        {LocalMachine(), desktop + L"\\{x}\\Sub", 1u << 4, false},
        {CurrentUser(), desktop + L"Other", 0, false},
        {CurrentUser(), L"software\\classes\\clsid\\{x}\\DefaultIcon", 0, true},
        {LocalMachine(), L"Software\\Classes\\CLSID", 0, true},
        {ClassesRoot(), L"Software\\Classes\\CLSID", 0, false},
        {CurrentUser(), L"Software\\Classes\\CLSIDX", 0, false},
    };
    for (const auto& c : kCases) {
        const ChangedParts parts = PartsOfKey(c.hive, c.path);
        EXPECT_EQ(parts.places, c.places) << std::string(c.path.begin(), c.path.end());
        EXPECT_EQ(parts.classes, c.classes) << std::string(c.path.begin(), c.path.end());
    }
}

TEST_F(InventoryTest, DeepestRegistryTreeIsScannedWithoutExhaustingTheStack) {
    if (!memory)
        GTEST_SKIP() << "the real registry's depth limit is counted from its root";
    const std::wstring chain = Chain(505);
    WriteEntry(0, TreeKey{chain, {}, {{kIdA, {Marker()}, {{kIdB, {Marker()}}}}}});
    Refresh();
    ASSERT_EQ(inventory.entries.size(), 2u);
    EXPECT_EQ(inventory.entries[0].parentPath, PlacePath(0, chain));
    EXPECT_EQ(inventory.entries[1].parentPath, PlacePath(0, chain + L"\\" + kIdA));
    EXPECT_EQ(LeakedHandles(), 0);
}

TEST_F(InventoryTest, EntryOverADeepestTreeHidesMovesAndDeletesWithoutExhaustingTheStack) {
    if (!memory)
        GTEST_SKIP() << "the real registry's depth limit is counted from its root";
    const std::wstring chain = Chain(500);
    WriteClass(kIdC, {Sz(L"", L"Deep"), Marker()}, {{chain, {Dword(L"Bottom", 1)}}});
    WriteEntry(0, TreeKey{kIdC, {Marker()}, {{chain, {Dword(L"Bottom", 2)}}}});
    const std::string tree = EntryDump(0, kIdC);
    Refresh();
    inventory.entries.at(0).Hide(store, failures);
    EXPECT_EQ(EntryDump(0, L"hidden" + kIdC), tree);
    Refresh();
    inventory.entries.at(0).Unhide(store, failures);
    EXPECT_EQ(EntryDump(0, kIdC), tree);
    EXPECT_EQ(EntryDump(0, L"hidden" + kIdC), kMissingTree);
    Refresh();
    EXPECT_TRUE(inventory.entries.at(0).MoveTo(store, LocalMachine(), PlacePath(4), failures));
    EXPECT_EQ(EntryDump(4, kIdC), tree);
    Refresh();
    ShellObjectEntry& moved = inventory.entries.at(0);
    EXPECT_EQ(moved.info->Release(), kOk);
    EXPECT_EQ(ClassDump(kIdC), kMissingTree) << "the class key's deep tree goes with the last use";
    EXPECT_EQ(LeakedHandles(), 0);
}

TEST_F(InventoryTest, KeysThatRefuseWriteAccessAreListedWithTheirSubtree) {
    if (!memory)
        GTEST_SKIP() << "needs the in-memory registry";
    WriteEntry(0, TreeKey{kIdA, {Marker()}, {{kIdB, {Marker()}}}});
    WriteEntry(0, TreeKey{kIdC, {Marker()}});
    WriteEntry(4, TreeKey{kIdD, {Marker()}});
    memory->DenyWriteAccess(CurrentUser(), PlacePath(0, kIdA));
    memory->DenyWriteAccess(LocalMachine(), PlacePath(4));
    Refresh();
    EXPECT_EQ(TestKeyNames(), (std::vector<std::wstring>{kIdA, kIdB, kIdC, kIdD}));
    EXPECT_EQ(LeakedHandles(), 0);
}

TEST_F(InventoryTest, KeyThatStopsEnumeratingEndsItsScanInsteadOfLoopingForever) {
    if (!memory)
        GTEST_SKIP() << "needs fault injection";
    WriteEntry(0, TreeKey{kIdA, {Marker()}});
    WriteEntry(1, TreeKey{kIdB, {Marker()}});
    // From the third enumeration on, every index fails as for a deleted key.
    memory->FailFromCall(MemoryRegistry::Op::EnumKey, 3, kKeyDeleted);
    Refresh();
    memory->ClearFaults();
    EXPECT_EQ(TestKeyNames(), (std::vector<std::wstring>{kIdA}));
    EXPECT_LT(memory->CallCount(MemoryRegistry::Op::EnumKey), 20);
    EXPECT_EQ(LeakedHandles(), 0);
}

TEST_F(InventoryTest, KeyAnsweringEveryIndexWithMoreDataEndsItsScan) {
    if (!memory)
        GTEST_SKIP() << "needs fault injection";
    WriteEntry(0, TreeKey{kIdA, {Marker()}});
    memory->FailFromCall(MemoryRegistry::Op::EnumKey, 1, kMoreData);
    Refresh();
    memory->ClearFaults();
    EXPECT_TRUE(inventory.entries.empty());
    EXPECT_LT(memory->CallCount(MemoryRegistry::Op::EnumKey), 40);
    EXPECT_EQ(LeakedHandles(), 0);
}

TEST_F(InventoryTest, SubkeyThatFailsToOpenIsSkippedAndTheScanGoesOn) {
    if (!memory)
        GTEST_SKIP() << "needs fault injection";
    WriteEntry(0, TreeKey{kIdA, {Marker()}});
    WriteEntry(0, TreeKey{kIdB, {Marker()}});
    // Opens: place 0's NameSpace key, then its first child.
    memory->FailNthCall(MemoryRegistry::Op::Open, 2);
    Refresh();
    EXPECT_EQ(TestKeyNames(), (std::vector<std::wstring>{kIdB}));
    EXPECT_EQ(LeakedHandles(), 0);
}

} // namespace
} // namespace vs::test
