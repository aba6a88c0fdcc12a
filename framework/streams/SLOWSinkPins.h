#pragma once
// Sink pins of the buffer stream types. Every receiver of a buffer sink pin
// ends in its OnReceive; operations it sends upstream go to the source's
// ISLStreamReceiver. A buffer sink takes a link from any source that offers
// a type it takes, without the sink's own type check.
#include "framework/pins/OWReceivers.h"
#include "framework/pins/OWSinkPin.h"
#include "framework/streams/OWScalarTypes.h"
#include "framework/streams/SLBufferTypes.h"

class TSLOWSinkPin : public TOWReceivingPin<TOWSinkPin> {
public:
    TSLOWSinkPin(TComponent* owner, IOWLock* lock, TSLOWReceiveEvent onReceive = {});
    OW_TYPE_UNIT_CLASS(TSLOWSinkPin, TOWSinkPin)

    void LinkRemoved() override;

protected:
    // The pin takes the type: its receiver, and the type in the handler
    // table with the sink handler.
    void takeType(const TGUID& streamType);

private:
    bool sinkHandler(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                     const TOWNotifyOperationRef& operation);
    bool receive(const TGUID& streamType, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags);

    TSLOWReceiveEvent onReceive_;
};

class TSLOWIntegerSinkPin : public TSLOWSinkPin {
public:
    TSLOWIntegerSinkPin(TComponent* owner, IOWLock* lock, TSLOWReceiveEvent onReceive = {});
    OW_TYPE_UNIT_CLASS(TSLOWIntegerSinkPin, TSLOWSinkPin)
};

class TSLOWRealSinkPin : public TSLOWSinkPin {
public:
    TSLOWRealSinkPin(TComponent* owner, IOWLock* lock, TSLOWReceiveEvent onReceive = {});
    OW_TYPE_UNIT_CLASS(TSLOWRealSinkPin, TSLOWSinkPin)
};

class TSLOWComboRealSinkPin : public TSLOWRealSinkPin {
public:
    TSLOWComboRealSinkPin(TComponent* owner, IOWLock* lock, TSLOWReceiveEvent onReceive = {});
    OW_TYPE_UNIT_CLASS(TSLOWComboRealSinkPin, TSLOWRealSinkPin)
};

class TSLOWComboRealIntSinkPin : public TSLOWComboRealSinkPin {
public:
    TSLOWComboRealIntSinkPin(TComponent* owner, IOWLock* lock, TSLOWReceiveEvent onReceive = {});
    OW_TYPE_UNIT_CLASS(TSLOWComboRealIntSinkPin, TSLOWComboRealSinkPin)
};

class TSLOWComboRealIntComplexPairedSinkPin : public TSLOWComboRealIntSinkPin {
public:
    TSLOWComboRealIntComplexPairedSinkPin(TComponent* owner, IOWLock* lock, TSLOWReceiveEvent onReceive = {});
    OW_TYPE_UNIT_CLASS(TSLOWComboRealIntComplexPairedSinkPin, TSLOWComboRealIntSinkPin)
};

class TSLOWComplexSinkPin : public TSLOWSinkPin {
public:
    TSLOWComplexSinkPin(TComponent* owner, IOWLock* lock, TSLOWReceiveEvent onReceive = {});
    OW_TYPE_UNIT_CLASS(TSLOWComplexSinkPin, TSLOWSinkPin)
};
