#include "ScopeTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace zq::chart {
namespace {

using testing::addChannel;

// A change of a display pen or an axis title after the chart was drawn, and
// what the next drawing shows of it.
struct TAttributeCase {
    const char* what;
    std::function<void(TSLScope&)> change;
    // Given a row of the data area no other line crosses.
    std::function<bool(TSLScope&, const QRect& dataBefore, int freeRow)> shows;
};

class ScopeAttributeTest : public testing::ScopeFixture, public ::testing::WithParamInterface<TAttributeCase> {};

TEST_P(ScopeAttributeTest, TheNextDrawingShowsTheChange)
{
    addChannel(scope, std::vector<double>(11, 20.0), -5, 1);  // X from -5 to 5, drawn off the top
    scope.XAxis.DataView.ZeroLine.SetVisible(true);
    scope.XAxis.DataView.Lines.SetVisible(false);
    scope.XAxis.AxisLabel.SetText("Time");
    scope.RenderedImage();
    const QRect before = scope.DataRect();
    GetParam().change(scope);
    EXPECT_TRUE(GetParam().shows(scope, before, rowOf(7.3))) << GetParam().what;
}

QColor pixel(TSLScope& scope, QPoint at)
{
    return scope.RenderedImage().pixelColor(at);
}

int zeroColumn(const TSLScope& scope)
{
    const QRect r = scope.DataRect();
    return static_cast<int>(std::lround(r.left() + (r.right() - r.left()) / 2.0));
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ScopeAttributeTest,
    ::testing::Values(
        TAttributeCase{"zero line colour",
                       [](TSLScope& s) { s.XAxis.DataView.ZeroLine.Pen.SetColor(Qt::green); },
                       [](TSLScope& s, const QRect&, int row) {
                           return pixel(s, {zeroColumn(s), row}) == QColor(Qt::green);
                       }},
        TAttributeCase{"zero line cleared",
                       [](TSLScope& s) { s.XAxis.DataView.ZeroLine.Pen.SetStyle(TPenStyle::psClear); },
                       [](TSLScope& s, const QRect&, int row) {
                           return pixel(s, {zeroColumn(s), row}) == s.DataView.GetColor();
                       }},
        TAttributeCase{"border colour", [](TSLScope& s) { s.DataView.Border.Pen.SetColor(Qt::magenta); },
                       [](TSLScope& s, const QRect& r, int) {
                           return pixel(s, {r.center().x(), r.top() - 1}) == QColor(Qt::magenta);
                       }},
        TAttributeCase{"hidden title gives its room to the data", [](TSLScope& s) { s.XAxis.AxisLabel.SetVisible(false); },
                       [](TSLScope& s, const QRect& r, int) { return s.DataRect().bottom() > r.bottom(); }},
        TAttributeCase{"a bigger title font takes more room",
                       [](TSLScope& s) { s.XAxis.AxisLabel.GetFont()->SetSize(30); },
                       [](TSLScope& s, const QRect& r, int) { return s.DataRect().bottom() < r.bottom(); }},
        TAttributeCase{"an empty title takes no room", [](TSLScope& s) { s.XAxis.AxisLabel.SetText(""); },
                       [](TSLScope& s, const QRect& r, int) { return s.DataRect().bottom() > r.bottom(); }}));

} // namespace
} // namespace zq::chart
