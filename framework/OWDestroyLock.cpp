#include "framework/OWDestroyLock.h"

#include "framework/OWThread.h"

#include <algorithm>
#include <vector>

namespace {

// The destroy locks whose uses the thread holds, latest last; a destroy
// section taken by the thread does not wait for these. The first ones live in
// a plain array (no per-access initialisation), deeper nesting spills over.
constexpr int inlineUseCapacity = 64;
thread_local constinit const TOWDestroyLock* inlineUses[inlineUseCapacity]{};
thread_local constinit int inlineUseCount = 0;
thread_local std::vector<const TOWDestroyLock*> spilledUses;

void pushUse(const TOWDestroyLock* lock)
{
    if (inlineUseCount < inlineUseCapacity)
        inlineUses[inlineUseCount++] = lock;
    else
        spilledUses.push_back(lock);
}

void popUse(const TOWDestroyLock* lock)
{
    if (inlineUseCount == inlineUseCapacity && !spilledUses.empty()) {
        auto it = std::find(spilledUses.rbegin(), spilledUses.rend(), lock);
        if (it != spilledUses.rend()) {
            spilledUses.erase(std::next(it).base());
            return;
        }
    }
    for (int i = inlineUseCount - 1; i >= 0; --i) {
        if (inlineUses[i] != lock)
            continue;
        std::copy(inlineUses + i + 1, inlineUses + inlineUseCount, inlineUses + i);
        --inlineUseCount;
        if (inlineUseCount == inlineUseCapacity - 1 && !spilledUses.empty()) {
            inlineUses[inlineUseCount++] = spilledUses.front();
            spilledUses.erase(spilledUses.begin());
        }
        return;
    }
}

std::int32_t countUses(const TOWDestroyLock* lock)
{
    std::int32_t n = static_cast<std::int32_t>(std::count(inlineUses, inlineUses + inlineUseCount, lock));
    if (inlineUseCount == inlineUseCapacity)
        n += static_cast<std::int32_t>(std::count(spilledUses.begin(), spilledUses.end(), lock));
    return n;
}

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
    pushUse(this);
    return true;
}

void TOWDestroyLock::EndUse() noexcept
{
    popUse(this);
    useCount_.fetch_sub(1, std::memory_order_seq_cst);
}

std::int32_t TOWDestroyLock::UsesOfCaller() const noexcept
{
    return countUses(this);
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
