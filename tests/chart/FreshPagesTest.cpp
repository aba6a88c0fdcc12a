#include "chart/FreshPages.h"

#include "chart/ParallelPieces.h"
#include "framework/OWPinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace zq::chart {
namespace {

// A block as the pool hands it out: fresh from the heap, contents undefined.
struct FreshBlock {
    explicit FreshBlock(std::size_t count)
        : data(static_cast<double*>(std::malloc(count * sizeof(double) + 1)), &std::free)
    {
    }
    std::unique_ptr<double, decltype(&std::free)> data;
};

struct FillCase {
    std::size_t count;
    bool alongside;
};

class FillFreshCovers : public ::testing::TestWithParam<FillCase> {};

// Each piece is filled once, on whole pieces, whether the block is small
// enough for one thread or split among the cores with a job beside it.
TEST_P(FillFreshCovers, EveryPieceOnceAndTheJobBesideOnce)
{
    const owPinTest::TWatchdog watchdog(std::chrono::seconds(20));
    const std::size_t count = GetParam().count;
    FreshBlock block(count);
    std::vector<std::atomic<int>> visits((count + samplesPerPiece - 1) / samplesPerPiece);
    std::atomic<int> besides{0};
    std::atomic<bool> misshapen{false};
    const auto fill = [&](std::size_t begin, std::size_t end) {
        if (begin % samplesPerPiece != 0 || end <= begin || end - begin > samplesPerPiece || end > count)
            misshapen = true;
        for (std::size_t i = begin; i < end; ++i)
            block.data.get()[i] = static_cast<double>(i);
        visits[begin / samplesPerPiece].fetch_add(1, std::memory_order_relaxed);
    };
    if (GetParam().alongside)
        FillFresh(block.data.get(), count, fill, [&] { ++besides; });
    else
        FillFresh(block.data.get(), count, fill);
    EXPECT_FALSE(misshapen);
    EXPECT_EQ(besides.load(), GetParam().alongside ? 1 : 0);
    for (std::size_t p = 0; p < visits.size(); ++p)
        ASSERT_EQ(visits[p].load(), 1) << p;
    for (std::size_t i = 0; i < count; i += 997)
        ASSERT_EQ(block.data.get()[i], static_cast<double>(i)) << i;
}

INSTANTIATE_TEST_SUITE_P(SmallAndBigBlocks, FillFreshCovers,
                         ::testing::Values(FillCase{0, true}, FillCase{1, false}, FillCase{1000, true},
                                           FillCase{parallelThreshold - 1, true},
                                           FillCase{parallelThreshold, false},
                                           FillCase{5 * samplesPerPiece + 3, true},
                                           FillCase{16 * samplesPerPiece, false}));

// Blocks filled from inside another job (the workers are all taken, so each
// inner fill runs on one thread), and from a thread of its own at the same
// time: every fill ends.
TEST(FillFresh, FillsInsideOtherJobsAndSideBySideEnd)
{
    const owPinTest::TWatchdog watchdog(std::chrono::seconds(30));
    const std::size_t count = 6 * samplesPerPiece + 5;
    std::atomic<std::size_t> filled{0};
    const auto fillOne = [&] {
        FreshBlock block(count);
        FillFresh(
            block.data.get(), count,
            [&](std::size_t begin, std::size_t end) {
                std::fill(block.data.get() + begin, block.data.get() + end, 1.0);
                filled += end - begin;
            },
            [] {});
    };
    for (int round = 0; round < 5; ++round) {
        filled = 0;
        {
            std::jthread other([&] { fillOne(); });
            ForEachPiece(4 * parallelThreshold, samplesPerPiece, [&](std::size_t begin, std::size_t) {
                if (begin % (4 * samplesPerPiece) == 0)
                    fillOne();
            });
        }
        EXPECT_EQ(filled.load(), 5 * count) << "round " << round;
    }
}

// A failing fill or job beside reaches the caller once everything has ended.
TEST(FillFresh, FailuresReachTheCaller)
{
    const owPinTest::TWatchdog watchdog(std::chrono::seconds(20));
    const std::size_t count = 4 * samplesPerPiece;
    FreshBlock block(count);
    std::atomic<int> pieces{0};
    EXPECT_THROW(FillFresh(
                     block.data.get(), count, [&](std::size_t, std::size_t) { ++pieces; },
                     [] { throw std::runtime_error("no X"); }),
                 std::runtime_error);
    EXPECT_EQ(pieces.load(), 4);
    EXPECT_THROW(FillFresh(block.data.get(), count,
                           [](std::size_t begin, std::size_t) {
                               if (begin == samplesPerPiece)
                                   throw std::runtime_error("piece failed");
                           }),
                 std::runtime_error);
}

} // namespace
} // namespace zq::chart
