#include "app/ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int sizes[] = {16, 24, 32, 48, 64, 128};

QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    // The tile.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 40, 90));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);

    // The grid.
    p.setPen(QPen(QColor(90, 120, 180), 1.5));
    for (int line = 1; line < 4; ++line) {
        p.drawLine(QPointF(8, 8 + line * 12), QPointF(56, 8 + line * 12));
        p.drawLine(QPointF(8 + line * 12, 8), QPointF(8 + line * 12, 56));
    }

    // The trace: a rising pull, a peak and the drop back.
    QPainterPath trace(QPointF(8, 48));
    trace.cubicTo(QPointF(20, 46), QPointF(26, 30), QPointF(34, 16));
    trace.lineTo(QPointF(40, 14));
    trace.cubicTo(QPointF(44, 30), QPointF(48, 40), QPointF(56, 42));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 170, 30), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(trace);
    return pixmap;
}

} // namespace

QIcon programIcon()
{
    QIcon icon;
    for (int size : sizes)
        icon.addPixmap(drawIcon(size));
    return icon;
}
