#pragma once
// The lock model: one recursive lock owned by one thread at a time, handed out
// as sections whose lifetime is the locked region.
//
// Read and write sections are both exclusive. A stop section takes the lock and
// makes every other thread's new sections give up at once instead of waiting
// (used while an object is being destroyed). An unlock section lets go of the
// calling thread's holds for its lifetime and takes them back at its end.
// A section must be released on the thread that created it.
#include "framework/locks/OWCriticalSection.h"
#include "framework/locks/OWInterface.h"
#include "framework/locks/OWMutex.h"
#include "framework/locks/OWThread.h"

#include <atomic>
#include <cstdint>
#include <vector>

class TOWLock;

class IOWLockSection : public IOWInterface {
protected:
    ~IOWLockSection() = default;
};
using TOWLockSectionRef = TOWIntf<IOWLockSection>;

class IOWLock : public IOWInterface {
public:
    // Null when a stop section of another thread is in force.
    virtual TOWLockSectionRef ReadSection() = 0;
    virtual TOWLockSectionRef WriteSection() = 0;
    // Waits for the lock however long it takes; never null.
    virtual TOWLockSectionRef StopSection() = 0;
    virtual TOWLockSectionRef UnlockSection() = 0;
    virtual TOWLock& GetLockObject() = 0;

protected:
    ~IOWLock() = default;
};
using TOWLockRef = TOWIntf<IOWLock>;

// A consistent snapshot of a lock's counters, for diagnostics and tests.
struct TOWLockState {
    TOWThreadId ownerThread = 0;
    std::int32_t holdCount = 0;
    std::int32_t stopCount = 0;
    // Live sections that passed without the lock while a stop was in force:
    // those of the owning thread and those of the others.
    std::int32_t ownerSkipped = 0;
    std::int32_t skipped = 0;

    bool IsFree() const { return ownerThread == 0 && holdCount == 0 && stopCount == 0 && skipped == 0 && ownerSkipped == 0; }
};

class TOWLock final : public TOWInterfacedObject<IOWLock> {
public:
    static TOWIntf<TOWLock> Create();
    ~TOWLock() override;

    TOWLockSectionRef ReadSection() override;
    TOWLockSectionRef WriteSection() override;
    TOWLockSectionRef StopSection() override;
    TOWLockSectionRef UnlockSection() override;
    TOWLock& GetLockObject() override { return *this; }

    TOWLockState State() const;
    // True when the calling thread holds the lock.
    bool IsHeldByCaller() const;

private:
    friend class TOWLockSection;
    friend class TOWSimpleReadLockSection;
    friend class TOWSimpleWriteLockSection;
    friend class TOWSimpleStopLockSection;
    friend class TOWSimpleUnlockSection;

    TOWLock();

    // How a section came to be: with a hold on the lock, or let pass without
    // it while a stop was in force.
    enum class TEntry : std::uint8_t { Held, Skipped };

    // Per-thread accounting of what the mutex does not show. `skipped` counts
    // the thread's live sections that hold nothing; `owed` counts releases of
    // sections whose hold an unlock section of the thread has put aside (the
    // unlock section then takes back that many fewer).
    struct TThreadAccount {
        TOWThreadId thread;
        std::int32_t skipped;
        std::int32_t owed;
    };

    bool tryAcquire(std::uint32_t timeoutMs, TOWThreadId me);
    // Creation of a read or write section; false when it was let pass.
    bool enterExclusive(IOWLock* yieldLock, TOWLockSectionRef& yieldSection, TOWThreadId me);
    void leave(TEntry entry, TOWThreadId me);
    void enterStop(TOWThreadId me);
    void leaveStop(TOWThreadId me);
    std::int32_t suspendHolds(TOWThreadId me);
    void restoreHolds(std::int32_t holds, TOWThreadId me);

    // Inside guard_.
    TThreadAccount& account(TOWThreadId thread);
    TThreadAccount* findAccount(TOWThreadId thread);
    void dropAccountIfIdle(TThreadAccount& entry);
    // On the owning thread.
    bool ownedBy(TOWThreadId me) const { return ownerThread_.load(std::memory_order_relaxed) == me; }
    void takeOwnership(TOWThreadId me, std::int32_t holds)
    {
        holdCount_.store(holds, std::memory_order_relaxed);
        ownerThread_.store(me, std::memory_order_relaxed);
    }
    void addHolds(std::int32_t holds)
    {
        holdCount_.store(holdCount_.load(std::memory_order_relaxed) + holds, std::memory_order_relaxed);
    }
    void dropHold()
    {
        const std::int32_t left = holdCount_.load(std::memory_order_relaxed) - 1;
        holdCount_.store(left, std::memory_order_relaxed);
        if (left == 0) {
            const TOWThreadId me = ownerThread_.load(std::memory_order_relaxed);
            ownerThread_.store(0, std::memory_order_relaxed);
            mutex_.Release(me);
        }
    }
    // The paths of a section while nothing stops the lock.
    bool tryAcquireAtOnce(TOWThreadId me)
    {
        if (ownedBy(me)) {
            addHolds(1);
            return true;
        }
        if (stopCount_.load(std::memory_order_acquire) > 0 || !mutex_.TryWait(me))
            return false;
        takeOwnership(me, 1);
        return true;
    }
    bool enterExclusiveFast(IOWLock* yieldLock, TOWLockSectionRef& yieldSection, TOWThreadId me)
    {
        return tryAcquireAtOnce(me) || enterExclusive(yieldLock, yieldSection, me);
    }
    void leaveFast(TEntry entry, TOWThreadId me)
    {
        if (entry == TEntry::Held && ownedBy(me))
            dropHold();
        else
            leave(entry, me);
    }

    // The owner and its hold count change only on the thread that owns the
    // mutex (it sets them after taking the mutex and clears them before
    // letting it go); other threads only compare the owner with themselves.
    // So taking and releasing a section needs no guard while nothing is
    // stopping; the guard keeps the stop count and the accounts consistent.
    mutable TOWSpinGuard guard_;
    std::atomic<std::int32_t> holdCount_{0};
    std::atomic<std::int32_t> stopCount_{0};
    std::atomic<TOWThreadId> ownerThread_{0};
    std::vector<TThreadAccount> accounts_;
    TOWMutex mutex_;
};

// Base of the section classes. Sections are small and short-lived, so they
// come from a per-thread free list rather than the general heap.
class TOWLockSection : public TOWInterfacedObject<IOWLockSection> {
public:
    static void* operator new(std::size_t size);
    static void operator delete(void* block, std::size_t size) noexcept;

protected:
    explicit TOWLockSection(TOWLock& lock);

    TOWLockRef Lock;
    TOWLock* LockObject;
    TOWThreadId Thread;
};

class TOWSimpleReadLockSection final : public TOWLockSection {
public:
    // The yield lock may be null. The section exists even when it was let pass
    // during a stop; Acquired tells.
    static TOWIntf<TOWSimpleReadLockSection> Create(IOWLock& lock, IOWLock* yieldLock = nullptr);
    ~TOWSimpleReadLockSection() override;
    bool Acquired() const { return acquired_; }

private:
    TOWSimpleReadLockSection(IOWLock& lock, IOWLock* yieldLock);
    TOWLockSectionRef yieldSection_;
    bool acquired_ = false;
};

class TOWSimpleLockSection : public TOWLockSection {
protected:
    using TOWLockSection::TOWLockSection;
};

class TOWSimpleWriteLockSection final : public TOWSimpleLockSection {
public:
    static TOWIntf<TOWSimpleWriteLockSection> Create(IOWLock& lock, IOWLock* yieldLock = nullptr);
    ~TOWSimpleWriteLockSection() override;
    bool Acquired() const { return acquired_; }

private:
    TOWSimpleWriteLockSection(IOWLock& lock, IOWLock* yieldLock);
    TOWLockSectionRef yieldSection_;
    bool acquired_ = false;
};

class TOWSimpleStopLockSection final : public TOWSimpleLockSection {
public:
    static TOWIntf<TOWSimpleStopLockSection> Create(IOWLock& lock);
    ~TOWSimpleStopLockSection() override;

private:
    explicit TOWSimpleStopLockSection(IOWLock& lock);
};

class TOWSimpleUnlockSection final : public TOWSimpleLockSection {
public:
    static TOWIntf<TOWSimpleUnlockSection> Create(IOWLock& lock);
    ~TOWSimpleUnlockSection() override;
    // The holds put aside, to be taken back at the end.
    std::int32_t SavedHolds() const { return savedHolds_; }

private:
    explicit TOWSimpleUnlockSection(IOWLock& lock);
    std::int32_t savedHolds_ = 0;
};
