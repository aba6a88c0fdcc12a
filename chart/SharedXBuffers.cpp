#include "chart/SharedXBuffers.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace zq::chart {

namespace {

struct Registry {
    std::mutex mutex;
    // One buffer per distinct block; it is the registry's own share of the block.
    std::vector<SLRef<TSLRealBuffer>> buffers;

    // Blocks nobody but the registry holds any more are let go.
    void dropUnused()
    {
        std::erase_if(buffers, [](const SLRef<TSLRealBuffer>& buffer) {
            return buffer->GetSmartBuffer()->GetRefCount() <= 1;
        });
    }
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

} // namespace

SLRef<TSLRealBuffer> SharedXBuffers::Acquire(const double* x, std::size_t count)
{
    if (x == nullptr || count == 0)
        return TSLRealBuffer::Create();
    Registry& shared = registry();
    std::lock_guard guard(shared.mutex);
    shared.dropUnused();
    const std::size_t bytes = count * sizeof(double);
    for (const SLRef<TSLRealBuffer>& buffer : shared.buffers)
        if (buffer->GetCount() == count && std::memcmp(buffer->GetReadPointer(), x, bytes) == 0)
            return TSLRealBuffer::CreateShared(*buffer);
    SLRef<TSLRealBuffer> fresh = TSLRealBuffer::CreateFromData(x, static_cast<std::uint32_t>(count));
    shared.buffers.push_back(fresh);
    return TSLRealBuffer::CreateShared(*fresh);
}

std::size_t SharedXBuffers::ShareOfBytes(TSLRealBuffer& buffer)
{
    Registry& shared = registry();
    std::lock_guard guard(shared.mutex);
    TSLSmartBuffer* block = buffer.GetSmartBuffer();
    std::int32_t holders = block->GetRefCount();
    // The registry's own share is nobody's memory.
    if (std::ranges::any_of(shared.buffers, [block](const auto& held) { return held->GetSmartBuffer() == block; }))
        --holders;
    return buffer.GetCapacity() / static_cast<std::size_t>(std::max(holders, 1));
}

std::size_t SharedXBuffers::HeldCount()
{
    Registry& shared = registry();
    std::lock_guard guard(shared.mutex);
    shared.dropUnused();
    return shared.buffers.size();
}

} // namespace zq::chart
