#include "store/DesktopIcon.h"
#include "store/ShellObjectInfo.h"
#include "tests/support/ShellObjectFixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace vs::test {
namespace {

class ShellObjectInfoTest : public ShellObjectFixture {
protected:
    ShellObjectInfo Read(int place, const std::wstring& id = kIdA) {
        return ShellObjectInfo::Read(store, platform, place, id);
    }
    // Reads kIdA from a class key written anew with these values and subkeys.
    ShellObjectInfo ReadNew(std::vector<TreeValue> values, std::vector<TreeKey> subkeys = {}) {
        RemoveTree(store, ClassesRoot(), L"CLSID\\" + kIdA);
        WriteClass(kIdA, std::move(values), std::move(subkeys));
        return Read(0);
    }
    // Reads kIdA with one "InfoTip" value.
    std::wstring DescriptionOf(const TreeValue& infoTip) {
        return ReadNew({Sz(L"", L"Name"), infoTip}).description;
    }
    // Reads kIdA with this "DefaultIcon" default value.
    ShellObjectInfo ReadIconFrom(const TreeValue& location) {
        return ReadNew({Sz(L"", L"Name")}, {{L"DefaultIcon", {location}}});
    }
};

std::vector<std::uint8_t> Bytes(std::vector<std::uint8_t> bytes) {
    return bytes;
}

TEST_F(ShellObjectInfoTest, ReadTakesNameTipPositionAndUnexpandedTargetFromClassKey) {
    WriteClass(kIdA, {Sz(L"", L"Tools"), Sz(L"InfoTip", L"All my tools"), Dword(L"SortOrderIndex", 7)},
               {{L"Instance\\InitPropertyBag", {ExpandSz(L"Target", L"%USERPROFILE%\\Tools")}},
                {L"Shell\\Open\\Command", {ExpandSz(L"", L"never.exe")}},
                {L"DefaultIcon", {Sz(L"", L"shell32.dll,3")}}});
    ShellObjectInfo info = Read(6);
    EXPECT_EQ(Fields(info), L"1 1 6 " + kIdA + L"|Tools|All my tools|7|%USERPROFILE%\\Tools|+shell32.dll,3|");
    EXPECT_NE(info.Key(), nullptr);
    EXPECT_TRUE(platform.displayNameQueries.empty());
    EXPECT_TRUE(platform.indirectQueries.empty());
    EXPECT_TRUE(platform.extractCalls.empty()) << "icons are the windows' business";
}

TEST_F(ShellObjectInfoTest, MissingClassKeyGivesClosedRecordWhoseSettersReportIt) {
    ShellObjectInfo info = Read(0);
    const std::wstring closed = L"0 1 0 " + kIdA + L"|||256||-|";
    EXPECT_EQ(Fields(info), closed);
    EXPECT_TRUE(platform.displayNameQueries.empty());

    EXPECT_EQ(info.SetName(L"New"), kFileNotFound);
    EXPECT_EQ(info.SetDescription(L"Tip"), kFileNotFound);
    EXPECT_EQ(info.SetIconLocation(L"x.dll,1"), kFileNotFound);
    EXPECT_EQ(info.SetSortOrderIndex(3), kFileNotFound);
    EXPECT_EQ(ClassDump(kIdA), kMissingTree);
    EXPECT_EQ(Fields(info), closed);
    EXPECT_TRUE(platform.extractCalls.empty());
}

TEST_F(ShellObjectInfoTest, ClassKeyThatRefusesWriteAccessIsReadAndItsSettersWriteNothing) {
    if (!memory)
        GTEST_SKIP() << "needs the in-memory registry";
    WriteClass(kIdA, {Sz(L"", L"Locked")});
    memory->DenyWriteAccess(ClassesRoot(), L"CLSID\\" + kIdA);
    ShellObjectInfo info = Read(0);
    EXPECT_TRUE(info.IsOpen());
    EXPECT_EQ(info.name, L"Locked");
    EXPECT_EQ(info.SetName(L"New"), kAccessDenied);
    EXPECT_EQ(info.name, L"Locked");
    EXPECT_EQ(OpenHandles(), 1u) << "the record's own key, opened for reading";
}

TEST_F(ShellObjectInfoTest, OneCharacterNameIsKeptEmptyNameAsksTheShell) {
    WriteClass(kIdA, {Sz(L"", L"X")});
    EXPECT_EQ(Read(0).name, L"X");

    WriteClass(kIdA, {Sz(L"", L"")});
    platform.displayNames[{L"::" + kIdA, kShgdnNormal}] = L"Shell's name";
    ShellObjectInfo info = Read(0);
    EXPECT_EQ(info.name, L"Shell's name");
    EXPECT_EQ(info.parsingName, L"::" + kIdA);
}

TEST_F(ShellObjectInfoTest, ShellLookUpsUseThePrefixOfThePlace) {
    WriteClass(kIdA, {Dword(L"Other", 1)});
    const std::wstring prefixes[4] = {L"", L"::{21EC2020-3AEA-1069-A2DD-08002b30309d}\\",
                                      L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\",
                                      L"::{7007ACC7-3202-11D1-AAD2-00805FC1270E}\\"};
    for (int place = 0; place < 8; ++place) {
        const std::wstring parsing = prefixes[place % 4] + L"::" + kIdA;
        platform.displayNames.clear();
        platform.displayNames[{parsing, kShgdnNormal}] = L"Name " + std::to_wstring(place);
        platform.displayNames[{parsing, kShgdnForParsing}] = L"Path " + std::to_wstring(place);
        platform.displayNameQueries.clear();
        ShellObjectInfo info = Read(place);
        EXPECT_EQ(info.name, L"Name " + std::to_wstring(place));
        EXPECT_EQ(info.target, L"Path " + std::to_wstring(place));
        EXPECT_EQ(info.parsingName, parsing);
        ASSERT_EQ(platform.displayNameQueries.size(), 2u) << place;
        EXPECT_EQ(platform.displayNameQueries[0], std::make_pair(parsing, kShgdnNormal));
        EXPECT_EQ(platform.displayNameQueries[1], std::make_pair(parsing, kShgdnForParsing));
    }
}

TEST_F(ShellObjectInfoTest, FailedOrEmptyShellAnswerLeavesClassIdentifierAsNameAndTarget) {
    WriteClass(kIdA, {});
    ShellObjectInfo unknown = Read(2);
    EXPECT_EQ(unknown.name, kIdA);
    EXPECT_EQ(unknown.target, kIdA);

    const std::wstring parsing = L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\::" + kIdA;
    platform.displayNames[{parsing, kShgdnNormal}] = L"";
    platform.displayNames[{parsing, kShgdnForParsing}] = L"";
    ShellObjectInfo empty = Read(2);
    EXPECT_EQ(empty.name, kIdA);
    EXPECT_EQ(empty.target, kIdA);
}

TEST_F(ShellObjectInfoTest, MalformedNameValuesFallBackToTheShell) {
    platform.displayNames[{L"::" + kIdA, kShgdnNormal}] = L"Fallback";
    const TreeValue malformed[] = {Dword(L"", 0x41), Raw(L"", kRegSz, TextBytes(L"NoNul")),
                                   Raw(L"", kRegSz, {0x41, 0x00, 0x00}),
                                   Raw(L"", kRegBinary, TextBytes(L"Bin")),
                                   // Terminated and two characters long, but its text is empty.
                                   Raw(L"", kRegSz, {0x00, 0x00, 0x41, 0x00, 0x00, 0x00})};
    for (const TreeValue& value : malformed)
        EXPECT_EQ(ReadNew({value}).name, L"Fallback") << value.type << " " << value.data.size();
    EXPECT_EQ(ReadNew({Sz(L"", std::wstring(1000, L'n'))}).name, L"Fallback")
        << "1000 characters and the NUL do not fit";
    EXPECT_EQ(ReadNew({Sz(L"", std::wstring(999, L'n'))}).name, std::wstring(999, L'n'));
}

TEST_F(ShellObjectInfoTest, IndirectInfoTipIsExpandedOnlyWhenExpandSzAndShowsTheStoredTextUnresolved) {
    platform.environment[L"SystemRoot"] = L"C:\\Windows";
    platform.indirectStrings[L"@C:\\Windows\\tips.dll,-5"] = L"Resolved expanded";
    platform.indirectStrings[L"@%SystemRoot%\\tips.dll,-5"] = L"Resolved as stored";
    EXPECT_EQ(DescriptionOf(ExpandSz(L"InfoTip", L"@%SystemRoot%\\tips.dll,-5")), L"Resolved expanded");
    EXPECT_EQ(DescriptionOf(Sz(L"InfoTip", L"@%SystemRoot%\\tips.dll,-5")), L"Resolved as stored");
    EXPECT_EQ(DescriptionOf(ExpandSz(L"InfoTip", L"%SystemRoot% stays")), L"%SystemRoot% stays");
    EXPECT_EQ(platform.indirectQueries,
              (std::vector<std::wstring>{L"@C:\\Windows\\tips.dll,-5", L"@%SystemRoot%\\tips.dll,-5"}));
    // One that does not resolve shows the stored text.
    EXPECT_EQ(DescriptionOf(Sz(L"InfoTip", L"@missing.dll,-1")), L"@missing.dll,-1");
    EXPECT_EQ(DescriptionOf(ExpandSz(L"InfoTip", L"@%SystemRoot%\\missing.dll,-1")),
              L"@%SystemRoot%\\missing.dll,-1");
}

TEST_F(ShellObjectInfoTest, InfoTipNeverReadsPastTheReturnedBytes) {
    EXPECT_EQ(DescriptionOf(Raw(L"InfoTip", kRegSz, TextBytes(L"abc"))), L"abc");
    EXPECT_EQ(DescriptionOf(Raw(L"InfoTip", kRegSz, Bytes({'a', 0, 'b', 0, 'c'}))), L"ab");
    EXPECT_EQ(DescriptionOf(Raw(L"InfoTip", kRegSz, Bytes({'a'}))), L"");
    EXPECT_EQ(DescriptionOf(Raw(L"InfoTip", kRegSz, {})), L"");
    EXPECT_EQ(DescriptionOf(Raw(L"InfoTip", kRegSz, TextBytes(std::wstring(500, L't')))),
              std::wstring(500, L't'));
    EXPECT_EQ(DescriptionOf(Sz(L"InfoTip", std::wstring(499, L't'))), std::wstring(499, L't'));
    EXPECT_EQ(DescriptionOf(Sz(L"InfoTip", std::wstring(500, L't'))), L"") << "more than 1000 bytes";
    // The type is not examined: the bytes are read as text.
    EXPECT_EQ(DescriptionOf(Dword(L"InfoTip", 0x00420041)), L"AB");
}

TEST_F(ShellObjectInfoTest, SortOrderIndexIsTakenOnlyFromACompleteRead) {
    WriteClass(kIdA, {Sz(L"", L"N")});
    EXPECT_EQ(Read(0).sortOrderIndex, 256);
    WriteClass(kIdA, {Dword(L"SortOrderIndex", 0)});
    EXPECT_EQ(Read(0).sortOrderIndex, 0);
    WriteClass(kIdA, {Raw(L"SortOrderIndex", kRegQword, {9, 0, 0, 0, 0, 0, 0, 0})});
    EXPECT_EQ(Read(0).sortOrderIndex, 256) << "eight bytes do not fit";
}

TEST_F(ShellObjectInfoTest, InitPropertyBagWithoutTargetFallsToShellNotToCommand) {
    WriteClass(kIdA, {Sz(L"", L"N")},
               {{L"Instance\\InitPropertyBag", {Dword(L"Attributes", 0x15)}},
                {L"Shell\\Open\\Command", {ExpandSz(L"", L"cmd.exe")}}});
    platform.displayNames[{L"::" + kIdA, kShgdnForParsing}] = L"C:\\parsed";
    EXPECT_EQ(Read(0).target, L"C:\\parsed");

    RemoveTree(store, ClassesRoot(), L"CLSID\\" + kIdA + L"\\Instance");
    EXPECT_EQ(Read(0).target, L"cmd.exe");

    WriteClass(kIdA, {}, {{L"Shell\\Open\\Command", {Dword(L"", 5)}}});
    EXPECT_EQ(Read(0).target, L"C:\\parsed");
    platform.displayNames.clear();
    EXPECT_EQ(Read(0).target, kIdA);
}

TEST(SplitIconLocation, SplitsAtTheLastCommaAndParsesTheIndexLikeAtoi) {
    struct Case {
        const wchar_t* text;
        const wchar_t* file;
        int index;
    };
    const Case cases[] = {
        {L"C:\\a,b\\icons.dll,5", L"C:\\a,b\\icons.dll", 5},
        {L"C:\\icons\\app.ico", L"C:\\icons\\app.ico", 0},
        {L"shell32.dll,-3", L"shell32.dll", -3},
        {L"shell32.dll,  +7", L"shell32.dll", 7},
        {L"shell32.dll,12abc", L"shell32.dll", 12},
        {L"shell32.dll,abc", L"shell32.dll", 0},
        {L"shell32.dll,", L"shell32.dll", 0},
        {L",4", L"", 4},
        {L"", L"", 0},
        {L"x,99999999999", L"x", 2147483647},
        {L"x,-99999999999", L"x", -2147483647 - 1},
    };
    for (const Case& c : cases) {
        const IconLocationParts parts = SplitIconLocation(c.text);
        EXPECT_EQ(parts.file, c.file) << c.text;
        EXPECT_EQ(parts.index, c.index) << c.text;
    }
}

TEST_F(ShellObjectInfoTest, IconLocationTakesOnlyStringsThatFitAndNeverReadsPastThem) {
    EXPECT_EQ(ReadIconFrom(Sz(L"", L"C:\\a,b\\icons.dll,5")).iconLocation, L"C:\\a,b\\icons.dll,5");
    EXPECT_EQ(ReadIconFrom(ExpandSz(L"", L"%SystemRoot%\\x.dll,-3")).iconLocation, L"%SystemRoot%\\x.dll,-3")
        << "kept unexpanded";
    EXPECT_EQ(ReadIconFrom(Raw(L"", kRegSz, TextBytes(L"a.ico"))).iconLocation, L"a.ico");
    EXPECT_EQ(ReadIconFrom(Raw(L"", kRegExpandSz, Bytes({'b', 0, '.', 0, 'i'}))).iconLocation, L"b.");
    EXPECT_EQ(ReadIconFrom(Raw(L"", kRegSz, TextBytes(std::wstring(260, L'c')))).iconLocation,
              std::wstring(260, L'c'));
    EXPECT_EQ(ReadIconFrom(Sz(L"", std::wstring(260, L'd'))).iconLocation, L"") << "522 bytes do not fit";
    EXPECT_EQ(ReadIconFrom(Dword(L"", 0x41)).iconLocation, L"");
    EXPECT_EQ(Fields(ReadIconFrom(Sz(L"Other", L"e.ico"))),
              L"1 1 0 " + kIdA + L"|Name||256|" + kIdA + L"|+|::" + kIdA)
        << "a DefaultIcon key without its value is an empty location";
    // Without a DefaultIcon key there is no location.
    EXPECT_EQ(Fields(ReadNew({Sz(L"", L"Name")})),
              L"1 1 0 " + kIdA + L"|Name||256|" + kIdA + L"|-|::" + kIdA);
    EXPECT_TRUE(platform.extractCalls.empty());
}

TEST_F(ShellObjectInfoTest, SettersWriteTheClassKeyAndLeaveTheIconFields) {
    WriteClass(kIdA, {Sz(L"", L"Old"), Sz(L"InfoTip", L"Old tip"), Marker(L"Old")},
               {{L"DefaultIcon", {Sz(L"", L"old.ico")}}});
    ShellObjectInfo info = Read(0);
    EXPECT_EQ(info.SetName(L"New"), kOk);
    EXPECT_EQ(info.SetDescription(L""), kOk);
    EXPECT_EQ(info.SetIconLocation(L"C:\\new.dll,4"), kOk);
    EXPECT_EQ(info.SetSortOrderIndex(12), kOk);
    EXPECT_EQ(ClassDump(kIdA), Describe(TreeKey{L"",
                                                {Sz(L"", L"New"), Sz(L"InfoTip", L""), Marker(L"Old"),
                                                 Dword(L"SortOrderIndex", 12)},
                                                {{L"DefaultIcon", {Sz(L"", L"C:\\new.dll,4")}}}}));
    EXPECT_EQ(Fields(info), L"1 1 0 " + kIdA + L"|New||12|" + kIdA + L"|+old.ico|::" + kIdA);
}

TEST_F(ShellObjectInfoTest, SetIconLocationCreatesAMissingDefaultIconKey) {
    WriteClass(kIdA, {Sz(L"", L"N")});
    ShellObjectInfo info = Read(0);
    EXPECT_EQ(info.SetIconLocation(L"a.dll,-2"), kOk);
    EXPECT_EQ(ClassDump(kIdA),
              Describe(TreeKey{L"", {Sz(L"", L"N")}, {{L"DefaultIcon", {Sz(L"", L"a.dll,-2")}}}}));
    EXPECT_EQ(Fields(info), L"1 1 0 " + kIdA + L"|N||256|" + kIdA + L"|-|::" + kIdA);
}

TEST_F(ShellObjectInfoTest, ReleaseDeletesTheClassTreeOnlyAtTheLastUse) {
    WriteClass(kIdA, {Sz(L"", L"N"), Marker()},
               {{L"ShellFolder", {Dword(L"Attributes", 0)}},
                {L"Instance\\InitPropertyBag", {Sz(L"Target", L"C:")}}});
    const std::string before = ClassDump(kIdA);
    ShellObjectInfo info = Read(0);
    info.useCount = 2;
    EXPECT_EQ(info.Release(), kOk);
    EXPECT_EQ(info.useCount, 1);
    EXPECT_TRUE(info.IsOpen());
    EXPECT_EQ(ClassDump(kIdA), before);

    EXPECT_EQ(info.Release(), kOk);
    EXPECT_EQ(info.useCount, 0);
    EXPECT_FALSE(info.IsOpen());
    EXPECT_EQ(ClassDump(kIdA), kMissingTree);
    EXPECT_EQ(OpenHandles(), 0u);
    EXPECT_EQ(info.SetName(L"Ghost"), kKeyDeleted);
    EXPECT_EQ(ClassDump(kIdA), kMissingTree);
    EXPECT_EQ(info.name, L"N");
}

TEST_F(ShellObjectInfoTest, AMovedRecordTakesTheOneClassKeyAlongAndClosesItWhenItGoes) {
    WriteClass(kIdA, {Sz(L"", L"N")});
    {
        ShellObjectInfo info = Read(0);
        const KeyHandle key = info.Key();
        EXPECT_EQ(OpenHandles(), 1u);
        {
            ShellObjectInfo moved = std::move(info);
            EXPECT_EQ(moved.Key(), key);
            EXPECT_FALSE(info.IsOpen());
            info = std::move(moved);
        }
        EXPECT_EQ(OpenHandles(), 1u) << "the record that was moved from closes nothing";
        EXPECT_EQ(info.SetName(L"Still open"), kOk);
        EXPECT_EQ(ClassDump(kIdA), Describe(TreeKey{L"", {Sz(L"", L"Still open")}}));
    }
    EXPECT_EQ(OpenHandles(), 0u);
}

// The record is read from this user's classes first, then from the machine's (where
// earlier versions wrote every class key), and every change and the release go to the
// key it was read from; the other root is never touched.
TEST_F(ShellObjectInfoTest, ClassKeyIsReadAndChangedWhereItStands) {
    const struct Case {
        const char* name;
        bool user;     // a class key in this user's classes
        bool machine;  // a class key in the machine's classes
        bool denyUser; // this user's refuses to open for writing (in-memory registry only)
        const wchar_t* readName;
        KeyHandle hive; // where the record says its key stands
        Status status;  // of the open for writing, and so of the setters when it failed
    } cases[] = {
        {"this user's only", true, false, false, L"User", CurrentUser(), kOk},
        {"the machine's only", false, true, false, L"Machine", LocalMachine(), kOk},
        {"both: this user's wins", true, true, false, L"User", CurrentUser(), kOk},
        {"neither", false, false, false, L"", LocalMachine(), kFileNotFound},
        // Last: the refusal stays with the key.
        {"this user's refuses writing", true, true, true, L"User", CurrentUser(), kAccessDenied},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.denyUser && !memory)
            continue;
        for (KeyHandle hive : {CurrentUser(), LocalMachine()})
            RemoveTree(store, hive, ClassKeyPath(kIdA));
        if (c.user)
            WriteUserClass(kIdA, {Sz(L"", L"User")});
        if (c.machine)
            WriteClass(kIdA, {Sz(L"", L"Machine")});
        if (c.denyUser)
            memory->DenyWriteAccess(CurrentUser(), ClassKeyPath(kIdA));
        const std::string other = ClassDump(kIdA, c.hive == CurrentUser() ? LocalMachine() : CurrentUser());
        ShellObjectInfo info = Read(4);
        EXPECT_EQ(info.name, c.readName);
        EXPECT_EQ(info.classesHive, c.hive);
        EXPECT_EQ(info.SetName(L"Renamed"), c.status);
        if (c.status == kOk) {
            EXPECT_EQ(ClassDump(kIdA, c.hive), Describe(TreeKey{L"", {Sz(L"", L"Renamed")}}));
        }
        // The last use deletes its own key; one that went already is no failure.
        EXPECT_EQ(info.Release(), c.status == kAccessDenied ? kAccessDenied : kOk);
        if (c.status == kOk) {
            EXPECT_EQ(ClassDump(kIdA, c.hive), kMissingTree);
        }
        EXPECT_EQ(ClassDump(kIdA, c.hive == CurrentUser() ? LocalMachine() : CurrentUser()), other);
    }
}

TEST_F(ShellObjectInfoTest, ReleaseOfAClassKeyThatWentMeanwhileLeavesTheOtherRootAlone) {
    WriteUserClass(kIdA, {Sz(L"", L"User")});
    WriteClass(kIdA, {Sz(L"", L"Machine")});
    const std::string machine = ClassDump(kIdA);
    ShellObjectInfo info = Read(0);
    ASSERT_EQ(info.classesHive, CurrentUser());
    ASSERT_TRUE(RemoveTree(store, CurrentUser(), ClassKeyPath(kIdA)));
    EXPECT_EQ(info.Release(), kOk);
    EXPECT_EQ(ClassDump(kIdA), machine);
}

TEST_F(ShellObjectInfoTest, FolderIdListNamesTheFolderOfTheFirstPlace) {
    WriteClass(kIdA, {Sz(L"", L"N")});
    const int expectedCsidl[8] = {0, 3, 17, 18, 0, 3, 17, 18};
    for (int place = 0; place < 8; ++place) {
        ShellObjectInfo info = Read(place);
        IdList list = info.FolderIdList();
        ASSERT_NE(list, nullptr);
        platform.NotifyUpdateDir(list);
        platform.FreeIdList(list);
        EXPECT_EQ(platform.notified.back(), expectedCsidl[place]);
    }
    EXPECT_EQ(platform.liveIdLists, 0);
}

// The 32-bit copy of a class key: written with the class key by every setter, made whole by
// the first pin, deleted with it, and never changed on its own.
class Class32CopyTest : public ShellObjectInfoTest {
protected:
    static TreeKey ClassTree(const std::wstring& path) {
        return TreeKey{path, {Sz(L"", L"N"), Marker()}, {{L"DefaultIcon", {Sz(L"", L"a.ico")}}}};
    }
    void SetUp() override { ASSERT_EQ(WriteTree(store, ClassesRoot(), ClassTree(L"CLSID\\" + kIdA)), kOk); }
    void WriteCopy() { ASSERT_EQ(WriteTree(store, LocalMachine(), ClassTree(Class32KeyPath(kIdA))), kOk); }
    std::string CopyDump() { return DumpTree(store, LocalMachine(), Class32KeyPath(kIdA)); }
};

TEST_F(Class32CopyTest, EverySetterWritesTheCopyAlikeAndReleaseDeletesBoth) {
    const struct {
        const char* name;
        Status (*set)(ShellObjectInfo&);
    } setters[] = {
        {"name", [](ShellObjectInfo& i) { return i.SetName(L"Renamed"); }},
        {"comment", [](ShellObjectInfo& i) { return i.SetDescription(L"Tip"); }},
        {"icon", [](ShellObjectInfo& i) { return i.SetIconLocation(L"b.dll,3"); }},
        {"position", [](ShellObjectInfo& i) { return i.SetSortOrderIndex(7); }},
        {"pin", [](ShellObjectInfo& i) { return i.SetPinned(true); }},
        {"unpin", [](ShellObjectInfo& i) { return i.SetPinned(false); }},
    };
    WriteCopy();
    ShellObjectInfo info = Read(0);
    EXPECT_TRUE(info.Has32BitCopy());
    std::string last = ClassDump(kIdA);
    for (const auto& setter : setters) {
        SCOPED_TRACE(setter.name);
        EXPECT_EQ(setter.set(info), kOk);
        EXPECT_NE(ClassDump(kIdA), last) << "the setter changed the class key";
        last = ClassDump(kIdA);
        EXPECT_EQ(CopyDump(), last);
    }
    EXPECT_EQ(info.Release(), kOk);
    EXPECT_EQ(ClassDump(kIdA), kMissingTree);
    EXPECT_EQ(CopyDump(), kMissingTree);
    EXPECT_EQ(OpenHandles(), 0u);
}

TEST_F(Class32CopyTest, FirstPinCopiesTheClassKeyWholeAndUnpinKeepsTheCopy) {
    ShellObjectInfo info = Read(0);
    EXPECT_FALSE(info.Has32BitCopy());
    EXPECT_EQ(info.SetName(L"Still one"), kOk);
    EXPECT_EQ(CopyDump(), kMissingTree) << "no copy is made but by a pin";
    EXPECT_EQ(info.SetPinned(true), kOk);
    EXPECT_TRUE(info.pinned);
    EXPECT_EQ(ClassDump(kIdA), Describe(TreeKey{L"",
                                                {Sz(L"", L"Still one"), Marker(), Dword(kPinnedValueName, 1)},
                                                {{L"DefaultIcon", {Sz(L"", L"a.ico")}}}}));
    EXPECT_EQ(CopyDump(), ClassDump(kIdA));
    EXPECT_EQ(info.SetPinned(false), kOk);
    EXPECT_FALSE(Read(0).pinned);
    EXPECT_NE(ClassDump(kIdA).find("System.IsPinnedToNameSpaceTree\" REG_DWORD 4 0x00000000"),
              std::string::npos)
        << ClassDump(kIdA);
    EXPECT_EQ(CopyDump(), ClassDump(kIdA));
}

// A copy that refuses writing stops a setter before it writes, a first pin that fails
// takes its new copy away, a class key that cannot be deleted keeps its copy; a write that
// fails on the copy alone is reported (the two then differ until the next change).
TEST_F(Class32CopyTest, FailuresAreReportedAndLeaveNoCopyHalfMade) {
    using Op = MemoryRegistry::Op;
    if (!memory)
        GTEST_SKIP() << "needs fault injection";
    auto fail = [](Op op, int nth) { return [op, nth](MemoryRegistry& m) { m.FailNthCall(op, nth); }; };
    const struct {
        const char* name;
        bool copy;
        std::function<void(MemoryRegistry&)> refuse;
        Status (*act)(ShellObjectInfo&);
        bool classKeyKept;
    } cases[] = {
        {"copy write fails", true, fail(Op::SetValue, 2),
         [](ShellObjectInfo& i) { return i.SetSortOrderIndex(3); }, false},
        {"new copy fails part-way", false, fail(Op::SetValue, 2),
         [](ShellObjectInfo& i) { return i.SetPinned(true); }, true},
        {"pin value fails", false, fail(Op::SetValue, 4),
         [](ShellObjectInfo& i) { return i.SetPinned(true); }, true},
        {"class key not deleted", true, fail(Op::DeleteKey, 1),
         [](ShellObjectInfo& i) { return i.Release(); }, true},
        // Last: a denied key stays in the registry.
        {"copy refuses writing", true,
         [](MemoryRegistry& m) { m.DenyWriteAccess(LocalMachine(), Class32KeyPath(kIdA)); },
         [](ShellObjectInfo& i) { return i.SetName(L"X"); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveTree(store, LocalMachine(), Class32KeyPath(kIdA));
        if (c.copy)
            WriteCopy();
        const std::string classBefore = ClassDump(kIdA);
        const std::string copyBefore = CopyDump();
        {
            c.refuse(*memory); // nothing that Read calls is made to fail
            ShellObjectInfo info = Read(0);
            EXPECT_EQ(c.act(info), kAccessDenied);
            memory->ClearFaults();
        }
        EXPECT_EQ(ClassDump(kIdA) == classBefore, c.classKeyKept);
        EXPECT_EQ(CopyDump(), c.copy ? copyBefore : kMissingTree);
    }
}

} // namespace
} // namespace vs::test
