#pragma once
// The input reports of one read handle, taken from the platform as they
// arrive and kept until the read thread asks for them. The platform's own
// queue is short (a hidraw node keeps 64 reports and drops new ones when it
// is full) while a device's user asks for a count of its own; a pump thread
// per read handle empties the platform's queue into one of that count. When
// that one is full too, its oldest report goes and is counted.
#include "platform/hid/AlertableWaiter.h"
#include "platform/hid/UniqueFd.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace zq::hid {

class InputReportQueue {
public:
    explicit InputReportQueue(std::uint32_t capacity);

    // A smaller capacity drops the oldest reports beyond it (counted).
    void setCapacity(std::uint32_t capacity);
    std::uint32_t capacity() const;

    // Any thread.
    void push(std::span<const std::uint8_t> report);
    // The source is gone: every later take fails with error; queued reports
    // are dropped with it, as a read pending on a vanished device ends.
    void end(std::uint32_t error);
    // True with a report; false with error 0 when none waits, or with the
    // error the source ended with.
    bool take(std::vector<std::uint8_t>& report, std::uint32_t& error);
    bool ended(std::uint32_t& error) const;

    // Readable while a report or the end waits.
    int readyFd() const { return ready_.get(); }
    std::uint64_t dropped() const;
    std::size_t size() const;
    // Runs after each take, outside the queue's lock. Set before any take.
    void setOnTaken(std::function<void()> onTaken) { onTaken_ = std::move(onTaken); }

private:
    void dropOldestBeyondLocked(std::size_t count);
    void updateReadyLocked();

    mutable std::mutex mutex_;
    std::deque<std::vector<std::uint8_t>> reports_;
    std::uint32_t capacity_;
    std::uint64_t dropped_ = 0;
    std::uint32_t endError_ = 0;
    bool signalled_ = false;
    UniqueFd ready_;
    std::function<void()> onTaken_;
};

// Moves the reports of a source into a queue as they arrive, on a thread of
// its own, until it is destroyed or the source ends.
class ReportPump {
public:
    // Called when the source is readable: reads one report into buffer and
    // returns 0 with its size, EAGAIN when there was none after all, or the
    // errno value the source ended with.
    using ReadOne = std::function<int(std::span<std::uint8_t> buffer, std::size_t& size)>;

    ReportPump(int sourceFd, ReadOne readOne, std::shared_ptr<InputReportQueue> queue);
    ~ReportPump();
    ReportPump(const ReportPump&) = delete;
    ReportPump& operator=(const ReportPump&) = delete;

private:
    void run();

    int sourceFd_;
    ReadOne readOne_;
    std::shared_ptr<InputReportQueue> queue_;
    UniqueFd stop_;
    std::thread thread_;
};

// A read served from a queue: it completes with the next report, fails with
// the error the source ended with, or with ECANCELED once cancelFd is
// readable (the handle was closed).
class QueuedReadOperation : public ReadOperation {
public:
    QueuedReadOperation(std::shared_ptr<InputReportQueue> queue, int cancelFd, std::shared_ptr<const void> keepAlive,
                        std::span<std::uint8_t> buffer);

    std::size_t watch(std::span<pollfd> fds) override;
    void onReady(std::span<const pollfd> fds) override;

private:
    std::shared_ptr<InputReportQueue> queue_;
    int cancelFd_;
    std::shared_ptr<const void> keepAlive_; // owner of cancelFd
    std::span<std::uint8_t> buffer_;
};

} // namespace zq::hid
