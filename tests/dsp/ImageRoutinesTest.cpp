#include "dsp/ImageRoutines.h"
#include "dsp/RandomRoutines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using namespace dsp::native;

constexpr int kSide = 256;

int mul(int x, int y)
{
    const int p = x * y;
    return (p + (p >> 8) + 1) >> 8;
}

int satRef(int v)
{
    return std::min(v, 255);
}

// The compositing table written out plainly, one pixel at a time. Sums the table
// shows without saturation must stay within a byte: the reference checks it.
std::array<int, 4> composeReference(int type, const std::array<int, 4>& a, const std::array<int, 4>& b)
{
    const int aA = a[3], aB = b[3], kA = 255 - aA, kB = 255 - aB;
    std::array<int, 4> r{};
    for (int i = 0; i < 3; ++i) {
        const int x = a[i], y = b[i];
        switch (type) {
        case 0: r[i] = mul(x, aA) + mul(mul(y, aB), kA); break;
        case 1: r[i] = mul(mul(x, aA), aB); break;
        case 2: r[i] = mul(mul(x, aA), kB); break;
        case 3: r[i] = mul(mul(x, aA), aB) + mul(mul(y, aB), kA); break;
        case 4: r[i] = mul(mul(x, aA), kB) + mul(mul(y, aB), kA); break;
        case 5: r[i] = satRef(mul(x, aA) + mul(y, aB)); break;
        case 6: r[i] = satRef(x + mul(y, kA)); break;
        case 7: r[i] = mul(x, aB); break;
        case 8: r[i] = mul(x, kB); break;
        case 9: r[i] = satRef(mul(x, aB) + mul(y, kA)); break;
        case 10: r[i] = satRef(mul(kB, x) + mul(kA, y)); break;
        default: r[i] = satRef(x + y); break;
        }
    }
    switch (type) {
    case 0: case 6: r[3] = aA + mul(aB, kA); break;
    case 1: case 7: r[3] = mul(aB, aA); break;
    case 2: r[3] = mul(aA, kB); break;
    case 8: r[3] = mul(kB, aA); break;
    case 3: case 9: r[3] = aB; break;
    case 4: case 10: r[3] = mul(kB, aA) + mul(kA, aB); break;
    default: r[3] = satRef(aA + aB); break;
    }
    return r;
}

class AlphaComposition : public ::testing::TestWithParam<int> {};

TEST_P(AlphaComposition, EveryPairOfAlphaValuesMatchesTheReference)
{
    const int type = GetParam();
    // src1's alpha is the row, src2's the column; the destination is src2 itself.
    constexpr int step = kSide * 4 + 12;
    for (const auto& colours : std::vector<std::array<int, 2>>{{0, 0}, {255, 255}, {200, 77}, {1, 254}, {128, 128}}) {
        std::vector<Ipp8u> src1(static_cast<std::size_t>(step) * kSide), src2(src1.size());
        for (int r = 0; r < kSide; ++r)
            for (int c = 0; c < kSide; ++c) {
                Ipp8u* p = &src1[static_cast<std::size_t>(r * step + 4 * c)];
                Ipp8u* q = &src2[static_cast<std::size_t>(r * step + 4 * c)];
                p[0] = static_cast<Ipp8u>(colours[0]);
                p[1] = static_cast<Ipp8u>(255 - colours[0]);
                p[2] = static_cast<Ipp8u>(colours[1]);
                p[3] = static_cast<Ipp8u>(r);
                q[0] = static_cast<Ipp8u>(colours[1]);
                q[1] = static_cast<Ipp8u>(colours[0]);
                q[2] = static_cast<Ipp8u>(255 - colours[1]);
                q[3] = static_cast<Ipp8u>(c);
            }
        const std::vector<Ipp8u> before = src2;
        ASSERT_EQ(ippiAlphaComp_8u_AC4R(src1.data(), step, src2.data(), step, src2.data(), step, {kSide, kSide},
                                        static_cast<IppiAlphaType>(type)),
                  ippStsNoErr);
        for (int r = 0; r < kSide; ++r)
            for (int c = 0; c < kSide; ++c) {
                const std::size_t at = static_cast<std::size_t>(r * step + 4 * c);
                const std::array<int, 4> a{src1[at], src1[at + 1], src1[at + 2], src1[at + 3]};
                const std::array<int, 4> b{before[at], before[at + 1], before[at + 2], before[at + 3]};
                const auto expected = composeReference(type, a, b);
                for (int i = 0; i < 4; ++i) {
                    ASSERT_LE(expected[i], 255) << "type " << type;
                    ASSERT_EQ(src2[at + i], expected[i]) << "type " << type << " aA " << r << " aB " << c << " ch " << i;
                }
            }
        // The padding after each row is never touched.
        for (int r = 0; r < kSide; ++r)
            for (int i = 4 * kSide; i < step; ++i)
                ASSERT_EQ(src2[static_cast<std::size_t>(r * step + i)], before[static_cast<std::size_t>(r * step + i)]);
    }
}

INSTANTIATE_TEST_SUITE_P(AllTypes, AlphaComposition, ::testing::Range(0, 12));

// Unknown types are refused; a bad size is reported before the type.
TEST(AlphaComposition, TypeChecks)
{
    const Ipp8u a[4] = {200, 200, 200, 200}, b[4] = {100, 100, 100, 100};
    Ipp8u d[4] = {};
    EXPECT_EQ(ippiAlphaComp_8u_AC4R(a, 4, b, 4, d, 4, {1, 1}, static_cast<IppiAlphaType>(12)), ippStsAlphaTypeErr);
    EXPECT_EQ(ippiAlphaComp_8u_AC4R(a, 4, b, 4, d, 4, {1, 1}, static_cast<IppiAlphaType>(-1)), ippStsAlphaTypeErr);
    EXPECT_EQ(ippiAlphaComp_8u_AC4R(a, 4, b, 4, d, 4, {0, 1}, static_cast<IppiAlphaType>(12)), ippStsSizeErr);
}

// Pixel (r, c) of a width x height region of 3-byte pixels holds r * width + c.
std::vector<Ipp8u> numberedRegion(int width, int height, int step)
{
    std::vector<Ipp8u> image(static_cast<std::size_t>(step * height), 0xEE);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            for (int i = 0; i < 3; ++i)
                image[static_cast<std::size_t>(r * step + 3 * c + i)] = static_cast<Ipp8u>(r * width + c + 50 * i);
    return image;
}

TEST(Mirror, EveryAxisOnOddAndEvenRegions)
{
    for (const IppiSize size : {IppiSize{3, 3}, IppiSize{4, 2}, IppiSize{5, 3}, IppiSize{1, 4}}) {
        const int step = 3 * size.width + 2;
        for (IppiAxis axis : {ippAxsHorizontal, ippAxsVertical, ippAxsBoth}) {
            const auto original = numberedRegion(size.width, size.height, step);
            auto image = original;
            ASSERT_EQ(ippiMirror_8u_C3IR(image.data(), step, size, axis), ippStsNoErr);
            for (int r = 0; r < size.height; ++r)
                for (int c = 0; c < size.width; ++c) {
                    const int fromRow = axis == ippAxsVertical ? r : size.height - 1 - r;
                    const int fromColumn = axis == ippAxsHorizontal ? c : size.width - 1 - c;
                    for (int i = 0; i < 3; ++i)
                        EXPECT_EQ(image[static_cast<std::size_t>(r * step + 3 * c + i)],
                                  original[static_cast<std::size_t>(fromRow * step + 3 * fromColumn + i)])
                            << size.width << "x" << size.height << " axis " << axis;
                }
            for (int r = 0; r < size.height; ++r)
                EXPECT_EQ(image[static_cast<std::size_t>(r * step + step - 1)], 0xEE);
        }
    }
    Ipp8u pixel[3] = {};
    EXPECT_EQ(ippiMirror_8u_C3IR(pixel, 3, {1, 1}, static_cast<IppiAxis>(3)), ippStsMirrorFlipErr);
}

TEST(RegionCopyAndSet, RowsAdvanceByTheirOwnSteps)
{
    std::vector<Ipp32s> src(3 * 5), dst(4 * 5, -1);
    for (int i = 0; i < 15; ++i)
        src[i] = i;
    ASSERT_EQ(ippiCopy_32s_C1R(src.data(), 3 * 4, dst.data(), 4 * 4, {2, 5}), ippStsNoErr);
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ(dst[r * 4], r * 3);
        EXPECT_EQ(dst[r * 4 + 1], r * 3 + 1);
        EXPECT_EQ(dst[r * 4 + 2], -1);
    }
    const Ipp8u value[4] = {1, 2, 3, 4};
    std::vector<Ipp8u> image(2 * 12, 0);
    ASSERT_EQ(ippiSet_8u_C4R(value, image.data(), 12, {2, 2}), ippStsNoErr);
    EXPECT_EQ(std::vector<Ipp8u>(image.begin() + 12, image.begin() + 20), (std::vector<Ipp8u>{1, 2, 3, 4, 1, 2, 3, 4}));
    EXPECT_EQ(image[20], 0);
    EXPECT_EQ(ippiSet_8u_C4R(value, image.data(), 0, {2, 2}), ippStsStepErr);
    std::vector<Ipp8u> copy(image.size(), 9);
    ASSERT_EQ(ippiCopy_8u_C4R(image.data(), 12, copy.data(), 12, {2, 2}), ippStsNoErr);
    EXPECT_EQ(copy[19], 4);
    EXPECT_EQ(copy[20], 9);
}

struct LutChannel {
    std::vector<Ipp32s> levels;
    std::vector<Ipp32s> values;
};

std::vector<Ipp8u> applyLut(const std::array<LutChannel, 4>& channels, IppStatus* status = nullptr)
{
    std::vector<Ipp8u> src(256 * 4), dst(256 * 4, 0);
    for (int i = 0; i < 256 * 4; ++i)
        src[i] = static_cast<Ipp8u>(i / 4);
    const Ipp32s* values[4];
    const Ipp32s* levels[4];
    int counts[4];
    for (int c = 0; c < 4; ++c) {
        values[c] = channels[c].values.data();
        levels[c] = channels[c].levels.data();
        counts[c] = static_cast<int>(channels[c].levels.size());
    }
    const IppStatus result = ippiLUT_Linear_8u_C4R(src.data(), 256 * 4, dst.data(), 256 * 4, {256, 1}, values, levels, counts);
    if (status)
        *status = result;
    return dst;
}

TEST(LinearLookUp, InterpolatesBetweenLevelsAndKeepsTheRestAsItIs)
{
    const LutChannel full{{0, 256}, {0, 255}};
    const LutChannel middle{{100, 200}, {0, 50}};
    const LutChannel extreme{{-2147483647 - 1, 2147483647}, {0, 255}};
    const LutChannel single{{300, 400}, {7, 9}};
    IppStatus status = -1;
    const auto out = applyLut({full, middle, extreme, single}, &status);
    ASSERT_EQ(status, ippStsNoErr);
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(out[4 * b], static_cast<int>(b * 255.0L / 256 + 0.5L)) << b;
        const int expectedMiddle = b < 100 || b >= 200 ? b : static_cast<int>(std::trunc((b - 100) * 0.5L + 0.5L));
        EXPECT_EQ(out[4 * b + 1], expectedMiddle) << b;
        EXPECT_EQ(out[4 * b + 2], 128) << b; // a nearly flat line just above the middle of the range
        EXPECT_EQ(out[4 * b + 3], b == 255 ? 7 : b) << b;
    }
}

TEST(LinearLookUp, ChecksInTheirOrder)
{
    const LutChannel ok{{0, 256}, {0, 255}};
    const LutChannel tooFew{{0}, {0}};
    IppStatus status = 0;
    applyLut({ok, ok, tooFew, ok}, &status);
    EXPECT_EQ(status, ippStsLUTNofLevelsErr);
    const Ipp8u byte[4] = {};
    Ipp8u out[4] = {};
    const Ipp32s* values[4] = {ok.values.data(), nullptr, ok.values.data(), ok.values.data()};
    const Ipp32s* levels[4] = {ok.levels.data(), ok.levels.data(), ok.levels.data(), ok.levels.data()};
    int counts[4] = {2, 1, 2, 2};
    EXPECT_EQ(ippiLUT_Linear_8u_C4R(byte, 4, out, 4, {0, 0}, values, levels, counts), ippStsNullPtrErr);
    values[1] = ok.values.data();
    EXPECT_EQ(ippiLUT_Linear_8u_C4R(byte, 4, out, 4, {0, 0}, values, levels, counts), ippStsLUTNofLevelsErr);
    counts[1] = 2;
    EXPECT_EQ(ippiLUT_Linear_8u_C4R(byte, 4, out, 4, {0, 0}, values, levels, counts), ippStsSizeErr);
    EXPECT_EQ(ippiLUT_Linear_8u_C4R(byte, 0, out, 4, {1, 1}, values, levels, counts), ippStsStepErr);
    EXPECT_EQ(ippiLUT_Linear_8u_C4R(byte, 4, out, 0, {1, 1}, values, levels, counts), ippStsStepErr);
    EXPECT_EQ(ippiLUT_Linear_8u_C4R(byte, 4, out, 4, {1, 1}, values, levels, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(std::vector<Ipp8u>(out, out + 4), std::vector<Ipp8u>(4, 0));
}

TEST(UniformRandom, SameSeedSameSequenceAndTheSeedAdvances)
{
    std::vector<double> first(100), second(100);
    unsigned seed1 = 12345, seed2 = 12345;
    ASSERT_EQ(ippsRandUniform_Direct_64f(first.data(), 100, -3, 5, &seed1), ippStsNoErr);
    ASSERT_EQ(ippsRandUniform_Direct_64f(second.data(), 100, -3, 5, &seed2), ippStsNoErr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(seed1, seed2);
    EXPECT_NE(seed1, 12345u);
    ASSERT_EQ(ippsRandUniform_Direct_64f(second.data(), 100, -3, 5, &seed2), ippStsNoErr);
    EXPECT_NE(first, second);
}

TEST(UniformRandom, ValuesStayWithinTheHalfOpenRange)
{
    std::vector<double> values(200000);
    unsigned seed = 99;
    for (const auto& [low, high] : std::vector<std::pair<double, double>>{{0, 1}, {-1e300, 1e300}, {1e10, 1e10 + 1}}) {
        ASSERT_EQ(ippsRandUniform_Direct_64f(values.data(), static_cast<int>(values.size()), low, high, &seed),
                  ippStsNoErr);
        for (double v : values) {
            ASSERT_GE(v, low);
            ASSERT_LT(v, high);
        }
    }
    // This seed makes the first output integer the most negative one, which must
    // map onto the low bound itself and not below it.
    unsigned lowestSeed = 1351363748u;
    double lowest = -1;
    ASSERT_EQ(ippsRandUniform_Direct_64f(&lowest, 1, 0.0, 1.0, &lowestSeed), ippStsNoErr);
    EXPECT_EQ(lowest, 0.0);
    lowestSeed = 1351363748u;
    ASSERT_EQ(ippsRandUniform_Direct_64f(&lowest, 1, -2.0, 6.0, &lowestSeed), ippStsNoErr);
    EXPECT_EQ(lowest, -2.0);
}

} // namespace
