#include "dsp/FftVectorRoutines.h"
#include "dsp/VectorRoutines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "DspTestSupport.h"

namespace {

using namespace dsp::native;
using namespace dsptest;

std::vector<double> randomVector(std::size_t n, unsigned seed, double scale = 1e3)
{
    std::mt19937_64 generator(seed);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-20, 20);
    std::vector<double> v(n);
    for (double& x : v)
        x = std::ldexp(mantissa(generator), exponent(generator)) * scale;
    return v;
}

// Element-wise routines against the exact result rounded once: quadruple precision
// holds every product and almost every sum of two doubles exactly.
using Quad = __float128;

struct BinaryCase {
    std::string name;
    std::function<IppStatus(const double*, double*, int)> routine; // src, srcDst/dst (holding src2)
    std::function<Quad(Quad, Quad)> reference; // (src, second operand), exact
};

class BinaryElementWise : public ::testing::TestWithParam<BinaryCase> {};

TEST_P(BinaryElementWise, MatchesExtendedReferenceRoundedOnce)
{
    for (int len : {1, 3, 4, 7, 8, 33, 1000}) {
        const auto a = randomVector(static_cast<std::size_t>(len), 1 + static_cast<unsigned>(len));
        const auto b = randomVector(static_cast<std::size_t>(len), 1000 + static_cast<unsigned>(len));
        std::vector<double> out = b;
        ASSERT_EQ(GetParam().routine(a.data(), out.data(), len), ippStsNoErr);
        for (int i = 0; i < len; ++i)
            ASSERT_TRUE(sameBits(out[i], static_cast<double>(GetParam().reference(a[i], b[i]))))
                << GetParam().name << " len " << len << " at " << i;
    }
}

const double kConstant = 0.7071067811865476;

INSTANTIATE_TEST_SUITE_P(
    Real, BinaryElementWise,
    ::testing::Values(
        BinaryCase{"Add", [](const double* s, double* d, int n) { return ippsAdd_64f(s, d, d, n); },
                   [](Quad x, Quad y) { return x + y; }},
        BinaryCase{"Add_I", [](const double* s, double* d, int n) { return ippsAdd_64f_I(s, d, n); },
                   [](Quad x, Quad y) { return y + x; }},
        BinaryCase{"Sub_I", [](const double* s, double* d, int n) { return ippsSub_64f_I(s, d, n); },
                   [](Quad x, Quad y) { return y - x; }},
        BinaryCase{"Mul", [](const double* s, double* d, int n) { return ippsMul_64f(s, d, d, n); },
                   [](Quad x, Quad y) { return x * y; }},
        BinaryCase{"Mul_I", [](const double* s, double* d, int n) { return ippsMul_64f_I(s, d, n); },
                   [](Quad x, Quad y) { return y * x; }},
        BinaryCase{"Div_I", [](const double* s, double* d, int n) { return ippsDiv_64f_I(s, d, n); },
                   [](Quad x, Quad y) { return static_cast<double>(y) / static_cast<double>(x); }},
        BinaryCase{"AddC", [](const double* s, double* d, int n) { return ippsAddC_64f(s, kConstant, d, n); },
                   [](Quad x, Quad) { return x + kConstant; }},
        BinaryCase{"AddC_I", [](const double*, double* d, int n) { return ippsAddC_64f_I(kConstant, d, n); },
                   [](Quad, Quad y) { return y + kConstant; }},
        BinaryCase{"SubC", [](const double* s, double* d, int n) { return ippsSubC_64f(s, kConstant, d, n); },
                   [](Quad x, Quad) { return x - kConstant; }},
        BinaryCase{"SubC_I", [](const double*, double* d, int n) { return ippsSubC_64f_I(kConstant, d, n); },
                   [](Quad, Quad y) { return y - kConstant; }},
        BinaryCase{"SubCRev", [](const double* s, double* d, int n) { return ippsSubCRev_64f(s, kConstant, d, n); },
                   [](Quad x, Quad) { return kConstant - x; }},
        BinaryCase{"SubCRev_I", [](const double*, double* d, int n) { return ippsSubCRev_64f_I(kConstant, d, n); },
                   [](Quad, Quad y) { return kConstant - y; }},
        BinaryCase{"MulC", [](const double* s, double* d, int n) { return ippsMulC_64f(s, kConstant, d, n); },
                   [](Quad x, Quad) { return x * kConstant; }},
        BinaryCase{"MulC_I", [](const double*, double* d, int n) { return ippsMulC_64f_I(kConstant, d, n); },
                   [](Quad, Quad y) { return y * kConstant; }},
        BinaryCase{"DivC", [](const double* s, double* d, int n) { return ippsDivC_64f(s, 3.0, d, n); },
                   [](Quad x, Quad) { return x * (1.0 / 3.0); }},
        BinaryCase{"Abs", [](const double* s, double* d, int n) { return ippsAbs_64f(s, d, n); },
                   [](Quad x, Quad) { return x < 0 ? -x : x; }},
        BinaryCase{"Sqr_I", [](const double*, double* d, int n) { return ippsSqr_64f_I(d, n); },
                   [](Quad, Quad y) { return y * y; }},
        BinaryCase{"Sqrt", [](const double* s, double* d, int n) {
                       std::vector<double> positive(s, s + n);
                       for (double& x : positive)
                           x = std::fabs(x);
                       return ippsSqrt_64f(positive.data(), d, n);
                   },
                   [](Quad x, Quad) { return std::sqrt(std::fabs(static_cast<double>(x))); }},
        BinaryCase{"Threshold greater",
                   [](const double* s, double* d, int n) { return ippsThreshold_64f(s, d, n, 10.0, ippCmpGreater); },
                   [](Quad x, Quad) { return x > 10 ? 10 : x; }},
        BinaryCase{"Threshold less",
                   [](const double*, double* d, int n) { return ippsThreshold_64f_I(d, n, -10.0, ippCmpLess); },
                   [](Quad, Quad y) { return y < -10 ? -10 : y; }}),
    [](const auto& info) { return testNameOf(info.param.name); });

TEST(DivideVector, ZeroDivisorsGiveSignedInfinityOrNaNAndWarn)
{
    const std::vector<double> divisors{0, 0, 0, -0.0, 0, 2};
    std::vector<double> values{2, 0, -2, 5, kNaN, 1};
    EXPECT_EQ(ippsDiv_64f_I(divisors.data(), values.data(), 6), ippStsDivByZero);
    EXPECT_EQ(values[0], kInf);
    EXPECT_TRUE(sameBits(values[1], fromBits(kDefaultNaN)));
    EXPECT_EQ(values[2], -kInf);
    EXPECT_EQ(values[3], kInf);
    EXPECT_TRUE(std::isnan(values[4]));
    EXPECT_EQ(values[5], 0.5);
}

TEST(DivideVector, ZeroDivisorsAnywhereInALongVector)
{
    for (int len : {700, 1024}) {
        auto divisors = randomVector(static_cast<std::size_t>(len), 21);
        const auto dividends = randomVector(static_cast<std::size_t>(len), 22);
        const std::vector<int> zeroAt{0, 255, 256, 511, len - 1};
        for (int i : zeroAt)
            divisors[i] = 0.0;
        auto quotients = dividends;
        EXPECT_EQ(ippsDiv_64f_I(divisors.data(), quotients.data(), len), ippStsDivByZero);
        for (int i = 0; i < len; ++i) {
            if (divisors[i] == 0.0)
                EXPECT_EQ(quotients[i], dividends[i] > 0 ? kInf : -kInf) << i;
            else
                EXPECT_EQ(quotients[i], dividends[i] / divisors[i]) << i;
        }
        divisors[0] = divisors[255] = divisors[256] = divisors[511] = divisors[len - 1] = 1.0;
        EXPECT_EQ(ippsDiv_64f_I(divisors.data(), quotients.data(), len), ippStsNoErr);
    }
}

TEST(ConstantShortcuts, ExactCopiesZeroesAndUntouchedArrays)
{
    const std::vector<double> src{kNaN, kInf, -kInf, -0.0, 3.25};
    std::vector<double> dst(5, 9.0);
    ASSERT_EQ(ippsMulC_64f(src.data(), 1.0, dst.data(), 5), ippStsNoErr);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(sameBits(dst[i], src[i])) << i;
    ASSERT_EQ(ippsMulC_64f(src.data(), 0.0, dst.data(), 5), ippStsNoErr);
    for (double x : dst)
        EXPECT_TRUE(sameBits(x, 0.0));
    ASSERT_EQ(ippsDivC_64f(src.data(), 1.0, dst.data(), 5), ippStsNoErr);
    EXPECT_TRUE(sameBits(dst[3], -0.0));

    // -0.0 + 0.0 would be +0.0: an untouched array keeps its -0.0.
    std::vector<double> inPlace{-0.0, kNaN};
    EXPECT_EQ(ippsAddC_64f_I(0.0, inPlace.data(), 2), ippStsNoErr);
    EXPECT_TRUE(sameBits(inPlace[0], -0.0));
    EXPECT_EQ(ippsSubC_64f_I(0.0, inPlace.data(), 2), ippStsNoErr);
    EXPECT_EQ(ippsMulC_64f_I(1.0, inPlace.data(), 2), ippStsNoErr);
    EXPECT_TRUE(sameBits(inPlace[0], -0.0));
    EXPECT_EQ(ippsMulC_64f_I(0.0, inPlace.data(), 2), ippStsNoErr);
    EXPECT_TRUE(sameBits(inPlace[1], 0.0));

    EXPECT_EQ(ippsDivC_64f(src.data(), 0.0, dst.data(), 5), ippStsDivByZeroErr);
    EXPECT_EQ(ippsDivC_64f_I(0.0, dst.data(), 5), ippStsDivByZeroErr);
    EXPECT_EQ(ippsDivC_64fc(nullptr, {0, 0}, dst.data() == nullptr ? nullptr : reinterpret_cast<Ipp64fc*>(dst.data()), 1),
              ippStsNullPtrErr);
    Ipp64fc z{1, 1};
    EXPECT_EQ(ippsDivC_64fc_I({0, 0}, &z, 1), ippStsDivByZeroErr);
    EXPECT_EQ(ippsNormalize_64f(src.data(), dst.data(), 5, 0.0, 1e-309), ippStsDivByZeroErr);
}

TEST(MoveVector, OverlappingMovesInBothDirectionsDoNotSmear)
{
    for (int shift : {1, -1, 3, -3}) {
        std::vector<double> data(20);
        for (int i = 0; i < 20; ++i)
            data[i] = i;
        const int from = shift > 0 ? 2 : 2 - shift;
        const int to = from + shift;
        ASSERT_EQ(ippsMove_64f(data.data() + from, data.data() + to, 10), ippStsNoErr);
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(data[to + i], from + i) << "shift " << shift;
    }
    std::vector<Ipp8u> bytes{1, 2, 3, 4, 5, 6};
    ASSERT_EQ(ippsMove_8u(bytes.data(), bytes.data() + 1, 5), ippStsNoErr);
    EXPECT_EQ(bytes, (std::vector<Ipp8u>{1, 1, 2, 3, 4, 5}));
}

TEST(SquareRoot, NegativeElementsGiveTheDefaultNaNAfterAllElements)
{
    std::vector<double> v{4, -1, 0, -0.0, -kInf, 9};
    EXPECT_EQ(ippsSqrt_64f_I(v.data(), 6), ippStsSqrtNegArg);
    EXPECT_EQ(v[0], 2);
    EXPECT_TRUE(sameBits(v[1], fromBits(kDefaultNaN)));
    EXPECT_TRUE(sameBits(v[2], 0.0));
    EXPECT_TRUE(sameBits(v[3], -0.0));
    EXPECT_TRUE(std::isnan(v[4]));
    EXPECT_EQ(v[5], 3);
}

TEST(Statistics, SumKeepsExtendedRunningTotals)
{
    // In double, 2^53 + 1 is 2^53 again; in extended precision nothing is lost.
    const double big = 9007199254740992.0;
    const std::vector<double> v{big, 1, 1, 1, 1, -big, 1};
    double sum = 0;
    ASSERT_EQ(ippsSum_64f(v.data(), 7, &sum), ippStsNoErr);
    EXPECT_EQ(sum, 5);
    double dot = 0;
    const std::vector<double> ones(7, 1.0);
    ASSERT_EQ(ippsDotProd_64f(v.data(), ones.data(), 7, &dot), ippStsNoErr);
    EXPECT_EQ(dot, 5);
    const auto a = randomVector(1001, 5), b = randomVector(1001, 6);
    long double reference = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        reference += static_cast<long double>(a[i]) * b[i];
    ASSERT_EQ(ippsDotProd_64f(a.data(), b.data(), 1001, &dot), ippStsNoErr);
    EXPECT_NEAR(dot, static_cast<double>(reference), std::fabs(static_cast<double>(reference)) * 1e-15);
}

TEST(Statistics, MaxAndMinTakeOnlyStrictlyBetterElements)
{
    const std::vector<double> v{3, 7, 7, -2, -2};
    double result = 0;
    EXPECT_EQ(ippsMax_64f(v.data(), 5, &result), ippStsNoErr);
    EXPECT_EQ(result, 7);
    EXPECT_EQ(ippsMin_64f(v.data(), 5, &result), ippStsNoErr);
    EXPECT_EQ(result, -2);
    EXPECT_EQ(ippsMax_64f(v.data() + 3, 1, &result), ippStsNoErr);
    EXPECT_EQ(result, -2);
}

TEST(Jaehne, SingleElementNegativeMagnitudeAndValues)
{
    double one = 5;
    EXPECT_EQ(ippsVectorJaehne_64f(&one, 1, 2.0), ippStsNoErr);
    EXPECT_EQ(one, 0.0);
    EXPECT_EQ(ippsVectorJaehne_64f(&one, 1, -1.0), ippStsJaehneErr);
    std::vector<double> v(100);
    ASSERT_EQ(ippsVectorJaehne_64f(v.data(), 100, 3.0), ippStsNoErr);
    const double step = static_cast<double>(3.141592653589793238L / 2 / 100);
    for (int n = 0; n < 100; ++n)
        EXPECT_NEAR(v[n], 3.0 * std::sin(static_cast<long double>(n) * n * step), 1e-14) << n;
}

std::complex<long double> wide(Ipp64fc z)
{
    return {z.re, z.im};
}

TEST(ComplexRoutines, SquareRootIsPrincipalInEveryQuadrant)
{
    const std::vector<Ipp64fc> inputs{{4, 0},  {-4, 0},   {0, 2},    {0, -2},   {3, 4},    {-3, 4},
                                      {-3, -4}, {3, -4},  {1e300, 1e300}, {-1e-300, 1e-300}, {0, 0}, {2, -0.0}};
    std::vector<Ipp64fc> out(inputs.size());
    ASSERT_EQ(ippsSqrt_64fc(inputs.data(), out.data(), static_cast<int>(inputs.size())), ippStsNoErr);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const auto expected = std::sqrt(wide(inputs[i]));
        const double tolerance = static_cast<double>(std::abs(expected)) * 1e-15;
        EXPECT_NEAR(out[i].re, static_cast<double>(expected.real()), tolerance) << i;
        EXPECT_NEAR(out[i].im, static_cast<double>(expected.imag()), tolerance) << i;
    }
}

TEST(ComplexRoutines, MagnitudesAndPowersNear1e200DoNotOverflow)
{
    const std::vector<Ipp64fc> v{{1e200, 1e200}, {-3e200, 4e200}, {3, -4}};
    std::vector<double> magnitude(3), power(3);
    ASSERT_EQ(ippsMagnitude_64fc(v.data(), magnitude.data(), 3), ippStsNoErr);
    EXPECT_DOUBLE_EQ(magnitude[0], std::sqrt(2.0) * 1e200);
    EXPECT_DOUBLE_EQ(magnitude[1], 5e200);
    EXPECT_EQ(magnitude[2], 5);
    double norm = 0;
    ASSERT_EQ(ippsNorm_L2_64fc64f(v.data(), 2, &norm), ippStsNoErr);
    EXPECT_DOUBLE_EQ(norm, std::sqrt(27.0) * 1e200);
    ASSERT_EQ(ippsPowerSpectr_64fc(v.data() + 2, power.data(), 1), ippStsNoErr);
    EXPECT_EQ(power[0], 25);
    std::vector<double> phase(3);
    ASSERT_EQ(ippsPhase_64fc(v.data(), phase.data(), 3), ippStsNoErr);
    EXPECT_DOUBLE_EQ(phase[2], std::atan2(-4.0, 3.0));
}

TEST(ComplexRoutines, ProductsAndQuotientsMatchExtendedReference)
{
    std::vector<double> partsA = randomVector(64, 11), partsB = randomVector(64, 12);
    std::vector<Ipp64fc> a(32), b(32);
    for (int i = 0; i < 32; ++i) {
        a[i] = {partsA[2 * i], partsA[2 * i + 1]};
        b[i] = {partsB[2 * i], partsB[2 * i + 1]};
    }
    auto product = b, quotient = b, square = a;
    ASSERT_EQ(ippsMul_64fc_I(a.data(), product.data(), 32), ippStsNoErr);
    ASSERT_EQ(ippsDiv_64fc_I(a.data(), quotient.data(), 32), ippStsNoErr);
    ASSERT_EQ(ippsSqr_64fc_I(square.data(), 32), ippStsNoErr);
    Ipp64fc dot{};
    ASSERT_EQ(ippsDotProd_64fc(a.data(), b.data(), 32, &dot), ippStsNoErr);
    std::complex<long double> dotReference = 0;
    for (int i = 0; i < 32; ++i) {
        const auto p = wide(b[i]) * wide(a[i]);
        EXPECT_DOUBLE_EQ(product[i].re, static_cast<double>(p.real()));
        EXPECT_DOUBLE_EQ(product[i].im, static_cast<double>(p.imag()));
        const auto q = wide(b[i]) / wide(a[i]);
        EXPECT_DOUBLE_EQ(quotient[i].re, static_cast<double>(q.real()));
        EXPECT_DOUBLE_EQ(quotient[i].im, static_cast<double>(q.imag()));
        const auto s = wide(a[i]) * wide(a[i]);
        EXPECT_DOUBLE_EQ(square[i].re, static_cast<double>(s.real()));
        dotReference += wide(a[i]) * wide(b[i]);
    }
    EXPECT_NEAR(dot.re, static_cast<double>(dotReference.real()), 1e-9 * std::abs(dotReference));
    Ipp64fc divided{};
    ASSERT_EQ(ippsDivC_64fc(&a[0], b[0], &divided, 1), ippStsNoErr);
    const auto dq = wide(a[0]) / wide(b[0]);
    EXPECT_DOUBLE_EQ(divided.re, static_cast<double>(dq.real()));
    EXPECT_DOUBLE_EQ(divided.im, static_cast<double>(dq.imag()));

    Ipp64fc zero[2] = {{0, 0}, {1, 2}};
    Ipp64fc dividend[2] = {{1, 1}, {2, 4}};
    EXPECT_EQ(ippsDiv_64fc_I(zero, dividend, 2), ippStsDivByZero);
    EXPECT_TRUE(std::isnan(dividend[0].re) && std::isnan(dividend[0].im));
    EXPECT_EQ(dividend[1].re, 2);
    EXPECT_EQ(dividend[1].im, 0);
}

TEST(ComplexRoutines, ThresholdOnMagnitudeKeepsPhase)
{
    std::vector<Ipp64fc> v{{0, 0}, {1, 0}, {3, 4}, {0, -1}};
    EXPECT_EQ(ippsThreshold_64fc_I(v.data(), 4, 2.0, ippCmpLess), ippStsNoErr);
    EXPECT_EQ(v[0].re, 2);
    EXPECT_EQ(v[0].im, 0);
    EXPECT_EQ(v[1].re, 2);
    EXPECT_EQ(v[2].re, 3);
    EXPECT_DOUBLE_EQ(v[3].im, -2);
    std::vector<Ipp64fc> out(4);
    EXPECT_EQ(ippsThreshold_64fc(v.data(), out.data(), 4, 1.0, ippCmpGreater), ippStsNoErr);
    EXPECT_DOUBLE_EQ(out[2].re, 0.6);
    EXPECT_DOUBLE_EQ(out[2].im, 0.8);
    EXPECT_EQ(ippsThreshold_64fc(v.data(), out.data(), 4, -1.0, ippCmpGreater), ippStsThreshNegLevelErr);
}

TEST(ComplexRoutines, SplittingAndJoining)
{
    const double re[2] = {1, 2}, im[2] = {3, 4};
    Ipp64fc joined[2];
    ASSERT_EQ(ippsRealToCplx_64f(re, nullptr, joined, 2), ippStsNoErr);
    EXPECT_EQ(joined[1].re, 2);
    EXPECT_EQ(joined[1].im, 0);
    ASSERT_EQ(ippsRealToCplx_64f(nullptr, im, joined, 2), ippStsNoErr);
    EXPECT_EQ(joined[0].re, 0);
    EXPECT_EQ(joined[0].im, 3);
    double part[2];
    ASSERT_EQ(ippsImag_64fc(joined, part, 2), ippStsNoErr);
    EXPECT_EQ(part[1], 4);
    Ipp64fc big[3] = {{1, 2}, {3, 4}, {5, 6}};
    ASSERT_EQ(ippsAddC_64fc_I({1, -1}, big, 3), ippStsNoErr);
    ASSERT_EQ(ippsSubCRev_64fc(big, {10, 10}, big, 3), ippStsNoErr);
    EXPECT_EQ(big[2].re, 4);
    EXPECT_EQ(big[2].im, 5);
}

TEST(FftVectorRoutines, ConjugationCopyAndSummingLoop)
{
    std::vector<Ipp64fc> v{{1, 1}, {2, -2}, {3, 3}, {4, -4}, {5, 5}};
    std::vector<Ipp64fc> conjugated(5);
    ASSERT_EQ(dsp::native::Conj_64fc(v.data(), conjugated.data(), 5), ippStsNoErr);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(conjugated[i].re, v[i].re);
        EXPECT_EQ(conjugated[i].im, -v[i].im);
    }
    ASSERT_EQ(dsp::native::Conj_64fc_I(v.data(), 5), ippStsNoErr);
    EXPECT_EQ(v[4].im, -5);
    std::vector<Ipp64fc> copy(5);
    ASSERT_EQ(dsp::native::Copy_64fc(v.data(), copy.data(), 5), ippStsNoErr);
    EXPECT_EQ(copy[3].re, 4);

    double sum = 7;
    dsp::native::DotProdLoop_64f(nullptr, nullptr, 0, &sum);
    EXPECT_EQ(sum, 0);
    const double a[3] = {1e16, 1, -1e16}, b[3] = {1, 1, 1};
    dsp::native::DotProdLoop_64f(a, b, 3, &sum);
    EXPECT_EQ(sum, 1); // the running sum keeps the 1 that double arithmetic would lose
}

} // namespace
