#pragma once
// One unnamed mutex, created not owned, owned by a thread and recursive like
// the platform's: the owner may wait on it again and must release as often.
#include "framework/locks/OWThread.h"

#include <atomic>
#include <cstdint>

class TOWMutex {
public:
    TOWMutex() = default;
    TOWMutex(const TOWMutex&) = delete;
    TOWMutex& operator=(const TOWMutex&) = delete;

    // True unless the wait timed out. A mutex whose owner thread ended without
    // releasing it is abandoned: the wait takes it over and counts as success.
    bool WaitFor(std::uint32_t milliseconds);
    // Takes the mutex only when that needs no waiting.
    bool TryWait() noexcept { return TryWait(OWCurrentThreadId()); }
    // False when the caller does not own the mutex.
    bool Release() noexcept { return Release(OWCurrentThreadId()); }
    // The same for a caller that has its own thread id at hand.
    bool TryWait(TOWThreadId me) noexcept
    {
        if (owner_.load(std::memory_order_relaxed) == me) {
            ++recursion_;
            return true;
        }
        std::uint32_t expected = 0;
        if (!state_.compare_exchange_strong(expected, 1, std::memory_order_acquire, std::memory_order_relaxed))
            return false;
        owner_.store(me, std::memory_order_relaxed);
        recursion_ = 1;
        return true;
    }
    bool Release(TOWThreadId me) noexcept
    {
        if (owner_.load(std::memory_order_relaxed) != me)
            return false;
        if (--recursion_ > 0)
            return true;
        owner_.store(0, std::memory_order_relaxed);
        if (state_.exchange(0, std::memory_order_release) == 2)
            wakeWaiter();
        return true;
    }

    TOWThreadId Owner() const noexcept { return owner_.load(std::memory_order_relaxed); }

private:
    bool takeOverAbandoned(TOWThreadId me) noexcept;
    void wakeWaiter() noexcept;

    // 0 free, 1 owned, 2 owned with (possible) waiters.
    std::atomic<std::uint32_t> state_{0};
    std::atomic<TOWThreadId> owner_{0};
    // Touched by the owner only.
    std::uint32_t recursion_ = 0;
};
