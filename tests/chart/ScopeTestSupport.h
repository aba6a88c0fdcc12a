#pragma once

#include "chart/SLScope.h"
#include "framework/buffers/SLRealBuffer.h"
#include "framework/operations/OWOperations.h"
#include "framework/streams/SLBufferTypes.h"

#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <mutex>
#include <vector>

namespace zq::chart::testing {

// The stream types and converters the channels' pins link with.
inline void StartPinsOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { OWPinsStartUp(OWStandardTypeUnits()); });
}

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

// Streams as sources send them, and what a channel's data holds.
inline std::vector<double> ramp(std::size_t count, double first, double step = 1)
{
    std::vector<double> values(count);
    for (std::size_t i = 0; i < count; ++i)
        values[i] = first + static_cast<double>(i) * step;
    return values;
}

inline SLRef<ISLData> realBuffer(const std::vector<double>& values)
{
    return TSLRealBuffer::CreateFromData(values.data(), static_cast<std::uint32_t>(values.size()));
}

inline TOWNotifyOperationRef supplied(const SLRef<ISLData>& buffer)
{
    return OWMakeOperation<TOWSuppliedBufferOperation>(buffer);
}

inline TOWNotifyOperationRef startAt(double rate)
{
    return OWMakeOperation<TOWStartSampleRateOperation>(0, rate);
}

inline std::vector<double> xOf(const TSLChannelData& data)
{
    std::vector<double> out;
    data.GetXData(out);
    return out;
}

inline std::vector<double> yOf(const TSLChannelData& data)
{
    std::vector<double> out;
    data.GetYData(out);
    return out;
}

// An 800 x 400 chart whose default Y axis shows -10 .. 10 without
// auto-scaling.
class ScopeFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        scope.resize(800, 400);
        for (auto* end : {&scope.YAxis.Min, &scope.YAxis.Max}) {
            const double v = end == &scope.YAxis.Min ? -10 : 10;
            end->SetValue(v);
            end->SetDataValue(v);
        }
        scope.YAxis.AutoScaling.SetEnabled(false);
    }

    // Pixel row a value of the default Y axis is drawn on, worked out from
    // the data area alone.
    int rowOf(double y) const
    {
        const QRect r = scope.DataRect();
        const AxisSpan v = scope.YAxis.View();
        return r.top() + static_cast<int>(std::lround((v.max - y) / v.Width() * (r.height() - 1)));
    }

    TSLScope scope;
};

} // namespace zq::chart::testing
