#include "dsp/ExpLn.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

using namespace dsp::native;

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double asExpl = -1.0; // no exponential is negative: "as the extended reference"

double fromBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }
std::uint64_t bitsOf(double x) { return std::bit_cast<std::uint64_t>(x); }

// Runs both forms, which must agree bit for bit, and checks each element against
// expl (within 2 units in the last place), a NaN, or an exact special result.
void expectExp(const std::vector<double>& x, const std::vector<double>& want)
{
    const int len = static_cast<int>(x.size());
    std::vector<double> out(x.size()), inPlace = x;
    ASSERT_EQ(ippsExp_64f(x.data(), out.data(), len), ippStsNoErr);
    ASSERT_EQ(ippsExp_64f_I(inPlace.data(), len), ippStsNoErr);
    for (int i = 0; i < len; ++i) {
        ASSERT_EQ(bitsOf(out[i]), bitsOf(inPlace[i])) << i;
        const double reference = static_cast<double>(std::exp(static_cast<long double>(x[i])));
        if (std::isnan(want[i])) {
            EXPECT_TRUE(std::isnan(out[i])) << x[i];
        } else if (want[i] != asExpl) {
            EXPECT_EQ(out[i], want[i]) << x[i];
        } else {
            const std::uint64_t a = bitsOf(out[i]), b = bitsOf(reference);
            EXPECT_LE(a > b ? a - b : b - a, 2u) << "x=" << x[i] << " len " << len;
        }
    }
}

// Short vectors take the library path, longer ones the groups of four; negative
// arguments inside a group are where a wrong rounding of x / ln 2 shows.
TEST(Exp, AgreesWithExpl_OnRandomVectorsOfLength1To9)
{
    std::mt19937_64 rng(1234);
    std::uniform_real_distribution<double> wide(-708.0, 709.0), narrow(-3.0, 3.0);
    for (int len = 1; len <= 9; ++len) {
        for (int round = 0; round < 300; ++round) {
            std::vector<double> x(len);
            for (double& v : x) {
                v = round % 2 == 0 ? wide(rng) : narrow(rng);
            }
            expectExp(x, std::vector<double>(len, asExpl));
        }
    }
}

struct Boundary {
    double x;
    double want;
};

// Each special value is tried at every position among ordinary neighbours, so
// that it falls at every place of a group of four and in the leftover front.
TEST(Exp, ClassifiesEveryBoundaryAnywhereInTheVector)
{
    const Boundary boundaries[] = {
        {-708.39599609375, 0.0},         {std::nextafter(-708.39599609375, 0.0), asExpl},
        {709.7822265625, inf},           {std::nextafter(709.7822265625, 0.0), asExpl},
        {-inf, 0.0},                     {1000.0, inf},
        {nan, nan},                      {fromBits(0x7FF0'0000'0000'0001), nan}, // payload in the low word only
        {fromBits(0xFFF0'0000'0000'0001), nan}, {-0.5 * std::log(2.0), asExpl},
        {-1.0, asExpl},                  {0.0, 1.0}};
    for (const Boundary& b : boundaries) {
        for (int at = 0; at < 9; ++at) {
            std::vector<double> x{-1.0, 0.5, -2.5, 3.0, -0.25, 7.0, -11.0, 1.5, -0.75};
            std::vector<double> want(9, asExpl);
            x[at] = b.x;
            want[at] = b.want;
            expectExp(x, want);
        }
    }
    expectExp({0.0, 1.0, -1000.0}, {1.0, asExpl, 0.0}); // the library path agrees
}

constexpr std::uint64_t defaultNan = 0xFFF8'0000'0000'0000;
constexpr std::uint64_t quietNan = 0x7FF8'0000'0000'0000;
constexpr std::uint64_t minusInf = 0xFFF0'0000'0000'0000;
constexpr std::uint64_t asLogl = 0;

struct LnCase {
    std::vector<double> x;
    std::vector<std::uint64_t> want;
    IppStatus status;
};

TEST(Ln, MapsSpecialsAndReportsTheFirstKindMet)
{
    const LnCase cases[] = {
        {{1.0, 0.0, -1.0}, {asLogl, minusInf, defaultNan}, ippStsLnZeroArg},
        {{-1.0, 0.0}, {defaultNan, minusInf}, ippStsLnNegArg},
        {{2.0, -0.0}, {asLogl, defaultNan}, ippStsLnNegArg},
        {{fromBits(0xFFF8'0000'0000'1234)}, {defaultNan}, ippStsLnNegArg},
        {{fromBits(0x7FF8'0000'0000'1234), 0.0}, {quietNan, minusInf}, ippStsLnZeroArg},
        {{std::exp(1.0), 1e-310, 1e308, inf}, {asLogl, asLogl, asLogl, asLogl}, ippStsNoErr}};
    for (const LnCase& c : cases) {
        const int len = static_cast<int>(c.x.size());
        std::vector<double> out(c.x.size()), inPlace = c.x;
        EXPECT_EQ(ippsLn_64f(c.x.data(), out.data(), len), c.status);
        EXPECT_EQ(ippsLn_64f_I(inPlace.data(), len), c.status);
        for (int i = 0; i < len; ++i) {
            const double reference = static_cast<double>(std::log(static_cast<long double>(c.x[i])));
            const std::uint64_t want = c.want[i] != asLogl ? c.want[i] : bitsOf(reference);
            EXPECT_EQ(bitsOf(out[i]), want) << c.x[i];
            EXPECT_EQ(bitsOf(inPlace[i]), want) << c.x[i];
        }
    }
}

TEST(ExpLn, NullPointersComeBeforeLengthsAndNothingIsWritten)
{
    double value = 2.0, out = 5.0;
    EXPECT_EQ(ippsExp_64f(&value, nullptr, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippsLn_64f_I(nullptr, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippsExp_64f_I(&value, 0), ippStsSizeErr);
    EXPECT_EQ(ippsLn_64f(&value, &out, -1), ippStsSizeErr);
    EXPECT_TRUE(value == 2.0 && out == 5.0);
}

} // namespace
