// The desktop-icon value of a scope: read per row by the inventory, hidden and shown for
// one scope only, refused for all users to a standard user.

#include "store/DesktopIcon.h"
#include "tests/support/ShellObjectFixture.h"
#include "tests/support/StandardUserRegistry.h"

#include <gtest/gtest.h>

namespace vs::test {
namespace {

class DesktopIconTest : public ShellObjectFixture {
protected:
    DesktopIconTest() {
        // A key made here goes again; one the system had keeps its other values.
        for (KeyHandle hive : {CurrentUser(), LocalMachine()})
            if (DumpTree(store, hive, kHideDesktopIconsPath) == kMissingTree)
                cleanup.Add(hive, kHideDesktopIconsPath);
    }
    std::string Value(KeyHandle hive) {
        const std::string dump = DumpTree(store, hive, kHideDesktopIconsPath);
        const std::size_t at = dump.find(Narrow(kIdA));
        return at == std::string::npos ? "" : dump.substr(at, dump.find('\n', at) - at);
    }
};

TEST_F(DesktopIconTest, EachScopeHidesAndShowsItsOwnIconAndRowsSayWhich) {
    WriteClass(kIdA, {Sz(L"", L"A")});
    WriteEntry(0, TreeKey{kIdA, {Marker()}});
    WriteEntry(4, TreeKey{kIdA, {Marker()}});
    EXPECT_EQ(SetDesktopIconHidden(store, CurrentUser(), kIdA, false), kOk);
    EXPECT_EQ(Value(CurrentUser()), "") << "showing what nothing hides writes nothing";
    EXPECT_EQ(SetDesktopIconHidden(store, CurrentUser(), kIdA, true), kOk);
    EXPECT_EQ(Value(CurrentUser()), Narrow(kIdA) + "\" REG_DWORD 4 0x00000001");
    EXPECT_EQ(Value(LocalMachine()), "");
    Refresh();
    ASSERT_EQ(inventory.rows.size(), 2u);
    EXPECT_TRUE(inventory.rows[0].desktopIconHidden);
    EXPECT_FALSE(inventory.rows[1].desktopIconHidden);
    EXPECT_EQ(SetDesktopIconHidden(store, CurrentUser(), kIdA, false), kOk);
    EXPECT_EQ(Value(CurrentUser()), Narrow(kIdA) + "\" REG_DWORD 4 0x00000000");
    EXPECT_FALSE(DesktopIconHidden(store, CurrentUser(), kIdA));
}

TEST_F(DesktopIconTest, OnlyANonZeroDwordHides) {
    const struct {
        TreeValue value;
        bool hidden;
    } cases[] = {
        {Dword(kIdA, 1), true},
        {Dword(kIdA, 2), true},
        {Dword(kIdA, 0), false},
        {Sz(kIdA, L"1"), false},
        {Raw(kIdA, kRegDword, {1}), false},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(WriteTree(store, CurrentUser(), TreeKey{kHideDesktopIconsPath, {c.value}}), kOk);
        EXPECT_EQ(DesktopIconHidden(store, CurrentUser(), kIdA), c.hidden) << TypeName(c.value.type);
    }
}

TEST_F(DesktopIconTest, AStandardUserChangesOnlyTheIconsOfThisUser) {
    StandardUserRegistry standardUser(store);
    EXPECT_EQ(SetDesktopIconHidden(standardUser, CurrentUser(), kIdA, true), kOk);
    EXPECT_EQ(SetDesktopIconHidden(standardUser, LocalMachine(), kIdA, true), kAccessDenied);
    EXPECT_EQ(Value(LocalMachine()), "");
}

} // namespace
} // namespace vs::test
