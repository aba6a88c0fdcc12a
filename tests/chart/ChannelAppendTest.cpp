#include "ScopeTestSupport.h"

#include "chart/MinMaxPyramid.h"
#include "chart/SLChannelData.h"
#include "chart/XIndex.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace zq::chart {
namespace {

constexpr std::size_t block = MinMaxPyramid::blockSize;
constexpr std::size_t never = SIZE_MAX;

// X values i * step, all 50 more from `pauseFrom` on, one going back at `backAt`.
std::vector<double> stepped(std::size_t n, double step, std::size_t pauseFrom = never, std::size_t backAt = never)
{
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i)
        x[i] = static_cast<double>(i) * step + (i >= pauseFrom ? 50 : 0);
    if (backAt < n)
        x[backAt] = x[backAt - 1] - 1;
    return x;
}

// A pyramid and an X index grown block by block must answer every query as
// ones built over the whole trace: a level entry left over from before the
// growth (a last entry that had one child) shows as a missing extreme, a
// stale kind or table of the index as a wrong lookup.
TEST(Growth, GrownPyramidAndIndexAnswerAsOnesBuiltWhole)
{
    // The chunks are the lengths of the blocks the trace arrives in, repeated.
    struct { const char* name; std::vector<double> x; std::vector<std::size_t> chunks; bool sorted, even; }
    const cases[] = {
        {"single_samples", stepped(3 * block + 5, 0.25), {1}, true, true},
        {"just_under_a_block_pause_later", stepped(40 * block, 0.5, 2100), {block - 1}, true, false},
        {"mixed_uneven_early", stepped(9000, 1, 10), {1000, 3, 17, 129, 64}, true, false},
        {"big_then_small", stepped(5100, 1), {5000, 1}, true, true},
        {"back_step_in_a_later_block", stepped(2000, 1, never, 1500), {500}, false, false},
    };
    std::mt19937 gen(5);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<double> y(c.x.size());
        std::generate(y.begin(), y.end(), [&] { return std::uniform_real_distribution<double>(-50, 50)(gen); });
        y[y.size() / 2] = NAN;
        y.back() = 1e6;
        MinMaxPyramid pyramid;
        XIndex index;
        for (std::size_t size = 0, i = 0; size < y.size(); ++i) {
            const std::size_t before = size;
            size = std::min(size + c.chunks[i % c.chunks.size()], y.size());
            const std::span<const double> seen(y.data(), size);
            pyramid.Extend(seen);
            index.Extend(std::span<const double>(c.x.data(), size), before);
            MinMaxPyramid whole;
            whole.Build(seen);
            std::uniform_int_distribution<std::size_t> pick(0, size - 1);
            for (int trial = 0; trial < 20; ++trial) {
                const std::size_t p = pick(gen), q = pick(gen);
                const std::size_t a = std::min(p, q), b = std::max(p, q);
                const MinMax got = pyramid.Query(seen, a, b + 1);
                const MinMax want = whole.Query(seen, a, b + 1);
                ASSERT_TRUE(got.min == want.min && got.max == want.max) << size << ": " << a << ".." << b;
            }
            ASSERT_EQ(pyramid.Query(seen, 0, size).max, whole.Query(seen, 0, size).max) << size;
        }
        EXPECT_EQ(index.Sorted(), c.sorted);
        EXPECT_EQ(index.EvenlySpaced(), c.even);
        for (double v = c.x.front() - 2; c.sorted && v <= c.x.back() + 2; v += 0.37)
            ASSERT_EQ(index.LowerBound(c.x, v), std::lower_bound(c.x.begin(), c.x.end(), v) - c.x.begin()) << v;
    }
}

class ChannelAppend : public ::testing::Test {
protected:
    TOWIntf<TOWLock> lockRef = TOWLock::Create();
    TSLChannelData data{*lockRef};
};

TEST_F(ChannelAppend, AppendsFollowTheLatestDataAndAreDrawnAfterCommit)
{
    const std::vector<double> x{0, 1, 2, 3, 4, 5};
    const std::vector<double> y{5, -2, 7, 1, 9, -4};
    data.SetXYData(x.data(), y.data(), 3);
    ASSERT_TRUE(data.AppendXYData(x.data() + 3, y.data() + 3, 2)); // onto the pending samples
    EXPECT_TRUE(data.Commit());
    EXPECT_FALSE(data.Commit());
    ASSERT_TRUE(data.AppendXYData(x.data() + 5, y.data() + 5, 1)); // onto the committed ones
    EXPECT_TRUE(data.Commit());
    EXPECT_EQ(testing::xOf(data), x);
    EXPECT_EQ(testing::yOf(data), y);
}

// Channels of one log share their X block and its index: each that grows
// leaves them to the others as they were.
TEST_F(ChannelAppend, ChannelsSharingXGrowApart)
{
    TSLChannelData other{*lockRef};
    const auto x = stepped(100, 1);
    for (TSLChannelData* d : {&data, &other}) {
        d->SetXYData(x.data(), x.data(), x.size());
        d->Commit();
    }
    ASSERT_EQ(data.CommittedX().data(), other.CommittedX().data());
    const auto far = testing::ramp(100, 1000);
    ASSERT_TRUE(data.AppendXYData(far.data(), far.data(), far.size()));
    data.Commit();
    EXPECT_EQ(testing::xOf(other), x);
    const auto near = testing::ramp(100, 100);
    ASSERT_TRUE(other.AppendXYData(near.data(), near.data(), near.size()));
    other.Commit();
    EXPECT_EQ(data.LowerBound(1050.5), 151u);
    EXPECT_EQ(other.LowerBound(150.5), 151u);
}

// Samples arriving one by one move to a bigger block only as often as the
// capacity doubles, never once per append (a stream would cost the square of
// its length).
TEST_F(ChannelAppend, ManySmallAppendsMoveTheSamplesOnlyWhenCapacityDoubles)
{
    std::size_t moves = 0;
    const double* last = nullptr;
    for (double v = 0; v < 20000; ++v) {
        ASSERT_TRUE(data.AppendXYData(&v, &v, 1));
        moves += data.CommittedY().data() != last;
        last = data.CommittedY().data();
    }
    EXPECT_LE(moves, 20u);
    EXPECT_EQ(data.CommittedY().size(), 20000u);
    EXPECT_EQ(data.Extremes(10, 19999).max, 19998);
}

} // namespace
} // namespace zq::chart
