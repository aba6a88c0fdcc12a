#include "framework/locks/OWDestroyLock.h"

#include "framework/locks/OWThread.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// The counted uses the thread holds (destroy locks, and what owThreadUses
// records beside them); a wait of the thread for others does not wait for
// these.
constexpr int inlineUseCapacity = owThreadUses::detail::inlineCapacity;
using owThreadUses::detail::inlineCount;
using owThreadUses::detail::inlineUses;
thread_local std::vector<const void*> spilledUses;

std::int32_t countUses(const void* lock)
{
    std::int32_t n = static_cast<std::int32_t>(std::count(inlineUses, inlineUses + inlineCount, lock));
    if (inlineCount == inlineUseCapacity)
        n += static_cast<std::int32_t>(std::count(spilledUses.begin(), spilledUses.end(), lock));
    return n;
}

std::vector<const void*> usesOfCaller()
{
    std::vector<const void*> uses(inlineUses, inlineUses + inlineCount);
    if (inlineCount == inlineUseCapacity)
        uses.insert(uses.end(), spilledUses.begin(), spilledUses.end());
    return uses;
}

// A thread waiting in a destruction (or another wait for counted uses) for
// the uses of other threads, with the uses it holds while it waits (they
// cannot change until it goes on).
struct TWaiter {
    const void* waitsFor;
    std::vector<const void*> holds;
};

// The waiting threads. Two destructions may wait for each other: a handler
// on each of two threads frees a pin whose delivery runs on the other. A
// waiter that waits for a lock this thread holds a use of (directly, or
// through a chain of such waiters) cannot go on before this thread does, so
// its uses do not hold this destruction up; it finds the pin gone when it
// goes on, as if its own handler had freed it. The decision is taken under
// one guard, and a thread that goes on leaves the list in the same step, so
// of two waiting for each other exactly one goes on.
class TWaiters {
public:
    static TWaiters& Instance()
    {
        static TWaiters waiters;
        return waiters;
    }
    void Enter(TWaiter& waiter)
    {
        std::lock_guard hold(guard_);
        waiters_.push_back(&waiter);
    }
    void Leave(const TWaiter& waiter)
    {
        std::lock_guard hold(guard_);
        std::erase(waiters_, &waiter);
    }
    // True, and `waiter` has left, when every use of `lock` by another
    // thread (`others` of them) belongs to a waiter held up by this one.
    bool MayGoOn(TWaiter& waiter, const void* lock, std::int32_t others)
    {
        std::lock_guard hold(guard_);
        std::vector<const void*> blocking = waiter.holds;
        std::vector<const TWaiter*> heldUp;
        for (bool grew = true; grew;) {
            grew = false;
            for (const TWaiter* other : waiters_) {
                if (other == &waiter || std::find(heldUp.begin(), heldUp.end(), other) != heldUp.end() ||
                    std::find(blocking.begin(), blocking.end(), other->waitsFor) == blocking.end())
                    continue;
                heldUp.push_back(other);
                blocking.insert(blocking.end(), other->holds.begin(), other->holds.end());
                grew = true;
            }
        }
        for (const TWaiter* other : heldUp)
            others -= static_cast<std::int32_t>(std::count(other->holds.begin(), other->holds.end(), lock));
        if (others > 0)
            return false;
        std::erase(waiters_, &waiter);
        return true;
    }

private:
    std::mutex guard_;
    std::vector<const TWaiter*> waiters_;
};

enum class TCycle { Breaks, Holds };

// Returns true once `inUse()` counts no use of `key` but the caller's and
// those of waiters held up by the caller; false as soon as `giveUp()`. A
// waiter that holds never goes on early itself: a cycle through it is broken
// by another member.
template<class InUse, class GiveUp>
bool waitForOthers(const void* key, InUse inUse, GiveUp giveUp, TCycle cycle = TCycle::Breaks)
{
    const std::int32_t mine = cycle == TCycle::Breaks ? countUses(key) : 0;
    if (inUse() <= mine)
        return true;
    TWaiters& waiters = TWaiters::Instance();
    TWaiter waiter{key, usesOfCaller()};
    waiters.Enter(waiter);
    for (;;) {
        if (giveUp()) {
            waiters.Leave(waiter);
            return false;
        }
        const std::int32_t others = inUse() - mine;
        if (others <= 0) {
            waiters.Leave(waiter);
            return true;
        }
        if (cycle == TCycle::Breaks && waiters.MayGoOn(waiter, key, others))
            return true;
        OWYield();
    }
}

} // namespace

thread_local constinit const void* owThreadUses::detail::inlineUses[owThreadUses::detail::inlineCapacity]{};
thread_local constinit int owThreadUses::detail::inlineCount = 0;

void owThreadUses::detail::pushSpilled(const void* key) noexcept
{
    spilledUses.push_back(key);
}

// Not the latest use, or one spilled over: found from the back.
void owThreadUses::detail::popElsewhere(const void* lock) noexcept
{
    if (inlineCount == inlineUseCapacity && !spilledUses.empty()) {
        auto it = std::find(spilledUses.rbegin(), spilledUses.rend(), lock);
        if (it != spilledUses.rend()) {
            spilledUses.erase(std::next(it).base());
            return;
        }
    }
    for (int i = inlineCount - 1; i >= 0; --i) {
        if (inlineUses[i] != lock)
            continue;
        std::copy(inlineUses + i + 1, inlineUses + inlineCount, inlineUses + i);
        --inlineCount;
        if (inlineCount == inlineUseCapacity - 1 && !spilledUses.empty()) {
            inlineUses[inlineCount++] = spilledUses.front();
            spilledUses.erase(spilledUses.begin());
        }
        return;
    }
}

std::int32_t owThreadUses::OfCaller(const void* key) noexcept
{
    return countUses(key);
}

bool owThreadUses::WaitForOthers(const void* key, const std::function<std::int32_t()>& inUse,
                                 const std::function<bool()>& giveUp)
{
    return waitForOthers(key, inUse, giveUp);
}

void owThreadUses::WaitUntilNone(const void* key, const std::function<std::int32_t()>& inUse)
{
    waitForOthers(key, inUse, [] { return false; }, TCycle::Holds);
}

TOWIntf<TOWDestroyLock> TOWDestroyLock::Create()
{
    return TOWIntf<TOWDestroyLock>(new TOWDestroyLock(), owAdoptRef);
}

bool TOWDestroyLock::TryUse() noexcept
{
    // Sequentially consistent on both sides: either the destroyer sees this
    // use or this use sees the pending destruction.
    useCount_.fetch_add(1, std::memory_order_seq_cst);
    if (destroyPending_.load(std::memory_order_seq_cst) != 0 || retired_.load(std::memory_order_seq_cst)) {
        useCount_.fetch_sub(1, std::memory_order_seq_cst);
        return false;
    }
    owThreadUses::Push(this);
    return true;
}

void TOWDestroyLock::EndUse() noexcept
{
    owThreadUses::Pop(this);
    useCount_.fetch_sub(1, std::memory_order_seq_cst);
}

std::int32_t TOWDestroyLock::UsesOfCaller() const noexcept
{
    return countUses(this);
}

bool TOWDestroyLock::OtherThreadsUse() const noexcept
{
    return useCount_.load(std::memory_order_seq_cst) > UsesOfCaller();
}

void TOWDestroyLock::WaitForOtherThreads() const noexcept
{
    waitForOthers(
        this, [this] { return useCount_.load(std::memory_order_seq_cst); }, [] { return false; });
}

TOWDestroyLockSectionRef TOWDestroyLock::UseSection()
{
    if (!TryUse())
        return {};
    return OWMake<TOWDestroyLockSection>(*this);
}

TOWDestroyLockSectionRef TOWDestroyLock::MarkDestroyPending()
{
    destroyPending_.fetch_add(1, std::memory_order_seq_cst);
    return OWMake<TOWDestroyLockLockSection>(*this);
}

TOWDestroyLockSectionRef TOWDestroyLock::DestroySection()
{
    auto section = MarkDestroyPending();
    WaitForOtherThreads();
    return section;
}

TOWDestroyLockSectionRef TOWDestroyLock::UnlockSection()
{
    return OWMake<TOWDestroyLockUnlockSection>(*this, destroyPending_.exchange(0, std::memory_order_acq_rel));
}

TOWDestroyLockSection::~TOWDestroyLockSection()
{
    lock_->GetLockObject().EndUse();
}

TOWDestroyLockLockSection::~TOWDestroyLockLockSection()
{
    lock_->destroyPending_.fetch_sub(1, std::memory_order_acq_rel);
}

TOWDestroyLockUnlockSection::~TOWDestroyLockUnlockSection()
{
    lock_->destroyPending_.fetch_add(savedPending_, std::memory_order_acq_rel);
}
