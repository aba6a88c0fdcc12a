#pragma once
// Source pins of the buffer stream types. A buffer stream is framed by a
// start and a stop operation; the pin keeps the last start it sent
// (CurrentStart) and replays it to every sink that links while the stream
// runs, so that a sink sees the start of a stream before any of its buffers.
//
// A sink linked while another thread sends: the start is recorded before it
// is delivered, and the new sink is marked as joining in the same step that
// makes it a target. Until the start has reached it, deliveries to it are
// held back in its backlog (never blocked) by whichever thread delivers, and
// handed on in order right after the start, by the thread that replays it:
// the linking thread once the link is complete, or the sending thread when
// its delivery reaches the sink first.
//
// A sink that is unlinked gets a stop of its own, delivered once no link gate
// is held any more (SLDeliverDeferredStops), and not at all when the sink or
// its owner is being destroyed. While a send is under way (which may still be
// delivering to the sink) the sending thread delivers the stop when its send
// is done, so that no buffer follows the stop. Streams are sent by one
// thread at a time.
#include "framework/OWReceivers.h"
#include "framework/OWScalarTypes.h"
#include "framework/OWSourcePin.h"
#include "framework/SLBufferTypes.h"

#include <atomic>
#include <vector>

class TSLOWSourcePin : public TOWReceivingPin<TOWSourcePin> {
public:
    TSLOWSourcePin(TComponent* owner, IOWLock* lock, TNotifyEvent onConnect = {}, TSLOWReceiveEvent onReceive = {});
    ~TSLOWSourcePin() override;
    OW_TYPE_UNIT_CLASS(TSLOWSourcePin, TOWSourcePin)

    // Records a start or a stop first, then delivers.
    bool SendOperation(const TOWNotifyOperationRef& operation) override;
    void AddLink(TOWBasicPin* sink, TOWBasicPin* dependsOn) override;
    void RemoveLink(TOWBasicPin* sink, bool keepPlaceholder) override;
    void AnnounceTo(TOWBasicPin* sink) override;
    void LinkRemoved() override;
    void DisconnectAll() override;
    void Disconnect(TOWBasicPin* pin) override;
    void PinDestroying(TOWBasicPin* pin) override;

    // The start of the stream in progress; null between a stop and a start.
    TOWNotifyOperationRef CurrentStart();

    // A stop for a sink this pin no longer serves.
    struct TStop {
        TOWBorrowed<TOWBasicPin> Sink;
        TGUID StreamType;
    };
    // True when a send under way takes the stop over; otherwise the caller
    // delivers it.
    bool HandOffStop(const TStop& stop);

protected:
    // Serves one target with the rules of the stream type. The buffer
    // handler and the clock handler here; descendants add the rules of the
    // types they offer.
    virtual bool serve(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                       const TOWNotifyOperationRef& operation);
    // Offers the type (after the types offered already).
    void offer(const TGUID& streamType);

private:
    enum class TReplay : std::uint8_t { None, Pending, Replaying, Replayed };
    struct TQueued {
        TGUID streamType;
        TOWHandlerFlags flags;
        TOWNotifyOperationRef operation;
    };
    // A sink from its link until it has been connected and its start replayed.
    struct TJoining {
        const TOWBasicPin* sink = nullptr;
        // What deliveries to the sink are made to: the sink, or the input of
        // the converter before it (known once the link is made).
        const TOWBasicPin* target = nullptr;
        bool targetKnown = false;
        TReplay replay = TReplay::None;
        bool connectPending = true;
        bool dependsOn = false;
        TOWNotifyOperationRef replayed;
        std::vector<TQueued> backlog;
    };

    bool handle(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                const TOWNotifyOperationRef& operation);
    bool handleJoining(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                       const TOWNotifyOperationRef& operation);
    bool receive(const TGUID& streamType, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags);
    // Hands the backlog on until it is empty. No section held.
    void drain(TOWBasicPin* target, const TOWSelfUse& self);
    // After a failed replay: deliveries go straight to the target again.
    void abandon(const TOWBasicPin* target);

    // Under a section.
    TJoining* joiningOfSink(const TOWBasicPin* sink);
    TJoining* joiningOfTarget(const TOWBasicPin* target);
    void setReplay(TJoining& joining, TReplay replay);
    // The replay is over: the record stays only for a connect still to come.
    void settle(TJoining& joining);
    void eraseJoining(const TOWBasicPin* sink);

    TNotifyEvent onConnect_;
    TSLOWReceiveEvent onReceive_;
    void deliverHandedStops();

    TOWNotifyOperationRef currentStart_;
    std::vector<TJoining> joining_;
    std::vector<TStop> handedStops_;
    std::atomic<int> sending_{0};
    std::atomic<bool> stopsHanded_{false};
    // Joining sinks whose start is not settled: while there are none,
    // deliveries take no section.
    std::atomic<int> replaysOpen_{0};
};

class TSLOWBinarySourcePin : public TSLOWSourcePin {
public:
    TSLOWBinarySourcePin(TComponent* owner, IOWLock* lock, TNotifyEvent onConnect = {},
                         TSLOWReceiveEvent onReceive = {});
    OW_TYPE_UNIT_CLASS(TSLOWBinarySourcePin, TSLOWSourcePin)
};

// With its float option it also feeds "Float single" sinks the first sample
// of every buffer.
class TSLOWRealSourcePin : public TSLOWSourcePin {
public:
    TSLOWRealSourcePin(TComponent* owner, IOWLock* lock, TNotifyEvent onConnect = {}, TSLOWReceiveEvent onReceive = {},
                       bool floatOption = false);
    OW_TYPE_UNIT_CLASS(TSLOWRealSourcePin, TSLOWSourcePin)

protected:
    bool serve(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
               const TOWNotifyOperationRef& operation) override;
};

class TSLOWStringSourcePin : public TSLOWSourcePin {
public:
    TSLOWStringSourcePin(TComponent* owner, IOWLock* lock, TNotifyEvent onConnect = {},
                         TSLOWReceiveEvent onReceive = {});
    OW_TYPE_UNIT_CLASS(TSLOWStringSourcePin, TSLOWSourcePin)

protected:
    bool serve(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
               const TOWNotifyOperationRef& operation) override;
};

class TSLOWRealMatrixSourcePin : public TSLOWSourcePin {
public:
    TSLOWRealMatrixSourcePin(TComponent* owner, IOWLock* lock, TNotifyEvent onConnect = {},
                             TSLOWReceiveEvent onReceive = {});
    OW_TYPE_UNIT_CLASS(TSLOWRealMatrixSourcePin, TSLOWSourcePin)
};

// Delivers the stops of the links this thread has removed. Called where no
// link gate is held: after an unlink, by the pins of both ends.
void SLDeliverDeferredStops();
