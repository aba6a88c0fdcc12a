#pragma once
// Source pins of the buffer stream types. A buffer stream is framed by a
// start and a stop operation; the pin keeps the last start it sent
// (CurrentStart) and replays it to every sink that links while the stream
// runs, so that a sink sees the start of a stream before any of its buffers.
//
// A sink linked while another thread sends: the start is recorded before it
// is delivered, and the new sink is marked as joining in the same step that
// makes it a target. Whichever thread gets to it first hands the start on:
// the linking thread once the link is complete, or a sending thread whose
// delivery reaches the sink first (its own operation right after the
// start). A send that reaches the sink while another thread hands the start
// on leaves its operation to that thread, in the sink's backlog, handed on
// in order right after the start, without waiting. The backlog takes a
// bounded share of operations per replay, so that the link ends however
// fast the senders are: past it a send waits until the replay is done and
// then serves the sink itself, as any send paces itself by the sinks it
// serves. Only a send that may not wait for it (the replaying thread's own,
// or one that thread waits for in turn) drops a buffer past the share, and
// counts it (Dropped); a start or a stop always goes in.
//
// Every call into a joining sink (the start, the operation that found it
// first, each operation of the backlog, one at a time) is made only while
// the pin, the target and that very link are there and still being replayed:
// a sink that frees itself, unlinks or links anew from its handler hears
// nothing more of the old link; a send that waited for the start delivers
// nothing when that link went meanwhile.
//
// A sink that is unlinked gets a stop of its own, delivered once no link gate
// is held any more (SLDeliverDeferredStops), and not at all when the sink or
// its owner is being destroyed. While a send or a replay is under way (which
// may still be delivering to the sink) the last of them to end delivers the
// stop, so that neither a buffer nor the start follows the stop. A stop is dropped once a new
// link of its sink has been begun, to this pin or to another source: the new
// link starts with its own start, and is made only once a stop being
// delivered has been (OWLinkTicket.h). Streams are sent by one thread at a
// time.
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
        // The sink's LinksMade when its link went: once a new link of the
        // sink has been begun, to this pin or to any other, the stop is not
        // delivered.
        std::uint32_t LinksMade = 0;
        // Keeps a new link of the sink from being made while the stop is
        // being delivered (OWLinkTicket.h).
        std::shared_ptr<const TOWKeptStop> Kept;
    };
    // Hands the stop to a send under way, or delivers it; drops it when a
    // new link of the sink has been begun.
    void PassStop(const TStop& stop);

    // Buffers a sink's backlog had no room for (see above).
    std::uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

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
    // Counts the thread that hands a start on (on its record of uses too), so
    // that a send waiting for it sees through a thread that waits for the
    // send in turn.
    struct TReplayMark {
        std::atomic<std::int32_t> replaying{0};
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
        TOWNotifyOperationRef replayed;
        std::deque<TQueued> backlog;
        // Operations held in the backlog by the replay under way.
        std::size_t held = 0;
        std::shared_ptr<TReplayMark> mark = std::make_shared<TReplayMark>();
        // The link's ticket when the sink is served directly (known once the
        // link is made): a send that waited tells by it whether the link
        // still stands.
        TOWIntf<TOWLinkTicket> ticket;
    };

    bool handle(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                const TOWNotifyOperationRef& operation);
    bool handleJoining(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                       const TOWNotifyOperationRef& operation);
    // A send that found another thread handing the start on to `target`:
    // waits for it, then serves the target unless the link went meanwhile.
    bool afterReplay(TOWBasicPin* target, std::uint64_t serial, const TQueued& live, const TOWSelfUse& self);
    bool receive(const TGUID& streamType, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags);
    // Hands the start (unless null), the operation of the delivery that got
    // to the sink first (if any) and then the backlog on to the target of
    // the joining link `serial`; the answer is the one to `live`. No section
    // held.
    bool replay(const TOWBorrowed<TOWBasicPin>& target, std::uint64_t serial, std::shared_ptr<TReplayMark> mark,
                const TQueued& start, const TQueued* live, const TOWSelfUse& self, TOWLinkTicket* ticket = nullptr);
    // Of AnnounceTo: the owner told of a link read from a stream, and the
    // start replayed unless a send got there first; whether the owner is
    // still to be told.
    bool handOnStart(TOWBasicPin* sink, const TOWSelfUse& self);
    // Hands the backlog on, one operation at a time, until it is empty.
    void drain(const TOWUse<TOWBasicPin>& target, std::uint64_t serial, const TOWSelfUse& self);
    // After a call into the target: whether the replay of `serial` goes on.
    bool replaying(const TOWUse<TOWBasicPin>& target, std::uint64_t serial, const TOWSelfUse& self);
    // After a failed replay: deliveries go straight to the target again.
    void abandon(std::uint64_t serial);
    // Under a section: into the backlog, unless the replay's share of it
    // is taken (a start or a stop always goes in).
    bool hold(TJoining& joining, TQueued queued);
    // True when a send under way took the stop over or it is not to be
    // delivered; otherwise the caller delivers it.
    bool handOff(const TStop& stop);

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
    // A send or a replay (counted in sending_) has ended.
    void sendEnded(const TOWSelfUse& self);

    TOWNotifyOperationRef currentStart_;
    std::vector<TJoining> joining_;
    std::uint64_t joinings_ = 0;
    std::vector<TStop> handedStops_;
    // Sends and replays under way.
    std::atomic<int> sending_{0};
    std::atomic<bool> stopsHanded_{false};
    // Joining sinks whose start is not settled: while there are none,
    // deliveries take no section.
    std::atomic<int> replaysOpen_{0};
    std::atomic<std::uint64_t> dropped_{0};
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
