#include "chart/SLChannelData.h"

#include "chart/FreshPages.h"
#include "chart/ParallelPieces.h"
#include "chart/SharedXBuffers.h"
#include "framework/buffers/BlockPool.h"

#include <algorithm>
#include <cmath>

namespace zq::chart {

namespace {
// The most samples a trace holds: the largest pooled block of doubles.
constexpr std::size_t maxSamples = maxPoolBlockSize / sizeof(double);
} // namespace

static_assert(samplesPerPiece % MinMaxPyramid::blockSize == 0, "pieces start on whole pyramid blocks");

TSLChannelData::Samples TSLChannelData::Samples::From(const double* x, const double* y, std::size_t count)
{
    Samples s;
    if (x == nullptr || y == nullptr || count == 0)
        return s;
    s.yBuffer = TSLRealBuffer::CreateSized(static_cast<std::uint32_t>(count));
    double* const py = s.yBuffer->GetWritePointer();
    s.pyramid.Begin(count);
    // Copy and reduce a piece at a time, each piece while it is in the cache,
    // the pieces side by side on the cores; X is matched with the other
    // channels' meanwhile.
    FillFresh(
        py, count,
        [&s, y, py](std::size_t begin, std::size_t end) {
            std::copy(y + begin, y + end, py + begin);
            s.pyramid.AddValues(begin, py + begin, end - begin);
        },
        [&s, x, count] { s.xShared = SharedXBuffers::Acquire(x, count); });
    s.x = {s.xShared.buffer->GetReadPointer(), count};
    s.y = {py, count};
    s.pyramid.Finish();
    return s;
}

bool TSLChannelData::Samples::Append(const double* xs, const double* ys, std::size_t count)
{
    if (xs == nullptr || ys == nullptr || count == 0)
        return true;
    const std::size_t oldCount = y.size();
    if (count > maxSamples - oldCount)
        return false;
    const auto newCount = static_cast<std::uint32_t>(oldCount + count);
    if (!yBuffer)
        yBuffer = TSLRealBuffer::Create();
    if (!xShared.buffer)
        xShared.buffer = TSLRealBuffer::Create();
    // Growing keeps the values; a block still shared with other channels (or
    // the shared-X registry) is left for one of this channel's own, once, and
    // grows in place from then on, its capacity doubling.
    yBuffer->SetCount(newCount, true);
    xShared.buffer->SetCount(newCount, true);
    double* const py = yBuffer->GetModifyPointer();
    double* const px = xShared.buffer->GetModifyPointer();
    std::copy(ys, ys + count, py + oldCount);
    std::copy(xs, xs + count, px + oldCount);
    x = {px, newCount};
    y = {py, newCount};
    if (!ownIndex || ownIndex != xShared.index) {
        ownIndex = std::make_shared<XIndex>(index());
        xShared.index = ownIndex;
    }
    ownIndex->Extend(x, oldCount);
    pyramid.Extend(y);
    return true;
}

const XIndex& TSLChannelData::Samples::index() const
{
    static const XIndex none;
    return xShared.index ? *xShared.index : none;
}

std::size_t TSLChannelData::Samples::MemoryBytes() const
{
    return SharedXBuffers::ShareOfBytes(xShared) + y.size_bytes() + pyramid.MemoryBytes();
}

TSLChannelData::TSLChannelData(IOWLock& lock) : lock_(lock) {}

void TSLChannelData::SetXYData(const double* x, const double* y, std::size_t count)
{
    // Built outside the lock: a big log does not hold up drawing meanwhile.
    Samples samples = Samples::From(x, y, count);
    const TOWLockSectionRef section = lock_.WriteSection();
    if (!section)
        return;
    pending_ = std::move(samples);
    hasPending_ = true;
}

bool TSLChannelData::AppendXYData(const double* x, const double* y, std::size_t count)
{
    const TOWLockSectionRef section = lock_.WriteSection();
    if (!section)
        return false;
    if (hasPending_)
        return pending_.Append(x, y, count);
    const std::size_t before = committed_.y.size();
    const bool appended = committed_.Append(x, y, count);
    grown_ = grown_ || committed_.y.size() != before;
    return appended;
}

void TSLChannelData::Clear()
{
    const TOWLockSectionRef section = lock_.WriteSection();
    if (!section)
        return;
    pending_ = Samples{};
    hasPending_ = true;
}

std::size_t TSLChannelData::GetCount() const
{
    const TOWLockSectionRef section = lock_.ReadSection();
    if (!section)
        return 0;
    return latest().y.size();
}

void TSLChannelData::GetXData(std::vector<double>& out) const
{
    const TOWLockSectionRef section = lock_.ReadSection();
    if (!section) {
        out.clear();
        return;
    }
    const auto x = latest().x;
    out.assign(x.begin(), x.end());
}

void TSLChannelData::GetYData(std::vector<double>& out) const
{
    const TOWLockSectionRef section = lock_.ReadSection();
    if (!section) {
        out.clear();
        return;
    }
    const auto y = latest().y;
    out.assign(y.begin(), y.end());
}

bool TSLChannelData::HasPending() const
{
    const TOWLockSectionRef section = lock_.ReadSection();
    if (!section)
        return false;
    return hasPending_ || grown_;
}

bool TSLChannelData::Commit()
{
    const TOWLockSectionRef section = lock_.WriteSection();
    if (!section)
        return false;
    if (!hasPending_) {
        const bool grown = grown_;
        grown_ = false;
        return grown;
    }
    grown_ = false;
    // The old samples go at once rather than keeping two copies of a big log.
    committed_ = std::move(pending_);
    pending_ = Samples{};
    hasPending_ = false;
    return true;
}

MinMax TSLChannelData::Extremes(std::size_t first, std::size_t last) const
{
    return committed_.pyramid.Query(committed_.y, first, last);
}

void TSLChannelData::ReduceColumns(double x0, double dx, std::size_t columns,
                                   std::vector<ColumnSample>& out) const
{
    out.assign(columns, ColumnSample{});
    const auto& x = committed_.x;
    const auto& y = committed_.y;
    const XIndex& index = committed_.index();
    if (y.empty() || !index.Sorted() || !(dx > 0))
        return;
    // The column edges first, then the reductions: knowing the edges ahead
    // lets the memory of later columns be fetched while earlier ones reduce,
    // which is what keeps a redraw of a huge log close to that of a small one.
    thread_local std::vector<std::size_t> edges;
    edges.resize(columns + 1);
    constexpr std::size_t lookahead = 8;
    edges[0] = LowerBound(x0);
    for (std::size_t c = 1; c <= columns; ++c) {
        const double edge = x0 + static_cast<double>(c) * dx;
        if (index.EvenlySpaced() && c + lookahead <= columns) {
            const double ahead = (x0 + static_cast<double>(c + lookahead) * dx - index.FirstX()) / index.StepX();
            if (ahead > 0 && ahead < static_cast<double>(x.size()))
                __builtin_prefetch(x.data() + static_cast<std::size_t>(ahead));
        }
        std::size_t end = edges[c - 1];
        if (end < y.size() && x[end] < edge)
            end = LowerBound(edge);
        edges[c] = end;
    }
    for (std::size_t c = 0; c < columns; ++c) {
        if (c + lookahead <= columns)
            committed_.pyramid.Prefetch(y, edges[c + lookahead]);
        const std::size_t begin = edges[c];
        const std::size_t end = edges[c + 1];
        if (end > begin) {
            const MinMax mm = Extremes(begin, end);
            // A column of NaN samples only is a gap; a NaN at either end
            // joins the neighbours at the column's extreme instead.
            if (mm.min <= mm.max) {
                const auto inColumn = [&mm](double v) { return std::isnan(v) ? mm.min : v; };
                out[c] = {inColumn(y[begin]), mm.min, mm.max, inColumn(y[end - 1]), true};
            }
        }
    }
}

std::vector<double> TSLChannelData::GetValuesAtX(double value) const
{
    const TOWLockSectionRef section = lock_.ReadSection();
    if (!section)
        return {};
    const auto& s = latest();
    if (s.x.empty() || !std::isfinite(value))
        return {};
    std::size_t best = 0;
    if (s.index().Sorted()) {
        if (value < s.x.front() || value > s.x.back())
            return {};
        const std::size_t i = s.index().LowerBound(s.x, value);
        best = i;
        if (i == s.x.size() || (i > 0 && value - s.x[i - 1] <= s.x[i] - value))
            best = i - 1;
    } else {
        const auto [lo, hi] = std::minmax_element(s.x.begin(), s.x.end());
        if (value < *lo || value > *hi)
            return {};
        double bestDistance = std::abs(s.x[0] - value);
        for (std::size_t i = 1; i < s.x.size(); ++i) {
            const double d = std::abs(s.x[i] - value);
            if (d < bestDistance) {
                bestDistance = d;
                best = i;
            }
        }
    }
    return {s.y[best]};
}

std::size_t TSLChannelData::MemoryBytes() const
{
    const TOWLockSectionRef section = lock_.ReadSection();
    if (!section)
        return 0;
    return pending_.MemoryBytes() + committed_.MemoryBytes();
}

} // namespace zq::chart
