#include "framework/pins/OWDeliveryRoute.h"

#include "framework/pins/OWLinkGate.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace {

const char* const dependsOnItselfText = "The pin depends on itself. Please protect with functional dependency.";

constexpr std::int32_t weightLimit = 10000;
// Deliveries whose answers may wait in the counters of a one-target list.
constexpr std::uint32_t maxUnfolded = 4096;
constexpr std::int32_t weightStep = 4;
// One answer of the target of a one-target list, counted with the delivery.
constexpr std::uint64_t answeredOfOne = std::uint64_t{1} << 32;

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
// number of targets.
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
    // Only the first `count` are written (and read).
    std::array<unsigned char, 64> inline_;
    std::unique_ptr<unsigned char[]> heap_;
    unsigned char* data_ = inline_.data();
};

} // namespace

void TOWDeliveryRoute::Changed()
{
    rebuild();
    reorder();
}

void TOWDeliveryRoute::Settle()
{
    if (list_ && foldAnswers(*list_, false))
        reorder();
}

void TOWDeliveryRoute::rebuild()
{
    if (list_) {
        // Deliveries that still walk the old list see it retired and hand in
        // their late answers themselves. The entries may have changed
        // already: by Id.
        list_->Retired.store(true, std::memory_order_seq_cst);
        foldAnswers(*list_, true);
    }
    auto list = std::make_shared<TList>();
    list->Targets.reserve(static_cast<std::size_t>(entries_.Count()));
    for (int i = 0; i < entries_.Count(); ++i) {
        const TOWPinEntry& entry = entries_.Items(i);
        TTarget target;
        target.Target = entry.Target;
        target.Sink = entry.Sink.Get();
        target.Id = entry.Id;
        target.Index = i;
        target.StreamType = entry.StreamType;
        target.Handler = entry.Handler;
        if (target.Target.Get() != target.Sink && outputOf_)
            target.Output = outputOf_(target.Target.Get());
        if (target.Target.Get() == target.Sink)
            target.Ticket = entry.Ticket;
        // A converter shared by several sinks receives each operation once:
        // the later entries through it are skipped by deliveries to all.
        target.Shared = entry.Target.Get() != entry.Sink.Get() &&
                        std::any_of(list->Targets.begin(), list->Targets.end(),
                                    [&](const TTarget& t) { return t.Target.Get() == entry.Target.Get(); });
        list->Targets.push_back(std::move(target));
    }
    for (auto it = list->Targets.rbegin(); it != list->Targets.rend(); ++it) {
        if (!it->Shared) {
            it->Last = true;
            break;
        }
    }
    list->Answered = std::make_unique<std::atomic<std::uint32_t>[]>(list->Targets.size());
    list_ = std::move(list);
}

bool TOWDeliveryRoute::Deliver(TOWPin& pin, TOWBasicPin* target, const TOWNotifyOperationRef& operation)
{
    // A handler may let go of a converter this delivery is passing through.
    const TOWReleaseDeferral deferral;
    TOWSelfUse self(pin);
    if (!self)
        return false;
    if (!target && narrowed.output == &pin)
        target = narrowed.sink;
    const TNarrowScope notNarrowed({});

    std::shared_ptr<TList> list;
    bool stateLinked = false;
    {
        // The answers of the deliveries before this one set the order first.
        // A single target has no order to set: its answers wait in the
        // counters for an inspection or a change of the entries, or until
        // folding them would take long.
        auto section = pin.WriteLocked();
        if (!section)
            return false;
        if (list_ && (list_->Targets.size() > 1 ||
                      static_cast<std::uint32_t>(list_->Deliveries.load(std::memory_order_relaxed)) >= maxUnfolded))
            Settle();
        list = list_;
        stateLinked = pin.hasDispatcherInSection();
    }
    if (pin.Nesting() > maxNesting)
        throw EOWException(dependsOnItselfText);
    const TOWNestingGuard nesting(pin.nestingCounter(), self);

    // The state delivery (which answers False) only when a dispatcher is
    // joined: it costs a section of its own.
    const bool result = stateLinked && pin.DeliverState(operation, 0, nullptr);
    if (self.Gone() || !list || list->Targets.empty())
        return result;

    TAnswers answers(list->Targets.size());
    // The answers are handed in also when a handler raises; not for a pin
    // that a handler destroyed.
    struct TFinish {
        TOWDeliveryRoute& route;
        TOWPin& pin;
        const TOWSelfUse& self;
        TList& list;
        const unsigned char* answers;
        ~TFinish()
        {
            if (!self.Gone())
                route.handIn(pin, list, answers);
        }
    } finish{*this, pin, self, *list, answers.Data()};

    const TOWLockSectionRef ownerLetGo = pin.letGoOfOwner();
    for (std::size_t i = 0; i < list->Targets.size(); ++i) {
        const TTarget& entry = list->Targets[i];
        if (target ? entry.Sink != target : entry.Shared)
            continue;
        if (!entry.Handler)
            continue;
        // A sink served directly is kept by the admission of its link
        // (refused once the sink has been linked anew since the copy was
        // taken); a converter's input by a use. The list, held to the end of
        // the delivery, keeps the ticket and the target's destroy lock: the
        // use need not count a reference of its own.
        const TOWLinkAdmission heard(entry.Ticket.Get());
        const TOWDestroyLockHeldUse served(entry.Ticket ? nullptr : entry.Target.Life());
        if (!heard || (!entry.Ticket && !served))
            continue;
        const bool throughConverter = entry.Target.Get() != entry.Sink;
        const TNarrowScope toOne(target && throughConverter ? TNarrowed{entry.Output, target} : TNarrowed{});
        const TOWHandlerFlags flags = target || entry.Last ? owLastTargetFlag : 0;
        answers.Data()[i] = entry.Handler(entry.Target.Get(), entry.StreamType, flags, operation) ? 1 : 0;
        if (self.Gone())
            return result;
    }
    return result;
}

void TOWDeliveryRoute::handIn(TOWPin& pin, TList& list, const unsigned char* answers)
{
    std::uint64_t counted = 1;
    if (list.Targets.size() == 1) {
        counted += answers[0] ? answeredOfOne : 0;
    } else {
        for (std::size_t i = 0; i < list.Targets.size(); ++i) {
            if (answers[i])
                list.Answered[i].fetch_add(1, std::memory_order_seq_cst);
        }
    }
    list.Deliveries.fetch_add(counted, std::memory_order_seq_cst);
    if (!list.Retired.load(std::memory_order_seq_cst))
        return;
    auto section = pin.WriteLocked();
    if (section && foldAnswers(list, true))
        reorder();
}

bool TOWDeliveryRoute::foldAnswers(TList& list, bool byId)
{
    bool changed = false;
    // Counters are taken with exchange, so each answer lands once: here or
    // in the late hand-in of a delivery that finds its list retired.
    const std::uint64_t counted = list.Deliveries.exchange(0, std::memory_order_seq_cst);
    const auto deliveries = static_cast<std::uint32_t>(counted);
    for (std::size_t i = 0; i < list.Targets.size(); ++i) {
        std::uint32_t answered = list.Answered[i].exchange(0, std::memory_order_seq_cst);
        if (i == 0)
            answered += static_cast<std::uint32_t>(counted / answeredOfOne);
        if (deliveries == 0 && answered == 0)
            continue;
        const TTarget& target = list.Targets[i];
        const int index = byId ? entries_.IndexOfId(target.Id) : target.Index;
        if (index < 0)
            continue;
        std::int32_t& weight = entries_.Items(index).Weight;
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

void TOWDeliveryRoute::reorder()
{
    const int count = entries_.Count();
    bool anyDependsOn = false;
    bool ascending = true;
    std::int32_t previous = 0;
    for (const TOWPinEntry& entry : entries_.Entries()) {
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
                     [&](int a, int b) { return entries_.Items(a).Weight < entries_.Items(b).Weight; });
    std::vector<int> order;
    if (!anyDependsOn) {
        order = std::move(byWeight);
    } else {
        // Every entry after the entry of the pin it depends on, for chains of
        // any length; otherwise the order of the weights.
        order.reserve(static_cast<std::size_t>(count));
        std::vector<unsigned char> state(static_cast<std::size_t>(count), 0);
        auto place = [&](auto& self, int i) -> void {
            if (state[static_cast<std::size_t>(i)] != 0)
                return;
            state[static_cast<std::size_t>(i)] = 1;
            if (const TOWBasicPin* dependsOn = entries_.Items(i).DependsOn.Get()) {
                const int j = entries_.IndexOfSink(dependsOn);
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
        sorted.push_back(std::move(entries_.Items(i)));
    entries_.Entries() = std::move(sorted);
    rebuild();
}
