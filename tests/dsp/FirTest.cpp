#include "dsp/Fir.h"

#include <gmock/gmock.h>

#include <climits>
#include <memory>
#include <random>
#include <vector>

#include "CorrelationTestSupport.h"

using namespace dsp::native;
using namespace corrtest;

namespace {

struct StateFree {
    void operator()(FIRState_64f* state) const { ippsFIRFree_64f(state); }
};
using FirState = std::unique_ptr<FIRState_64f, StateFree>;

FirState makeFir(const std::vector<double>& taps, const std::vector<double>* history = nullptr)
{
    FIRState_64f* state = nullptr;
    EXPECT_EQ(ippsFIRInitAlloc_64f(&state, taps.data(), static_cast<int>(taps.size()),
                                   history != nullptr ? history->data() : nullptr),
              ippStsNoErr);
    return FirState(state);
}

struct FirCase {
    int taps;
    int samples;
};

class FirPieces : public testing::TestWithParam<FirCase> {};

// The defining sum (history from the delay line) is met by one call on the
// whole signal, by one call in place, and by random pieces: short ones take
// the direct sums, long ones the transforms when the filter has them.
TEST_P(FirPieces, AnyCutOfTheSignalGivesTheDefiningSum)
{
    const auto [tapsLen, samples] = GetParam();
    const auto taps = randomOf<double>(tapsLen, 31 + tapsLen);
    const auto x = randomOf<double>(samples, 37 + samples);
    const auto history = randomOf<double>(tapsLen, 41);
    std::vector<long double> want(samples);
    for (int n = 0; n < samples; ++n)
        for (int k = 0; k < tapsLen; ++k)
            want[n] += static_cast<long double>(taps[k]) * (n >= k ? x[n - k] : history[k - n - 1]);

    const double tol = toleranceFor(taps, x);
    std::mt19937 gen(static_cast<unsigned>(tapsLen * 1000 + samples));
    std::uniform_int_distribution<int> pieceLength(1, 1200);
    for (const char* way : {"whole", "in place", "pieces"}) {
        auto fir = makeFir(taps, &history);
        std::vector<double> y = x;
        const bool inPlace = way[0] == 'i';
        for (int at = 0, length = 0; at < samples; at += length) {
            length = way[0] == 'p' ? std::min(pieceLength(gen), samples - at) : samples;
            ASSERT_EQ(ippsFIR_64f((inPlace ? y : x).data() + at, y.data() + at, length, fir.get()), ippStsNoErr);
        }
        for (int n = 0; n < samples; ++n)
            ASSERT_TRUE(near(y[n], want[n], tol)) << way << ", output " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, FirPieces,
                         testing::Values(FirCase{1, 600}, FirCase{5, 3000}, FirCase{31, 5000}, FirCase{32, 5000},
                                         FirCase{32, 511}, FirCase{32, 512}, FirCase{97, 4000},
                                         FirCase{700, 6000}));

TEST(Fir, ArgumentsAndForeignStatesAreRefused)
{
    const double taps[2] = {1, 2};
    FIRState_64f* state = nullptr;
    EXPECT_EQ(ippsFIRInitAlloc_64f(&state, taps, 0, nullptr), ippStsFIRLenErr);
    EXPECT_EQ(state, nullptr);
    double x[4] = {1, 2, 3, 4};
    FIRState_64f foreign{};
    foreign.kindTag = 0x12345678;
    foreign.owned = 1;
    EXPECT_EQ(ippsFIR_64f(x, x, 4, &foreign), ippStsContextMatchErr);
    EXPECT_EQ(ippsFIRFree_64f(&foreign), ippStsContextMatchErr);
    // A state InitAlloc did not make is left to its owner.
    for (const Ipp32u tag : {dsp::fir::singleRateTag, dsp::fir::multiRateTag}) {
        FIRState_64f borrowed{};
        borrowed.kindTag = tag;
        EXPECT_EQ(ippsFIRFree_64f(&borrowed), ippStsNoErr);
    }
}

// The transform record's own status comes back, not a null-pointer error.
TEST(Fir, SetUpPassesOnTheTransformStatus)
{
    const double tap = 1.0;
    for (const int tapsLen : {1 << 29, INT_MAX}) {
        FIRState_64f* state = nullptr;
        EXPECT_EQ(ippsFIRInitAlloc_64f(&state, &tap, tapsLen, nullptr), ippStsFftOrderErr) << tapsLen;
        EXPECT_EQ(state, nullptr);
    }
    const auto taps = randomOf<double>(300, 8);
    for (const int tapsLen : {300, 8}) {
        expectEachAllocationFailureGivesMemAllocErr([&] {
            FIRState_64f* state = nullptr;
            const IppStatus status = ippsFIRInitAlloc_64f(&state, taps.data(), tapsLen, nullptr);
            EXPECT_EQ(status == ippStsNoErr, state != nullptr);
            ippsFIRFree_64f(state);
            return status;
        });
    }
}

} // namespace
