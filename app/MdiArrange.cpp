#include "app/MdiArrange.h"

#include <QMdiArea>
#include <QMdiSubWindow>

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

void arrangeSubWindows(QMdiArea& area, MdiArrangement arrangement)
{
    if (arrangement == MdiArrangement::Cascade) {
        area.cascadeSubWindows();
        return;
    }
    std::vector<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : area.subWindowList(QMdiArea::CreationOrder)) {
        if (window->isVisible() && !window->isMinimized())
            windows.push_back(window);
    }
    const auto rects = tileRects(static_cast<int>(windows.size()), area.viewport()->rect(), arrangement);
    for (std::size_t i = 0; i < rects.size(); ++i) {
        if (windows[i]->isMaximized())
            windows[i]->showNormal();
        windows[i]->setGeometry(rects[i]);
    }
}
