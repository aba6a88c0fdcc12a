#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// The hidden download buffer: a grid of bytes with the row and column count
// behaviour of a string grid (at least one row and one column; shrinking drops
// the cells outside, growing adds empty ones) and a record of which cells were
// written. Stored column by column, one byte per cell plus one bit, because a
// log may hold 16 million rows of 32 columns and is written to file per column.
class ByteGrid {
public:
    ByteGrid();

    int rowCount() const { return rows_; }
    int colCount() const { return static_cast<int>(columns_.size()); }

    // Counts below 1 leave the minimal 1 x 1 grid with every cell emptied:
    // that is how a buffered download is thrown away.
    void setRowCount(int rows);
    void setColCount(int cols);

    // Writes outside the grid are ignored.
    void setCell(int col, int row, std::uint8_t value);
    // nullopt outside the grid and for cells never written.
    std::optional<std::uint8_t> cell(int col, int row) const;
    bool isFilled(int col, int row) const { return cell(col, row).has_value(); }

    // The column's bytes, rowCount() of them (0 where never written).
    const std::vector<std::uint8_t>& column(int col) const;

private:
    struct Column {
        std::vector<std::uint8_t> values;
        std::vector<bool> filled;
    };

    bool inside(int col, int row) const;
    void resizeColumn(Column& column) const;
    void discardAll();

    int rows_ = 1;
    std::vector<Column> columns_;
};
