#include "framework/pins/OWLinkTicket.h"

#include <algorithm>

TOWLinkTicket::TOWLinkTicket(TOWIntf<TOWLinkHearing> hearing, std::uint32_t serial, std::uint32_t state)
    : state_(state), serial_(serial), hearing_(std::move(hearing))
{
}

bool TOWLinkTicket::enterSlowly(std::uint32_t before) noexcept
{
    if (before & goingBit) {
        release(1);
        return false;
    }
    if (before & goneBit) {
        // A copy taken before the link went still serves a sink that has not
        // been linked again, as it would have a moment earlier.
        if (!hearing_->admitLate(*this)) {
            release(1);
            return false;
        }
        owThreadUses::Push(this);
        return true;
    }
    // Pending: the admission is held while the delivery waits, so that the
    // sink's destruction waits for it (and sees through the wait).
    owThreadUses::Push(this);
    if (!hearing_->waitForEarlier(*this)) {
        Leave();
        return false;
    }
    state_.fetch_and(~pendingBit, std::memory_order_seq_cst);
    const std::uint32_t now = state_.load(std::memory_order_seq_cst);
    if ((now & goneBit) && hearing_->LinksMade() != goneAt_.load(std::memory_order_seq_cst)) {
        Leave();
        return false;
    }
    return true;
}

bool TOWLinkTicket::EnterKeptStop(std::uint32_t linksMade) noexcept
{
    // Counted before the count of links is read: a link made after this
    // read waits for the stop, one made before it is seen here.
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
    goneAt_.store(hearing_->LinksMade(), std::memory_order_seq_cst);
    const std::uint32_t before = state_.fetch_or(goneBit, std::memory_order_seq_cst);
    if (!(before & goneBit) && (before & (runningMask | stopsMask)) == 0)
        hearing_->drained(*this);
}

TOWIntf<TOWLinkTicket> TOWLinkHearing::NewLink()
{
    std::lock_guard hold(guard_);
    const std::uint32_t serial = linksMade_.fetch_add(1, std::memory_order_seq_cst) + 1;
    const bool pending = std::any_of(links_.begin(), links_.end(), [](const auto& t) {
        return (t->state_.load(std::memory_order_seq_cst) & TOWLinkTicket::goneBit) != 0;
    });
    const std::uint32_t state = (pending ? TOWLinkTicket::pendingBit : 0) | (going_ ? TOWLinkTicket::goingBit : 0);
    TOWIntf<TOWLinkTicket> ticket(new TOWLinkTicket(TOWIntf<TOWLinkHearing>(this), serial, state), owAdoptRef);
    links_.push_back(ticket);
    return ticket;
}

bool TOWLinkHearing::admitLate(TOWLinkTicket& ticket)
{
    std::lock_guard hold(guard_);
    if (going_ || linksMade_.load(std::memory_order_seq_cst) != ticket.goneAt_.load(std::memory_order_seq_cst))
        return false;
    // On record while it runs, so that a link made meanwhile waits for it.
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

bool TOWLinkHearing::waitForEarlier(const TOWLinkTicket& ticket)
{
    std::vector<TOWIntf<TOWLinkTicket>> earlier;
    for (auto& link : linksSnapshot()) {
        if ((link->state_.load(std::memory_order_seq_cst) & TOWLinkTicket::goneBit) &&
            link->goneAt_.load(std::memory_order_seq_cst) < ticket.Serial())
            earlier.push_back(std::move(link));
    }
    const auto going = [&ticket] {
        return (ticket.state_.load(std::memory_order_seq_cst) & TOWLinkTicket::goingBit) != 0;
    };
    for (const auto& link : earlier) {
        const TOWLinkTicket* waited = link.Get();
        if (!owThreadUses::WaitForOthers(waited, [waited] { return waited->Running(); }, going))
            return false;
    }
    return true;
}

void TOWLinkHearing::SinkGoing() noexcept
{
    std::lock_guard hold(guard_);
    going_ = true;
    for (const auto& link : links_)
        link->state_.fetch_or(TOWLinkTicket::goingBit, std::memory_order_seq_cst);
}

bool TOWLinkHearing::DeliveriesElsewhere()
{
    const auto links = linksSnapshot();
    return std::any_of(links.begin(), links.end(),
                       [](const auto& t) { return t->Running() > owThreadUses::OfCaller(t.Get()); });
}

void TOWLinkHearing::WaitForDeliveries()
{
    for (const auto& link : linksSnapshot()) {
        const TOWLinkTicket* waited = link.Get();
        owThreadUses::WaitForOthers(waited, [waited] { return waited->Running(); }, [] { return false; });
    }
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
        hearing->going_ = true;
        return hearing;
    }();
    return *gone;
}
