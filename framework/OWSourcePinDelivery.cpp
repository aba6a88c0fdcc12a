// Delivery of a source pin: the shared delivery list, the nesting limit, the
// activity weights and the order that follows them and the dependencies.
#include "framework/OWLinkGate.h"
#include "framework/OWPinEvents.h"
#include "framework/OWSourcePin.h"

#include <algorithm>
#include <array>
#include <memory>
#include <numeric>

namespace {

const char* const dependsOnItselfText = "The pin depends on itself. Please protect with functional dependency.";

constexpr std::int32_t weightLimit = 10000;
constexpr std::int32_t weightStep = 4;

// A delivery to one sink behind a converter that other sinks share goes
// through the converter; the converter's output then delivers to that sink
// alone. Set for the calls into the converter, taken by the output's
// delivery on the same thread.
struct TNarrowed {
    const TOWBasicPin* output = nullptr;
    TOWBasicPin* sink = nullptr;
};
thread_local TNarrowed narrowed;

class TNarrowScope {
public:
    explicit TNarrowScope(TNarrowed value) : saved_(std::exchange(narrowed, value)) {}
    TNarrowScope(const TNarrowScope&) = delete;
    TNarrowScope& operator=(const TNarrowScope&) = delete;
    ~TNarrowScope() { narrowed = saved_; }

private:
    TNarrowed saved_;
};

// The answers of one delivery, without a heap allocation for the usual
// number of sinks.
class TAnswers {
public:
    explicit TAnswers(std::size_t count)
    {
        if (count > inline_.size()) {
            heap_ = std::make_unique<unsigned char[]>(count);
            data_ = heap_.get();
        }
        std::fill_n(data_, count, 0);
    }
    unsigned char* Data() { return data_; }

private:
    std::array<unsigned char, 64> inline_{};
    std::unique_ptr<unsigned char[]> heap_;
    unsigned char* data_ = inline_.data();
};

} // namespace

void TOWSourcePin::rebuildDeliveryList()
{
    if (delivery_) {
        // Deliveries that still walk the old list see it retired and hand in
        // their late answers themselves.
        // The entries may have changed already: by Id.
        delivery_->Retired.store(true, std::memory_order_seq_cst);
        foldAnswers(*delivery_, true);
    }
    auto list = std::make_shared<TDeliveryList>();
    list->Targets.reserve(static_cast<std::size_t>(sinks_.Count()));
    for (int i = 0; i < sinks_.Count(); ++i) {
        const TOWPinEntry& entry = sinks_.Items(i);
        TDeliveryTarget target;
        target.Target = entry.Target;
        target.Sink = entry.Sink.Get();
        target.Id = entry.Id;
        target.Index = i;
        target.StreamType = entry.StreamType;
        target.Handler = entry.Handler;
        if (target.Target.Get() != target.Sink) {
            for (int c = 0; c < converters_.Count(); ++c) {
                if (converters_.Items(c)->InputPin() == target.Target.Get())
                    target.Output = converters_.Items(c)->OutputPin();
            }
        }
        // A converter shared by several sinks receives each operation once:
        // the later entries through it are skipped by deliveries to all.
        target.Shared = entry.Target.Get() != entry.Sink.Get() &&
                        std::any_of(list->Targets.begin(), list->Targets.end(),
                                    [&](const TDeliveryTarget& t) { return t.Target.Get() == entry.Target.Get(); });
        list->Targets.push_back(std::move(target));
    }
    for (auto it = list->Targets.rbegin(); it != list->Targets.rend(); ++it) {
        if (!it->Shared) {
            it->Last = true;
            break;
        }
    }
    list->Answered = std::make_unique<std::atomic<std::uint32_t>[]>(list->Targets.size());
    delivery_ = std::move(list);
}

bool TOWSourcePin::Dispatch(TOWBasicPin* target, const TOWNotifyOperationRef& operation)
{
    // A handler may let go of a converter this delivery is passing through.
    const TOWReleaseDeferral deferral;
    TOWSelfUse self(*this);
    if (!self)
        return false;
    if (!target && narrowed.output == this)
        target = narrowed.sink;
    const TNarrowScope notNarrowed({});

    TDeliveryListRef list;
    bool stateLinked = false;
    {
        // The answers of the deliveries before this one set the order first.
        auto section = WriteLocked();
        if (!section)
            return false;
        if (foldPending())
            reorder();
        list = delivery_;
        stateLinked = hasDispatcherInSection();
    }
    if (Nesting() > maxDispatchNesting)
        throw EOWException(dependsOnItselfText);
    const TOWNestingGuard nesting(nestingCounter(), self);

    // The state delivery (which answers False) only when a dispatcher is
    // joined: it costs a section of its own.
    const bool result = stateLinked && TOWStreamPin::SendOperation(operation);
    if (self.Gone() || !list || list->Targets.empty())
        return result;

    const std::size_t count = list->Targets.size();
    TAnswers answers(count);
    // The answers are handed in also when a handler raises; not for a pin
    // that a handler destroyed.
    struct TFinish {
        TOWSourcePin& pin;
        const TOWSelfUse& self;
        TDeliveryList& list;
        unsigned char* answers;
        std::size_t count;
        ~TFinish()
        {
            if (self.Gone())
                return;
            for (std::size_t i = 0; i < count; ++i) {
                if (answers[i])
                    list.Answered[i].fetch_add(1, std::memory_order_seq_cst);
            }
            list.Deliveries.fetch_add(1, std::memory_order_seq_cst);
            if (!list.Retired.load(std::memory_order_seq_cst))
                return;
            auto section = pin.WriteLocked();
            if (section && pin.foldAnswers(list, true))
                pin.reorder();
        }
    } finish{*this, self, *list, answers.Data(), count};

    const TOWLockSectionRef ownerLetGo = letGoOfOwner();
    for (std::size_t i = 0; i < count; ++i) {
        const TDeliveryTarget& entry = list->Targets[i];
        if (target ? entry.Sink != target : entry.Shared)
            continue;
        if (!entry.Handler)
            continue;
        auto served = Use(entry.Target);
        if (!served)
            continue;
        const bool throughConverter = entry.Target.Get() != entry.Sink;
        const TNarrowScope toOne(target && throughConverter ? TNarrowed{entry.Output, target} : TNarrowed{});
        const TOWHandlerFlags flags = target || entry.Last ? owLastTargetFlag : 0;
        answers.Data()[i] = entry.Handler(served.Get(), entry.StreamType, flags, operation) ? 1 : 0;
        if (self.Gone())
            return result;
    }
    return result;
}

bool TOWSourcePin::foldAnswers(TDeliveryList& list, bool byId)
{
    bool changed = false;
    // Counters are taken with exchange, so each answer lands once: here or
    // in the late hand-in of a delivery that finds its list retired.
    const std::uint32_t deliveries = list.Deliveries.exchange(0, std::memory_order_seq_cst);
    for (std::size_t i = 0; i < list.Targets.size(); ++i) {
        const std::uint32_t answered = list.Answered[i].exchange(0, std::memory_order_seq_cst);
        if (deliveries == 0 && answered == 0)
            continue;
        const TDeliveryTarget& target = list.Targets[i];
        const int index = byId ? sinks_.IndexOfId(target.Id) : target.Index;
        if (index < 0)
            continue;
        std::int32_t& weight = sinks_.Items(index).Weight;
        const std::int32_t before = weight;
        for (std::uint32_t j = 0; j < std::max(deliveries, answered); ++j) {
            if (j < answered && weight < weightLimit)
                weight += weightStep;
            if (j < deliveries && weight > 0)
                --weight;
        }
        changed = changed || weight != before;
    }
    return changed;
}

bool TOWSourcePin::foldPending()
{
    return delivery_ && foldAnswers(*delivery_, false);
}

void TOWSourcePin::reorder()
{
    const int count = sinks_.Count();
    bool anyDependsOn = false;
    bool ascending = true;
    std::int32_t previous = 0;
    for (TOWPinEntry& entry : sinks_.Entries()) {
        anyDependsOn = anyDependsOn || entry.DependsOn;
        ascending = ascending && entry.Weight >= previous;
        previous = entry.Weight;
    }
    // The usual case: the order stands and nothing is to be moved.
    if (ascending && !anyDependsOn)
        return;
    std::vector<int> byWeight(static_cast<std::size_t>(count));
    std::iota(byWeight.begin(), byWeight.end(), 0);
    std::stable_sort(byWeight.begin(), byWeight.end(),
                     [&](int a, int b) { return sinks_.Items(a).Weight < sinks_.Items(b).Weight; });
    std::vector<int> order;
    if (!anyDependsOn) {
        order = std::move(byWeight);
    } else {
        // Every entry after the entry of the sink it depends on, for chains
        // of any length; otherwise the order of the weights.
        order.reserve(static_cast<std::size_t>(count));
        std::vector<unsigned char> state(static_cast<std::size_t>(count), 0);
        auto place = [&](auto& self, int i) -> void {
            if (state[static_cast<std::size_t>(i)] != 0)
                return;
            state[static_cast<std::size_t>(i)] = 1;
            if (const TOWBasicPin* dependsOn = sinks_.Items(i).DependsOn.Get()) {
                const int j = sinks_.IndexOfSink(dependsOn);
                if (j >= 0)
                    self(self, j);
            }
            state[static_cast<std::size_t>(i)] = 2;
            order.push_back(i);
        };
        for (int i : byWeight)
            place(place, i);
    }
    bool moved = false;
    for (int i = 0; i < count && !moved; ++i)
        moved = order[static_cast<std::size_t>(i)] != i;
    if (!moved)
        return;
    std::vector<TOWPinEntry> sorted;
    sorted.reserve(static_cast<std::size_t>(count));
    for (int i : order)
        sorted.push_back(std::move(sinks_.Items(i)));
    sinks_.Entries() = std::move(sorted);
    rebuildDeliveryList();
}

void TOWSourcePin::Announce(TOWBasicPin* sink, const TOWStreamHandler& handler)
{
    if (!handler || !sink)
        return;
    const TOWReleaseDeferral deferral;
    TOWSelfUse self(*this);
    if (!self)
        return;
    if (Nesting() > maxAnnounceNesting)
        throw EOWException(dependsOnItselfText);
    const TOWNestingGuard nesting(nestingCounter(), self);

    TGUID streamType = Negotiate(*this, sink, true, false).StreamType;
    TOWBorrowed<TOWBasicPin> target = sink->Borrow();
    {
        auto section = ReadLocked();
        if (!section)
            return;
        const int index = sinks_.IndexOfSink(sink);
        if (index >= 0)
            streamType = sinks_.Items(index).StreamType;
    }
    {
        const TOWLockSectionRef ownerLetGo = letGoOfOwner();
        if (auto served = Use(target))
            handler(served.Get(), streamType, owAnnounceFlag | owLastTargetFlag, OWMakeOperation<TOWNotifyOperation>());
    }
    if (!self.Gone())
        owPinEvents::PinChanged(this);
}

void TOWSourcePin::AnnounceTo(TOWBasicPin* sink)
{
    TOWStreamHandler handler;
    TOWBorrowed<TOWBasicPin> output;
    {
        auto section = ReadLocked();
        if (!section)
            return;
        const int index = sinks_.IndexOfSink(sink);
        if (index < 0)
            return;
        const TOWPinEntry& entry = sinks_.Items(index);
        handler = entry.Handler;
        if (entry.Target.Get() != sink) {
            for (TOWFormatConverter* converter : converters_.Snapshot()) {
                if (converter->InputPin() == entry.Target.Get())
                    output = BorrowAs<TOWBasicPin>(converter->OutputPin());
            }
        }
    }
    // Behind a converter the sink hears the announcement from the
    // converter's output, in the type it takes; the converter's input, which
    // other sinks may share, is not told again.
    if (output) {
        if (auto out = Use(output)) {
            if (auto* outputSource = dynamic_cast<TOWSourcePin*>(out.Get()))
                outputSource->AnnounceTo(sink);
        }
        return;
    }
    Announce(sink, handler);
}

void TOWSourcePin::Renegotiate(TOWBasicPin* sink)
{
    const TGUID streamType = Negotiate(*this, sink, true, false).StreamType;
    if (streamType.IsNull())
        return;
    const TOWStreamHandler handler = FindHandler(streamType);
    {
        auto section = WriteLocked();
        if (!section)
            return;
        const int index = sinks_.IndexOfSink(sink);
        if (index < 0 || sinks_.Items(index).StreamType == streamType)
            return;
        sinks_.Items(index).StreamType = streamType;
        sinks_.Items(index).Handler = handler;
        rebuildDeliveryList();
    }
    AnnounceTo(sink);
}
