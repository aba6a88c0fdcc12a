#include "app/ByteGrid.h"

#include <gmock/gmock.h>

namespace {

struct Resize {
    const char* name;
    int rows;
    int cols;
    int expectedRows;
    int expectedCols;
    bool keepsCell;   // cell (1, 2), written before the resize
    bool keepsOrigin; // cell (0, 0), likewise
};

TEST(ByteGridTest, ResizeFollowsGridRulesAndDropsCellsOutside)
{
    const Resize cases[] = {{"Same", 4, 3, 4, 3, true, true},          {"Grow", 100, 32, 100, 32, true, true},
                            {"DropRows", 2, 3, 2, 3, false, true},     {"DropColumns", 4, 1, 4, 1, false, true},
                            // A discarded grid keeps one row and column, but empty.
                            {"Discard", 0, 0, 1, 1, false, false},     {"NegativeDiscards", -5, -1, 1, 1, false, false}};
    for (const Resize& r : cases) {
        SCOPED_TRACE(r.name);
        ByteGrid grid;
        grid.setRowCount(4);
        grid.setColCount(3);
        grid.setCell(1, 2, 200);
        grid.setCell(0, 0, 7);
        grid.setRowCount(r.rows);
        grid.setColCount(r.cols);
        EXPECT_EQ(grid.rowCount(), r.expectedRows);
        EXPECT_EQ(grid.colCount(), r.expectedCols);
        EXPECT_EQ(grid.isFilled(0, 0), r.keepsOrigin);
        // Growing back never resurrects a dropped cell.
        grid.setRowCount(4);
        grid.setColCount(3);
        EXPECT_EQ(grid.cell(1, 2), r.keepsCell ? std::optional<std::uint8_t>(200) : std::nullopt);
        EXPECT_FALSE(grid.isFilled(2, 3));
    }
}

TEST(ByteGridTest, WritesRecordFillAndStayInside)
{
    ByteGrid grid;
    grid.setRowCount(3);
    grid.setColCount(2);
    grid.setCell(1, 1, 0); // a zero byte is still a written cell
    grid.setCell(2, 0, 5);
    grid.setCell(0, 3, 5);
    grid.setCell(-1, 0, 5);
    EXPECT_EQ(grid.cell(1, 1), std::optional<std::uint8_t>(0));
    EXPECT_FALSE(grid.isFilled(0, 1));
    EXPECT_EQ(grid.cell(2, 0), std::nullopt);
    EXPECT_EQ(grid.cell(0, 3), std::nullopt);
    EXPECT_EQ(grid.cell(0, -1), std::nullopt);
    EXPECT_EQ(grid.column(1), (std::vector<std::uint8_t>{0, 0, 0}));
    EXPECT_THROW(grid.column(2), std::out_of_range);
}

} // namespace
