#pragma once
// Drawing attributes the chart's elements share: a brush that remembers its
// colour while it is clear, a pen, and locked offsets measured from a corner
// or edge centre of an element's area.
#include "chart/GraphicsObjects.h"
#include "framework/components/LPComponent.h"

#include <cstdint>

// Reports the colour last set even while its style is bsClear (a clear brush
// paints nothing, yet the colour must come back when it is made solid
// again). Black until a colour is set, whatever it paints with.
class TSLDisplayBrush : public TBrush {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    QColor GetColor() const { return load(rememberedColor_); }
    // Remembered always; painted with at once unless the brush is clear.
    void SetColor(const QColor& color);
    // Any style but bsClear paints with the remembered colour.
    void SetStyle(TBrushStyle style);
    // From any brush: only the colour the source paints with, and only into
    // the remembered colour; style and painting colour stay.
    void Assign(const TPersistent& source) override;

private:
    TColor rememberedValue() const { return ColorToValue(GetColor()); }
    void setRememberedValue(TColor value) { SetColor(ColorFromValue(value)); }

    QColor rememberedColor_ = Qt::black;
};

class TSLDisplayPen : public TPen {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

class TSLOffset : public TLPLockedPersistentNotify {
public:
    using TLPLockedPersistentNotify::TLPLockedPersistentNotify;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    std::int32_t GetCX() const { return cx_; }
    void SetCX(std::int32_t cx) { Lock().SetField(cx_, cx); }
    std::int32_t GetCY() const { return cy_; }
    void SetCY(std::int32_t cy) { Lock().SetField(cy_, cy); }

private:
    std::int32_t cx_ = 0;
    std::int32_t cy_ = 0;
};

// The corner or edge centre of an element's area that an offset is measured
// from.
enum class TSLCoordinateMode : std::uint8_t {
    cmLeftTop,
    cmLeftBottom,
    cmLeftCenter,
    cmRightTop,
    cmRightBottom,
    cmRightCenter,
    cmTopCenter,
    cmBottomCenter,
    cmCenter
};
const TEnumTypeInfo& EnumTypeInfo(TSLCoordinateMode);

class TSLCoordinateOffset : public TSLOffset {
public:
    using TSLOffset::TSLOffset;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TSLCoordinateMode GetCoordinateMode() const { return coordinateMode_; }
    void SetCoordinateMode(TSLCoordinateMode mode);

private:
    TSLCoordinateMode coordinateMode_ = TSLCoordinateMode::cmLeftTop;
};
