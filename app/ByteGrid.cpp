#include "app/ByteGrid.h"

#include <stdexcept>

ByteGrid::ByteGrid()
{
    columns_.resize(1);
    resizeColumn(columns_.front());
}

bool ByteGrid::inside(int col, int row) const
{
    return col >= 0 && col < colCount() && row >= 0 && row < rows_;
}

void ByteGrid::resizeColumn(Column& column) const
{
    const auto rows = static_cast<std::size_t>(rows_);
    column.values.resize(rows, 0);
    column.filled.resize(rows, false);
}

void ByteGrid::discardAll()
{
    for (Column& column : columns_) {
        column.values.assign(column.values.size(), 0);
        column.filled.assign(column.filled.size(), false);
    }
}

void ByteGrid::setRowCount(int rows)
{
    if (rows < 1) {
        rows_ = 1;
        for (Column& column : columns_) {
            // Give the memory of a large download back, not just the count.
            column.values = std::vector<std::uint8_t>(1, 0);
            column.filled = std::vector<bool>(1, false);
        }
        return;
    }
    rows_ = rows;
    for (Column& column : columns_)
        resizeColumn(column);
}

void ByteGrid::setColCount(int cols)
{
    if (cols < 1) {
        columns_.resize(1);
        columns_.shrink_to_fit();
        discardAll();
        return;
    }
    const auto count = static_cast<std::size_t>(cols);
    if (count < columns_.size()) {
        columns_.resize(count);
        return;
    }
    columns_.resize(count);
    for (Column& column : columns_)
        resizeColumn(column);
}

void ByteGrid::setCell(int col, int row, std::uint8_t value)
{
    if (!inside(col, row))
        return;
    Column& column = columns_[static_cast<std::size_t>(col)];
    column.values[static_cast<std::size_t>(row)] = value;
    column.filled[static_cast<std::size_t>(row)] = true;
}

std::optional<std::uint8_t> ByteGrid::cell(int col, int row) const
{
    if (!inside(col, row))
        return std::nullopt;
    const Column& column = columns_[static_cast<std::size_t>(col)];
    if (!column.filled[static_cast<std::size_t>(row)])
        return std::nullopt;
    return column.values[static_cast<std::size_t>(row)];
}

const std::vector<std::uint8_t>& ByteGrid::column(int col) const
{
    if (col < 0 || col >= colCount())
        throw std::out_of_range("Column out of range = " + std::to_string(col));
    return columns_[static_cast<std::size_t>(col)].values;
}
