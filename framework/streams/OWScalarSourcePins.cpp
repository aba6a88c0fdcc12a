#include "framework/streams/OWScalarSourcePins.h"

#include <span>

namespace {

TOWNotifyOperationRef currentValue(const TGUID& receiverType, const TOWRealSourceState& state)
{
    if (receiverType == owStreamTypes::FloatSingle)
        return OWMakeOperation<TOWSuppliedSingleOperation>(static_cast<float>(state.Value));
    if (receiverType == owStreamTypes::RangedReal)
        return OWMakeOperation<TOWSuppliedRealValueRangeOperation>(state.Value, state.FirstBound, state.SecondBound);
    return OWMakeOperation<TOWSuppliedRealOperation>(state.Value);
}

// Serves the target through the first receiver of `order` it has.
bool serveValue(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                const TOWNotifyOperationRef& operation, std::span<const TGUID> order, const TOWSupplyEvent& onSupply,
                const TOWRealSourceState& state)
{
    for (const TGUID& type : order) {
        IOWReceiver* receiver = OWQueryReceiver(target, type);
        if (!receiver)
            continue;
        if (onSupply)
            return onSupply(*receiver, streamType, operation, flags);
        if (flags & owAnnounceFlag)
            return receiver->Receive(streamType, currentValue(type, state), flags);
        if (type == owStreamTypes::FloatSingle) {
            if (const auto* real = OWOperationAs<TOWSuppliedRealOperation>(operation))
                return receiver->Receive(
                    streamType, OWMakeOperation<TOWSuppliedSingleOperation>(static_cast<float>(real->Value())), flags);
        }
        return receiver->Receive(streamType, operation, flags);
    }
    return false;
}

constexpr TGUID floatOrder[] = {owStreamTypes::FloatSingle};
constexpr TGUID realOrder[] = {owStreamTypes::RealSingle, owStreamTypes::FloatSingle};
constexpr TGUID rangedOrder[] = {owStreamTypes::RealSingle, owStreamTypes::FloatSingle, owStreamTypes::RangedReal};

} // namespace

// ---------------------------------------------------------------- clock

TOWClockSourcePin::TOWClockSourcePin(TComponent* owner, IOWLock* lock, TOWClockEvent onClock)
    : TOWReceivingPin<TOWSourcePin>(owner, lock), onClock_(onClock)
{
    AddReceiver(owStreamTypes::Clock, TOWReceiveMethod::Of<&TOWClockSourcePin::receiveClock>(this));
    AddStreamType(owStreamTypes::Clock, TOWStreamHandler::Of<&TOWClockSourcePin::clockHandler>(this));
}

bool TOWClockSourcePin::clockHandler(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                                     const TOWNotifyOperationRef& operation)
{
    return OWPassToReceiver(target, owStreamTypes::Clock, streamType, operation, flags);
}

bool TOWClockSourcePin::receiveClock(const TGUID& streamType, const TOWNotifyOperationRef& operation,
                                     TOWHandlerFlags flags)
{
    return onClock_ && onClock_(this, streamType, operation, flags);
}

// ---------------------------------------------------------------- single

TOWFloatSourcePin::TOWFloatSourcePin(TComponent* owner, IOWLock* lock, TOWClockEvent onClock, TOWSupplyEvent onSupply)
    : TOWValueSourcePin<float>(owner, lock, onClock, onSupply)
{
    AddStreamType(owStreamTypes::FloatSingle, TOWStreamHandler::Of<&TOWFloatSourcePin::valueHandler>(this));
}

bool TOWFloatSourcePin::valueHandler(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                                     const TOWNotifyOperationRef& operation)
{
    return serveValue(target, streamType, flags, operation, floatOrder, onSupply_, {Value(), 0, 0});
}

// ---------------------------------------------------------------- real

TOWRealSourcePin::TOWRealSourcePin(TComponent* owner, IOWLock* lock, TOWClockEvent onClock, TOWSupplyEvent onSupply)
    : TOWValueSourcePin<double>(owner, lock, onClock, onSupply)
{
    const auto handler = TOWStreamHandler::Of<&TOWRealSourcePin::valueHandler>(this);
    AddStreamType(owStreamTypes::FloatSingle, handler);
    AddStreamType(owStreamTypes::RealSingle, handler);
}

bool TOWRealSourcePin::valueHandler(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                                    const TOWNotifyOperationRef& operation)
{
    return serveValue(target, streamType, flags, operation, realOrder, onSupply_, {Value(), 0, 0});
}

// ---------------------------------------------------------------- ranged real

TOWRealRangedSourcePin::TOWRealRangedSourcePin(TComponent* owner, IOWLock* lock, TOWClockEvent onClock,
                                               TOWSupplyEvent onSupply)
    : TOWClockSourcePin(owner, lock, onClock), onSupply_(onSupply)
{
    const auto handler = TOWStreamHandler::Of<&TOWRealRangedSourcePin::valueHandler>(this);
    AddStreamType(owStreamTypes::FloatSingle, handler);
    AddStreamType(owStreamTypes::RealSingle, handler);
    AddStreamType(owStreamTypes::RangedReal, handler);
}

TOWRealSourceState TOWRealRangedSourcePin::State()
{
    auto section = ReadLocked();
    return section ? state_ : TOWRealSourceState{};
}

void TOWRealRangedSourcePin::SetState(const TOWRealSourceState& state)
{
    auto section = WriteLocked();
    if (section)
        state_ = state;
}

bool TOWRealRangedSourcePin::valueHandler(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                                          const TOWNotifyOperationRef& operation)
{
    return serveValue(target, streamType, flags, operation, rangedOrder, onSupply_, State());
}
