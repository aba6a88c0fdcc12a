#include "dsp/ComplexCorrelation.h"

#include <gmock/gmock.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "CorrelationTestSupport.h"

using namespace dsp::native;
using namespace corrtest;

namespace {

using AutoCorrRoutine = IppStatus (*)(const Ipp64fc*, int, Ipp64fc*, int);

bool isZero(const Ipp64fc& v)
{
    return v.re == 0.0 && v.im == 0.0;
}

struct AutoCase {
    int srcLen;
    int dstLen;
};

class ComplexAutoCorr : public testing::TestWithParam<AutoCase> {};

// All three forms against the defining sum, on both sides of the 96-lag switch.
TEST_P(ComplexAutoCorr, MatchesTheDefiningSumInEveryForm)
{
    const auto [srcLen, dstLen] = GetParam();
    const auto x = randomComplex(srcLen, srcLen * 3 + dstLen);
    const double tol = tolerance(scaleOf(x, x));
    struct Form {
        AutoCorrRoutine routine;
        int kind;
    };
    for (const Form form :
         {Form{ippsAutoCorr_64fc, 0}, Form{ippsAutoCorr_NormA_64fc, 1}, Form{ippsAutoCorr_NormB_64fc, 2}}) {
        std::vector<Ipp64fc> out(dstLen, Ipp64fc{99, 99});
        ASSERT_EQ(form.routine(x.data(), srcLen, out.data(), dstLen), ippStsNoErr);
        for (int n = 0; n < dstLen; ++n) {
            if (n >= srcLen) {
                ASSERT_TRUE(isZero(out[n])) << "lag " << n;
                continue;
            }
            Cld want = crossRef(x, x, n);
            if (form.kind == 1)
                want /= static_cast<long double>(srcLen);
            if (form.kind == 2)
                want /= static_cast<long double>(srcLen - n);
            ASSERT_TRUE(near(out[n], want, tol)) << "form " << form.kind << " lag " << n;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, ComplexAutoCorr,
                         testing::Values(AutoCase{1, 1}, AutoCase{4, 4}, AutoCase{9, 14}, AutoCase{95, 95},
                                         AutoCase{96, 96}, AutoCase{100, 100}, AutoCase{300, 95},
                                         AutoCase{300, 96}, AutoCase{2500, 3000}));

TEST(ComplexAutoCorr, TwoElementSignal)
{
    const std::vector<Ipp64fc> x{{1, 0}, {0, 1}};
    std::vector<Ipp64fc> out(3, Ipp64fc{9, 9});
    ASSERT_EQ(ippsAutoCorr_64fc(x.data(), 2, out.data(), 3), ippStsNoErr);
    EXPECT_TRUE(out[0].re == 2 && out[0].im == 0);
    EXPECT_TRUE(out[1].re == 0 && out[1].im == 1);
    EXPECT_TRUE(isZero(out[2]));
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

class ComplexCrossCorr : public testing::TestWithParam<CrossCase> {};

TEST_P(ComplexCrossCorr, MatchesTheDefiningSumOverTheWholeWindow)
{
    const CrossCase c = GetParam();
    const auto a = randomComplex(c.len1, 17 + c.len1);
    const auto b = randomComplex(c.len2, 19 + c.len2);
    const double tol = tolerance(scaleOf(a, b));
    std::vector<Ipp64fc> out(c.dstLen, Ipp64fc{99, 99});
    ASSERT_EQ(ippsCrossCorr_64fc(a.data(), c.len1, b.data(), c.len2, out.data(), c.dstLen, c.lowLag), ippStsNoErr);
    for (int n = 0; n < c.dstLen; ++n)
        ASSERT_TRUE(near(out[n], crossRef(a, b, std::int64_t{c.lowLag} + n), tol)) << "output " << n;
}

INSTANTIATE_TEST_SUITE_P(
    Windows, ComplexCrossCorr,
    testing::Values(CrossCase{"single samples", 1, 1, -1, 3}, CrossCase{"left of the overlap", 4, 6, -12, 5},
                    CrossCase{"right of the overlap", 4, 6, 6, 3}, CrossCase{"straddling both ends", 5, 8, -7, 16},
                    CrossCase{"estimate 511, direct", 520, 520, -100, 511},
                    CrossCase{"estimate 512, FFT", 520, 520, -100, 512},
                    CrossCase{"FFT, straddling both ends", 600, 700, -650, 1400}));

TEST(ComplexCrossCorr, ExtremeLagsGiveZeros)
{
    const std::vector<Ipp64fc> a{{1, 1}}, b{{2, 0}, {0, 3}};
    for (const int lowLag : {INT_MIN, INT_MAX - 1}) {
        std::vector<Ipp64fc> out(5, Ipp64fc{99, 99});
        ASSERT_EQ(ippsCrossCorr_64fc(a.data(), 1, b.data(), 2, out.data(), 5, lowLag), ippStsNoErr);
        for (const auto& v : out)
            EXPECT_TRUE(isZero(v)) << lowLag;
    }
}

TEST(ComplexCorrelation, RefusedArgumentsAndAllocationFailures)
{
    const auto x = randomComplex(400, 3);
    std::vector<Ipp64fc> out(700, Ipp64fc{7, 7});
    EXPECT_EQ(ippsAutoCorr_64fc(nullptr, 0, out.data(), 4), ippStsNullPtrErr);
    EXPECT_EQ(ippsAutoCorr_NormB_64fc(x.data(), 4, out.data(), 0), ippStsSizeErr);
    EXPECT_EQ(ippsCrossCorr_64fc(x.data(), 4, x.data(), 4, nullptr, 0, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippsCrossCorr_64fc(x.data(), 0, x.data(), 4, out.data(), 4, 0), ippStsSizeErr);
    for (const auto& v : out)
        ASSERT_TRUE(v.re == 7 && v.im == 7);
    EXPECT_GT(expectEachAllocationFailureGivesMemAllocErr(
                  [&] { return ippsAutoCorr_NormB_64fc(x.data(), 400, out.data(), 400); }),
              2);
    EXPECT_GT(expectEachAllocationFailureGivesMemAllocErr(
                  [&] { return ippsCrossCorr_64fc(x.data(), 400, x.data(), 400, out.data(), 700, -350); }),
              1);
}

} // namespace
