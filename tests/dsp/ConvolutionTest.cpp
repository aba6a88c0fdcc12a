#include "dsp/Convolution.h"

#include <gmock/gmock.h>

#include <vector>

#include "CorrelationTestSupport.h"

using namespace dsp::native;
using namespace corrtest;

namespace {

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

// Every path against the defining sum, operands in both orders, with one
// output more than needed to catch a write past the end.
TEST_P(ConvolutionPaths, MatchTheDefiningSum)
{
    const ConvCase c = GetParam();
    const auto x = randomOf<double>(c.longLen, 23 + c.longLen);
    const auto h = randomOf<double>(c.shortLen, 29 + c.shortLen);
    std::vector<long double> want(c.longLen + c.shortLen - 1);
    for (int i = 0; i < c.longLen; ++i)
        for (int j = 0; j < c.shortLen; ++j)
            want[i + j] += static_cast<long double>(x[i]) * h[j];
    const double tol = toleranceFor(x, h);
    for (const bool longFirst : {true, false}) {
        std::vector<double> out(want.size() + 1, 99.0);
        const IppStatus status = longFirst ? ippsConv_64f(x.data(), c.longLen, h.data(), c.shortLen, out.data())
                                           : ippsConv_64f(h.data(), c.shortLen, x.data(), c.longLen, out.data());
        ASSERT_EQ(status, ippStsNoErr);
        for (std::size_t t = 0; t < want.size(); ++t)
            ASSERT_TRUE(near(out[t], want[t], tol)) << "long first " << longFirst << ", output " << t;
        EXPECT_EQ(out.back(), 99.0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Thresholds, ConvolutionPaths,
    testing::Values(ConvCase{"single samples", 1, 1}, ConvCase{"three by two", 3, 2}, ConvCase{"149 outputs, direct", 100, 50},
                    ConvCase{"150 outputs, one transform", 101, 50},
                    ConvCase{"long under 3 x short, one transform", 149, 50},
                    ConvCase{"long of 3 x short, blocks", 150, 50}, ConvCase{"short of 31, direct", 900, 31},
                    ConvCase{"short of 32, blocks", 900, 32}, ConvCase{"long of 4095, direct", 4095, 31},
                    ConvCase{"long of 4096, blocked direct", 4096, 31},
                    ConvCase{"long of 9000, blocked direct", 9000, 7},
                    ConvCase{"many overlap-save blocks", 20000, 200}));

TEST(Convolution, EachAllocationFailingInTurnGivesMemAllocErr)
{
    const auto x = randomOf<double>(5000, 1);
    std::vector<double> out(6000);
    for (const int shortLen : {2000, 100}) // one transform, then blocks
        EXPECT_GT(expectEachAllocationFailureGivesMemAllocErr(
                      [&] { return ippsConv_64f(x.data(), 3000, x.data() + 3000, shortLen, out.data()); }),
                  1)
            << shortLen;
}

} // namespace
