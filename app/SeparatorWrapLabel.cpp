#include "app/SeparatorWrapLabel.h"

#include <QPainter>
#include <QStyle>

#include <algorithm>

SeparatorWrapLabel::SeparatorWrapLabel(QString separator, const QString& text, QWidget* parent)
    : QLabel(text, parent), separator_(std::move(separator))
{
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

std::vector<SeparatorWrapLabel::Item> SeparatorWrapLabel::items() const
{
    const QString caption = text();
    std::vector<Item> found;
    const auto addTrimmed = [&](qsizetype begin, qsizetype end) {
        while (begin < end && caption[begin].isSpace())
            ++begin;
        while (end > begin && caption[end - 1].isSpace())
            --end;
        if (begin < end)
            found.push_back({begin, end});
    };
    qsizetype begin = 0;
    for (qsizetype at = caption.indexOf(separator_); !separator_.isEmpty() && at >= 0;
         at = caption.indexOf(separator_, at + separator_.size())) {
        const qsizetype end = at + separator_.size();
        // A separator with nothing before it opens the first item.
        if (QStringView(caption).mid(begin, at - begin).trimmed().isEmpty())
            continue;
        addTrimmed(begin, end);
        begin = end;
    }
    addTrimmed(begin, caption.size());
    return found;
}

QStringList SeparatorWrapLabel::lines(int width) const
{
    const QString caption = text();
    const QFontMetrics fm = fontMetrics();
    QStringList out;
    const std::vector<Item> parts = items();
    std::size_t first = 0;
    while (first < parts.size()) {
        // As many items as fit, with the caption's own spacing between them.
        std::size_t last = first;
        while (last + 1 < parts.size() &&
               fm.horizontalAdvance(caption.mid(parts[first].begin, parts[last + 1].end - parts[first].begin)) <= width)
            ++last;
        out << caption.mid(parts[first].begin, parts[last].end - parts[first].begin);
        first = last + 1;
    }
    return out;
}

int SeparatorWrapLabel::chrome() const
{
    return 2 * (frameWidth() + margin());
}

QRect SeparatorWrapLabel::textRect() const
{
    const int m = margin();
    return contentsRect().adjusted(m, m, -m, -m);
}

int SeparatorWrapLabel::heightForWidth(int width) const
{
    const auto count = std::max<qsizetype>(1, lines(width - chrome()).size());
    return static_cast<int>(count) * fontMetrics().lineSpacing() + chrome();
}

QSize SeparatorWrapLabel::sizeHint() const
{
    const int width = fontMetrics().horizontalAdvance(text()) + chrome();
    return {width, heightForWidth(width)};
}

QSize SeparatorWrapLabel::minimumSizeHint() const
{
    const QString caption = text();
    int widest = 0;
    for (const Item& item : items())
        widest = std::max(widest, fontMetrics().horizontalAdvance(caption.mid(item.begin, item.end - item.begin)));
    const int width = widest + chrome();
    return {width, heightForWidth(width)};
}

void SeparatorWrapLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect room = textRect();
    style()->drawItemText(&painter, room, static_cast<int>(alignment()), palette(), isEnabled(),
                          lines(room.width()).join(QLatin1Char('\n')), foregroundRole());
}
