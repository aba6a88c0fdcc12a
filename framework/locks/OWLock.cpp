#include "framework/locks/OWLock.h"

#include "framework/locks/OWLockDiagnostics.h"

#include <algorithm>
#include <mutex>
#include <new>

using owLockDiagnostics::Report;

namespace {

// Waits of a read or write section grow by 1 ms per failed try up to this.
constexpr std::uint32_t longestTryMs = 20;
// A stop section waits in steps of this length until it has the lock.
constexpr std::uint32_t stopWaitStepMs = 1000;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// Sanitizers see through the general heap only.
constexpr bool poolSections = false;
#else
constexpr bool poolSections = true;
#endif

constexpr std::size_t sectionBlockSize = 64;
constexpr int maxPooledSections = 32;

struct TFreeBlock {
    TFreeBlock* next;
};

// Trivial, so that reaching it costs no initialisation check; the reaper
// that frees its blocks when the thread ends is made with the first block.
struct TSectionPool {
    TFreeBlock* head;
    int count;
    // Blocks are kept only while a reaper will free them: not before the
    // thread's first block, nor once the thread is ending.
    bool reaped;
    bool ending;
};
thread_local constinit TSectionPool sectionPool{nullptr, 0, false, false};

struct TSectionPoolReaper {
    ~TSectionPoolReaper()
    {
        while (sectionPool.head)
            ::operator delete(std::exchange(sectionPool.head, sectionPool.head->next));
        sectionPool.reaped = false;
        sectionPool.ending = true;
    }
};

void* newSectionBlock()
{
    thread_local TSectionPoolReaper reaper;
    (void)reaper;
    sectionPool.reaped = !sectionPool.ending;
    return ::operator new(sectionBlockSize);
}

} // namespace

// ---------------------------------------------------------------- TOWLock

TOWLock::TOWLock()
{
    Report(this, nullptr, TOWLockEvent::LockCreated);
}

TOWLock::~TOWLock()
{
    Report(this, nullptr, TOWLockEvent::LockDestroyed);
}

TOWIntf<TOWLock> TOWLock::Create()
{
    return TOWIntf<TOWLock>(new TOWLock(), owAdoptRef);
}

TOWLockSectionRef TOWLock::ReadSection()
{
    auto section = TOWSimpleReadLockSection::Create(*this);
    if (!section->Acquired())
        return {};
    return section;
}

TOWLockSectionRef TOWLock::WriteSection()
{
    auto section = TOWSimpleWriteLockSection::Create(*this);
    if (!section->Acquired())
        return {};
    return section;
}

TOWLockSectionRef TOWLock::StopSection()
{
    return TOWSimpleStopLockSection::Create(*this);
}

TOWLockSectionRef TOWLock::UnlockSection()
{
    return TOWSimpleUnlockSection::Create(*this);
}

TOWLockState TOWLock::State() const
{
    std::lock_guard hold(guard_);
    TOWLockState state;
    state.ownerThread = ownerThread_.load(std::memory_order_relaxed);
    state.holdCount = holdCount_.load(std::memory_order_relaxed);
    state.stopCount = stopCount_.load(std::memory_order_relaxed);
    for (const TThreadAccount& a : accounts_)
        (a.thread == state.ownerThread ? state.ownerSkipped : state.skipped) += a.skipped;
    return state;
}

bool TOWLock::IsHeldByCaller() const
{
    return ownedBy(OWCurrentThreadId());
}

TOWLock::TThreadAccount* TOWLock::findAccount(TOWThreadId thread)
{
    auto it = std::find_if(accounts_.begin(), accounts_.end(),
                           [thread](const TThreadAccount& a) { return a.thread == thread; });
    return it == accounts_.end() ? nullptr : &*it;
}

TOWLock::TThreadAccount& TOWLock::account(TOWThreadId thread)
{
    if (TThreadAccount* found = findAccount(thread))
        return *found;
    return accounts_.emplace_back(TThreadAccount{thread, 0, 0});
}

void TOWLock::dropAccountIfIdle(TThreadAccount& entry)
{
    if (entry.skipped == 0 && entry.owed == 0) {
        entry = accounts_.back();
        accounts_.pop_back();
    }
}

bool TOWLock::tryAcquire(std::uint32_t timeoutMs, TOWThreadId me)
{
    // Recursion by the owner never touches the mutex.
    if (ownedBy(me)) {
        addHolds(1);
        return true;
    }
    if (stopCount_.load(std::memory_order_acquire) > 0)
        return false;
    if (!mutex_.TryWait(me) && !mutex_.WaitFor(timeoutMs))
        return false;
    takeOwnership(me, 1);
    return true;
}

bool TOWLock::enterExclusive(IOWLock* yieldLock, TOWLockSectionRef& yieldSection, TOWThreadId me)
{
    std::uint32_t timeout = 1;
    for (;;) {
        if (tryAcquire(timeout, me))
            return true;
        {
            std::lock_guard hold(guard_);
            if (stopCount_.load(std::memory_order_relaxed) > 0) {
                ++account(me).skipped;
                return false;
            }
        }
        if (timeout < longestTryMs)
            ++timeout;
        else if (yieldLock && !yieldSection)
            // After about 210 ms, let go of the other lock so that whoever
            // holds this one and waits for that one can finish.
            yieldSection = yieldLock->UnlockSection();
    }
}

void TOWLock::leave(TEntry entry, TOWThreadId me)
{
    // Each section gives back what it took. Only when that is gone (an unlock
    // section took the thread's holds back as skipped ones, or still keeps
    // them aside) does it settle with what the thread has instead; never with
    // another thread's counts.
    if (entry == TEntry::Held && ownedBy(me)) {
        dropHold();
        return;
    }
    std::lock_guard hold(guard_);
    TThreadAccount* mine = findAccount(me);
    if (mine && mine->skipped > 0) {
        --mine->skipped;
        dropAccountIfIdle(*mine);
        return;
    }
    if (ownedBy(me)) {
        dropHold();
        return;
    }
    ++account(me).owed;
}

void TOWLock::enterStop(TOWThreadId me)
{
    {
        std::lock_guard hold(guard_);
        stopCount_.fetch_add(1, std::memory_order_release);
    }
    if (ownedBy(me)) {
        addHolds(1);
        return;
    }
    while (!mutex_.WaitFor(stopWaitStepMs)) {
    }
    takeOwnership(me, 1);
}

void TOWLock::leaveStop(TOWThreadId me)
{
    {
        std::lock_guard hold(guard_);
        stopCount_.fetch_sub(1, std::memory_order_release);
    }
    leave(TEntry::Held, me);
}

std::int32_t TOWLock::suspendHolds(TOWThreadId me)
{
    // Only the owner has holds to put aside; the skipped sections of a thread
    // hold nothing and stay as they are.
    if (!ownedBy(me))
        return 0;
    const std::int32_t saved = holdCount_.load(std::memory_order_relaxed);
    takeOwnership(0, 0);
    mutex_.Release(me);
    return saved;
}

void TOWLock::restoreHolds(std::int32_t holds, TOWThreadId me)
{
    if (holds == 0)
        return;
    {
        std::lock_guard hold(guard_);
        if (TThreadAccount* mine = findAccount(me)) {
            const std::int32_t settled = std::min(mine->owed, holds);
            mine->owed -= settled;
            holds -= settled;
            dropAccountIfIdle(*mine);
        }
    }
    if (holds == 0)
        return;
    for (;;) {
        if (tryAcquire(1, me)) {
            addHolds(holds - 1);
            return;
        }
        std::lock_guard hold(guard_);
        if (stopCount_.load(std::memory_order_relaxed) > 0) {
            // Another thread is stopping the lock: the holds come back as
            // skipped sections rather than waiting for it.
            account(me).skipped += holds;
            return;
        }
    }
}

// ---------------------------------------------------------------- sections

void* TOWLockSection::operator new(std::size_t size)
{
    if constexpr (poolSections) {
        TSectionPool& pool = sectionPool;
        if (size <= sectionBlockSize && pool.head) {
            --pool.count;
            return std::exchange(pool.head, pool.head->next);
        }
        if (size <= sectionBlockSize)
            return newSectionBlock();
        return ::operator new(size);
    }
    return ::operator new(size);
}

void TOWLockSection::operator delete(void* block, std::size_t size) noexcept
{
    if constexpr (poolSections) {
        TSectionPool& pool = sectionPool;
        if (size <= sectionBlockSize && pool.reaped && pool.count < maxPooledSections) {
            pool.head = ::new (block) TFreeBlock{pool.head};
            ++pool.count;
            return;
        }
    }
    ::operator delete(block);
}

TOWLockSection::TOWLockSection(TOWLock& lock)
    : Lock(&lock), LockObject(&lock), Thread(OWCurrentThreadId())
{
}

TOWSimpleReadLockSection::TOWSimpleReadLockSection(IOWLock& lock, IOWLock* yieldLock)
    : TOWLockSection(lock.GetLockObject())
{
    Report(LockObject, this, TOWLockEvent::ReadWaiting);
    acquired_ = LockObject->enterExclusiveFast(yieldLock, yieldSection_, Thread);
    Report(LockObject, this, TOWLockEvent::ReadAcquired);
}

TOWSimpleReadLockSection::~TOWSimpleReadLockSection()
{
    Report(LockObject, this, TOWLockEvent::ReadReleasing);
    LockObject->leaveFast(acquired_ ? TOWLock::TEntry::Held : TOWLock::TEntry::Skipped, Thread);
    Report(LockObject, this, TOWLockEvent::ReadReleased);
    // The yield section goes with the members, after this lock is given back.
}

TOWIntf<TOWSimpleReadLockSection> TOWSimpleReadLockSection::Create(IOWLock& lock, IOWLock* yieldLock)
{
    return TOWIntf<TOWSimpleReadLockSection>(new TOWSimpleReadLockSection(lock, yieldLock), owAdoptRef);
}

TOWSimpleWriteLockSection::TOWSimpleWriteLockSection(IOWLock& lock, IOWLock* yieldLock)
    : TOWSimpleLockSection(lock.GetLockObject())
{
    Report(LockObject, this, TOWLockEvent::WriteWaiting);
    acquired_ = LockObject->enterExclusiveFast(yieldLock, yieldSection_, Thread);
    Report(LockObject, this, TOWLockEvent::WriteAcquired);
}

TOWSimpleWriteLockSection::~TOWSimpleWriteLockSection()
{
    Report(LockObject, this, TOWLockEvent::WriteReleasing);
    LockObject->leaveFast(acquired_ ? TOWLock::TEntry::Held : TOWLock::TEntry::Skipped, Thread);
    Report(LockObject, this, TOWLockEvent::WriteReleased);
}

TOWIntf<TOWSimpleWriteLockSection> TOWSimpleWriteLockSection::Create(IOWLock& lock, IOWLock* yieldLock)
{
    return TOWIntf<TOWSimpleWriteLockSection>(new TOWSimpleWriteLockSection(lock, yieldLock), owAdoptRef);
}

TOWSimpleStopLockSection::TOWSimpleStopLockSection(IOWLock& lock)
    : TOWSimpleLockSection(lock.GetLockObject())
{
    Report(LockObject, this, TOWLockEvent::StopWaiting);
    LockObject->enterStop(Thread);
    Report(LockObject, this, TOWLockEvent::StopAcquired);
}

TOWSimpleStopLockSection::~TOWSimpleStopLockSection()
{
    Report(LockObject, this, TOWLockEvent::StopReleasing);
    LockObject->leaveStop(Thread);
    Report(LockObject, this, TOWLockEvent::StopReleased);
}

TOWIntf<TOWSimpleStopLockSection> TOWSimpleStopLockSection::Create(IOWLock& lock)
{
    return TOWIntf<TOWSimpleStopLockSection>(new TOWSimpleStopLockSection(lock), owAdoptRef);
}

TOWSimpleUnlockSection::TOWSimpleUnlockSection(IOWLock& lock)
    : TOWSimpleLockSection(lock.GetLockObject())
{
    Report(LockObject, this, TOWLockEvent::Unlocking);
    savedHolds_ = LockObject->suspendHolds(Thread);
    Report(LockObject, this, TOWLockEvent::Unlocked);
}

TOWSimpleUnlockSection::~TOWSimpleUnlockSection()
{
    Report(LockObject, this, TOWLockEvent::Relocking);
    LockObject->restoreHolds(savedHolds_, Thread);
    Report(LockObject, this, TOWLockEvent::Relocked);
}

TOWIntf<TOWSimpleUnlockSection> TOWSimpleUnlockSection::Create(IOWLock& lock)
{
    return TOWIntf<TOWSimpleUnlockSection>(new TOWSimpleUnlockSection(lock), owAdoptRef);
}

static_assert(sizeof(TOWSimpleReadLockSection) <= sectionBlockSize);
static_assert(sizeof(TOWSimpleWriteLockSection) <= sectionBlockSize);
static_assert(sizeof(TOWSimpleStopLockSection) <= sectionBlockSize);
static_assert(sizeof(TOWSimpleUnlockSection) <= sectionBlockSize);
