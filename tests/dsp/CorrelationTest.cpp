#include "dsp/ComplexCorrelation.h"
#include "dsp/Correlation.h"

#include <gmock/gmock.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "CorrelationTestSupport.h"

using namespace dsp::native;
using namespace corrtest;

namespace {

template <typename T>
using AutoCorr = IppStatus (*)(const T*, int, T*, int);
template <typename T>
using CrossCorr = IppStatus (*)(const T*, int, const T*, int, T*, int, int);

// The plain, NormA and NormB autocorrelations and the cross-correlation of each type.
template <typename T>
struct Routines;
template <>
struct Routines<double> {
    static constexpr AutoCorr<double> autos[3] = {ippsAutoCorr_64f, ippsAutoCorr_NormA_64f, ippsAutoCorr_NormB_64f};
    static constexpr CrossCorr<double> cross = ippsCrossCorr_64f;
};
template <>
struct Routines<Ipp64fc> {
    static constexpr AutoCorr<Ipp64fc> autos[3] = {ippsAutoCorr_64fc, ippsAutoCorr_NormA_64fc,
                                                   ippsAutoCorr_NormB_64fc};
    static constexpr CrossCorr<Ipp64fc> cross = ippsCrossCorr_64fc;
};

template <typename T>
void checkAutoCorrelations(int srcLen, int dstLen)
{
    const auto x = randomOf<T>(srcLen, srcLen * 7 + dstLen);
    const double tol = toleranceFor(x, x);
    std::vector<decltype(crossRef(x, x, 0))> lags(dstLen);
    for (int k = 0; k < dstLen; ++k)
        lags[k] = crossRef(x, x, k);
    for (int form = 0; form < 3; ++form) {
        std::vector<T> out(dstLen, stale<T>());
        ASSERT_EQ(Routines<T>::autos[form](x.data(), srcLen, out.data(), dstLen), ippStsNoErr);
        for (int k = 0; k < dstLen; ++k) {
            auto want = lags[k];
            if (form == 1)
                want /= static_cast<long double>(srcLen);
            if (form == 2 && k < srcLen)
                want /= static_cast<long double>(srcLen - k);
            ASSERT_TRUE(near(out[k], want, k < srcLen ? tol : 0.0)) << "form " << form << ", lag " << k;
        }
    }
}

struct AutoCase {
    int srcLen;
    int dstLen;
};

class Autocorrelation : public testing::TestWithParam<AutoCase> {};

// Both sides of the 96-lag (complex) and 600-lag (real) switches to the transforms.
TEST_P(Autocorrelation, EveryFormMatchesTheDefiningSum)
{
    checkAutoCorrelations<double>(GetParam().srcLen, GetParam().dstLen);
    checkAutoCorrelations<Ipp64fc>(GetParam().srcLen, GetParam().dstLen);
}

INSTANTIATE_TEST_SUITE_P(Lengths, Autocorrelation,
                         testing::Values(AutoCase{1, 1}, AutoCase{7, 12}, AutoCase{95, 95}, AutoCase{96, 96},
                                         AutoCase{300, 95}, AutoCase{300, 96}, AutoCase{599, 599},
                                         AutoCase{600, 600}, AutoCase{1500, 599}, AutoCase{1500, 600},
                                         AutoCase{600, 900}));

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

template <typename T>
void checkCrossCorrelation(const CrossCase& c)
{
    const auto a = randomOf<T>(c.len1, 11 + c.len1);
    const auto b = randomOf<T>(c.len2, 13 + c.len2);
    const double tol = toleranceFor(a, b);
    std::vector<T> out(c.dstLen, stale<T>());
    ASSERT_EQ(Routines<T>::cross(a.data(), c.len1, b.data(), c.len2, out.data(), c.dstLen, c.lowLag), ippStsNoErr);
    for (int n = 0; n < c.dstLen; ++n)
        ASSERT_TRUE(near(out[n], crossRef(a, b, std::int64_t{c.lowLag} + n), tol)) << "output " << n;
}

class CrossCorrelation : public testing::TestWithParam<CrossCase> {};

TEST_P(CrossCorrelation, MatchesTheDefiningSumOverTheWholeWindow)
{
    checkCrossCorrelation<double>(GetParam());
    checkCrossCorrelation<Ipp64fc>(GetParam());
}

// Windows fully left, fully right, straddling one end or both, and work
// estimates on both sides of 511/512 (equal lengths: the estimate is the count).
INSTANTIATE_TEST_SUITE_P(
    Windows, CrossCorrelation,
    testing::Values(CrossCase{"left of the overlap", 5, 7, -20, 10}, CrossCase{"right of the overlap", 5, 7, 7, 6},
                    CrossCase{"into the overlap from the left", 5, 7, -9, 8},
                    CrossCase{"out of the overlap to the right", 5, 7, 3, 9},
                    CrossCase{"over the whole overlap", 6, 9, -8, 20},
                    CrossCase{"estimate 511, direct", 600, 600, -200, 511},
                    CrossCase{"estimate 512, transforms", 600, 600, -200, 512},
                    CrossCase{"transforms over both ends", 700, 650, -800, 1600},
                    CrossCase{"unequal lengths, direct", 40, 3000, -50, 2000},
                    CrossCase{"unequal lengths, transforms", 1000, 2000, -1100, 3200}));

// Lag arithmetic near the ends of the 32-bit range must neither wrap nor read
// outside the sources: every lag there lies outside the overlap.
TEST(Correlation, ExtremeLagsGiveZeros)
{
    const std::vector<double> one{1.0}, three{1.0, 2.0, 3.0};
    const std::vector<Ipp64fc> complexOne{{1, 1}};
    for (const int lowLag : {INT_MIN, INT_MIN + 1, INT_MAX - 2, INT_MAX}) {
        std::vector<double> out(6, 99.0);
        ASSERT_EQ(ippsCrossCorr_64f(one.data(), 1, three.data(), 3, out.data(), 6, lowLag), ippStsNoErr);
        EXPECT_THAT(out, testing::Each(0.0)) << lowLag;
        ASSERT_EQ(ippsCrossCorr_64f(three.data(), 3, one.data(), 1, out.data(), 6, lowLag), ippStsNoErr);
        EXPECT_THAT(out, testing::Each(0.0)) << lowLag;
        std::vector<Ipp64fc> complexOut(6, Ipp64fc{99, 99});
        ASSERT_EQ(ippsCrossCorr_64fc(complexOne.data(), 1, complexOne.data(), 1, complexOut.data(), 6, lowLag),
                  ippStsNoErr);
        for (const auto& v : complexOut)
            EXPECT_TRUE(near(v, Cld(0, 0), 0)) << lowLag;
    }
}

TEST(Correlation, EachAllocationFailingInTurnGivesMemAllocErr)
{
    const auto x = randomOf<double>(3000, 5);
    const auto z = randomOf<Ipp64fc>(400, 6);
    std::vector<double> out(3000);
    std::vector<Ipp64fc> complexOut(700);
    const std::function<IppStatus()> calls[] = {
        [&] { return ippsAutoCorr_NormB_64f(x.data(), 3000, out.data(), 3000); },
        [&] { return ippsCrossCorr_64f(x.data(), 3000, x.data(), 2000, out.data(), 3000, -1000); },
        [&] { return ippsAutoCorr_NormB_64fc(z.data(), 400, complexOut.data(), 400); },
        [&] { return ippsCrossCorr_64fc(z.data(), 400, z.data(), 400, complexOut.data(), 700, -350); }};
    for (const auto& call : calls)
        EXPECT_GT(expectEachAllocationFailureGivesMemAllocErr(call), 1);
}

} // namespace
