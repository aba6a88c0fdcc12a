#pragma once
// The class library's drawing objects on Qt: a font, a pen and a brush that
// the chart's elements own as sub-objects. Each keeps its settings under a
// guard of its own (the drawing thread reads what the user's thread sets),
// fires OnChange after a setting changed, and hands Qt the object it draws
// with (ToQFont, ToQPen, ToQBrush).
#include "framework/ClassLibrary/Method.h"
#include "framework/ClassLibrary/Persistent.h"
#include "framework/ClassLibrary/TypeInfo.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPen>

#include <cstdint>
#include <mutex>
#include <string>

// A colour as the class library stores it: 0x00BBGGRR.
using TColor = std::int32_t;
TColor ColorToValue(const QColor& color);
QColor ColorFromValue(TColor value);

enum class TPenStyle : std::uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
const TEnumTypeInfo& EnumTypeInfo(TPenStyle);

enum class TBrushStyle : std::uint8_t {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};
const TEnumTypeInfo& EnumTypeInfo(TBrushStyle);

class TGraphicsObject : public TPersistent {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TNotifyEvent OnChange() const { return onChange_; }
    void SetOnChange(TNotifyEvent onChange) { onChange_ = onChange; }

protected:
    // Fires OnChange (outside the guard, so handlers may read the object).
    void Changed();
    // Stores value under the guard; fires OnChange when it differed.
    template<class T>
    void store(T& field, const T& value)
    {
        {
            const std::lock_guard<std::mutex> hold(guard_);
            if (field == value)
                return;
            field = value;
        }
        Changed();
    }
    template<class T>
    T load(const T& field) const
    {
        const std::lock_guard<std::mutex> hold(guard_);
        return field;
    }
    std::mutex& Guard() const { return guard_; }

private:
    mutable std::mutex guard_;
    TNotifyEvent onChange_;
};

class TFont : public TGraphicsObject {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    std::string GetName() const { return load(name_); }
    void SetName(const std::string& name) { store(name_, name); }
    QColor GetColor() const { return load(color_); }
    void SetColor(const QColor& color) { store(color_, color); }
    // In points.
    std::int32_t GetSize() const { return load(size_); }
    void SetSize(std::int32_t points) { store(size_, points); }

    QFont ToQFont() const;
    // Another font: its name, colour and size, with one OnChange when
    // anything differed.
    void Assign(const TPersistent& source) override;

private:
    TColor colorValue() const { return ColorToValue(GetColor()); }
    void setColorValue(TColor value) { SetColor(ColorFromValue(value)); }

    std::string name_ = "Arial";
    QColor color_ = Qt::black;
    std::int32_t size_ = 8;
};

class TPen : public TGraphicsObject {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    QColor GetColor() const { return load(color_); }
    void SetColor(const QColor& color) { store(color_, color); }
    std::int32_t GetWidth() const { return load(width_); }
    void SetWidth(std::int32_t width) { store(width_, width); }
    TPenStyle GetStyle() const { return load(style_); }
    void SetStyle(TPenStyle style) { store(style_, style); }

    QPen ToQPen() const;
    void Assign(const TPersistent& source) override;

private:
    TColor colorValue() const { return ColorToValue(GetColor()); }
    void setColorValue(TColor value) { SetColor(ColorFromValue(value)); }

    QColor color_ = Qt::black;
    std::int32_t width_ = 1;
    TPenStyle style_ = TPenStyle::psSolid;
};

class TBrush : public TGraphicsObject {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // The colour the brush paints with.
    QColor GetColor() const { return load(color_); }
    void SetColor(const QColor& color) { store(color_, color); }
    TBrushStyle GetStyle() const { return load(style_); }
    void SetStyle(TBrushStyle style) { store(style_, style); }

    QBrush ToQBrush() const;
    void Assign(const TPersistent& source) override;

private:
    TColor colorValue() const { return ColorToValue(GetColor()); }
    void setColorValue(TColor value) { SetColor(ColorFromValue(value)); }

    QColor color_ = Qt::white;
    TBrushStyle style_ = TBrushStyle::bsSolid;
};
