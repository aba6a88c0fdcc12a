#include "dsp/ExpLn.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <random>
#include <vector>

using namespace dsp::native;

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

double fromBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }
std::uint64_t bitsOf(double x) { return std::bit_cast<std::uint64_t>(x); }

// Distance in units in the last place between two finite doubles of one sign.
std::uint64_t ulpsApart(double a, double b)
{
    const std::uint64_t x = bitsOf(a), y = bitsOf(b);
    return x > y ? x - y : y - x;
}

double referenceExp(double x) { return static_cast<double>(std::exp(static_cast<long double>(x))); }
double referenceLn(double x) { return static_cast<double>(std::log(static_cast<long double>(x))); }

// Runs the routine both ways, checks the two agree bit for bit, returns the result.
std::vector<double> expBothWays(const std::vector<double>& x)
{
    std::vector<double> out(x.size(), -7.0);
    EXPECT_EQ(ippsExp_64f(x.data(), out.data(), static_cast<int>(x.size())), ippStsNoErr);
    std::vector<double> inPlace = x;
    EXPECT_EQ(ippsExp_64f_I(inPlace.data(), static_cast<int>(x.size())), ippStsNoErr);
    for (std::size_t i = 0; i < x.size(); ++i) {
        EXPECT_EQ(bitsOf(out[i]), bitsOf(inPlace[i])) << "element " << i;
    }
    return out;
}

void expectMatchesExp(double x, double y, const char* what)
{
    const double want = referenceExp(x);
    if (std::isnan(x)) {
        EXPECT_TRUE(std::isnan(y)) << what << " x=" << x;
    } else if (want == 0.0 || std::isinf(want)) {
        EXPECT_EQ(y, want) << what << " x=" << x;
    } else {
        EXPECT_LE(ulpsApart(y, want), 2u) << what << " x=" << x << " got " << y << " want " << want;
    }
}

class ExpRandom : public ::testing::TestWithParam<int> {};

// Short vectors take the library path, longer ones the groups of four; both must
// be right over the whole ordinary range, negative arguments included.
TEST_P(ExpRandom, AgreesWithExtendedPrecisionOverTheWholeRange)
{
    const int len = GetParam();
    std::mt19937_64 rng(1234 + len);
    std::uniform_real_distribution<double> wide(-708.0, 709.0);
    std::uniform_real_distribution<double> narrow(-3.0, 3.0);
    for (int round = 0; round < 400; ++round) {
        std::vector<double> x(len);
        for (double& v : x) {
            v = (round % 2 == 0) ? wide(rng) : narrow(rng);
        }
        const auto y = expBothWays(x);
        for (int i = 0; i < len; ++i) {
            expectMatchesExp(x[i], y[i], "random");
        }
    }
}

TEST_P(ExpRandom, TheDocumentedSpecialValuesAtEveryLength)
{
    const std::vector<double> cycle{0.0, 1.0, -1000.0, 1000.0, nan};
    const int len = GetParam();
    std::vector<double> x(len);
    for (int i = 0; i < len; ++i) {
        x[i] = cycle[i % 5];
    }
    const auto y = expBothWays(x);
    for (int i = 0; i < len; ++i) {
        expectMatchesExp(x[i], y[i], "documented");
    }
    EXPECT_EQ(y[0], 1.0);
}

INSTANTIATE_TEST_SUITE_P(Lengths1To9, ExpRandom, ::testing::Range(1, 10));

constexpr double likeReference = -1.0; // no exponential is negative: stands for "as expl"

struct ExpBoundary {
    const char* what;
    double x;
    double want; // a NaN: any NaN
};

void PrintTo(const ExpBoundary& c, std::ostream* os) { *os << c.what; }

class ExpClassification : public ::testing::TestWithParam<ExpBoundary> {};

// Each value sits among ordinary neighbours at every position of a long vector,
// so that it lands in different places of a group of four.
TEST_P(ExpClassification, GivesTheClassResultAnywhereInAGroup)
{
    const auto& c = GetParam();
    for (int at = 0; at < 9; ++at) {
        std::vector<double> x{-1.0, 0.5, -2.5, 3.0, -0.25, 7.0, -11.0, 1.5, -0.75};
        x[at] = c.x;
        const auto y = expBothWays(x);
        for (int i = 0; i < 9; ++i) {
            if (i != at) {
                expectMatchesExp(x[i], y[i], "neighbour");
            } else if (std::isnan(c.want)) {
                EXPECT_TRUE(std::isnan(y[i])) << c.what;
            } else if (c.want == likeReference) {
                expectMatchesExp(c.x, y[i], c.what);
            } else {
                EXPECT_EQ(y[i], c.want) << c.what << " at " << at;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, ExpClassification,
    ::testing::Values(ExpBoundary{"underflow limit", -708.39599609375, 0.0},
                      ExpBoundary{"just inside the underflow limit", std::nextafter(-708.39599609375, 0.0), likeReference},
                      ExpBoundary{"overflow limit", 709.7822265625, inf},
                      ExpBoundary{"just inside the overflow limit", std::nextafter(709.7822265625, 0.0), likeReference},
                      ExpBoundary{"far below", -1.0e300, 0.0}, ExpBoundary{"minus infinity", -inf, 0.0},
                      ExpBoundary{"plus infinity", inf, inf}, ExpBoundary{"quiet NaN", nan, nan},
                      ExpBoundary{"NaN with only low payload bits", fromBits(0x7FF0'0000'0000'0001), nan},
                      ExpBoundary{"negative NaN with only low payload bits", fromBits(0xFFF0'0000'0000'0001), nan},
                      ExpBoundary{"minus one", -1.0, likeReference}, ExpBoundary{"a tiny negative", -1e-300, likeReference},
                      ExpBoundary{"half way between integers of x / ln 2", -0.5 * std::log(2.0), likeReference}));

TEST(Exp, RejectsBadArgumentsWithoutWriting)
{
    double value = 2.0;
    double out = 5.0;
    EXPECT_EQ(ippsExp_64f(nullptr, &out, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippsExp_64f(&value, nullptr, 1), ippStsNullPtrErr);
    EXPECT_EQ(ippsExp_64f_I(nullptr, 1), ippStsNullPtrErr);
    EXPECT_EQ(ippsExp_64f(&value, &out, 0), ippStsSizeErr);
    EXPECT_EQ(ippsExp_64f_I(&value, -3), ippStsSizeErr);
    EXPECT_EQ(out, 5.0);
    EXPECT_EQ(value, 2.0);
}

struct LnCase {
    const char* what;
    std::vector<double> x;
    std::vector<std::uint64_t> wantBits; // 0: compare with the reference logarithm
    IppStatus status;
};

constexpr std::uint64_t defaultNan = 0xFFF8'0000'0000'0000;
constexpr std::uint64_t quietNan = 0x7FF8'0000'0000'0000;
constexpr std::uint64_t minusInfinity = 0xFFF0'0000'0000'0000;

void PrintTo(const LnCase& c, std::ostream* os) { *os << c.what; }

class LnSpecials : public ::testing::TestWithParam<LnCase> {};

TEST_P(LnSpecials, MapsSpecialsAndReportsTheFirstOne)
{
    const auto& c = GetParam();
    const int len = static_cast<int>(c.x.size());
    std::vector<double> out(c.x.size());
    std::vector<double> inPlace = c.x;
    EXPECT_EQ(ippsLn_64f(c.x.data(), out.data(), len), c.status) << c.what;
    EXPECT_EQ(ippsLn_64f_I(inPlace.data(), len), c.status) << c.what;
    for (std::size_t i = 0; i < c.x.size(); ++i) {
        const std::uint64_t want = c.wantBits[i] != 0 ? c.wantBits[i] : bitsOf(referenceLn(c.x[i]));
        EXPECT_EQ(bitsOf(out[i]), want) << c.what << " element " << i;
        EXPECT_EQ(bitsOf(inPlace[i]), want) << c.what << " element " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LnSpecials,
    ::testing::Values(
        LnCase{"zero before negative", {1.0, 0.0, -1.0}, {0, minusInfinity, defaultNan}, ippStsLnZeroArg},
        LnCase{"negative before zero", {-1.0, 0.0}, {defaultNan, minusInfinity}, ippStsLnNegArg},
        LnCase{"minus zero counts as negative", {2.0, -0.0}, {0, defaultNan}, ippStsLnNegArg},
        LnCase{"negative NaN counts as negative", {fromBits(0xFFF8'0000'0000'1234)}, {defaultNan}, ippStsLnNegArg},
        LnCase{"positive quiet NaN raises nothing", {fromBits(0x7FF8'0000'0000'1234), 0.0}, {quietNan, minusInfinity},
               ippStsLnZeroArg},
        LnCase{"ordinary values", {std::exp(1.0), 1.0, 1e-310, 1e308, inf}, {0, 0, 0, 0, 0}, ippStsNoErr}));

TEST(Ln, AgreesWithExtendedPrecisionOnRandomValues)
{
    std::mt19937_64 rng(99);
    std::uniform_real_distribution<double> exponent(-300.0, 300.0);
    std::vector<double> x(997);
    for (double& v : x) {
        v = std::pow(10.0, exponent(rng));
    }
    std::vector<double> y(x.size());
    ASSERT_EQ(ippsLn_64f(x.data(), y.data(), static_cast<int>(x.size())), ippStsNoErr);
    for (std::size_t i = 0; i < x.size(); ++i) {
        EXPECT_EQ(y[i], referenceLn(x[i])) << x[i];
    }
    EXPECT_NEAR(y[0], std::log(x[0]), 1e-12);
}

TEST(Ln, RejectsBadArgumentsWithoutWriting)
{
    double value = 2.0;
    double out = 5.0;
    EXPECT_EQ(ippsLn_64f(nullptr, &out, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippsLn_64f(&value, nullptr, 1), ippStsNullPtrErr);
    EXPECT_EQ(ippsLn_64f_I(nullptr, 1), ippStsNullPtrErr);
    EXPECT_EQ(ippsLn_64f(&value, &out, 0), ippStsSizeErr);
    EXPECT_EQ(ippsLn_64f_I(&value, 0), ippStsSizeErr);
    EXPECT_EQ(out, 5.0);
    EXPECT_EQ(value, 2.0);
}

} // namespace
