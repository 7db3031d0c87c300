#include "store/NamespaceLocation.h"

#include <gtest/gtest.h>

namespace vs {

TEST(NamespaceLocation, HiveFollowsIndexAndFolderFollowsIndexModuloFour) {
    for (const NamespaceLocation& place : NamespaceLocations()) {
        EXPECT_EQ(place.hive, place.index < 4 ? CurrentUser() : LocalMachine());
        const NamespaceLocation* twin = PlaceByIndex(place.index ^ 4);
        EXPECT_STREQ(place.nameSpacePath, twin->nameSpacePath);
        EXPECT_EQ(place.folderCsidl, twin->folderCsidl);
        EXPECT_EQ(PlaceByIndex(place.index), &place);
    }
    EXPECT_EQ(PlaceByIndex(8), nullptr);
    EXPECT_EQ(PlaceByIndex(-1), nullptr);
}

} // namespace vs
