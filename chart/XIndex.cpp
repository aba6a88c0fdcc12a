#include "chart/XIndex.h"

#include "chart/ParallelPieces.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace zq::chart {

XIndex XIndex::Analyse(std::span<const double> x)
{
    XIndex index;
    const std::size_t count = x.size();
    if (count == 0)
        return index;
    index.firstX_ = x[0];
    index.stepX_ = count > 1 ? (x[count - 1] - x[0]) / static_cast<double>(count - 1) : 0;
    const bool mayBeEven = count > 2 && index.stepX_ > 0 && std::isfinite(index.stepX_);
    const double tolerance = 2 * index.stepX_;
    std::atomic<bool> unsorted{false};
    std::atomic<bool> uneven{!mayBeEven};
    ForEachPiece(count, samplesPerPiece, [&](std::size_t begin, std::size_t end) {
        bool sorted = true;
        bool even = true;
        double previous = x[begin > 0 ? begin - 1 : 0];
        for (std::size_t i = begin; i < end; ++i) {
            sorted &= !(x[i] < previous);
            even &= std::abs(x[i] - (index.firstX_ + static_cast<double>(i) * index.stepX_)) <= tolerance;
            previous = x[i];
        }
        if (!sorted)
            unsorted.store(true, std::memory_order_relaxed);
        if (!even)
            uneven.store(true, std::memory_order_relaxed);
    });
    const bool sorted = !unsorted.load(std::memory_order_relaxed);
    index.sorted_ = sorted;
    index.evenlySpaced_ = sorted && !uneven.load(std::memory_order_relaxed);
    if (sorted && !index.evenlySpaced_) {
        index.blockStartX_.reserve((count + stride - 1) / stride);
        index.addBlockStarts(x, 0);
    }
    return index;
}

void XIndex::addBlockStarts(std::span<const double> x, std::size_t from)
{
    for (std::size_t i = (from + stride - 1) / stride * stride; i < x.size(); i += stride)
        blockStartX_.push_back(x[i]);
}

void XIndex::Extend(std::span<const double> x, std::size_t analysed)
{
    // Too few values to have told a step: judge the whole again (it is short).
    if (analysed <= 2) {
        *this = Analyse(x);
        return;
    }
    if (!sorted_ || analysed >= x.size())
        return;
    bool sorted = true;
    bool even = evenlySpaced_;
    const double tolerance = 2 * stepX_;
    for (std::size_t i = analysed; i < x.size(); ++i) {
        sorted &= !(x[i] < x[i - 1]);
        even &= std::abs(x[i] - (firstX_ + static_cast<double>(i) * stepX_)) <= tolerance;
    }
    if (!sorted) {
        sorted_ = false;
        evenlySpaced_ = false;
        blockStartX_ = {};
        return;
    }
    if (evenlySpaced_ && !even) {
        evenlySpaced_ = false;
        addBlockStarts(x, 0);
    } else if (!evenlySpaced_) {
        addBlockStarts(x, analysed);
    }
}

std::size_t XIndex::LowerBound(std::span<const double> x, double value) const
{
    if (!sorted_)
        return static_cast<std::size_t>(std::lower_bound(x.begin(), x.end(), value) - x.begin());
    if (evenlySpaced_) {
        double estimate = (value - firstX_) / stepX_;
        if (!(estimate > 0)) // also NaN
            estimate = 0;
        std::size_t i = static_cast<std::size_t>(std::min(estimate, static_cast<double>(x.size())));
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
    const std::size_t lo = b == 0 ? 0 : (b - 1) * stride;
    const std::size_t hi = std::min(b * stride, x.size());
    return static_cast<std::size_t>(std::lower_bound(x.begin() + lo, x.begin() + hi, value) - x.begin());
}

} // namespace zq::chart
