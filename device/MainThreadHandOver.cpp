#include "device/MainThreadHandOver.h"

#include <QSocketNotifier>

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

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
    using Clock = std::chrono::steady_clock;
    std::uint64_t drained = 0;
    [[maybe_unused]] auto n = ::read(wake_.get(), &drained, sizeof drained);
    // A busy worker asks again within microseconds of being served; taking
    // that call here saves a trip through the event loop per report. The
    // burst is short, so the rest of the program keeps its turn.
    const auto burstEnd = Clock::now() + std::chrono::milliseconds(2);
    while (serve()) {
        std::unique_lock lock(mutex_);
        const auto until = std::min(burstEnd, Clock::now() + std::chrono::microseconds(200));
        if (!changed_.wait_until(lock, until, [this] { return pending_ || finished_; }) || finished_)
            return;
    }
}

void MainThreadHandOver::run(std::function<void()> call)
{
    std::unique_lock lock(mutex_);
    pending_ = std::move(call);
    const std::uint64_t ticket = ++requested_;
    changed_.notify_all();
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wake_.get(), &one, sizeof one);
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
