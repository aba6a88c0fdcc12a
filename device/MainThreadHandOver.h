#pragma once
// Runs calls of a worker thread on the main thread, synchronously: the worker
// waits until its call has returned. The main thread serves a call from its
// event loop (an eventfd watched by a socket notifier wakes it), or directly
// while it waits for the worker to end, so a stop that begins while a call
// waits runs that call and cannot dead-lock.
#include "platform/hid/UniqueFd.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class QSocketNotifier;

class MainThreadHandOver {
public:
    // Main thread.
    MainThreadHandOver();
    ~MainThreadHandOver();
    MainThreadHandOver(const MainThreadHandOver&) = delete;
    MainThreadHandOver& operator=(const MainThreadHandOver&) = delete;

    // Worker thread: returns once the main thread has run call.
    void run(std::function<void()> call);
    // Worker thread, last thing it does.
    void finish();

    // Main thread: runs the waiting call, if there is one.
    bool serve();
    // Main thread: returns once finish() was called, running calls meanwhile.
    void waitForEnd();
    // Main thread: whether a call of this worker is running right now (a stop
    // requested from inside it cannot wait for the worker).
    bool serving() const { return serving_; }
    bool finished();

private:
    void serveBurst();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> pending_;
    std::uint64_t requested_ = 0;
    std::uint64_t served_ = 0;
    // Mirrors of the two counters, read without the lock by a thread that
    // spins a few microseconds before it sleeps; the lock still decides.
    std::atomic<std::uint64_t> requestedHint_{0};
    std::atomic<std::uint64_t> servedHint_{0};
    // Set while the main thread serves a burst and watches for the next call
    // itself: the worker then need not wake it through the event loop.
    std::atomic<bool> inBurst_{false};
    bool finished_ = false;
    bool serving_ = false;
    zq::hid::UniqueFd wake_;
    std::unique_ptr<QSocketNotifier> notifier_;
};
