#include "chart/SLScopeProperties.h"

#include "chart/SLScope.h"

#include <algorithm>
#include <array>

namespace zq::chart {

namespace {

struct CursorShapeEntry {
    int id;
    Qt::CursorShape shape;
};

constexpr std::array cursorShapes{
    CursorShapeEntry{crDefault, Qt::ArrowCursor},   CursorShapeEntry{crArrow, Qt::ArrowCursor},
    CursorShapeEntry{crCross, Qt::CrossCursor},     CursorShapeEntry{-4, Qt::IBeamCursor},
    CursorShapeEntry{-6, Qt::SizeBDiagCursor},      CursorShapeEntry{crSizeNS, Qt::SizeVerCursor},
    CursorShapeEntry{crSizeNWSE, Qt::SizeFDiagCursor}, CursorShapeEntry{crSizeWE, Qt::SizeHorCursor},
    CursorShapeEntry{-11, Qt::WaitCursor},          CursorShapeEntry{crHSplit, Qt::SplitHCursor},
    CursorShapeEntry{-15, Qt::SplitVCursor},        CursorShapeEntry{-21, Qt::PointingHandCursor},
};

} // namespace

Qt::CursorShape CursorShapeFor(int cursorId)
{
    const auto it = std::find_if(cursorShapes.begin(), cursorShapes.end(),
                                 [cursorId](const CursorShapeEntry& e) { return e.id == cursorId; });
    return it == cursorShapes.end() ? Qt::ArrowCursor : it->shape;
}

TOWLockSectionRef ChartWriteSection(const TSLScope* owner)
{
    return owner ? owner->Lock().WriteSection() : TOWLockSectionRef();
}

void TSLScopeProperty::Changed() const
{
    if (owner_)
        owner_->Invalidate();
}

void TSLScopeProperty::OverlayChanged() const
{
    if (owner_)
        owner_->InvalidateOverlay();
}

void TSLFont::SetColor(QColor color)
{
    if (Store(color_, color))
        Changed();
}

TSLVisibleDisplayProperty::TSLVisibleDisplayProperty(TSLScope* owner, QColor color, bool visible, int width)
    : TSLScopeProperty(owner), visible_(visible)
{
    Pen.SetColor(color);
    Pen.SetWidth(width);
    Pen.SetOnChange(TNotifyEvent::Of<&TSLVisibleDisplayProperty::penChanged>(this));
}

void TSLVisibleDisplayProperty::SetVisible(bool visible)
{
    if (Store(visible_, visible))
        Changed();
}

void TSLEnabledSetting::SetEnabled(bool enabled)
{
    if (Store(enabled_, enabled))
        Changed();
}

void TSLOptionalView::SetVisible(bool visible)
{
    if (Store(visible_, visible))
        Changed();
}

void TSLTextLabel::SetText(const QString& text)
{
    if (Store(text_, text))
        Changed();
}

void TSLScopeTitle::SetHeight(int pixels)
{
    if (Store(height_, std::max(pixels, 0)))
        Changed();
}

void TSLScopeDataView::SetColor(QColor color)
{
    if (Store(background_, color))
        Changed();
}

} // namespace zq::chart
