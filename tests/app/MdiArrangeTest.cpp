#include "app/MdiArrange.h"

#include <gmock/gmock.h>

namespace {

struct Tiling {
    const char* name;
    int count;
    MdiArrangement arrangement;
    std::vector<QRect> expected;
};

TEST(TileRectsTest, SplitsTheAreaWithoutGapsOrOverlap)
{
    const Tiling cases[] = {
        Tiling{"None", 0, MdiArrangement::TileHorizontal, {}},
        Tiling{"CascadeIsNotTiled", 2, MdiArrangement::Cascade, {}},
        Tiling{"OneFillsArea", 1, MdiArrangement::TileVertical, {QRect(10, 20, 100, 50)}},
        Tiling{"HorizontalStacksRows", 3, MdiArrangement::TileHorizontal,
               {QRect(10, 20, 100, 16), QRect(10, 36, 100, 16), QRect(10, 52, 100, 18)}},
        Tiling{"VerticalSideBySide", 3, MdiArrangement::TileVertical,
               {QRect(10, 20, 33, 50), QRect(43, 20, 33, 50), QRect(76, 20, 34, 50)}}};
    for (const Tiling& t : cases)
        EXPECT_EQ(tileRects(t.count, QRect(10, 20, 100, 50), t.arrangement), t.expected) << t.name;
}

} // namespace
