#pragma once

#include "chart/MinMaxPyramid.h"
#include "chart/SharedXBuffers.h"
#include "chart/XIndex.h"
#include "framework/buffers/SLRealBuffer.h"
#include "framework/locks/OWLock.h"

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

namespace zq::chart {

// What one pixel column of a trace reduces to: enough to draw the column's
// vertical extent and to join it to its neighbours.
struct ColumnSample {
    double first = 0;
    double min = 0;
    double max = 0;
    double last = 0;
    bool any = false;
};

// The samples of one channel. New data waits as pending until the chart's
// refresh commits it. The structures that let a redraw cost about the number
// of pixel columns instead of the number of samples are built when the data
// is set, while it passes through the cache anyway.
class TSLChannelData {
public:
    // Everything goes under sections of the chart's lock; while another
    // thread stops it (the chart is going), setters change nothing and
    // getters answer empty.
    explicit TSLChannelData(IOWLock& lock);

    TSLChannelData(const TSLChannelData&) = delete;
    TSLChannelData& operator=(const TSLChannelData&) = delete;

    void SetXYData(const double* x, const double* y, std::size_t count);
    // Adds count (x, y) pairs after the samples there are (the pending ones
    // when there are any), growing the stored arrays and the structures over
    // them in place: data arriving in blocks costs each block, not the whole
    // trace again. Shown at the next commit. False, and nothing added, when
    // the trace would outgrow the largest buffer.
    bool AppendXYData(const double* x, const double* y, std::size_t count);
    void Clear();
    std::size_t GetCount() const;
    void GetXData(std::vector<double>& out) const;
    void GetYData(std::vector<double>& out) const;

    // Value of the sample whose X lies nearest to x; empty outside the data.
    std::vector<double> GetValuesAtX(double x) const;

    // Moves pending data into place; true when the committed data changed.
    bool Commit();
    bool HasPending() const;

    // Committed data, for drawing; call under the chart's lock.
    std::span<const double> CommittedX() const { return committed_.x; }
    std::span<const double> CommittedY() const { return committed_.y; }
    bool IsSortedByX() const { return committed_.index().Sorted(); }
    // First index whose X is not below x (committed data sorted by X).
    std::size_t LowerBound(double x) const { return committed_.index().LowerBound(committed_.x, x); }
    MinMax Extremes(std::size_t first, std::size_t last) const;
    // Columns c = 0 .. columns-1 cover [x0 + c*dx, x0 + (c+1)*dx).
    void ReduceColumns(double x0, double dx, std::size_t columns, std::vector<ColumnSample>& out) const;

    std::size_t MemoryBytes() const;

private:
    struct Samples {
        // The values live in pooled copy-on-write buffers; X usually shares its
        // block and its index with the other channels of the same log. The
        // spans view them.
        SharedX xShared;
        SLRef<TSLRealBuffer> yBuffer;
        std::span<const double> x;
        std::span<const double> y;
        MinMaxPyramid pyramid;

        const XIndex& index() const;
        // X and the index of this channel alone once it has grown (its first
        // growth leaves the block and index it shared with other channels).
        std::shared_ptr<XIndex> ownIndex;

        static Samples From(const double* x, const double* y, std::size_t count);
        bool Append(const double* x, const double* y, std::size_t count);
        std::size_t MemoryBytes() const;
    };
    const Samples& latest() const { return hasPending_ ? pending_ : committed_; }

    IOWLock& lock_;
    Samples pending_;
    bool hasPending_ = false;
    Samples committed_;
    // The committed samples grew since the last commit.
    bool grown_ = false;
};

} // namespace zq::chart
