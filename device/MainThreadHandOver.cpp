#include "device/MainThreadHandOver.h"

#include <QSocketNotifier>

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

// A report and its reply follow each other within microseconds while a device
// is busy; putting a thread to sleep and waking it again costs more than that.
// So each side first watches briefly for the other, and only then sleeps. The
// watch only ever follows a report, so an idle device still costs nothing.
constexpr auto spinLimit = std::chrono::microseconds(50);

template <typename Ready>
bool spinUntil(Ready ready)
{
    const auto end = Clock::now() + spinLimit;
    while (!ready()) {
        if (Clock::now() >= end)
            return false;
#if defined(__x86_64__) || defined(__i386__)
        _mm_pause();
#endif
    }
    return true;
}

} // namespace

MainThreadHandOver::MainThreadHandOver() : wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (!wake_.valid())
        throw std::runtime_error("cannot create the hand-over event");
    notifier_ = std::make_unique<QSocketNotifier>(wake_.get(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { serveBurst(); });
}

MainThreadHandOver::~MainThreadHandOver() = default;

void MainThreadHandOver::serveBurst()
{
    std::uint64_t drained = 0;
    [[maybe_unused]] auto n = ::read(wake_.get(), &drained, sizeof drained);
    // A busy worker asks again within microseconds of being served; taking
    // that call here saves a trip through the event loop per report. The
    // burst is short, so the rest of the program keeps its turn.
    const auto burstEnd = Clock::now() + std::chrono::milliseconds(2);
    inBurst_.store(true);
    while (serve()) {
        spinUntil([this] { return requestedHint_.load(std::memory_order_acquire) > servedHint_.load(); });
        std::unique_lock lock(mutex_);
        const auto until = std::min(burstEnd, Clock::now() + std::chrono::microseconds(200));
        if (!changed_.wait_until(lock, until, [this] { return pending_ || finished_; }) || finished_)
            break;
    }
    inBurst_.store(false);
    // A call that came just as the burst ended found inBurst_ still set and
    // rang no bell: take it now rather than leave the worker waiting.
    serve();
}

void MainThreadHandOver::run(std::function<void()> call)
{
    std::unique_lock lock(mutex_);
    pending_ = std::move(call);
    const std::uint64_t ticket = ++requested_;
    requestedHint_.store(ticket, std::memory_order_release);
    changed_.notify_all();
    if (!inBurst_.load()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(wake_.get(), &one, sizeof one);
    }
    lock.unlock();
    spinUntil([&] { return servedHint_.load(std::memory_order_acquire) >= ticket; });
    lock.lock();
    changed_.wait(lock, [&] { return served_ >= ticket; });
}

void MainThreadHandOver::finish()
{
    std::lock_guard lock(mutex_);
    finished_ = true;
    changed_.notify_all();
}

bool MainThreadHandOver::serve()
{
    std::unique_lock lock(mutex_);
    if (!pending_)
        return false;
    auto call = std::move(pending_);
    pending_ = nullptr;
    lock.unlock();
    serving_ = true;
    call();
    serving_ = false;
    lock.lock();
    ++served_;
    servedHint_.store(served_, std::memory_order_release);
    changed_.notify_all();
    return true;
}

void MainThreadHandOver::waitForEnd()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        if (pending_) {
            lock.unlock();
            serve();
            lock.lock();
            continue;
        }
        if (finished_)
            return;
        changed_.wait(lock);
    }
}

bool MainThreadHandOver::finished()
{
    std::lock_guard lock(mutex_);
    return finished_;
}
