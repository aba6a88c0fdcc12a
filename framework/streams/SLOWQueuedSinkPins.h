#pragma once
// Sink pins that queue what they receive: buffers of whatever length come in
// on the delivering thread and are read out in blocks of a fixed length by
// the pin's user (the chart, each of whose channels owns one of each). The
// queued state (rate, block size, flags, queue) is a counted object the pin
// holds; a user that keeps it beyond the pin's life still may use it, and it
// never reaches the pin once the pin is gone.
#include "framework/streams/SLOWQueuedPinImpl.h"
#include "framework/streams/SLOWSinkPins.h"

// Adds the queued state to a buffer sink pin class.
template<class Base>
class TSLOWQueuedSinkPin : public Base {
public:
    TSLOWQueuedSinkPin(TComponent* owner, IOWLock* lock, TSLOWReceiveEvent onReceive = {})
        : Base(owner, lock, onReceive), queued_(OWMake<TSLOWQueuedPinImpl>(this->Borrow())), queuedPin_(queued_)
    {
    }

    TSLOWQueuedPinImpl& Queued() const { return *queued_; }
    const TOWIntf<IOWSLQueuedPin>& QueuedPin() const { return queuedPin_; }

private:
    TOWIntf<TSLOWQueuedPinImpl> queued_;
    TOWIntf<IOWSLQueuedPin> queuedPin_;
};

// Real and integer buffers (X values of a chart channel).
class TSLOWQueuedIntegerRealSinkPin : public TSLOWQueuedSinkPin<TSLOWComboRealIntSinkPin> {
public:
    using TSLOWQueuedSinkPin::TSLOWQueuedSinkPin;
    OW_TYPE_UNIT_CLASS(TSLOWQueuedIntegerRealSinkPin, TSLOWComboRealIntSinkPin)

    // One block of `count` samples out of the next block-size samples
    // queued (TSLOWQueuedPinImpl::ReadBlock): False, nothing taken, when
    // they are not all there.
    bool ReadBlock(std::int32_t count, SLRef<ISLData>& buffer) { return Queued().ReadBlock(count, buffer); }
};

// Real, integer, complex buffers and buffer pairs (a chart channel's samples).
class TSLOWComboRealIntComplexPairedQueuedSinkPin
    : public TSLOWQueuedSinkPin<TSLOWComboRealIntComplexPairedSinkPin> {
public:
    using TSLOWQueuedSinkPin::TSLOWQueuedSinkPin;
    OW_TYPE_UNIT_CLASS(TSLOWComboRealIntComplexPairedQueuedSinkPin, TSLOWComboRealIntComplexPairedSinkPin)
};
