#include "dsp/ConversionRoutines.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

using namespace dsp::native;
using Quad = __float128;

constexpr Ipp32s kMin = std::numeric_limits<Ipp32s>::min();
constexpr Ipp32s kMax = std::numeric_limits<Ipp32s>::max();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Reference conversion: y = x x 2^-s exactly (quadruple precision), saturated,
// then rounded half to even or truncated.
Ipp32s referenceConvert(double x, int s, bool nearest)
{
    if (std::isnan(x))
        return kMax;
    Quad y = x;
    for (int i = 0; i < std::abs(s); ++i)
        y = s > 0 ? y / 2 : y * 2;
    if (y >= Quad(kMax))
        return kMax;
    if (y <= Quad(kMin))
        return kMin;
    auto truncated = static_cast<std::int64_t>(y);
    if (nearest) {
        const Quad fraction = y - Quad(truncated);
        const Quad distance = fraction < 0 ? -fraction : fraction;
        if (distance > Quad(0.5) || (distance == Quad(0.5) && truncated % 2 != 0))
            truncated += y < 0 ? -1 : 1;
    }
    return static_cast<Ipp32s>(truncated);
}

TEST(ConvertToInt32, MatchesExactReferenceOverScaleFactorsAndExtremes)
{
    std::vector<double> src{0.0, -0.0, 0.5, 1.5, -1.5, 1e-300, -1e300, 1e300, DBL_MAX, -DBL_MAX,
                            std::numeric_limits<double>::infinity(), 4.9e-324, 2147483647.0, -2147483648.0,
                            2.5, 3.5, -2.5, -0.4999, 2147483647.5, -1e10, kNaN, -2147483648.5, 2147483646.5};
    std::mt19937_64 generator(3);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-10, 40);
    for (int i = 0; i < 300; ++i)
        src.push_back(std::ldexp(mantissa(generator), exponent(generator)));
    for (int i = -8; i <= 8; ++i)
        src.push_back(i * 0.5 + 1024); // exact halves
    std::vector<Ipp32s> dst(src.size());
    std::vector<float> singles(src.begin(), src.end());
    std::vector<Ipp32s> fromSingles(src.size());
    const int n = static_cast<int>(src.size());
    for (int s = -40; s <= 40; ++s) {
        for (IppRoundMode mode : {ippRndNear, ippRndZero}) {
            ASSERT_EQ(ippsConvert_64f32s_Sfs(src.data(), dst.data(), n, mode, s), ippStsNoErr);
            ASSERT_EQ(ippsConvert_32f32s_Sfs(singles.data(), fromSingles.data(), n, mode, s), ippStsNoErr);
            for (int i = 0; i < n; ++i) {
                ASSERT_EQ(dst[i], referenceConvert(src[i], s, mode == ippRndNear)) << src[i] << " s=" << s;
                ASSERT_EQ(fromSingles[i], referenceConvert(singles[i], s, mode == ippRndNear))
                    << singles[i] << " s=" << s;
            }
        }
    }
    // Scale factors far outside the exponent range saturate or vanish cleanly.
    const double big[3] = {1.0, -1.0, 0.0};
    Ipp32s out[3];
    ASSERT_EQ(ippsConvert_64f32s_Sfs(big, out, 3, ippRndNear, -1000000), ippStsNoErr);
    EXPECT_EQ(out[0], kMax);
    EXPECT_EQ(out[1], kMin);
    EXPECT_EQ(out[2], 0);
    ASSERT_EQ(ippsConvert_64f32s_Sfs(big, out, 3, ippRndNear, 1000000), ippStsNoErr);
    EXPECT_EQ(out[0], 0);
}

TEST(ConvertToSingle, SaturatesAndMapsNaNToTheLowestSingle)
{
    const std::vector<double> src{1e300, -1e300, kNaN, 3.4028235677973366e38, 1.0 / 3.0, -0.0};
    std::vector<float> dst(src.size());
    ASSERT_EQ(ippsConvert_64f32f(src.data(), dst.data(), static_cast<int>(src.size())), ippStsNoErr);
    EXPECT_EQ(dst[0], FLT_MAX);
    EXPECT_EQ(dst[1], -FLT_MAX);
    EXPECT_EQ(dst[2], -FLT_MAX);
    EXPECT_EQ(dst[3], FLT_MAX);
    EXPECT_EQ(dst[4], static_cast<float>(1.0 / 3.0));
    EXPECT_TRUE(std::signbit(dst[5]));
}

TEST(Widening, ExactAndScaledConversions)
{
    const std::vector<Ipp32s> ints{kMin, -1, 0, kMax, 16777217};
    std::vector<double> doubles(5);
    ASSERT_EQ(ippsConvert_32s64f(ints.data(), doubles.data(), 5), ippStsNoErr);
    EXPECT_EQ(doubles[0], -2147483648.0);
    EXPECT_EQ(doubles[4], 16777217.0);
    std::vector<float> singles(5);
    ASSERT_EQ(ippsConvert_32s32f(ints.data(), singles.data(), 5), ippStsNoErr);
    EXPECT_EQ(singles[4], 16777216.0f);

    const std::vector<Ipp16s> shorts{-32768, -1, 0, 3, 32767};
    struct ScaleCase {
        int given;
        int applied;
    };
    for (const ScaleCase c : {ScaleCase{0, 0}, {1, 1}, {-3, -3}, {1022, 1022}, {5000, 1022}, {-1008, -1008},
                              {-5000, -1008}}) {
        ASSERT_EQ(ippsConvert_16s64f_Sfs(shorts.data(), doubles.data(), 5, c.given), ippStsNoErr);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(doubles[i], std::ldexp(static_cast<double>(shorts[i]), -c.applied)) << c.given;
    }
}

TEST(SwapBytes, EveryWidthReversesItsBytes)
{
    const std::vector<Ipp16u> halves{0x1234, 0xABCD};
    std::vector<Ipp16u> swappedHalves(2);
    ASSERT_EQ(ippsSwapBytes_16u(halves.data(), swappedHalves.data(), 2), ippStsNoErr);
    EXPECT_EQ(swappedHalves, (std::vector<Ipp16u>{0x3412, 0xCDAB}));
    std::vector<Ipp8u> triples{1, 2, 3, 4, 5, 6};
    ASSERT_EQ(ippsSwapBytes_24u(triples.data(), triples.data(), 2), ippStsNoErr);
    EXPECT_EQ(triples, (std::vector<Ipp8u>{3, 2, 1, 6, 5, 4}));
    std::vector<Ipp32u> words{0x11223344u};
    ASSERT_EQ(ippsSwapBytes_32u_I(words.data(), 1), ippStsNoErr);
    EXPECT_EQ(words[0], 0x44332211u);
}

} // namespace
