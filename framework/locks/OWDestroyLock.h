#pragma once
// Keeps an object from being destroyed while it is in use: use sections are
// refused once a destroy section is taken, and the destroy section waits until
// the use sections in progress have ended.
//
// The destroying thread does not wait for its own uses: an object may be
// destroyed by code it called inside a use (a handler freeing its own pin).
// The frames that held those uses then find the lock retired (Gone) and must
// not touch the object again. Uses are released on the thread that took them.
// Nor does it wait for a thread that waits in a destruction of its own for a
// use the destroying thread holds: that thread cannot go on first, and
// finds the object gone when it does (the cycle is broken on one side only).
#include "framework/locks/OWInterface.h"

#include <atomic>
#include <cstdint>
#include <functional>

class TOWDestroyLock;

// Counted uses of other kinds (a link's deliveries in flight) are recorded on
// the thread beside its destroy-lock uses, keyed by the object counted, so
// that a wait of either kind sees through threads that wait for this one
// and does not wait for the caller's own uses.
namespace owThreadUses {
namespace detail {
// The uses of the thread, latest last: the first ones in a plain array (no
// per-access initialisation), deeper nesting spills over.
inline constexpr int inlineCapacity = 64;
extern thread_local constinit const void* inlineUses[inlineCapacity];
extern thread_local constinit int inlineCount;
void pushSpilled(const void* key) noexcept;
void popElsewhere(const void* key) noexcept;
} // namespace detail

inline void Push(const void* key) noexcept
{
    if (detail::inlineCount < detail::inlineCapacity)
        detail::inlineUses[detail::inlineCount++] = key;
    else
        detail::pushSpilled(key);
}
// Uses are released on the thread that took them, latest first as a rule.
inline void Pop(const void* key) noexcept
{
    const int count = detail::inlineCount;
    if (count > 0 && count < detail::inlineCapacity && detail::inlineUses[count - 1] == key)
        detail::inlineCount = count - 1;
    else
        detail::popElsewhere(key);
}
std::int32_t OfCaller(const void* key) noexcept;
// Returns true once `inUse` (the uses of `key` by every thread) counts none
// but the caller's and those of threads that wait for a use the caller holds
// (directly or through a chain of waiting threads); false as soon as
// `giveUp` says so.
bool WaitForOthers(const void* key, const std::function<std::int32_t()>& inUse, const std::function<bool()>& giveUp);
// Waits until `inUse` counts no use of `key` at all, where going on earlier
// would leave another thread working on something already freed (an owner
// waiting for a component another thread frees). The waits above see
// through it: one that holds `key` does not wait for the caller's uses.
void WaitUntilNone(const void* key, const std::function<std::int32_t()>& inUse);
} // namespace owThreadUses

class IOWDestroyLockSection : public IOWInterface {
protected:
    ~IOWDestroyLockSection() = default;
};
using TOWDestroyLockSectionRef = TOWIntf<IOWDestroyLockSection>;

class IOWDestroyLock : public IOWInterface {
public:
    // Null once a destroy section has been taken.
    virtual TOWDestroyLockSectionRef UseSection() = 0;
    // Returns when no use section of another thread is left.
    virtual TOWDestroyLockSectionRef DestroySection() = 0;
    // Lifts the pending destruction for the section's lifetime.
    virtual TOWDestroyLockSectionRef UnlockSection() = 0;
    virtual TOWDestroyLock& GetLockObject() = 0;

protected:
    ~IOWDestroyLock() = default;
};
using TOWDestroyLockRef = TOWIntf<IOWDestroyLock>;

class TOWDestroyLock final : public TOWInterfacedObject<IOWDestroyLock> {
public:
    static TOWIntf<TOWDestroyLock> Create();

    TOWDestroyLockSectionRef UseSection() override;
    TOWDestroyLockSectionRef DestroySection() override;
    TOWDestroyLockSectionRef UnlockSection() override;
    TOWDestroyLock& GetLockObject() override { return *this; }

    std::int32_t UseCount() const { return useCount_.load(std::memory_order_acquire); }
    std::int32_t DestroyPending() const { return destroyPending_.load(std::memory_order_acquire); }

    // A use without an allocation: false when refused. A granted use is ended
    // with EndUse on the same thread; TOWDestroyLockUse pairs the two.
    bool TryUse() noexcept;
    void EndUse() noexcept;
    // The first half of DestroySection: refuses new uses from now on, without
    // waiting. The second half, WaitForOtherThreads, returns once no use of
    // another thread is left but those of threads held up by this one (see
    // above); OtherThreadsUse tells whether it would wait.
    TOWDestroyLockSectionRef MarkDestroyPending();
    bool OtherThreadsUse() const noexcept;
    void WaitForOtherThreads() const noexcept;
    // The object is gone for good: every later use is refused, whatever an
    // unlock section does.
    void Retire() noexcept { retired_.store(true, std::memory_order_seq_cst); }
    bool Retired() const noexcept { return retired_.load(std::memory_order_acquire); }
    // Uses of this lock held by the calling thread.
    std::int32_t UsesOfCaller() const noexcept;

private:
    friend class TOWDestroyLockSection;
    friend class TOWDestroyLockLockSection;
    friend class TOWDestroyLockUnlockSection;

    TOWDestroyLock() = default;

    std::atomic<std::int32_t> useCount_{0};
    std::atomic<std::int32_t> destroyPending_{0};
    std::atomic<bool> retired_{false};
};

// A use held for a scope, keeping the lock itself alive. Converts to true when
// granted; Gone tells, after a call out, whether the object was destroyed
// meanwhile (by this thread: no other thread can while the use is held).
class TOWDestroyLockUse {
public:
    TOWDestroyLockUse() = default;
    explicit TOWDestroyLockUse(TOWDestroyLock* lock) : lock_(lock)
    {
        if (lock_ && !lock_->TryUse())
            lock_.Reset();
    }
    TOWDestroyLockUse(const TOWDestroyLockUse&) = delete;
    TOWDestroyLockUse& operator=(const TOWDestroyLockUse&) = delete;
    ~TOWDestroyLockUse()
    {
        if (lock_)
            lock_->EndUse();
    }

    explicit operator bool() const noexcept { return static_cast<bool>(lock_); }
    bool Gone() const noexcept { return lock_ && lock_->Retired(); }

private:
    TOWIntf<TOWDestroyLock> lock_;
};

// A use held for a scope by a caller that keeps the lock alive itself for
// longer (it holds a borrowed pointer to the object throughout): the same as
// TOWDestroyLockUse without touching the lock's reference count.
class TOWDestroyLockHeldUse {
public:
    explicit TOWDestroyLockHeldUse(TOWDestroyLock* lock) noexcept : lock_(lock && lock->TryUse() ? lock : nullptr) {}
    TOWDestroyLockHeldUse(const TOWDestroyLockHeldUse&) = delete;
    TOWDestroyLockHeldUse& operator=(const TOWDestroyLockHeldUse&) = delete;
    ~TOWDestroyLockHeldUse()
    {
        if (lock_)
            lock_->EndUse();
    }

    explicit operator bool() const noexcept { return lock_ != nullptr; }

private:
    TOWDestroyLock* lock_;
};

// A use in progress; holds the destroy lock alive.
class TOWDestroyLockSection final : public TOWInterfacedObject<IOWDestroyLockSection> {
public:
    explicit TOWDestroyLockSection(IOWDestroyLock& lock) : lock_(&lock) {}
    ~TOWDestroyLockSection() override;

private:
    TOWDestroyLockRef lock_;
};

class TOWDestroyLockLockSection final : public TOWInterfacedObject<IOWDestroyLockSection> {
public:
    explicit TOWDestroyLockLockSection(TOWDestroyLock& lock) : lock_(&lock) {}
    ~TOWDestroyLockLockSection() override;

private:
    TOWIntf<TOWDestroyLock> lock_;
};

class TOWDestroyLockUnlockSection final : public TOWInterfacedObject<IOWDestroyLockSection> {
public:
    TOWDestroyLockUnlockSection(TOWDestroyLock& lock, std::int32_t savedPending)
        : lock_(&lock), savedPending_(savedPending)
    {
    }
    ~TOWDestroyLockUnlockSection() override;

private:
    TOWIntf<TOWDestroyLock> lock_;
    std::int32_t savedPending_;
};
