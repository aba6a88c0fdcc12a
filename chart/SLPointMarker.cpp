#include "chart/SLPointMarker.h"

#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QRect>
#include <QRegion>

#include <algorithm>
#include <array>
#include <cmath>

const TEnumTypeInfo& EnumTypeInfo(TSLDisplayMarkerShape)
{
    static const TEnumTypeInfo info(
        "TSLDisplayMarkerShape", {"msPoint", "msCircle", "msSquare", "msDiamond", "msPlus", "msCross", "msStar",
                                  "msTriangleUp", "msTriangleDown", "msTriangleLeft", "msTriangleRight", "msHLine",
                                  "msVLine"});
    return info;
}

namespace {

int sign(int v)
{
    return (v > 0) - (v < 0);
}

// Draws in the shape's own coordinates and maps every point through the
// transposition when asked, so each shape is written once.
//
// Lines leave out their end point and nothing else, whatever the caller's pen
// cap and width. A square or round cap reaches past the point a stroke ends
// on, so those lines end one pixel short. A flat cap ends on it: the painter
// fills the pixels whose centres lie inside the stroke, so a flat line from a
// to b covers the pixels from a up to b - 1 where it runs towards larger
// coordinates, and from b + 1 up to a where it runs back; moved one pixel
// along each axis it runs back on, it covers a up to the pixel before b.
// A one-pixel pen is stroked by its own pixel walk, on which that move does
// not hold; its cap only decides whether the last pixel is painted, so it
// draws square-capped and ends one pixel short like the others.
// A cap of half a wide pen still reaches the end point from one pixel short,
// so every line is clipped to the side of its end point that it comes from:
// the end point and the pixels level with it across the line stay untouched,
// the rest of the stroke (its start and its cap there) is drawn as it comes.
class TMarkerCanvas {
public:
    TMarkerCanvas(QPainter& canvas, bool swap)
        : canvas_(canvas), swap_(swap), callersPen_(canvas.pen()),
          flatEnd_(callersPen_.capStyle() == Qt::FlatCap && callersPen_.widthF() > 1)
    {
        if (callersPen_.capStyle() == Qt::FlatCap && !flatEnd_) {
            QPen square = callersPen_;
            square.setCapStyle(Qt::SquareCap);
            canvas_.setPen(square);
        }
    }
    ~TMarkerCanvas() { canvas_.setPen(callersPen_); }
    TMarkerCanvas(const TMarkerCanvas&) = delete;
    TMarkerCanvas& operator=(const TMarkerCanvas&) = delete;

    QPoint at(int x, int y) const { return swap_ ? QPoint(y, x) : QPoint(x, y); }

    // From (x1, y1) towards (x2, y2), the end point itself left out. Every
    // marker line is horizontal, vertical or diagonal, so one step back along
    // each axis is the last painted pixel.
    void line(int x1, int y1, int x2, int y2) const
    {
        if (x1 == x2 && y1 == y2)
            return;
        const int dx = sign(x2 - x1);
        const int dy = sign(y2 - y1);
        canvas_.save();
        canvas_.setClipRegion(beforeEnd(x1, y1, x2, y2), Qt::IntersectClip);
        if (flatEnd_) {
            const int backX = dx < 0 ? 1 : 0;
            const int backY = dy < 0 ? 1 : 0;
            canvas_.drawLine(at(x1 + backX, y1 + backY), at(x2 + backX, y2 + backY));
        } else {
            canvas_.drawLine(at(x1, y1), at(x2 - dx, y2 - dy));
        }
        canvas_.restore();
    }

    void polygon(std::array<QPoint, 3> points) const { draw(points.data(), 3); }
    void polygon(std::array<QPoint, 4> points) const { draw(points.data(), 4); }

    // The box's pixels run from (left, top) to (right - 1, bottom - 1); a
    // stroked QRect reaches one pixel past its width, hence the - 1.
    QRect box(int left, int top, int right, int bottom) const
    {
        const QPoint a = at(left, top);
        const QPoint b = at(right - 1, bottom - 1);
        return QRect(a.x(), a.y(), b.x() - a.x(), b.y() - a.y());
    }

private:
    // The pixels around the line, as far as its pen reaches, that lie before
    // the end point: those p with (p - end) . direction < 0. Marker lines run
    // along an axis or a diagonal, so each pixel row is one span.
    QRegion beforeEnd(int x1, int y1, int x2, int y2) const
    {
        const int dx = sign(x2 - x1);
        const int dy = sign(y2 - y1);
        const int reach = static_cast<int>(std::ceil(callersPen_.widthF())) + 1;
        const int left = std::min(x1, x2) - reach;
        const int right = std::max(x1, x2) + reach;
        QRegion region;
        for (int py = std::min(y1, y2) - reach; py <= std::max(y1, y2) + reach; ++py) {
            // dx * (px - x2) < -dy * (py - y2)
            const int bound = -dy * (py - y2);
            int from = left;
            int to = right;
            if (dx > 0)
                to = std::min(right, x2 + bound - 1);
            else if (dx < 0)
                from = std::max(left, x2 - bound + 1);
            else if (bound <= 0)
                continue;
            if (from <= to)
                region += span(from, to, py);
        }
        return region;
    }

    QRect span(int fromX, int toX, int y) const { return QRect(at(fromX, y), at(toX, y)); }

    void draw(QPoint* points, int count) const
    {
        for (int i = 0; i < count; ++i)
            points[i] = at(points[i].x(), points[i].y());
        canvas_.drawPolygon(points, count);
    }

    QPainter& canvas_;
    bool swap_;
    QPen callersPen_;
    bool flatEnd_;
};

} // namespace

void DrawPointMarker(QPainter& canvas, int x, int y, TSLDisplayMarkerShape shape, int size, int penWidth, bool swap)
{
    const TMarkerCanvas c(canvas, swap);
    const int r = size + penWidth;
    const int left = x - r;
    const int top = y - r;
    const int right = x + r + 1;
    const int bottom = y + r + 1;
    const int w = penWidth;

    auto plus = [&] {
        c.line(x, top, x, bottom - w);
        c.line(left, y, right - w, y);
    };
    auto cross = [&] {
        c.line(left, top, right - w, bottom - w);
        c.line(right - 1, top, left - 1 + w, bottom - w);
    };

    switch (shape) {
    case TSLDisplayMarkerShape::msPoint:
        canvas.fillRect(QRect(c.at(x, y), QSize(1, 1)), canvas.pen().color());
        break;
    case TSLDisplayMarkerShape::msCircle: canvas.drawEllipse(c.box(left, top, right, bottom)); break;
    case TSLDisplayMarkerShape::msSquare: canvas.drawRect(c.box(left, top, right, bottom)); break;
    case TSLDisplayMarkerShape::msDiamond:
        c.polygon(std::array<QPoint, 4>{QPoint(x, top), QPoint(left, y), QPoint(x, bottom - 1), QPoint(right - 1, y)});
        break;
    case TSLDisplayMarkerShape::msPlus: plus(); break;
    case TSLDisplayMarkerShape::msCross: cross(); break;
    case TSLDisplayMarkerShape::msStar:
        plus();
        cross();
        break;
    case TSLDisplayMarkerShape::msTriangleUp:
        c.polygon(std::array<QPoint, 3>{QPoint(x, y - w), QPoint(x - r, y + 2 * r - w), QPoint(x + r, y + 2 * r - w)});
        break;
    case TSLDisplayMarkerShape::msTriangleDown:
        c.polygon(std::array<QPoint, 3>{QPoint(x, y + w), QPoint(x - r, y - 2 * r + w), QPoint(x + r, y - 2 * r + w)});
        break;
    case TSLDisplayMarkerShape::msTriangleLeft:
        c.polygon(std::array<QPoint, 3>{QPoint(x - w, y), QPoint(x + 2 * r - w, y - r), QPoint(x + 2 * r - w, y + r)});
        break;
    case TSLDisplayMarkerShape::msTriangleRight:
        c.polygon(std::array<QPoint, 3>{QPoint(x + w, y), QPoint(x - 2 * r + w, y - r), QPoint(x - 2 * r + w, y + r)});
        break;
    case TSLDisplayMarkerShape::msHLine: c.line(left, y, right - w, y); break;
    case TSLDisplayMarkerShape::msVLine: c.line(x, top, x, bottom - w); break;
    default: break;
    }
}
