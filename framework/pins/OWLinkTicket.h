#pragma once
// The links a pin has been given as a sink, each named by a ticket: the
// source's entry holds it, and so does every copy of the entry a delivery
// walks. A delivery to the sink is admitted through the ticket and counted
// while it runs (on its thread too, OWDestroyLock.h); the count stands in
// for a use of the sink's destroy lock, so that:
// - the sink's destruction refuses new deliveries from its start and waits
//   for those running on other threads, as it does for uses;
// - once a link has gone and a new link of the sink is on its way, nothing
//   more of the old link is admitted (a delivery from a copy taken before
//   the unlink still reaches a sink not linked again, as does the stop kept
//   for the link, which is checked and admitted in one step);
// - the new link is made only once what runs of the links that went has
//   ended (CloseFormerLinks, WaitForFormerLinks and CloseKeptStops, by the
//   link call of the sink): a new link therefore hears nothing of an older
//   one after its first delivery, and no delivery is ever held back to be
//   let go later.
// The wait does not wait for the calling thread's own deliveries (a handler
// that relinks its own sink), nor for threads that wait for a use the
// caller holds (OWDestroyLock.h), and gives up once the sink's destruction
// has begun.
#include "framework/locks/OWDestroyLock.h"
#include "framework/locks/OWInterface.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

class TOWLinkHearing;

class TOWLinkTicket final : public TOWInterfacedObject<IOWInterface> {
public:
    // Admits one delivery of the link to its sink: false once the link has
    // gone and the sink has been linked again, or once the sink's
    // destruction has begun. While admitted the sink is not freed by another
    // thread. An admitted delivery ends with Leave on the same thread.
    bool Enter() noexcept
    {
        const std::uint32_t before = state_.fetch_add(1, std::memory_order_seq_cst);
        if ((before & (goneBit | goingBit)) == 0) {
            owThreadUses::Push(this);
            return true;
        }
        return enterSlowly(before);
    }
    void Leave() noexcept
    {
        owThreadUses::Pop(this);
        release(1);
    }
    // Admits the stop kept for the link once it went: only while the sink's
    // LinksMade is still `linksMade`.
    bool EnterKeptStop(std::uint32_t linksMade) noexcept;

    // Neither gone nor going: the link still stands.
    bool Stands() const noexcept
    {
        return (state_.load(std::memory_order_seq_cst) & (goneBit | goingBit)) == 0;
    }
    // The link went. Under the source's section, once per link.
    void Go() noexcept;
    // A stop is kept for the link (before it goes) until it is let go of.
    void KeepStop() noexcept { state_.fetch_add(stopUnit, std::memory_order_seq_cst); }
    void LetGoOfStop() noexcept { release(stopUnit); }

    // Deliveries of the link running now, on every thread.
    std::int32_t Running() const noexcept
    {
        return static_cast<std::int32_t>(state_.load(std::memory_order_seq_cst) & runningMask);
    }

private:
    friend class TOWLinkHearing;

    static constexpr std::uint32_t goneBit = 1u << 31;
    static constexpr std::uint32_t goingBit = 1u << 30;
    static constexpr std::uint32_t stopUnit = 1u << 16;
    static constexpr std::uint32_t runningMask = stopUnit - 1;
    static constexpr std::uint32_t stopsMask = goingBit - stopUnit;

    TOWLinkTicket(TOWIntf<TOWLinkHearing> hearing, std::uint32_t state);

    bool enterSlowly(std::uint32_t before) noexcept;
    void release(std::uint32_t units) noexcept
    {
        const std::uint32_t before = state_.fetch_sub(units, std::memory_order_seq_cst);
        if (before & goneBit)
            releasedAfterGoing(before, units);
    }
    // The last delivery or stop of a link that went lets the sink's record
    // of it go.
    void releasedAfterGoing(std::uint32_t before, std::uint32_t units) noexcept;

    // gone | going | stops kept | deliveries running
    std::atomic<std::uint32_t> state_;
    // The sink's count of links begun when the link went.
    std::atomic<std::uint32_t> goneAt_{0};
    TOWIntf<TOWLinkHearing> hearing_;
};

// What a sink pin keeps of its links for the tickets: the links made, and
// those still to be heard of (every link that has not gone, and those that
// went while a delivery or a kept stop of them could still reach the sink).
// Counted: the tickets hold it, and it may outlive its pin; the pin lets go
// of its links when it is freed.
class TOWLinkHearing final : public TOWInterfacedObject<IOWInterface> {
public:
    // A new link of the sink: counted (both steps below) and admitted at once.
    TOWIntf<TOWLinkTicket> NewLink();
    // Links made, and about to be made (CloseKeptStops): a stop kept for a
    // link that went is stale once this moved on.
    std::uint32_t LinksMade() const noexcept { return linksMade_.load(std::memory_order_seq_cst); }

    // A link of the sink is on its way: from now on no delivery of a link
    // that went before is admitted from a copy taken before it went.
    void CloseFormerLinks();
    // The link is about to be made: the stops kept for the links that went
    // are admitted no more either (the new link's start follows instead).
    // Not before, so that a link that cannot be made after all leaves the
    // former link's stop to be heard.
    void CloseKeptStops();
    // True when a delivery (or the kept stop) of a link that went still runs
    // on another thread.
    bool FormerLinksRunElsewhere();
    // Until those have ended (those of threads that wait for this one
    // aside); false, at once, when the sink's destruction has begun.
    bool WaitForFormerLinks();

    // The sink's destruction has begun: no delivery is admitted any more,
    // and a link waiting gives up.
    void SinkGoing() noexcept;
    // True when a delivery to the sink runs on another thread.
    bool DeliveriesElsewhere();
    // Until the deliveries running on other threads have ended (those of
    // threads that wait for this one aside).
    void WaitForDeliveries();
    // The pin is freed: its record of the links goes.
    void Forget() noexcept;
    // Stands for a pin whose destruction began before it had one: every
    // delivery through its links is refused.
    static TOWLinkHearing& OfGonePins();

private:
    friend class TOWLinkTicket;

    // A delivery of a link that went, from a copy taken before: admitted
    // (and the link kept on record while it runs) unless a link of the sink
    // has been begun since.
    bool admitLate(TOWLinkTicket& ticket);
    void drained(const TOWLinkTicket& ticket);
    std::vector<TOWIntf<TOWLinkTicket>> linksSnapshot();
    std::vector<TOWIntf<TOWLinkTicket>> goneLinks();
    // Whether a delivery of `links` runs on another thread.
    static bool runElsewhere(const std::vector<TOWIntf<TOWLinkTicket>>& links);
    // Until the deliveries of `links` running on other threads have ended.
    bool waitFor(const std::vector<TOWIntf<TOWLinkTicket>>& links, const std::function<bool()>& giveUp);

    std::atomic<std::uint32_t> linksMade_{0};
    std::atomic<std::uint32_t> linksBegun_{0};
    // A leaf lock: nothing is taken while it is held.
    std::mutex guard_;
    std::atomic<bool> going_{false};
    std::vector<TOWIntf<TOWLinkTicket>> links_;
};

// One delivery admitted for a scope; without a ticket (a link no source
// counts) every delivery is admitted.
class TOWLinkAdmission {
public:
    explicit TOWLinkAdmission(TOWLinkTicket* ticket) noexcept
        : ticket_(ticket && ticket->Enter() ? ticket : nullptr), admitted_(!ticket || ticket_)
    {
    }
    // The stop kept for a link that went (TOWKeptStop below), while the
    // sink's LinksMade is still `linksMade`; without a ticket, by the sink's
    // count alone.
    TOWLinkAdmission(TOWLinkTicket* keptFor, std::uint32_t linksMade, std::uint32_t sinkLinksMade) noexcept
        : ticket_(keptFor && keptFor->EnterKeptStop(linksMade) ? keptFor : nullptr),
          admitted_(ticket_ || (!keptFor && sinkLinksMade == linksMade))
    {
    }
    TOWLinkAdmission(const TOWLinkAdmission&) = delete;
    TOWLinkAdmission& operator=(const TOWLinkAdmission&) = delete;
    ~TOWLinkAdmission()
    {
        if (ticket_)
            ticket_->Leave();
    }
    explicit operator bool() const noexcept { return admitted_; }

private:
    TOWLinkTicket* ticket_;
    bool admitted_;
};

// The stop kept for a link that went, from its unlink until it has been
// delivered or dropped (shared by the copies of the stop).
class TOWKeptStop {
public:
    explicit TOWKeptStop(TOWIntf<TOWLinkTicket> ticket) : ticket_(std::move(ticket))
    {
        if (ticket_)
            ticket_->KeepStop();
    }
    TOWKeptStop(const TOWKeptStop&) = delete;
    TOWKeptStop& operator=(const TOWKeptStop&) = delete;
    ~TOWKeptStop()
    {
        if (ticket_)
            ticket_->LetGoOfStop();
    }
    TOWLinkTicket* Ticket() const noexcept { return ticket_.Get(); }

private:
    TOWIntf<TOWLinkTicket> ticket_;
};
