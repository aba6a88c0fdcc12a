#include "dsp/Convolution.h"

#include <gmock/gmock.h>

#include <cstdint>
#include <vector>

#include "CorrelationTestSupport.h"

using namespace dsp::native;
using namespace corrtest;
using ::testing::Each;
using ::testing::ElementsAre;

namespace {

std::vector<long double> convolutionRef(const std::vector<double>& a, const std::vector<double>& b)
{
    std::vector<long double> out(a.size() + b.size() - 1, 0.0L);
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = 0; j < b.size(); ++j)
            out[i + j] += static_cast<long double>(a[i]) * b[j];
    return out;
}

TEST(Convolution, SmallExampleEitherWayRound)
{
    const std::vector<double> a{1, 2}, b{1, 1, 1};
    std::vector<double> out(4);
    ASSERT_EQ(ippsConv_64f(a.data(), 2, b.data(), 3, out.data()), ippStsNoErr);
    EXPECT_THAT(out, ElementsAre(1.0, 3.0, 3.0, 2.0));
    ASSERT_EQ(ippsConv_64f(b.data(), 3, a.data(), 2, out.data()), ippStsNoErr);
    EXPECT_THAT(out, ElementsAre(1.0, 3.0, 3.0, 2.0));
}

struct ConvCase {
    const char* what;
    int longLen;
    int shortLen;
};

std::ostream& operator<<(std::ostream& out, const ConvCase& c)
{
    return out << c.what;
}

class ConvolutionPaths : public testing::TestWithParam<ConvCase> {};

// Every path against the defining sum, with the operands given in both orders
// and the output buffer one longer than needed to catch a write past the end.
TEST_P(ConvolutionPaths, MatchTheDefiningSum)
{
    const ConvCase c = GetParam();
    const auto x = randomReal(c.longLen, 23 + c.longLen);
    const auto h = randomReal(c.shortLen, 29 + c.shortLen);
    const auto want = convolutionRef(x, h);
    const double tol = tolerance(scaleOf(x, h));
    const int total = c.longLen + c.shortLen - 1;
    for (const bool longFirst : {true, false}) {
        std::vector<double> out(total + 1, 99.0);
        const IppStatus status = longFirst ? ippsConv_64f(x.data(), c.longLen, h.data(), c.shortLen, out.data())
                                           : ippsConv_64f(h.data(), c.shortLen, x.data(), c.longLen, out.data());
        ASSERT_EQ(status, ippStsNoErr);
        for (int t = 0; t < total; ++t)
            ASSERT_TRUE(near(out[t], want[t], tol)) << (longFirst ? "long first" : "short first") << ", output " << t;
        EXPECT_EQ(out[total], 99.0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Thresholds, ConvolutionPaths,
    testing::Values(ConvCase{"single samples", 1, 1}, ConvCase{"149 outputs, direct", 100, 50},
                    ConvCase{"150 outputs, one transform", 101, 50},
                    ConvCase{"long just under 3 x short, one transform", 149, 50},
                    ConvCase{"long of 3 x short, blocks", 150, 50}, ConvCase{"short of 31, direct", 900, 31},
                    ConvCase{"short of 32, blocks", 900, 32}, ConvCase{"equal lengths", 300, 300},
                    ConvCase{"long of 4095, direct", 4095, 31}, ConvCase{"long of 4096, blocked direct", 4096, 31},
                    ConvCase{"long of 9000, blocked direct", 9000, 7},
                    ConvCase{"many overlap-save blocks", 20000, 200}));

TEST(Convolution, RefusedArgumentsWriteNothing)
{
    const double x[3] = {1, 2, 3};
    double out[5] = {7, 7, 7, 7, 7};
    EXPECT_EQ(ippsConv_64f(nullptr, 0, x, 3, out), ippStsNullPtrErr);
    EXPECT_EQ(ippsConv_64f(x, 3, x, 3, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippsConv_64f(x, 0, x, 3, out), ippStsSizeErr);
    EXPECT_EQ(ippsConv_64f(x, 3, x, -1, out), ippStsSizeErr);
    EXPECT_THAT(out, Each(7.0));
}

TEST(Convolution, EachAllocationFailingInTurnGivesMemAllocErr)
{
    const auto x = randomReal(10000, 1);
    std::vector<double> out(12000);
    for (const int shortLen : {2000, 100}) { // one transform, then blocks
        EXPECT_GT(expectEachAllocationFailureGivesMemAllocErr(
                      [&] { return ippsConv_64f(x.data(), 3000, x.data() + 5000, shortLen, out.data()); }),
                  1)
            << shortLen;
    }
}

} // namespace
