#include "chart/SLScopeChannels.h"

#include "chart/SLScope.h"

#include <algorithm>
#include <stdexcept>

namespace zq::chart {

void TSLDisplayCollectionItem::SetName(const QString& name)
{
    name_ = name;
    Changed();
}

void TSLOptionalDisplayCollectionItem::SetVisible(bool visible)
{
    visible_ = visible;
    Changed();
}

void TSLDisplayChannel::SetColor(QColor color)
{
    color_ = color;
    Changed();
}

void TSLDisplayChannel::SetWidth(int pixels)
{
    width_ = std::max(pixels, 1);
    Changed();
}

void TSLDisplayChannel::SetYAxis(TSLBasicScopeYAxis& axis)
{
    yAxis_ = &axis;
    Changed();
}

void TSLDisplayChannel::SetXAxis(TSLScopeXAxis& axis)
{
    xAxis_ = &axis;
    Changed();
}

TSLScopeChannel& TSLScopeChannels::Add()
{
    items_.push_back(std::make_unique<TSLScopeChannel>(owner_, lock_, xAxis_, yAxis_));
    if (owner_)
        owner_->Invalidate();
    return *items_.back();
}

TSLScopeChannel& TSLScopeChannels::GetItem(int index) const
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("channel index out of range");
    return *items_[static_cast<std::size_t>(index)];
}

void TSLScopeChannels::Clear()
{
    {
        ChartLockGuard guard(lock_);
        items_.clear();
    }
    if (owner_)
        owner_->Invalidate();
}

void TSLDisplayCursorPosition::SetX(double x)
{
    x_ = x;
    OverlayChanged();
}

void TSLDisplayCursor::SetColor(QColor color)
{
    color_ = color;
    OverlayChanged();
}

void TSLDisplayCursor::SetVisible(bool visible)
{
    visible_ = visible;
    OverlayChanged();
}

TSLDisplayCursor& TSLDisplayCursors::Add()
{
    items_.push_back(std::make_unique<TSLDisplayCursor>(owner_));
    if (owner_)
        owner_->InvalidateOverlay();
    return *items_.back();
}

TSLDisplayCursor& TSLDisplayCursors::GetItem(int index) const
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("cursor index out of range");
    return *items_[static_cast<std::size_t>(index)];
}

void TSLDisplayCursors::Clear()
{
    items_.clear();
    if (owner_)
        owner_->InvalidateOverlay();
}

} // namespace zq::chart
