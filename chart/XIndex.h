#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace zq::chart {

// What a lookup by X needs to know about a channel's X values. It depends on
// the X values alone, so channels sharing one X block share one of these too.
class XIndex {
public:
    // Every `stride`-th X value is kept when the values are sorted but not
    // evenly stepped.
    static constexpr std::size_t stride = 32;

    static XIndex Analyse(std::span<const double> x);
    // The X values grew at the end (the span is all of them, the first
    // `analysed` already analysed): only the new values are looked at. An
    // evenly stepped trace keeps its first step, and leaves that kind for good
    // (with one walk over the whole trace for its table) when a new value
    // strays from it.
    void Extend(std::span<const double> x, std::size_t analysed);

    bool Sorted() const { return sorted_; }
    bool EvenlySpaced() const { return evenlySpaced_; }
    double FirstX() const { return firstX_; }
    double StepX() const { return stepX_; }

    // First index whose X is not below value; x must be the values analysed.
    std::size_t LowerBound(std::span<const double> x, double value) const;

    std::size_t MemoryBytes() const { return blockStartX_.capacity() * sizeof(double); }

private:
    // Every `stride`-th value of x from index `from` on, into the table.
    void addBlockStarts(std::span<const double> x, std::size_t from);

    bool sorted_ = true;
    // Set when the X values step evenly (as sample times do): an index is
    // then estimated from x and only corrected locally, and no table of
    // block starts is needed.
    bool evenlySpaced_ = false;
    double firstX_ = 0;
    double stepX_ = 0;
    std::vector<double> blockStartX_;
};

} // namespace zq::chart
