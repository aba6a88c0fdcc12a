#pragma once
// Runs calls of a worker thread on the main thread, synchronously: the worker
// waits until its call has returned. The main thread serves a call from its
// event loop, or directly while it waits for the worker to end, so a stop
// that begins while a call waits runs that call and cannot dead-lock.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class MainThreadHandOver : public std::enable_shared_from_this<MainThreadHandOver> {
public:
    // Worker thread. Needs a QCoreApplication whose event loop runs, or a main
    // thread waiting in waitForEnd().
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
    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> pending_;
    std::uint64_t requested_ = 0;
    std::uint64_t served_ = 0;
    bool finished_ = false;
    bool serving_ = false;
};
