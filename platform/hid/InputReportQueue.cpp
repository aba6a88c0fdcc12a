#include "platform/hid/InputReportQueue.h"

#include "platform/hid/EventFd.h"

#include <algorithm>
#include <array>
#include <cerrno>

namespace zq::hid {

namespace {

// Longest report a HID device can send, and one byte for an id put in front.
constexpr std::size_t longestReport = 4096 + 1;

} // namespace

InputReportQueue::InputReportQueue(std::uint32_t capacity)
    : capacity_(std::max<std::uint32_t>(capacity, 1)), ready_(makeEventFd("report queue event"))
{
}

void InputReportQueue::setCapacity(std::uint32_t capacity)
{
    std::lock_guard lock(mutex_);
    capacity_ = std::max<std::uint32_t>(capacity, 1);
    dropOldestBeyondLocked(capacity_);
    updateReadyLocked();
}

std::uint32_t InputReportQueue::capacity() const
{
    std::lock_guard lock(mutex_);
    return capacity_;
}

void InputReportQueue::dropOldestBeyondLocked(std::size_t count)
{
    while (reports_.size() > count) {
        reports_.pop_front();
        ++dropped_;
    }
}

// The event is raised exactly while a report or the end waits, so a reader
// polling it never misses one and never wakes for nothing.
void InputReportQueue::updateReadyLocked()
{
    const bool ready = !reports_.empty() || endError_ != 0;
    if (ready && !signalled_)
        raiseEvent(ready_);
    else if (!ready && signalled_)
        lowerEvent(ready_);
    signalled_ = ready;
}

void InputReportQueue::push(std::span<const std::uint8_t> report)
{
    std::lock_guard lock(mutex_);
    if (endError_ != 0)
        return;
    dropOldestBeyondLocked(capacity_ - 1);
    reports_.emplace_back(report.begin(), report.end());
    updateReadyLocked();
}

void InputReportQueue::end(std::uint32_t error)
{
    std::lock_guard lock(mutex_);
    if (endError_ != 0)
        return;
    endError_ = error != 0 ? error : ENODEV;
    reports_.clear();
    updateReadyLocked();
}

bool InputReportQueue::take(std::vector<std::uint8_t>& report, std::uint32_t& error)
{
    {
        std::lock_guard lock(mutex_);
        error = endError_;
        if (error != 0 || reports_.empty())
            return false;
        report = std::move(reports_.front());
        reports_.pop_front();
        updateReadyLocked();
    }
    if (onTaken_)
        onTaken_();
    return true;
}

bool InputReportQueue::ended(std::uint32_t& error) const
{
    std::lock_guard lock(mutex_);
    error = endError_;
    return error != 0;
}

std::uint64_t InputReportQueue::dropped() const
{
    std::lock_guard lock(mutex_);
    return dropped_;
}

std::size_t InputReportQueue::size() const
{
    std::lock_guard lock(mutex_);
    return reports_.size();
}

// ---------------------------------------------------------------------------

ReportPump::ReportPump(int sourceFd, ReadOne readOne, std::shared_ptr<InputReportQueue> queue)
    : sourceFd_(sourceFd), readOne_(std::move(readOne)), queue_(std::move(queue)), stop_(makeEventFd("pump stop event"))
{
    thread_ = std::thread([this] { run(); });
}

ReportPump::~ReportPump()
{
    raiseEvent(stop_);
    thread_.join();
}

void ReportPump::run()
{
    std::vector<std::uint8_t> buffer(longestReport);
    for (;;) {
        std::array<pollfd, 2> fds{pollfd{stop_.get(), POLLIN, 0}, pollfd{sourceFd_, POLLIN, 0}};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return queue_->end(static_cast<std::uint32_t>(errno));
        }
        if (fds[0].revents != 0)
            return;
        if ((fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            return queue_->end(ENODEV);
        if ((fds[1].revents & POLLIN) == 0)
            continue;
        std::size_t size = 0;
        const int result = readOne_(buffer, size);
        if (result == 0)
            queue_->push(std::span<const std::uint8_t>(buffer).first(std::min(size, buffer.size())));
        else if (result != EAGAIN && result != EINTR)
            return queue_->end(static_cast<std::uint32_t>(result));
    }
}

// ---------------------------------------------------------------------------

QueuedReadOperation::QueuedReadOperation(std::shared_ptr<InputReportQueue> queue, int cancelFd,
                                         std::shared_ptr<const void> keepAlive, std::span<std::uint8_t> buffer)
    : queue_(std::move(queue)), cancelFd_(cancelFd), keepAlive_(std::move(keepAlive)), buffer_(buffer)
{
}

std::size_t QueuedReadOperation::watch(std::span<pollfd> fds)
{
    fds[0] = {queue_->readyFd(), POLLIN, 0};
    fds[1] = {cancelFd_, POLLIN, 0};
    return 2;
}

void QueuedReadOperation::onReady(std::span<const pollfd> fds)
{
    if (fds[1].revents != 0)
        return fail(ECANCELED);
    std::vector<std::uint8_t> report;
    std::uint32_t error = 0;
    if (!queue_->take(report, error)) {
        if (error != 0)
            fail(error);
        return;
    }
    // A report longer than the caller's buffer must not pass as whole.
    if (report.size() > buffer_.size())
        return fail(EMSGSIZE);
    std::copy(report.begin(), report.end(), buffer_.begin());
    complete(static_cast<std::uint32_t>(report.size()));
}

} // namespace zq::hid
