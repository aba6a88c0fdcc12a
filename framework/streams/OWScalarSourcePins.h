#pragma once
// Source pins of the scalar stream types: the clock, and the single, real
// and ranged real values. Their handlers serve each target through the
// target's receiver; an announcement of a new link sends the pin's current
// value instead of the operation.
#include "framework/pins/OWReceivers.h"
#include "framework/pins/OWSourcePin.h"
#include "framework/streams/OWScalarTypes.h"

// OnClock: the pin, the stream type, the operation and the flags.
using TOWClockEvent = TMethod<bool(TOWBasicPin* sender, const TGUID& streamType, const TOWNotifyOperationRef& operation,
                                   TOWHandlerFlags flags)>;
// OnSupply: the target's receiver, the stream type, the operation and the
// flags; it serves the target in place of the pin's own rules.
using TOWSupplyEvent = TMethod<bool(IOWReceiver& receiver, const TGUID& streamType,
                                    const TOWNotifyOperationRef& operation, TOWHandlerFlags flags)>;

class TOWClockSourcePin : public TOWReceivingPin<TOWSourcePin> {
public:
    TOWClockSourcePin(TComponent* owner, IOWLock* lock, TOWClockEvent onClock = {});
    OW_TYPE_UNIT_CLASS(TOWClockSourcePin, TOWSourcePin)

private:
    bool clockHandler(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                      const TOWNotifyOperationRef& operation);
    bool receiveClock(const TGUID& streamType, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags);

    TOWClockEvent onClock_;
};

// A clock source that announces one kept value.
template<class T>
class TOWValueSourcePin : public TOWClockSourcePin {
public:
    T Value()
    {
        auto section = ReadLocked();
        return section ? value_ : T{};
    }
    void SetValue(T value)
    {
        auto section = WriteLocked();
        if (section)
            value_ = value;
    }

protected:
    TOWValueSourcePin(TComponent* owner, IOWLock* lock, TOWClockEvent onClock, TOWSupplyEvent onSupply)
        : TOWClockSourcePin(owner, lock, onClock), onSupply_(onSupply)
    {
    }

    TOWSupplyEvent onSupply_;

private:
    T value_{};
};

class TOWFloatSourcePin : public TOWValueSourcePin<float> {
public:
    TOWFloatSourcePin(TComponent* owner, IOWLock* lock, TOWClockEvent onClock = {}, TOWSupplyEvent onSupply = {});
    OW_TYPE_UNIT_CLASS(TOWFloatSourcePin, TOWClockSourcePin)

private:
    bool valueHandler(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                      const TOWNotifyOperationRef& operation);
};

// What a real source announces: its value, and the bounds of the ranged pin.
struct TOWRealSourceState {
    double Value = 0;
    double FirstBound = 0;
    double SecondBound = 0;
};

class TOWRealSourcePin : public TOWValueSourcePin<double> {
public:
    TOWRealSourcePin(TComponent* owner, IOWLock* lock, TOWClockEvent onClock = {}, TOWSupplyEvent onSupply = {});
    OW_TYPE_UNIT_CLASS(TOWRealSourcePin, TOWClockSourcePin)

private:
    bool valueHandler(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                      const TOWNotifyOperationRef& operation);
};

class TOWRealRangedSourcePin : public TOWClockSourcePin {
public:
    TOWRealRangedSourcePin(TComponent* owner, IOWLock* lock, TOWClockEvent onClock = {},
                           TOWSupplyEvent onSupply = {});
    OW_TYPE_UNIT_CLASS(TOWRealRangedSourcePin, TOWClockSourcePin)

    TOWRealSourceState State();
    void SetState(const TOWRealSourceState& state);

private:
    bool valueHandler(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                      const TOWNotifyOperationRef& operation);

    TOWSupplyEvent onSupply_;
    TOWRealSourceState state_;
};
