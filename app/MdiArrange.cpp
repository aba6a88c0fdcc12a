#include "app/MdiArrange.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace {

// Windows are never made smaller than this share of the area.
constexpr int minimumShare = 3;
// Steps a new window leaves room for before the next goes back to the corner.
constexpr int roomForSteps = 2;

int atLeastAShare(int span)
{
    return (span + minimumShare - 1) / minimumShare;
}

std::vector<QMdiSubWindow*> arrangeable(const QMdiArea& area, QMdiArea::WindowOrder order)
{
    std::vector<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : area.subWindowList(order)) {
        if (window->isVisible() && !window->isMinimized())
            windows.push_back(window);
    }
    return windows;
}

} // namespace

std::vector<QRect> tileRects(int count, const QRect& area, MdiArrangement arrangement)
{
    std::vector<QRect> rects;
    if (count <= 0 || area.isEmpty() || arrangement == MdiArrangement::Cascade)
        return rects;
    rects.reserve(static_cast<std::size_t>(count));
    const bool stacked = arrangement == MdiArrangement::TileHorizontal;
    const int span = stacked ? area.height() : area.width();
    const int share = span / count;
    for (int i = 0; i < count; ++i) {
        const int start = i * share;
        const int length = i == count - 1 ? span - start : share;
        if (stacked)
            rects.emplace_back(area.left(), area.top() + start, area.width(), length);
        else
            rects.emplace_back(area.left() + start, area.top(), length, area.height());
    }
    return rects;
}

std::vector<QRect> cascadeRects(int count, const QRect& area, int step)
{
    std::vector<QRect> rects;
    if (count <= 0 || area.isEmpty())
        return rects;
    step = std::max(step, 1);
    // How many windows fit one step apart before the size would drop below
    // the minimum share in either direction.
    const auto fitting = [step](int span) { return (span - atLeastAShare(span)) / step + 1; };
    const int perRound = std::clamp(std::min(fitting(area.width()), fitting(area.height())), 1, count);
    const int offset = (perRound - 1) * step;
    const QSize size(area.width() - offset, area.height() - offset);
    rects.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int shift = (i % perRound) * step;
        rects.emplace_back(area.topLeft() + QPoint(shift, shift), size);
    }
    return rects;
}

QRect newWindowRect(const QRect& area, const std::optional<QRect>& last, QSize preferred, int step)
{
    if (area.isEmpty())
        return QRect(area.topLeft(), preferred);
    step = std::max(step, 1);
    const QSize least(atLeastAShare(area.width()), atLeastAShare(area.height()));
    const QSize room = (area.size() - QSize(roomForSteps * step, roomForSteps * step)).expandedTo(least);
    const QSize size = preferred.boundedTo(room).boundedTo(area.size());
    QRect rect(area.topLeft(), size);
    if (last) {
        rect.moveTopLeft(last->topLeft() + QPoint(step, step));
        if (!area.contains(rect)) {
            // A new round starts at the top, one step right of where the last
            // round started, so that it covers none of that round's windows
            // whole; only when no round fits any more is it the corner again.
            const int roundStart = last->left() - (last->top() - area.top());
            rect.moveTopLeft(QPoint(roundStart + step, area.top()));
            if (!area.contains(rect))
                rect.moveTopLeft(area.topLeft());
        }
    }
    return rect;
}

QRect visibleArea(const QMdiArea& area)
{
    // Measured without scroll bars: once every window is inside, they go.
    QSize size = area.viewport()->size();
    if (const QScrollBar* bar = area.verticalScrollBar(); bar->isVisible())
        size.rwidth() += bar->width();
    if (const QScrollBar* bar = area.horizontalScrollBar(); bar->isVisible())
        size.rheight() += bar->height();
    return QRect(QPoint(0, 0), size);
}

int cascadeStep(const QMdiArea& area)
{
    QStyle* style = area.style();
    return style->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &area) +
           style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, &area);
}

void arrangeSubWindows(QMdiArea& area, MdiArrangement arrangement)
{
    const bool cascade = arrangement == MdiArrangement::Cascade;
    // A cascade keeps the stacking order, so the front window stays in front
    // with its whole chart showing.
    const auto windows = arrangeable(area, cascade ? QMdiArea::StackingOrder : QMdiArea::CreationOrder);
    const int count = static_cast<int>(windows.size());
    const QRect space = visibleArea(area);
    const auto rects = cascade ? cascadeRects(count, space, cascadeStep(area)) : tileRects(count, space, arrangement);
    for (std::size_t i = 0; i < rects.size(); ++i) {
        if (windows[i]->isMaximized())
            windows[i]->showNormal();
        windows[i]->setGeometry(rects[i]);
    }
}

void placeNewSubWindow(QMdiArea& area, QMdiSubWindow& window, QSize preferred)
{
    std::optional<QRect> last;
    for (QMdiSubWindow* other : area.subWindowList(QMdiArea::CreationOrder)) {
        if (other != &window && other->isVisible() && !other->isMinimized() && !other->isMaximized())
            last = other->geometry();
    }
    window.setGeometry(newWindowRect(visibleArea(area), last, preferred, cascadeStep(area)));
}
