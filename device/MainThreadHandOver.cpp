#include "device/MainThreadHandOver.h"

#include <QCoreApplication>
#include <QMetaObject>

void MainThreadHandOver::run(std::function<void()> call)
{
    std::unique_lock lock(mutex_);
    pending_ = std::move(call);
    const std::uint64_t ticket = ++requested_;
    changed_.notify_all();
    if (auto* app = QCoreApplication::instance()) {
        std::weak_ptr<MainThreadHandOver> weak = weak_from_this();
        QMetaObject::invokeMethod(
            app,
            [weak] {
                if (auto self = weak.lock())
                    self->serve();
            },
            Qt::QueuedConnection);
    }
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
