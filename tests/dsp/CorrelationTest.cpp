#include "dsp/Correlation.h"

#include <gmock/gmock.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "CorrelationTestSupport.h"

using namespace dsp::native;
using namespace corrtest;
using ::testing::ElementsAre;
using ::testing::Each;

namespace {

using AutoCorrRoutine = IppStatus (*)(const Ipp64f*, int, Ipp64f*, int);

struct AutoCase {
    int srcLen;
    int dstLen;
};

class RealAutoCorr : public testing::TestWithParam<AutoCase> {};

// All three forms against the defining sum, on both sides of the 600-lag switch.
TEST_P(RealAutoCorr, MatchesTheDefiningSumInEveryForm)
{
    const auto [srcLen, dstLen] = GetParam();
    const auto x = randomReal(srcLen, srcLen * 7 + dstLen);
    const double tol = tolerance(scaleOf(x, x));
    struct Form {
        AutoCorrRoutine routine;
        int kind;
    };
    for (const Form form : {Form{ippsAutoCorr_64f, 0}, Form{ippsAutoCorr_NormA_64f, 1}, Form{ippsAutoCorr_NormB_64f, 2}}) {
        std::vector<double> out(dstLen, 99.0);
        ASSERT_EQ(form.routine(x.data(), srcLen, out.data(), dstLen), ippStsNoErr);
        for (int k = 0; k < dstLen; ++k) {
            long double want = k < srcLen ? crossRef(x, x, k) : 0.0L;
            if (form.kind == 1)
                want /= srcLen;
            if (form.kind == 2 && k < srcLen)
                want /= srcLen - k;
            ASSERT_TRUE(near(out[k], want, tol)) << "form " << form.kind << " lag " << k << ": " << out[k];
            if (k >= srcLen) {
                ASSERT_EQ(out[k], 0.0);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, RealAutoCorr,
                         testing::Values(AutoCase{1, 1}, AutoCase{5, 3}, AutoCase{7, 12}, AutoCase{599, 599},
                                         AutoCase{600, 600}, AutoCase{1500, 599}, AutoCase{1500, 600},
                                         AutoCase{600, 900}, AutoCase{5000, 5000}));

TEST(RealAutoCorr, NormalisedFormsOfAConstantSignal)
{
    const std::vector<double> ones{1, 1, 1};
    std::vector<double> a(3), b(3);
    ASSERT_EQ(ippsAutoCorr_NormA_64f(ones.data(), 3, a.data(), 3), ippStsNoErr);
    ASSERT_EQ(ippsAutoCorr_NormB_64f(ones.data(), 3, b.data(), 3), ippStsNoErr);
    EXPECT_THAT(a, ElementsAre(1.0, 2.0 / 3.0, 1.0 / 3.0));
    EXPECT_THAT(b, ElementsAre(1.0, 1.0, 1.0));
}

TEST(RealCrossCorr, SmallWindowAcrossBothEnds)
{
    const std::vector<double> a{1, 2}, b{3, 4, 5};
    std::vector<double> out(4);
    ASSERT_EQ(ippsCrossCorr_64f(a.data(), 2, b.data(), 3, out.data(), 4, -1), ippStsNoErr);
    EXPECT_THAT(out, ElementsAre(6.0, 11.0, 14.0, 5.0));
}

struct CrossCase {
    const char* what;
    int len1;
    int len2;
    int lowLag;
    int dstLen;
};

std::ostream& operator<<(std::ostream& out, const CrossCase& c)
{
    return out << c.what;
}

class RealCrossCorr : public testing::TestWithParam<CrossCase> {};

TEST_P(RealCrossCorr, MatchesTheDefiningSumOverTheWholeWindow)
{
    const CrossCase c = GetParam();
    const auto a = randomReal(c.len1, 11 + c.len1);
    const auto b = randomReal(c.len2, 13 + c.len2);
    const double tol = tolerance(scaleOf(a, b));
    std::vector<double> out(c.dstLen, 99.0);
    ASSERT_EQ(ippsCrossCorr_64f(a.data(), c.len1, b.data(), c.len2, out.data(), c.dstLen, c.lowLag), ippStsNoErr);
    for (int n = 0; n < c.dstLen; ++n)
        ASSERT_TRUE(near(out[n], crossRef(a, b, std::int64_t{c.lowLag} + n), tol)) << "output " << n;
}

// Windows fully left, fully right, straddling either end or both, and work
// estimates on both sides of 511/512 (equal lengths: the estimate is the count).
INSTANTIATE_TEST_SUITE_P(
    Windows, RealCrossCorr,
    testing::Values(CrossCase{"left of the overlap", 5, 7, -20, 10}, CrossCase{"right of the overlap", 5, 7, 7, 6},
                    CrossCase{"into the overlap from the left", 5, 7, -9, 8},
                    CrossCase{"out of the overlap to the right", 5, 7, 3, 9},
                    CrossCase{"over the whole overlap", 6, 9, -8, 20}, CrossCase{"single samples", 1, 1, -1, 3},
                    CrossCase{"estimate 511, direct", 600, 600, -200, 511},
                    CrossCase{"estimate 512, transforms", 600, 600, -200, 512},
                    CrossCase{"transforms, window straddling both ends", 700, 650, -800, 1600},
                    CrossCase{"unequal lengths, direct", 40, 3000, -50, 2000},
                    CrossCase{"unequal lengths, transforms", 1000, 2000, -1100, 3200}));

// Lag arithmetic near the ends of the 32-bit range must neither wrap nor read
// outside the sources: everything outside the overlap is zero.
TEST(RealCrossCorr, ExtremeLagsGiveZerosWithoutReadingOutOfRange)
{
    const std::vector<double> a{1.0}, b{2.0, 3.0};
    for (const int lowLag : {INT_MIN, INT_MIN + 1, INT_MAX - 2, INT_MAX}) {
        std::vector<double> out(6, 99.0);
        ASSERT_EQ(ippsCrossCorr_64f(a.data(), 1, b.data(), 2, out.data(), 6, lowLag), ippStsNoErr) << lowLag;
        EXPECT_THAT(out, Each(0.0)) << lowLag;
    }
    const std::vector<double> c{1.0, 1.0, 1.0};
    std::vector<double> out(4, 99.0);
    ASSERT_EQ(ippsCrossCorr_64f(c.data(), 3, b.data(), 2, out.data(), 4, INT_MIN), ippStsNoErr);
    EXPECT_THAT(out, Each(0.0));
}

TEST(RealCorrelation, RefusedArgumentsWriteNothing)
{
    const double x[4] = {1, 2, 3, 4};
    double out[4] = {7, 7, 7, 7};
    for (const AutoCorrRoutine routine : {ippsAutoCorr_64f, ippsAutoCorr_NormA_64f, ippsAutoCorr_NormB_64f}) {
        EXPECT_EQ(routine(nullptr, 0, out, 4), ippStsNullPtrErr);
        EXPECT_EQ(routine(x, 4, nullptr, 4), ippStsNullPtrErr);
        EXPECT_EQ(routine(x, 0, out, 4), ippStsSizeErr);
        EXPECT_EQ(routine(x, 4, out, 0), ippStsSizeErr);
    }
    EXPECT_EQ(ippsCrossCorr_64f(x, 4, nullptr, 0, out, 4, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippsCrossCorr_64f(x, 4, x, 4, out, -1, 0), ippStsSizeErr);
    EXPECT_EQ(ippsCrossCorr_64f(x, 4, x, 0, out, 4, 0), ippStsSizeErr);
    EXPECT_THAT(out, Each(7.0));
}

TEST(RealCorrelation, EachAllocationFailingInTurnGivesMemAllocErr)
{
    const auto x = randomReal(3000, 5);
    std::vector<double> out(3000);
    EXPECT_GT(expectEachAllocationFailureGivesMemAllocErr(
                  [&] { return ippsAutoCorr_NormB_64f(x.data(), 3000, out.data(), 3000); }),
              2);
    EXPECT_GT(expectEachAllocationFailureGivesMemAllocErr(
                  [&] { return ippsCrossCorr_64f(x.data(), 3000, x.data(), 2000, out.data(), 3000, -1000); }),
              2);
}

} // namespace
