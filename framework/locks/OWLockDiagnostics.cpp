#include "framework/locks/OWLockDiagnostics.h"

#include "framework/locks/OWCriticalSection.h"

#include <algorithm>
#include <vector>

namespace owLockDiagnostics {

std::atomic<int> enableCount{0};

namespace {

struct TListeners {
    TOWCriticalSection guard;
    std::vector<IOWLockDiagnosticListener*> list;
};

TListeners& listeners()
{
    static TListeners instance;
    return instance;
}

} // namespace

void AddListener(IOWLockDiagnosticListener* listener)
{
    auto& l = listeners();
    std::lock_guard hold(l.guard);
    l.list.push_back(listener);
}

void RemoveListener(IOWLockDiagnosticListener* listener)
{
    auto& l = listeners();
    std::lock_guard hold(l.guard);
    std::erase(l.list, listener);
}

void Enable() noexcept
{
    enableCount.fetch_add(1, std::memory_order_relaxed);
}

void Disable() noexcept
{
    enableCount.fetch_sub(1, std::memory_order_relaxed);
}

void Deliver(const TOWLock* lock, const IOWLockSection* section, TOWLockEvent code)
{
    auto& l = listeners();
    std::lock_guard hold(l.guard);
    for (IOWLockDiagnosticListener* listener : l.list)
        listener->LockEvent(lock, section, code, OWCurrentThreadId());
}

} // namespace owLockDiagnostics
