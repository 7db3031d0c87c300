#include "tests/support/ShellObjectFixture.h"
#include "tests/support/StandardUserRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vs::test {
namespace {

class ShellObjectEntryTest : public ShellObjectFixture {
protected:
    // A subkey name of the registry's greatest length: every tree walk must take it.
    static inline const std::wstring kLongestName = std::wstring(255, L'k');

    // A test that expects failures takes them; anything else reported is a fault.
    void TearDown() override { EXPECT_EQ(TakeFailures(), std::vector<std::string>{}); }

    // The class key of a marked folder object.
    void WriteFolderClass(const std::wstring& id, const std::wstring& name = L"Folder") {
        WriteClass(
            id, {Sz(L"", name), Marker(name)},
            {{L"DefaultIcon", {Sz(L"", L"")}},
             {L"Instance\\InitPropertyBag", {Dword(L"Attributes", 0x15), ExpandSz(L"Target", L"C:\\")}},
             {kLongestName, {Dword(L"Longest", 255)}}});
    }
    // An entry key with values of several types and a subkey tree of its own. Wine's
    // RegSetValueExW terminates string data it writes, so only the in-memory registry
    // carries a string without its NUL through a copy unchanged.
    TreeKey RichEntry(const std::wstring& keyName) const {
        return TreeKey{keyName,
                       {Marker(L"Rich"), Dword(L"Flags", 0xF8000000u),
                        Raw(L"Blob", kRegBinary, {0, 1, 2, 255}),
                        IsRealRegistry() ? Sz(L"Text", L"odd") : Raw(L"Text", kRegSz, TextBytes(L"odd"))},
                       {{L"Sub",
                         {ExpandSz(L"", L"%x%")},
                         {{L"Deeper", {Raw(L"Big", kRegBinary, std::vector<std::uint8_t>(3000, 7))}}}},
                        {L"Empty"},
                        {kLongestName, {Dword(L"Longest", 255)}}}};
    }
    ShellObjectEntry& Listed(int place, std::wstring_view keyName, std::wstring_view below = {}) {
        ShellObjectEntry* entry = FindEntry(place, keyName, below);
        if (!entry) {
            ADD_FAILURE() << "not listed";
            static ShellObjectEntry none;
            return none;
        }
        return *entry;
    }
};

// The class key goes with the last marked registration, also of two met in one refresh.
TEST_F(ShellObjectEntryTest, DeletingTheLastMarkedRegistrationRemovesEntryAndClassKey) {
    WriteFolderClass(kIdA);
    WriteEntry(0, TreeKey{kIdA, {Marker(L"Folder")}});
    WriteEntry(6, TreeKey{kIdA, {Marker(L"Folder")}});
    const std::string classKey = ClassDump(kIdA);
    const std::string otherPlace = PlaceDump(1);
    Refresh();
    Listed(0, kIdA).Delete(store, failures);
    EXPECT_EQ(EntryDump(0, kIdA), kMissingTree);
    EXPECT_EQ(ClassDump(kIdA), classKey);
    Listed(6, kIdA).Delete(store, failures);
    EXPECT_EQ(EntryDump(6, kIdA), kMissingTree);
    EXPECT_EQ(ClassDump(kIdA), kMissingTree);
    EXPECT_EQ(PlaceDump(1), otherPlace);
    EXPECT_EQ(LeakedHandles(), 0);
}

TEST_F(ShellObjectEntryTest, DeletingAnUnmarkedEntryNeverTouchesTheClassKey) {
    inventory.expertMode = 1;
    WriteFolderClass(kIdA);
    WriteEntry(0, TreeKey{kIdA, {Sz(L"", L"not ours")}});
    const std::string classKey = ClassDump(kIdA);
    Refresh();
    Listed(0, kIdA).Delete(store, failures);
    EXPECT_EQ(EntryDump(0, kIdA), kMissingTree);
    EXPECT_EQ(ClassDump(kIdA), classKey);
}

// A delete that fails, or that the registry answers "not found" for a key that is there,
// keeps the entry, its class key and its record's hold on it.
TEST_F(ShellObjectEntryTest, EntryKeyThatIsNotDeletedKeepsItsClassKey) {
    const struct Case {
        const char* name;
        bool rich; // a plain delete refuses a key with subkeys
        MemoryRegistry::Op op;
        int nth; // 0: no fault; else the nth call of op fails with status (in-memory registry)
        Status status;
        const char* failure;
    } cases[] = {
        {"key with subkeys", true, MemoryRegistry::Op::Open, 0, kOk, "delete 0 5"},
        {"parent does not open", false, MemoryRegistry::Op::Open, 1, kAccessDenied, "delete 0 5"},
        {"answered not found", false, MemoryRegistry::Op::DeleteKey, 1, kFileNotFound, "delete 0 2"},
    };
    WriteFolderClass(kIdA);
    const std::string classKey = ClassDump(kIdA);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.nth && !memory)
            continue;
        RemoveTree(store, CurrentUser(), PlacePath(0, kIdA));
        WriteEntry(0, c.rich ? RichEntry(kIdA) : TreeKey{kIdA, {Marker(L"Folder")}});
        const std::string place = PlaceDump(0);
        Refresh();
        ShellObjectEntry& entry = Listed(0, kIdA);
        if (c.nth)
            memory->FailNthCall(c.op, c.nth, c.status);
        entry.Delete(store, failures);
        EXPECT_EQ(TakeFailures(), std::vector<std::string>{c.failure});
        EXPECT_EQ(PlaceDump(0), place);
        EXPECT_NE(EntryDump(0, kIdA), kMissingTree);
        EXPECT_EQ(ClassDump(kIdA), classKey);
        EXPECT_EQ(entry.info->useCount, 1);
        EXPECT_TRUE(entry.info->IsOpen());
        EXPECT_EQ(LeakedHandles(), 0);
    }
}

TEST_F(ShellObjectEntryTest, HideThenUnhideRestoresTheTreeByteForByte) {
    WriteFolderClass(kIdA);
    WriteEntry(0, RichEntry(kIdA));
    WriteEntry(0, TreeKey{kIdB, {Marker()}});
    const std::string original = PlaceDump(0);
    const std::string entryTree = EntryDump(0, kIdA);
    const std::string classKey = ClassDump(kIdA);
    Refresh();
    Listed(0, kIdA).Hide(store, failures);
    EXPECT_EQ(EntryDump(0, kIdA), kMissingTree) << "a key with subkeys must not stay beside its hidden copy";
    EXPECT_EQ(EntryDump(0, L"hidden" + kIdA), entryTree);
    EXPECT_EQ(ClassDump(kIdA), classKey);
    EXPECT_EQ(LeakedHandles(), 0);

    Refresh();
    ShellObjectEntry& hidden = Listed(0, L"hidden" + kIdA);
    EXPECT_TRUE(hidden.hidden);
    hidden.Unhide(store, failures);
    EXPECT_EQ(PlaceDump(0), original);
    EXPECT_EQ(ClassDump(kIdA), classKey);
    EXPECT_EQ(LeakedHandles(), 0);
}

TEST_F(ShellObjectEntryTest, HidingAHiddenEntryOrUnhidingAShownOneChangesNothing) {
    WriteEntry(0, TreeKey{kIdA, {Marker()}});
    WriteEntry(0, TreeKey{L"hidden" + kIdB, {Marker()}});
    const std::string place = PlaceDump(0);
    Refresh();
    Listed(0, kIdA).Unhide(store, failures);
    Listed(0, L"hidden" + kIdB).Hide(store, failures);
    EXPECT_EQ(PlaceDump(0), place);
}

TEST_F(ShellObjectEntryTest, HideMergesIntoAnExistingHiddenKeyAndRemovesTheSource) {
    WriteEntry(0, TreeKey{kIdA, {Marker(L"New"), Dword(L"Mine", 1)}, {{L"Child", {Sz(L"", L"c")}}}});
    WriteEntry(0, TreeKey{L"hidden" + kIdA, {Marker(L"Old"), Sz(L"Theirs", L"kept")}, {{L"Other"}}});
    Refresh();
    Listed(0, kIdA).Hide(store, failures);
    EXPECT_EQ(EntryDump(0, kIdA), kMissingTree);
    EXPECT_EQ(EntryDump(0, L"hidden" + kIdA),
              Describe(TreeKey{L"",
                               {Marker(L"New"), Sz(L"Theirs", L"kept"), Dword(L"Mine", 1)},
                               {{L"Child", {Sz(L"", L"c")}}, {L"Other"}}}));
}

TEST_F(ShellObjectEntryTest, HideOrMoveWhoseCopyFailsPartWayLeavesTheRegistryAsItWas) {
    if (!memory)
        GTEST_SKIP() << "needs fault injection";
    WriteEntry(0, RichEntry(kIdA));
    WriteEntry(4, TreeKey{L""}); // the place exists; the copy would make it otherwise
    const std::string before = PlaceDump(0) + PlaceDump(4);
    Refresh();
    const ShellObjectEntry entry = Listed(0, kIdA);
    for (int failing = 1; failing <= 6; ++failing) {
        SCOPED_TRACE(failing);
        memory->FailNthCall(MemoryRegistry::Op::SetValue, failing);
        entry.Hide(store, failures);
        memory->FailNthCall(MemoryRegistry::Op::SetValue, failing);
        EXPECT_FALSE(entry.MoveTo(store, LocalMachine(), PlacePath(4), failures));
        memory->ClearFaults();
        EXPECT_EQ(PlaceDump(0) + PlaceDump(4), before) << "the partial copies go again";
        EXPECT_EQ(TakeFailures(), (std::vector<std::string>{"hide 0 5", "move 4 5"}));
        EXPECT_EQ(LeakedHandles(), 0);
    }
}

TEST_F(ShellObjectEntryTest, CopyToTheEntrysOwnPlaceIsRefused) {
    WriteEntry(0, TreeKey{kIdA, {Marker()}});
    const std::string place = PlaceDump(0);
    Refresh();
    const ShellObjectEntry& entry = Listed(0, kIdA);
    EXPECT_FALSE(entry.CopyTo(store, CurrentUser(), PlacePath(0), failures));
    EXPECT_FALSE(entry.MoveTo(store, CurrentUser(), PlacePath(0), failures));
    EXPECT_FALSE(entry.MoveTo(store, CurrentUser(), Folded(PlacePath(0)), failures))
        << "the same key in other letters";
    EXPECT_EQ(PlaceDump(0), place);
}

TEST_F(ShellObjectEntryTest, EntryNestedBelowAKeyOfItsOwnNameIsNotMovedOntoThatKey) {
    inventory.expertMode = 1;
    // Moving the inner key to its own place would copy it onto the outer key, its own
    // innermost key onto itself, and then delete the inner key with that copy inside.
    WriteEntry(0, TreeKey{kIdA,
                          {Sz(L"Outer", L"a")},
                          {{kIdA, {Sz(L"Inner", L"s")}, {{kIdA, {Sz(L"Deepest", L"t")}}}}}});
    const std::string place = PlaceDump(0);
    Refresh();
    const ShellObjectEntry& inner = Listed(0, kIdA, kIdA);
    EXPECT_FALSE(inner.MoveTo(store, CurrentUser(), PlacePath(0), failures));
    EXPECT_FALSE(inner.CopyTo(store, CurrentUser(), PlacePath(0), failures));
    EXPECT_EQ(PlaceDump(0), place);
    EXPECT_TRUE(Listed(0, kIdA, kIdA + L"\\" + kIdA).MoveTo(store, LocalMachine(), PlacePath(4), failures))
        << "another place is no ancestor";
}

TEST_F(ShellObjectEntryTest, EntryBelowAKeyWhoseNameMerelyBeginsWithItsOwnCopiesToItsPlace) {
    inventory.expertMode = 1;
    WriteEntry(0, TreeKey{kIdA + L"-old", {}, {{kIdA, {Marker()}}}});
    Refresh();
    EXPECT_TRUE(Listed(0, kIdA, kIdA + L"-old").CopyTo(store, CurrentUser(), PlacePath(0), failures))
        << "{A} is no ancestor of {A}-old\\{A}";
    EXPECT_EQ(EntryDump(0, kIdA), EntryDump(0, kIdA + L"-old\\" + kIdA));
}

TEST_F(ShellObjectEntryTest, DeletingAnAllUsersEntryChangesTheLocalMachineOnly) {
    WriteEntry(0, TreeKey{kIdA, {Marker()}});
    WriteEntry(4, TreeKey{kIdA, {Marker()}}); // the same path below the other hive
    const std::string thisUser = PlaceDump(0);
    Refresh();
    Listed(4, kIdA).Delete(store, failures);
    EXPECT_EQ(EntryDump(4, kIdA), kMissingTree);
    EXPECT_EQ(PlaceDump(0), thisUser);
}

TEST_F(ShellObjectEntryTest, CopyToAllUsersCreatesThePlaceAndKeepsTheHiddenName) {
    WriteEntry(0, RichEntry(L"hidden" + kIdA));
    const std::string entryTree = EntryDump(0, L"hidden" + kIdA);
    Refresh();
    ASSERT_TRUE(Listed(0, L"hidden" + kIdA).CopyTo(store, LocalMachine(), PlacePath(5), failures));
    EXPECT_EQ(EntryDump(5, L"hidden" + kIdA), entryTree);
    EXPECT_EQ(EntryDump(0, L"hidden" + kIdA), entryTree);
    Refresh();
    EXPECT_TRUE(Listed(5, L"hidden" + kIdA).hidden);
}

TEST_F(ShellObjectEntryTest, CopyMergesIntoAnExistingKeyOfTheSameName) {
    WriteEntry(0, TreeKey{kIdA, {Marker(L"New")}});
    WriteEntry(2, TreeKey{kIdA, {Marker(L"Old"), Dword(L"Kept", 3)}});
    Refresh();
    EXPECT_TRUE(Listed(0, kIdA).CopyTo(store, CurrentUser(), PlacePath(2), failures));
    EXPECT_EQ(EntryDump(2, kIdA), Describe(TreeKey{L"", {Marker(L"New"), Dword(L"Kept", 3)}}));
}

TEST_F(ShellObjectEntryTest, EntryFoundBelowAnIntermediateKeyCopiesToItsOwnPlace) {
    WriteEntry(1, TreeKey{L"Group", {}, {{kIdA, {Marker()}}}});
    Refresh();
    const ShellObjectEntry& nested = Listed(1, kIdA, L"Group");
    EXPECT_TRUE(nested.CopyTo(store, CurrentUser(), PlacePath(1), failures));
    EXPECT_EQ(EntryDump(1, kIdA), EntryDump(1, L"Group\\" + kIdA));
}

TEST_F(ShellObjectEntryTest, MoveBetweenHivesTakesTheWholeTreeAndLeavesTheClassKey) {
    WriteFolderClass(kIdA);
    WriteEntry(0, RichEntry(kIdA));
    const std::string entryTree = EntryDump(0, kIdA);
    const std::string classKey = ClassDump(kIdA);
    Refresh();
    ShellObjectEntry& entry = Listed(0, kIdA);
    EXPECT_TRUE(entry.MoveTo(store, LocalMachine(), PlacePath(6), failures));
    EXPECT_EQ(EntryDump(0, kIdA), kMissingTree) << "a moved key with subkeys must not stay behind";
    EXPECT_EQ(EntryDump(6, kIdA), entryTree);
    EXPECT_EQ(ClassDump(kIdA), classKey);
    EXPECT_EQ(entry.info->useCount, 1);
    EXPECT_EQ(LeakedHandles(), 0);
}

TEST_F(ShellObjectEntryTest, MoveWhoseSourceCannotGoTakesItsCopyBack) {
    WriteEntry(0, TreeKey{kIdA, {Marker()}});
    WriteEntry(4, TreeKey{kIdB, {Marker()}, {{L"Sub"}}});
    WriteEntry(3, TreeKey{L""});
    const std::string before = PlaceDump(0) + PlaceDump(3) + PlaceDump(4);
    Refresh();
    // A source below HKEY_LOCAL_MACHINE that a standard user may not delete.
    StandardUserRegistry standardUser(store);
    auto expectTakenBack = [&] {
        EXPECT_EQ(PlaceDump(0) + PlaceDump(3) + PlaceDump(4), before);
        EXPECT_EQ(TakeFailures(), std::vector<std::string>{"move 3 5"});
        EXPECT_EQ(LeakedHandles(), 0);
    };
    EXPECT_FALSE(Listed(4, kIdB).MoveTo(standardUser, CurrentUser(), PlacePath(3), failures));
    expectTakenBack();
    if (!memory)
        GTEST_SKIP() << "a parent that refuses write access needs the in-memory registry";
    // A source whose parent does not open for writing.
    memory->DenyWriteAccess(CurrentUser(), PlacePath(0));
    EXPECT_FALSE(Listed(0, kIdA).MoveTo(store, CurrentUser(), PlacePath(3), failures));
    expectTakenBack();
}

// Other users see an all-users entry only through the machine's classes: copying or
// moving an entry of a per-user object there takes its class key along, whole or not at
// all, and never replaces a class key the machine has of its own.
TEST_F(ShellObjectEntryTest, CopyOrMoveToAllUsersTakesAPerUserClassKeyAlong) {
    const struct Case {
        const char* name;
        bool move;
        bool standardUser;
        bool machineHasOne;
        int failingCreate; // 0: none; else the nth key creation fails (in-memory registry)
        std::vector<std::string> failures;
        bool with32Bit = false; // this user's class key has a 32-bit copy
        bool gone = false;      // the entry key went after the refresh; every delete fails
    } cases[] = {
        {"copy", false, false, false, 0, {}},
        {"move", true, false, false, 0, {}},
        {"the machine's own stays", false, false, true, 0, {}},
        {"standard user copies", false, true, false, 0, {"copy 4 5"}},
        {"standard user moves", true, true, false, 0, {"move 4 5"}},
        // Creations: the machine's CLSID key, the class key, its DefaultIcon, the place,
        // the entry key.
        {"entry copy fails after the class key's", false, false, false, 5, {"copy 4 5"}},
        {"the 32-bit copy goes along", false, false, false, 0, {}, true},
        // Creations: as above up to DefaultIcon, then the machine's 32-bit CLSID key.
        {"the 32-bit copy fails: neither stays", true, false, false, 4, {"move 4 5"}, true},
        {"a gone entry takes no class key along", true, false, false, 0, {"move 4 2"}, false, true},
    };
    WriteEntry(4, TreeKey{L""});
    auto Copy32 = [&](KeyHandle hive) { return DumpTree(store, hive, Class32KeyPath(kIdA)); };
    auto everything = [&] {
        return PlaceDump(0) + PlaceDump(4) + ClassDump(kIdA, CurrentUser()) + ClassDump(kIdA) +
               DumpTree(store, CurrentUser(), Class32KeyPath(kIdA)) + Copy32(LocalMachine());
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.failingCreate && !memory)
            continue;
        RemoveTree(store, LocalMachine(), ClassKeyPath(kIdA));
        RemoveTree(store, LocalMachine(), PlacePath(4, kIdA));
        RemoveTree(store, LocalMachine(), Class32KeyPath(kIdA));
        RemoveTree(store, CurrentUser(), Class32KeyPath(kIdA));
        if (c.with32Bit)
            EXPECT_EQ(WriteTree(store, CurrentUser(), TreeKey{Class32KeyPath(kIdA), {Sz(L"", L"Mine")}}),
                      kOk);
        WriteUserClass(kIdA, {Sz(L"", L"Mine"), Marker(L"Mine")}, {{L"DefaultIcon", {Sz(L"", L"a.dll,1")}}});
        WriteEntry(0, TreeKey{kIdA, {Marker(L"Mine")}});
        if (c.machineHasOne)
            WriteClass(kIdA, {Sz(L"", L"Theirs")});
        Refresh();
        ShellObjectEntry& entry = Listed(0, kIdA);
        if (c.gone)
            RemoveTree(store, CurrentUser(), PlacePath(0, kIdA));
        const std::string before = everything();
        const std::string userClass = ClassDump(kIdA, CurrentUser());
        const std::string machineClass = ClassDump(kIdA);
        StandardUserRegistry standardUser(store);
        RegistryStore& through = c.standardUser ? static_cast<RegistryStore&>(standardUser) : store;
        if (c.failingCreate)
            memory->FailNthCall(MemoryRegistry::Op::Create, c.failingCreate);
        if (c.gone && memory)
            memory->FailFromCall(MemoryRegistry::Op::DeleteKey, 1);
        const bool done = c.move ? entry.MoveTo(through, LocalMachine(), PlacePath(4), failures)
                                 : entry.CopyTo(through, LocalMachine(), PlacePath(4), failures);
        if (memory)
            memory->ClearFaults();
        EXPECT_EQ(TakeFailures(), c.failures);
        EXPECT_EQ(done, c.failures.empty());
        if (!done) {
            EXPECT_EQ(everything(), before) << "nothing half-written";
            continue;
        }
        EXPECT_EQ(EntryDump(4, kIdA), Describe(TreeKey{L"", {Marker(L"Mine")}}));
        EXPECT_EQ(EntryDump(0, kIdA), c.move ? kMissingTree : EntryDump(4, kIdA));
        EXPECT_EQ(ClassDump(kIdA, CurrentUser()), userClass) << "this user's stays: it wins for this user";
        EXPECT_EQ(ClassDump(kIdA), c.machineHasOne ? machineClass : userClass);
        EXPECT_EQ(Copy32(LocalMachine()), c.with32Bit ? Copy32(CurrentUser()) : kMissingTree);
    }
}

TEST_F(ShellObjectEntryTest, AllUsersEntryOfAPerUserClassIsListedAndItsCopyToOtherUsersSaysWhyNot) {
    WriteUserClass(kIdA, {Sz(L"", L"Only mine")});
    WriteEntry(4, TreeKey{kIdA, {Marker()}});
    WriteEntry(5, TreeKey{L""});
    const std::string before = PlaceDump(5) + ClassDump(kIdA);
    Refresh();
    ShellObjectEntry& entry = Listed(4, kIdA);
    EXPECT_EQ(entry.GetName(), L"Only mine");
    StandardUserRegistry standardUser(store);
    EXPECT_FALSE(entry.CopyTo(standardUser, LocalMachine(), PlacePath(5), failures));
    EXPECT_EQ(TakeFailures(), std::vector<std::string>{"copy 5 5"}) << "the class key could not go along";
    EXPECT_EQ(PlaceDump(5) + ClassDump(kIdA), before);
}

// A standard user reads what they may not write: the machine's objects are listed whole,
// every change to them is refused and changes nothing, and a copy to this user works.
TEST_F(ShellObjectEntryTest, AStandardUserSeesTheMachinesObjectsAndMayCopyThemOnlyToThemselves) {
    WriteFolderClass(kIdA, L"Shared");
    WriteEntry(4, TreeKey{kIdA, {Marker(L"Shared")}});
    const std::string machine = PlaceDump(4) + ClassDump(kIdA);
    StandardUserRegistry standardUser(store);
    Inventory seen(standardUser, platform);
    seen.Refresh();
    const auto found = std::find_if(seen.entries.begin(), seen.entries.end(),
                                    [](const ShellObjectEntry& e) { return e.keyName == kIdA; });
    ASSERT_NE(found, seen.entries.end());
    EXPECT_EQ(found->GetName(), L"Shared");
    EXPECT_EQ(found->info->SetName(L"Mine"), kAccessDenied);
    found->Hide(standardUser, failures);
    EXPECT_FALSE(found->MoveTo(standardUser, LocalMachine(), PlacePath(5), failures));
    found->Delete(standardUser, failures);
    EXPECT_EQ(TakeFailures(), (std::vector<std::string>{"hide 4 5", "move 5 5", "delete 4 5"}));
    EXPECT_EQ(PlaceDump(4) + ClassDump(kIdA), machine);
    EXPECT_TRUE(found->CopyTo(standardUser, CurrentUser(), PlacePath(0), failures));
    EXPECT_EQ(EntryDump(0, kIdA), EntryDump(4, kIdA));
}

TEST_F(ShellObjectEntryTest, OperationsOnAVanishedKeyChangeNothingButDeleteReleasesTheClassKey) {
    WriteFolderClass(kIdA);
    WriteEntry(0, TreeKey{kIdA, {Marker()}});
    Refresh();
    const ShellObjectEntry entry = Listed(0, kIdA);
    RemoveTree(store, CurrentUser(), PlacePath(0, kIdA));
    const std::string place = PlaceDump(0);
    const std::string target = PlaceDump(2);
    entry.Hide(store, failures);
    EXPECT_FALSE(entry.CopyTo(store, CurrentUser(), PlacePath(2), failures));
    EXPECT_FALSE(entry.MoveTo(store, CurrentUser(), PlacePath(2), failures));
    EXPECT_EQ(PlaceDump(0), place);
    EXPECT_EQ(PlaceDump(2), target);
    EXPECT_EQ(TakeFailures(), (std::vector<std::string>{"hide 0 2", "copy 2 2", "move 2 2"}));
    entry.Delete(store, failures);
    EXPECT_EQ(PlaceDump(0), place);
    EXPECT_EQ(entry.info->useCount, 0) << "a key that is not there counts as deleted";
    EXPECT_EQ(ClassDump(kIdA), kMissingTree);
    EXPECT_EQ(LeakedHandles(), 0);
}

TEST_F(ShellObjectEntryTest, GetNameIsTheRecordsName) {
    WriteClass(kIdA, {Sz(L"", L"Shown name")});
    WriteEntry(0, TreeKey{kIdA, {Marker()}});
    Refresh();
    ShellObjectEntry& entry = Listed(0, kIdA);
    EXPECT_EQ(entry.GetName(), L"Shown name");
    EXPECT_EQ(entry.info->SetName(L"Renamed"), kOk);
    EXPECT_EQ(entry.GetName(), L"Renamed");
    EXPECT_EQ(ShellObjectEntry{}.GetName(), L"");
}

TEST_F(ShellObjectEntryTest, PositionOfAnObjectInTwoPlacesIsOneSharedValue) {
    WriteFolderClass(kIdA);
    WriteEntry(0, TreeKey{kIdA, {Marker()}});
    WriteEntry(2, TreeKey{kIdA, {Marker()}});
    Refresh();
    EXPECT_EQ(Listed(2, kIdA).info->SetSortOrderIndex(9), kOk);
    Refresh();
    EXPECT_EQ(Listed(0, kIdA).info->sortOrderIndex, 9);
    EXPECT_EQ(Listed(2, kIdA).info, Listed(0, kIdA).info);
}

} // namespace
} // namespace vs::test
