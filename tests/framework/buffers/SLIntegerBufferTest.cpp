#include "framework/buffers/SLIntegerBuffer.h"

#include <gmock/gmock.h>

#include <limits>
#include <vector>

#include "framework/TypedBufferTestHelpers.h"


using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

constexpr std::int32_t intMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t intMax = std::numeric_limits<std::int32_t>::max();

} // namespace

struct SkipCase {
    const char* name;
    void (*operation)(ISLIntegerBuffer&);
    bool copies;
};

class IntegerConstants : public ::testing::TestWithParam<SkipCase> {};

TEST_P(IntegerConstants, SkippedValuesLeaveASharedBlockShared)
{
    SLRef<TSLIntegerBuffer> buffer = integers({12, -5, 7});
    SLRef<ISLData> clone = buffer->Clone();
    GetParam().operation(*buffer);
    EXPECT_EQ(buffer->GetReadPointer() != intfCast<ISLIntegerBuffer>(clone)->GetReadPointer(), GetParam().copies);
    EXPECT_THAT(values(*buffer), ElementsAre(12, -5, 7));
}

INSTANTIATE_TEST_SUITE_P(
    Integer, IntegerConstants,
    ::testing::Values(SkipCase{"DivideByZero", [](ISLIntegerBuffer& b) { b.DivideConst(0); }, false},
                      SkipCase{"DivideByOne", [](ISLIntegerBuffer& b) { b.DivideConst(1); }, false},
                      SkipCase{"AndAllBits", [](ISLIntegerBuffer& b) { b.AndConst(-1); }, false},
                      SkipCase{"AddZero", [](ISLIntegerBuffer& b) { b.AddConst(0); }, false},
                      SkipCase{"MultiplyByOne", [](ISLIntegerBuffer& b) { b.MultiplyConst(1); }, false},
                      SkipCase{"OrZero", [](ISLIntegerBuffer& b) { b.OrConst(0); }, false},
                      SkipCase{"ShiftRightByZero", [](ISLIntegerBuffer& b) { b.ShiftRightConst(0); }, false},
                      // Not skipped: the copy is made, the values stay.
                      SkipCase{"SubtractZero", [](ISLIntegerBuffer& b) { b.SubtractConst(0); }, true},
                      SkipCase{"NegativeShiftConst", [](ISLIntegerBuffer& b) { b.ShiftLeftConst(-1); }, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IntegerBuffer, ZeroClearsExactlyItsElements)
{
    SLRef<TSLIntegerBuffer> buffer = integers({7, 7, 7, 7, 7});
    buffer->SetCount(3, true);
    buffer->Zero();
    buffer->SetCount(5, true); // the unique block grows back in place
    EXPECT_THAT(values(*buffer), ElementsAre(0, 0, 0, 7, 7));
}

TEST(IntegerBuffer, ShiftsOfEachCount)
{
    // Element shifts take the low five bits of the count and are logical both
    // ways; constant shifts saturate the count and shift right arithmetically.
    const struct {
        std::int32_t count;
        std::int32_t left, right, leftConst, rightConst;
    } cases[] = {
        {0, 1, -8, 1, -8},
        {31, intMin, 1, intMin, -1},
        {32, 1, -8, 0, -1},
        {33, 2, 0x7FFFFFFC, 0, -1},
        {-1, intMin, 1, 1, -8}, // low five bits of -1 are 31; a negative constant is refused
        {-31, 2, 0x7FFFFFFC, 1, -8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        SLRef<TSLIntegerBuffer> by = integers({c.count});
        SLRef<TSLIntegerBuffer> one = integers({1}), minusEight = integers({-8});
        one->ShiftLeft(*by);
        minusEight->ShiftRight(*by);
        EXPECT_EQ(one->GetItem(0), c.left);
        EXPECT_EQ(minusEight->GetItem(0), c.right);
        one = integers({1}), minusEight = integers({-8});
        one->ShiftLeftConst(c.count);
        minusEight->ShiftRightConst(c.count);
        EXPECT_EQ(one->GetItem(0), c.leftConst);
        EXPECT_EQ(minusEight->GetItem(0), c.rightConst);
    }
}

TEST(IntegerBuffer, ModuloKeepsTheDividendsSign)
{
    SLRef<TSLIntegerBuffer> buffer = integers({7, -7, 7, -7, intMin, 5});
    buffer->Modulo(*integers({3, 3, -3, -3, -1}));
    EXPECT_THAT(values(*buffer), ElementsAre(1, -1, 1, -1, 0, 5));

    buffer = integers({7, -7, intMin});
    buffer->ModuloConst(-1);
    EXPECT_THAT(values(*buffer), ElementsAre(0, 0, 0));
    buffer = integers({7, -7});
    buffer->ModuloConst(-4);
    EXPECT_THAT(values(*buffer), ElementsAre(3, -3));
}

TEST(IntegerBuffer, ZeroDivisorRaisesAtItsElementAfterChangingTheEarlierOnes)
{
    SLRef<TSLIntegerBuffer> buffer = integers({10, 11, 12});
    SLRef<ISLData> clone = buffer->Clone();
    EXPECT_THROW(buffer->Modulo(*integers({3, 0, 5})), EDivByZero);
    EXPECT_THAT(values(*buffer), ElementsAre(1, 11, 12));
    EXPECT_THAT(values(*intfCast<ISLIntegerBuffer>(clone)), ElementsAre(10, 11, 12));

    EXPECT_THROW(buffer->ModuloConst(0), EDivByZero);
    SLRef<TSLIntegerBuffer> empty = TSLIntegerBuffer::Create();
    EXPECT_NO_THROW(empty->ModuloConst(0));
}

TEST(IntegerBuffer, DivisionsOfTheMinimumByMinusOneSaturate)
{
    SLRef<TSLIntegerBuffer> buffer = integers({intMin, intMin, 9, 0});
    buffer->Divide(*integers({-1, 0, 0, 0}));
    EXPECT_THAT(values(*buffer), ElementsAre(intMax, intMin, intMax, 0));

    buffer = integers({intMin, -9});
    buffer->DivideConst(-1);
    EXPECT_THAT(values(*buffer), ElementsAre(intMax, 9));
}

TEST(IntegerBuffer, DotProductSaturates)
{
    EXPECT_EQ(integers({intMax, intMax})->DotProduct(*integers({intMax, intMax})), intMax);
    EXPECT_EQ(integers({intMin, 5})->DotProduct(*integers({2})), intMin);
    EXPECT_EQ(integers({2, 3, 100})->DotProduct(*integers({4, 5})), 23);
}

TEST(IntegerBuffer, CopiesCountElementsOnlyBetweenIntegerBuffers)
{
    SLRef<TSLIntegerBuffer> buffer = integers({1, 2, 3, 4});
    SLRef<TSLIntegerBuffer> dest = integers({0, 0, 0, 0});
    buffer->CopyTo(1, *dest, 2, 2);
    EXPECT_THAT(values(*dest), ElementsAre(0, 0, 2, 3));

    SLRef<TSLBlockBuffer> bytes = TSLBlockBuffer::CreateSized(4);
    bytes->Zero();
    buffer->CopyTo(0, *bytes, 1, 2); // two bytes, not two integers
    EXPECT_THAT(std::vector<std::uint8_t>(bytes->GetReadPointer(), bytes->GetReadPointer() + 4),
                ElementsAre(0, 1, 0, 0));
    EXPECT_FALSE(buffer->Equals(*TSLBlockBuffer::CreateShared(*buffer)));
}
