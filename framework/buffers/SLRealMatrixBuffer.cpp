#include "framework/buffers/SLRealMatrixBuffer.h"

#include <algorithm>
#include <limits>

#include "dsp/SLBasicDispatcher.h"
#include "framework/buffers/SLBufferErrors.h"

namespace {

const dsp::BasicRoutineTable& routines()
{
    return dsp::BasicTable();
}

// Rows x cols elements, refused before anything changes when either is
// negative or the bytes would not fit the 32-bit byte size.
std::uint32_t checkedElementCount(std::int32_t rows, std::int32_t cols)
{
    if (rows < 0)
        throw ERangeError::row(rows);
    if (cols < 0)
        throw ERangeError::column(cols);
    const std::uint64_t elements = std::uint64_t(rows) * std::uint64_t(cols);
    if (elements > std::numeric_limits<std::uint32_t>::max() / sizeof(double))
        throw EOutOfMemory();
    return static_cast<std::uint32_t>(elements);
}

} // namespace

SLRef<TSLRealMatrixBuffer> TSLRealMatrixBuffer::CreateSized(std::int32_t rows, std::int32_t cols)
{
    const std::uint32_t elements = checkedElementCount(rows, cols);
    SLRef<TSLRealMatrixBuffer> matrix = new TSLRealMatrixBuffer(std::uint64_t{elements} * sizeof(double));
    matrix->Rows = rows;
    matrix->Cols = cols;
    return matrix;
}

SLRef<TSLRealMatrixBuffer> TSLRealMatrixBuffer::CreateShared(ISLData& source)
{
    TSLGenericBuffer& buffer = From(source);
    SLRef<TSLRealMatrixBuffer> matrix = new TSLRealMatrixBuffer(memoryBlockOf(buffer), buffer.GetByteSize());
    matrix->takeShapeOf(buffer);
    return matrix;
}

SLRef<TSLRealMatrixBuffer> TSLRealMatrixBuffer::CreateFrom(ISLData& source)
{
    auto* matrix = dynamic_cast<ISLRealMatrix*>(&source);
    if (!matrix || dynamic_cast<ISLRealMatrixBuffer*>(&source))
        return CreateShared(source);
    SLRef<TSLRealMatrixBuffer> copy = CreateSized(matrix->GetRows(), matrix->GetCols());
    copy->Zero();
    for (std::int32_t r = 0; r < copy->Rows; ++r)
        copy->SetRow(r, *matrix->GetRow(r));
    return copy;
}

SLRef<ISLData> TSLRealMatrixBuffer::Clone()
{
    SLRef<TSLRealMatrixBuffer> clone = new TSLRealMatrixBuffer(&memoryBlock(), ByteSize);
    clone->takeShapeOf(*this);
    return clone;
}

void TSLRealMatrixBuffer::AssignShared(ISLData& source)
{
    TSLGenericBuffer& buffer = From(source);
    TSLMemoryBuffer::AssignShared(source);
    takeShapeOf(buffer);
}

void TSLRealMatrixBuffer::takeShapeOf(TSLGenericBuffer& source)
{
    if (auto* matrix = dynamic_cast<TSLRealMatrixBuffer*>(&source)) {
        Cols = matrix->Cols;
        Rows = matrix->Rows;
        return;
    }
    // A vector becomes one row; bytes short of a whole double are left out.
    Cols = static_cast<std::int32_t>(source.GetByteSize() / sizeof(double));
    Rows = 1;
    ByteSize = static_cast<std::uint32_t>(Cols) * sizeof(double);
}

bool TSLRealMatrixBuffer::Equals(ISLDataBuffer& other)
{
    return dynamic_cast<TSLRealMatrixBuffer*>(other.GetInstance()) && TSLMemoryBuffer::Equals(other);
}

// ---------------------------------------------------------------------------
// Rows and items

void TSLRealMatrixBuffer::checkRow(std::int32_t row) const
{
    if (row < 0 || row >= Rows)
        throw ERangeError::row(row);
}

void TSLRealMatrixBuffer::checkItem(std::int32_t row, std::int32_t col) const
{
    if (col < 0 || col >= Cols)
        throw ERangeError::column(col);
    checkRow(row);
}

void TSLRealMatrixBuffer::AssignFrom(ISLRealMatrix& source)
{
    SetSize(source.GetRows(), source.GetCols(), false);
    for (std::int32_t r = 0; r < Rows; ++r)
        SetRow(r, *source.GetRow(r));
}

SLRef<ISLRealBuffer> TSLRealMatrixBuffer::GetRow(std::int32_t row)
{
    checkRow(row);
    return TSLRealBuffer::CreateFromData(GetReadPointer() + std::size_t(row) * Cols, static_cast<std::uint32_t>(Cols));
}

void TSLRealMatrixBuffer::SetRow(std::int32_t row, ISLRealBuffer& source)
{
    checkRow(row);
    const double* from = source.GetReadPointer();
    const auto n = static_cast<int>(std::min<std::uint32_t>(source.GetCount(), static_cast<std::uint32_t>(Cols)));
    routines().ippsCopy_64f(from, GetModifyPointer() + std::size_t(row) * Cols, n);
}

double TSLRealMatrixBuffer::GetItem(std::int32_t row, std::int32_t col)
{
    checkItem(row, col);
    return GetReadPointer()[std::size_t(row) * Cols + col];
}

void TSLRealMatrixBuffer::SetItem(std::int32_t row, std::int32_t col, double value)
{
    double* data = GetModifyPointer();
    checkItem(row, col);
    data[std::size_t(row) * Cols + col] = value;
}

// ---------------------------------------------------------------------------
// Arithmetic

// Each of other's rows is taken as a copy, so other may be this matrix or share its block.
template <typename RowRoutine>
void TSLRealMatrixBuffer::eachRow(ISLRealMatrix& other, RowRoutine routine)
{
    const std::int32_t rows = std::min(Rows, other.GetRows());
    for (std::int32_t r = 0; r < rows; ++r) {
        const SLRef<ISLRealBuffer> row = other.GetRow(r);
        const auto n = static_cast<int>(std::min<std::uint32_t>(row->GetCount(), static_cast<std::uint32_t>(Cols)));
        routine(row->GetReadPointer(), GetModifyPointer() + std::size_t(r) * Cols, n);
    }
}

void TSLRealMatrixBuffer::Add(ISLRealMatrix& other)
{
    eachRow(other, routines().ippsAdd_64f_I);
}

void TSLRealMatrixBuffer::Subtract(ISLRealMatrix& other)
{
    eachRow(other, routines().ippsSub_64f_I);
}

void TSLRealMatrixBuffer::Multiply(ISLRealMatrix& other)
{
    eachRow(other, routines().ippsMul_64f_I);
}

void TSLRealMatrixBuffer::Divide(ISLRealMatrix& other)
{
    eachRow(other, divideWithZeroDivisorMarks);
}

// The operations on all elements are those of a real buffer on the same
// block. The view does not count as a writer, so on a block this matrix alone
// writes it writes in place; on a block shared with other writers it moves to
// a block of its own, which the matrix then takes over.
template <typename Operation>
void TSLRealMatrixBuffer::onElements(Operation operation)
{
    SLRef<TSLRealBuffer> view = TSLRealBuffer::CreateShared(*this);
    view->DropWriter();
    operation(*view);
    if (view->GetSmartBuffer() != SmartBuffer)
        TSLMemoryBuffer::AssignShared(*view);
}

void TSLRealMatrixBuffer::Fill(double value)
{
    onElements([value](TSLRealBuffer& elements) { elements.Fill(value); });
}

void TSLRealMatrixBuffer::AddConst(double value)
{
    onElements([value](TSLRealBuffer& elements) { elements.AddConst(value); });
}

void TSLRealMatrixBuffer::SubtractConst(double value)
{
    onElements([value](TSLRealBuffer& elements) { elements.SubtractConst(value); });
}

void TSLRealMatrixBuffer::MultiplyConst(double value)
{
    onElements([value](TSLRealBuffer& elements) { elements.MultiplyConst(value); });
}

void TSLRealMatrixBuffer::DivideConst(double value)
{
    onElements([value](TSLRealBuffer& elements) { elements.DivideConst(value); });
}

void TSLRealMatrixBuffer::Zero()
{
    onElements([](TSLRealBuffer& elements) { elements.Zero(); });
}

// ---------------------------------------------------------------------------

void TSLRealMatrixBuffer::SetSize(std::int32_t rows, std::int32_t cols, bool keepData)
{
    const std::uint32_t elements = checkedElementCount(rows, cols);
    if (elements == 0) {
        ByteSize = 0;
        Refresh();
    } else if (rows == Rows && cols == Cols) {
        return;
    } else {
        ResizeTo(elements, keepData);
    }
    // Stored last: a block that cannot be had leaves the old shape with the old block.
    Rows = rows;
    Cols = cols;
}
