#include "framework/SLOWSourcePins.h"

#include "framework/SLRealBuffer.h"

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
    if (sink && !ownerGoing(*sink))
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
                auto* pin = source ? dynamic_cast<TSLOWSourcePin*>(source.Get()) : nullptr;
                if (!pin || !pin->HandOffStop(deferred.stop))
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
        if (section)
            currentStart_ = start ? operation : nullptr;
    }
    sending_.fetch_add(1, std::memory_order_seq_cst);
    bool result = false;
    try {
        result = TOWReceivingPin<TOWSourcePin>::SendOperation(operation);
    } catch (...) {
        if (!self.Gone() && sending_.fetch_sub(1, std::memory_order_seq_cst) == 1)
            deliverHandedStops();
        throw;
    }
    if (self.Gone())
        return result;
    sending_.fetch_sub(1, std::memory_order_seq_cst);
    if (stopsHanded_.load(std::memory_order_seq_cst))
        deliverHandedStops();
    return result;
}

bool TSLOWSourcePin::HandOffStop(const TStop& stop)
{
    {
        auto section = WriteLocked();
        if (!section)
            return false;
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
    auto it = std::find_if(handedStops_.begin(), handedStops_.end(),
                           [&](const TStop& s) { return s.Sink == stop.Sink.Get(); });
    if (it == handedStops_.end())
        return true;
    handedStops_.erase(it);
    if (handedStops_.empty())
        stopsHanded_.store(false, std::memory_order_seq_cst);
    return false;
}

void TSLOWSourcePin::deliverHandedStops()
{
    std::vector<TStop> stops;
    {
        auto section = WriteLocked();
        if (!section)
            return;
        stops = std::exchange(handedStops_, {});
        stopsHanded_.store(false, std::memory_order_seq_cst);
    }
    for (const TStop& stop : stops)
        deliverStop(stop);
}

// ---------------------------------------------------------------- joining sinks

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
    const bool wasOpen = joining.replay != TReplay::None;
    const bool open = replay != TReplay::None;
    joining.replay = replay;
    if (open != wasOpen)
        replaysOpen_.fetch_add(open ? 1 : -1, std::memory_order_acq_rel);
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
    enum class TStep : std::uint8_t { Serve, Replay, Held, Done } step = TStep::Serve;
    TOWNotifyOperationRef start;
    {
        auto section = WriteLocked();
        TJoining* joining = section ? joiningOfTarget(target) : nullptr;
        switch (joining ? joining->replay : TReplay::None) {
        case TReplay::None:
            break;
        case TReplay::Pending:
            // This thread gets there first: it replays the start itself.
            setReplay(*joining, TReplay::Replaying);
            start = joining->replayed = currentStart_;
            step = TStep::Replay;
            break;
        case TReplay::Replaying:
            // Another thread is handing the start on: this operation follows it.
            if (operation != joining->replayed)
                joining->backlog.push_back({streamType, flags, operation});
            step = TStep::Held;
            break;
        case TReplay::Replayed:
            step = operation == joining->replayed ? TStep::Done : TStep::Serve;
            settle(*joining);
            break;
        }
    }
    if (step == TStep::Held || step == TStep::Done)
        return true;
    if (step == TStep::Serve)
        return serve(target, streamType, flags, operation);
    try {
        if (start && start != operation)
            serve(target, streamType, static_cast<TOWHandlerFlags>(flags & ~owLastTargetFlag), start);
        if (self.Gone())
            return false;
        const bool result = serve(target, streamType, flags, operation);
        if (!self.Gone())
            drain(target, self);
        return result;
    } catch (...) {
        if (!self.Gone())
            abandon(target);
        throw;
    }
}

void TSLOWSourcePin::drain(TOWBasicPin* target, const TOWSelfUse& self)
{
    for (;;) {
        std::vector<TQueued> queued;
        {
            auto section = WriteLocked();
            TJoining* joining = section ? joiningOfTarget(target) : nullptr;
            if (!joining || joining->replay != TReplay::Replaying)
                return;
            if (joining->backlog.empty()) {
                setReplay(*joining, TReplay::Replayed);
                return;
            }
            queued = std::exchange(joining->backlog, {});
        }
        for (const TQueued& q : queued) {
            serve(target, q.streamType, q.flags, q.operation);
            if (self.Gone())
                return;
        }
    }
}

void TSLOWSourcePin::abandon(const TOWBasicPin* target)
{
    auto section = WriteLocked();
    if (!section)
        return;
    if (TJoining* joining = joiningOfTarget(target))
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
            joining.sink = joining.target = sink;
            joining.dependsOn = dependsOn != nullptr;
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
    TOWNotifyOperationRef start;
    TOWBorrowed<TOWBasicPin> target;
    TGUID streamType{};
    bool replay = false;
    bool connect = false;
    bool dependsOn = false;
    {
        const std::vector<TOWPinEntry> entries = SinkEntries();
        const auto entry = entryOf(entries, sink);
        auto section = WriteLocked();
        TJoining* joining = section ? joiningOfSink(sink) : nullptr;
        if (!joining)
            return;
        connect = std::exchange(joining->connectPending, false);
        dependsOn = joining->dependsOn;
        if (joining->replay == TReplay::Pending && entry != entries.end()) {
            joining->target = entry->Target.Get();
            joining->targetKnown = true;
            setReplay(*joining, TReplay::Replaying);
            start = joining->replayed = currentStart_;
            target = entry->Target;
            streamType = entry->StreamType;
            replay = true;
        } else if (joining->replay == TReplay::None) {
            eraseJoining(sink);
        }
    }
    // Read from a form stream, the link is told to the owner before the
    // stream's start reaches it; made directly, after.
    if (connect && dependsOn && onConnect_) {
        onConnect_(this);
        if (self.Gone())
            return;
    }
    if (replay) {
        auto served = Use(target);
        try {
            if (served && start)
                serve(served.Get(), streamType, owLastTargetFlag, start);
            if (served && !self.Gone())
                drain(served.Get(), self);
            else if (!self.Gone())
                abandon(target.Get());
        } catch (...) {
            if (!self.Gone())
                abandon(target.Get());
            throw;
        }
        if (self.Gone())
            return;
    }
    if (connect && !dependsOn && onConnect_)
        onConnect_(this);
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
            deferredStops.push_back({Borrow(), {entry->Sink, entry->StreamType}});
        auto section = WriteLocked();
        if (section)
            eraseJoining(sink);
    }
    TOWReceivingPin<TOWSourcePin>::RemoveLink(sink, keepPlaceholder);
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
