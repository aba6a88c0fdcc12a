#include "chart/FillEnumCaptions.h"
#include "chart/SLDisplayAttributes.h"
#include "chart/SLOptionalLabel.h"
#include "chart/SLPointMarker.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct TChangeCounter {
    int changes = 0;
    void changed(TObject*) { ++changes; }
    TNotifyEvent Event() { return TNotifyEvent::Of<&TChangeCounter::changed>(this); }
};

std::string nameOf(const QColor& c)
{
    return c.name().toStdString();
}

// ------------------------------------------------------------ brush

struct TBrushCase {
    const char* what;
    std::function<void(TSLDisplayBrush&)> steps;
    QColor reported, painted;
    TBrushStyle style;
};

void PrintTo(const TBrushCase& c, std::ostream* os)
{
    *os << c.what;
}

class DisplayBrushTest : public ::testing::TestWithParam<TBrushCase> {};

TEST_P(DisplayBrushTest, ColourRules)
{
    const TBrushCase& c = GetParam();
    TOwned<TSLDisplayBrush> brush = MakeObject<TSLDisplayBrush>();
    c.steps(*brush);
    EXPECT_EQ(nameOf(brush->GetColor()), nameOf(c.reported));
    EXPECT_EQ(nameOf(brush->TBrush::GetColor()), nameOf(c.painted));
    EXPECT_EQ(nameOf(brush->ToQBrush().color()), nameOf(c.painted));
    EXPECT_EQ(brush->GetStyle(), c.style);
    // The published colour is the reported one, as a 0x00BBGGRR value.
    const TPropInfo* color = brush->ClassInfo().FindProperty("Color");
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(std::get<std::int64_t>(color->get(*brush)), ColorToValue(c.reported));
}

void fromBrush(TSLDisplayBrush& b, QColor painted, TBrushStyle style)
{
    TOwned<TBrush> source = MakeObject<TBrush>();
    source->SetColor(painted);
    source->SetStyle(style);
    b.Assign(*source);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DisplayBrushTest,
    ::testing::Values(
        TBrushCase{"new: black whatever it paints", [](TSLDisplayBrush&) {}, Qt::black, Qt::white, TBrushStyle::bsSolid},
        TBrushCase{"solid takes the colour", [](TSLDisplayBrush& b) { b.SetColor(Qt::red); }, Qt::red, Qt::red,
                   TBrushStyle::bsSolid},
        TBrushCase{"clear only remembers",
                   [](TSLDisplayBrush& b) {
                       b.SetColor(Qt::red);
                       b.SetStyle(TBrushStyle::bsClear);
                       b.SetColor(Qt::blue);
                   },
                   Qt::blue, Qt::red, TBrushStyle::bsClear},
        TBrushCase{"solid again paints the remembered colour",
                   [](TSLDisplayBrush& b) {
                       b.SetStyle(TBrushStyle::bsClear);
                       b.SetColor(Qt::blue);
                       b.SetStyle(TBrushStyle::bsSolid);
                   },
                   Qt::blue, Qt::blue, TBrushStyle::bsSolid},
        TBrushCase{"a hatch paints the remembered colour too",
                   [](TSLDisplayBrush& b) {
                       b.SetStyle(TBrushStyle::bsClear);
                       b.SetColor(Qt::green);
                       b.SetStyle(TBrushStyle::bsCross);
                   },
                   Qt::green, Qt::green, TBrushStyle::bsCross},
        TBrushCase{"assigned brush: only the reported colour",
                   [](TSLDisplayBrush& b) { fromBrush(b, Qt::green, TBrushStyle::bsDiagCross); }, Qt::green, Qt::white,
                   TBrushStyle::bsSolid},
        TBrushCase{"assigned display brush: what it paints, not what it reports",
                   [](TSLDisplayBrush& b) {
                       TOwned<TSLDisplayBrush> source = MakeObject<TSLDisplayBrush>();
                       source->SetStyle(TBrushStyle::bsClear);
                       source->SetColor(Qt::blue);
                       b.SetColor(Qt::red);
                       b.Assign(*source);
                   },
                   Qt::white, Qt::red, TBrushStyle::bsSolid},
        TBrushCase{"published colour sets the reported one",
                   [](TSLDisplayBrush& b) {
                       b.SetStyle(TBrushStyle::bsClear);
                       b.ClassInfo().FindProperty("Color")->set(b, std::int64_t{0x0000FF});
                   },
                   Qt::red, Qt::white, TBrushStyle::bsClear}));

// ------------------------------------------------------------ offsets and labels

// A control's tree: every object below shares its root lock.
struct TTree {
    TOwned<TLPCustomControl> control = MakeObject<TLPCustomControl>(nullptr);
    TChangeCounter counter;
};

struct TNotifyCase {
    const char* what;
    std::function<void(TSLCoordinateOffset&, TSLOptionalLabel&)> change;
    int expectedChanges;
};

void PrintTo(const TNotifyCase& c, std::ostream* os)
{
    *os << c.what;
}

class NotifyOnceTest : public ::testing::TestWithParam<TNotifyCase> {};

TEST_P(NotifyOnceTest, Changes)
{
    TTree tree;
    TChangeCounter labelCounter;
    TSLCoordinateOffset offset(tree.control.get(), tree.counter.Event(), tree.control->Lock());
    TSLOptionalLabel label(tree.control.get(), labelCounter.Event(), tree.control->Lock());
    // Warm up with a first value, so "same value" means the current one.
    offset.SetCX(5);
    offset.SetCY(-5);
    offset.SetCoordinateMode(TSLCoordinateMode::cmRightBottom);
    label.SetText("Time");
    tree.counter.changes = labelCounter.changes = 0;

    GetParam().change(offset, label);
    EXPECT_EQ(tree.counter.changes + labelCounter.changes, GetParam().expectedChanges);
}

INSTANTIATE_TEST_SUITE_P(
    Setters, NotifyOnceTest,
    ::testing::Values(
        TNotifyCase{"CX same", [](TSLCoordinateOffset& o, TSLOptionalLabel&) { o.SetCX(5); }, 0},
        TNotifyCase{"CX new", [](TSLCoordinateOffset& o, TSLOptionalLabel&) { o.SetCX(6); }, 1},
        TNotifyCase{"CY new", [](TSLCoordinateOffset& o, TSLOptionalLabel&) { o.SetCY(0); }, 1},
        TNotifyCase{"CY published",
                    [](TSLCoordinateOffset& o, TSLOptionalLabel&) {
                        o.ClassInfo().FindProperty("CY")->set(o, std::int64_t{9});
                    },
                    1},
        TNotifyCase{"mode same",
                    [](TSLCoordinateOffset& o, TSLOptionalLabel&) {
                        o.SetCoordinateMode(TSLCoordinateMode::cmRightBottom);
                    },
                    0},
        TNotifyCase{"mode new",
                    [](TSLCoordinateOffset& o, TSLOptionalLabel&) { o.SetCoordinateMode(TSLCoordinateMode::cmCenter); },
                    1},
        TNotifyCase{"text same", [](TSLCoordinateOffset&, TSLOptionalLabel& l) { l.SetText("Time"); }, 0},
        TNotifyCase{"text new", [](TSLCoordinateOffset&, TSLOptionalLabel& l) { l.SetText("Speed"); }, 1},
        TNotifyCase{"visible new", [](TSLCoordinateOffset&, TSLOptionalLabel& l) { l.SetVisible(false); }, 1},
        TNotifyCase{"font colour", [](TSLCoordinateOffset&, TSLOptionalLabel& l) { l.GetFont()->SetColor(Qt::red); },
                    1},
        TNotifyCase{"font size", [](TSLCoordinateOffset&, TSLOptionalLabel& l) { l.GetFont()->SetSize(12); }, 1}));

TEST(OptionalLabel, SetFontTakesTheSettingsAndTellsTheOwner)
{
    TTree tree;
    TSLOptionalLabel label(tree.control.get(), tree.counter.Event(), tree.control->Lock());
    TOwned<TFont> font = MakeObject<TFont>();
    font->SetName("Courier");
    font->SetSize(11);
    label.SetFont(font.get());
    EXPECT_EQ(label.GetFont()->GetName(), "Courier");
    EXPECT_EQ(label.GetFont()->GetSize(), 11);
    EXPECT_EQ(nameOf(label.GetFont()->GetColor()), nameOf(Qt::black));
    EXPECT_NE(label.GetFont(), font.get());
    EXPECT_GE(tree.counter.changes, 1);
}

TEST(OptionalLabel, AssignCopiesTextVisibilityAndFont)
{
    TTree tree;
    TSLOptionalLabel source(tree.control.get(), {}, tree.control->Lock());
    source.SetText("Speed (km/h)");
    source.SetVisible(false);
    source.GetFont()->SetColor(Qt::yellow);
    TSLOptionalLabel dest(tree.control.get(), tree.counter.Event(), tree.control->Lock());
    dest.Assign(source);
    EXPECT_EQ(dest.GetText(), "Speed (km/h)");
    EXPECT_FALSE(dest.GetVisible());
    EXPECT_EQ(nameOf(dest.GetFont()->GetColor()), nameOf(Qt::yellow));
    EXPECT_NE(dest.GetFont(), source.GetFont());
}

// ------------------------------------------------------------ enumeration captions

struct TCaptionCase {
    const char* what;
    bool strip, split;
    std::vector<std::string> expected;
};

void PrintTo(const TCaptionCase& c, std::ostream* os)
{
    *os << c.what;
}

class FillEnumCaptionsTest : public ::testing::TestWithParam<TCaptionCase> {};

const TEnumTypeInfo& oddNames()
{
    static const TEnumTypeInfo info("TOdd", {"vaTop", "x", "cmLeftBottom", "ms3D", "abc", "HLine"});
    return info;
}

TEST_P(FillEnumCaptionsTest, Captions)
{
    const TCaptionCase& c = GetParam();
    std::vector<std::string> captions{"left over"};
    FillEnumCaptions(oddNames(), captions, c.strip, c.split);
    EXPECT_EQ(captions, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Options, FillEnumCaptionsTest,
    ::testing::Values(
        TCaptionCase{"neither", false, false, {"vaTop", "x", "cmLeftBottom", "ms3D", "abc", "HLine"}},
        TCaptionCase{"strip", true, false, {"Top", "x", "LeftBottom", "D", "c", "HLine"}},
        TCaptionCase{"split", false, true, {"va Top", "x", "cm Left Bottom", "ms 3 D", "abc", "H Line"}},
        TCaptionCase{"both", true, true, {"Top", "x", "Left Bottom", "D", "c", "H Line"}}));

TEST(FillEnumCaptions, MarkerShapesAndCoordinateModes)
{
    std::vector<std::string> shapes, modes;
    FillEnumCaptions(EnumTypeInfoOf<TSLDisplayMarkerShape>(), shapes, true, true);
    FillEnumCaptions(EnumTypeInfoOf<TSLCoordinateMode>(), modes, true, true);
    ASSERT_EQ(shapes.size(), 13u);
    EXPECT_EQ(shapes[static_cast<int>(TSLDisplayMarkerShape::msTriangleUp)], "Triangle Up");
    EXPECT_EQ(modes[static_cast<int>(TSLCoordinateMode::cmLeftBottom)], "Left Bottom");
}

TEST(FillEnumCaptions, PublishedEnumerationsCarryTheirValueNames)
{
    const TPropInfo* mode = TSLCoordinateOffset::StaticClassInfo().FindProperty("CoordinateMode");
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->enumType, &EnumTypeInfoOf<TSLCoordinateMode>());
    EXPECT_EQ(mode->typeName, "TSLCoordinateMode");
    EXPECT_EQ(TSLOffset::StaticClassInfo().FindProperty("CX")->enumType, nullptr);
}

} // namespace
