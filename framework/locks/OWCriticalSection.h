#pragma once
// The critical-section wrappers of the framework.
#include <atomic>
#include <mutex>

// One recursive critical section; Enter and Leave pair on the same thread.
class TOWCriticalSection {
public:
    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }
    bool TryEnter() { return mutex_.try_lock(); }

    // So that std::lock_guard and std::scoped_lock work on it.
    void lock() { Enter(); }
    void unlock() { Leave(); }

private:
    std::recursive_mutex mutex_;
};

// Guard of a lock's counters. Its regions are a few instructions long and never
// nest, so spinning (and yielding when it takes long) costs far less than a
// kernel-backed critical section on the uncontended path every section takes.
class TOWSpinGuard {
public:
    void lock() noexcept
    {
        for (int spins = 0; busy_.exchange(true, std::memory_order_acquire); ++spins) {
            while (busy_.load(std::memory_order_relaxed)) {
                if (++spins > 64) {
                    yieldNow();
                    spins = 0;
                }
            }
        }
    }
    void unlock() noexcept { busy_.store(false, std::memory_order_release); }

private:
    static void yieldNow() noexcept;
    std::atomic<bool> busy_{false};
};
