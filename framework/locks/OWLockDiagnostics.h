#pragma once
// Reports of lock operations to diagnostic listeners. Reporting costs one
// relaxed load while nobody has enabled it.
#include "framework/locks/OWThread.h"

#include <atomic>
#include <cstdint>

class TOWLock;
class IOWLockSection;

enum class TOWLockEvent : std::uint8_t {
    LockCreated = 2,
    LockDestroyed = 3,
    WriteWaiting = 4,
    WriteAcquired = 5,
    WriteReleasing = 6,
    WriteReleased = 7,
    ReadWaiting = 8,
    ReadAcquired = 9,
    ReadReleasing = 10,
    ReadReleased = 11,
    StopWaiting = 12,
    StopAcquired = 13,
    StopReleasing = 14,
    StopReleased = 15,
    Unlocking = 16,
    Unlocked = 17,
    Relocking = 18,
    Relocked = 19,
};

class IOWLockDiagnosticListener {
public:
    virtual void LockEvent(const TOWLock* lock, const IOWLockSection* section, TOWLockEvent code,
                           TOWThreadId thread) = 0;

protected:
    ~IOWLockDiagnosticListener() = default;
};

namespace owLockDiagnostics {

void AddListener(IOWLockDiagnosticListener* listener);
void RemoveListener(IOWLockDiagnosticListener* listener);
// Reports reach the listeners while the enable count is above 0.
void Enable() noexcept;
void Disable() noexcept;

extern std::atomic<int> enableCount;
void Deliver(const TOWLock* lock, const IOWLockSection* section, TOWLockEvent code);

inline void Report(const TOWLock* lock, const IOWLockSection* section, TOWLockEvent code)
{
    if (enableCount.load(std::memory_order_relaxed) > 0) [[unlikely]]
        Deliver(lock, section, code);
}

} // namespace owLockDiagnostics
