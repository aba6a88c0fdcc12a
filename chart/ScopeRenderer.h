#pragma once

#include "chart/SLChannelData.h"
#include "chart/SLScopeAxes.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <vector>

namespace zq::chart {

class TSLScope;

// pixel = offset + scale * value; one per axis and pixel direction.
struct LinearMap {
    double offset = 0;
    double scale = 1;

    double ToPixel(double value) const { return offset + scale * value; }
    double ToValue(double pixel) const { return (pixel - offset) / scale; }
};

// View [min, max] across pixels first .. last (last may be below first).
LinearMap MapSpan(const AxisSpan& view, double firstPixel, double lastPixel);

struct AxisStrip {
    const TSLBasicScopeYAxis* axis;
    QRect rect;
};

// Where everything goes in a control of a given size.
struct ScopeLayout {
    QRect bounds; // the whole control
    QRect titleRect;
    QRect dataRect;
    QRect xAxisRect;
    std::vector<AxisStrip> yStrips;

    LinearMap XMap(const TSLDisplayAxis& axis) const;
    LinearMap YMap(const TSLDisplayAxis& axis) const;
    // Data units of a channel bound to the axis straight to pixel rows.
    LinearMap YDataMap(const TSLDisplayAxis& axis) const;
};

ScopeLayout ComputeLayout(const TSLScope& scope, QSize size);

// A tick label of the X axis as it is drawn.
struct TickLabel {
    double value;
    QString text;
    QRect rect;
};

// The X axis tick labels of a layout, each centred under its tick, moved in
// from the control's border where they would cross it, and none running
// into the one before.
std::vector<TickLabel> XTickLabels(const TSLScope& scope, const ScopeLayout& layout);

// Round tick values inside [min, max], about `wanted` of them.
std::vector<double> NiceTicks(double min, double max, int wanted);

// The polyline of a channel across pixel columns first .. last: the samples
// themselves when they are sparse, otherwise each column reduced to its first,
// minimum, maximum and last value. Ends with the samples just outside, so the
// line runs on to the edges.
void BuildTrace(const TSLChannelData& data, const LinearMap& xMap, const LinearMap& yMap, int firstColumn,
                int lastColumn, std::vector<QPoint>& points);

// One pixel column of a dense trace: the rows its samples cover, and the rows
// of its first and last sample, where the neighbours join.
struct PixelSpan {
    int top = 0;
    int bottom = 0;
    int firstRow = 0;
    int lastRow = 0;
    bool any = false;
};

struct TraceColumns {
    int firstColumn = 0;
    std::vector<PixelSpan> spans;
    std::vector<QPoint> before; // the sample just left of the view, if any
    std::vector<QPoint> after;  // the sample just right of it, if any
};

// The same reduction as column spans, for traces with more samples than
// columns; false (and nothing built) when the samples are sparse enough to be
// drawn one by one with BuildTrace.
bool BuildTraceColumns(const TSLChannelData& data, const LinearMap& xMap, const LinearMap& yMap, int firstColumn,
                       int lastColumn, TraceColumns& trace);

// Draws everything but the overlays; call under the chart's lock.
void RenderScope(const TSLScope& scope, const ScopeLayout& layout, QImage& image);

} // namespace zq::chart
