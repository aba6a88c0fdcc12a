#pragma once
// The entries of a pin that delivers one operation to several linked pins (a
// source to its sinks, a multi-sink upstream to its sources) and the
// delivery itself: a shared list walked without a section, the nesting
// limit, the activity weights and the order that follows them and the
// dependencies. Guarded by the owning pin's sections (OWPinModel.h).
#include "framework/pins/OWPinEntryList.h"

#include <functional>
#include <memory>

class TOWDeliveryRoute {
public:
    // Deliveries nested deeper than this in one pin raise EOWException.
    static constexpr std::int32_t maxNesting = 200;

    // The converter output pin an entry's target feeds, null for none.
    using TOutputOf = std::function<const TOWBasicPin*(const TOWBasicPin* target)>;

    // Set once by the owning pin, before it is linked; called under its
    // write section.
    void SetOutputOf(TOutputOf outputOf) { outputOf_ = std::move(outputOf); }

    // ---- under the owning pin's write section
    TOWPinEntryList& Entries() { return entries_; }
    // After any change of the entries or of their dependencies.
    void Changed();
    // The answers of finished deliveries go into the weights and the order;
    // before an inspection of the entries.
    void Settle();

    // ---- without a section: delivers the operation to every entry (target
    // null) or to the entry whose Sink is target, from `pin`. The state
    // delivery of the pin comes first when the pin joins a dispatcher; its
    // answer (False) is the result.
    bool Deliver(TOWPin& pin, TOWBasicPin* target, const TOWNotifyOperationRef& operation);

private:
    struct TTarget {
        TOWBorrowed<TOWBasicPin> Target;
        const TOWBasicPin* Sink = nullptr;
        std::uint64_t Id = 0;
        int Index = 0;
        TGUID StreamType{};
        TOWStreamHandler Handler;
        // The output pin of the converter the entry goes through, if any.
        const TOWBasicPin* Output = nullptr;
        // A later entry through a converter an earlier one goes through.
        bool Shared = false;
        // The last entry a delivery to all serves.
        bool Last = false;
        // The link to a sink served directly; a hop into a converter has
        // none (the converter's output admits its own deliveries).
        TOWIntf<TOWLinkTicket> Ticket;
    };
    // The entries as a delivery walks them, shared by the deliveries in
    // progress and replaced (never changed) when the entries change. The
    // deliveries leave their answers in its counters without a section; they
    // go into the weights (and the order) at the start of the next delivery,
    // before an inspection, or when the list is replaced.
    struct TList {
        std::vector<TTarget> Targets;
        std::unique_ptr<std::atomic<std::uint32_t>[]> Answered;
        // The deliveries in the low half; for a list of one target its
        // answers in the high half, so that a delivery counts both at once.
        std::atomic<std::uint64_t> Deliveries{0};
        std::atomic<bool> Retired{false};
    };

    void rebuild();
    void reorder();
    // True when a weight changed; by the entries' Ids for a list that is no
    // longer the current one.
    bool foldAnswers(TList& list, bool byId);
    // Hands in the answers of a delivery that walked `list`.
    void handIn(TOWPin& pin, TList& list, const unsigned char* answers);

    TOWPinEntryList entries_;
    std::shared_ptr<TList> list_;
    TOutputOf outputOf_;
};
