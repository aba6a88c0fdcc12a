#include "chart/GraphicsObjects.h"

#include <QString>

#include <mutex>

TColor ColorToValue(const QColor& color)
{
    return static_cast<TColor>(static_cast<std::uint32_t>(color.red()) | static_cast<std::uint32_t>(color.green()) << 8 |
                               static_cast<std::uint32_t>(color.blue()) << 16);
}

QColor ColorFromValue(TColor value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    return QColor(static_cast<int>(bits & 0xFF), static_cast<int>(bits >> 8 & 0xFF), static_cast<int>(bits >> 16 & 0xFF));
}

const TEnumTypeInfo& EnumTypeInfo(TPenStyle)
{
    static const TEnumTypeInfo info(
        "TPenStyle", {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"});
    return info;
}

const TEnumTypeInfo& EnumTypeInfo(TBrushStyle)
{
    static const TEnumTypeInfo info("TBrushStyle", {"bsSolid", "bsClear", "bsHorizontal", "bsVertical",
                                                    "bsFDiagonal", "bsBDiagonal", "bsCross", "bsDiagCross"});
    return info;
}

namespace {

// Copies the source's settings into dest's under both guards (taken
// together, so two threads assigning crosswise cannot deadlock); answers
// whether anything differed.
template<class Copy>
bool copyGuarded(std::mutex& destGuard, std::mutex& sourceGuard, Copy copy)
{
    if (&destGuard == &sourceGuard)
        return false;
    const std::scoped_lock hold(destGuard, sourceGuard);
    return copy();
}

template<class T>
bool assignField(T& dest, const T& source)
{
    if (dest == source)
        return false;
    dest = source;
    return true;
}

} // namespace

// ---------------------------------------------------------------- base

const TClassInfo& TGraphicsObject::StaticClassInfo()
{
    static const TClassInfo info("TGraphicsObject", &TPersistent::StaticClassInfo(), {});
    return info;
}

void TGraphicsObject::Changed()
{
    if (onChange_)
        onChange_(this);
}

// ---------------------------------------------------------------- font

const TClassInfo& TFont::StaticClassInfo()
{
    static const TClassInfo info("TFont", &TGraphicsObject::StaticClassInfo(),
                                 {Published<&TFont::colorValue, &TFont::setColorValue>("Color", "TColor"),
                                  Published<&TFont::GetName, &TFont::SetName>("Name", "TFontName"),
                                  Published<&TFont::GetSize, &TFont::SetSize>("Size")});
    return info;
}

QFont TFont::ToQFont() const
{
    const std::lock_guard<std::mutex> hold(Guard());
    QFont font(QString::fromStdString(name_));
    if (size_ > 0)
        font.setPointSize(size_);
    return font;
}

void TFont::Assign(const TPersistent& source)
{
    const auto* font = dynamic_cast<const TFont*>(&source);
    if (!font) {
        TGraphicsObject::Assign(source);
        return;
    }
    if (copyGuarded(Guard(), font->Guard(), [&] {
            const bool name = assignField(name_, font->name_);
            const bool color = assignField(color_, font->color_);
            const bool size = assignField(size_, font->size_);
            return name || color || size;
        }))
        Changed();
}

// ---------------------------------------------------------------- pen

const TClassInfo& TPen::StaticClassInfo()
{
    static const TClassInfo info("TPen", &TGraphicsObject::StaticClassInfo(),
                                 {Published<&TPen::colorValue, &TPen::setColorValue>("Color", 0, "TColor"),
                                  Published<&TPen::GetStyle, &TPen::SetStyle>("Style", 0),
                                  Published<&TPen::GetWidth, &TPen::SetWidth>("Width", 1)});
    return info;
}

QPen TPen::ToQPen() const
{
    const std::lock_guard<std::mutex> hold(Guard());
    Qt::PenStyle style = Qt::SolidLine;
    switch (style_) {
    case TPenStyle::psDash: style = Qt::DashLine; break;
    case TPenStyle::psDot: style = Qt::DotLine; break;
    case TPenStyle::psDashDot: style = Qt::DashDotLine; break;
    case TPenStyle::psDashDotDot: style = Qt::DashDotDotLine; break;
    case TPenStyle::psClear: style = Qt::NoPen; break;
    case TPenStyle::psSolid:
    case TPenStyle::psInsideFrame: break;
    }
    // Width 0 and below draw one pixel wide, as width 1 does.
    return QPen(QBrush(color_), width_ > 1 ? width_ : 1, style);
}

void TPen::Assign(const TPersistent& source)
{
    const auto* pen = dynamic_cast<const TPen*>(&source);
    if (!pen) {
        TGraphicsObject::Assign(source);
        return;
    }
    if (copyGuarded(Guard(), pen->Guard(), [&] {
            const bool color = assignField(color_, pen->color_);
            const bool width = assignField(width_, pen->width_);
            const bool style = assignField(style_, pen->style_);
            return color || width || style;
        }))
        Changed();
}

// ---------------------------------------------------------------- brush

const TClassInfo& TBrush::StaticClassInfo()
{
    static const TClassInfo info("TBrush", &TGraphicsObject::StaticClassInfo(),
                                 {Published<&TBrush::colorValue, &TBrush::setColorValue>("Color", 0xFFFFFF, "TColor"),
                                  Published<&TBrush::GetStyle, &TBrush::SetStyle>("Style", 0)});
    return info;
}

QBrush TBrush::ToQBrush() const
{
    const std::lock_guard<std::mutex> hold(Guard());
    Qt::BrushStyle style = Qt::SolidPattern;
    switch (style_) {
    case TBrushStyle::bsClear: style = Qt::NoBrush; break;
    case TBrushStyle::bsHorizontal: style = Qt::HorPattern; break;
    case TBrushStyle::bsVertical: style = Qt::VerPattern; break;
    case TBrushStyle::bsFDiagonal: style = Qt::FDiagPattern; break;
    case TBrushStyle::bsBDiagonal: style = Qt::BDiagPattern; break;
    case TBrushStyle::bsCross: style = Qt::CrossPattern; break;
    case TBrushStyle::bsDiagCross: style = Qt::DiagCrossPattern; break;
    case TBrushStyle::bsSolid: break;
    }
    return QBrush(color_, style);
}

void TBrush::Assign(const TPersistent& source)
{
    const auto* brush = dynamic_cast<const TBrush*>(&source);
    if (!brush) {
        TGraphicsObject::Assign(source);
        return;
    }
    if (copyGuarded(Guard(), brush->Guard(), [&] {
            const bool color = assignField(color_, brush->color_);
            const bool style = assignField(style_, brush->style_);
            return color || style;
        }))
        Changed();
}
