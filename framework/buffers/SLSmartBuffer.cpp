#include "framework/buffers/SLSmartBuffer.h"

#include <algorithm>
#include <cstring>

#include "framework/buffers/BlockPool.h"
#include "framework/buffers/SLBufferErrors.h"

void TSLSmartBuffer::AddRef(bool isWriter)
{
    std::lock_guard guard(Lock);
    if (isWriter)
        ++WriterCount;
    ++RefCount;
}

void TSLSmartBuffer::Release(bool isWriter)
{
    bool last = false;
    {
        std::lock_guard guard(Lock);
        if (isWriter && WriterCount >= 1)
            --WriterCount;
        if (RefCount > 0)
            last = --RefCount == 0;
    }
    if (last)
        delete this;
}

void TSLSmartBuffer::DropWriter()
{
    std::lock_guard guard(Lock);
    if (WriterCount > 0)
        --WriterCount;
}

bool TSLSmartBuffer::IsUnique()
{
    std::lock_guard guard(Lock);
    return WriterCount < 2;
}

TSLSmartBuffer* TSLSmartBuffer::Clone(bool)
{
    return new TSLSmartBuffer;
}

std::int32_t TSLSmartBuffer::GetWriterCount()
{
    std::lock_guard guard(Lock);
    return WriterCount;
}

std::int32_t TSLSmartBuffer::GetRefCount()
{
    std::lock_guard guard(Lock);
    return RefCount;
}

// ---------------------------------------------------------------------------

TSLSmartMemoryBuffer::TSLSmartMemoryBuffer(std::uint64_t byteSize)
{
    // Checked before rounding: RoundBlockSize would answer a block smaller than the request.
    if (byteSize > maxPoolBlockSize)
        throw EOutOfMemory();
    Capacity = RoundBlockSize(static_cast<std::uint32_t>(byteSize));
    Data = PoolAlloc(Capacity);
}

TSLSmartMemoryBuffer::TSLSmartMemoryBuffer(const void* data, std::uint64_t byteSize)
    : TSLSmartMemoryBuffer(byteSize)
{
    if (data && byteSize > 0)
        std::memcpy(Data, data, static_cast<std::size_t>(byteSize));
}

TSLSmartMemoryBuffer::~TSLSmartMemoryBuffer()
{
    if (Data)
        PoolFree(Data, Capacity);
}

TSLSmartBuffer* TSLSmartMemoryBuffer::Clone(bool copyData)
{
    auto* copy = new TSLSmartMemoryBuffer(std::uint64_t{Capacity});
    if (copyData)
        std::memcpy(copy->Data, Data, Capacity);
    return copy;
}

void TSLSmartMemoryBuffer::CopyFrom(const TSLSmartMemoryBuffer& source)
{
    std::memcpy(Data, source.Data, std::min(Capacity, source.Capacity));
}

void* TSLSmartMemoryBuffer::operator new(std::size_t size)
{
    return PoolAlloc(size);
}

void TSLSmartMemoryBuffer::operator delete(void* instance, std::size_t size) noexcept
{
    PoolFree(instance, size);
}
