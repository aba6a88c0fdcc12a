#include "chart/MinMaxPyramid.h"
#include "chart/SLChannelData.h"
#include "chart/XIndex.h"
#include "framework/OWLock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

namespace zq::chart {
namespace {

constexpr std::size_t block = MinMaxPyramid::blockSize;

std::vector<double> noise(std::size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(-50, 50);
    std::vector<double> v(n);
    for (auto& value : v)
        value = dist(gen);
    return v;
}

// The lengths of the blocks a trace arrives in, repeated until it is whole.
struct GrowthCase {
    const char* name;
    std::vector<std::size_t> chunks;
    std::size_t total;
};

std::vector<std::size_t> chunksOf(const GrowthCase& c)
{
    std::vector<std::size_t> out;
    std::size_t done = 0;
    for (std::size_t i = 0; done < c.total; ++i) {
        const std::size_t n = std::min(c.chunks[i % c.chunks.size()], c.total - done);
        out.push_back(n);
        done += n;
    }
    return out;
}

class Growth : public ::testing::TestWithParam<GrowthCase> {};

// Every query a grown pyramid answers must be the one a pyramid built over
// the whole trace at once answers: a level entry left over from before the
// growth (a last entry that had one child) would show as a missing extreme.
TEST_P(Growth, GrownPyramidAnswersAsOneBuiltWhole)
{
    const GrowthCase& c = GetParam();
    auto values = noise(c.total, 3);
    values[c.total / 2] = NAN;
    values[c.total - 1] = 1e6;
    MinMaxPyramid grown;
    std::size_t size = 0;
    std::mt19937 gen(5);
    for (const std::size_t n : chunksOf(c)) {
        size += n;
        const std::span<const double> seen(values.data(), size);
        grown.Extend(seen);
        MinMaxPyramid whole;
        whole.Build(seen);
        std::uniform_int_distribution<std::size_t> pick(0, size - 1);
        for (int trial = 0; trial < 20; ++trial) {
            std::size_t a = pick(gen);
            std::size_t b = pick(gen);
            if (a > b)
                std::swap(a, b);
            const MinMax got = grown.Query(seen, a, b + 1);
            const MinMax want = whole.Query(seen, a, b + 1);
            ASSERT_EQ(got.min, want.min) << size << ": " << a << ".." << b;
            ASSERT_EQ(got.max, want.max) << size << ": " << a << ".." << b;
        }
        const MinMax all = grown.Query(seen, 0, size);
        ASSERT_EQ(all.max, whole.Query(seen, 0, size).max) << size;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, Growth,
    ::testing::Values(GrowthCase{"single_samples", {1}, 3 * block + 5},
                      GrowthCase{"just_under_a_block", {block - 1}, 40 * block},
                      GrowthCase{"mixed", {1000, 3, 17, 129, 64}, 9000},
                      GrowthCase{"big_then_small", {5000, 1}, 5100}),
    [](const auto& info) { return info.param.name; });

// X values grown block by block must be classified as a whole analysis would
// and answer every lookup as a binary search over all of them.
struct XCase {
    const char* name;
    std::vector<double> x;
    std::vector<std::size_t> chunks;
    bool sorted;
    bool even;
};

std::vector<double> stepped(std::size_t n, double step)
{
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i)
        x[i] = static_cast<double>(i) * step;
    return x;
}

std::vector<double> withBackStepAt(std::vector<double> x, std::size_t at)
{
    x[at] = x[at - 1] - 1;
    return x;
}

std::vector<double> withPauseFrom(std::vector<double> x, std::size_t at)
{
    for (std::size_t i = at; i < x.size(); ++i)
        x[i] += 50;
    return x;
}

class XGrowth : public ::testing::TestWithParam<XCase> {};

TEST_P(XGrowth, GrownIndexClassifiesAndFindsAsWhole)
{
    const XCase& c = GetParam();
    XIndex grown;
    std::size_t size = 0;
    for (const std::size_t n : chunksOf({c.name, c.chunks, c.x.size()})) {
        grown.Extend(std::span<const double>(c.x.data(), size + n), size);
        size += n;
    }
    EXPECT_EQ(grown.Sorted(), c.sorted);
    EXPECT_EQ(grown.EvenlySpaced(), c.even);
    if (!c.sorted)
        return;
    for (double v = c.x.front() - 2; v <= c.x.back() + 2; v += 0.37) {
        const auto want = static_cast<std::size_t>(std::lower_bound(c.x.begin(), c.x.end(), v) - c.x.begin());
        ASSERT_EQ(grown.LowerBound(c.x, v), want) << v;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, XGrowth,
    ::testing::Values(XCase{"even_in_blocks", stepped(3000, 0.5), {1000}, true, true},
                      XCase{"even_from_single_samples", stepped(300, 0.25), {1}, true, true},
                      XCase{"pause_in_a_later_block", withPauseFrom(stepped(3000, 0.5), 2100), {1000}, true, false},
                      XCase{"uneven_then_grown", withPauseFrom(stepped(2000, 1), 10), {700, 33}, true, false},
                      XCase{"back_step_in_a_later_block", withBackStepAt(stepped(2000, 1), 1500), {500}, false,
                            false}),
    [](const auto& info) { return info.param.name; });

class ChannelAppend : public ::testing::Test {
protected:
    TOWIntf<TOWLock> lockRef = TOWLock::Create();
    TSLChannelData data{*lockRef};
};

TEST_F(ChannelAppend, AppendsFollowTheDataAndAreDrawnAfterCommit)
{
    const std::vector<double> x{0, 1, 2, 3, 4, 5};
    const std::vector<double> y{5, -2, 7, 1, 9, -4};
    data.SetXYData(x.data(), y.data(), 3);
    // Onto pending data: the appended samples follow them and go in with them.
    ASSERT_TRUE(data.AppendXYData(x.data() + 3, y.data() + 3, 1));
    EXPECT_TRUE(data.Commit());
    EXPECT_EQ(data.CommittedY().size(), 4u);
    EXPECT_FALSE(data.Commit());
    // Onto committed data: shown at the next commit.
    ASSERT_TRUE(data.AppendXYData(x.data() + 4, y.data() + 4, 2));
    EXPECT_TRUE(data.HasPending());
    EXPECT_TRUE(data.Commit());
    std::vector<double> gotX, gotY;
    data.GetXData(gotX);
    data.GetYData(gotY);
    EXPECT_EQ(gotX, x);
    EXPECT_EQ(gotY, y);
    const MinMax mm = data.Extremes(0, 6);
    EXPECT_EQ(mm.min, -4);
    EXPECT_EQ(mm.max, 9);
    EXPECT_EQ(data.GetValuesAtX(4.9), std::vector<double>{-4});
    // A clear after growth starts over.
    data.Clear();
    ASSERT_TRUE(data.AppendXYData(x.data(), y.data(), 2));
    EXPECT_TRUE(data.Commit());
    EXPECT_EQ(data.CommittedY().size(), 2u);
}

// Channels of one log share their X block: a channel that grows leaves it
// to the others as it was.
TEST_F(ChannelAppend, GrowingOneChannelLeavesTheSharedXOfOthers)
{
    TSLChannelData other{*lockRef};
    const auto x = stepped(100, 1);
    const auto y = noise(100, 9);
    data.SetXYData(x.data(), y.data(), x.size());
    other.SetXYData(x.data(), y.data(), x.size());
    data.Commit();
    other.Commit();
    ASSERT_EQ(data.CommittedX().data(), other.CommittedX().data());
    const double more[] = {1000, 1001};
    ASSERT_TRUE(data.AppendXYData(more, more, 2));
    data.Commit();
    EXPECT_EQ(other.CommittedX().size(), 100u);
    EXPECT_TRUE(std::equal(x.begin(), x.end(), other.CommittedX().begin()));
    EXPECT_EQ(data.CommittedX().back(), 1001);
    EXPECT_EQ(data.LowerBound(1000.5), 101u);
    EXPECT_EQ(other.LowerBound(1000.5), 100u);
}

// Data arriving in many small blocks grows the arrays in place: the samples
// move to a bigger block only as often as the capacity doubles, never once
// per block (which would make a stream cost the square of its length).
TEST_F(ChannelAppend, ManySmallAppendsMoveTheSamplesOnlyWhenCapacityDoubles)
{
    constexpr std::size_t appends = 20000;
    std::size_t moves = 0;
    const double* last = nullptr;
    for (std::size_t i = 0; i < appends; ++i) {
        const double v = static_cast<double>(i);
        ASSERT_TRUE(data.AppendXYData(&v, &v, 1));
        const double* now = data.CommittedY().data();
        moves += now != last;
        last = now;
    }
    EXPECT_LE(moves, 20u);
    EXPECT_EQ(data.CommittedY().size(), appends);
    EXPECT_TRUE(data.IsSortedByX());
    EXPECT_EQ(data.LowerBound(12345.5), 12346u);
    EXPECT_EQ(data.Extremes(10, 20001 - 2).max, 19998);
}

} // namespace
} // namespace zq::chart
