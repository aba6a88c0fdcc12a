#include "platform/hid/AlertableWaiter.h"

#include <sys/eventfd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <stdexcept>

namespace zq::hid {

AlertableWaiter::AlertableWaiter() : wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (!wake_.valid())
        throw std::runtime_error("cannot create the wake-up event");
}

void AlertableWaiter::alert()
{
    const std::uint64_t one = 1;
    // A full counter already means "wake up", so a failed write loses nothing.
    [[maybe_unused]] auto n = ::write(wake_.get(), &one, sizeof one);
}

WaitResult AlertableWaiter::sleepEx(std::uint32_t ms)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (pending_ && pending_->completed()) {
            pending_.reset();
            return WaitResult::IoCompletion;
        }
        std::array<pollfd, 1 + ReadOperation::MaxWatched> fds{};
        fds[0] = {wake_.get(), POLLIN, 0};
        std::size_t count = 1;
        if (pending_)
            count += pending_->watch(std::span(fds).subspan(1));

        // Rounded up: a poll of 0 ms for the last fraction would spin.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return WaitResult::Timeout;
        const int ready = ::poll(fds.data(), count, static_cast<int>(left.count()));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return WaitResult::Timeout;
        }
        if (ready == 0) {
            if (Clock::now() >= deadline)
                return WaitResult::Timeout;
            continue;
        }
        if (fds[0].revents != 0) {
            std::uint64_t drained = 0;
            [[maybe_unused]] auto n = ::read(wake_.get(), &drained, sizeof drained);
            return WaitResult::Alerted;
        }
        if (pending_)
            pending_->onReady(std::span<const pollfd>(fds.data() + 1, count - 1));
    }
}

} // namespace zq::hid
