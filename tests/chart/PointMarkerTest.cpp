#include "chart/SLPointMarker.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

const QColor background = Qt::white;
const QColor penColor = Qt::red;
const QColor fillColor = Qt::blue;

struct TOffset {
    int dx, dy;
};

// Pixels relative to the marker's point, for the shape drawn without swap.
struct TPixels {
    std::vector<TOffset> pen, fill, blank;
};

struct TMarkerCase {
    TSLDisplayMarkerShape shape;
    int penWidth;
    bool swap;
    // From R (size + pen width) and the pen width.
    std::function<TPixels(int r, int w)> pixels;
};

void PrintTo(const TMarkerCase& c, std::ostream* os)
{
    *os << EnumTypeInfo(c.shape).ValueName(static_cast<int>(c.shape)) << " width " << c.penWidth
        << (c.swap ? " swapped" : "");
}

class DrawPointMarkerTest : public ::testing::TestWithParam<TMarkerCase> {};

constexpr int pointX = 24;
constexpr int pointY = 34;
constexpr int markerSize = 4;

TEST_P(DrawPointMarkerTest, Pixels)
{
    const TMarkerCase& c = GetParam();
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(background);
    {
        QPainter painter(&image);
        painter.setPen(QPen(penColor, c.penWidth));
        painter.setBrush(fillColor);
        DrawPointMarker(painter, pointX, pointY, c.shape, markerSize, c.penWidth, c.swap);
    }
    const TPixels pixels = c.pixels(markerSize + c.penWidth, c.penWidth);
    // Swapped, the shape is the transposition of the plain one, centred on
    // (pointY, pointX).
    auto colorAt = [&](TOffset o) {
        return c.swap ? image.pixelColor(pointY + o.dy, pointX + o.dx) : image.pixelColor(pointX + o.dx, pointY + o.dy);
    };
    auto check = [&](const std::vector<TOffset>& offsets, const QColor& expected, const char* what) {
        for (TOffset o : offsets)
            EXPECT_EQ(colorAt(o).name().toStdString(), expected.name().toStdString()) << what << " at offset (" << o.dx << ", " << o.dy << ")";
    };
    check(pixels.pen, penColor, "pen");
    check(pixels.fill, fillColor, "fill");
    check(pixels.blank, background, "blank");
}

TPixels point(int, int)
{
    return {{{0, 0}}, {}, {{1, 0}, {0, 1}, {-1, 0}, {0, -1}}};
}

TPixels circle(int r, int w)
{
    return {{{0, -r}, {0, r}, {-r, 0}, {r, 0}}, {{0, 0}, {r / 2, r / 2}}, {{r, r}, {-r, -r}, {0, r + w}, {r + w, 0}}};
}

TPixels square(int r, int w)
{
    return {{{-r, -r}, {r, r}, {r, -r}, {-r, r}, {0, -r}, {r, 0}}, {{0, 0}, {r - w, r - w}}, {{r + w, 0}, {0, r + w}}};
}

TPixels diamond(int r, int w)
{
    return {{{0, -r}, {-r, 0}, {0, r}, {r, 0}}, {{0, 0}}, {{r - 1, r - 1}, {-r + 1, -r + 1}, {0, r + w}}};
}

// The end pixel of a line is left out; only a one-pixel pen shows it (a
// wider pen's cap covers it).
void addEnd(TPixels& p, int w, TOffset end)
{
    if (w == 1)
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

// The triangles are given pointing up; the others are its reflections.
TPixels triangleUp(int r, int w)
{
    return {{{0, -w}, {0, 2 * r - w}, {-r, 2 * r - w}}, {{0, r}}, {{0, -w - 3}, {0, 2 * r - w + 3}, {-r, 0}, {r, 0}}};
}

TPixels mirrored(TPixels p, bool vertically, bool transposed)
{
    for (auto* list : {&p.pen, &p.fill, &p.blank})
        for (TOffset& o : *list) {
            if (vertically)
                o.dy = -o.dy;
            if (transposed)
                o = {o.dy, o.dx};
        }
    return p;
}

TPixels triangleDown(int r, int w)
{
    return mirrored(triangleUp(r, w), true, false);
}

TPixels triangleLeft(int r, int w)
{
    return mirrored(triangleUp(r, w), false, true);
}

TPixels triangleRight(int r, int w)
{
    return mirrored(triangleUp(r, w), true, true);
}

TPixels hLine(int r, int w)
{
    TPixels p{{{-r, 0}, {0, 0}, {r - w, 0}}, {}, {{0, w + 1}, {0, -w - 1}, {-r - w, 0}}};
    addEnd(p, w, {r - w + 1, 0});
    return p;
}

TPixels vLine(int r, int w)
{
    return mirrored(hLine(r, w), false, true);
}

TPixels nothing(int r, int)
{
    TPixels p;
    for (int d = -r; d <= r; ++d)
        p.blank.insert(p.blank.end(), {{d, d}, {d, 0}, {0, d}, {d, -d}});
    return p;
}

std::vector<TMarkerCase> markerCases()
{
    using S = TSLDisplayMarkerShape;
    const std::vector<std::pair<S, std::function<TPixels(int, int)>>> shapes{
        {S::msPoint, point},
        {S::msCircle, circle},
        {S::msSquare, square},
        {S::msDiamond, diamond},
        {S::msPlus, plus},
        {S::msCross, cross},
        {S::msStar, star},
        {S::msTriangleUp, triangleUp},
        {S::msTriangleDown, triangleDown},
        {S::msTriangleLeft, triangleLeft},
        {S::msTriangleRight, triangleRight},
        {S::msHLine, hLine},
        {S::msVLine, vLine},
        {static_cast<S>(13), nothing}};
    std::vector<TMarkerCase> cases;
    for (const auto& [shape, pixels] : shapes)
        for (int width : {1, 3})
            for (bool swap : {false, true})
                cases.push_back({shape, width, swap, pixels});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Shapes, DrawPointMarkerTest, ::testing::ValuesIn(markerCases()));

} // namespace
