#include "chart/SLDisplayAttributes.h"

#include <mutex>

// ---------------------------------------------------------------- brush

const TClassInfo& TSLDisplayBrush::StaticClassInfo()
{
    static const TClassInfo info(
        "TSLDisplayBrush", &TBrush::StaticClassInfo(),
        {Published<&TSLDisplayBrush::rememberedValue, &TSLDisplayBrush::setRememberedValue>("Color", 0, "TColor"),
         // Republished so that streaming and property copies make a clear
         // brush solid again with its remembered colour, as SetStyle does.
         Published<&TSLDisplayBrush::GetStyle, &TSLDisplayBrush::SetStyle>("Style", 0)});
    return info;
}

void TSLDisplayBrush::SetColor(const QColor& color)
{
    {
        const std::lock_guard<std::mutex> hold(Guard());
        rememberedColor_ = color;
    }
    if (GetStyle() != TBrushStyle::bsClear)
        TBrush::SetColor(color);
}

void TSLDisplayBrush::SetStyle(TBrushStyle style)
{
    TBrush::SetStyle(style);
    if (style != TBrushStyle::bsClear)
        TBrush::SetColor(GetColor());
}

void TSLDisplayBrush::Assign(const TPersistent& source)
{
    const auto* brush = dynamic_cast<const TBrush*>(&source);
    if (!brush) {
        TBrush::Assign(source);
        return;
    }
    // The source's own guard covers reading its colour, ours the store.
    const QColor painted = brush->TBrush::GetColor();
    const std::lock_guard<std::mutex> hold(Guard());
    rememberedColor_ = painted;
}

// ---------------------------------------------------------------- pen

const TClassInfo& TSLDisplayPen::StaticClassInfo()
{
    static const TClassInfo info("TSLDisplayPen", &TPen::StaticClassInfo(), {});
    return info;
}

// ---------------------------------------------------------------- offsets

const TClassInfo& TSLOffset::StaticClassInfo()
{
    static const TClassInfo info("TSLOffset", &TLPLockedPersistentNotify::StaticClassInfo(),
                                 {Published<&TSLOffset::GetCX, &TSLOffset::SetCX>("CX", 0),
                                  Published<&TSLOffset::GetCY, &TSLOffset::SetCY>("CY", 0)});
    return info;
}

const TEnumTypeInfo& EnumTypeInfo(TSLCoordinateMode)
{
    static const TEnumTypeInfo info("TSLCoordinateMode",
                                    {"cmLeftTop", "cmLeftBottom", "cmLeftCenter", "cmRightTop", "cmRightBottom",
                                     "cmRightCenter", "cmTopCenter", "cmBottomCenter", "cmCenter"});
    return info;
}

const TClassInfo& TSLCoordinateOffset::StaticClassInfo()
{
    static const TClassInfo info(
        "TSLCoordinateOffset", &TSLOffset::StaticClassInfo(),
        {Published<&TSLCoordinateOffset::GetCoordinateMode, &TSLCoordinateOffset::SetCoordinateMode>("CoordinateMode",
                                                                                                    0)});
    return info;
}

void TSLCoordinateOffset::SetCoordinateMode(TSLCoordinateMode mode)
{
    const TOWLockSectionRef section = Lock().WriteSection();
    // Refused while the tree is being stopped for its destruction.
    if (!section || coordinateMode_ == mode)
        return;
    coordinateMode_ = mode;
    Changed();
}
