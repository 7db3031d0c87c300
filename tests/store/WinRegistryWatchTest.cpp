// The Windows registry watch in the test prefix: a place whose NameSpace key is missing is
// watched through an ancestor, whose other changes do not count, and counts again once
// its key is made; a class key written under a root counts for the classes.

#ifdef _WIN32

#include "store/ClassRoots.h"
#include "store/NamespaceLocation.h"
#include "store/WinRegistry.h"
#include "store/WinRegistryWatch.h"
#include "tests/support/RegistryTree.h"

#include <gtest/gtest.h>

namespace vs {
namespace {

TEST(WinRegistryWatch, AMissingKeyCountsOnlyOnceItIsMadeAndAClassKeyCountsForTheClasses) {
    WinRegistry store;
    const std::wstring place = PlaceByIndex(0)->nameSpacePath;
    const std::wstring other = place.substr(0, place.rfind(L'\\')) + L"\\VarnosetWatchTest";
    const std::wstring classKey = ClassKeyPath(L"{5e1f0000-0000-4000-8000-0000000000aa}");
    test::RemoveTree(store, CurrentUser(), place);
    WinRegistryWatch watch;
    EXPECT_FALSE(watch.Pending());

    const struct {
        std::wstring path;
        std::uint8_t places;
        bool classes;
    } kSteps[] = {
        {other, 0, false},
        {place + L"\\{x}", 1u << 0, false},
        {other, 0, false},
        {classKey, 0, true},
    };
    for (const auto& step : kSteps) {
        ASSERT_EQ(test::WriteTree(store, CurrentUser(), test::TreeKey{step.path, {test::Sz(L"", L"v")}}),
                  kOk);
        const ChangedParts parts = watch.TakeChanges();
        EXPECT_EQ(parts.places, step.places) << std::string(step.path.begin(), step.path.end());
        EXPECT_EQ(parts.classes, step.classes) << std::string(step.path.begin(), step.path.end());
    }
    EXPECT_FALSE(watch.Unwatched().Any());
    for (const std::wstring& path : {place, other, classKey})
        test::RemoveTree(store, CurrentUser(), path);
}

} // namespace
} // namespace vs

#endif
