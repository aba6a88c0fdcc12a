#include "dsp/Statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <vector>

using namespace dsp::native;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double untouched = -12345.0;

int lengthOf(const std::vector<double>& v) { return static_cast<int>(v.size()); }

struct Reduction {
    const char* name;
    IppStatus (*run)(const std::vector<double>& x, double* out); // x: one vector, or two halves for norms
};

IppStatus mean(const std::vector<double>& x, double* out) { return ippsMean_64f(x.data(), lengthOf(x), out); }
IppStatus stdDev(const std::vector<double>& x, double* out) { return ippsStdDev_64f(x.data(), lengthOf(x), out); }
IppStatus minimum(const std::vector<double>& x, double* out)
{
    int at = -1;
    const IppStatus s = ippsMinIndx_64f(x.data(), lengthOf(x), out, &at);
    return s == ippStsNoErr ? s + at * 100 : s; // the index rides along in the status
}
IppStatus maximum(const std::vector<double>& x, double* out)
{
    int at = -1;
    const IppStatus s = ippsMaxIndx_64f(x.data(), lengthOf(x), out, &at);
    return s == ippStsNoErr ? s + at * 100 : s;
}
template <IppStatus (*norm)(const Ipp64f*, const Ipp64f*, int, Ipp64f*)>
IppStatus halves(const std::vector<double>& x, double* out)
{
    const int half = lengthOf(x) / 2;
    return norm(x.data(), x.data() + half, half, out);
}

struct Case {
    const char* what;
    IppStatus (*run)(const std::vector<double>&, double*);
    std::vector<double> x;
    double want; // NaN: a NaN
    IppStatus status = ippStsNoErr;
    double tolerance = 0.0;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

class Reductions : public ::testing::TestWithParam<Case> {};

TEST_P(Reductions, GiveTheExpectedValue)
{
    const Case& c = GetParam();
    double out = untouched;
    EXPECT_EQ(c.run(c.x, &out), c.status);
    if (std::isnan(c.want)) {
        EXPECT_TRUE(std::isnan(out)) << out;
    } else {
        EXPECT_NEAR(out, c.want, c.tolerance);
    }
}

const double e9 = 1e9;

INSTANTIATE_TEST_SUITE_P(
    Cases, Reductions,
    ::testing::Values(
        Case{"sample deviation divides by n-1", stdDev, {1, 2, 3, 4}, std::sqrt(5.0 / 3.0), 0, 1e-15},
        Case{"deviation of two equal elements is exactly 0", stdDev, {0.1, 0.1}, 0.0},
        Case{"deviation of a constant that rounds badly is 0", stdDev, std::vector<double>(7, 0.1), 0.0},
        Case{"deviation of two elements", stdDev, {1, 3}, std::sqrt(2.0), 0, 1e-15},
        Case{"deviation under a large offset", stdDev, {e9 + 1, e9 + 2, e9 + 3, e9 + 4, e9 + 5},
             std::sqrt(2.5), 0, 1e-9},
        Case{"deviation under a huge offset", stdDev, {1e15 + 2, 1e15 - 2, 1e15 + 2, 1e15 - 2}, 4.0 / std::sqrt(3.0),
             0, 1e-9},
        Case{"deviation of one element is refused", stdDev, {5.0}, untouched, ippStsSizeErr},
        Case{"deviation with a NaN is 0", stdDev, {1.0, nan, 3.0}, 0.0},
        Case{"deviation of elements beyond the double square", stdDev, {1e200, -1e200}, std::sqrt(2.0) * 1e200, 0,
             1e186},
        Case{"mean of one element", mean, {-2.5}, -2.5},
        Case{"mean keeps digits a double total would drop", mean, {1e17, 1e17, 1, 1, -1e17, -1e17, 1, 1}, 0.5},
        Case{"mean under a large offset", mean, {e9 + 0.25, e9 + 0.5, e9 + 0.75}, e9 + 0.5},
        Case{"mean with a NaN", mean, {1.0, nan}, nan},
        Case{"maximum: first of equals", maximum, {1, 3, 3, 2}, 3.0, 100},
        Case{"minimum: first of equals", minimum, {2, 1, 1, 5}, 1.0, 100},
        Case{"single element at index 0", minimum, {4.0}, 4.0, 0},
        Case{"maximum never takes a NaN", maximum, {1.0, nan, 2.0, nan}, 2.0, 200},
        Case{"maximum stays on a leading NaN", maximum, {nan, 2.0}, nan, 0},
        Case{"minimum takes a NaN", minimum, {3.0, nan}, nan, 100},
        Case{"minimum after a NaN takes the next element", minimum, {3.0, nan, 5.0, 4.0}, 4.0, 300},
        Case{"L1 of a difference", halves<ippsNormDiff_L1_64f>, {1, -2, 3, 4, 2, 0}, 3 + 4 + 3.0},
        Case{"L2 of differences 3 and 4", halves<ippsNormDiff_L2_64f>, {3, 0, 0, 4}, 5.0},
        Case{"L2 beyond the double square", halves<ippsNormDiff_L2_64f>, {3e200, 0, 0, 4e200}, 5e200, 0, 1e186},
        Case{"L2 below the double square", halves<ippsNormDiff_L2_64f>, {3e-200, 0, 0, 4e-200}, 5e-200, 0, 1e-214},
        Case{"L2 with a NaN", halves<ippsNormDiff_L2_64f>, {nan, 1, 0, 0}, nan},
        Case{"Inf norm of equal vectors", halves<ippsNormDiff_Inf_64f>, {1, 2, 1, 2}, 0.0},
        Case{"Inf norm passes over NaN", halves<ippsNormDiff_Inf_64f>, {nan, 1, 5, 0, 0, 8}, 3.0},
        Case{"Inf norm of only NaN is 0", halves<ippsNormDiff_Inf_64f>, {nan, 1}, 0.0},
        Case{"L1 of an empty pair is refused", halves<ippsNormDiff_L1_64f>, {1.0}, untouched, ippStsSizeErr}));

// The min/max routines without an index report the plain minimum or maximum.
TEST(Statistics, ExtremesWithoutIndexReportTheValueAlone)
{
    const std::vector<double> x{4, -1, 7, -1, 7};
    double value = untouched;
    EXPECT_EQ(ippsMinIndx_64f(x.data(), 5, &value, nullptr), ippStsNoErr);
    EXPECT_EQ(value, -1.0);
    EXPECT_EQ(ippsMaxIndx_64f(x.data(), 5, &value, nullptr), ippStsNoErr);
    EXPECT_EQ(value, 7.0);
    EXPECT_EQ(ippsMaxIndx_64f(x.data(), 0, &value, nullptr), ippStsSizeErr);
    EXPECT_EQ(ippsMinIndx_64f(nullptr, 5, &value, nullptr), ippStsNullPtrErr);
}

TEST(Statistics, NullPointersComeBeforeLengths)
{
    double value = untouched;
    int at = -1;
    float single = 1.0f;
    const double x[2] = {1.0, 2.0};
    EXPECT_EQ(ippsMean_64f(nullptr, 0, &value), ippStsNullPtrErr);
    EXPECT_EQ(ippsMean_64f(x, 0, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippsMean_32f(nullptr, 0, &single, ippAlgHintNone), ippStsNullPtrErr);
    EXPECT_EQ(ippsStdDev_64f(nullptr, 1, &value), ippStsNullPtrErr);
    EXPECT_EQ(ippsMinIndx_64f(x, 0, nullptr, &at), ippStsNullPtrErr);
    EXPECT_EQ(ippsMaxIndx_64f(nullptr, 0, &value, &at), ippStsNullPtrErr);
    EXPECT_EQ(ippsNormDiff_L1_64f(x, nullptr, 0, &value), ippStsNullPtrErr);
    EXPECT_EQ(ippsNormDiff_L2_64f(nullptr, x, 0, &value), ippStsNullPtrErr);
    EXPECT_EQ(ippsNormDiff_Inf_64f(x, x, 0, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippsMaxIndx_64f(x, -1, &value, &at), ippStsSizeErr);
    EXPECT_EQ(ippsMean_64f(x, 0, &value), ippStsSizeErr);
    EXPECT_EQ(ippsMean_32f(&single, 0, &single, ippAlgHintNone), ippStsSizeErr);
    EXPECT_EQ(value, untouched);
    EXPECT_EQ(at, -1);
    EXPECT_EQ(single, 1.0f);
}

TEST(Statistics, SinglePrecisionMeanRoundsOnceToSingle)
{
    const std::vector<float> x{1.0f, 2.0f, 4.0f, 1e8f, -1e8f};
    float out = 0.0f;
    ASSERT_EQ(ippsMean_32f(x.data(), 5, &out, ippAlgHintAccurate), ippStsNoErr);
    EXPECT_EQ(out, 7.0f / 5.0f);
    ASSERT_EQ(ippsMean_32f(x.data(), 1, &out, ippAlgHintFast), ippStsNoErr);
    EXPECT_EQ(out, 1.0f);
}

} // namespace
