#pragma once
// Keeps an object from being destroyed while it is in use: use sections are
// refused once a destroy section is taken, and the destroy section waits until
// the use sections in progress have ended.
#include "framework/OWInterface.h"

#include <atomic>
#include <cstdint>

class TOWDestroyLock;

class IOWDestroyLockSection : public IOWInterface {
protected:
    ~IOWDestroyLockSection() = default;
};
using TOWDestroyLockSectionRef = TOWIntf<IOWDestroyLockSection>;

class IOWDestroyLock : public IOWInterface {
public:
    // Null once a destroy section has been taken.
    virtual TOWDestroyLockSectionRef UseSection() = 0;
    // Returns when no use section is left.
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

private:
    friend class TOWDestroyLockSection;
    friend class TOWDestroyLockLockSection;
    friend class TOWDestroyLockUnlockSection;

    TOWDestroyLock() = default;

    std::atomic<std::int32_t> useCount_{0};
    std::atomic<std::int32_t> destroyPending_{0};
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
