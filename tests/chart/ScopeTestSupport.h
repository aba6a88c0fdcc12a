#pragma once

#include "chart/SLScope.h"

#include <QApplication>
#include <QMouseEvent>

#include <vector>

namespace zq::chart::testing {

inline void sendMouse(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(at), w.mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}

inline void drag(QWidget& w, QPoint from, QPoint to)
{
    sendMouse(w, QEvent::MouseButtonPress, from);
    sendMouse(w, QEvent::MouseMove, (from + to) / 2);
    sendMouse(w, QEvent::MouseMove, to);
    sendMouse(w, QEvent::MouseButtonRelease, to);
}

// A channel with samples at x = x0 + i * dx and the given values, committed.
inline TSLScopeChannel& addChannel(TSLScope& scope, const std::vector<double>& y, double x0 = 0, double dx = 1)
{
    TSLScopeChannel& channel = scope.Channels.Add();
    std::vector<double> x(y.size());
    for (std::size_t i = 0; i < y.size(); ++i)
        x[i] = x0 + static_cast<double>(i) * dx;
    channel.Data.SetXYData(x.data(), y.data(), y.size());
    scope.CommitPendingData();
    return channel;
}

} // namespace zq::chart::testing
