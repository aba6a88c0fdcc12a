#pragma once
// Process-wide pool of 32-byte aligned blocks. Blocks given back wait in a free
// list of their exact byte size and are handed out again last in, first out; a
// 200 ms trim tick gives idle lists back to the heap one block per tick.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Where the pool takes fresh blocks from and gives trimmed blocks back to.
// Replaceable so that tests can count heap calls and simulate exhaustion.
struct TSLBlockHeap {
    void* (*allocate)(std::uint32_t size);
    void (*release)(void* block);
};

// 32-byte aligned blocks of the process heap; null when the heap has no room.
TSLBlockHeap alignedBlockHeap();

inline constexpr std::uint32_t maxPoolBlockSize = 1u << 30;
inline constexpr std::chrono::milliseconds poolTrimInterval{200};

// The free list of one block size.
class TSLSmartBufferList {
public:
    TSLSmartBufferList(std::uint32_t blockSize, const TSLBlockHeap& heap);
    ~TSLSmartBufferList();
    TSLSmartBufferList(const TSLSmartBufferList&) = delete;
    TSLSmartBufferList& operator=(const TSLSmartBufferList&) = delete;

    // Raises EOutOfMemory when a fresh block is needed and the heap has none;
    // the countdown is set all the same.
    void* GetBlock();
    void PutBlock(void* block);

    std::uint32_t BlockSize;
    std::vector<void*> FreeBlocks;
    std::uint32_t IdleCountdown = 0;

private:
    friend bool TrimIdleList(TSLSmartBufferList& list);
    const TSLBlockHeap& heap;
};

// One trim step for a list; true when the list has run idle and may be dropped.
bool TrimIdleList(TSLSmartBufferList& list);

class TSLSmartBufferManager {
public:
    // A zero interval runs no timer thread; TimerTick is then driven by hand.
    explicit TSLSmartBufferManager(std::chrono::milliseconds tickInterval = poolTrimInterval,
                                   TSLBlockHeap heap = alignedBlockHeap());
    ~TSLSmartBufferManager();
    TSLSmartBufferManager(const TSLSmartBufferManager&) = delete;
    TSLSmartBufferManager& operator=(const TSLSmartBufferManager&) = delete;

    void* GetBlock(std::uint32_t size);
    void PutBlock(void* block, std::uint32_t size);
    void TimerTick();
    void FreeAllLists();

    // Inspection, mainly for tests and diagnostics.
    std::size_t ListCount() const;
    std::optional<std::size_t> FreeBlockCount(std::uint32_t size) const;
    std::optional<std::uint32_t> IdleCountdown(std::uint32_t size) const;

private:
    TSLSmartBufferList* findList(std::uint32_t size) const;
    TSLSmartBufferList& listFor(std::uint32_t size);
    void runTimer(std::stop_token stop);

    const TSLBlockHeap heap;
    mutable std::recursive_mutex listsLock;
    std::vector<std::unique_ptr<TSLSmartBufferList>> Lists;

    std::chrono::milliseconds tickInterval;
    std::mutex timerMutex;
    std::condition_variable_any timerWake;
    std::jthread Timer;   // last member: stopped and joined before the lists go
};

// The process-wide pool. Null once the pool has been torn down at exit.
TSLSmartBufferManager* smartBufferManager();

// Size 0 gives null. Sizes above 2^30 bytes raise EOutOfMemory: a count times
// an element size may well exceed the largest block, and must never wrap.
void* PoolAlloc(std::size_t size);
// Size must be the one the block was taken with.
void PoolFree(void* block, std::size_t size);
// Smallest power of two from 4 to 2^30 not below size; 2^30 for anything larger.
std::uint32_t RoundBlockSize(std::uint32_t size);
