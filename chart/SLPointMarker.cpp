#include "chart/SLPointMarker.h"

#include <QPainter>
#include <QPoint>
#include <QRect>

#include <array>

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
class TMarkerCanvas {
public:
    TMarkerCanvas(QPainter& canvas, bool swap) : canvas_(canvas), swap_(swap) {}

    QPoint at(int x, int y) const { return swap_ ? QPoint(y, x) : QPoint(x, y); }

    // From (x1, y1) towards (x2, y2), the end point itself left out. Every
    // marker line is horizontal, vertical or diagonal, so one step back along
    // each axis is the last painted pixel.
    void line(int x1, int y1, int x2, int y2) const
    {
        if (x1 == x2 && y1 == y2)
            return;
        canvas_.drawLine(at(x1, y1), at(x2 - sign(x2 - x1), y2 - sign(y2 - y1)));
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
    void draw(QPoint* points, int count) const
    {
        for (int i = 0; i < count; ++i)
            points[i] = at(points[i].x(), points[i].y());
        canvas_.drawPolygon(points, count);
    }

    QPainter& canvas_;
    bool swap_;
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
