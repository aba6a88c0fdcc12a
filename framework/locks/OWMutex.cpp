#include "framework/locks/OWMutex.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Slice of a long wait: how late an abandoned owner is noticed.
constexpr std::uint32_t abandonCheckMs = 50;

void futexWait(std::atomic<std::uint32_t>& word, std::uint32_t expected, std::uint32_t milliseconds) noexcept
{
    timespec relative{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAIT_PRIVATE, expected, &relative,
              nullptr, 0);
}

void futexWakeOne(std::atomic<std::uint32_t>& word) noexcept
{
    ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

} // namespace

bool TOWMutex::WaitFor(std::uint32_t milliseconds)
{
    const TOWThreadId me = OWCurrentThreadId();
    if (TryWait(me))
        return true;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        // Marking the word as contended makes the owner's release wake a waiter.
        if (state_.exchange(2, std::memory_order_acquire) == 0) {
            owner_.store(me, std::memory_order_relaxed);
            recursion_ = 1;
            return true;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return takeOverAbandoned(me);
        futexWait(state_, 2, std::min<std::uint32_t>(static_cast<std::uint32_t>(left), abandonCheckMs));
        if (takeOverAbandoned(me))
            return true;
    }
}

bool TOWMutex::takeOverAbandoned(TOWThreadId me) noexcept
{
    // The owner's id is cleared before the word is freed, so an id here belongs
    // to a thread that took the mutex and has not let it go.
    TOWThreadId owner = owner_.load(std::memory_order_acquire);
    if (owner == 0 || owner == me || OWThreadAlive(owner))
        return false;
    if (!owner_.compare_exchange_strong(owner, me, std::memory_order_acq_rel))
        return false;
    state_.store(2, std::memory_order_relaxed);
    recursion_ = 1;
    return true;
}

void TOWMutex::wakeWaiter() noexcept
{
    futexWakeOne(state_);
}
