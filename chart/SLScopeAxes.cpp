#include "chart/SLScopeAxes.h"

#include "chart/SLScope.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace zq::chart {

namespace {

// Any pair of numbers as a drawable range: ordered, finite and not empty.
AxisSpan saneSpan(double a, double b)
{
    if (!std::isfinite(a) && !std::isfinite(b))
        return {0, 1};
    if (!std::isfinite(a))
        a = b - 1;
    if (!std::isfinite(b))
        b = a + 1;
    if (a > b)
        std::swap(a, b);
    const double magnitude = std::max(std::abs(a), std::abs(b));
    if (b - a <= magnitude * 1e-12) {
        const double pad = magnitude > 0 ? magnitude * 0.01 : 1.0;
        a -= pad;
        b += pad;
    }
    return {a, b};
}

} // namespace

void TSLDisplayOptionalValue::SetValue(double value)
{
    if (Store(value_, value))
        Changed();
}

void TSLDisplayOptionalValue::SetEnabled(bool enabled)
{
    if (Store(enabled_, enabled))
        Changed();
}

void TSLBasicAxisValue::SetValue(double value)
{
    if (Store(value_, value))
        Changed();
}

void TSLBasicScopeAxisValue::SetDataValue(double value)
{
    if (Store(dataValue_, value))
        Changed();
}

namespace {

ILPLock& chartLockOf(TSLScope* owner)
{
    if (!owner)
        throw std::invalid_argument("an axis belongs to a chart");
    return owner->Lock();
}

} // namespace

TSLDisplayAxis::TSLDisplayAxis(TSLScope* owner, const QString& label)
    : TSLOptionalView(owner), Font(owner),
      AxisLabel(nullptr, TNotifyEvent{}, chartLockOf(owner)), Min(owner, 0), Max(owner, 1000), DataView(owner),
      ButtonSettings(owner), AutoScaling(owner), ToolBar(owner)
{
    // The chart's titles are black on its white; the label's own default is
    // for dark backgrounds. Set up before the chart hears of changes: it is
    // still being built.
    AxisLabel.GetFont()->SetColor(Qt::black);
    AxisLabel.SetText(label.toStdString());
    AxisLabel.SetOnChange(TNotifyEvent::Of<&TSLDisplayAxis::labelChanged>(this));
}

void TSLDisplayAxis::SetColor(QColor color)
{
    if (Store(color_, color))
        Changed();
}

double TSLDisplayAxis::DataToDisplay(double value) const
{
    const double d0 = Min.GetDataValue();
    const double d1 = Max.GetDataValue();
    const double v0 = Min.GetValue();
    const double v1 = Max.GetValue();
    if (!(d1 != d0) || !std::isfinite(d0) || !std::isfinite(d1) || !std::isfinite(v0) || !std::isfinite(v1))
        return value;
    return v0 + (value - d0) * (v1 - v0) / (d1 - d0);
}

AxisSpan TSLDisplayAxis::limits() const
{
    double low = -std::numeric_limits<double>::infinity();
    double high = std::numeric_limits<double>::infinity();
    if (Min.Range.Low.GetEnabled() && std::isfinite(Min.Range.Low.GetValue()))
        low = Min.Range.Low.GetValue();
    if (Max.Range.High.GetEnabled() && std::isfinite(Max.Range.High.GetValue()))
        high = Max.Range.High.GetValue();
    if (low >= high)
        return {-std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    return {low, high};
}

AxisSpan TSLDisplayAxis::clampToLimits(AxisSpan span) const
{
    const AxisSpan lim = limits();
    if (span.Width() >= lim.Width())
        return lim;
    if (span.min < lim.min)
        span = {lim.min, lim.min + span.Width()};
    if (span.max > lim.max)
        span = {lim.max - span.Width(), lim.max};
    return span;
}

AxisSpan TSLDisplayAxis::FullRange() const
{
    AxisSpan full = AutoScaling.GetEnabled() && extentKnown_ ? saneSpan(extent_.min, extent_.max)
                                                             : saneSpan(Min.GetValue(), Max.GetValue());
    const AxisSpan lim = limits();
    full = {std::max(full.min, lim.min), std::min(full.max, lim.max)};
    return saneSpan(full.min, full.max);
}

AxisSpan TSLDisplayAxis::View() const
{
    return zoomed_ ? view_ : FullRange();
}

void TSLDisplayAxis::ZoomTo(double a, double b)
{
    const TOWLockSectionRef section = WriteSection();
    if (Owner() && !section)
        return;
    AxisSpan span = saneSpan(a, b);
    const AxisSpan lim = limits();
    span = {std::max(span.min, lim.min), std::min(span.max, lim.max)};
    if (!(span.max > span.min))
        return;
    view_ = saneSpan(span.min, span.max);
    zoomed_ = true;
    Changed();
}

void TSLDisplayAxis::PanBy(const AxisSpan& from, double delta)
{
    const TOWLockSectionRef section = WriteSection();
    if (!std::isfinite(delta) || (Owner() && !section))
        return;
    view_ = clampToLimits({from.min + delta, from.max + delta});
    view_ = saneSpan(view_.min, view_.max);
    zoomed_ = true;
    Changed();
}

void TSLDisplayAxis::ZoomOff()
{
    if (Store(zoomed_, false))
        Changed();
}

void TSLDisplayAxis::SetDataExtent(bool known, double min, double max)
{
    extentKnown_ = known;
    extent_ = {min, max};
}

void TSLTrackingOptionalAxis::SetTrackCursor(bool track)
{
    if (Store(trackCursor_, track))
        OverlayChanged();
}

void TSLTrackingOptionalAxis::SetTrackColor(QColor color)
{
    if (Store(trackColor_, color))
        OverlayChanged();
}

void TSLBasicScopeYAxis::SetDataRange(double min, double max)
{
    ZoomTo(DataToDisplay(min), DataToDisplay(max));
}

TSLScopeYAxesCollectionItem& TSLScopeYAxesCollection::Add()
{
    auto item = std::make_unique<TSLScopeYAxesCollectionItem>(owner_);
    TSLScopeYAxesCollectionItem& added = *item;
    {
        const TOWLockSectionRef section = ChartWriteSection(owner_);
        items_.push_back(std::move(item));
    }
    if (owner_)
        owner_->Invalidate();
    return added;
}

TSLScopeYAxesCollectionItem& TSLScopeYAxesCollection::GetItem(int index) const
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("axis index out of range");
    return *items_[static_cast<std::size_t>(index)];
}

void TSLScopeYAxesCollection::Clear()
{
    // Channels drawn against a removed axis fall back to the default one
    // before the axis goes, so nothing ever draws through a dangling axis.
    {
        const TOWLockSectionRef section = ChartWriteSection(owner_);
        for (const auto& item : items_)
            if (owner_)
                owner_->AxisRemoved(item->Axis);
        items_.clear();
    }
    if (owner_)
        owner_->Invalidate();
}

} // namespace zq::chart
