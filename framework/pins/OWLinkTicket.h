#pragma once
// The links a pin has been given as a sink, each named by a ticket: the
// source's entry holds it, and so does every copy of the entry a delivery
// walks. A delivery to the sink is admitted through the ticket and counted
// while it runs (on its thread too, OWDestroyLock.h); the count stands in
// for a use of the sink's destroy lock, so that:
// - the sink's destruction refuses new deliveries from its start and waits
//   for those running on other threads, as it does for uses;
// - once a link has gone and the sink has been linked again, nothing more of
//   the old link is delivered (a delivery from a copy taken before the
//   unlink still reaches a sink not linked again, as does the stop kept for
//   the link, which is checked and admitted in one step);
// - a link made while something of a link that went may still reach the
//   sink (a delivery running on another thread, a stop kept) is pending: its
//   first delivery waits until what runs of the links that went before it
//   has ended. A new link therefore hears nothing of an older one after its
//   own first delivery. A multi-sink's links that stay are not held up by
//   one that goes: only a link made after it waits.
// The wait does not wait for the calling thread's own deliveries (a handler
// that relinks its own sink), nor for threads that wait for a use the
// caller holds (OWDestroyLock.h), and ends without delivering once the
// sink's destruction has begun.
#include "framework/locks/OWDestroyLock.h"
#include "framework/locks/OWInterface.h"

#include <atomic>
#include <cstdint>
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
        if ((before & (goneBit | pendingBit | goingBit)) == 0) {
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
    // Admits the stop kept for the link once it went: only while the sink
    // has not been linked again since it made `linksMade` links.
    bool EnterKeptStop(std::uint32_t linksMade) noexcept;

    // The link went. Under the source's section, once per link.
    void Go() noexcept;
    // A stop is kept for the link (before it goes) until it is let go of;
    // meanwhile a new link of the sink is pending.
    void KeepStop() noexcept { state_.fetch_add(stopUnit, std::memory_order_seq_cst); }
    void LetGoOfStop() noexcept { release(stopUnit); }

    // The sink's count of links made when this one was.
    std::uint32_t Serial() const noexcept { return serial_; }
    // Deliveries of the link running now, on every thread.
    std::int32_t Running() const noexcept
    {
        return static_cast<std::int32_t>(state_.load(std::memory_order_seq_cst) & runningMask);
    }

private:
    friend class TOWLinkHearing;

    static constexpr std::uint32_t goneBit = 1u << 31;
    static constexpr std::uint32_t pendingBit = 1u << 30;
    static constexpr std::uint32_t goingBit = 1u << 29;
    static constexpr std::uint32_t stopUnit = 1u << 16;
    static constexpr std::uint32_t runningMask = stopUnit - 1;
    static constexpr std::uint32_t stopsMask = goingBit - stopUnit;

    TOWLinkTicket(TOWIntf<TOWLinkHearing> hearing, std::uint32_t serial, std::uint32_t state);

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

    // gone | pending | going | stops kept | deliveries running
    std::atomic<std::uint32_t> state_;
    const std::uint32_t serial_;
    // The sink's count of links made when the link went.
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
    // A new link of the sink: counted, and pending while links that went
    // may still be heard.
    TOWIntf<TOWLinkTicket> NewLink();
    std::uint32_t LinksMade() const noexcept { return linksMade_.load(std::memory_order_seq_cst); }

    // The sink's destruction has begun: no delivery is admitted any more,
    // and deliveries waiting give up.
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

    // Until what runs of the links that went before `ticket` has ended.
    // False when the sink is being destroyed.
    bool waitForEarlier(const TOWLinkTicket& ticket);
    // A delivery of a link that went, from a copy taken before: admitted
    // (and the link kept on record while it runs) unless the sink has been
    // linked again since.
    bool admitLate(TOWLinkTicket& ticket);
    void drained(const TOWLinkTicket& ticket);
    std::vector<TOWIntf<TOWLinkTicket>> linksSnapshot();

    std::atomic<std::uint32_t> linksMade_{0};
    // A leaf lock: nothing is taken while it is held.
    std::mutex guard_;
    bool going_ = false;
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
    // The stop kept for a link that went (OWKeptStop below), while the sink
    // has made no more than `linksMade` links; without a ticket, by the
    // sink's count alone.
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
