#include "framework/buffers/BlockPool.h"

#include <algorithm>
#include <atomic>

#include "dsp/LPMalloc.h"
#include "framework/buffers/SLBufferErrors.h"

namespace {

void* allocateAligned(std::uint32_t size)
{
    return dsp::AlignedAlloc(static_cast<int>(size));
}

void releaseAligned(void* block)
{
    dsp::AlignedFree(block);
}

} // namespace

TSLBlockHeap alignedBlockHeap()
{
    return {allocateAligned, releaseAligned};
}

// ---------------------------------------------------------------------------

TSLSmartBufferList::TSLSmartBufferList(std::uint32_t blockSize, const TSLBlockHeap& heap)
    : BlockSize(blockSize), heap(heap)
{
}

TSLSmartBufferList::~TSLSmartBufferList()
{
    for (void* block : FreeBlocks)
        heap.release(block);
}

void* TSLSmartBufferList::GetBlock()
{
    IdleCountdown = static_cast<std::uint32_t>(FreeBlocks.size()) + 8;
    void* block;
    if (!FreeBlocks.empty()) {
        block = FreeBlocks.back();
        FreeBlocks.pop_back();
    } else {
        block = heap.allocate(BlockSize);
    }
    if (!block)
        throw EOutOfMemory();
    return block;
}

void TSLSmartBufferList::PutBlock(void* block)
{
    FreeBlocks.push_back(block);
    IdleCountdown = static_cast<std::uint32_t>(FreeBlocks.size()) + 8;
}

bool TrimIdleList(TSLSmartBufferList& list)
{
    if (list.IdleCountdown > 0) {
        --list.IdleCountdown;
        while (list.FreeBlocks.size() > list.IdleCountdown) {
            list.heap.release(list.FreeBlocks.back());
            list.FreeBlocks.pop_back();
        }
    }
    return list.IdleCountdown == 0;
}

// ---------------------------------------------------------------------------

TSLSmartBufferManager::TSLSmartBufferManager(std::chrono::milliseconds tickInterval, TSLBlockHeap heap)
    : heap(heap), tickInterval(tickInterval)
{
    if (tickInterval.count() > 0)
        Timer = std::jthread([this](std::stop_token stop) { runTimer(stop); });
}

TSLSmartBufferManager::~TSLSmartBufferManager()
{
    // No tick may run while the lists are torn down.
    if (Timer.joinable()) {
        Timer.request_stop();
        Timer.join();
    }
    FreeAllLists();
}

void TSLSmartBufferManager::runTimer(std::stop_token stop)
{
    std::unique_lock lock(timerMutex);
    while (!stop.stop_requested()) {
        if (!timerWake.wait_for(lock, stop, tickInterval, [] { return false; }) && !stop.stop_requested()) {
            lock.unlock();
            TimerTick();
            lock.lock();
        }
    }
}

TSLSmartBufferList* TSLSmartBufferManager::findList(std::uint32_t size) const
{
    for (const auto& list : Lists)
        if (list->BlockSize == size)
            return list.get();
    return nullptr;
}

TSLSmartBufferList& TSLSmartBufferManager::listFor(std::uint32_t size)
{
    if (TSLSmartBufferList* list = findList(size))
        return *list;
    return *Lists.emplace_back(std::make_unique<TSLSmartBufferList>(size, heap));
}

void* TSLSmartBufferManager::GetBlock(std::uint32_t size)
{
    if (size == 0)
        return nullptr;
    std::lock_guard guard(listsLock);
    return listFor(size).GetBlock();
}

void TSLSmartBufferManager::PutBlock(void* block, std::uint32_t size)
{
    std::lock_guard guard(listsLock);
    listFor(size).PutBlock(block);
}

void TSLSmartBufferManager::TimerTick()
{
    std::lock_guard guard(listsLock);
    for (std::size_t i = Lists.size(); i-- > 0;)
        if (TrimIdleList(*Lists[i]))
            Lists.erase(Lists.begin() + static_cast<std::ptrdiff_t>(i));
}

void TSLSmartBufferManager::FreeAllLists()
{
    std::lock_guard guard(listsLock);
    Lists.clear();
}

std::size_t TSLSmartBufferManager::ListCount() const
{
    std::lock_guard guard(listsLock);
    return Lists.size();
}

std::optional<std::size_t> TSLSmartBufferManager::FreeBlockCount(std::uint32_t size) const
{
    std::lock_guard guard(listsLock);
    if (const TSLSmartBufferList* list = findList(size))
        return list->FreeBlocks.size();
    return std::nullopt;
}

std::optional<std::uint32_t> TSLSmartBufferManager::IdleCountdown(std::uint32_t size) const
{
    std::lock_guard guard(listsLock);
    if (const TSLSmartBufferList* list = findList(size))
        return list->IdleCountdown;
    return std::nullopt;
}

// ---------------------------------------------------------------------------

namespace {

// Constant-initialised, so it can still be read while statics are destroyed:
// buffers destroyed after the pool then go straight to the heap.
std::atomic<bool> poolTornDown{false};

struct PoolHolder {
    TSLSmartBufferManager manager;
    ~PoolHolder() { poolTornDown.store(true, std::memory_order_release); }
};

} // namespace

TSLSmartBufferManager* smartBufferManager()
{
    if (poolTornDown.load(std::memory_order_acquire))
        return nullptr;
    static PoolHolder holder;
    return &holder.manager;
}

void* PoolAlloc(std::size_t size)
{
    if (size == 0)
        return nullptr;
    if (size > maxPoolBlockSize)
        throw EOutOfMemory();
    const auto size32 = static_cast<std::uint32_t>(size);
    if (TSLSmartBufferManager* manager = smartBufferManager())
        return manager->GetBlock(size32);
    void* block = allocateAligned(size32);
    if (!block)
        throw EOutOfMemory();
    return block;
}

void PoolFree(void* block, std::size_t size)
{
    if (!block)
        return;
    if (TSLSmartBufferManager* manager = smartBufferManager())
        manager->PutBlock(block, static_cast<std::uint32_t>(size));
    else
        releaseAligned(block);
}

std::uint32_t RoundBlockSize(std::uint32_t size)
{
    for (unsigned k = 2; k <= 30; ++k)
        if (size <= (1u << k))
            return 1u << k;
    return maxPoolBlockSize;
}
