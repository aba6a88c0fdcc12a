#pragma once
// Copy-on-write matrix of doubles, stored row after row: element (row, col)
// is at position row x cols + col of the block.
#include <cstdint>

#include "framework/buffers/SLRealBuffer.h"

class ISLRealMatrix : public virtual ISLData {
public:
    static constexpr std::string_view Guid = "{7917F92D-A6A1-4209-9491-F36F589B1006}";

    // Takes source's size and copies its rows.
    virtual void AssignFrom(ISLRealMatrix& source) = 0;
    virtual std::int32_t GetCols() = 0;
    virtual std::int32_t GetRows() = 0;
    virtual std::int32_t GetRowLength() = 0;
    // A new real buffer holding a copy of the row. Rows outside the matrix
    // raise ERangeError "Row out of range = %u".
    virtual SLRef<ISLRealBuffer> GetRow(std::int32_t row) = 0;
    // Copies as many of source's values as the row holds.
    virtual void SetRow(std::int32_t row, ISLRealBuffer& source) = 0;
    // The column is checked first ("Column out of range = %u"), then the row.
    virtual double GetItem(std::int32_t row, std::int32_t col) = 0;
    virtual void SetItem(std::int32_t row, std::int32_t col, double value) = 0;
    // Row by row over the rows both have, each over the columns both have.
    virtual void Add(ISLRealMatrix& other) = 0;
    virtual void Subtract(ISLRealMatrix& other) = 0;
    virtual void Multiply(ISLRealMatrix& other) = 0;
    // Zero divisors give the real buffer's finite marks.
    virtual void Divide(ISLRealMatrix& other) = 0;
    virtual void Fill(double value) = 0;
    virtual void AddConst(double value) = 0;
    virtual void SubtractConst(double value) = 0;
    virtual void MultiplyConst(double value) = 0;
    virtual void DivideConst(double value) = 0;
    virtual void Zero() = 0;
    // The values keep their flat order when the data is kept, so a new column
    // count re-cuts them into rows of the new width. Negative sizes raise
    // ERangeError, sizes beyond the largest block EOutOfMemory; either way the
    // matrix is unchanged.
    virtual void SetSize(std::int32_t rows, std::int32_t cols, bool keepData) = 0;
};

class ISLRealMatrixBuffer : public virtual ISLRealMatrix {
public:
    static constexpr std::string_view Guid = "{F3CA41F1-2B7E-49F4-8E08-7B78E6031B57}";

    virtual const double* GetReadPointer() = 0;
    virtual double* GetWritePointer() = 0;
    virtual double* GetModifyPointer() = 0;
};

class TSLRealMatrixBuffer : public TSLMemoryBuffer, public virtual ISLRealMatrixBuffer {
public:
    // Contents not cleared; sizes checked as by SetSize.
    static SLRef<TSLRealMatrixBuffer> CreateSized(std::int32_t rows, std::int32_t cols);
    // Shares the block of another buffer: a matrix keeps its shape, any other
    // buffer becomes one row of as many doubles as it holds.
    static SLRef<TSLRealMatrixBuffer> CreateShared(ISLData& source);
    // Shares the block of a matrix buffer or any other buffer (as CreateShared);
    // copies a matrix known only by its interface, clearing what its rows lack.
    static SLRef<TSLRealMatrixBuffer> CreateFrom(ISLData& source);

    SLRef<ISLData> Clone() override;
    // Takes the source's shape with its block, so the size always matches the block.
    void AssignShared(ISLData& source) override;
    bool Equals(ISLDataBuffer& other) override;
    std::uint32_t GetCount() override { return ByteSize >> 3; }
    std::uint32_t GetElementSize() override { return sizeof(double); }

    const double* GetReadPointer() override { return static_cast<const double*>(GetRawReadPointer()); }
    double* GetWritePointer() override { return static_cast<double*>(GetRawWritePointer()); }
    double* GetModifyPointer() override { return static_cast<double*>(GetRawModifyPointer()); }

    void AssignFrom(ISLRealMatrix& source) override;
    std::int32_t GetCols() override { return Cols; }
    std::int32_t GetRows() override { return Rows; }
    std::int32_t GetRowLength() override { return Cols; }
    SLRef<ISLRealBuffer> GetRow(std::int32_t row) override;
    void SetRow(std::int32_t row, ISLRealBuffer& source) override;
    double GetItem(std::int32_t row, std::int32_t col) override;
    void SetItem(std::int32_t row, std::int32_t col, double value) override;
    void Add(ISLRealMatrix& other) override;
    void Subtract(ISLRealMatrix& other) override;
    void Multiply(ISLRealMatrix& other) override;
    void Divide(ISLRealMatrix& other) override;
    void Fill(double value) override;
    void AddConst(double value) override;
    void SubtractConst(double value) override;
    void MultiplyConst(double value) override;
    void DivideConst(double value) override;
    void Zero() override;
    void SetSize(std::int32_t rows, std::int32_t cols, bool keepData) override;

protected:
    using TSLMemoryBuffer::TSLMemoryBuffer;

private:
    void takeShapeOf(TSLGenericBuffer& source);
    void checkRow(std::int32_t row) const;
    void checkItem(std::int32_t row, std::int32_t col) const;
    template <typename RowRoutine>
    void eachRow(ISLRealMatrix& other, RowRoutine routine);
    template <typename Operation>
    void onElements(Operation operation);

    std::int32_t Cols = 0;
    std::int32_t Rows = 0;
};
