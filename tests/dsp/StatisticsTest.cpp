#include "dsp/Statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace dsp::native;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double untouched = -12345.0;
constexpr double e9 = 1e9;

enum class Op { mean, stdDev, minIndx, maxIndx, l1, l2, inf };

struct Case {
    Op op;
    std::vector<double> x; // the norms take the two halves
    double want;           // a NaN: any NaN
    int index = 0;
    double tolerance = 0.0;
    IppStatus status = ippStsNoErr;
};

IppStatus run(const Case& c, double* out, int* index)
{
    const int len = static_cast<int>(c.x.size()), half = len / 2;
    const double* x = c.x.data();
    switch (c.op) {
    case Op::mean: return ippsMean_64f(x, len, out);
    case Op::stdDev: return ippsStdDev_64f(x, len, out);
    case Op::minIndx: return ippsMinIndx_64f(x, len, out, index);
    case Op::maxIndx: return ippsMaxIndx_64f(x, len, out, index);
    case Op::l1: return ippsNormDiff_L1_64f(x, x + half, half, out);
    case Op::l2: return ippsNormDiff_L2_64f(x, x + half, half, out);
    case Op::inf: return ippsNormDiff_Inf_64f(x, x + half, half, out);
    }
    return ippStsNoErr;
}

TEST(Statistics, ReduceToTheExpectedValue)
{
    const Case cases[] = {
        {Op::stdDev, {1, 2, 3, 4}, std::sqrt(5.0 / 3.0), 0, 1e-15}, // divisor n - 1
        {Op::stdDev, {0.1, 0.1}, 0.0},
        {Op::stdDev, std::vector<double>(7, 0.1), 0.0}, // never the root of a negative rounding
        {Op::stdDev, {e9 + 1, e9 + 2, e9 + 3, e9 + 4, e9 + 5}, std::sqrt(2.5), 0, 1e-9},
        {Op::stdDev, {1e15 + 2, 1e15 - 2, 1e15 + 2, 1e15 - 2}, 4.0 / std::sqrt(3.0), 0, 1e-9},
        {Op::stdDev, {1e200, -1e200}, std::sqrt(2.0) * 1e200, 0, 1e186},
        {Op::stdDev, {1.0, nan, 3.0}, 0.0},
        {Op::stdDev, {5.0}, untouched, 0, 0.0, ippStsSizeErr},
        {Op::mean, {1e17, 1e17, 1, 1, -1e17, -1e17, 1, 1}, 0.5}, // a double total would drop the ones
        {Op::mean, {e9 + 0.25, e9 + 0.5, e9 + 0.75}, e9 + 0.5},
        {Op::mean, {1.0, nan}, nan},
        {Op::maxIndx, {1, 3, 3, 2}, 3.0, 1},
        {Op::minIndx, {2, 1, 1, 5}, 1.0, 1},
        {Op::minIndx, {4.0}, 4.0, 0},
        {Op::maxIndx, {1.0, nan, 2.0, nan}, 2.0, 2}, // never takes a NaN...
        {Op::maxIndx, {nan, 2.0}, nan, 0},           // ...nor leaves one it started from
        {Op::minIndx, {3.0, nan}, nan, 1},           // the minimum takes one
        {Op::minIndx, {3.0, nan, 5.0, 4.0}, 4.0, 3}, // and gives it up to the next element
        {Op::l1, {1, -2, 3, 4, 2, 0}, 10.0},
        {Op::l2, {3, 0, 0, 4}, 5.0},
        {Op::l2, {3e200, 0, 0, 4e200}, 5e200, 0, 1e186},   // squares beyond the double range
        {Op::l2, {3e-200, 0, 0, 4e-200}, 5e-200, 0, 1e-214}, // and below it
        {Op::l2, {nan, 1, 0, 0}, nan},
        {Op::inf, {1, 2, 1, 2}, 0.0},
        {Op::inf, {nan, 1, 5, 0, 0, 8}, 3.0},
        {Op::l1, {1.0}, untouched, 0, 0.0, ippStsSizeErr}};
    for (const Case& c : cases) {
        double out = untouched;
        int index = -1;
        EXPECT_EQ(run(c, &out, &index), c.status) << int(c.op) << " " << c.x[0];
        if (std::isnan(c.want)) {
            EXPECT_TRUE(std::isnan(out)) << int(c.op) << " " << c.x[0];
        } else {
            EXPECT_NEAR(out, c.want, c.tolerance) << int(c.op) << " " << c.x[0];
        }
        if (c.op == Op::minIndx || c.op == Op::maxIndx) {
            EXPECT_EQ(index, c.index) << c.x[0];
        }
    }
}

// A null value pointer is refused even with an index; a null index gives the value alone.
TEST(Statistics, NullValueIsRefusedAndANullIndexGivesTheValueAlone)
{
    const double x[] = {4, -1, 7, -1, 7};
    double value = untouched;
    int at = -1;
    float single = 1.0f;
    EXPECT_EQ(ippsMean_32f(&single, 0, nullptr, ippAlgHintNone), ippStsNullPtrErr);
    EXPECT_EQ(ippsMinIndx_64f(x, 0, nullptr, &at), ippStsNullPtrErr);
    EXPECT_EQ(ippsMaxIndx_64f(x, -1, &value, &at), ippStsSizeErr);
    EXPECT_TRUE(value == untouched && at == -1 && single == 1.0f);
    EXPECT_EQ(ippsMinIndx_64f(x, 5, &value, nullptr), ippStsNoErr);
    EXPECT_EQ(value, -1.0);
    EXPECT_EQ(ippsMaxIndx_64f(x, 5, &value, nullptr), ippStsNoErr);
    EXPECT_EQ(value, 7.0);
    const float values[] = {1.0f, 2.0f, 4.0f, 1e8f, -1e8f};
    ASSERT_EQ(ippsMean_32f(values, 5, &single, ippAlgHintAccurate), ippStsNoErr);
    EXPECT_EQ(single, 7.0f / 5.0f);
}

} // namespace
