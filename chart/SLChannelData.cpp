#include "chart/SLChannelData.h"

#include <algorithm>
#include <cmath>

namespace zq::chart {

TSLChannelData::TSLChannelData(ChartLock& lock) : lock_(lock) {}

void TSLChannelData::SetXYData(const double* x, const double* y, std::size_t count)
{
    ChartLockGuard guard(lock_);
    if (x == nullptr || y == nullptr)
        count = 0;
    pending_.x.assign(x, x + count);
    pending_.y.assign(y, y + count);
    hasPending_ = true;
}

void TSLChannelData::Clear()
{
    ChartLockGuard guard(lock_);
    pending_.x.clear();
    pending_.y.clear();
    hasPending_ = true;
}

std::size_t TSLChannelData::GetCount() const
{
    ChartLockGuard guard(lock_);
    return latest().y.size();
}

void TSLChannelData::GetXData(std::vector<double>& out) const
{
    ChartLockGuard guard(lock_);
    out = latest().x;
}

void TSLChannelData::GetYData(std::vector<double>& out) const
{
    ChartLockGuard guard(lock_);
    out = latest().y;
}

bool TSLChannelData::HasPending() const
{
    ChartLockGuard guard(lock_);
    return hasPending_;
}

bool TSLChannelData::Commit()
{
    ChartLockGuard guard(lock_);
    if (!hasPending_)
        return false;
    std::swap(committed_, pending_);
    // The old samples are not needed any more: give their memory back rather
    // than keeping two copies of a big log alive.
    pending_ = Samples{};
    hasPending_ = false;

    const auto& x = committed_.x;
    pyramid_.Build(committed_.y);
    // One pass over X: order, even spacing and the table of block starts.
    sorted_ = true;
    evenlySpaced_ = x.size() > 2;
    firstX_ = x.empty() ? 0 : x.front();
    stepX_ = x.size() > 1 ? (x.back() - x.front()) / static_cast<double>(x.size() - 1) : 0;
    if (!(stepX_ > 0) || !std::isfinite(stepX_))
        evenlySpaced_ = false;
    blockStartX_.clear();
    blockStartX_.reserve(x.size() / MinMaxPyramid::blockSize + 1);
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (i > 0 && x[i] < x[i - 1]) {
            sorted_ = false;
            break;
        }
        evenlySpaced_ = evenlySpaced_ && std::abs(x[i] - (firstX_ + static_cast<double>(i) * stepX_)) <= 2 * stepX_;
        if (i % MinMaxPyramid::blockSize == 0)
            blockStartX_.push_back(x[i]);
    }
    if (!sorted_) {
        evenlySpaced_ = false;
        blockStartX_.clear();
    }
    return true;
}

std::size_t TSLChannelData::LowerBound(double value) const
{
    const auto& x = committed_.x;
    if (!sorted_)
        return static_cast<std::size_t>(std::lower_bound(x.begin(), x.end(), value) - x.begin());
    if (evenlySpaced_) {
        const double estimate = std::clamp((value - firstX_) / stepX_, 0.0, static_cast<double>(x.size()));
        std::size_t i = static_cast<std::size_t>(estimate);
        while (i > 0 && x[i - 1] >= value)
            --i;
        while (i < x.size() && x[i] < value)
            ++i;
        return i;
    }
    // Search the small table of block starts first, so a lookup in a big log
    // touches only a few cache lines of the samples themselves.
    const auto b = static_cast<std::size_t>(
        std::lower_bound(blockStartX_.begin(), blockStartX_.end(), value) - blockStartX_.begin());
    const std::size_t lo = b == 0 ? 0 : (b - 1) * MinMaxPyramid::blockSize;
    const std::size_t hi = std::min(b * MinMaxPyramid::blockSize, x.size());
    return static_cast<std::size_t>(std::lower_bound(x.begin() + lo, x.begin() + hi, value) - x.begin());
}

MinMax TSLChannelData::Extremes(std::size_t first, std::size_t last) const
{
    return pyramid_.Query(committed_.y, first, last);
}

void TSLChannelData::ReduceColumns(double x0, double dx, std::size_t columns,
                                   std::vector<ColumnSample>& out) const
{
    out.assign(columns, ColumnSample{});
    const auto& x = committed_.x;
    const auto& y = committed_.y;
    if (y.empty() || !sorted_ || !(dx > 0))
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
        if (evenlySpaced_ && c + lookahead <= columns) {
            const double ahead = (x0 + static_cast<double>(c + lookahead) * dx - firstX_) / stepX_;
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
            pyramid_.Prefetch(y, edges[c + lookahead]);
        const std::size_t begin = edges[c];
        const std::size_t end = edges[c + 1];
        if (end > begin) {
            const MinMax mm = Extremes(begin, end);
            out[c] = {y[begin], mm.min, mm.max, y[end - 1], true};
        }
    }
}

std::vector<double> TSLChannelData::GetValuesAtX(double value) const
{
    ChartLockGuard guard(lock_);
    const auto& s = latest();
    if (s.x.empty() || !std::isfinite(value))
        return {};
    std::size_t best = 0;
    if (!hasPending_ && sorted_) {
        if (value < s.x.front() || value > s.x.back())
            return {};
        const std::size_t i = LowerBound(value);
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
    ChartLockGuard guard(lock_);
    const auto bytes = [](const Samples& s) {
        return (s.x.capacity() + s.y.capacity()) * sizeof(double);
    };
    return bytes(pending_) + bytes(committed_) + pyramid_.MemoryBytes() +
           blockStartX_.capacity() * sizeof(double);
}

} // namespace zq::chart
