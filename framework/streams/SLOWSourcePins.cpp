#include "framework/streams/SLOWSourcePins.h"

#include "framework/buffers/SLRealBuffer.h"

#include <algorithm>
#include <exception>

namespace st = owStreamTypes;
namespace sl = slStreamTypes;

namespace {

struct TDeferredStop {
    TOWBorrowed<TOWBasicPin> source;
    TSLOWSourcePin::TStop stop;
};
thread_local std::vector<TDeferredStop> deferredStops;

bool ownerGoing(TOWBasicPin& pin)
{
    if (pin.IsOwnerDestroying())
        return true;
    const TComponent* owner = pin.GetOwnerComponent();
    return owner && owner->ComponentState().destroying;
}

// The buffer handler's rule for a call that is not an announcement.
bool passToStreamReceiver(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                          const TOWNotifyOperationRef& operation)
{
    if (IOWReceiver* receiver = OWQueryReceiver(target, OWGuidOf<ISLStreamReceiver>()))
        return receiver->Receive(streamType, operation, flags);
    return OWPassToReceiver(target, OWGuidOf<IOWNotifyReceiver>(), streamType, operation, flags);
}

void deliverStop(const TSLOWSourcePin::TStop& stop)
{
    auto sink = Use(stop.Sink);
    if (!sink || ownerGoing(*sink))
        return;
    // The check and the delivery are one step against a new link of the
    // sink, whose first delivery waits for the stop.
    const TOWLinkAdmission heard(stop.Kept ? stop.Kept->Ticket() : nullptr, stop.LinksMade, sink->LinksMade());
    if (heard)
        passToStreamReceiver(sink.Get(), stop.StreamType, owLastTargetFlag, OWMakeOperation<TOWStopOperation>());
}

std::vector<TOWPinEntry>::const_iterator entryOf(const std::vector<TOWPinEntry>& entries, const TOWBasicPin* sink)
{
    return std::find_if(entries.begin(), entries.end(), [&](const TOWPinEntry& e) { return e.Sink.Get() == sink; });
}

} // namespace

void SLDeliverDeferredStops()
{
    std::exception_ptr failure;
    while (!deferredStops.empty()) {
        const std::vector<TDeferredStop> stops = std::exchange(deferredStops, {});
        for (const TDeferredStop& deferred : stops) {
            try {
                auto source = Use(deferred.source);
                if (auto* pin = source ? dynamic_cast<TSLOWSourcePin*>(source.Get()) : nullptr)
                    pin->PassStop(deferred.stop);
                else
                    deliverStop(deferred.stop);
            } catch (...) {
                // The other sinks still get theirs.
                if (!failure)
                    failure = std::current_exception();
            }
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

// ---------------------------------------------------------------- TSLOWSourcePin

TSLOWSourcePin::TSLOWSourcePin(TComponent* owner, IOWLock* lock, TNotifyEvent onConnect, TSLOWReceiveEvent onReceive)
    : TOWReceivingPin<TOWSourcePin>(owner, lock), onConnect_(onConnect), onReceive_(onReceive)
{
    AddReceiver(OWGuidOf<ISLStreamReceiver>(), TOWReceiveMethod::Of<&TSLOWSourcePin::receive>(this));
    offer(st::Clock);
    offer(sl::Universal);
}

TSLOWSourcePin::~TSLOWSourcePin() = default;

void TSLOWSourcePin::offer(const TGUID& streamType)
{
    AddStreamType(streamType, TOWStreamHandler::Of<&TSLOWSourcePin::handle>(this));
}

TOWNotifyOperationRef TSLOWSourcePin::CurrentStart()
{
    auto section = ReadLocked();
    return section ? currentStart_ : nullptr;
}

bool TSLOWSourcePin::receive(const TGUID& streamType, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags)
{
    return onReceive_ && onReceive_(this, streamType, operation, flags);
}

bool TSLOWSourcePin::serve(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                           const TOWNotifyOperationRef& operation)
{
    if (streamType == st::Clock)
        return OWPassToReceiver(target, st::Clock, streamType, operation, flags);
    if (flags & owAnnounceFlag)
        return false;
    return passToStreamReceiver(target, streamType, flags, operation);
}

bool TSLOWSourcePin::SendOperation(const TOWNotifyOperationRef& operation)
{
    TOWSelfUse self(*this);
    if (!self)
        return false;
    // Recorded before the delivery: a sink that links while it is under way
    // is replayed this start, not the one before it.
    const bool start = OWOperationAs<TOWStartOperation>(operation) != nullptr;
    if (start || OWOperationAs<TOWStopOperation>(operation)) {
        auto section = WriteLocked();
        if (section) {
            currentStart_ = start ? operation : nullptr;
            // A sink whose link is being made may not be among the targets
            // of this delivery: whoever gets to it first hands the start on.
            for (TJoining& joining : joining_) {
                if (start && joining.replay == TReplay::None && joining.connectPending)
                    setReplay(joining, TReplay::Pending);
            }
        }
    }
    sending_.fetch_add(1, std::memory_order_seq_cst);
    bool result = false;
    try {
        result = TOWReceivingPin<TOWSourcePin>::SendOperation(operation);
    } catch (...) {
        sendEnded(self);
        throw;
    }
    sendEnded(self);
    return result;
}

void TSLOWSourcePin::sendEnded(const TOWSelfUse& self)
{
    // The last one out delivers the stops handed over meanwhile: another
    // send or replay still under way may still be delivering to their sinks.
    if (!self.Gone() && sending_.fetch_sub(1, std::memory_order_seq_cst) == 1 &&
        stopsHanded_.load(std::memory_order_seq_cst))
        deliverHandedStops(self);
}

void TSLOWSourcePin::PassStop(const TStop& stop)
{
    TOWSelfUse self(*this);
    if (!self || !handOff(stop))
        deliverStop(stop);
}

bool TSLOWSourcePin::handOff(const TStop& stop)
{
    const TOWBasicPin* sink = stop.Sink.Get();
    {
        auto section = WriteLocked();
        if (!section)
            return false;
        // Linked again (the record is there from the first step of the link
        // on): the new link starts with its own start.
        if (joiningOfSink(sink) || IsLinkedWith(const_cast<TOWBasicPin*>(sink)))
            return true;
        handedStops_.push_back(stop);
        stopsHanded_.store(true, std::memory_order_seq_cst);
    }
    // Either a send still under way sees the flag when it ends, or this
    // thread sees that none is: both read what the other wrote first.
    if (sending_.load(std::memory_order_seq_cst) > 0)
        return true;
    auto section = WriteLocked();
    if (!section)
        return false;
    auto it = std::find_if(handedStops_.begin(), handedStops_.end(), [&](const TStop& s) { return s.Sink == sink; });
    if (it == handedStops_.end())
        return true;
    handedStops_.erase(it);
    if (handedStops_.empty())
        stopsHanded_.store(false, std::memory_order_seq_cst);
    return false;
}

void TSLOWSourcePin::deliverHandedStops(const TOWSelfUse& self)
{
    std::vector<TStop> stops;
    {
        auto section = WriteLocked();
        if (!section)
            return;
        stops = std::exchange(handedStops_, {});
        stopsHanded_.store(false, std::memory_order_seq_cst);
    }
    for (std::size_t done = 0; done < stops.size() && !self.Gone(); ++done)
        deliverStop(stops[done]);
}

// ---------------------------------------------------------------- joining sinks

TSLOWSourcePin::TJoining* TSLOWSourcePin::joiningOfSerial(std::uint64_t serial)
{
    auto it = std::find_if(joining_.begin(), joining_.end(), [&](const TJoining& j) { return j.serial == serial; });
    return it == joining_.end() ? nullptr : &*it;
}

TSLOWSourcePin::TJoining* TSLOWSourcePin::joiningOfSink(const TOWBasicPin* sink)
{
    auto it = std::find_if(joining_.begin(), joining_.end(), [&](const TJoining& j) { return j.sink == sink; });
    return it == joining_.end() ? nullptr : &*it;
}

TSLOWSourcePin::TJoining* TSLOWSourcePin::joiningOfTarget(const TOWBasicPin* target)
{
    auto it = std::find_if(joining_.begin(), joining_.end(), [&](const TJoining& j) { return j.target == target; });
    if (it != joining_.end())
        return &*it;
    // A link just made through a converter: the entry is there before its
    // record knows the converter. The first entry through a target is the
    // one deliveries to all use.
    if (std::none_of(joining_.begin(), joining_.end(), [](const TJoining& j) { return !j.targetKnown; }))
        return nullptr;
    const auto entries = SinkEntries();
    auto entry = std::find_if(entries.begin(), entries.end(),
                              [&](const TOWPinEntry& e) { return e.Target.Get() == target; });
    if (entry == entries.end())
        return nullptr;
    TJoining* joining = joiningOfSink(entry->Sink.Get());
    if (joining && !joining->targetKnown) {
        joining->target = target;
        joining->targetKnown = true;
    }
    return joining;
}

void TSLOWSourcePin::setReplay(TJoining& joining, TReplay replay)
{
    if (replay == TReplay::Replaying)
        joining.held = 0;
    const bool wasOpen = joining.replay != TReplay::None;
    const bool open = replay != TReplay::None;
    joining.replay = replay;
    if (open != wasOpen)
        replaysOpen_.fetch_add(open ? 1 : -1, std::memory_order_acq_rel);
}

std::uint64_t TSLOWSourcePin::claimReplay(TJoining& joining, const TOWPinEntry& entry, TQueued& start,
                                          TOWIntf<TOWLinkTicket>& ticket)
{
    if (entry.Target.Get() == entry.Sink.Get())
        ticket = entry.Ticket;
    joining.target = entry.Target.Get();
    joining.targetKnown = true;
    setReplay(joining, TReplay::Replaying);
    joining.replayed = currentStart_;
    start = {entry.StreamType, owLastTargetFlag, currentStart_};
    return joining.serial;
}

void TSLOWSourcePin::settle(TJoining& joining)
{
    setReplay(joining, TReplay::None);
    joining.replayed = nullptr;
    joining.backlog.clear();
    if (!joining.connectPending)
        eraseJoining(joining.sink);
}

void TSLOWSourcePin::eraseJoining(const TOWBasicPin* sink)
{
    auto it = std::find_if(joining_.begin(), joining_.end(), [&](const TJoining& j) { return j.sink == sink; });
    if (it == joining_.end())
        return;
    setReplay(*it, TReplay::None);
    joining_.erase(it);
}

bool TSLOWSourcePin::handle(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                            const TOWNotifyOperationRef& operation)
{
    if ((flags & owAnnounceFlag) || replaysOpen_.load(std::memory_order_acquire) == 0)
        return serve(target, streamType, flags, operation);
    return handleJoining(target, streamType, flags, operation);
}

bool TSLOWSourcePin::handleJoining(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                                   const TOWNotifyOperationRef& operation)
{
    TOWSelfUse self(*this);
    enum class TStep : std::uint8_t { Serve, Replay, AwaitReplay, Done } step = TStep::Serve;
    TQueued start{};
    std::uint64_t serial = 0;
    std::shared_ptr<TReplayMark> mark;
    {
        auto section = WriteLocked();
        TJoining* joining = section ? joiningOfTarget(target) : nullptr;
        switch (joining ? joining->replay : TReplay::None) {
        case TReplay::None:
            break;
        case TReplay::Pending:
            // This thread gets there first: it replays the start itself,
            // and this operation right after it.
            setReplay(*joining, TReplay::Replaying);
            joining->replayed = currentStart_;
            serial = joining->serial;
            mark = joining->mark;
            if (currentStart_ != operation)
                start = {streamType, static_cast<TOWHandlerFlags>(flags & ~owLastTargetFlag), currentStart_};
            step = TStep::Replay;
            break;
        case TReplay::Replaying:
            // Another thread is handing the start on (the start itself it
            // has): this operation follows it from the backlog, or, once the
            // backlog has taken its share, when that thread is done.
            serial = joining->serial;
            if (operation == joining->replayed || hold(*joining, {streamType, flags, operation}))
                step = TStep::Done;
            else
                step = TStep::AwaitReplay;
            break;
        case TReplay::Replayed:
            step = operation == joining->replayed ? TStep::Done : TStep::Serve;
            settle(*joining);
            break;
        }
    }
    const TQueued live{streamType, flags, operation};
    switch (step) {
    case TStep::Done:
        return true;
    case TStep::Serve:
        return serve(target, streamType, flags, operation);
    case TStep::AwaitReplay:
        return afterReplay(target, serial, live, self);
    case TStep::Replay:
        break;
    }
    return replay(target->Borrow(), serial, std::move(mark), start, &live, self);
}

bool TSLOWSourcePin::afterReplay(TOWBasicPin* target, std::uint64_t serial, const TQueued& live,
                                 const TOWSelfUse& self)
{
    // Kept across the wait: the sink's destruction may go on meanwhile when
    // it waits for this thread in turn.
    const TOWBorrowed<TOWBasicPin> served = target->Borrow();
    std::shared_ptr<TReplayMark> mark;
    TOWIntf<TOWLinkTicket> ticket;
    {
        auto section = WriteLocked();
        if (!section)
            return false;
        if (TJoining* joining = joiningOfSerial(serial); joining && joining->replay == TReplay::Replaying) {
            mark = joining->mark;
            ticket = joining->ticket;
        }
    }
    if (mark) {
        const TReplayMark* waited = mark.get();
        owThreadUses::WaitForOthers(
            waited, [waited] { return waited->replaying.load(std::memory_order_seq_cst); }, [] { return false; });
        if (self.Gone())
            return false;
        auto section = WriteLocked();
        if (!section)
            return false;
        if (TJoining* joining = joiningOfSerial(serial); joining && joining->replay == TReplay::Replaying) {
            // Let go for the replaying thread's own send, or because that
            // thread waits for this one: the operation follows the start
            // from the backlog, or is dropped.
            if (!hold(*joining, live))
                dropped_.fetch_add(1, std::memory_order_relaxed);
            return true;
        }
        if (ticket && !ticket->Stands())
            return false;
    }
    auto sink = Use(served);
    return sink && !self.Gone() && serve(sink.Get(), live.streamType, live.flags, live.operation);
}

bool TSLOWSourcePin::hold(TJoining& joining, TQueued queued)
{
    // The share of one replay: a link comes to an end however fast the
    // senders are, and they pace themselves by the sink from there on.
    constexpr std::size_t maxHeld = 128;
    const bool framing = OWOperationAs<TOWStartOperation>(queued.operation) ||
                         OWOperationAs<TOWStopOperation>(queued.operation);
    if (joining.held >= maxHeld && !framing)
        return false;
    ++joining.held;
    joining.backlog.push_back(std::move(queued));
    return true;
}

bool TSLOWSourcePin::replay(const TOWBorrowed<TOWBasicPin>& target, std::uint64_t serial,
                            std::shared_ptr<TReplayMark> mark, const TQueued& start, const TQueued* live,
                            const TOWSelfUse& self, TOWLinkTicket* ticket)
{
    // Sends that reach the sink meanwhile wait for this thread (and see
    // through it when it waits for them in turn).
    struct TReplaying {
        explicit TReplaying(std::shared_ptr<TReplayMark> m) : mark(std::move(m))
        {
            mark->replaying.fetch_add(1, std::memory_order_seq_cst);
            owThreadUses::Push(mark.get());
        }
        TReplaying(const TReplaying&) = delete;
        TReplaying& operator=(const TReplaying&) = delete;
        ~TReplaying()
        {
            owThreadUses::Pop(mark.get());
            mark->replaying.fetch_sub(1, std::memory_order_seq_cst);
        }
        std::shared_ptr<TReplayMark> mark;
    } replayingMark(std::move(mark));
    auto served = Use(target);
    bool result = false;
    try {
        if (!served) {
            abandon(serial);
            return false;
        }
        // A replay outside a delivery is admitted like one: not once the
        // sink has been linked anew.
        const TOWLinkAdmission heard(ticket);
        if (!heard) {
            abandon(serial);
            return false;
        }
        if (start.operation) {
            serve(served.Get(), start.streamType, start.flags, start.operation);
            if (!replaying(served, serial, self))
                return false;
        }
        if (live) {
            result = serve(served.Get(), live->streamType, live->flags, live->operation);
            if (!replaying(served, serial, self))
                return result;
        }
        drain(served, serial, self);
    } catch (...) {
        if (!self.Gone())
            abandon(serial);
        throw;
    }
    return result;
}

bool TSLOWSourcePin::replaying(const TOWUse<TOWBasicPin>& target, std::uint64_t serial, const TOWSelfUse& self)
{
    if (self.Gone() || !target)
        return false;
    auto section = ReadLocked();
    const TJoining* joining = section ? joiningOfSerial(serial) : nullptr;
    return joining && joining->replay == TReplay::Replaying;
}

void TSLOWSourcePin::drain(const TOWUse<TOWBasicPin>& target, std::uint64_t serial, const TOWSelfUse& self)
{
    for (;;) {
        TQueued next;
        {
            auto section = WriteLocked();
            TJoining* joining = section ? joiningOfSerial(serial) : nullptr;
            if (!joining || joining->replay != TReplay::Replaying)
                return;
            if (joining->backlog.empty()) {
                setReplay(*joining, TReplay::Replayed);
                return;
            }
            next = std::move(joining->backlog.front());
            joining->backlog.pop_front();
            if (next.operation == joining->replayed)
                continue;
        }
        serve(target.Get(), next.streamType, next.flags, next.operation);
        if (self.Gone() || !target)
            return;
    }
}

void TSLOWSourcePin::abandon(std::uint64_t serial)
{
    auto section = WriteLocked();
    if (!section)
        return;
    if (TJoining* joining = joiningOfSerial(serial))
        settle(*joining);
}

// ---------------------------------------------------------------- links

void TSLOWSourcePin::AddLink(TOWBasicPin* sink, TOWBasicPin* dependsOn)
{
    TOWSelfUse self(*this);
    if (!self || !sink) {
        TOWReceivingPin<TOWSourcePin>::AddLink(sink, dependsOn);
        return;
    }
    const std::vector<TOWPinEntry> before = SinkEntries();
    const bool fresh = entryOf(before, sink) == before.end();
    if (fresh) {
        // Marked before the entry exists, so that no delivery reaches the
        // sink unmarked.
        auto section = WriteLocked();
        if (section) {
            eraseJoining(sink);
            TJoining joining;
            joining.serial = ++joinings_;
            joining.sink = joining.target = sink;
            joining.dependsOn = dependsOn != nullptr;
            // The stop of the sink's former link, handed to a send under way,
            // would reach the new link: it goes. One being delivered has
            // been by now: the link waited for it.
            std::erase_if(handedStops_, [&](const TStop& stop) { return stop.Sink == sink; });
            stopsHanded_.store(!handedStops_.empty(), std::memory_order_seq_cst);
            joining_.push_back(std::move(joining));
            if (currentStart_)
                setReplay(joining_.back(), TReplay::Pending);
        }
    }
    TOWReceivingPin<TOWSourcePin>::AddLink(sink, dependsOn);
    if (!fresh || self.Gone())
        return;
    const std::vector<TOWPinEntry> entries = SinkEntries();
    const auto entry = entryOf(entries, sink);
    auto section = WriteLocked();
    if (!section)
        return;
    if (entry == entries.end()) {
        eraseJoining(sink);
        return;
    }
    TJoining* joining = joiningOfSink(sink);
    if (!joining)
        return;
    joining->target = entry->Target.Get();
    joining->targetKnown = true;
    if (joining->target == sink)
        joining->ticket = entry->Ticket;
    // Behind a converter that already serves other sinks the start comes
    // from the converter's output, which replays its own.
    const bool shared = joining->target != sink && std::any_of(entries.begin(), entry, [&](const TOWPinEntry& e) {
                            return e.Target.Get() == joining->target;
                        });
    if (shared)
        setReplay(*joining, TReplay::None);
}

void TSLOWSourcePin::AnnounceTo(TOWBasicPin* sink)
{
    TOWSelfUse self(*this);
    if (!self)
        return;
    SLDeliverDeferredStops();
    TOWReceivingPin<TOWSourcePin>::AnnounceTo(sink);
    if (self.Gone())
        return;
    // Under way like a send from before the start is claimed: a stop for
    // the sink, unlinked meanwhile, is handed to this thread and follows the
    // start.
    sending_.fetch_add(1, std::memory_order_seq_cst);
    bool connectAfter = false;
    try {
        connectAfter = handOnStart(sink, self);
    } catch (...) {
        sendEnded(self);
        throw;
    }
    sendEnded(self);
    if (connectAfter && !self.Gone() && onConnect_)
        onConnect_(this);
}

bool TSLOWSourcePin::handOnStart(TOWBasicPin* sink, const TOWSelfUse& self)
{
    TQueued start{};
    TOWBorrowed<TOWBasicPin> target;
    TOWIntf<TOWLinkTicket> ticket;
    std::uint64_t serial = 0;
    std::shared_ptr<TReplayMark> mark;
    bool replayNow = false;
    bool connect = false;
    bool dependsOn = false;
    {
        const std::vector<TOWPinEntry> entries = SinkEntries();
        const auto entry = entryOf(entries, sink);
        auto section = WriteLocked();
        TJoining* joining = section ? joiningOfSink(sink) : nullptr;
        if (!joining)
            return false;
        connect = std::exchange(joining->connectPending, false);
        dependsOn = joining->dependsOn;
        if (joining->replay == TReplay::Pending && entry != entries.end()) {
            serial = claimReplay(*joining, *entry, start, ticket);
            target = entry->Target;
            mark = joining->mark;
            replayNow = true;
        } else if (joining->replay == TReplay::None) {
            eraseJoining(sink);
        }
    }
    // Read from a form stream, the link is told to the owner before the
    // stream's start reaches it; made directly, after.
    if (connect && dependsOn && onConnect_) {
        onConnect_(this);
        if (self.Gone())
            return false;
    }
    if (replayNow)
        replay(target, serial, std::move(mark), start, nullptr, self, ticket.Get());
    return connect && !dependsOn;
}

void TSLOWSourcePin::RemoveLink(TOWBasicPin* sink, bool keepPlaceholder)
{
    TOWSelfUse self(*this);
    if (self && sink) {
        const std::vector<TOWPinEntry> entries = SinkEntries();
        const auto entry = entryOf(entries, sink);
        // Behind a converter the converter's output sends the stop.
        const bool direct = entry != entries.end() && entry->Target.Get() == sink;
        const bool told = std::any_of(deferredStops.begin(), deferredStops.end(), [&](const TDeferredStop& d) {
            return d.source.Get() == this && d.stop.Sink.Get() == sink;
        });
        if (direct && !told)
            deferredStops.push_back({Borrow(),
                                     {entry->Sink, entry->StreamType, sink->LinksMade(),
                                      std::make_shared<const TOWKeptStop>(entry->Ticket)}});
    }
    std::uint64_t serial = 0;
    if (self) {
        auto section = ReadLocked();
        const TJoining* joining = section ? joiningOfSink(sink) : nullptr;
        serial = joining ? joining->serial : 0;
    }
    TOWReceivingPin<TOWSourcePin>::RemoveLink(sink, keepPlaceholder);
    // Only once the entry has gone: until then deliveries with the entry
    // still wait in the backlog, which goes with the record.
    if (serial == 0 || self.Gone())
        return;
    auto section = WriteLocked();
    if (TJoining* joining = section ? joiningOfSerial(serial) : nullptr)
        eraseJoining(joining->sink);
}

void TSLOWSourcePin::LinkRemoved()
{
    TOWReceivingPin<TOWSourcePin>::LinkRemoved();
    SLDeliverDeferredStops();
}

void TSLOWSourcePin::DisconnectAll()
{
    TOWReceivingPin<TOWSourcePin>::DisconnectAll();
    SLDeliverDeferredStops();
}

void TSLOWSourcePin::Disconnect(TOWBasicPin* pin)
{
    TOWReceivingPin<TOWSourcePin>::Disconnect(pin);
    SLDeliverDeferredStops();
}

void TSLOWSourcePin::PinDestroying(TOWBasicPin* pin)
{
    TOWReceivingPin<TOWSourcePin>::PinDestroying(pin);
    SLDeliverDeferredStops();
}

// ---------------------------------------------------------------- typed sources

TSLOWBinarySourcePin::TSLOWBinarySourcePin(TComponent* owner, IOWLock* lock, TNotifyEvent onConnect,
                                           TSLOWReceiveEvent onReceive)
    : TSLOWSourcePin(owner, lock, onConnect, onReceive)
{
    offer(sl::BinaryArray);
}

TSLOWRealSourcePin::TSLOWRealSourcePin(TComponent* owner, IOWLock* lock, TNotifyEvent onConnect,
                                       TSLOWReceiveEvent onReceive, bool floatOption)
    : TSLOWSourcePin(owner, lock, onConnect, onReceive)
{
    if (floatOption)
        offer(st::FloatSingle);
    offer(sl::RealArray);
}

bool TSLOWRealSourcePin::serve(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                               const TOWNotifyOperationRef& operation)
{
    if (streamType != st::FloatSingle)
        return TSLOWSourcePin::serve(target, streamType, flags, operation);
    // A "Float single" sink hears the first sample of each buffer.
    const auto* supplied = OWOperationAs<TOWSuppliedBufferOperation>(operation);
    if ((flags & owAnnounceFlag) || !supplied)
        return false;
    IOWReceiver* receiver = OWQueryReceiver(target, st::FloatSingle);
    const SLRef<ISLRealBuffer> buffer = intfCast<ISLRealBuffer>(supplied->Buffer());
    if (!receiver || !buffer || buffer->GetCount() == 0)
        return false;
    const float first = static_cast<float>(buffer->GetReadPointer()[0]);
    return receiver->Receive(streamType, OWMakeOperation<TOWSuppliedSingleOperation>(first), flags);
}

TSLOWStringSourcePin::TSLOWStringSourcePin(TComponent* owner, IOWLock* lock, TNotifyEvent onConnect,
                                           TSLOWReceiveEvent onReceive)
    : TSLOWSourcePin(owner, lock, onConnect, onReceive)
{
    offer(st::StringSingle);
    offer(sl::String);
}

bool TSLOWStringSourcePin::serve(TOWBasicPin* target, const TGUID& streamType, TOWHandlerFlags flags,
                                 const TOWNotifyOperationRef& operation)
{
    if (streamType != st::StringSingle)
        return TSLOWSourcePin::serve(target, streamType, flags, operation);
    if ((flags & owAnnounceFlag) || !OWOperationAs<TOWSuppliedOperation>(operation))
        return false;
    return OWPassToReceiver(target, st::StringSingle, streamType, operation, flags);
}

TSLOWRealMatrixSourcePin::TSLOWRealMatrixSourcePin(TComponent* owner, IOWLock* lock, TNotifyEvent onConnect,
                                                   TSLOWReceiveEvent onReceive)
    : TSLOWSourcePin(owner, lock, onConnect, onReceive)
{
    offer(sl::RealMatrix);
}
