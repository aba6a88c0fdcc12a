#include "chart/ParallelPieces.h"

#include "framework/OWPinTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace zq::chart {
namespace {

struct PiecesCase {
    std::size_t count;
    std::size_t piece;
};

class PiecesCover : public ::testing::TestWithParam<PiecesCase> {};

// Every element is handed out exactly once, in pieces that start on whole
// multiples of the piece size and are never longer than it: what the callers
// rely on to fill disjoint parts of one structure side by side.
TEST_P(PiecesCover, EveryElementOnceInAlignedPieces)
{
    // Plain names, not a structured binding: clang 14 lets no lambda capture one.
    const std::size_t count = GetParam().count, piece = GetParam().piece;
    std::vector<std::atomic<int>> visits(count);
    std::atomic<bool> misshapen{false};
    ForEachPiece(count, piece, [&](std::size_t begin, std::size_t end) {
        if (begin % piece != 0 || end <= begin || end - begin > piece || end > count)
            misshapen = true;
        for (std::size_t i = begin; i < end; ++i)
            visits[i].fetch_add(1, std::memory_order_relaxed);
    });
    EXPECT_FALSE(misshapen);
    for (std::size_t i = 0; i < count; ++i)
        ASSERT_EQ(visits[i].load(), 1) << i;
}

INSTANTIATE_TEST_SUITE_P(SmallAndBigJobs, PiecesCover,
                         ::testing::Values(PiecesCase{0, 64}, PiecesCase{1, 64}, PiecesCase{1000, 64},
                                           PiecesCase{parallelThreshold - 1, samplesPerPiece},
                                           PiecesCase{parallelThreshold, samplesPerPiece},
                                           PiecesCase{5 * samplesPerPiece + 3, samplesPerPiece},
                                           PiecesCase{parallelThreshold + 1, 1000}));

// Two big jobs at once: the second caller must not wait for nor disturb the
// first one's helpers, and both finish whole.
TEST(ParallelPieces, CallersAtTheSameTimeBothFinish)
{
    const std::size_t count = 3 * parallelThreshold;
    std::vector<std::atomic<int>> a(count), b(count);
    const auto fill = [](std::vector<std::atomic<int>>& visits) {
        for (int round = 0; round < 4; ++round)
            ForEachPiece(count, samplesPerPiece, [&visits](std::size_t begin, std::size_t end) {
                for (std::size_t i = begin; i < end; ++i)
                    visits[i].fetch_add(1, std::memory_order_relaxed);
            });
    };
    {
        std::jthread other([&] { fill(b); });
        fill(a);
    }
    for (std::size_t i = 0; i < count; i += 997) {
        ASSERT_EQ(a[i].load(), 4) << i;
        ASSERT_EQ(b[i].load(), 4) << i;
    }
}

// A piece that throws must not leave helpers inside a job that has left the
// caller's stack: every other piece still runs once, the caller gets the
// exception, and the workers take the next job as usual.
TEST(ParallelPieces, ThrowingPiecesEndTheJobAndReachTheCaller)
{
    const std::size_t count = 4 * parallelThreshold;
    for (int round = 0; round < 20; ++round) {
        std::vector<std::atomic<int>> visits(count);
        EXPECT_THROW(ForEachPiece(count, samplesPerPiece,
                                  [&](std::size_t begin, std::size_t end) {
                                      for (std::size_t i = begin; i < end; ++i)
                                          visits[i].fetch_add(1, std::memory_order_relaxed);
                                      if (begin % (3 * samplesPerPiece) == 0)
                                          throw std::runtime_error("piece failed");
                                  }),
                     std::runtime_error);
        for (std::size_t i = 0; i < count; i += 4099)
            ASSERT_EQ(visits[i].load(), 1) << "round " << round << " element " << i;
    }
    std::atomic<std::size_t> after{0};
    ForEachPiece(count, samplesPerPiece, [&](std::size_t begin, std::size_t end) { after += end - begin; });
    EXPECT_EQ(after.load(), count);
}

// While another caller's job holds the workers, a caller does its pieces
// itself; they must neither hold up that job nor wait on themselves when a
// piece runs pieces of its own.
TEST(ParallelPieces, BusyCallersPiecesMayRunPiecesOfTheirOwn)
{
    const owPinTest::TWatchdog watchdog(std::chrono::seconds(20));
    std::atomic<bool> holding{false};
    std::atomic<bool> done{false};
    std::jthread first([&] {
        ForEachPiece(2 * parallelThreshold, samplesPerPiece, [&](std::size_t, std::size_t) {
            holding = true;
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!done && std::chrono::steady_clock::now() < limit)
                std::this_thread::yield();
        });
    });
    while (!holding)
        std::this_thread::yield();
    std::atomic<std::size_t> inner{0};
    ForEachPiece(parallelThreshold, samplesPerPiece, [&](std::size_t, std::size_t) {
        ForEachPiece(parallelThreshold, samplesPerPiece,
                     [&](std::size_t begin, std::size_t end) { inner += end - begin; });
    });
    done = true;
    EXPECT_EQ(inner.load(), 4 * parallelThreshold);
}

} // namespace
} // namespace zq::chart
