#pragma once

#include <QRect>

#include <optional>
#include <vector>

class QMdiArea;
class QMdiSubWindow;

// Arrangements of the chart windows for the arrange button.
enum class MdiArrangement { Cascade, TileHorizontal, TileVertical };

// Rectangles for count windows tiled inside area: horizontally means stacked
// one above the other, each as wide as the area; vertically means side by side,
// each as tall as the area. The last window takes the pixels left by rounding.
std::vector<QRect> tileRects(int count, const QRect& area, MdiArrangement arrangement);

// Rectangles for count cascaded windows, back to front: each one step right
// of and below the one before, all of one size, as large as the area allows
// after the offsets. A window is never smaller than a third of the area each
// way: when the offsets would need that, the cascade starts again at the
// top left corner.
std::vector<QRect> cascadeRects(int count, const QRect& area, int step);

// Where a new window of the preferred size opens: one step right of and below
// the last window (at the area's corner for the first), inside the area. It
// keeps room for a few more steps. When the next step would leave the area a
// new round begins at the top, one step right of where the last round began;
// when that would leave the area too, at the corner.
QRect newWindowRect(const QRect& area, const std::optional<QRect>& last, QSize preferred, int step);

// The part of the area where windows are seen without scrolling.
QRect visibleArea(const QMdiArea& area);

// The offset between cascaded windows: a title bar, so every caption shows.
int cascadeStep(const QMdiArea& area);

// Applies an arrangement to the visible, non-minimised windows of the area.
void arrangeSubWindows(QMdiArea& area, MdiArrangement arrangement);

// Gives a window just added to the area its place and size (see newWindowRect).
void placeNewSubWindow(QMdiArea& area, QMdiSubWindow& window, QSize preferred);
