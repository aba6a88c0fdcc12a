#include "chart/MinMaxPyramid.h"
#include "chart/ParallelPieces.h"
#include "chart/SLChannelData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace zq::chart {
namespace {

std::vector<double> randomValues(std::size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(-1000, 1000);
    std::vector<double> v(n);
    for (auto& x : v)
        x = dist(gen);
    return v;
}

class PyramidSizes : public ::testing::TestWithParam<std::size_t> {};

TEST_P(PyramidSizes, QueryMatchesPlainScanOnRandomRanges)
{
    const std::size_t n = GetParam();
    const auto values = randomValues(n, static_cast<unsigned>(n));
    MinMaxPyramid pyramid;
    pyramid.Build(values);
    std::mt19937 gen(7);
    std::uniform_int_distribution<std::size_t> pick(0, n - 1);
    for (int trial = 0; trial < 400; ++trial) {
        std::size_t a = pick(gen);
        std::size_t b = pick(gen);
        if (a > b)
            std::swap(a, b);
        ++b;
        const MinMax got = pyramid.Query(values, a, b);
        const auto [lo, hi] = std::minmax_element(values.begin() + a, values.begin() + b);
        ASSERT_EQ(got.min, *lo) << a << ".." << b;
        ASSERT_EQ(got.max, *hi) << a << ".." << b;
    }
    const MinMax all = pyramid.Query(values, 0, n);
    EXPECT_EQ(all.min, *std::min_element(values.begin(), values.end()));
    EXPECT_EQ(all.max, *std::max_element(values.begin(), values.end()));
}

constexpr std::size_t block = MinMaxPyramid::blockSize;
INSTANTIATE_TEST_SUITE_P(EdgeAndOddSizes, PyramidSizes,
                         ::testing::Values(1, 9, block - 1, block, block + 1, 2 * block, 3 * block - 1, 1000,
                                           block * 33 + 5, 100000));

// NaN samples are gaps: they never hide the samples around them, wherever
// they fall (first sample of a block or a range, inside the lanes of the edge
// scans), and a range of NaN values only is empty.
TEST(MinMaxPyramid, NanSamplesAreLeftOutOfTheExtremes)
{
    const std::size_t n = 4 * block;
    auto values = randomValues(n, 11);
    for (const std::size_t i : {std::size_t{0}, std::size_t{3}, block, block + 17, 2 * block - 1, 3 * block + 5})
        values[i] = NAN;
    MinMaxPyramid pyramid;
    pyramid.Build(values);
    for (const auto& [first, last] : {std::pair<std::size_t, std::size_t>{0, n}, {1, block - 3}, {3, 2 * block},
                                      {5, 3 * block + 9}, {block, 2 * block + 40}, {3 * block + 5, n}}) {
        double lo = INFINITY;
        double hi = -INFINITY;
        for (std::size_t i = first; i < last; ++i) {
            if (!std::isnan(values[i])) {
                lo = std::min(lo, values[i]);
                hi = std::max(hi, values[i]);
            }
        }
        const MinMax got = pyramid.Query(values, first, last);
        EXPECT_EQ(got.min, lo) << first << ".." << last;
        EXPECT_EQ(got.max, hi) << first << ".." << last;
    }
    const MinMax gap = pyramid.Query(values, 3, 4);
    EXPECT_GT(gap.min, gap.max);
}

// Pieces added out of order give the pyramid a plain Build gives.
TEST(MinMaxPyramid, PiecesInAnyOrderBuildTheSame)
{
    const std::size_t n = 10 * block + 17;
    const auto values = randomValues(n, 5);
    MinMaxPyramid whole;
    whole.Build(values);
    MinMaxPyramid pieces;
    pieces.Begin(n);
    for (const std::size_t first : {6 * block, 0 * block, 9 * block, 3 * block})
        pieces.AddValues(first, values.data() + first, std::min(3 * block, n - first));
    pieces.Finish();
    for (std::size_t a = 0; a < n; a += 13)
        for (std::size_t b = a + 1; b <= n; b += 61) {
            const MinMax want = whole.Query(values, a, b);
            const MinMax got = pieces.Query(values, a, b);
            ASSERT_EQ(got.min, want.min) << a << ".." << b;
            ASSERT_EQ(got.max, want.max) << a << ".." << b;
        }
}

struct Samples {
    std::vector<double> x;
    std::vector<double> y;
};

Samples ramp(std::size_t n, double x0, double dx)
{
    Samples s;
    for (std::size_t i = 0; i < n; ++i) {
        s.x.push_back(x0 + static_cast<double>(i) * dx);
        s.y.push_back(static_cast<double>(i) * 10);
    }
    return s;
}

TEST(ChannelData, NewDataIsReadableAtOnceButDrawnOnlyAfterCommit)
{
    const auto lockRef = TOWLock::Create();
    TSLChannelData data(*lockRef);
    const Samples s = ramp(5, 0, 1);
    data.SetXYData(s.x.data(), s.y.data(), s.x.size());
    EXPECT_EQ(data.GetCount(), 5u);
    EXPECT_TRUE(data.CommittedY().empty());
    EXPECT_TRUE(data.Commit());
    EXPECT_EQ(data.CommittedY().size(), 5u);
    EXPECT_FALSE(data.Commit());

    std::vector<double> back;
    data.GetYData(back);
    EXPECT_EQ(back, s.y);
    data.Clear();
    EXPECT_EQ(data.GetCount(), 0u);
    EXPECT_EQ(data.CommittedY().size(), 5u);
    data.Commit();
    EXPECT_TRUE(data.CommittedY().empty());
}

struct NearestCase {
    double x;
    bool found;
    double value;
};

class ValuesAtX : public ::testing::TestWithParam<std::tuple<bool, NearestCase>> {};

TEST_P(ValuesAtX, NearestSampleOrNothingOutsideTheData)
{
    const auto [committed, c] = GetParam();
    const auto lockRef = TOWLock::Create();
    TSLChannelData data(*lockRef);
    const Samples s = ramp(4, -1.0, 0.5); // x = -1, -0.5, 0, 0.5; y = 0, 10, 20, 30
    data.SetXYData(s.x.data(), s.y.data(), s.x.size());
    if (committed)
        data.Commit();
    const auto values = data.GetValuesAtX(c.x);
    ASSERT_EQ(values.empty(), !c.found) << c.x;
    if (c.found) {
        EXPECT_EQ(values.front(), c.value) << c.x;
    }
}

INSTANTIATE_TEST_SUITE_P(
    PendingAndCommitted, ValuesAtX,
    ::testing::Combine(::testing::Bool(),
                       ::testing::Values(NearestCase{-1.0, true, 0}, NearestCase{-0.8, true, 0},
                                         NearestCase{-0.7, true, 10}, NearestCase{0.1, true, 20},
                                         NearestCase{0.5, true, 30}, NearestCase{-1.01, false, 0},
                                         NearestCase{0.51, false, 0}, NearestCase{NAN, false, 0})));

TEST(ChannelData, EmptyChannelHasNoValues)
{
    const auto lockRef = TOWLock::Create();
    TSLChannelData data(*lockRef);
    EXPECT_TRUE(data.GetValuesAtX(0).empty());
    data.SetXYData(nullptr, nullptr, 10);
    data.Commit();
    EXPECT_EQ(data.GetCount(), 0u);
}

TEST(ChannelData, ColumnReductionKeepsFirstExtremesAndLast)
{
    const auto lockRef = TOWLock::Create();
    TSLChannelData data(*lockRef);
    const std::size_t n = 10000;
    const auto y = randomValues(n, 3);
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i)
        x[i] = static_cast<double>(i) * 0.01;
    data.SetXYData(x.data(), y.data(), n);
    data.Commit();

    std::vector<ColumnSample> columns;
    const double x0 = -0.005;
    const double dx = 0.37;
    data.ReduceColumns(x0, dx, 300, columns);
    std::size_t i = 0;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const double edge = x0 + static_cast<double>(c + 1) * dx;
        const std::size_t begin = i;
        while (i < n && x[i] < edge)
            ++i;
        ASSERT_EQ(columns[c].any, i > begin) << c;
        if (i == begin)
            continue;
        EXPECT_EQ(columns[c].first, y[begin]);
        EXPECT_EQ(columns[c].last, y[i - 1]);
        EXPECT_EQ(columns[c].min, *std::min_element(y.begin() + begin, y.begin() + i));
        EXPECT_EQ(columns[c].max, *std::max_element(y.begin() + begin, y.begin() + i));
    }
}

// Gaps in a trace: a column of NaN samples only draws nothing, and a NaN at a
// column's end joins its neighbours at the column's extreme, never at NaN.
TEST(ChannelData, ColumnsOfNanSamplesAreGaps)
{
    const auto lockRef = TOWLock::Create();
    TSLChannelData data(*lockRef);
    const std::size_t n = 4 * MinMaxPyramid::blockSize;
    std::vector<double> x(n);
    std::vector<double> y(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = static_cast<double>(i);
        y[i] = static_cast<double>(i % 7);
    }
    for (std::size_t i = 0; i < n / 4; ++i)
        y[i] = NAN;
    y[n / 2] = NAN;
    data.SetXYData(x.data(), y.data(), n);
    data.Commit();

    std::vector<ColumnSample> columns;
    data.ReduceColumns(-0.5, static_cast<double>(n) / 8, 8, columns);
    ASSERT_EQ(columns.size(), 8u);
    EXPECT_FALSE(columns[0].any);
    EXPECT_FALSE(columns[1].any);
    for (std::size_t c = 2; c < 8; ++c) {
        ASSERT_TRUE(columns[c].any) << c;
        EXPECT_EQ(columns[c].min, 0) << c;
        EXPECT_EQ(columns[c].max, 6) << c;
        EXPECT_FALSE(std::isnan(columns[c].first) || std::isnan(columns[c].last)) << c;
    }
}

struct XShape {
    const char* name;
    double (*at)(std::size_t i);
};

class LowerBoundShapes : public ::testing::TestWithParam<XShape> {};

// Whatever shortcut the lookup takes for evenly stepped times, it must agree
// with a plain binary search on every shape of X.
TEST_P(LowerBoundShapes, AgreesWithBinarySearch)
{
    const XShape shape = GetParam();
    const std::size_t n = 5000;
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i)
        x[i] = shape.at(i);
    const std::vector<double> y(n, 1.0);
    const auto lockRef = TOWLock::Create();
    TSLChannelData data(*lockRef);
    data.SetXYData(x.data(), y.data(), n);
    data.Commit();
    ASSERT_TRUE(data.IsSortedByX());
    for (double v = x.front() - 1; v <= x.back() + 1; v += (x.back() - x.front()) / 997) {
        const auto want = static_cast<std::size_t>(std::lower_bound(x.begin(), x.end(), v) - x.begin());
        ASSERT_EQ(data.LowerBound(v), want) << shape.name << " at " << v;
    }
    for (const double v : x)
        ASSERT_EQ(x[data.LowerBound(v)], v) << shape.name;
    EXPECT_EQ(data.LowerBound(-INFINITY), 0u);
    EXPECT_EQ(data.LowerBound(INFINITY), n);
    EXPECT_LE(data.LowerBound(NAN), n);
}

double repeatedAddition(std::size_t i)
{
    double x = -2.5;
    for (std::size_t k = 0; k < i; ++k)
        x += 1.0 / 30;
    return x;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, LowerBoundShapes,
    ::testing::Values(XShape{"even", [](std::size_t i) { return static_cast<double>(i) * 0.02; }},
                      XShape{"repeated addition", repeatedAddition},
                      XShape{"quadratic", [](std::size_t i) { return static_cast<double>(i * i) * 1e-3; }},
                      XShape{"steps with repeats", [](std::size_t i) { return static_cast<double>(i / 7); }},
                      XShape{"dense then sparse",
                             [](std::size_t i) { return i < 4000 ? static_cast<double>(i) : 4000.0 + (i - 4000) * 1e3; }}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST(ChannelData, UnsortedXStillAnswersNearestValue)
{
    const auto lockRef = TOWLock::Create();
    TSLChannelData data(*lockRef);
    const std::vector<double> x{3, 1, 2};
    const std::vector<double> y{30, 10, 20};
    data.SetXYData(x.data(), y.data(), 3);
    data.Commit();
    EXPECT_FALSE(data.IsSortedByX());
    EXPECT_EQ(data.GetValuesAtX(1.2), std::vector<double>{10});
    std::vector<ColumnSample> columns;
    data.ReduceColumns(0, 1, 4, columns);
    EXPECT_EQ(std::count_if(columns.begin(), columns.end(), [](const ColumnSample& c) { return c.any; }), 0);
}

} // namespace
} // namespace zq::chart

namespace zq::chart {
namespace {

// What makes redraws cheap must stay small beside the samples themselves:
// a big log of many channels has to fit its memory budget.
TEST(ChannelData, RedrawStructuresStaySmallBesideTheSamples)
{
    const std::size_t n = 100'000;
    const Samples s = ramp(n, 0, 0.02);
    const auto lockRef = TOWLock::Create();
    TSLChannelData first(*lockRef), second(*lockRef);
    first.SetXYData(s.x.data(), s.y.data(), n);
    second.SetXYData(s.x.data(), s.y.data(), n);
    first.Commit();
    second.Commit();
    const std::size_t samples = n * sizeof(double) * 3 / 2; // Y, and half of the shared X
    EXPECT_GE(first.MemoryBytes(), samples);
    EXPECT_LE(first.MemoryBytes(), samples + n * sizeof(double) / 12);
}

} // namespace
} // namespace zq::chart

namespace zq::chart {
namespace {

// A log big enough to be copied and reduced side by side on several cores:
// the extremes of any range, across and along the pieces' edges, are those
// of a plain scan, NaN samples at the edges included, and the channel reports
// the bytes it holds, not the capacity of its blocks.
TEST(ChannelData, BigLogBuiltInPiecesKeepsItsExtremesAndItsSize)
{
    const std::size_t n = 5 * samplesPerPiece + 77;
    ASSERT_GE(n, parallelThreshold);
    auto y = randomValues(n, 21);
    for (const std::size_t i : {samplesPerPiece - 1, samplesPerPiece, 3 * samplesPerPiece, n - 1})
        y[i] = NAN;
    y[2 * samplesPerPiece + 5] = 5000; // above every random value
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i)
        x[i] = static_cast<double>(i) * 0.5;
    const auto lockRef = TOWLock::Create();
    TSLChannelData data(*lockRef);
    data.SetXYData(x.data(), y.data(), n);
    data.Commit();
    const auto plain = [&y](std::size_t first, std::size_t last) {
        MinMax mm{INFINITY, -INFINITY};
        for (std::size_t i = first; i < last; ++i) {
            if (!std::isnan(y[i])) {
                mm.min = std::min(mm.min, y[i]);
                mm.max = std::max(mm.max, y[i]);
            }
        }
        return mm;
    };
    const std::size_t p = samplesPerPiece;
    for (const auto& [first, last] : {std::pair<std::size_t, std::size_t>{0, n}, {p - 1, p + 1}, {p, 2 * p},
                                      {p - 3, 3 * p + 70}, {2 * p + 6, n}, {2 * p + 5, 2 * p + 6}, {n - 100, n}}) {
        const MinMax got = data.Extremes(first, last);
        const MinMax want = plain(first, last);
        EXPECT_EQ(got.min, want.min) << first << ".." << last;
        EXPECT_EQ(got.max, want.max) << first << ".." << last;
    }
    std::vector<double> back;
    data.GetYData(back);
    EXPECT_EQ(std::memcmp(back.data(), y.data(), n * sizeof(double)), 0);

    // Y, the one holder's X (evenly stepped: no table of block starts), and
    // the pyramid: each level half the one below, the first one per block.
    std::size_t pyramid = 0;
    for (std::size_t entries = n / MinMaxPyramid::blockSize; entries > 1; entries = (entries + 1) / 2)
        pyramid += entries * sizeof(MinMax);
    pyramid += sizeof(MinMax);
    EXPECT_EQ(data.MemoryBytes(), 2 * n * sizeof(double) + pyramid);
}

} // namespace
} // namespace zq::chart
