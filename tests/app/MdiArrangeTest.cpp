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

struct Cascade {
    const char* name;
    int count;
    QRect area;
    int step;
    std::vector<QRect> expected;
};

TEST(CascadeRectsTest, OffsetsEqualWindowsAndStartsAgainBeforeAThirdOfTheArea)
{
    const QRect area(10, 20, 300, 150);
    const Cascade cases[] = {
        Cascade{"None", 0, area, 10, {}},
        Cascade{"EmptyArea", 2, QRect(0, 0, 0, 100), 10, {}},
        Cascade{"OneFillsArea", 1, area, 10, {area}},
        Cascade{"ThreeShrinkByTheirOffsets", 3, area, 10,
                {QRect(10, 20, 280, 130), QRect(20, 30, 280, 130), QRect(30, 40, 280, 130)}},
        // Three steps of 40 fit the 150 pixels of height with a third left;
        // the fourth window starts again at the corner.
        Cascade{"WrapsWhenTheHeightRunsOut", 4, area, 40,
                {QRect(10, 20, 220, 70), QRect(50, 60, 220, 70), QRect(90, 100, 220, 70), QRect(10, 20, 220, 70)}},
        Cascade{"StepBeyondTheArea", 2, area, 500, {area, area}},
        Cascade{"StepBelowOnePixel", 2, QRect(0, 0, 9, 9), 0, {QRect(0, 0, 8, 8), QRect(1, 1, 8, 8)}}};
    for (const Cascade& c : cases)
        EXPECT_EQ(cascadeRects(c.count, c.area, c.step), c.expected) << c.name;
}

struct NewWindow {
    const char* name;
    QRect area;
    std::optional<QRect> last;
    QSize preferred;
    QRect expected;
};

TEST(NewWindowRectTest, OpensInsideTheAreaOneStepFromTheLast)
{
    const QRect area(0, 0, 1000, 600);
    const QSize big(1035, 757);
    const NewWindow cases[] = {
        // Bounded so that two more steps still fit.
        NewWindow{"FirstAtTheCorner", area, std::nullopt, big, QRect(0, 0, 940, 540)},
        NewWindow{"NextOneStepOn", area, QRect(0, 0, 940, 540), big, QRect(30, 30, 940, 540)},
        // The next round starts at the top, one step right of where the last began.
        NewWindow{"NextRoundOneStepFurtherIn", area, QRect(60, 60, 940, 540), big, QRect(30, 0, 940, 540)},
        NewWindow{"LaterRoundFurtherStill", area, QRect(90, 60, 940, 540), big, QRect(60, 0, 940, 540)},
        // No further round fits across: the corner again.
        NewWindow{"BackToTheCornerWhenNoRoundFits", area, QRect(60, 0, 940, 540), big, QRect(0, 0, 940, 540)},
        NewWindow{"SmallKeepsItsSize", QRect(5, 5, 1000, 600), QRect(10, 10, 50, 50), QSize(200, 100),
                  QRect(40, 40, 200, 100)},
        // The last window was moved away; the new one still lands inside.
        NewWindow{"LastOutsideTheArea", area, QRect(-400, 900, 300, 300), QSize(200, 100), QRect(0, 0, 200, 100)},
        // No room for the steps: at least a third of the area each way.
        NewWindow{"TinyArea", QRect(0, 0, 90, 60), std::nullopt, big, QRect(0, 0, 30, 20)}};
    for (const NewWindow& c : cases)
        EXPECT_EQ(newWindowRect(c.area, c.last, c.preferred, 30), c.expected) << c.name;
}

// Windows opened one after the other: none lands where an earlier one is (and
// so hides it whole) until every round the area has room for is used.
TEST(NewWindowRectTest, SuccessiveWindowsTakeNewPlacesRoundAfterRound)
{
    const QRect area(0, 0, 1000, 600);
    const QSize preferred(900, 520);
    std::vector<QPoint> places;
    std::optional<QRect> last;
    for (int i = 0; i < 12; ++i) {
        last = newWindowRect(area, last, preferred, 30);
        ASSERT_TRUE(area.contains(*last)) << i;
        places.push_back(last->topLeft());
    }
    const std::vector<QPoint> expected{{0, 0},   {30, 30},  {60, 60},  {30, 0},  {60, 30}, {90, 60},
                                       {60, 0},  {90, 30},  {90, 0},   {0, 0},   {30, 30}, {60, 60}};
    EXPECT_EQ(places, expected);
}

} // namespace
