#include "chart/FillEnumCaptions.h"
#include "chart/SLDisplayAttributes.h"
#include "chart/SLOptionalLabel.h"
#include "framework/components/LPPublishedProperties.h"

#include <gtest/gtest.h>

#include <functional>
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

void setPublished(TPersistent& object, const char* property, std::int64_t value)
{
    object.ClassInfo().FindProperty(property)->set(object, value);
}

TEST(DisplayBrush, RemembersItsColourWhileClear)
{
    using B = TSLDisplayBrush;
    const QColor red = Qt::red, green = Qt::green, blue = Qt::blue, white = Qt::white, black = Qt::black;
    struct Case {
        const char* what;
        std::function<void(B&)> steps;
        QColor reported, painted;
        TBrushStyle style;
    } const cases[] = {
        {"new: black whatever it paints", [](B&) {}, black, white, TBrushStyle::bsSolid},
        {"solid takes the colour", [](B& b) { b.SetColor(Qt::red); }, red, red, TBrushStyle::bsSolid},
        {"clear only remembers",
         [](B& b) { b.SetColor(Qt::red); b.SetStyle(TBrushStyle::bsClear); b.SetColor(Qt::blue); }, blue, red,
         TBrushStyle::bsClear},
        {"a hatch paints the remembered colour",
         [](B& b) { b.SetStyle(TBrushStyle::bsClear); b.SetColor(Qt::green); b.SetStyle(TBrushStyle::bsCross); },
         green, green, TBrushStyle::bsCross},
        {"assigned brush: only the reported colour",
         [](B& b) {
             TOwned<TBrush> source = MakeObject<TBrush>();
             source->SetColor(Qt::green);
             source->SetStyle(TBrushStyle::bsDiagCross);
             b.Assign(*source);
         },
         green, white, TBrushStyle::bsSolid},
        {"assigned display brush: what it paints, not what it reports",
         [](B& b) {
             TOwned<B> source = MakeObject<B>();
             source->SetStyle(TBrushStyle::bsClear);
             source->SetColor(Qt::blue);
             b.SetColor(Qt::red);
             b.Assign(*source);
         },
         white, red, TBrushStyle::bsSolid},
        {"published colour sets the reported one",
         [](B& b) { b.SetStyle(TBrushStyle::bsClear); setPublished(b, "Color", 0x0000FF); }, red, white,
         TBrushStyle::bsClear},
        {"published solid style paints the remembered colour",
         [](B& b) {
             b.SetStyle(TBrushStyle::bsClear);
             b.SetColor(Qt::red);
             setPublished(b, "Style", static_cast<int>(TBrushStyle::bsSolid));
         },
         red, red, TBrushStyle::bsSolid},
        {"copied properties: a clear brush made solid paints the copied colour",
         [](B& b) {
             TOwned<B> source = MakeObject<B>();
             source->SetColor(Qt::blue);
             b.SetStyle(TBrushStyle::bsClear);
             CopyPublishedProperties(b, *source, false);
         },
         blue, blue, TBrushStyle::bsSolid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TOwned<B> brush = MakeObject<B>();
        c.steps(*brush);
        EXPECT_EQ(nameOf(brush->GetColor()), nameOf(c.reported));
        EXPECT_EQ(nameOf(brush->ToQBrush().color()), nameOf(c.painted));
        EXPECT_EQ(brush->GetStyle(), c.style);
        // The published colour is the reported one.
        EXPECT_EQ(std::get<std::int64_t>(brush->ClassInfo().FindProperty("Color")->get(*brush)),
                  ColorToValue(c.reported));
    }
}

TEST(OffsetAndLabel, EveryChangeTellsTheOwnerOnceAndNoChangeNever)
{
    // Offset and label share the lock of their control's tree.
    using O = TSLCoordinateOffset;
    using L = TSLOptionalLabel;
    struct Case {
        const char* what;
        std::function<void(O&, L&)> change;
        int expectedChanges;
    } const cases[] = {
        {"CX same", [](O& o, L&) { o.SetCX(5); }, 0},
        {"CX new", [](O& o, L&) { o.SetCX(6); }, 1},
        {"CY published", [](O& o, L&) { setPublished(o, "CY", 9); }, 1},
        {"mode same", [](O& o, L&) { o.SetCoordinateMode(TSLCoordinateMode::cmRightBottom); }, 0},
        {"mode new", [](O& o, L&) { o.SetCoordinateMode(TSLCoordinateMode::cmCenter); }, 1},
        {"font colour", [](O&, L& l) { l.GetFont()->SetColor(Qt::red); }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TOwned<TLPCustomControl> control = MakeObject<TLPCustomControl>(nullptr);
        TChangeCounter counter;
        O offset(control.get(), counter.Event(), control->Lock());
        L label(control.get(), counter.Event(), control->Lock());
        offset.SetCX(5);
        offset.SetCoordinateMode(TSLCoordinateMode::cmRightBottom);
        counter.changes = 0;
        c.change(offset, label);
        EXPECT_EQ(counter.changes, c.expectedChanges);
    }
}

TEST(OptionalLabel, AssignCopiesTextVisibilityAndTheFontsSettings)
{
    TOwned<TLPCustomControl> control = MakeObject<TLPCustomControl>(nullptr);
    TChangeCounter counter;
    TSLOptionalLabel source(control.get(), {}, control->Lock());
    source.SetText("Speed (km/h)");
    source.SetVisible(false);
    source.GetFont()->SetName("Courier");
    source.GetFont()->SetColor(Qt::yellow);
    TSLOptionalLabel dest(control.get(), counter.Event(), control->Lock());
    dest.Assign(source);
    EXPECT_EQ(dest.GetText(), "Speed (km/h)");
    EXPECT_FALSE(dest.GetVisible());
    EXPECT_EQ(dest.GetFont()->GetName(), "Courier");
    EXPECT_EQ(nameOf(dest.GetFont()->GetColor()), nameOf(Qt::yellow));
    EXPECT_NE(dest.GetFont(), source.GetFont());
    EXPECT_GE(counter.changes, 1);
}

TEST(FillEnumCaptions, StripsPrefixesAndSplitsWords)
{
    static const TEnumTypeInfo names("TOdd", {"vaTop", "x", "cmLeftBottom", "ms3D", "abc", "HLine"});
    struct Case {
        bool strip, split;
        std::vector<std::string> expected;
    } const cases[] = {
        {false, false, {"vaTop", "x", "cmLeftBottom", "ms3D", "abc", "HLine"}},
        {true, false, {"Top", "x", "LeftBottom", "D", "c", "HLine"}},
        {false, true, {"va Top", "x", "cm Left Bottom", "ms 3 D", "abc", "H Line"}},
        {true, true, {"Top", "x", "Left Bottom", "D", "c", "H Line"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> captions{"left over"};
        FillEnumCaptions(names, captions, c.strip, c.split);
        EXPECT_EQ(captions, c.expected) << c.strip << c.split;
    }
}

TEST(FillEnumCaptions, PublishedEnumerationsCarryTheirValueNames)
{
    const TPropInfo* mode = TSLCoordinateOffset::StaticClassInfo().FindProperty("CoordinateMode");
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->enumType, &EnumTypeInfoOf<TSLCoordinateMode>());
    EXPECT_EQ(TSLOffset::StaticClassInfo().FindProperty("CX")->enumType, nullptr);
}

} // namespace
