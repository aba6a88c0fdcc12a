#include "framework/buffers/SLRealMatrixBuffer.h"

#include <gmock/gmock.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/TypedBufferTestHelpers.h"


using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

SLRef<TSLRealMatrixBuffer> matrix(std::int32_t rows, std::int32_t cols, const std::vector<double>& values)
{
    SLRef<TSLRealMatrixBuffer> m = TSLRealMatrixBuffer::CreateSized(rows, cols);
    std::copy(values.begin(), values.end(), m->GetWritePointer());
    return m;
}

std::vector<double> cells(ISLRealMatrixBuffer& m)
{
    return {m.GetReadPointer(), m.GetReadPointer() + std::size_t(m.GetRows()) * m.GetCols()};
}

std::string messageOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const ERangeError& error) {
        return error.what();
    }
    return "no error";
}

// A matrix known only by its interface, with rows of uneven length.
class RaggedMatrix : public ISLRealMatrix {
public:
    explicit RaggedMatrix(std::vector<std::vector<double>> rows) : rows(std::move(rows)) {}

    std::int32_t GetRows() override { return static_cast<std::int32_t>(rows.size()); }
    std::int32_t GetCols() override { return 3; }
    SLRef<ISLRealBuffer> GetRow(std::int32_t row) override { return reals(rows.at(std::size_t(row))); }

    void AddRef() noexcept override {}
    void Release() noexcept override {}
    TSLBasicBuffer* GetInstance() noexcept override { return nullptr; }
    SLRef<ISLData> Clone() override { return nullptr; }
    void AssignFrom(ISLRealMatrix&) override {}
    std::int32_t GetRowLength() override { return 3; }
    void SetRow(std::int32_t, ISLRealBuffer&) override {}
    double GetItem(std::int32_t, std::int32_t) override { return 0; }
    void SetItem(std::int32_t, std::int32_t, double) override {}
    void Add(ISLRealMatrix&) override {}
    void Subtract(ISLRealMatrix&) override {}
    void Multiply(ISLRealMatrix&) override {}
    void Divide(ISLRealMatrix&) override {}
    void Fill(double) override {}
    void AddConst(double) override {}
    void SubtractConst(double) override {}
    void MultiplyConst(double) override {}
    void DivideConst(double) override {}
    void Zero() override {}
    void SetSize(std::int32_t, std::int32_t, bool) override {}

private:
    std::vector<std::vector<double>> rows;
};

} // namespace

TEST(RealMatrix, IndexMessagesNameTheColumnFirst)
{
    SLRef<TSLRealMatrixBuffer> m = matrix(2, 3, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(m->GetItem(1, 2), 6);
    const struct {
        std::function<void()> call;
        const char* message;
    } cases[] = {
        {[&] { m->GetItem(2, 0); }, "Row out of range = 2"},
        {[&] { m->GetItem(0, 3); }, "Column out of range = 3"},
        {[&] { m->GetItem(5, 5); }, "Column out of range = 5"},
        {[&] { m->GetItem(-1, 0); }, "Row out of range = 4294967295"},
        {[&] { m->SetItem(2, -1, 0.0); }, "Column out of range = 4294967295"},
        {[&] { m->GetRow(2); }, "Row out of range = 2"},
        {[&] { m->SetRow(2, *reals({9, 9, 9})); }, "Row out of range = 2"},
        {[&] { m->SetRow(-1, *reals({9})); }, "Row out of range = 4294967295"},
        {[&] { m->SetSize(-2, 3, true); }, "Row out of range = 4294967294"},
        {[&] { m->SetSize(2, -3, true); }, "Column out of range = 4294967293"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(messageOf(c.call), c.message);
    EXPECT_THAT(cells(*m), ElementsAre(1, 2, 3, 4, 5, 6));
    EXPECT_EQ(m->GetRows(), 2);
}

TEST(RealMatrix, SetSizeKeepsTheFlatOrderAndRefusesHugeSizes)
{
    SLRef<TSLRealMatrixBuffer> m = matrix(2, 3, {1, 2, 3, 4, 5, 6});
    const double* before = m->GetReadPointer();
    m->SetSize(3, 2, true);
    EXPECT_EQ(m->GetReadPointer(), before);
    EXPECT_EQ(m->GetItem(2, 1), 6);
    EXPECT_EQ(m->GetItem(1, 0), 3);
    const SLRef<ISLRealBuffer> second = m->GetRow(1);
    EXPECT_THAT(values(*second), ElementsAre(3, 4));

    EXPECT_THROW(m->SetSize(65536, 65536, false), EOutOfMemory);
    EXPECT_EQ(m->GetRows(), 3);
    EXPECT_EQ(m->GetCount(), 6u);

    m->SetSize(0, 4, true);
    EXPECT_EQ(m->GetCount(), 0u);
    m->SetSize(2, 2, true); // the unique block still holds the values
    EXPECT_THAT(cells(*m), ElementsAre(1, 2, 3, 4));
}

TEST(RealMatrix, CreateFromSharesBuffersAndCopiesOtherMatrices)
{
    SLRef<TSLRealBuffer> vector = reals({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    SLRef<TSLRealMatrixBuffer> row = TSLRealMatrixBuffer::CreateFrom(*vector);
    EXPECT_EQ(row->GetRows(), 1);
    EXPECT_EQ(row->GetCols(), 10);
    EXPECT_EQ(row->GetReadPointer(), vector->GetReadPointer());

    SLRef<TSLRealMatrixBuffer> m = matrix(2, 3, {1, 2, 3, 4, 5, 6});
    SLRef<TSLRealMatrixBuffer> shared = TSLRealMatrixBuffer::CreateFrom(*m);
    EXPECT_EQ(shared->GetRows(), 2);
    EXPECT_EQ(shared->GetCols(), 3);
    EXPECT_EQ(shared->GetReadPointer(), m->GetReadPointer());

    RaggedMatrix ragged({{1, 2, 3, 4}, {5}});
    SLRef<TSLRealMatrixBuffer> copy = TSLRealMatrixBuffer::CreateFrom(ragged);
    EXPECT_THAT(cells(*copy), ElementsAre(1, 2, 3, 5, 0, 0));

    SLRef<TSLIntegerBuffer> odd = TSLIntegerBuffer::CreateSized(3); // 12 bytes: one whole double
    EXPECT_EQ(TSLRealMatrixBuffer::CreateFrom(*odd)->GetCount(), 1u);
}

TEST(RealMatrix, AssignSharedTakesTheShapeWithTheBlock)
{
    SLRef<TSLRealMatrixBuffer> m = matrix(3, 4, std::vector<double>(12, 1.0));
    m->AssignShared(*reals({7, 8}));
    EXPECT_EQ(m->GetRows(), 1);
    EXPECT_EQ(m->GetCols(), 2);
    EXPECT_EQ(m->GetItem(0, 1), 8);
    EXPECT_THROW(m->GetItem(2, 0), ERangeError);

    m->AssignShared(*matrix(2, 1, {5, 6}));
    EXPECT_EQ(m->GetRows(), 2);
    EXPECT_EQ(m->GetItem(1, 0), 6);
}

TEST(RealMatrix, RowOperationsCoverTheRowsAndColumnsBothHave)
{
    SLRef<TSLRealMatrixBuffer> m = matrix(3, 2, {1, 2, 3, 4, 5, 6});
    m->Add(*matrix(2, 3, {10, 20, 30, 40, 50, 60}));
    EXPECT_THAT(cells(*m), ElementsAre(11, 22, 43, 54, 5, 6));
    m->Subtract(*matrix(1, 1, {1}));
    EXPECT_THAT(cells(*m), ElementsAre(10, 22, 43, 54, 5, 6));
    m->Multiply(*m);
    EXPECT_THAT(cells(*m), ElementsAre(100, 484, 1849, 2916, 25, 36));
}

TEST(RealMatrix, DivideMarksZeroDivisorsInEveryRow)
{
    SLRef<TSLRealMatrixBuffer> m = matrix(3, 2, {4, -4, 0, 1, 9, 8});
    m->Divide(*matrix(2, 2, {0, 0, 0, 2}));
    EXPECT_THAT(cells(*m), ElementsAre(1.0e15, -1.0e14, 0.0, 0.5, 9, 8));
}

TEST(RealMatrix, WholeMatrixOperationsFollowCopyOnWrite)
{
    SLRef<TSLRealMatrixBuffer> m = matrix(2, 2, {1, 2, 3, 4});
    SLRef<TSLRealMatrixBuffer> clone = TSLRealMatrixBuffer::CreateShared(*m);
    m->MultiplyConst(1.0);
    EXPECT_EQ(m->GetReadPointer(), clone->GetReadPointer());
    m->AddConst(1.0);
    EXPECT_THAT(cells(*m), ElementsAre(2, 3, 4, 5));
    EXPECT_THAT(cells(*clone), ElementsAre(1, 2, 3, 4));
    const double* own = m->GetReadPointer();
    m->DivideConst(2.0); // unique now: in place
    EXPECT_EQ(m->GetReadPointer(), own);
    EXPECT_THAT(cells(*m), ElementsAre(1, 1.5, 2, 2.5));

    clone->AssignFrom(*matrix(1, 3, {7, 8, 9}));
    EXPECT_EQ(clone->GetRows(), 1);
    EXPECT_THAT(cells(*clone), ElementsAre(7, 8, 9));
}
