#include "chart/SLScopeChannels.h"

#include "chart/SLScope.h"
#include "framework/pins/OWUnloadedPin.h"

#include <algorithm>
#include <stdexcept>

namespace zq::chart {

void TSLDisplayCollectionItem::SetName(const QString& name)
{
    if (Store(name_, name))
        Changed();
}

void TSLOptionalDisplayCollectionItem::SetVisible(bool visible)
{
    if (Store(visible_, visible))
        Changed();
}

void TSLDisplayChannel::SetColor(QColor color)
{
    if (Store(color_, color))
        Changed();
}

void TSLDisplayChannel::SetWidth(int pixels)
{
    if (Store(width_, std::max(pixels, 1)))
        Changed();
}

void TSLDisplayChannel::SetYAxis(TSLBasicScopeYAxis& axis)
{
    if (Store(yAxis_, &axis))
        Changed();
}

void TSLDisplayChannel::SetXAxis(TSLScopeXAxis& axis)
{
    if (Store(xAxis_, &axis))
        Changed();
}

TSLScopeChannel::TSLScopeChannel(TSLScope* owner, IOWLock& lock, TSLScopeXAxis& xAxis, TSLBasicScopeYAxis& yAxis)
    : TSLDisplayChannel(owner, xAxis, yAxis), Data(lock), scope_(owner),
      yPin_(MakeObject<TSLOWComboRealIntComplexPairedQueuedSinkPin>(
          owner, &lock, TSLOWReceiveEvent::Of<&TSLScopeChannelInputs::ReceiveY>(&inputs_))),
      xPin_(MakeObject<TSLOWQueuedIntegerRealSinkPin>(owner, &lock,
                                                      TSLOWReceiveEvent::Of<&TSLScopeChannelInputs::ReceiveX>(&inputs_))),
      inputs_(TOWIntf<TSLOWQueuedPinImpl>(&yPin_->Queued()), TOWIntf<TSLOWQueuedPinImpl>(&xPin_->Queued()))
{
    // The handlers are bound before the inputs stand, but nothing can reach
    // the pins before they are in the lists.
    yPin_->SetAcceptsAnyType(true);
    xPin_->SetAcceptsAnyType(true);
    if (scope_) {
        const std::string name = "Channel" + std::to_string(scope_->InputPins->Count());
        scope_->InputPins->AddPin(yPin_.get(), name);
        scope_->XInputPins->AddPin(xPin_.get(), name);
        // A link read with another form before this channel stood waits on a
        // placeholder of the pin's path: it comes to the pin now.
        if (OWPlaceholderCount() > 0) {
            yPin_->ResolvePlaceholders();
            xPin_->ResolvePlaceholders();
        }
    }
}

TSLScopeChannel::~TSLScopeChannel()
{
    // The handlers take nothing more; then the pins go (each leaving its
    // list), waiting for deliveries in progress, none of which waits for the
    // chart.
    inputs_.Detach();
    if (scope_) {
        scope_->InputPins->RemovePin(yPin_.get());
        scope_->XInputPins->RemovePin(xPin_.get());
    }
    xPin_.reset();
    yPin_.reset();
}

bool TSLScopeChannel::TakeQueuedData()
{
    return inputs_.TakeQueued(Data, xPin_->IsConnected());
}

TSLScopeChannel& TSLScopeChannels::Add()
{
    auto channel = std::make_unique<TSLScopeChannel>(owner_, lock_, xAxis_, yAxis_);
    TSLScopeChannel& added = *channel;
    {
        const TOWLockSectionRef section = lock_.WriteSection();
        items_.push_back(std::move(channel));
    }
    if (owner_)
        owner_->Invalidate();
    return added;
}

TSLScopeChannel& TSLScopeChannels::GetItem(int index) const
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("channel index out of range");
    return *items_[static_cast<std::size_t>(index)];
}

void TSLScopeChannels::Clear()
{
    // Taken out under the lock, freed after leaving it: freeing a channel
    // frees its input pins, which wait for deliveries in progress to end.
    std::vector<std::unique_ptr<TSLScopeChannel>> going;
    {
        const TOWLockSectionRef section = lock_.WriteSection();
        going.swap(items_);
    }
    going.clear();
    if (owner_)
        owner_->Invalidate();
}

void TSLDisplayCursorPosition::SetX(double x)
{
    if (Store(x_, x))
        OverlayChanged();
}

void TSLDisplayCursor::SetColor(QColor color)
{
    if (Store(color_, color))
        OverlayChanged();
}

void TSLDisplayCursor::SetVisible(bool visible)
{
    if (Store(visible_, visible))
        OverlayChanged();
}

TSLDisplayCursor& TSLDisplayCursors::Add()
{
    auto cursor = std::make_unique<TSLDisplayCursor>(owner_);
    TSLDisplayCursor& added = *cursor;
    {
        const TOWLockSectionRef section = ChartWriteSection(owner_);
        items_.push_back(std::move(cursor));
    }
    if (owner_)
        owner_->InvalidateOverlay();
    return added;
}

TSLDisplayCursor& TSLDisplayCursors::GetItem(int index) const
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("cursor index out of range");
    return *items_[static_cast<std::size_t>(index)];
}

void TSLDisplayCursors::Clear()
{
    {
        const TOWLockSectionRef section = ChartWriteSection(owner_);
        items_.clear();
    }
    if (owner_)
        owner_->InvalidateOverlay();
}

} // namespace zq::chart
