#include "framework/OWDestroyLock.h"

#include "framework/OWThread.h"

TOWIntf<TOWDestroyLock> TOWDestroyLock::Create()
{
    return TOWIntf<TOWDestroyLock>(new TOWDestroyLock(), owAdoptRef);
}

TOWDestroyLockSectionRef TOWDestroyLock::UseSection()
{
    useCount_.fetch_add(1, std::memory_order_acq_rel);
    if (destroyPending_.fetch_add(0, std::memory_order_acq_rel) != 0) {
        useCount_.fetch_sub(1, std::memory_order_acq_rel);
        return {};
    }
    return OWMake<TOWDestroyLockSection>(*this);
}

TOWDestroyLockSectionRef TOWDestroyLock::DestroySection()
{
    destroyPending_.fetch_add(1, std::memory_order_acq_rel);
    while (useCount_.load(std::memory_order_acquire) != 0)
        OWYield();
    return OWMake<TOWDestroyLockLockSection>(*this);
}

TOWDestroyLockSectionRef TOWDestroyLock::UnlockSection()
{
    return OWMake<TOWDestroyLockUnlockSection>(*this, destroyPending_.exchange(0, std::memory_order_acq_rel));
}

TOWDestroyLockSection::~TOWDestroyLockSection()
{
    lock_->GetLockObject().useCount_.fetch_sub(1, std::memory_order_acq_rel);
}

TOWDestroyLockLockSection::~TOWDestroyLockLockSection()
{
    lock_->destroyPending_.fetch_sub(1, std::memory_order_acq_rel);
}

TOWDestroyLockUnlockSection::~TOWDestroyLockUnlockSection()
{
    lock_->destroyPending_.fetch_add(savedPending_, std::memory_order_acq_rel);
}
