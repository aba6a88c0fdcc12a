#include "app/ByteGrid.h"

#include <gmock/gmock.h>

namespace {

struct Resize {
    const char* name;
    int rows;
    int cols;
    int expectedRows;
    int expectedCols;
    bool keepsCell; // cell (1, 2), written before the resize
};

class ByteGridResizeTest : public testing::TestWithParam<Resize> {};

TEST_P(ByteGridResizeTest, CountsFollowGridRulesAndDropCellsOutside)
{
    const Resize& r = GetParam();
    ByteGrid grid;
    grid.setRowCount(4);
    grid.setColCount(3);
    grid.setCell(1, 2, 200);
    grid.setCell(0, 0, 7);

    grid.setRowCount(r.rows);
    grid.setColCount(r.cols);
    EXPECT_EQ(grid.rowCount(), r.expectedRows);
    EXPECT_EQ(grid.colCount(), r.expectedCols);
    EXPECT_EQ(grid.cell(1, 2), r.keepsCell ? std::optional<std::uint8_t>(200) : std::nullopt);

    // Growing back never resurrects a dropped cell.
    grid.setRowCount(4);
    grid.setColCount(3);
    EXPECT_EQ(grid.cell(1, 2), r.keepsCell ? std::optional<std::uint8_t>(200) : std::nullopt);
    EXPECT_FALSE(grid.isFilled(2, 3));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ByteGridResizeTest,
    testing::Values(Resize{"Same", 4, 3, 4, 3, true},
                    Resize{"Grow", 100, 32, 100, 32, true},
                    Resize{"DropRows", 2, 3, 2, 3, false},
                    Resize{"DropColumns", 4, 1, 4, 1, false},
                    Resize{"Discard", 0, 0, 1, 1, false},
                    Resize{"NegativeDiscards", -5, -1, 1, 1, false}),
    [](const testing::TestParamInfo<Resize>& info) { return std::string(info.param.name); });

TEST(ByteGridTest, DiscardEmptiesEvenTheRemainingCell)
{
    ByteGrid grid;
    grid.setRowCount(3);
    grid.setColCount(2);
    grid.setCell(0, 0, 9);
    grid.setRowCount(0);
    grid.setColCount(0);
    EXPECT_FALSE(grid.isFilled(0, 0));
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

TEST(ByteGridTest, ColumnsHoldTheirBytesInRowOrder)
{
    ByteGrid grid;
    grid.setRowCount(5);
    grid.setColCount(3);
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 3; ++col)
            grid.setCell(col, row, static_cast<std::uint8_t>(row * 10 + col));
    EXPECT_EQ(grid.column(2), (std::vector<std::uint8_t>{2, 12, 22, 32, 42}));
}

} // namespace
