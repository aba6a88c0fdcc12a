#include "dsp/FftVectorRoutines.h"
#include "dsp/IntegerRoutines.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace dsp::native;
using Wide = __int128;

constexpr Ipp32s kMin = std::numeric_limits<Ipp32s>::min();
constexpr Ipp32s kMax = std::numeric_limits<Ipp32s>::max();

// Reference: the exact value v x 2^-s, rounded half to even by truncating
// division and a comparison of twice the remainder, then saturated.
std::int64_t exactScaled(Wide v, int s, std::int64_t low, std::int64_t high)
{
    Wide result = 0;
    if (s <= 0) {
        Wide scaled = v;
        for (int i = 0; i < -s && scaled != 0; ++i) {
            scaled *= 2;
            if (scaled > Wide{1} << 70 || scaled < -(Wide{1} << 70))
                break; // far outside any destination range already
        }
        result = scaled;
    } else if (s >= 120) {
        result = 0;
    } else {
        const Wide divisor = Wide{1} << s;
        Wide quotient = v / divisor; // truncated toward zero
        const Wide remainder = v % divisor;
        const Wide twice = 2 * (remainder < 0 ? -remainder : remainder);
        if (twice > divisor || (twice == divisor && quotient % 2 != 0))
            quotient += v < 0 ? -1 : 1;
        result = quotient;
    }
    if (result > high)
        return high;
    if (result < low)
        return low;
    return static_cast<std::int64_t>(result);
}

Ipp32s reference32(Wide v, int s)
{
    return static_cast<Ipp32s>(exactScaled(v, s, kMin, kMax));
}

std::vector<Ipp32s> interestingValues()
{
    std::vector<Ipp32s> values{kMin, kMin + 1, -65537, -65536, -7, -5, -3, -2, -1, 0, 1, 2, 3, 5, 7,
                               -46341, 46341, 65535, 65536, kMax - 1, kMax};
    std::mt19937 generator(7);
    for (int i = 0; i < 40; ++i)
        values.push_back(static_cast<Ipp32s>(generator()));
    return values;
}

// Every routine over whole vectors: the length is odd, so both the vector body
// and the tail run, and every value meets every constant at every scale factor.
struct VectorCase {
    std::string name;
    // Runs the routine over the whole of a with the constant (or element) b.
    std::function<IppStatus(const std::vector<Ipp32s>& a, Ipp32s b, std::vector<Ipp32s>& out, int s)> routine;
    std::function<Wide(Wide a, Wide b)> exact;
};

class ScaledInteger : public ::testing::TestWithParam<VectorCase> {};

TEST_P(ScaledInteger, EqualsExactValueRoundedHalfToEvenAndSaturated)
{
    const auto a = interestingValues();
    std::vector<Ipp32s> out(a.size());
    for (int s = -70; s <= 70; ++s) {
        for (Ipp32s b : a) {
            ASSERT_EQ(GetParam().routine(a, b, out, s), ippStsNoErr);
            for (std::size_t i = 0; i < a.size(); ++i)
                ASSERT_EQ(out[i], reference32(GetParam().exact(a[i], b), s))
                    << GetParam().name << " a=" << a[i] << " b=" << b << " s=" << s << " at " << i;
        }
    }
}

#define WHOLE_IN_PLACE(routine)                                                                   \
    [](const std::vector<Ipp32s>& a, Ipp32s b, std::vector<Ipp32s>& out, int s) {                \
        const std::vector<Ipp32s> src(a.size(), b);                                               \
        out = a;                                                                                  \
        return routine(src.data(), out.data(), static_cast<int>(a.size()), s);                     \
    }
#define WHOLE_CONSTANT(call)                                                                      \
    [](const std::vector<Ipp32s>& a, Ipp32s b, std::vector<Ipp32s>& out, int s) {                \
        const int len = static_cast<int>(a.size());                                               \
        call;                                                                                     \
    }

INSTANTIATE_TEST_SUITE_P(
    Routines, ScaledInteger,
    ::testing::Values(
        VectorCase{"Add", WHOLE_IN_PLACE(ippsAdd_32s_ISfs), [](Wide a, Wide b) { return a + b; }},
        VectorCase{"Sub", WHOLE_IN_PLACE(ippsSub_32s_ISfs), [](Wide a, Wide b) { return a - b; }},
        VectorCase{"Mul", WHOLE_IN_PLACE(ippsMul_32s_ISfs), [](Wide a, Wide b) { return a * b; }},
        VectorCase{"AddC", WHOLE_CONSTANT(return ippsAddC_32s_Sfs(a.data(), b, out.data(), len, s)),
                   [](Wide a, Wide b) { return a + b; }},
        VectorCase{"AddC_I", WHOLE_CONSTANT(out = a; return ippsAddC_32s_ISfs(b, out.data(), len, s)),
                   [](Wide a, Wide b) { return a + b; }},
        VectorCase{"SubC", WHOLE_CONSTANT(return ippsSubC_32s_Sfs(a.data(), b, out.data(), len, s)),
                   [](Wide a, Wide b) { return a - b; }},
        VectorCase{"SubC_I", WHOLE_CONSTANT(out = a; return ippsSubC_32s_ISfs(b, out.data(), len, s)),
                   [](Wide a, Wide b) { return a - b; }},
        VectorCase{"SubCRev", WHOLE_CONSTANT(return ippsSubCRev_32s_Sfs(a.data(), b, out.data(), len, s)),
                   [](Wide a, Wide b) { return b - a; }},
        VectorCase{"SubCRev_I", WHOLE_CONSTANT(out = a; return ippsSubCRev_32s_ISfs(b, out.data(), len, s)),
                   [](Wide a, Wide b) { return b - a; }},
        VectorCase{"MulC", WHOLE_CONSTANT(return ippsMulC_32s_Sfs(a.data(), b, out.data(), len, s)),
                   [](Wide a, Wide b) { return a * b; }},
        VectorCase{"MulC_I", WHOLE_CONSTANT(out = a; return ippsMulC_32s_ISfs(b, out.data(), len, s)),
                   [](Wide a, Wide b) { return a * b; }}),
    [](const auto& info) { return info.param.name; });

// The same array as both operands: every element is read before it is written.
TEST(ScaledInteger, OneArrayAsBothOperands)
{
    for (int s : {0, 1, 32}) {
        std::vector<Ipp32s> sums = interestingValues(), products = sums;
        ASSERT_EQ(ippsAdd_32s_ISfs(sums.data(), sums.data(), static_cast<int>(sums.size()), s), ippStsNoErr);
        ASSERT_EQ(ippsMul_32s_ISfs(products.data(), products.data(), static_cast<int>(products.size()), s),
                  ippStsNoErr);
        const auto values = interestingValues();
        for (std::size_t i = 0; i < values.size(); ++i) {
            ASSERT_EQ(sums[i], reference32(Wide{values[i]} * 2, s)) << values[i] << " s=" << s;
            ASSERT_EQ(products[i], reference32(Wide{values[i]} * values[i], s)) << values[i] << " s=" << s;
        }
    }
}

// The exact quotient a x 2^-s / b, rounded half to even by the same reference.
Ipp32s referenceQuotient(Ipp32s a, Ipp32s b, int s)
{
    // Scale the numerator by 2^80 so that the division leaves a remainder
    // only where the exact quotient has bits below 2^-80; those cannot make
    // a half, so a sticky bit keeps the rounding exact.
    const Wide numerator = Wide{a} << 80;
    Wide q = numerator / b;
    if (numerator % b != 0)
        q = q * 2 + (q < 0 || (q == 0 && (a < 0) != (b < 0)) ? -1 : 1), s += 1;
    return static_cast<Ipp32s>(exactScaled(q, s + 80, kMin, kMax));
}

TEST(ScaledDivision, EqualsExactQuotientOverScaleFactors)
{
    const auto values = interestingValues();
    for (int s = -40; s <= 70; s += 1) {
        for (Ipp32s divisor : values) {
            if (divisor == 0)
                continue;
            std::vector<Ipp32s> dividends = values;
            const std::vector<Ipp32s> divisors(values.size(), divisor);
            ASSERT_EQ(ippsDiv_32s_ISfs(divisors.data(), dividends.data(), static_cast<int>(values.size()), s),
                      ippStsNoErr);
            for (std::size_t i = 0; i < values.size(); ++i)
                ASSERT_EQ(dividends[i], referenceQuotient(values[i], divisor, s))
                    << values[i] << " / " << divisor << " s=" << s;
        }
    }
}

TEST(ScaledDivision, ZeroDivisorsSaturateByTheDividendsSignAndWarn)
{
    const std::vector<Ipp32s> divisors{0, 0, 0, -1};
    std::vector<Ipp32s> dividends{5, 0, -5, kMin};
    EXPECT_EQ(ippsDiv_32s_ISfs(divisors.data(), dividends.data(), 4, 0), ippStsDivByZero);
    EXPECT_EQ(dividends, (std::vector<Ipp32s>{kMax, 0, kMin, kMax}));
}

TEST(ScaledDotProduct, ExactSumScaledWithClampedFactor)
{
    const std::vector<Ipp32s> a{kMin, kMin, kMax, 3}, b{kMin, kMin, kMax, -1};
    Wide exact = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        exact += Wide{a[i]} * b[i];
    for (int s : {-100, -31, -1, 0, 1, 30, 60, 64, 93, 94, 200}) {
        Ipp32s result = 0;
        ASSERT_EQ(ippsDotProd_32s_Sfs(a.data(), b.data(), 4, &result, s), ippStsNoErr);
        EXPECT_EQ(result, reference32(exact, std::clamp(s, -31, 93))) << s;
    }
}

struct ByteCase {
    std::string name;
    IppStatus (*routine)(const Ipp8u*, Ipp8u*, int, int);
    int (*exact)(int srcDst, int src);
};

class ScaledBytes : public ::testing::TestWithParam<ByteCase> {};

TEST_P(ScaledBytes, ExhaustiveOverAllPairsAndScales)
{
    std::vector<Ipp8u> src, srcDst;
    for (int x = 0; x < 256; ++x)
        for (int y = 0; y < 256; ++y) {
            srcDst.push_back(static_cast<Ipp8u>(x));
            src.push_back(static_cast<Ipp8u>(y));
        }
    for (int s = -12; s <= 20; ++s) {
        std::vector<Ipp8u> out = srcDst;
        ASSERT_EQ(GetParam().routine(src.data(), out.data(), static_cast<int>(out.size()), s), ippStsNoErr);
        for (std::size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(out[i], exactScaled(GetParam().exact(srcDst[i], src[i]), s, 0, 255))
                << GetParam().name << " " << int(srcDst[i]) << ", " << int(src[i]) << " s=" << s;
    }
}

INSTANTIATE_TEST_SUITE_P(Routines, ScaledBytes,
                         ::testing::Values(ByteCase{"Add", ippsAdd_8u_ISfs, [](int a, int b) { return a + b; }},
                                           ByteCase{"Sub", ippsSub_8u_ISfs,
                                                    [](int a, int b) { return a > b ? a - b : 0; }},
                                           ByteCase{"Mul", ippsMul_8u_ISfs, [](int a, int b) { return a * b; }}),
                         [](const auto& info) { return info.param.name; });

struct ShiftCase {
    int val;
    IppStatus status;
    std::vector<Ipp32s> left;
    std::vector<Ipp32s> right;
};

class Shifts : public ::testing::TestWithParam<ShiftCase> {};

TEST_P(Shifts, ShiftCountsAndTheirLimits)
{
    const std::vector<Ipp32s> src{-5, 5, kMin, 1};
    const ShiftCase& c = GetParam();
    std::vector<Ipp32s> left(4, 99), right(4, 99), leftInPlace = src, rightInPlace = src;
    EXPECT_EQ(ippsLShiftC_32s(src.data(), c.val, left.data(), 4), c.status);
    EXPECT_EQ(ippsRShiftC_32s(src.data(), c.val, right.data(), 4), c.status);
    EXPECT_EQ(ippsLShiftC_32s_I(c.val, leftInPlace.data(), 4), c.status);
    EXPECT_EQ(ippsRShiftC_32s_I(c.val, rightInPlace.data(), 4), c.status);
    if (c.status != ippStsNoErr) {
        EXPECT_EQ(left, std::vector<Ipp32s>(4, 99));
        EXPECT_EQ(leftInPlace, src);
        return;
    }
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(leftInPlace, c.left);
    EXPECT_EQ(right, c.right);
    EXPECT_EQ(rightInPlace, c.right);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, Shifts,
    ::testing::Values(ShiftCase{0, ippStsNoErr, {-5, 5, kMin, 1}, {-5, 5, kMin, 1}},
                      ShiftCase{1, ippStsNoErr, {-10, 10, 0, 2}, {-3, 2, kMin / 2, 0}},
                      ShiftCase{31, ippStsNoErr, {kMin, kMin, 0, kMin}, {-1, 0, -1, 0}},
                      ShiftCase{32, ippStsNoErr, {0, 0, 0, 0}, {-1, 0, -1, 0}},
                      ShiftCase{40, ippStsNoErr, {0, 0, 0, 0}, {-1, 0, -1, 0}},
                      ShiftCase{-1, ippStsShiftErr, {}, {}}));

TEST(BitLogic, ConstantShortcutsAndOperations)
{
    const std::vector<Ipp32u> src{0xF0F0F0F0u, 0x12345678u};
    std::vector<Ipp32u> dst(2, 7);
    ASSERT_EQ(ippsAndC_32u(src.data(), 0, dst.data(), 2), ippStsNoErr);
    EXPECT_EQ(dst, (std::vector<Ipp32u>{0, 0}));
    ASSERT_EQ(ippsOrC_32u(src.data(), 0, dst.data(), 2), ippStsNoErr);
    EXPECT_EQ(dst, src);
    ASSERT_EQ(ippsXorC_32u(src.data(), 0xFFFFFFFFu, dst.data(), 2), ippStsNoErr);
    EXPECT_EQ(dst, (std::vector<Ipp32u>{0x0F0F0F0Fu, 0xEDCBA987u}));
    ASSERT_EQ(ippsAnd_32u_I(src.data(), dst.data(), 2), ippStsNoErr);
    EXPECT_EQ(dst, (std::vector<Ipp32u>{0, 0x12345678u & 0xEDCBA987u}));
    ASSERT_EQ(ippsOrC_32u_I(0x1u, dst.data(), 2), ippStsNoErr);
    EXPECT_EQ(dst[0], 1u);
}

TEST(DivideInt32ByConst, TruncatesTowardZeroAndSaturatesTheOneOverflow)
{
    std::vector<Ipp32s> values{7, -7, kMin, kMax};
    DivideInt32ByConst(-3, values.data(), 2);
    EXPECT_EQ(values, (std::vector<Ipp32s>{-2, 2, kMin, kMax}));
    std::vector<Ipp32s> halves{-1, 1, 3};
    DivideInt32ByConst(2, halves.data(), 3);
    EXPECT_EQ(halves, (std::vector<Ipp32s>{0, 0, 1}));
    std::vector<Ipp32s> extremes{kMin, kMax, 0};
    DivideInt32ByConst(-1, extremes.data(), 3);
    EXPECT_EQ(extremes, (std::vector<Ipp32s>{kMax, -kMax, 0}));
    DivideInt32ByConst(5, extremes.data(), 0);
    DivideInt32ByConst(0, extremes.data(), 3);
    EXPECT_EQ(extremes[0], kMax);
}

} // namespace
