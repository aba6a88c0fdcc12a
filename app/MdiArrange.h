#pragma once

#include <QRect>

#include <vector>

class QMdiArea;

// Arrangements of the chart windows for the arrange button.
enum class MdiArrangement { Cascade, TileHorizontal, TileVertical };

// Rectangles for count windows tiled inside area: horizontally means stacked
// one above the other, each as wide as the area; vertically means side by side,
// each as tall as the area. The last window takes the pixels left by rounding.
std::vector<QRect> tileRects(int count, const QRect& area, MdiArrangement arrangement);

// Applies an arrangement to the visible, non-minimised windows of the area.
void arrangeSubWindows(QMdiArea& area, MdiArrangement arrangement);
