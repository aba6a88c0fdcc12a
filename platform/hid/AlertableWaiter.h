#pragma once
// The read thread's wait. A read is started without blocking and finishes
// inside the starting thread's next alertable sleep, so the buffer it fills is
// only ever written on that thread. Another thread can end a sleep at once
// with alert(), which is how a stop never waits for a report.
#include "platform/hid/HidTypes.h"
#include "platform/hid/UniqueFd.h"

#include <poll.h>

#include <cstdint>
#include <memory>
#include <span>

namespace zq::hid {

// A read in flight. Backends derive from it: they name the descriptors to
// watch and finish the read when one of them is ready.
class ReadOperation {
public:
    virtual ~ReadOperation() = default;

    static constexpr std::size_t MaxWatched = 2;
    // Fills up to MaxWatched entries; returns how many.
    virtual std::size_t watch(std::span<pollfd> fds) = 0;
    // Runs on the waiting thread after poll() found one of the watched
    // descriptors ready (revents filled); may complete the read.
    virtual void onReady(std::span<const pollfd> fds) = 0;

    void complete(std::uint32_t bytes)
    {
        completed_ = true;
        succeeded_ = true;
        bytes_ = bytes;
    }
    void fail(std::uint32_t error)
    {
        completed_ = true;
        succeeded_ = false;
        error_ = error;
    }
    bool completed() const { return completed_; }
    bool succeeded() const { return succeeded_; }
    std::uint32_t bytes() const { return bytes_; }
    std::uint32_t error() const { return error_; }

private:
    bool completed_ = false;
    bool succeeded_ = false;
    std::uint32_t bytes_ = 0;
    std::uint32_t error_ = 0;
};

// The record of one pending read: the owner it belongs to (like the event
// field of the platform's record) and the backend's state of the read.
struct OverlappedRead {
    void* owner = nullptr;
    std::shared_ptr<ReadOperation> operation;
};

class AlertableWaiter {
public:
    AlertableWaiter();
    AlertableWaiter(const AlertableWaiter&) = delete;
    AlertableWaiter& operator=(const AlertableWaiter&) = delete;

    // Any thread: the current or the next sleep ends at once with Alerted.
    void alert();
    // Owning thread: waits up to ms milliseconds; finishes the pending read
    // when its descriptors become ready and then returns IoCompletion.
    WaitResult sleepEx(std::uint32_t ms);

    // Owning thread: the read that the next sleeps should complete.
    void setPending(std::shared_ptr<ReadOperation> operation) { pending_ = std::move(operation); }
    const std::shared_ptr<ReadOperation>& pending() const { return pending_; }

private:
    UniqueFd wake_;
    std::shared_ptr<ReadOperation> pending_;
};

} // namespace zq::hid
