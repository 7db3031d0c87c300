#include "store/NamespaceLocation.h"

#include <gtest/gtest.h>

namespace vs {

TEST(NamespaceLocation, CommandIdsNameTheirPlaces) {
    const NamespaceLocation* copy = PlaceByCopyCommand(32783);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->index, 1);
    EXPECT_STREQ(copy->label, L"Control Panel (this user)");
    EXPECT_EQ(PlaceByMoveCommand(32793), copy);
    for (unsigned id : {32776u, 32785u, 32786u, 32795u})
        EXPECT_EQ(PlaceByCopyCommand(id), nullptr) << id;
    for (unsigned id : {32786u, 32795u, 32777u})
        EXPECT_EQ(PlaceByMoveCommand(id), nullptr) << id;
}

TEST(NamespaceLocation, HiveFollowsIndexAndFolderFollowsIndexModuloFour) {
    for (const NamespaceLocation& place : NamespaceLocations()) {
        EXPECT_EQ(place.hive, place.index < 4 ? CurrentUser() : LocalMachine());
        const NamespaceLocation* twin = PlaceByIndex(place.index ^ 4);
        EXPECT_STREQ(place.nameSpacePath, twin->nameSpacePath);
        EXPECT_EQ(place.folderCsidl, twin->folderCsidl);
        EXPECT_EQ(place.moveCommandId, place.copyCommandId + 10);
    }
    EXPECT_EQ(PlaceByIndex(8), nullptr);
    EXPECT_EQ(PlaceByIndex(-1), nullptr);
}

} // namespace vs
