#include "framework/pins/OWLinkTicket.h"

#include <algorithm>

TOWLinkTicket::TOWLinkTicket(TOWIntf<TOWLinkHearing> hearing, std::uint32_t state)
    : state_(state), hearing_(std::move(hearing))
{
}

bool TOWLinkTicket::enterSlowly(std::uint32_t before) noexcept
{
    // A copy taken before the link went still serves a sink that no link
    // has been begun for since, as it would have a moment earlier.
    if ((before & goingBit) || !hearing_->admitLate(*this)) {
        release(1);
        return false;
    }
    owThreadUses::Push(this);
    return true;
}

bool TOWLinkTicket::EnterKeptStop(std::uint32_t linksMade) noexcept
{
    // Counted before the count of links is read: a link begun after this
    // read waits for the stop, one begun before it is seen here.
    const std::uint32_t before = state_.fetch_add(1, std::memory_order_seq_cst);
    owThreadUses::Push(this);
    if (!(before & goingBit) && hearing_->LinksMade() == linksMade)
        return true;
    Leave();
    return false;
}

void TOWLinkTicket::releasedAfterGoing(std::uint32_t before, std::uint32_t units) noexcept
{
    if ((before & (runningMask | stopsMask)) == units)
        hearing_->drained(*this);
}

void TOWLinkTicket::Go() noexcept
{
    goneAt_.store(hearing_->linksBegun_.load(std::memory_order_seq_cst), std::memory_order_seq_cst);
    const std::uint32_t before = state_.fetch_or(goneBit, std::memory_order_seq_cst);
    if (!(before & goneBit) && (before & (runningMask | stopsMask)) == 0)
        hearing_->drained(*this);
}

TOWIntf<TOWLinkTicket> TOWLinkHearing::NewLink()
{
    std::lock_guard hold(guard_);
    linksBegun_.fetch_add(1, std::memory_order_seq_cst);
    linksMade_.fetch_add(1, std::memory_order_seq_cst);
    const std::uint32_t state = going_.load(std::memory_order_seq_cst) ? TOWLinkTicket::goingBit : 0;
    TOWIntf<TOWLinkTicket> ticket(new TOWLinkTicket(TOWIntf<TOWLinkHearing>(this), state), owAdoptRef);
    links_.push_back(ticket);
    return ticket;
}

void TOWLinkHearing::CloseFormerLinks()
{
    // Under the guard, as late admissions are decided.
    std::lock_guard hold(guard_);
    linksBegun_.fetch_add(1, std::memory_order_seq_cst);
}

void TOWLinkHearing::CloseKeptStops()
{
    // A stop counts itself before it reads this (EnterKeptStop): either it
    // is seen running by the caller's next look, or it sees the count moved.
    linksMade_.fetch_add(1, std::memory_order_seq_cst);
}

bool TOWLinkHearing::admitLate(TOWLinkTicket& ticket)
{
    std::lock_guard hold(guard_);
    if (going_.load(std::memory_order_seq_cst) ||
        linksBegun_.load(std::memory_order_seq_cst) != ticket.goneAt_.load(std::memory_order_seq_cst))
        return false;
    // On record while it runs, so that a link begun meanwhile waits for it.
    if (std::none_of(links_.begin(), links_.end(), [&](const auto& t) { return t.Get() == &ticket; }))
        links_.push_back(TOWIntf<TOWLinkTicket>(&ticket));
    return true;
}

void TOWLinkHearing::drained(const TOWLinkTicket& ticket)
{
    TOWIntf<TOWLinkTicket> last;
    std::lock_guard hold(guard_);
    // A late delivery may have been admitted since.
    if (ticket.state_.load(std::memory_order_seq_cst) & (TOWLinkTicket::runningMask | TOWLinkTicket::stopsMask))
        return;
    auto it = std::find_if(links_.begin(), links_.end(), [&](const auto& t) { return t.Get() == &ticket; });
    if (it == links_.end())
        return;
    // Freed after the guard: the ticket holds this hearing.
    last = std::move(*it);
    links_.erase(it);
}

std::vector<TOWIntf<TOWLinkTicket>> TOWLinkHearing::linksSnapshot()
{
    std::lock_guard hold(guard_);
    return links_;
}

std::vector<TOWIntf<TOWLinkTicket>> TOWLinkHearing::goneLinks()
{
    std::vector<TOWIntf<TOWLinkTicket>> gone = linksSnapshot();
    std::erase_if(gone, [](const auto& t) {
        return (t->state_.load(std::memory_order_seq_cst) & TOWLinkTicket::goneBit) == 0;
    });
    return gone;
}

bool TOWLinkHearing::waitFor(const std::vector<TOWIntf<TOWLinkTicket>>& links, const std::function<bool()>& giveUp)
{
    for (const auto& link : links) {
        const TOWLinkTicket* waited = link.Get();
        if (!owThreadUses::WaitForOthers(waited, [waited] { return waited->Running(); }, giveUp))
            return false;
    }
    return true;
}

bool TOWLinkHearing::runElsewhere(const std::vector<TOWIntf<TOWLinkTicket>>& links)
{
    return std::any_of(links.begin(), links.end(),
                       [](const auto& t) { return t->Running() > owThreadUses::OfCaller(t.Get()); });
}

bool TOWLinkHearing::FormerLinksRunElsewhere()
{
    return runElsewhere(goneLinks());
}

bool TOWLinkHearing::WaitForFormerLinks()
{
    return waitFor(goneLinks(), [this] { return going_.load(std::memory_order_seq_cst); });
}

void TOWLinkHearing::SinkGoing() noexcept
{
    std::lock_guard hold(guard_);
    going_.store(true, std::memory_order_seq_cst);
    for (const auto& link : links_)
        link->state_.fetch_or(TOWLinkTicket::goingBit, std::memory_order_seq_cst);
}

bool TOWLinkHearing::DeliveriesElsewhere()
{
    return runElsewhere(linksSnapshot());
}

void TOWLinkHearing::WaitForDeliveries()
{
    waitFor(linksSnapshot(), [] { return false; });
}

void TOWLinkHearing::Forget() noexcept
{
    std::vector<TOWIntf<TOWLinkTicket>> links;
    {
        std::lock_guard hold(guard_);
        links.swap(links_);
    }
}

TOWLinkHearing& TOWLinkHearing::OfGonePins()
{
    // Never freed: one reference stays with it.
    static TOWLinkHearing* const gone = [] {
        auto* hearing = new TOWLinkHearing();
        hearing->going_.store(true, std::memory_order_relaxed);
        return hearing;
    }();
    return *gone;
}
