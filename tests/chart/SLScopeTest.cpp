#include "ScopeTestSupport.h"

#include "chart/ScopeRenderer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zq::chart {
namespace {

using testing::addChannel;
using testing::drag;
using testing::sendMouse;

using ScopeTest = testing::ScopeFixture;

TEST_F(ScopeTest, ValuesAtPointInvertTheDrawingMapping)
{
    addChannel(scope, std::vector<double>(101, 0.0), -50, 1); // X from -50 to 50
    scope.XAxis.ZoomTo(-20, 30);
    const QRect r = scope.DataRect();
    const ScopeLayout layout = ComputeLayout(scope, scope.size());
    for (const double x : {-20.0, -3.25, 0.0, 12.5, 30.0}) {
        for (const double y : {-10.0, -1.5, 0.0, 7.0, 10.0}) {
            const double px = layout.XMap(scope.XAxis).ToPixel(x);
            const double py = layout.YMap(scope.YAxis).ToPixel(y);
            ASSERT_TRUE(px >= r.left() - 0.5 && px <= r.right() + 0.5);
            double gx = 0;
            double gy = 0;
            scope.GetValuesAtPoint(static_cast<int>(std::lround(px)), static_cast<int>(std::lround(py)), gx, gy);
            const double xPerPixel = 50.0 / (r.width() - 1);
            const double yPerPixel = 20.0 / (r.height() - 1);
            EXPECT_NEAR(gx, x, xPerPixel / 2 + 1e-9);
            EXPECT_NEAR(gy, y, yPerPixel / 2 + 1e-9);
        }
    }
}

TEST_F(ScopeTest, ZoomAndPanStayInsideEnabledLimitsAndZoomOffRestores)
{
    auto& axis = scope.YAxis.AdditionalAxes.Add().Axis;
    axis.AutoScaling.SetEnabled(false);
    axis.Min.SetValue(0);
    axis.Max.SetValue(100);
    axis.Min.Range.Low.SetValue(0);
    axis.Min.Range.Low.SetEnabled(true);
    axis.Max.Range.High.SetValue(100);
    axis.Max.Range.High.SetEnabled(true);

    struct Case {
        double a, b, wantMin, wantMax;
    };
    for (const Case c : {Case{-50, 50, 0, 50}, Case{20, 300, 20, 100}, Case{70, 30, 30, 70}, Case{-5, 105, 0, 100}}) {
        axis.ZoomTo(c.a, c.b);
        EXPECT_DOUBLE_EQ(axis.View().min, c.wantMin) << c.a << ".." << c.b;
        EXPECT_DOUBLE_EQ(axis.View().max, c.wantMax) << c.a << ".." << c.b;
    }
    axis.ZoomTo(40, 60);
    for (const double delta : {-1000.0, -30.0, 15.0, 1e9}) {
        axis.PanBy({40, 60}, delta);
        EXPECT_GE(axis.View().min, 0);
        EXPECT_LE(axis.View().max, 100);
        EXPECT_NEAR(axis.View().Width(), 20, 1e-9);
    }
    scope.XAxis.ZoomTo(1, 2);
    int zoomEvents = 0;
    scope.OnZoomChanged = [&] { ++zoomEvents; };
    scope.ZoomOff();
    EXPECT_EQ(zoomEvents, 1);
    EXPECT_FALSE(axis.IsZoomed());
    EXPECT_FALSE(scope.XAxis.IsZoomed());
    EXPECT_DOUBLE_EQ(axis.View().min, 0);
    EXPECT_DOUBLE_EQ(axis.View().max, 100);
}

TEST_F(ScopeTest, RangesStaySaneWhateverTheyAreGiven)
{
    auto& axis = scope.YAxis.AdditionalAxes.Add().Axis;
    axis.AutoScaling.SetEnabled(false);
    struct Case {
        double min, max;
    };
    for (const Case c : {Case{0, -9999499}, Case{5270, 5270}, Case{0, 0}, Case{NAN, 3}, Case{-INFINITY, INFINITY}}) {
        axis.Min.SetValue(c.min);
        axis.Max.SetValue(c.max);
        axis.ZoomOff();
        const AxisSpan full = axis.View();
        EXPECT_TRUE(std::isfinite(full.min) && std::isfinite(full.max)) << c.min << ".." << c.max;
        EXPECT_LT(full.min, full.max) << c.min << ".." << c.max;
        axis.SetDataRange(c.min, c.max);
        EXPECT_LT(axis.View().min, axis.View().max) << c.min << ".." << c.max;
    }
    scope.RenderedImage();
}

TEST_F(ScopeTest, DataRangeGoesThroughTheDataToDisplayMapping)
{
    auto& axis = scope.YAxis.AdditionalAxes.Add().Axis;
    axis.Min.SetDataValue(0);
    axis.Min.SetValue(0);
    axis.Max.SetDataValue(10);
    axis.Max.SetValue(100);
    axis.SetDataRange(2, 5);
    EXPECT_DOUBLE_EQ(axis.View().min, 20);
    EXPECT_DOUBLE_EQ(axis.View().max, 50);
}

TEST_F(ScopeTest, RemovingAxesLeavesChannelsOnTheDefaultAxis)
{
    auto& axis = scope.YAxis.AdditionalAxes.Add().Axis;
    TSLScopeChannel& channel = addChannel(scope, {1, 2, 3});
    channel.SetYAxis(axis);
    scope.YAxis.AdditionalAxes.Clear();
    EXPECT_EQ(channel.GetYAxis(), &scope.YAxis);
    scope.RenderedImage();
}

TEST_F(ScopeTest, ConstantSignalIsOneHorizontalLineOnItsRow)
{
    TSLScopeChannel& channel = addChannel(scope, std::vector<double>(5000, 2.5), 0, 0.001);
    channel.SetColor(Qt::blue);
    const QImage& image = scope.RenderedImage();
    const QRect r = scope.DataRect();
    const int row = rowOf(2.5);
    int onRow = 0;
    for (int x = r.left(); x <= r.right(); ++x) {
        onRow += image.pixelColor(x, row) == QColor(Qt::blue);
        EXPECT_NE(image.pixelColor(x, row - 1), QColor(Qt::blue));
        EXPECT_NE(image.pixelColor(x, row + 1), QColor(Qt::blue));
    }
    EXPECT_EQ(onRow, r.width());
}

TEST_F(ScopeTest, OneSampleSpikeSurvivesZoomingOut)
{
    std::vector<double> y(1'000'000, 0.0);
    y[612'345] = 9.0;
    TSLScopeChannel& channel = addChannel(scope, y);
    channel.SetColor(Qt::red);
    const QImage& image = scope.RenderedImage();
    const QRect r = scope.DataRect();
    const int spikeRow = rowOf(9.0);
    int hits = 0;
    for (int x = r.left(); x <= r.right(); ++x)
        hits += image.pixelColor(x, spikeRow) == QColor(Qt::red);
    EXPECT_EQ(hits, 1);
    const ScopeLayout layout = ComputeLayout(scope, scope.size());
    const int column = static_cast<int>(std::lround(layout.XMap(scope.XAxis).ToPixel(612'345)));
    EXPECT_EQ(image.pixelColor(column, spikeRow), QColor(Qt::red));
}

struct SpikesCase {
    int channels;
    std::size_t samples;
};

class ScopeSpikes : public testing::ScopeFixture, public ::testing::WithParamInterface<SpikesCase> {};

// Every channel's one-sample spike lands in its own colour at its own column
// and row, whether a frame reduces its channels on one thread (few samples in
// view) or side by side (many).
TEST_P(ScopeSpikes, EveryChannelsSpikeIsDrawnInItsColour)
{
    const auto [channels, samples] = GetParam();
    const auto spikeAt = [samples = samples](int c) { return (static_cast<std::size_t>(c) + 1) * samples / 7 + 12'345; };
    const auto heightOf = [](int c) { return 1.5 * (c + 1); };
    const auto colourOf = [](int c) { return QColor::fromHsv(c * 60, 255, 255); };
    for (int c = 0; c < channels; ++c) {
        std::vector<double> y(samples, 0.0);
        y[spikeAt(c)] = heightOf(c);
        addChannel(scope, y).SetColor(colourOf(c));
    }
    const QImage& image = scope.RenderedImage();
    const ScopeLayout layout = ComputeLayout(scope, scope.size());
    for (int c = 0; c < channels; ++c) {
        const int column = static_cast<int>(std::lround(layout.XMap(scope.XAxis).ToPixel(static_cast<double>(spikeAt(c)))));
        EXPECT_EQ(image.pixel(column, rowOf(heightOf(c))), colourOf(c).rgb()) << "channel " << c;
    }
}

INSTANTIATE_TEST_SUITE_P(FewAndManySamplesInView, ScopeSpikes,
                         ::testing::Values(SpikesCase{2, 900'000}, SpikesCase{5, 900'000}));

TEST_F(ScopeTest, HiddenChannelIsNotDrawnAndWidthTwoIsTwoRowsThick)
{
    TSLScopeChannel& channel = addChannel(scope, std::vector<double>(100, 0.0));
    channel.SetColor(Qt::green);
    const QRect r = scope.DataRect();
    const int x = r.center().x();
    const int row = rowOf(0.0);
    EXPECT_EQ(scope.RenderedImage().pixelColor(x, row), QColor(Qt::green));
    channel.SetWidth(2);
    const QImage& thick = scope.RenderedImage();
    EXPECT_EQ((thick.pixelColor(x, row - 1) == QColor(Qt::green)) + (thick.pixelColor(x, row) == QColor(Qt::green)) +
                  (thick.pixelColor(x, row + 1) == QColor(Qt::green)),
              2);
    channel.SetVisible(false);
    EXPECT_NE(scope.RenderedImage().pixelColor(x, row), QColor(Qt::green));
}

TEST_F(ScopeTest, SelectionZoomsOnlyTheAxesOfTheZoomMode)
{
    addChannel(scope, std::vector<double>(1001, 0.0), 0, 0.1); // X 0 .. 100
    scope.SetNavigateMode(nmZoom);
    const QRect r = scope.DataRect();
    const QPoint from(r.left() + r.width() / 4, r.top() + 10);
    const QPoint to(r.left() + r.width() / 2, r.top() + 60);

    struct Case {
        TSLZoomMode mode;
        bool xZoomed, yZoomed;
    };
    int zoomEvents = 0;
    scope.OnZoomChanged = [&] { ++zoomEvents; };
    for (const Case c : {Case{zmXAxis, true, false}, Case{zmYAxis, false, true}, Case{zmBoth, true, true}}) {
        scope.ZoomOff();
        scope.Zooming.SetMode(c.mode);
        zoomEvents = 0;
        drag(scope, from, to);
        EXPECT_EQ(zoomEvents, 1);
        EXPECT_EQ(scope.XAxis.IsZoomed(), c.xZoomed) << c.mode;
        EXPECT_EQ(scope.YAxis.IsZoomed(), c.yZoomed) << c.mode;
        if (c.xZoomed) {
            EXPECT_NEAR(scope.XAxis.View().min, 25, 0.2);
            EXPECT_NEAR(scope.XAxis.View().max, 50, 0.2);
        }
    }
}

TEST_F(ScopeTest, TimeLabelsStayWholeInsideTheControlAtEveryZoom)
{
    // The last sample on a round time, so a tick sits on the right edge.
    addChannel(scope, std::vector<double>(12001, 0.0), 0, 0.1);
    const auto threeDecimals = [](double value, QString& text) { text = QString::number(value, 'f', 3); };
    struct View {
        const char* name;
        bool customLabels;
        double from;
        double to;
        int width;
    };
    const View views[] = {{"Full", true, 0, 1200, 800},
                          {"EndsOnATick", true, 1000, 1200, 800},
                          // Plain labels grow digits when zoomed in: "1199.998" against "1200".
                          {"ZoomedLabelsLongerThanTheFullRangeOnes", false, 1199.99, 1199.998, 800},
                          // Two ticks and hardly any room between them.
                          {"Narrow", true, 0, 1200, 140}};
    for (const View& v : views) {
        scope.resize(v.width, 400);
        scope.XAxis.OnCustomLabel = v.customLabels ? std::function<void(double, QString&)>(threeDecimals) : nullptr;
        scope.ZoomOff();
        if (v.from != 0 || v.to != 1200)
            scope.XAxis.ZoomTo(v.from, v.to);
        const TOWLockSectionRef section = scope.Lock().ReadSection();
        const ScopeLayout layout = ComputeLayout(scope, scope.size());
        const auto labels = XTickLabels(scope, layout);
        ASSERT_FALSE(labels.empty()) << v.name;
        for (std::size_t i = 0; i < labels.size(); ++i) {
            EXPECT_TRUE(scope.rect().contains(labels[i].rect)) << v.name << " " << labels[i].text.toStdString();
            if (i > 0) {
                EXPECT_LT(labels[i - 1].rect.right(), labels[i].rect.left()) << v.name << " " << i;
            }
        }
        EXPECT_NEAR(labels.front().value, v.from, 1e-9) << v.name;
    }
}

TEST_F(ScopeTest, PanDragsTheViewAndAShortPressIsAClick)
{
    addChannel(scope, std::vector<double>(1001, 0.0), 0, 0.1);
    scope.Zooming.SetMode(zmXAxis);
    scope.SetNavigateMode(nmPan);
    scope.XAxis.ZoomTo(40, 60);
    int clicks = 0;
    scope.OnClick = [&] { ++clicks; };
    const QRect r = scope.DataRect();
    const double unitsPerPixel = 20.0 / (r.width() - 1);
    drag(scope, r.center(), r.center() + QPoint(100, 30));
    EXPECT_NEAR(scope.XAxis.View().min, 40 - 100 * unitsPerPixel, 1e-6);
    EXPECT_FALSE(scope.YAxis.IsZoomed());
    EXPECT_EQ(clicks, 0);
    sendMouse(scope, QEvent::MouseButtonPress, r.center());
    sendMouse(scope, QEvent::MouseButtonRelease, r.center() + QPoint(1, 0));
    EXPECT_EQ(clicks, 1);
}

TEST_F(ScopeTest, MouseOverATraceReportsTheChannelAndLeavingIt)
{
    addChannel(scope, std::vector<double>(100, -5.0));
    addChannel(scope, std::vector<double>(100, 5.0));
    std::vector<int> events;
    scope.OnOverChannel = [&](int i) { events.push_back(i); };
    scope.OnLeaveChannel = [&] { events.push_back(-1); };
    QStringList labels;
    scope.OnCustomMouseHitLabel = [&](QString& text) {
        labels << text;
        text.clear();
    };
    scope.Channels.GetItem(1).SetName("B");
    const int x = scope.DataRect().center().x();
    sendMouse(scope, QEvent::MouseMove, QPoint(x, rowOf(5.0) + 2));
    sendMouse(scope, QEvent::MouseMove, QPoint(x + 5, rowOf(5.0)));
    sendMouse(scope, QEvent::MouseMove, QPoint(x, rowOf(0.0)));
    sendMouse(scope, QEvent::MouseMove, QPoint(x, rowOf(-5.0) - 1));
    EXPECT_EQ(events, (std::vector<int>{1, -1, 0}));
    EXPECT_EQ(labels, (QStringList{"B", ""}));
}

TEST(NiceTicks, RoundStepsInsideTheRange)
{
    EXPECT_EQ(NiceTicks(0, 10, 5), (std::vector<double>{0, 2, 4, 6, 8, 10}));
    EXPECT_EQ(NiceTicks(-0.3, 0.3, 3), (std::vector<double>{-0.2, 0, 0.2}));
    EXPECT_TRUE(NiceTicks(5, 5, 4).empty());
    EXPECT_TRUE(NiceTicks(NAN, 1, 4).empty());
}

} // namespace
} // namespace zq::chart
