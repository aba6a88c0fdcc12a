#include "dsp/WindowFunctions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace dsp::native;

namespace {

constexpr long double pi = 3.141592653589793238462643383279503L;

long double exactI0(long double x)
{
    long double term = 1.0L, sum = 1.0L;
    const long double quarterSquare = x * x / 4.0L;
    for (int k = 1; term > 1e-21L * sum; ++k) {
        term *= quarterSquare / (static_cast<long double>(k) * k);
        sum += term;
    }
    return sum;
}

// One window under test: its routines in every form and its weights in closed form.
struct Window {
    const char* name;
    int smallest;
    double alpha;
    std::function<IppStatus(Ipp64f*, int)> inPlace;
    std::function<IppStatus(const Ipp64f*, Ipp64f*, int)> copying;
    std::function<IppStatus(Ipp64fc*, int)> complexInPlace;
    std::function<long double(int n, int len)> weight;
    double relativeTolerance; // on top of the rounding that grows with the length
};

void PrintTo(const Window& w, std::ostream* os) { *os << w.name; }

long double cosineOf(int n, int len, int multiple) { return std::cos(multiple * 2.0L * pi * n / (len - 1)); }

const double blackmanAlpha = -0.16;
const float kaiserAlpha = 0.75f;

const std::vector<Window> windows{
    {"Bartlett", 3, 0.0, ippsWinBartlett_64f_I, ippsWinBartlett_64f, ippsWinBartlett_64fc_I,
     [](int n, int len) {
         const long double m = len - 1;
         return n <= m / 2 ? 2.0L * n / m : 2.0L - 2.0L * n / m;
     },
     0.0},
    {"Blackman", 3, blackmanAlpha, [](Ipp64f* p, int len) { return ippsWinBlackman_64f_I(p, len, blackmanAlpha); },
     [](const Ipp64f* s, Ipp64f* d, int len) { return ippsWinBlackman_64f(s, d, len, blackmanAlpha); },
     [](Ipp64fc* p, int len) { return ippsWinBlackman_64fc_I(p, len, blackmanAlpha); },
     [](int n, int len) {
         if (len == 3) {
             return n == 1 ? 1.0L : 0.0L;
         }
         const long double a = blackmanAlpha;
         return (a + 1) / 2 - 0.5L * cosineOf(n, len, 1) - a / 2 * cosineOf(n, len, 2);
     },
     0.0},
    {"Hamming", 3, 0.0, ippsWinHamming_64f_I, ippsWinHamming_64f, ippsWinHamming_64fc_I,
     [](int n, int len) { return 0.54L - 0.46L * cosineOf(n, len, 1); }, 0.0},
    {"Hann", 3, 0.0, ippsWinHann_64f_I, ippsWinHann_64f, ippsWinHann_64fc_I,
     [](int n, int len) { return 0.5L - 0.5L * cosineOf(n, len, 1); }, 0.0},
    // The Bessel function is a polynomial fit good to about 6 parts in a million.
    {"Kaiser", 1, kaiserAlpha, [](Ipp64f* p, int len) { return ippsWinKaiser_64f_I(p, len, kaiserAlpha); },
     [](const Ipp64f* s, Ipp64f* d, int len) { return ippsWinKaiser_64f(s, d, len, kaiserAlpha); },
     [](Ipp64fc* p, int len) { return ippsWinKaiser_64fc_I(p, len, kaiserAlpha); },
     [](int n, int len) {
         const long double m = len - 1, a = kaiserAlpha;
         return exactI0(a * std::sqrt(n * (m - n))) / exactI0(a * m / 2);
     },
     1.2e-5},
};

class WindowForms : public ::testing::TestWithParam<Window> {};

// The weights come from a rotation started at one library cosine, whose
// rounding builds up with the square of the length.
double lengthTolerance(int len) { return 1e-16 + 4e-18 * double(len) * len; }

TEST_P(WindowForms, MatchTheClosedFormForEveryLengthUpTo2000)
{
    const Window& w = GetParam();
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> pick(-4.0, 4.0);
    const int longest = w.smallest == 1 ? 800 : 2000; // alpha (len-1)/2 stays under the Kaiser limit
    for (int len = w.smallest; len <= longest; ++len) {
        std::vector<double> src(len);
        for (double& v : src) {
            v = pick(rng);
        }
        std::vector<double> inPlace = src;
        std::vector<double> copied(len, 99.0);
        ASSERT_EQ(w.inPlace(inPlace.data(), len), ippStsNoErr) << len;
        ASSERT_EQ(w.copying(src.data(), copied.data(), len), ippStsNoErr) << len;
        for (int n = 0; n < len; ++n) {
            const long double weight = w.weight(n, len);
            const double want = static_cast<double>(src[n] * weight);
            const double tolerance = std::fabs(src[n]) * (lengthTolerance(len) + w.relativeTolerance * weight);
            ASSERT_NEAR(inPlace[n], want, tolerance) << "len " << len << " n " << n;
            ASSERT_EQ(copied[n], inPlace[n]) << "len " << len << " n " << n;
        }
    }
}

TEST_P(WindowForms, ComplexFormAppliesTheRealWeightsToEachPart)
{
    const Window& w = GetParam();
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> pick(-1e3, 1e3);
    for (int len : {w.smallest, 4, 5, 64, 257}) {
        std::vector<Ipp64fc> z(len);
        std::vector<double> re(len), im(len);
        for (int n = 0; n < len; ++n) {
            z[n] = {pick(rng), pick(rng)};
            re[n] = z[n].re;
            im[n] = z[n].im;
        }
        ASSERT_EQ(w.complexInPlace(z.data(), len), ippStsNoErr);
        ASSERT_EQ(w.inPlace(re.data(), len), ippStsNoErr);
        ASSERT_EQ(w.inPlace(im.data(), len), ippStsNoErr);
        for (int n = 0; n < len; ++n) {
            EXPECT_EQ(z[n].re, re[n]) << len << " " << n;
            EXPECT_EQ(z[n].im, im[n]) << len << " " << n;
        }
    }
}

TEST_P(WindowForms, RefuseBadArgumentsWithoutWriting)
{
    const Window& w = GetParam();
    std::vector<double> data(4, 1.0);
    std::vector<double> out(4, 5.0);
    std::vector<Ipp64fc> z(4, Ipp64fc{1.0, 1.0});
    EXPECT_EQ(w.inPlace(nullptr, 0), ippStsNullPtrErr);
    EXPECT_EQ(w.copying(nullptr, out.data(), 4), ippStsNullPtrErr);
    EXPECT_EQ(w.copying(data.data(), nullptr, 4), ippStsNullPtrErr);
    EXPECT_EQ(w.complexInPlace(nullptr, 4), ippStsNullPtrErr);
    const int tooShort = w.smallest - 1;
    EXPECT_EQ(w.inPlace(data.data(), tooShort), ippStsSizeErr);
    EXPECT_EQ(w.copying(data.data(), out.data(), tooShort), ippStsSizeErr);
    EXPECT_EQ(w.complexInPlace(z.data(), tooShort), ippStsSizeErr);
    EXPECT_EQ(data, std::vector<double>(4, 1.0));
    EXPECT_EQ(out, std::vector<double>(4, 5.0));
    EXPECT_EQ(z[0].re, 1.0);
}

INSTANTIATE_TEST_SUITE_P(AllWindows, WindowForms, ::testing::ValuesIn(windows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Windows, DocumentedSmallCases)
{
    std::vector<double> five(5, 1.0);
    ASSERT_EQ(ippsWinHann_64f_I(five.data(), 5), ippStsNoErr);
    const std::vector<double> hann{0.0, 0.5, 1.0, 0.5, 0.0};
    for (int n = 0; n < 5; ++n) {
        EXPECT_NEAR(five[n], hann[n], 1e-15);
    }
    std::vector<double> six(6, 1.0);
    ASSERT_EQ(ippsWinBartlett_64f_I(six.data(), 6), ippStsNoErr);
    const std::vector<double> bartlett{0.0, 0.4, 0.8, 0.8, 0.4, 0.0};
    for (int n = 0; n < 6; ++n) {
        EXPECT_NEAR(six[n], bartlett[n], 1e-15);
    }
    std::vector<Ipp64fc> three(3, Ipp64fc{1.0, 1.0});
    ASSERT_EQ(ippsWinHamming_64fc_I(three.data(), 3), ippStsNoErr);
    EXPECT_NEAR(three[0].re, 0.08, 1e-15);
    EXPECT_NEAR(three[2].im, 0.08, 1e-15);
    EXPECT_EQ(three[1].re, 1.0);
    std::vector<double> one{-3.5};
    double copy = 0.0;
    EXPECT_EQ(ippsWinKaiser_64f_I(one.data(), 1, 5.0f), ippStsNoErr);
    EXPECT_EQ(ippsWinKaiser_64f(one.data(), &copy, 1, 5.0f), ippStsNoErr);
    EXPECT_EQ(one[0], -3.5);
    EXPECT_EQ(copy, -3.5);
}

// Where the ends are set to zero rather than weighted, they end as zero even
// when they held an infinity or a NaN.
TEST(Windows, ZeroedEndsAreZeroWhateverTheyHeld)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::pair<const char*, std::function<IppStatus(Ipp64fc*, int)>>> zeroing{
        {"Bartlett", ippsWinBartlett_64fc_I},
        {"Blackman", [](Ipp64fc* p, int len) { return ippsWinBlackman_64fc_I(p, len, 0.16); }}};
    for (const auto& [name, routine] : zeroing) {
        const int len = 3;
        std::vector<Ipp64fc> z{{inf, nan}, {2.0, 3.0}, {nan, -inf}};
        ASSERT_EQ(routine(z.data(), len), ippStsNoErr);
        EXPECT_EQ(z[0].re, 0.0) << name;
        EXPECT_EQ(z[0].im, 0.0) << name;
        EXPECT_EQ(z[2].re, 0.0) << name;
        EXPECT_EQ(z[2].im, 0.0) << name;
        EXPECT_EQ(z[1].re, 2.0) << name;
    }
    std::vector<double> six{inf, 1.0, 1.0, 1.0, 1.0, nan};
    ASSERT_EQ(ippsWinBartlett_64f(std::vector<double>(six).data(), six.data(), 6), ippStsNoErr);
    EXPECT_EQ(six.front(), 0.0);
    EXPECT_EQ(six.back(), 0.0);
}

TEST(Windows, KaiserWithAlphaZeroKeepsEveryElement)
{
    std::vector<double> x(33, 2.0);
    ASSERT_EQ(ippsWinKaiser_64f_I(x.data(), 33, 0.0f), ippStsNoErr);
    for (double v : x) {
        EXPECT_NEAR(v, 2.0, 1e-15);
    }
}

struct KaiserLimitCase {
    float alpha;
    int len;
    IppStatus status;
};

class KaiserLimit : public ::testing::TestWithParam<KaiserLimitCase> {};

TEST_P(KaiserLimit, RefusesWindowsWiderThanTheBesselFunctionAllows)
{
    const auto& c = GetParam();
    std::vector<double> x(c.len, 1.0);
    std::vector<double> out(c.len, 7.0);
    std::vector<Ipp64fc> z(c.len, Ipp64fc{1.0, 1.0});
    EXPECT_EQ(ippsWinKaiser_64f_I(x.data(), c.len, c.alpha), c.status);
    EXPECT_EQ(ippsWinKaiser_64f(std::vector<double>(c.len, 1.0).data(), out.data(), c.len, c.alpha), c.status);
    EXPECT_EQ(ippsWinKaiser_64fc_I(z.data(), c.len, c.alpha), c.status);
    if (c.status != ippStsNoErr) {
        EXPECT_EQ(x, std::vector<double>(c.len, 1.0));
        EXPECT_EQ(out, std::vector<double>(c.len, 7.0));
        EXPECT_EQ(z[0].re, 1.0);
    } else {
        // At the limit the weights are still finite, positive and at most 1.
        for (double v : x) {
            EXPECT_TRUE(v > 0.0 && v <= 1.0) << v;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, KaiserLimit,
                         ::testing::Values(KaiserLimitCase{1000.0f, 2, ippStsHugeWinErr},
                                           KaiserLimitCase{616.0f, 3, ippStsHugeWinErr},
                                           KaiserLimitCase{-616.0f, 3, ippStsHugeWinErr},
                                           KaiserLimitCase{616.0f, 2, ippStsNoErr},
                                           KaiserLimitCase{4.0f, 155, ippStsNoErr},
                                           KaiserLimitCase{-4.0f, 155, ippStsNoErr},
                                           KaiserLimitCase{4.0f, 156, ippStsHugeWinErr},
                                           KaiserLimitCase{std::numeric_limits<float>::infinity(), 2,
                                                           ippStsHugeWinErr}));

} // namespace
