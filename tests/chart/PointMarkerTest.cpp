#include "chart/SLPointMarker.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct TOffset {
    int dx, dy;
};

// Pixels relative to the marker's point, for the shape drawn without swap.
struct TPixels {
    std::vector<TOffset> pen, fill, blank;
};

std::string nameOf(const QColor& c)
{
    return c.name().toStdString();
}

// Each shape's pixels from R (size + pen width) and the pen width w.
using TShapePixels = std::function<TPixels(int r, int w)>;

// The end pixel of a line is left out, whatever the pen's width.
void addEnd(TPixels& p, int, TOffset end)
{
    p.blank.push_back(end);
}

TPixels plus(int r, int w)
{
    TPixels p{{{0, -r}, {-r, 0}, {0, r - w}, {r - w, 0}, {0, 0}}, {}, {{w + 1, w + 1}, {-w - 1, -w - 1}, {r, r}}};
    addEnd(p, w, {0, r - w + 1});
    addEnd(p, w, {r - w + 1, 0});
    return p;
}

TPixels cross(int r, int w)
{
    TPixels p{{{-r, -r}, {0, 0}, {r - w, r - w}, {r, -r}, {-r + w, r - w}}, {}, {{0, -r}, {-r, 0}, {0, r}}};
    addEnd(p, w, {r - w + 1, r - w + 1});
    addEnd(p, w, {-r + w - 1, r - w + 1});
    return p;
}

TPixels star(int r, int w)
{
    TPixels p = plus(r, w);
    const TPixels x = cross(r, w);
    p.pen.insert(p.pen.end(), x.pen.begin(), x.pen.end());
    p.blank = {{2, -r}, {-r, 2}};
    return p;
}

// The triangles are given pointing up, the vertical line as the horizontal
// one; the others are their reflections.
TPixels triangleUp(int r, int w)
{
    return {{{0, -w}, {0, 2 * r - w}, {-r, 2 * r - w}}, {{0, r}}, {{0, -w - 3}, {0, 2 * r - w + 3}, {-r, 0}, {r, 0}}};
}

TPixels hLine(int r, int w)
{
    TPixels p{{{-r, 0}, {0, 0}, {r - w, 0}}, {}, {{0, w + 1}, {0, -w - 1}, {-r - w, 0}}};
    addEnd(p, w, {r - w + 1, 0});
    return p;
}

TShapePixels mirrored(TShapePixels shape, bool vertically, bool transposed)
{
    return [=](int r, int w) {
        TPixels p = shape(r, w);
        for (auto* list : {&p.pen, &p.fill, &p.blank})
            for (TOffset& o : *list) {
                o.dy = vertically ? -o.dy : o.dy;
                o = transposed ? TOffset{o.dy, o.dx} : o;
            }
        return p;
    };
}

struct TCap {
    const char* name;
    Qt::PenCapStyle style;
};
constexpr TCap caps[] = {{"square", Qt::SquareCap}, {"flat", Qt::FlatCap}, {"round", Qt::RoundCap}};

const QColor background = Qt::white, penColor = Qt::red, fillColor = Qt::blue;
constexpr int pointX = 24, pointY = 34, size = 4;

// One marker on a blank image, with a pen of width w and the given cap.
// Swapped, the shape is the transposition of the plain one, centred on
// (pointY, pointX); colourAt takes offsets of the plain shape either way.
struct TDrawnMarker {
    QImage image{64, 64, QImage::Format_RGB32};
    bool swap;

    TDrawnMarker(TSLDisplayMarkerShape shape, int w, Qt::PenCapStyle cap, bool swapped) : swap(swapped)
    {
        image.fill(background);
        QPainter painter(&image);
        QPen pen(penColor, w);
        pen.setCapStyle(cap);
        painter.setPen(pen);
        painter.setBrush(fillColor);
        DrawPointMarker(painter, pointX, pointY, shape, size, w, swap);
        EXPECT_EQ(painter.pen(), pen) << "the caller's pen comes back as it was";
    }

    std::string colourAt(TOffset o) const
    {
        return nameOf(swap ? image.pixelColor(pointY + o.dy, pointX + o.dx)
                           : image.pixelColor(pointX + o.dx, pointY + o.dy));
    }
};

TPixels nothing(int r, int)
{
    TPixels p;
    for (int d = -r; d <= r; ++d)
        p.blank.insert(p.blank.end(), {{d, d}, {d, 0}, {0, d}, {d, -d}});
    return p;
}

TEST(DrawPointMarker, EveryShapeInBothPenWidthsPlainAndSwapped)
{
    using S = TSLDisplayMarkerShape;
    const std::vector<std::pair<S, TShapePixels>> shapes{
        {S::msPoint, [](int, int) { return TPixels{{{0, 0}}, {}, {{1, 0}, {0, 1}, {-1, 0}, {0, -1}}}; }},
        {S::msCircle,
         [](int r, int w) {
             return TPixels{{{0, -r}, {0, r}, {-r, 0}, {r, 0}}, {{0, 0}, {r / 2, r / 2}},
                            {{r, r}, {-r, -r}, {0, r + w}, {r + w, 0}}};
         }},
        {S::msSquare,
         [](int r, int w) {
             return TPixels{{{-r, -r}, {r, r}, {r, -r}, {-r, r}, {0, -r}, {r, 0}}, {{0, 0}, {r - w, r - w}},
                            {{r + w, 0}, {0, r + w}}};
         }},
        {S::msDiamond,
         [](int r, int w) {
             return TPixels{{{0, -r}, {-r, 0}, {0, r}, {r, 0}}, {{0, 0}}, {{r - 1, r - 1}, {-r + 1, -r + 1}, {0, r + w}}};
         }},
        {S::msPlus, plus},
        {S::msCross, cross},
        {S::msStar, star},
        {S::msTriangleUp, triangleUp},
        {S::msTriangleDown, mirrored(triangleUp, true, false)},
        {S::msTriangleLeft, mirrored(triangleUp, false, true)},
        {S::msTriangleRight, mirrored(triangleUp, true, true)},
        {S::msHLine, hLine},
        {S::msVLine, mirrored(hLine, false, true)},
        {static_cast<S>(13), nothing}};
    // Whatever the caller's cap, a line keeps every pixel but its end one.
    for (const auto& shape : shapes)
        for (int w : {1, 3})
            for (bool swap : {false, true})
                for (const auto& cap : caps) {
                    SCOPED_TRACE(testing::Message() << "shape " << static_cast<int>(shape.first) << " width " << w
                                                    << (swap ? " swapped" : "") << " cap " << cap.name);
                    const TDrawnMarker drawn(shape.first, w, cap.style, swap);
                    auto check = [&](const std::vector<TOffset>& offsets, const QColor& expected) {
                        for (TOffset o : offsets)
                            EXPECT_EQ(drawn.colourAt(o), nameOf(expected))
                                << "at offset (" << o.dx << ", " << o.dy << ")";
                    };
                    const TPixels pixels = shape.second(size + w, w);
                    check(pixels.pen, penColor);
                    check(pixels.fill, fillColor);
                    check(pixels.blank, background);
                }
}

// A marker line from its start to its end, relative to the point, for the
// shape drawn without swap.
struct TLine {
    TOffset start, end;
};

std::vector<TLine> plusLines(int r, int w)
{
    return {{{0, -r}, {0, r + 1 - w}}, {{-r, 0}, {r + 1 - w, 0}}};
}

std::vector<TLine> crossLines(int r, int w)
{
    return {{{-r, -r}, {r + 1 - w, r + 1 - w}}, {{r, -r}, {-r - 1 + w, r + 1 - w}}};
}

int step(int from, int to)
{
    return (to > from) - (to < from);
}

// However wide the pen and whatever its cap, a line paints its start and the
// pixel before its end, and never its end: a wide square or round cap drawn
// one pixel short still reaches it.
TEST(DrawPointMarker, LinesLeaveOutTheirEndAtEveryPenWidthAndCap)
{
    using S = TSLDisplayMarkerShape;
    const std::vector<std::pair<S, std::function<std::vector<TLine>(int, int)>>> shapes{
        {S::msPlus, plusLines},
        {S::msCross, crossLines},
        {S::msStar,
         [](int r, int w) {
             std::vector<TLine> lines = plusLines(r, w);
             const std::vector<TLine> cross = crossLines(r, w);
             lines.insert(lines.end(), cross.begin(), cross.end());
             return lines;
         }},
        {S::msHLine, [](int r, int w) { return std::vector<TLine>{plusLines(r, w)[1]}; }},
        {S::msVLine, [](int r, int w) { return std::vector<TLine>{plusLines(r, w)[0]}; }}};
    for (const auto& shape : shapes)
        for (int w = 1; w <= 4; ++w)
            for (const auto& cap : caps)
                for (bool swap : {false, true}) {
                    SCOPED_TRACE(testing::Message() << "shape " << static_cast<int>(shape.first) << " width " << w
                                                    << " cap " << cap.name << (swap ? " swapped" : ""));
                    const TDrawnMarker drawn(shape.first, w, cap.style, swap);
                    for (const TLine& line : shape.second(size + w, w)) {
                        const TOffset beforeEnd{line.end.dx - step(line.start.dx, line.end.dx),
                                                line.end.dy - step(line.start.dy, line.end.dy)};
                        const std::string at = testing::PrintToString(
                            std::vector<int>{line.start.dx, line.start.dy, line.end.dx, line.end.dy});
                        EXPECT_EQ(drawn.colourAt(line.end), nameOf(background)) << "end of line " << at;
                        EXPECT_EQ(drawn.colourAt(beforeEnd), nameOf(penColor)) << "before the end of line " << at;
                        EXPECT_EQ(drawn.colourAt(line.start), nameOf(penColor)) << "start of line " << at;
                    }
                }
}

// The clip that keeps a line's end out narrows the caller's clip, never
// widens it.
TEST(DrawPointMarker, KeepsInsideTheCallersClip)
{
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(background);
    {
        QPainter painter(&image);
        painter.setPen(QPen(penColor, 3));
        painter.setClipRect(0, 0, 32, 64);
        DrawPointMarker(painter, 30, 30, TSLDisplayMarkerShape::msStar, 4, 3, false);
        EXPECT_EQ(painter.clipBoundingRect(), QRectF(0, 0, 32, 64));
    }
    EXPECT_EQ(nameOf(image.pixelColor(31, 30)), nameOf(penColor));
    for (int y = 0; y < 64; ++y)
        for (int x = 32; x < 64; ++x)
            ASSERT_EQ(nameOf(image.pixelColor(x, y)), nameOf(background)) << "at (" << x << ", " << y << ")";
}

} // namespace
