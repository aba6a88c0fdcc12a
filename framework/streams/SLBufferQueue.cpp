#include "framework/streams/SLBufferQueue.h"

#include <algorithm>

namespace {

TSLLinearMemoryBuffer* linearOf(ISLData& buffer)
{
    return dynamic_cast<TSLLinearMemoryBuffer*>(buffer.GetInstance());
}

} // namespace

bool TSLBufferQueue::Push(ISLData& buffer)
{
    TSLLinearMemoryBuffer* pushed = linearOf(buffer);
    if (!pushed)
        return false;
    // The queue's own share is made outside the lock; it costs a pool block.
    SLRef<ISLData> own = pushed->Clone();
    TSLLinearMemoryBuffer* memory = linearOf(*own);
    const Guard guard(lock_);
    if (!items_.empty() && typeid(*memory) != *kind_)
        return false;
    kind_ = &typeid(*memory);
    const std::uint32_t count = memory->GetCount();
    items_.push_back({std::move(own), memory, count});
    queuedCount_ += count;
    if (items_.size() > MaxBuffers)
        dropHead();
    return true;
}

SLRef<ISLData> TSLBufferQueue::PopHead()
{
    return PopHeadIf([](std::uint32_t) { return true; });
}

SLRef<ISLData> TSLBufferQueue::PopHeadIf(const std::function<bool(std::uint32_t headCount)>& take)
{
    const Guard guard(lock_);
    if (items_.empty() || !take(items_.front().Count))
        return nullptr;
    SLRef<ISLData> head = items_.front().Buffer;
    dropHead();
    return head;
}

bool TSLBufferQueue::FillFromQueue(ISLDataBuffer& dest)
{
    return copyOut(dest, true);
}

bool TSLBufferQueue::PeekFromQueue(ISLDataBuffer& dest)
{
    return copyOut(dest, false);
}

bool TSLBufferQueue::copyOut(ISLDataBuffer& dest, bool take)
{
    const Guard guard(lock_);
    const std::uint32_t n = dest.GetCount();
    if (n > queuedCount_)
        return false;
    if (n == 0)
        return true;
    if (typeid(*dest.GetInstance()) != *kind_)
        return false;
    // Every element of the destination is overwritten below, so a shared
    // block is left behind without copying it.
    dest.GetRawWritePointer();
    const std::int64_t elementSize = items_.front().Memory->GetElementSize();
    std::uint64_t remaining = n;
    std::uint64_t position = 0;
    std::size_t item = 0;
    std::uint64_t offset = headOffset_;
    while (remaining > 0) {
        const TSLBufferWrapper& from = items_[item];
        const std::uint64_t available = from.Count - offset;
        const std::uint64_t taken = std::min(remaining, available);
        // The core's byte copy for every class alike; offsets lie inside
        // blocks of at most 1 GB, so they fit its 32-bit arguments.
        from.Memory->TSLGenericBuffer::CopyTo(static_cast<std::int32_t>(offset * elementSize), dest,
                                              static_cast<std::int32_t>(position * elementSize),
                                              static_cast<std::int32_t>(taken * elementSize));
        remaining -= taken;
        position += taken;
        if (taken < available) {
            offset += taken;
        } else {
            ++item;
            offset = 0;
        }
    }
    if (take) {
        items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(item));
        headOffset_ = offset;
        queuedCount_ -= n;
    }
    return true;
}

std::uint32_t TSLBufferQueue::HeadCount() const
{
    const Guard guard(lock_);
    return items_.empty() ? 0 : items_.front().Count;
}

std::uint64_t TSLBufferQueue::QueuedCount() const
{
    const Guard guard(lock_);
    return queuedCount_;
}

std::uint64_t TSLBufferQueue::HeadOffset() const
{
    const Guard guard(lock_);
    return headOffset_;
}

std::size_t TSLBufferQueue::BufferCount() const
{
    const Guard guard(lock_);
    return items_.size();
}

bool TSLBufferQueue::Holds(const std::type_info& kind) const
{
    const Guard guard(lock_);
    return !items_.empty() && *kind_ == kind;
}

void TSLBufferQueue::dropHead()
{
    queuedCount_ -= items_.front().Count - headOffset_;
    headOffset_ = 0;
    items_.pop_front();
}
