#include "framework/OWDestroyLock.h"

#include "framework/OWThread.h"

#include <algorithm>
#include <vector>

namespace {

// The destroy locks whose uses the thread holds, latest last; a destroy
// section taken by the thread does not wait for these.
thread_local std::vector<const TOWDestroyLock*> usesOfThread;

} // namespace

TOWIntf<TOWDestroyLock> TOWDestroyLock::Create()
{
    return TOWIntf<TOWDestroyLock>(new TOWDestroyLock(), owAdoptRef);
}

bool TOWDestroyLock::TryUse() noexcept
{
    // Sequentially consistent on both sides: either the destroyer sees this
    // use or this use sees the pending destruction.
    useCount_.fetch_add(1, std::memory_order_seq_cst);
    if (destroyPending_.load(std::memory_order_seq_cst) != 0 || retired_.load(std::memory_order_seq_cst)) {
        useCount_.fetch_sub(1, std::memory_order_seq_cst);
        return false;
    }
    usesOfThread.push_back(this);
    return true;
}

void TOWDestroyLock::EndUse() noexcept
{
    auto it = std::find(usesOfThread.rbegin(), usesOfThread.rend(), this);
    if (it != usesOfThread.rend())
        usesOfThread.erase(std::next(it).base());
    useCount_.fetch_sub(1, std::memory_order_seq_cst);
}

std::int32_t TOWDestroyLock::UsesOfCaller() const noexcept
{
    return static_cast<std::int32_t>(std::count(usesOfThread.begin(), usesOfThread.end(), this));
}

bool TOWDestroyLock::OtherThreadsUse() const noexcept
{
    return useCount_.load(std::memory_order_seq_cst) > UsesOfCaller();
}

void TOWDestroyLock::WaitForOtherThreads() const noexcept
{
    const std::int32_t mine = UsesOfCaller();
    while (useCount_.load(std::memory_order_seq_cst) > mine)
        OWYield();
}

TOWDestroyLockSectionRef TOWDestroyLock::UseSection()
{
    if (!TryUse())
        return {};
    return OWMake<TOWDestroyLockSection>(*this);
}

TOWDestroyLockSectionRef TOWDestroyLock::MarkDestroyPending()
{
    destroyPending_.fetch_add(1, std::memory_order_seq_cst);
    return OWMake<TOWDestroyLockLockSection>(*this);
}

TOWDestroyLockSectionRef TOWDestroyLock::DestroySection()
{
    auto section = MarkDestroyPending();
    WaitForOtherThreads();
    return section;
}

TOWDestroyLockSectionRef TOWDestroyLock::UnlockSection()
{
    return OWMake<TOWDestroyLockUnlockSection>(*this, destroyPending_.exchange(0, std::memory_order_acq_rel));
}

TOWDestroyLockSection::~TOWDestroyLockSection()
{
    lock_->GetLockObject().EndUse();
}

TOWDestroyLockLockSection::~TOWDestroyLockLockSection()
{
    lock_->destroyPending_.fetch_sub(1, std::memory_order_acq_rel);
}

TOWDestroyLockUnlockSection::~TOWDestroyLockUnlockSection()
{
    lock_->destroyPending_.fetch_add(savedPending_, std::memory_order_acq_rel);
}
