#include "framework/buffers/SLRealBuffer.h"

#include <gmock/gmock.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#include "framework/buffers/SLBufferErrors.h"

#include "framework/TypedBufferTestHelpers.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Writing through a read pointer must not compile.
static_assert(std::is_const_v<std::remove_pointer_t<decltype(std::declval<ISLRealBuffer&>().GetReadPointer())>>);
static_assert(std::is_const_v<std::remove_pointer_t<decltype(std::declval<ISLDataBuffer&>().GetRawReadPointer())>>);

// ---------------------------------------------------------------------------
// Construction and the base operations

TEST(RealBuffer, ConstructorsSizeCopyOrShare)
{
    EXPECT_EQ(TSLRealBuffer::Create()->GetCount(), 0u);
    EXPECT_EQ(TSLRealBuffer::CreateSized(5)->GetByteSize(), 40u);

    std::vector<double> data{1.5, -2, 3};
    SLRef<TSLRealBuffer> copy = reals(data);
    data[0] = 0;
    EXPECT_THAT(values(*copy), ElementsAre(1.5, -2, 3));
    EXPECT_EQ(TSLRealBuffer::CreateFromData(nullptr, 4)->GetCount(), 4u);

    SLRef<TSLRealBuffer> shared = TSLRealBuffer::CreateShared(*copy);
    EXPECT_TRUE(shareABlock(*shared, *copy));
    EXPECT_EQ(copy->GetSmartBuffer()->GetWriterCount(), 2);

    const std::int32_t ints[] = {-7, 2147483647};
    EXPECT_THAT(values(*TSLRealBuffer::CreateFromIntegers(ints, 2)), ElementsAre(-7, 2147483647));

    // Equal bytes are not enough: the other buffer must hold doubles too.
    SLRef<TSLMemoryBuffer> bytes = TSLMemoryBuffer::CreateSized(24);
    std::memcpy(bytes->GetRawWritePointer(), copy->GetReadPointer(), 24);
    EXPECT_TRUE(copy->Equals(*shared));
    EXPECT_FALSE(copy->Equals(*bytes));

    EXPECT_THROW(TSLRealBuffer::CreateSized(0x08000001u), EOutOfMemory);
    EXPECT_THROW(TSLRealBuffer::CreateSized(0xFFFFFFFFu), EOutOfMemory);
}

TEST(RealBuffer, CopyToCountsElementsForRealDestinationsAndBytesOtherwise)
{
    SLRef<TSLRealBuffer> source = reals({1, 2, 3, 4});
    SLRef<TSLRealBuffer> dest = reals({0, 0, 0, 0, 0});
    SLRef<TSLRealBuffer> destPartner = cloneOf(*dest);
    source->CopyTo(1, *dest, 2, 3);
    EXPECT_THAT(values(*dest), ElementsAre(0, 0, 2, 3, 4));
    EXPECT_THAT(values(*destPartner), ElementsAre(0, 0, 0, 0, 0));

    SLRef<TSLMemoryBuffer> bytes = TSLMemoryBuffer::CreateSized(8);
    source->CopyTo(8, *bytes, 0, 8);
    EXPECT_EQ(std::memcmp(bytes->GetRawReadPointer(), source->GetReadPointer() + 1, 8), 0);
}

// ---------------------------------------------------------------------------
// Items

TEST(RealBufferItems, IndexOutsideTheBufferRaisesWithTheUnsignedIndex)
{
    SLRef<TSLRealBuffer> buffer = reals({1, 2, 3});
    EXPECT_EQ(buffer->GetItem(2), 3);
    const struct {
        std::int32_t index;
        const char* message;
    } cases[] = {{3, "Index out of range = 3"},
                 {-1, "Index out of range = 4294967295"},
                 {std::numeric_limits<std::int32_t>::min(), "Index out of range = 2147483648"}};
    for (const auto& c : cases) {
        for (bool set : {false, true}) {
            try {
                set ? buffer->SetItem(c.index, 0) : (void)buffer->GetItem(c.index);
                ADD_FAILURE() << "no error for " << c.index;
            } catch (const ERangeError& error) {
                EXPECT_STREQ(error.what(), c.message);
            }
        }
    }
    EXPECT_THAT(values(*buffer), ElementsAre(1, 2, 3));
}

TEST(RealBufferItems, SetItemUnsharesEvenWhenTheIndexProvesBad)
{
    SLRef<TSLRealBuffer> buffer = reals({1, 2, 3});
    SLRef<TSLRealBuffer> clone = cloneOf(*buffer);
    buffer->SetItem(0, 9);
    EXPECT_THAT(values(*buffer), ElementsAre(9, 2, 3));
    EXPECT_THAT(values(*clone), ElementsAre(1, 2, 3));

    SLRef<TSLRealBuffer> again = cloneOf(*buffer);
    EXPECT_THROW(again->SetItem(3, 0), ERangeError);
    EXPECT_FALSE(shareABlock(*again, *buffer));
    EXPECT_THAT(values(*again), ElementsAre(9, 2, 3));
}

// ---------------------------------------------------------------------------
// Operations that must leave a shared block alone

struct NoCopyCase {
    const char* name;
    void (*operation)(ISLRealBuffer&);
};

class OperationsThatDoNothing : public ::testing::TestWithParam<NoCopyCase> {};

TEST_P(OperationsThatDoNothing, KeepTheBlockSharedAndTheValues)
{
    for (const bool shared : {false, true}) {
        SLRef<TSLRealBuffer> buffer = reals({4, -1, 2.5});
        SLRef<TSLRealBuffer> clone = shared ? cloneOf(*buffer) : nullptr;
        GetParam().operation(*buffer);
        if (clone) {
            EXPECT_TRUE(shareABlock(*buffer, *clone));
        }
        EXPECT_THAT(values(*buffer), ElementsAre(4, -1, 2.5)) << "shared " << shared;
    }
}

INSTANTIATE_TEST_SUITE_P(
    SkippedValuesAndRefusedArguments, OperationsThatDoNothing,
    ::testing::Values(NoCopyCase{"MultiplyByOne", [](ISLRealBuffer& b) { b.MultiplyConst(1.0); }},
                      NoCopyCase{"AddZero", [](ISLRealBuffer& b) { b.AddConst(0.0); }},
                      NoCopyCase{"SubtractZero", [](ISLRealBuffer& b) { b.SubtractConst(0.0); }},
                      NoCopyCase{"DivideByZero", [](ISLRealBuffer& b) { b.DivideConst(0.0); }},
                      NoCopyCase{"DivideByOne", [](ISLRealBuffer& b) { b.DivideConst(1.0); }},
                      NoCopyCase{"NormalizeByZero", [](ISLRealBuffer& b) { b.Normalize(1.0, 0.0); }},
                      NoCopyCase{"NormalizeBySubnormal", [](ISLRealBuffer& b) { b.Normalize(0.0, 1e-310); }},
                      NoCopyCase{"NormalizeByNegativeSubnormal", [](ISLRealBuffer& b) { b.Normalize(0.0, -2e-308); }},
                      NoCopyCase{"NegativeJaehne", [](ISLRealBuffer& b) { b.Jaehne(-1.0); }},
                      NoCopyCase{"NegativeFractionJaehne", [](ISLRealBuffer& b) { b.Jaehne(-0.5); }},
                      NoCopyCase{"SquareOfNothing", [](ISLRealBuffer& b) { b.SquareFrom(*TSLRealBuffer::Create()); }},
                      NoCopyCase{"ThresholdOfNothing",
                                 [](ISLRealBuffer& b) { b.ThresholdFrom(*TSLRealBuffer::Create(), true, 0.0); }},
                      NoCopyCase{"NormalizeNothing",
                                 [](ISLRealBuffer& b) { b.NormalizeFrom(*TSLRealBuffer::Create(), 0.0, 1.0); }},
                      NoCopyCase{"NormalizeFromByZero",
                                 [](ISLRealBuffer& b) { b.NormalizeFrom(*reals({7, 7, 7}), 0.0, 0.0); }},
                      NoCopyCase{"ConvolveIntoATooShortBuffer", // needs 4
                                 [](ISLRealBuffer& b) { b.Convolve(*reals({1, 2}), *reals({1, 1, 1})); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RealBufferRefusals, NormDiffOfAnUnknownKindIsZero)
{
    SLRef<TSLRealBuffer> a = reals({1, 2});
    SLRef<TSLRealBuffer> b = reals({3, 5});
    for (std::uint8_t kind : {3, 7, 255})
        EXPECT_EQ(a->NormDiff(*b, kind), 0.0) << int(kind);
}

// ---------------------------------------------------------------------------
// Arithmetic

TEST(RealBufferArithmetic, OperationsWithAShorterBufferTouchOnlyItsLength)
{
    SLRef<TSLRealBuffer> buffer = reals({1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    buffer->Add(*reals({1, 2, 3, 4}));
    EXPECT_THAT(values(*buffer), ElementsAre(2, 3, 4, 5, 1, 1, 1, 1, 1, 1));
}

TEST(RealBufferArithmetic, DivisionByZeroGivesFiniteMarks)
{
    SLRef<TSLRealBuffer> buffer = reals({4, -4, 0, 1, 6, notANumber, 3, 5});
    SLRef<TSLRealBuffer> clone = cloneOf(*buffer);
    buffer->Divide(*reals({0, 0, 0, 2, notANumber, 0, -0.0, infinity}));
    EXPECT_THAT(values(*buffer), ElementsAre(1.0e15, -1.0e14, 0.0, 0.5, 0.0, 0.0, 1.0e15, 0.0));
    EXPECT_EQ(clone->GetItem(0), 4);

    // Without a zero divisor the routine's NaN stands.
    buffer->Divide(*reals({notANumber}));
    EXPECT_TRUE(std::isnan(buffer->GetItem(0)));
}

TEST(RealBufferArithmetic, SquareFromItselfOnASharedBlock)
{
    SLRef<TSLRealBuffer> buffer = reals({1, -2, 3});
    SLRef<TSLRealBuffer> clone = cloneOf(*buffer);
    buffer->SquareFrom(*buffer);
    EXPECT_THAT(values(*buffer), ElementsAre(1, 4, 9));
    EXPECT_THAT(values(*clone), ElementsAre(1, -2, 3));
}

TEST(RealBufferArithmetic, CorrelationsOfThemselvesReadTheOldValues)
{
    SLRef<TSLRealBuffer> buffer = reals({1, 2, 3});
    buffer->AutoCorrelation(*buffer, 0);
    EXPECT_THAT(values(*buffer), ElementsAre(14, 8, 3));

    SLRef<TSLRealBuffer> lags = reals({1, 2, 3, 0});
    SLRef<TSLRealBuffer> kernel = reals({1, 1});
    lags->CrossCorrelation(*kernel, *lags, -1);
    EXPECT_THAT(values(*lags), ElementsAre(1, 3, 5, 3));
}

TEST(RealBufferArithmetic, NormalizeInPlaceChangesOnlyThisBuffer)
{
    for (bool shared : {false, true}) {
        SLRef<TSLRealBuffer> buffer = reals({3, 5, -1});
        SLRef<TSLRealBuffer> clone = shared ? cloneOf(*buffer) : nullptr;
        buffer->Normalize(1.0, 2.0);
        EXPECT_THAT(values(*buffer), ElementsAre(1, 2, -1));
        if (clone) {
            EXPECT_THAT(values(*clone), ElementsAre(3, 5, -1));
        }
    }
}

// ---------------------------------------------------------------------------
// Extrema

struct RangeCase {
    std::int32_t from, to;
    double min, max;
};

class RangeExtrema : public ::testing::TestWithParam<RangeCase> {};

TEST_P(RangeExtrema, ClampTheRangeToTheBuffer)
{
    const RangeCase c = GetParam();
    SLRef<TSLRealBuffer> buffer = reals({5, 3, 8, -2, 7, 0, 1, 9, 4, 6});
    EXPECT_EQ(buffer->MinRange(c.from, c.to), c.min);
    EXPECT_EQ(buffer->MaxRange(c.from, c.to), c.max);
}

INSTANTIATE_TEST_SUITE_P(Ranges, RangeExtrema,
                         ::testing::Values(RangeCase{2, 2, 0, 0}, RangeCase{-5, 100, -2, 9},
                                           RangeCase{0, 3, 3, 8}, RangeCase{9, 10, 6, 6},
                                           RangeCase{20, 30, 6, 6},   // from clamps to the last element
                                           RangeCase{5, 3, 0, 0}, RangeCase{-3, -1, 0, 0}));

TEST(RealBufferExtrema, AnEmptyBufferGivesZeroWithoutAskingARoutine)
{
    SLRef<TSLRealBuffer> empty = TSLRealBuffer::Create();
    std::int32_t index = 7;
    EXPECT_EQ(empty->Min(), 0.0);
    EXPECT_EQ(empty->Max(), 0.0);
    EXPECT_EQ(empty->MinIndex(index), 0.0);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(empty->MaxRange(-5, 100), 0.0);
    EXPECT_EQ(empty->MinValid(0, 10), 0.0);
    EXPECT_EQ(empty->MaxValid(0, 10), 0.0);
}

struct ValidCase {
    std::vector<double> values;
    std::int32_t from, to;
    double min, max;
};

class ValidExtrema : public ::testing::TestWithParam<ValidCase> {};

TEST_P(ValidExtrema, SkipTheNoValueMarks)
{
    const ValidCase& c = GetParam();
    SLRef<TSLRealBuffer> buffer = reals(c.values);
    EXPECT_EQ(buffer->MinValid(c.from, c.to), c.min);
    EXPECT_EQ(buffer->MaxValid(c.from, c.to), c.max);
}

constexpr double hi = ISLRealBuffer::NoValueHigh;
constexpr double lo = ISLRealBuffer::NoValueLow;

INSTANTIATE_TEST_SUITE_P(
    Marks, ValidExtrema,
    ::testing::Values(ValidCase{{hi, 3, hi, 5}, 0, 4, 0, 5},
                      ValidCase{{hi, 3, 5}, 0, 3, 0, 5},          // the start value 0.0 is below 3
                      ValidCase{{4, lo, 2, hi, 9}, 0, 5, 2, 9},
                      ValidCase{{lo, -3, -1}, 0, 3, -3, 0},       // a mark as start value counts as 0.0
                      ValidCase{{-std::numeric_limits<double>::max(), 2}, 0, 2, 0, 2},       // below the low mark: no start value
                      ValidCase{{6, 1, 8}, 2, 0, 8, 8},           // to below from: the start value only
                      ValidCase{{6, 1, 8}, 1, 1, 0, 0},
                      ValidCase{{6, 1, 8}, -4, 99, 1, 8}));

// ---------------------------------------------------------------------------
// Conversions

TEST(RealBufferConversions, SmallIntegersKeepTheLowSixteenBits)
{
    const struct {
        double value;
        bool round;
        std::int16_t expected;
    } cases[] = {
        {32768.0, false, -32768}, {2.5, true, 2},       {3.5, true, 4},         {-2.5, true, -2},
        {2.7, false, 2},          {-1.7, false, -1},    {65537.0, true, 1},     {70000.9, false, 4464},
        {-32769.0, false, 32767}, {notANumber, true, 0},       {infinity, false, 0},        {-infinity, true, 0},
        {1e19, true, 0},          {-1e19, false, 0},    {9223372036854775807.0, false, 0},
        {-9223372036854775808.0, true, 0},              {4503599627370497.0, false, 1},
    };
    std::vector<double> inputs;
    for (const auto& c : cases)
        inputs.push_back(c.value);
    SLRef<TSLRealBuffer> buffer = reals(inputs);
    for (bool round : {false, true}) {
        std::vector<std::int16_t> out(inputs.size(), 123);
        buffer->ToSmallIntegers(out.data(), round);
        for (std::size_t i = 0; i < std::size(cases); ++i)
            if (cases[i].round == round) {
                EXPECT_EQ(out[i], cases[i].expected) << cases[i].value << " round " << round;
            }
    }
}
