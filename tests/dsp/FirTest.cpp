#include "dsp/Fir.h"

#include <gmock/gmock.h>

#include <climits>
#include <memory>
#include <random>
#include <vector>

#include "CorrelationTestSupport.h"

using namespace dsp::native;
using namespace corrtest;
using ::testing::ElementsAre;

namespace {

struct StateFree {
    void operator()(FIRState_64f* state) const { ippsFIRFree_64f(state); }
};
using FirState = std::unique_ptr<FIRState_64f, StateFree>;

FirState makeFir(const std::vector<double>& taps, const std::vector<double>* history = nullptr)
{
    FIRState_64f* state = nullptr;
    const IppStatus status = ippsFIRInitAlloc_64f(&state, taps.data(), static_cast<int>(taps.size()),
                                                  history != nullptr ? history->data() : nullptr);
    EXPECT_EQ(status, ippStsNoErr);
    return FirState(state);
}

// y[n] = sum of taps[k] x[n - k], the samples before the first taken from the
// delay line (element i is i + 1 steps back).
std::vector<long double> firRef(const std::vector<double>& taps, const std::vector<double>& x,
                                const std::vector<double>& history)
{
    std::vector<long double> y(x.size());
    for (std::size_t n = 0; n < x.size(); ++n)
        for (std::size_t k = 0; k < taps.size(); ++k) {
            const auto back = static_cast<std::int64_t>(n) - static_cast<std::int64_t>(k);
            const double sample = back >= 0 ? x[back] : history[-back - 1];
            y[n] += static_cast<long double>(taps[k]) * sample;
        }
    return y;
}

TEST(Fir, OneUnitTapCopiesAndTwoTapsDelayFromTheHistory)
{
    auto copy = makeFir({1.0});
    const std::vector<double> x{3, -1, 4, 1, 5};
    std::vector<double> y(5);
    ASSERT_EQ(ippsFIR_64f(x.data(), y.data(), 5, copy.get()), ippStsNoErr);
    EXPECT_EQ(y, x);

    const std::vector<double> history{42, 0};
    auto delay = makeFir({0.0, 1.0}, &history);
    ASSERT_EQ(ippsFIR_64f(x.data(), y.data(), 5, delay.get()), ippStsNoErr);
    EXPECT_THAT(y, ElementsAre(42, 3, -1, 4, 1));
    ASSERT_EQ(ippsFIR_64f(x.data(), y.data(), 2, delay.get()), ippStsNoErr);
    EXPECT_THAT(y, ElementsAre(5, 3, -1, 4, 1));
}

struct FirCase {
    int taps;
    int samples;
};

class FirPieces : public testing::TestWithParam<FirCase> {};

// A signal cut into random pieces (short ones on the direct path, long ones on
// the transform path when the filter has one) gives the outputs of the
// defining sum, and so does one call on the whole signal, also in place.
TEST_P(FirPieces, AnyCutOfTheSignalGivesTheSameOutputs)
{
    const auto [tapsLen, samples] = GetParam();
    const auto taps = randomReal(tapsLen, 31 + tapsLen);
    const auto x = randomReal(samples, 37 + samples);
    const auto history = randomReal(tapsLen, 41);
    const auto want = firRef(taps, x, history);
    const double tol = tolerance(scaleOf(taps, x));

    auto whole = makeFir(taps, &history);
    std::vector<double> y(samples);
    ASSERT_EQ(ippsFIR_64f(x.data(), y.data(), samples, whole.get()), ippStsNoErr);
    for (int n = 0; n < samples; ++n)
        ASSERT_TRUE(near(y[n], want[n], tol)) << "whole, output " << n;

    auto inPlace = makeFir(taps, &history);
    std::vector<double> z = x;
    ASSERT_EQ(ippsFIR_64f(z.data(), z.data(), samples, inPlace.get()), ippStsNoErr);
    for (int n = 0; n < samples; ++n)
        ASSERT_TRUE(near(z[n], want[n], tol)) << "in place, output " << n;

    std::mt19937 gen(static_cast<unsigned>(tapsLen * 1000 + samples));
    std::uniform_int_distribution<int> pieceLength(1, 1200);
    auto pieces = makeFir(taps, &history);
    std::vector<double> p(samples, 99.0);
    for (int at = 0; at < samples;) {
        const int length = std::min(pieceLength(gen), samples - at);
        ASSERT_EQ(ippsFIR_64f(x.data() + at, p.data() + at, length, pieces.get()), ippStsNoErr);
        at += length;
    }
    for (int n = 0; n < samples; ++n)
        ASSERT_TRUE(near(p[n], want[n], tol)) << "pieces, output " << n;
}

INSTANTIATE_TEST_SUITE_P(Lengths, FirPieces,
                         testing::Values(FirCase{1, 600}, FirCase{5, 3000}, FirCase{31, 5000}, FirCase{32, 5000},
                                         FirCase{32, 511}, FirCase{32, 512}, FirCase{97, 4000},
                                         FirCase{700, 6000}));

TEST(Fir, ThirtyTwoTapsInOneRunOrTwoAgree)
{
    const auto taps = randomReal(32, 3);
    const auto x = randomReal(1000, 4);
    auto once = makeFir(taps);
    auto twice = makeFir(taps);
    std::vector<double> a(1000), b(1000);
    ASSERT_EQ(ippsFIR_64f(x.data(), a.data(), 1000, once.get()), ippStsNoErr);
    ASSERT_EQ(ippsFIR_64f(x.data(), b.data(), 300, twice.get()), ippStsNoErr);
    ASSERT_EQ(ippsFIR_64f(x.data() + 300, b.data() + 300, 700, twice.get()), ippStsNoErr);
    for (int n = 0; n < 1000; ++n)
        ASSERT_NEAR(a[n], b[n], 1e-12) << n;
}

TEST(Fir, ArgumentsAndForeignStatesAreRefused)
{
    const double taps[2] = {1, 2};
    FIRState_64f* state = nullptr;
    EXPECT_EQ(ippsFIRInitAlloc_64f(nullptr, taps, 2, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippsFIRInitAlloc_64f(&state, nullptr, 2, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippsFIRInitAlloc_64f(&state, taps, 0, nullptr), ippStsFIRLenErr);
    EXPECT_EQ(state, nullptr);

    auto fir = makeFir({1.0, 2.0});
    double x[4] = {1, 2, 3, 4};
    EXPECT_EQ(ippsFIR_64f(nullptr, x, 4, fir.get()), ippStsNullPtrErr);
    EXPECT_EQ(ippsFIR_64f(x, x, 4, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippsFIR_64f(x, x, 0, fir.get()), ippStsSizeErr);
    EXPECT_EQ(ippsFIRFree_64f(nullptr), ippStsNullPtrErr);

    FIRState_64f foreign{};
    foreign.kindTag = 0x12345678;
    foreign.owned = 1;
    EXPECT_EQ(ippsFIR_64f(x, x, 4, &foreign), ippStsContextMatchErr);
    EXPECT_EQ(ippsFIRFree_64f(&foreign), ippStsContextMatchErr);
    foreign.kindTag = dsp::fir::multiRateTag;
    EXPECT_EQ(ippsFIR_64f(x, x, 4, &foreign), ippStsContextMatchErr);
}

// A state that was not made by InitAlloc is left to its owner.
TEST(Fir, FreeLeavesAStateItDoesNotOwn)
{
    for (const Ipp32u tag : {dsp::fir::singleRateTag, dsp::fir::multiRateTag}) {
        FIRState_64f borrowed{};
        borrowed.kindTag = tag;
        borrowed.owned = 0;
        EXPECT_EQ(ippsFIRFree_64f(&borrowed), ippStsNoErr);
        EXPECT_EQ(borrowed.kindTag, tag);
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
    const auto taps = randomReal(300, 8);
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
