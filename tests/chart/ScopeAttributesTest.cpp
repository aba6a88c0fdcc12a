#include "ScopeTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace zq::chart {
namespace {

using testing::addChannel;

// A change of a display pen or an axis title after the chart was drawn, and
// what the next drawing shows of it, given the data area before the change
// and a row of it no other line crosses.
struct TAttributeCase {
    const char* what;
    std::function<void(TSLScope&)> change;
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

QColor onZeroLine(TSLScope& scope, int row)
{
    const QRect r = scope.DataRect();
    const int column = static_cast<int>(std::lround(r.left() + (r.right() - r.left()) / 2.0));
    return scope.RenderedImage().pixelColor(column, row);
}

bool moreRoom(TSLScope& scope, const QRect& before, int) { return scope.DataRect().bottom() > before.bottom(); }
bool lessRoom(TSLScope& scope, const QRect& before, int) { return scope.DataRect().bottom() < before.bottom(); }

INSTANTIATE_TEST_SUITE_P(
    Changes, ScopeAttributeTest,
    ::testing::Values(
        TAttributeCase{"zero line colour", [](TSLScope& s) { s.XAxis.DataView.ZeroLine.Pen.SetColor(Qt::green); },
                       [](TSLScope& s, const QRect&, int row) { return onZeroLine(s, row) == QColor(Qt::green); }},
        TAttributeCase{"zero line cleared",
                       [](TSLScope& s) { s.XAxis.DataView.ZeroLine.Pen.SetStyle(TPenStyle::psClear); },
                       [](TSLScope& s, const QRect&, int row) { return onZeroLine(s, row) == s.DataView.GetColor(); }},
        TAttributeCase{"border colour", [](TSLScope& s) { s.DataView.Border.Pen.SetColor(Qt::magenta); },
                       [](TSLScope& s, const QRect& r, int) {
                           return s.RenderedImage().pixelColor(r.center().x(), r.top() - 1) == QColor(Qt::magenta);
                       }},
        TAttributeCase{"hidden title gives its room to the data",
                       [](TSLScope& s) { s.XAxis.AxisLabel.SetVisible(false); }, moreRoom},
        TAttributeCase{"a bigger title font takes more room",
                       [](TSLScope& s) { s.XAxis.AxisLabel.GetFont()->SetSize(30); }, lessRoom},
        TAttributeCase{"an empty title takes no room", [](TSLScope& s) { s.XAxis.AxisLabel.SetText(""); }, moreRoom}));

} // namespace
} // namespace zq::chart
