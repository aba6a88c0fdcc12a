#pragma once
// Point markers: small shapes drawn on a data point with the painter's
// current pen and brush.
#include "framework/ClassLibrary/TypeInfo.h"

#include <cstdint>

class QPainter;

enum class TSLDisplayMarkerShape : std::uint8_t {
    msPoint,
    msCircle,
    msSquare,
    msDiamond,
    msPlus,
    msCross,
    msStar,
    msTriangleUp,
    msTriangleDown,
    msTriangleLeft,
    msTriangleRight,
    msHLine,
    msVLine
};
const TEnumTypeInfo& EnumTypeInfo(TSLDisplayMarkerShape);

// Draws one marker on (x, y), its reach size + penWidth pixels each way
// (R; its box runs from x - R to x + R). Triangles have their tip on the
// point and their body on the far side. Lines leave out their end point, as
// a move-to/line-to does, and only that, whatever the pen's width and cap.
// With swap, x and y trade places and the shape is drawn transposed (an
// up-triangle points left, a horizontal line stands upright): for charts
// whose value axis runs horizontally. msPoint paints the one pixel in the
// pen's colour; a value past msVLine draws nothing.
void DrawPointMarker(QPainter& canvas, int x, int y, TSLDisplayMarkerShape shape, int size, int penWidth, bool swap);
