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
// Every call into a joining sink (the start, the operation that found it
// first, each operation of the backlog, one at a time) is made only while
// the pin, the target and that very link are there and still being replayed:
// a sink that frees itself, unlinks or links anew from its handler hears
// nothing more of the old link.
//
// A sink that is unlinked gets a stop of its own, delivered once no link gate
// is held any more (SLDeliverDeferredStops), and not at all when the sink or
// its owner is being destroyed. While a send is under way (which may still be
// delivering to the sink) the sending thread delivers the stop when its send
// is done, so that no buffer follows the stop. A stop whose sink has been
// linked again since, to this pin or to another source, is dropped: the new
// link starts with its own start, and neither the old link's stop nor a
// buffer of a send of the old source under way follows it (the check and
// the delivery of a stop are one step against a new link, whose first
// delivery waits for the stop: OWLinkTicket.h). A sink that links again
// while its stop is being delivered has its start handed on by the thread
// that delivers the stop, right after it. A sink served directly is not
// held for a stop that a thread has taken but not begun to deliver: that
// stop will not be delivered any more, and the link hears its start when
// it is made. Streams are sent by one thread at a time.
#include "framework/pins/OWReceivers.h"
#include "framework/pins/OWSourcePin.h"
#include "framework/streams/OWScalarTypes.h"
#include "framework/streams/SLBufferTypes.h"

#include <atomic>
#include <deque>
#include <memory>
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
        // The sink's LinksMade when its link went: once the sink has been
        // linked again, to this pin or to any other, the stop is not
        // delivered.
        std::uint32_t LinksMade = 0;
        // Keeps a new link of the sink from hearing anything while the stop
        // is being delivered (OWLinkTicket.h).
        std::shared_ptr<const TOWKeptStop> Kept;
    };
    // Hands the stop to a send under way, or delivers it; drops it when the
    // sink has been linked again.
    void PassStop(const TStop& stop);

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
        // Names the link for good: a replay goes on only while its record is
        // there.
        std::uint64_t serial = 0;
        const TOWBasicPin* sink = nullptr;
        // What deliveries to the sink are made to: the sink, or the input of
        // the converter before it (known once the link is made).
        const TOWBasicPin* target = nullptr;
        bool targetKnown = false;
        TReplay replay = TReplay::None;
        bool connectPending = true;
        bool dependsOn = false;
        // The stop of the sink's former link is being delivered (or, behind
        // a converter, about to be): nobody hands the start on before it
        // has been.
        bool afterStop = false;
        TOWNotifyOperationRef replayed;
        std::deque<TQueued> backlog;
    };

    bool handle(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                const TOWNotifyOperationRef& operation);
    bool handleJoining(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                       const TOWNotifyOperationRef& operation);
    bool receive(const TGUID& streamType, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags);
    // Hands the start (unless null), the operation of the delivery that got
    // to the sink first (if any) and then the backlog on to the target of
    // the joining link `serial`; the answer is the one to `live`. No section
    // held.
    bool replay(const TOWBorrowed<TOWBasicPin>& target, std::uint64_t serial, const TQueued& start,
                const TQueued* live, const TOWSelfUse& self, TOWLinkTicket* ticket = nullptr);
    // Hands the backlog on, one operation at a time, until it is empty.
    void drain(const TOWUse<TOWBasicPin>& target, std::uint64_t serial, const TOWSelfUse& self);
    // After a call into the target: whether the replay of `serial` goes on.
    bool replaying(const TOWUse<TOWBasicPin>& target, std::uint64_t serial, const TOWSelfUse& self);
    // After a failed replay: deliveries go straight to the target again.
    void abandon(std::uint64_t serial);
    // True when a send under way took the stop over or it is not to be
    // delivered; otherwise it is counted as being delivered by the caller.
    bool handOff(const TStop& stop);
    // A stop this pin let a caller deliver has been; a start waiting for it
    // is handed on.
    void stopDelivered(const TOWBasicPin* sink, const TOWSelfUse& self);

    // Under a section.
    TJoining* joiningOfSerial(std::uint64_t serial);
    TJoining* joiningOfSink(const TOWBasicPin* sink);
    TJoining* joiningOfTarget(const TOWBasicPin* target);
    void setReplay(TJoining& joining, TReplay replay);
    // This thread hands the start on to the entry's target (the start to
    // serve in `start`, and the link's ticket when the target is the sink);
    // the serial of the link.
    std::uint64_t claimReplay(TJoining& joining, const TOWPinEntry& entry, TQueued& start,
                              TOWIntf<TOWLinkTicket>& ticket);
    // The replay is over: the record stays only for a connect still to come.
    void settle(TJoining& joining);
    void eraseJoining(const TOWBasicPin* sink);

    TNotifyEvent onConnect_;
    TSLOWReceiveEvent onReceive_;
    void deliverHandedStops(const TOWSelfUse& self);

    TOWNotifyOperationRef currentStart_;
    std::vector<TJoining> joining_;
    std::uint64_t joinings_ = 0;
    std::vector<TStop> handedStops_;
    // Stops a thread is delivering (or about to).
    std::vector<TStop> stopsInFlight_;
    std::vector<TStop>::iterator stopInFlight(const TOWBasicPin* sink);
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
