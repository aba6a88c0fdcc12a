#include "chart/MinMaxPyramid.h"

#include <algorithm>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace zq::chart {

namespace {

// NaN samples are gaps in a trace: they take no part in the extremes. Every
// fold therefore starts from the empty range, which a NaN cannot poison (a NaN
// seed would hide the whole block or range behind it).
constexpr MinMax emptyRange{std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};

// Pyramid levels up to this size stay in the cache from one column of a
// redraw to the next.
constexpr std::size_t smallLevelBytes = std::size_t{1} << 16;

void include(MinMax& into, const MinMax& other)
{
    into.min = std::min(into.min, other.min);
    into.max = std::max(into.max, other.max);
}

// Folds values[0, count) into `into`, skipping NaN values. Several
// independent lanes let the comparisons overlap instead of waiting on one
// another; each lane starts from `into`, with the same result as a plain
// left-to-right std::min/std::max.
void scan(MinMax& into, const double* values, std::size_t count)
{
    std::size_t i = 0;
#ifdef __SSE2__
    // minpd(v, lo) is (v < lo ? v : lo) lane by lane, which is std::min(lo, v);
    // likewise maxpd(v, hi) is std::max(hi, v).
    constexpr std::size_t vectors = 4;
    __m128d lo[vectors];
    __m128d hi[vectors];
    for (std::size_t j = 0; j < vectors; ++j) {
        lo[j] = _mm_set1_pd(into.min);
        hi[j] = _mm_set1_pd(into.max);
    }
    for (; i + 2 * vectors <= count; i += 2 * vectors) {
        for (std::size_t j = 0; j < vectors; ++j) {
            const __m128d v = _mm_loadu_pd(values + i + 2 * j);
            lo[j] = _mm_min_pd(v, lo[j]);
            hi[j] = _mm_max_pd(v, hi[j]);
        }
    }
    alignas(16) double lanes[2];
    for (std::size_t j = 0; j < vectors; ++j) {
        _mm_store_pd(lanes, lo[j]);
        into.min = std::min(std::min(into.min, lanes[0]), lanes[1]);
        _mm_store_pd(lanes, hi[j]);
        into.max = std::max(std::max(into.max, lanes[0]), lanes[1]);
    }
#endif
    for (; i < count; ++i) {
        into.min = std::min(into.min, values[i]);
        into.max = std::max(into.max, values[i]);
    }
}

void scan(MinMax& into, std::span<const double> values, std::size_t first, std::size_t last)
{
    if (last > first)
        scan(into, values.data() + first, last - first);
}

} // namespace

void MinMaxPyramid::Build(std::span<const double> values)
{
    Begin(values.size());
    AddValues(0, values.data(), values.size());
    Finish();
}

void MinMaxPyramid::Begin(std::size_t count)
{
    levels_.clear();
    levels_.emplace_back(count / blockSize);
}

void MinMaxPyramid::AddValues(std::size_t first, const double* values, std::size_t count)
{
    auto& level = levels_.front();
    const std::size_t firstBlock = first / blockSize;
    // A trailing part block is left to the edge scans of Query.
    const std::size_t blocks = std::min(count / blockSize, level.size() - std::min(firstBlock, level.size()));
    for (std::size_t b = 0; b < blocks; ++b) {
        MinMax block = emptyRange;
        scan(block, values + b * blockSize, blockSize);
        level[firstBlock + b] = block;
    }
}

void MinMaxPyramid::Finish()
{
    if (levels_.empty() || levels_.front().empty()) {
        levels_.clear();
        return;
    }
    updateAbove(0);
}

void MinMaxPyramid::updateAbove(std::size_t firstBlock)
{
    // From the first entry that covers a changed block up: a level's last
    // entry may have stood for one child and now has two.
    std::size_t changed = firstBlock;
    for (std::size_t l = 1; levels_[l - 1].size() > 1; ++l) {
        if (l == levels_.size())
            levels_.emplace_back();
        const auto& below = levels_[l - 1];
        auto& above = levels_[l];
        changed /= 2;
        above.resize((below.size() + 1) / 2);
        for (std::size_t j = changed; j < above.size(); ++j) {
            above[j] = below[2 * j];
            if (2 * j + 1 < below.size())
                include(above[j], below[2 * j + 1]);
        }
    }
}

void MinMaxPyramid::Extend(std::span<const double> values)
{
    if (levels_.empty())
        levels_.emplace_back();
    const std::size_t oldBlocks = levels_.front().size();
    const std::size_t blocks = values.size() / blockSize;
    if (blocks <= oldBlocks)
        return;
    levels_.front().resize(blocks);
    AddValues(oldBlocks * blockSize, values.data() + oldBlocks * blockSize, (blocks - oldBlocks) * blockSize);
    updateAbove(oldBlocks);
}

void MinMaxPyramid::Clear()
{
    levels_.clear();
    levels_.shrink_to_fit();
}

MinMax MinMaxPyramid::Query(std::span<const double> values, std::size_t first, std::size_t last) const
{
    MinMax result = emptyRange;
    std::size_t blockFirst = (first + blockSize - 1) / blockSize;
    std::size_t blockLast = last / blockSize;
    const std::size_t fullBlocks = levels_.empty() ? 0 : levels_.front().size();
    blockLast = std::min(blockLast, fullBlocks);
    if (blockFirst >= blockLast) {
        scan(result, values, first, last);
        return result;
    }
    scan(result, values, first, blockFirst * blockSize);
    scan(result, values, blockLast * blockSize, last);
    // Bottom-up walk: an odd edge block is taken on its own, the even pairs
    // inside are covered by the level above.
    for (std::size_t l = 0; l < levels_.size() && blockFirst < blockLast; ++l) {
        const auto& level = levels_[l];
        if (blockFirst & 1)
            include(result, level[blockFirst++]);
        if (blockLast & 1)
            include(result, level[--blockLast]);
        blockFirst /= 2;
        blockLast /= 2;
    }
    return result;
}

void MinMaxPyramid::Prefetch(std::span<const double> values, std::size_t index) const
{
    if (index >= values.size())
        return;
    // A range ending at index scans the start of its block, one starting
    // there scans the rest: the whole block, then the entries on both sides
    // of the edge at every level too big to stay in the cache. Asking for the
    // small ones costs more than their misses.
    const std::size_t blockStart = index & ~(blockSize - 1);
    const std::size_t blockEnd = std::min(blockStart + blockSize, values.size());
    for (std::size_t i = blockStart; i < blockEnd; i += 64 / sizeof(double))
        __builtin_prefetch(values.data() + i);
    std::size_t block = index / blockSize;
    for (const auto& level : levels_) {
        if (block >= level.size() || level.size() * sizeof(MinMax) < smallLevelBytes)
            break;
        __builtin_prefetch(level.data() + block);
        if (block > 0)
            __builtin_prefetch(level.data() + block - 1);
        block /= 2;
    }
}

std::size_t MinMaxPyramid::MemoryBytes() const
{
    std::size_t bytes = 0;
    for (const auto& level : levels_)
        bytes += level.capacity() * sizeof(MinMax);
    return bytes;
}

} // namespace zq::chart
