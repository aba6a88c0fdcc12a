#include "app/ElidingLabel.h"

#include <QPainter>
#include <QStyle>

#include <algorithm>

ElidingLabel::ElidingLabel(QWidget* parent) : QLabel(parent)
{
    setSizePolicy(QSizePolicy::Preferred, sizePolicy().verticalPolicy());
}

void ElidingLabel::setPreferredWidth(int width)
{
    preferredWidth_ = width;
    setMaximumWidth(width);
    updateGeometry();
}

QRect ElidingLabel::textRect() const
{
    const int m = margin();
    QRect room = contentsRect().adjusted(m, m, -m, -m);
    const int inset = indent() < 0 && frameWidth() > 0 ? fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - m
                                                        : indent();
    if (inset > 0 && alignment() & Qt::AlignLeft)
        room.setLeft(room.left() + inset);
    if (inset > 0 && alignment() & Qt::AlignRight)
        room.setRight(room.right() - inset);
    return room;
}

QString ElidingLabel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, std::max(0, textRect().width()));
}

QSize ElidingLabel::sizeHint() const
{
    return {preferredWidth_, QLabel::sizeHint().height()};
}

QSize ElidingLabel::minimumSizeHint() const
{
    // Room for the ellipsis at least, beside the frame and the indent.
    const int chrome = width() - textRect().width();
    return {std::min(preferredWidth_, chrome + fontMetrics().horizontalAdvance(QChar(0x2026))),
            QLabel::minimumSizeHint().height()};
}

void ElidingLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, textRect(), static_cast<int>(alignment()), palette(), isEnabled(), shownText(),
                          foregroundRole());
}
