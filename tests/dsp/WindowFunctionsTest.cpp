#include "dsp/WindowFunctions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

using namespace dsp::native;

namespace {

enum class Kind { bartlett, blackman, hamming, hann, kaiser };
constexpr Kind allKinds[] = {Kind::bartlett, Kind::blackman, Kind::hamming, Kind::hann, Kind::kaiser};
constexpr double blackmanAlpha = -0.16;
constexpr float kaiserAlpha = 0.75f;
constexpr long double pi = 3.141592653589793238462643383279503L;

// src == dst picks the in-place form.
IppStatus runReal(Kind kind, const double* src, double* dst, int len, float kaiser = kaiserAlpha)
{
    const bool same = src == dst;
    switch (kind) {
    case Kind::bartlett: return same ? ippsWinBartlett_64f_I(dst, len) : ippsWinBartlett_64f(src, dst, len);
    case Kind::blackman:
        return same ? ippsWinBlackman_64f_I(dst, len, blackmanAlpha) : ippsWinBlackman_64f(src, dst, len, blackmanAlpha);
    case Kind::hamming: return same ? ippsWinHamming_64f_I(dst, len) : ippsWinHamming_64f(src, dst, len);
    case Kind::hann: return same ? ippsWinHann_64f_I(dst, len) : ippsWinHann_64f(src, dst, len);
    case Kind::kaiser: return same ? ippsWinKaiser_64f_I(dst, len, kaiser) : ippsWinKaiser_64f(src, dst, len, kaiser);
    }
    return ippStsNoErr;
}

IppStatus runComplex(Kind kind, Ipp64fc* z, int len, float kaiser = kaiserAlpha)
{
    switch (kind) {
    case Kind::bartlett: return ippsWinBartlett_64fc_I(z, len);
    case Kind::blackman: return ippsWinBlackman_64fc_I(z, len, blackmanAlpha);
    case Kind::hamming: return ippsWinHamming_64fc_I(z, len);
    case Kind::hann: return ippsWinHann_64fc_I(z, len);
    case Kind::kaiser: return ippsWinKaiser_64fc_I(z, len, kaiser);
    }
    return ippStsNoErr;
}

long double exactI0(long double x)
{
    long double term = 1.0L, sum = 1.0L;
    for (int k = 1; term > 1e-21L * sum; ++k) {
        term *= x * x / 4.0L / (static_cast<long double>(k) * k);
        sum += term;
    }
    return sum;
}

long double closedForm(Kind kind, int n, int len)
{
    const long double m = len - 1, c = std::cos(2.0L * pi * n / m), a = blackmanAlpha;
    switch (kind) {
    case Kind::bartlett: return n <= m / 2 ? 2.0L * n / m : 2.0L - 2.0L * n / m;
    case Kind::blackman: return len == 3 ? (n == 1) : (a + 1) / 2 - 0.5L * c - a / 2 * std::cos(4.0L * pi * n / m);
    case Kind::hamming: return 0.54L - 0.46L * c;
    case Kind::hann: return 0.5L - 0.5L * c;
    case Kind::kaiser: return exactI0(kaiserAlpha * std::sqrt(n * (m - n))) / exactI0(kaiserAlpha * m / 2);
    }
    return 0.0L;
}

// The cosine windows rotate from one library cosine, whose rounding builds up
// with the square of the length; the Bessel function is a fit good to about 6e-6.
TEST(Windows, MatchTheClosedFormForEveryLengthAndAgreeAcrossForms)
{
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> pick(-4.0, 4.0);
    for (Kind kind : allKinds) {
        const bool kaiser = kind == Kind::kaiser;
        for (int len = kaiser ? 1 : 3; len <= (kaiser ? 400 : 2000); ++len) { // Kaiser: its reference is slow
            std::vector<double> src(len), inPlace(len), copied(len);
            std::vector<Ipp64fc> z(len);
            for (int n = 0; n < len; ++n) {
                src[n] = inPlace[n] = pick(rng);
                z[n] = {src[n], -2.0 * src[n]};
            }
            ASSERT_EQ(runReal(kind, inPlace.data(), inPlace.data(), len), ippStsNoErr);
            ASSERT_EQ(runReal(kind, src.data(), copied.data(), len), ippStsNoErr);
            ASSERT_EQ(runComplex(kind, z.data(), len), ippStsNoErr);
            const double tolerance = 1e-16 + 4e-18 * double(len) * len;
            for (int n = 0; n < len; ++n) {
                const long double w = closedForm(kind, n, len);
                const double slack = std::fabs(src[n]) * (tolerance + (kaiser ? 1.2e-5 * w : 0.0));
                ASSERT_NEAR(inPlace[n], static_cast<double>(src[n] * w), slack) << int(kind) << " len " << len << " n " << n;
                ASSERT_EQ(copied[n], inPlace[n]);
                ASSERT_EQ(z[n].re, inPlace[n]);
                ASSERT_EQ(z[n].im, -2.0 * inPlace[n]); // doubling is exact on both sides
            }
        }
    }
}

// Ends set to zero rather than weighted stay zero whatever they held.
TEST(Windows, ZeroedEndsAndUnchangedElements)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    std::vector<double> bartlett(6);
    ASSERT_EQ(ippsWinBartlett_64f(std::vector<double>{inf, 1, 1, 1, 1, -inf}.data(), bartlett.data(), 6), ippStsNoErr);
    std::vector<Ipp64fc> blackman{{inf, 1.0}, {2.0, 3.0}, {1.0, -inf}};
    ASSERT_EQ(ippsWinBlackman_64fc_I(blackman.data(), 3, 0.42), ippStsNoErr);
    EXPECT_TRUE(bartlett[0] == 0.0 && bartlett[5] == 0.0 && bartlett[1] == 0.4);
    EXPECT_TRUE(blackman[0].re == 0.0 && blackman[2].im == 0.0 && blackman[1].im == 3.0);
    std::vector<double> flat(33, 2.0);
    ASSERT_EQ(ippsWinKaiser_64f_I(flat.data(), 33, 0.0f), ippStsNoErr);
    EXPECT_NEAR(flat[0], 2.0, 1e-15);
}

struct Refusal {
    Kind kind;
    bool nullPointer;
    int len;
    float kaiser;
    IppStatus status;
};

TEST(Windows, RefuseBadArgumentsInEveryFormWithoutWriting)
{
    constexpr float inf = std::numeric_limits<float>::infinity();
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    const Refusal refusals[] = {
        {Kind::hann, true, 0, 0, ippStsNullPtrErr},       {Kind::bartlett, false, 2, 0, ippStsSizeErr},
        {Kind::blackman, false, 2, 0, ippStsSizeErr},     {Kind::hamming, false, 0, 0, ippStsSizeErr},
        {Kind::kaiser, true, 0, 1.0f, ippStsNullPtrErr},  {Kind::kaiser, false, 0, 1.0f, ippStsSizeErr},
        {Kind::kaiser, false, 3, -616.0f, ippStsHugeWinErr}, {Kind::kaiser, false, 156, 4.0f, ippStsHugeWinErr},
        {Kind::kaiser, false, 2, inf, ippStsHugeWinErr},     {Kind::kaiser, false, 155, -4.0f, ippStsNoErr},
        {Kind::kaiser, false, 3, nan, ippStsHugeWinErr},     {Kind::kaiser, false, 1, -nan, ippStsHugeWinErr}};
    for (const Refusal& r : refusals) {
        std::vector<double> x(200, 1.0), out(200, 7.0);
        std::vector<Ipp64fc> z(200, Ipp64fc{1.0, 1.0});
        double* p = r.nullPointer ? nullptr : x.data();
        EXPECT_EQ(runReal(r.kind, p, p, r.len, r.kaiser), r.status);
        EXPECT_EQ(runReal(r.kind, x.data(), r.nullPointer ? nullptr : out.data(), r.len, r.kaiser), r.status);
        EXPECT_EQ(runComplex(r.kind, r.nullPointer ? nullptr : z.data(), r.len, r.kaiser), r.status);
        if (r.status != ippStsNoErr) {
            EXPECT_TRUE(x[0] == 1.0 && out[0] == 7.0 && z[0].re == 1.0) << int(r.kind) << " " << r.len;
        } else { // at the limit the weights are still finite, positive and at most 1
            EXPECT_TRUE(x[0] > 0.0 && x[0] <= 1.0 && x[r.len / 2] <= 1.0) << x[0];
        }
    }
}

} // namespace
