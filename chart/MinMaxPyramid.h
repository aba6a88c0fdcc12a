#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace zq::chart {

struct MinMax {
    double min;
    double max;
};

// Block-wise minima and maxima of a sample array, halved level after level, so
// that the extremes of any index range cost O(block + log n) instead of O(n).
class MinMaxPyramid {
public:
    // The first level's block: larger blocks save memory, smaller ones keep a
    // redraw of a huge log cheap (each column edge scans up to a block). 64
    // keeps both a 15-channel million-sample log inside its memory budget and
    // a 10-million-sample redraw within twice that of a small log.
    static constexpr std::size_t blockSize = 64;

    void Build(std::span<const double> values);
    void Clear();

    // The same built piece by piece, while the values pass through the cache
    // anyway: Begin, then AddValues over pieces that together cover the values
    // once, each starting at a multiple of blockSize, then Finish. The pieces
    // may be added in any order and from several threads at once.
    void Begin(std::size_t count);
    // values[0, count) are the values from index `first` on.
    void AddValues(std::size_t first, const double* values, std::size_t count);
    void Finish();

    // The values grew at the end (the span is all of them, old and new): the
    // blocks they complete are added and only the entries above them
    // recomputed, so a trace fed in blocks costs the new values each time,
    // not the whole trace.
    void Extend(std::span<const double> values);

    // Extremes of values[first, last), NaN values left out; first < last <=
    // values.size(). A range of NaN values only gives min > max. The span must
    // be the one the pyramid was built from.
    MinMax Query(std::span<const double> values, std::size_t first, std::size_t last) const;

    // Asks the cache for what a query with an end at `index` will read, so a
    // sweep over many ranges can overlap its memory waits.
    void Prefetch(std::span<const double> values, std::size_t index) const;

    std::size_t MemoryBytes() const;

private:
    // Recomputes every level above the first from the entries that cover
    // level-0 blocks firstBlock onwards, adding levels as needed.
    void updateAbove(std::size_t firstBlock);

    std::vector<std::vector<MinMax>> levels_;
};

} // namespace zq::chart
