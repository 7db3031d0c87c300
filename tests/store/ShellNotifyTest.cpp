// The folder notification after each change: Explorer must hear about the folder of the
// place that changed, and no item-identifier list may leak or be freed twice.

#include "store/ShellNotify.h"
#include "tests/support/TestPlatform.h"

#include <gtest/gtest.h>

namespace vs::test {
namespace {

TEST(ShellNotify, EachPlaceNotifiesItsFolderAndFreesTheList) {
    TestPlatform platform;
    for (int index = 0; index < 8; ++index)
        NotifyFolderUpdated(platform, index);
    // Desktop, Control Panel, My Computer, Network Neighborhood, for each scope.
    EXPECT_EQ(platform.notified, (std::vector<int>{0, 3, 17, 18, 0, 3, 17, 18}));
    EXPECT_EQ(platform.folderQueries, platform.notified);
    EXPECT_EQ(platform.liveIdLists, 0);
}

TEST(ShellNotify, UnknownPlaceGivesNoListWithoutAskingTheShell) {
    TestPlatform platform;
    EXPECT_EQ(PlaceFolderIdList(platform, 8), nullptr);
    EXPECT_EQ(PlaceFolderIdList(platform, -1), nullptr);
    EXPECT_TRUE(platform.folderQueries.empty());
    NotifyFolderUpdated(platform, 8);
    EXPECT_EQ(platform.notified, std::vector<int>{-1});
    EXPECT_TRUE(platform.folderQueries.empty());
    EXPECT_EQ(platform.liveIdLists, 0);
}

TEST(ShellNotify, FailedFolderLookupStillNotifiesWithANullListAndFreesNothing) {
    TestPlatform platform;
    platform.failFolderLocation = true;
    NotifyFolderUpdated(platform, 2);
    EXPECT_EQ(platform.folderQueries, std::vector<int>{17});
    EXPECT_EQ(platform.notified, std::vector<int>{-1});
    EXPECT_EQ(platform.liveIdLists, 0); // FreeIdList(null) would have made it -1
}

TEST(ShellNotify, PlaceFolderIdListIsTheCallersToFree) {
    TestPlatform platform;
    IdList list = PlaceFolderIdList(platform, 5);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(platform.folderQueries, std::vector<int>{3});
    EXPECT_EQ(platform.liveIdLists, 1);
    platform.FreeIdList(list);
    EXPECT_EQ(platform.liveIdLists, 0);
}

} // namespace
} // namespace vs::test
