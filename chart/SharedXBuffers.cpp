#include "chart/SharedXBuffers.h"

#include "chart/FreshPages.h"
#include "chart/ParallelPieces.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <span>
#include <vector>

namespace zq::chart {

namespace {

struct Registry {
    std::mutex mutex;
    // One entry per distinct block; its buffer is the registry's own share of
    // the block.
    std::vector<SharedX> entries;

    // Blocks nobody but the registry holds any more are let go.
    void dropUnused()
    {
        std::erase_if(entries, [](const SharedX& entry) {
            return entry.buffer->GetSmartBuffer()->GetRefCount() <= 1;
        });
    }
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

// Bit for bit, as the values were handed over (a NaN matches its own copy).
bool sameValues(const double* a, const double* b, std::size_t count)
{
    std::atomic<bool> differ{false};
    ForEachPiece(count, samplesPerPiece, [a, b, &differ](std::size_t begin, std::size_t end) {
        if (!differ.load(std::memory_order_relaxed) &&
            std::memcmp(a + begin, b + begin, (end - begin) * sizeof(double)) != 0)
            differ.store(true, std::memory_order_relaxed);
    });
    return !differ.load(std::memory_order_relaxed);
}

} // namespace

SharedX SharedXBuffers::Acquire(const double* x, std::size_t count)
{
    if (x == nullptr || count == 0)
        return {TSLRealBuffer::Create(), std::make_shared<const XIndex>()};
    Registry& shared = registry();
    std::lock_guard guard(shared.mutex);
    shared.dropUnused();
    for (const SharedX& entry : shared.entries)
        if (entry.buffer->GetCount() == count && sameValues(entry.buffer->GetReadPointer(), x, count))
            return {TSLRealBuffer::CreateShared(*entry.buffer), entry.index};
    SLRef<TSLRealBuffer> fresh = TSLRealBuffer::CreateSized(static_cast<std::uint32_t>(count));
    double* const copy = fresh->GetWritePointer();
    FillFresh(copy, count, [copy, x](std::size_t begin, std::size_t end) { std::copy(x + begin, x + end, copy + begin); });
    auto index = std::make_shared<const XIndex>(XIndex::Analyse(std::span<const double>(copy, count)));
    shared.entries.push_back({fresh, index});
    return {TSLRealBuffer::CreateShared(*fresh), index};
}

std::size_t SharedXBuffers::ShareOfBytes(const SharedX& x)
{
    if (!x.buffer)
        return 0;
    Registry& shared = registry();
    std::lock_guard guard(shared.mutex);
    TSLSmartBuffer* block = x.buffer->GetSmartBuffer();
    std::int32_t holders = block->GetRefCount();
    // The registry's own share is nobody's memory.
    if (std::ranges::any_of(shared.entries, [block](const SharedX& held) { return held.buffer->GetSmartBuffer() == block; }))
        --holders;
    const std::size_t indexBytes = x.index ? x.index->MemoryBytes() : 0;
    return (x.buffer->GetByteSize() + indexBytes) / static_cast<std::size_t>(std::max(holders, 1));
}

std::size_t SharedXBuffers::HeldCount()
{
    Registry& shared = registry();
    std::lock_guard guard(shared.mutex);
    shared.dropUnused();
    return shared.entries.size();
}

} // namespace zq::chart
