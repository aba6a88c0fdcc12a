#include "chart/ScopeRenderer.h"

#include "chart/ParallelPieces.h"
#include "chart/SLScope.h"
#include "framework/text/FloatToDisplayText.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace zq::chart {

namespace {

constexpr int tickLength = 4;
constexpr int outerPad = 6;
constexpr int rightPad = 14;
constexpr int labelGap = 4; // least space between two time labels
constexpr double pixelLimit = 1e6; // beyond this QPainter coordinates stop being useful
// Significant digits of a tick label: its decimals follow from the width of
// the visible range, so neighbouring labels differ in their last digit.
constexpr std::int32_t tickDigits = 3;

int toPixel(double value)
{
    return static_cast<int>(std::lround(std::clamp(value, -pixelLimit, pixelLimit)));
}

// Appends a point unless it repeats the last one; columns of flat data then
// cost one point instead of four.
void append(std::vector<QPoint>& points, QPoint point)
{
    if (points.empty() || points.back() != point)
        points.push_back(point);
}

void appendSample(std::vector<QPoint>& points, const LinearMap& xMap, const LinearMap& yMap, double x, double y)
{
    if (std::isnan(x) || std::isnan(y))
        return;
    append(points, QPoint(toPixel(xMap.ToPixel(x)), toPixel(yMap.ToPixel(y))));
}

QString tickText(double value, const AxisSpan& view)
{
    return QString::fromStdString(FloatToDisplayText(false, tickDigits, false, value, view.min, view.max));
}

// The axis title when it is shown, else empty.
QString titleOf(const TSLDisplayAxis& axis)
{
    return axis.AxisLabel.GetVisible() ? QString::fromStdString(axis.AxisLabel.GetText()) : QString();
}

// Pixels the title takes across its line: none without a title.
int axisTitleHeight(const TSLDisplayAxis& axis)
{
    return titleOf(axis).isEmpty() ? 0 : QFontMetrics(axis.AxisLabel.GetFont()->ToQFont()).height() + 2;
}

std::vector<const TSLBasicScopeYAxis*> visibleYAxes(const TSLScope& scope)
{
    std::vector<const TSLBasicScopeYAxis*> axes;
    if (scope.YAxis.GetVisible())
        axes.push_back(&scope.YAxis);
    for (int i = 0; i < scope.YAxis.AdditionalAxes.Count(); ++i) {
        const auto& axis = scope.YAxis.AdditionalAxes.GetItem(i).Axis;
        if (axis.GetVisible())
            axes.push_back(&axis);
    }
    return axes;
}

QString xLabelText(const TSLScopeXAxis& axis, double value)
{
    QString text = tickText(value, axis.View());
    if (axis.OnCustomLabel)
        axis.OnCustomLabel(value, text);
    return text;
}

int xTickCount(const QRect& data)
{
    return std::max(data.width() / 100, 2);
}

// Half the widest X label at the data area's edges, judged on the axis's
// full range (its ticks and its ends) so that the area does not shift while
// the user pans or zooms.
int halfWidestXLabel(const TSLScope& scope, const QFontMetrics& fm, const QRect& data)
{
    const auto& axis = scope.XAxis;
    const AxisSpan full = axis.FullRange();
    std::vector<double> values = NiceTicks(full.min, full.max, xTickCount(data));
    values.push_back(full.min);
    values.push_back(full.max);
    int widest = 0;
    for (const double value : values)
        widest = std::max(widest, fm.horizontalAdvance(xLabelText(axis, value)));
    return (widest + 1) / 2 + 1;
}

} // namespace

LinearMap MapSpan(const AxisSpan& view, double firstPixel, double lastPixel)
{
    const double scale = (lastPixel - firstPixel) / view.Width();
    return {firstPixel - scale * view.min, scale};
}

LinearMap ScopeLayout::XMap(const TSLDisplayAxis& axis) const
{
    return MapSpan(axis.View(), dataRect.left(), dataRect.right());
}

LinearMap ScopeLayout::YMap(const TSLDisplayAxis& axis) const
{
    return MapSpan(axis.View(), dataRect.bottom(), dataRect.top());
}

LinearMap ScopeLayout::YDataMap(const TSLDisplayAxis& axis) const
{
    const LinearMap display = YMap(axis);
    const double at0 = axis.DataToDisplay(0);
    const double at1 = axis.DataToDisplay(1);
    return {display.offset + display.scale * at0, display.scale * (at1 - at0)};
}

ScopeLayout ComputeLayout(const TSLScope& scope, QSize size)
{
    const QFontMetrics fm(scope.font());
    ScopeLayout layout;
    layout.bounds = QRect(QPoint(0, 0), size);
    const int titleHeight = scope.Title.GetHeight();
    layout.titleRect = QRect(0, 0, size.width(), titleHeight);
    const int top = titleHeight + outerPad;

    int bottom = outerPad;
    if (scope.XAxis.GetVisible())
        bottom += tickLength + fm.height() + 2 + axisTitleHeight(scope.XAxis);

    const auto axes = visibleYAxes(scope);
    const int tickWidth = tickLength + fm.horizontalAdvance(QStringLiteral("-00000.00")) + 4;
    std::vector<int> stripWidths;
    int left = outerPad;
    for (const auto* axis : axes) {
        stripWidths.push_back(tickWidth + std::max(axisTitleHeight(*axis), fm.height() + 2));
        left += stripWidths.back();
    }
    int right = rightPad;
    const int height = std::max(size.height() - top - bottom, 2);
    if (scope.XAxis.GetVisible()) {
        // The labels at the ends are centred on the area's edges: leave room
        // for their halves so none is cut by the control's border.
        const QRect provisional(left, top, std::max(size.width() - left - right, 2), height);
        const int half = halfWidestXLabel(scope, fm, provisional);
        left = std::max(left, half);
        right = std::max(right, half);
    }

    const int width = std::max(size.width() - left - right, 2);
    layout.dataRect = QRect(left, top, width, height);
    layout.xAxisRect = QRect(left, layout.dataRect.bottom() + 1, width, bottom);
    int stripRight = left - 1;
    for (std::size_t i = 0; i < axes.size(); ++i) {
        layout.yStrips.push_back({axes[i], QRect(stripRight - stripWidths[i] + 1, top, stripWidths[i], height)});
        stripRight -= stripWidths[i];
    }
    return layout;
}

std::vector<TickLabel> XTickLabels(const TSLScope& scope, const ScopeLayout& layout)
{
    const auto& axis = scope.XAxis;
    const QRect& data = layout.dataRect;
    const LinearMap map = layout.XMap(axis);
    const AxisSpan view = axis.View();
    const QFontMetrics fm(scope.font());
    const int top = data.bottom() + 1 + tickLength + 1;
    std::vector<TickLabel> labels;
    for (const double t : NiceTicks(view.min, view.max, xTickCount(data))) {
        QString text = xLabelText(axis, t);
        const int w = fm.horizontalAdvance(text);
        QRect rect(toPixel(map.ToPixel(t)) - w / 2, top, w, fm.height());
        // A zoomed view may carry longer labels than the margins were made
        // for: such a label moves in from the border rather than being cut.
        if (rect.right() > layout.bounds.right())
            rect.moveRight(layout.bounds.right());
        if (rect.left() < layout.bounds.left())
            rect.moveLeft(layout.bounds.left());
        // In a narrow chart a label that would run into the last one is left out.
        if (!labels.empty() && rect.left() <= labels.back().rect.right() + labelGap)
            continue;
        labels.push_back({t, std::move(text), rect});
    }
    return labels;
}

std::vector<double> NiceTicks(double min, double max, int wanted)
{
    std::vector<double> ticks;
    if (!std::isfinite(min) || !std::isfinite(max) || !(max > min))
        return ticks;
    wanted = std::clamp(wanted, 1, 100);
    const double raw = (max - min) / wanted;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = magnitude;
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        step = factor * magnitude;
        if (step >= raw)
            break;
    }
    if (!(step > 0) || !std::isfinite(step))
        return ticks;
    const double first = std::ceil(min / step);
    const double last = std::floor(max / step);
    if (last - first > 1000)
        return ticks;
    for (double k = first; k <= last; ++k) {
        const double t = k * step;
        ticks.push_back(std::abs(t) < step * 1e-9 ? 0.0 : t);
    }
    return ticks;
}

void BuildTrace(const TSLChannelData& data, const LinearMap& xMap, const LinearMap& yMap, int firstColumn,
                int lastColumn, std::vector<QPoint>& points)
{
    points.clear();
    const auto x = data.CommittedX();
    const auto y = data.CommittedY();
    const std::size_t n = y.size();
    if (n == 0 || lastColumn < firstColumn)
        return;
    if (!data.IsSortedByX()) {
        for (std::size_t i = 0; i < n; ++i)
            appendSample(points, xMap, yMap, x[i], y[i]);
        return;
    }
    const double xa = xMap.ToValue(firstColumn - 0.5);
    const double xb = xMap.ToValue(lastColumn + 0.5);
    const std::size_t begin = data.LowerBound(std::min(xa, xb));
    const std::size_t end = data.LowerBound(std::max(xa, xb));
    const std::size_t before = begin > 0 ? begin - 1 : begin;
    const std::size_t after = end < n ? end + 1 : end;
    const auto columns = static_cast<std::size_t>(lastColumn - firstColumn + 1);

    if (end - begin <= 2 * columns || !(xMap.scale > 0)) {
        for (std::size_t i = before; i < after; ++i)
            appendSample(points, xMap, yMap, x[i], y[i]);
        return;
    }

    thread_local std::vector<ColumnSample> reduced;
    data.ReduceColumns(xa, 1.0 / xMap.scale, columns, reduced);
    points.reserve(4 * columns + 2);
    if (before < begin)
        appendSample(points, xMap, yMap, x[before], y[before]);
    for (std::size_t c = 0; c < columns; ++c) {
        const ColumnSample& s = reduced[c];
        if (!s.any)
            continue;
        const int px = firstColumn + static_cast<int>(c);
        // Which extreme came first is not kept; the vertical run first -> min
        // -> max -> last covers the column's extent either way and meets the
        // neighbouring columns at their true ends.
        append(points, QPoint(px, toPixel(yMap.ToPixel(s.first))));
        append(points, QPoint(px, toPixel(yMap.ToPixel(s.min))));
        append(points, QPoint(px, toPixel(yMap.ToPixel(s.max))));
        append(points, QPoint(px, toPixel(yMap.ToPixel(s.last))));
    }
    if (end < n)
        appendSample(points, xMap, yMap, x[end], y[end]);
}

bool BuildTraceColumns(const TSLChannelData& data, const LinearMap& xMap, const LinearMap& yMap, int firstColumn,
                       int lastColumn, TraceColumns& trace)
{
    const auto x = data.CommittedX();
    const auto y = data.CommittedY();
    const std::size_t n = y.size();
    if (n == 0 || lastColumn < firstColumn || !data.IsSortedByX() || !(xMap.scale > 0))
        return false;
    const double xa = xMap.ToValue(firstColumn - 0.5);
    const double xb = xMap.ToValue(lastColumn + 0.5);
    const std::size_t begin = data.LowerBound(xa);
    const std::size_t end = data.LowerBound(xb);
    const auto columns = static_cast<std::size_t>(lastColumn - firstColumn + 1);
    if (end - begin <= 2 * columns)
        return false;

    thread_local std::vector<ColumnSample> reduced;
    data.ReduceColumns(xa, 1.0 / xMap.scale, columns, reduced);
    trace.firstColumn = firstColumn;
    trace.spans.assign(columns, PixelSpan{});
    for (std::size_t c = 0; c < columns; ++c) {
        const ColumnSample& s = reduced[c];
        if (!s.any || std::isnan(s.min) || std::isnan(s.max))
            continue;
        // The scale is negative for rows (values grow upwards): max is on top.
        const int a = toPixel(yMap.ToPixel(s.min));
        const int b = toPixel(yMap.ToPixel(s.max));
        trace.spans[c] = {std::min(a, b), std::max(a, b), toPixel(yMap.ToPixel(s.first)),
                          toPixel(yMap.ToPixel(s.last)), true};
    }
    trace.before.clear();
    trace.after.clear();
    if (begin > 0)
        appendSample(trace.before, xMap, yMap, x[begin - 1], y[begin - 1]);
    if (end < n)
        appendSample(trace.after, xMap, yMap, x[end], y[end]);
    return true;
}

namespace {

// Below this many samples in view over all channels a frame reduces its
// channels on the calling thread: waking the other cores would cost more
// than they save.
constexpr std::size_t parallelRender = std::size_t{1} << 22;

std::size_t samplesInView(const TSLChannelData& data, const LinearMap& xMap, int firstColumn, int lastColumn)
{
    if (!data.IsSortedByX())
        return data.CommittedY().size();
    const double xa = xMap.ToValue(firstColumn - 0.5);
    const double xb = xMap.ToValue(lastColumn + 0.5);
    return data.LowerBound(std::max(xa, xb)) - data.LowerBound(std::min(xa, xb));
}

// Writes the column spans of columns [from, to] straight into the image: for
// dense data that is many times cheaper than stroking thousands of short
// vertical segments. Each column also covers the row where the previous
// column ended, which joins the trace without a separate line.
void fillTraceColumns(QImage& image, const QRect& clip, const TraceColumns& trace, QColor color, int width,
                      int from, int to)
{
    const QRgb rgb = color.rgb();
    const int grow = (width - 1) / 2;
    const int shrink = width / 2;
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    from = std::max(from, trace.firstColumn);
    to = std::min(to, trace.firstColumn + static_cast<int>(trace.spans.size()) - 1);
    for (int column = from; column <= to; ++column) {
        const std::size_t c = static_cast<std::size_t>(column - trace.firstColumn);
        const PixelSpan& span = trace.spans[c];
        if (!span.any)
            continue;
        int top = span.top;
        int bottom = span.bottom;
        if (c > 0 && trace.spans[c - 1].any) {
            top = std::min(top, trace.spans[c - 1].lastRow);
            bottom = std::max(bottom, trace.spans[c - 1].lastRow);
        }
        const int x0 = std::max(column - grow, clip.left());
        const int x1 = std::min(column + shrink, clip.right());
        top = std::max(top - grow, clip.top());
        bottom = std::min(bottom + shrink, clip.bottom());
        for (int px = x0; px <= x1; ++px) {
            uchar* p = bits + top * stride + px * 4;
            for (int row = top; row <= bottom; ++row, p += stride)
                *reinterpret_cast<QRgb*>(p) = rgb;
        }
    }
}

// What the spans leave out: lines across columns without samples, and to the
// samples just outside the view. The painter's pen is the channel's.
void drawTraceJoins(QPainter& painter, const TraceColumns& trace)
{
    const PixelSpan* previous = nullptr;
    int previousColumn = 0;
    QPoint firstPoint;
    for (std::size_t c = 0; c < trace.spans.size(); ++c) {
        const PixelSpan& span = trace.spans[c];
        if (!span.any)
            continue;
        const int column = trace.firstColumn + static_cast<int>(c);
        if (!previous)
            firstPoint = QPoint(column, span.firstRow);
        else if (previousColumn != column - 1)
            painter.drawLine(previousColumn, previous->lastRow, column, span.firstRow);
        previous = &span;
        previousColumn = column;
    }
    if (!previous)
        return;
    if (!trace.before.empty())
        painter.drawLine(trace.before.front(), firstPoint);
    if (!trace.after.empty())
        painter.drawLine(QPoint(previousColumn, previous->lastRow), trace.after.front());
}

void drawXAxis(QPainter& painter, const TSLScope& scope, const ScopeLayout& layout)
{
    const auto& axis = scope.XAxis;
    const QRect& data = layout.dataRect;
    const LinearMap map = layout.XMap(axis);
    const AxisSpan view = axis.View();
    const QFontMetrics fm(scope.font());
    const int y0 = data.bottom() + 1;

    painter.setPen(axis.GetColor());
    painter.drawLine(data.left(), y0, data.right(), y0);
    for (const double t : NiceTicks(view.min, view.max, xTickCount(data))) {
        const int px = toPixel(map.ToPixel(t));
        painter.drawLine(px, y0, px, y0 + tickLength);
    }
    painter.setPen(axis.Font.GetColor());
    for (const TickLabel& label : XTickLabels(scope, layout))
        painter.drawText(label.rect.left(), label.rect.top() + fm.ascent(), label.text);
    if (const QString title = titleOf(axis); !title.isEmpty()) {
        painter.save();
        painter.setFont(axis.AxisLabel.GetFont()->ToQFont());
        painter.setPen(axis.AxisLabel.GetFont()->GetColor());
        const QRect labelRect(data.left(), y0 + tickLength + fm.height() + 2, data.width(), axisTitleHeight(axis));
        painter.drawText(labelRect, Qt::AlignHCenter | Qt::AlignTop, title);
        painter.restore();
    }
}

void drawYAxis(QPainter& painter, const TSLScope& scope, const ScopeLayout& layout, const AxisStrip& strip)
{
    const auto& axis = *strip.axis;
    const LinearMap map = layout.YMap(axis);
    const AxisSpan view = axis.View();
    const QFontMetrics fm(scope.font());
    const int x0 = strip.rect.right();

    painter.setPen(axis.GetColor());
    painter.drawLine(x0, strip.rect.top(), x0, strip.rect.bottom());
    for (const double t : NiceTicks(view.min, view.max, std::max(strip.rect.height() / 40, 2))) {
        const int py = toPixel(map.ToPixel(t));
        painter.setPen(axis.GetColor());
        painter.drawLine(x0 - tickLength, py, x0, py);
        painter.setPen(axis.Font.GetColor());
        const QString text = tickText(t, view);
        painter.drawText(x0 - tickLength - 2 - fm.horizontalAdvance(text), py + fm.ascent() / 2, text);
    }
    if (const QString title = titleOf(axis); !title.isEmpty()) {
        painter.save();
        const QFont font = axis.AxisLabel.GetFont()->ToQFont();
        const QFontMetrics titleMetrics(font);
        painter.setFont(font);
        painter.setPen(axis.AxisLabel.GetFont()->GetColor());
        painter.translate(strip.rect.left() + 1, strip.rect.center().y());
        painter.rotate(-90);
        const int w = titleMetrics.horizontalAdvance(title);
        painter.drawText(-w / 2, titleMetrics.ascent(), title);
        painter.restore();
    }
}

void drawGridAndZeroLines(QPainter& painter, const TSLScope& scope, const ScopeLayout& layout)
{
    const QRect& data = layout.dataRect;
    const auto& xAxis = scope.XAxis;
    const LinearMap xMap = layout.XMap(xAxis);
    const AxisSpan xView = xAxis.View();
    const auto pen = [](const TSLVisibleDisplayProperty& line) { return line.Pen.ToQPen(); };

    if (xAxis.DataView.Lines.GetVisible()) {
        painter.setPen(pen(xAxis.DataView.Lines));
        for (const double t : NiceTicks(xView.min, xView.max, xTickCount(data))) {
            const int px = toPixel(xMap.ToPixel(t));
            painter.drawLine(px, data.top(), px, data.bottom());
        }
    }
    for (const AxisStrip& strip : layout.yStrips) {
        if (!strip.axis->DataView.Lines.GetVisible())
            continue;
        const LinearMap yMap = layout.YMap(*strip.axis);
        const AxisSpan view = strip.axis->View();
        painter.setPen(pen(strip.axis->DataView.Lines));
        for (const double t : NiceTicks(view.min, view.max, std::max(data.height() / 40, 2))) {
            const int py = toPixel(yMap.ToPixel(t));
            painter.drawLine(data.left(), py, data.right(), py);
        }
    }
    if (xAxis.DataView.ZeroLine.GetVisible() && xView.min <= 0 && xView.max >= 0) {
        painter.setPen(pen(xAxis.DataView.ZeroLine));
        const int px = toPixel(xMap.ToPixel(0));
        painter.drawLine(px, data.top(), px, data.bottom());
    }
    for (const AxisStrip& strip : layout.yStrips) {
        const AxisSpan view = strip.axis->View();
        if (!strip.axis->DataView.ZeroLine.GetVisible() || view.min > 0 || view.max < 0)
            continue;
        painter.setPen(pen(strip.axis->DataView.ZeroLine));
        const int py = toPixel(layout.YMap(*strip.axis).ToPixel(0));
        painter.drawLine(data.left(), py, data.right(), py);
    }
}

} // namespace

void RenderScope(const TSLScope& scope, const ScopeLayout& layout, QImage& image)
{
    // Detach before the painter starts, so the traces written straight into
    // the pixels land in the buffer the painter draws into.
    image.bits();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(scope.font());
    painter.fillRect(image.rect(), scope.palette().color(QPalette::Base));
    const QRect& data = layout.dataRect;

    if (!scope.Title.GetText().trimmed().isEmpty()) {
        painter.setPen(scope.Title.Font.GetColor());
        painter.drawText(layout.titleRect, Qt::AlignCenter, scope.Title.GetText());
    }

    painter.fillRect(data, scope.DataView.GetColor());
    drawGridAndZeroLines(painter, scope, layout);

    painter.setClipRect(data);
    // Dense traces are reduced first and then written strip by strip, every
    // channel in turn within a strip, so the pixels a strip touches stay in
    // the cache; sparse traces and the joins are stroked afterwards.
    struct Trace {
        const TSLScopeChannel* channel = nullptr;
        LinearMap xMap;
        LinearMap yMap;
        bool dense = false;
        TraceColumns columns;
        std::vector<QPoint> points;
    };
    thread_local std::vector<Trace> traces;
    const int first = data.left();
    const int last = data.right();
    std::size_t used = 0;
    std::size_t samples = 0;
    for (int i = 0; i < scope.Channels.Count(); ++i) {
        const TSLScopeChannel& channel = scope.Channels.GetItem(i);
        if (!channel.GetVisible())
            continue;
        if (traces.size() <= used)
            traces.emplace_back();
        Trace& trace = traces[used++];
        trace.channel = &channel;
        trace.xMap = layout.XMap(*channel.GetXAxis());
        trace.yMap = layout.YDataMap(*channel.GetYAxis());
        samples += samplesInView(channel.Data, trace.xMap, first, last);
    }
    // Reducing a channel reads its samples only, so big logs reduce their
    // channels side by side; the axes were read above, on this thread. The
    // helpers reach this thread's traces by reference (in their own code the
    // name would be their own thread's).
    std::vector<Trace>& built = traces;
    const auto reduce = [&built, first, last](std::size_t t) {
        Trace& trace = built[t];
        trace.dense = BuildTraceColumns(trace.channel->Data, trace.xMap, trace.yMap, first, last, trace.columns);
        if (!trace.dense)
            BuildTrace(trace.channel->Data, trace.xMap, trace.yMap, first, last, trace.points);
    };
    if (used > 1 && samples >= parallelRender)
        RunPieces(used, reduce);
    else
        for (std::size_t t = 0; t < used; ++t)
            reduce(t);
    constexpr int stripWidth = 64;
    for (int from = first; from <= last; from += stripWidth) {
        for (std::size_t t = 0; t < used; ++t) {
            const Trace& trace = traces[t];
            if (trace.dense)
                fillTraceColumns(image, data, trace.columns, trace.channel->GetColor(), trace.channel->GetWidth(),
                                 from, from + stripWidth - 1);
        }
    }
    for (std::size_t t = 0; t < used; ++t) {
        const Trace& trace = traces[t];
        painter.setPen(QPen(trace.channel->GetColor(), trace.channel->GetWidth(), Qt::SolidLine, Qt::SquareCap,
                            Qt::MiterJoin));
        if (trace.dense)
            drawTraceJoins(painter, trace.columns);
        else if (trace.points.size() == 1)
            painter.drawPoint(trace.points.front());
        else if (!trace.points.empty())
            painter.drawPolyline(trace.points.data(), static_cast<int>(trace.points.size()));
    }
    painter.setClipping(false);

    if (scope.DataView.Border.GetVisible()) {
        painter.setPen(scope.DataView.Border.Pen.ToQPen());
        painter.drawRect(data.adjusted(-1, -1, 0, 0));
    }
    if (scope.XAxis.GetVisible())
        drawXAxis(painter, scope, layout);
    for (const AxisStrip& strip : layout.yStrips)
        drawYAxis(painter, scope, layout, strip);
}

} // namespace zq::chart
