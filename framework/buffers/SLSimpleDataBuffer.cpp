#include "framework/buffers/SLSimpleDataBuffer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "dsp/SLBasicDispatcher.h"
#include "framework/buffers/BlockPool.h"
#include "framework/buffers/SLBufferErrors.h"

void TSLBasicBuffer::AddRef() noexcept
{
    referenceCount.fetch_add(1, std::memory_order_relaxed);
}

void TSLBasicBuffer::Release() noexcept
{
    if (referenceCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete this;
}

void* TSLBasicBuffer::operator new(std::size_t size)
{
    return PoolAlloc(size);
}

void TSLBasicBuffer::operator delete(void* object, std::size_t size) noexcept
{
    PoolFree(object, size);
}

// ---------------------------------------------------------------------------

TSLGenericBuffer::TSLGenericBuffer(TSLSmartBuffer* smartBuffer, std::uint32_t byteSize)
    : ByteSize(byteSize), SmartBuffer(smartBuffer)
{
    SmartBuffer->AddRef(IsWriter);
}

TSLGenericBuffer::~TSLGenericBuffer()
{
    SmartBuffer->Release(IsWriter);
}

TSLGenericBuffer& TSLGenericBuffer::From(ISLData& buffer)
{
    auto* generic = dynamic_cast<TSLGenericBuffer*>(buffer.GetInstance());
    if (!generic)
        throw EIntfCastError();
    return *generic;
}

void* TSLGenericBuffer::GetRawWritePointer()
{
    MakeUnique(false);
    return Data;
}

void* TSLGenericBuffer::GetRawModifyPointer()
{
    MakeUnique(true);
    return Data;
}

bool TSLGenericBuffer::MakeUnique(bool keepData)
{
    // Decided under the block's lock, copied outside it: two sharers may both
    // copy at once, each then holds its own block and the old one goes with both.
    if (SmartBuffer->IsUnique())
        return false;
    TSLSmartBuffer* old = SmartBuffer;
    TSLSmartBuffer* fresh = old->Clone(keepData);
    SmartBuffer = fresh;
    fresh->AddRef(IsWriter);
    SetSmartBuffer(fresh);
    old->Release(IsWriter);
    Refresh();
    return true;
}

void TSLGenericBuffer::AssignShared(ISLData& source)
{
    TSLGenericBuffer& other = From(source);
    if (&other != this && other.SmartBuffer != SmartBuffer) {
        SmartBuffer->Release(IsWriter);
        SmartBuffer = other.SmartBuffer;
        SmartBuffer->AddRef(IsWriter);
        SetSmartBuffer(SmartBuffer);
        Refresh();
    }
    ByteSize = other.ByteSize;
    Data = other.Data;
}

bool TSLGenericBuffer::Equals(ISLDataBuffer& other)
{
    if (GetByteSize() != other.GetByteSize())
        return false;
    return ByteSize == 0 || std::memcmp(GetRawReadPointer(), other.GetRawReadPointer(), ByteSize) == 0;
}

void TSLGenericBuffer::CopyTo(std::int32_t sourceOffset, ISLDataBuffer& dest, std::int32_t destOffset,
                              std::int32_t count)
{
    const std::int32_t fits = fittingCount(ByteSize, sourceOffset, dest.GetByteSize(), destOffset, count);
    if (fits < 1)
        return;
    const auto* from = static_cast<const Ipp8u*>(GetRawReadPointer()) + sourceOffset;
    auto* to = static_cast<Ipp8u*>(dest.GetRawModifyPointer()) + destOffset;
    dsp::BasicTable().ippsCopy_8u(from, to, fits);
}

std::int32_t TSLGenericBuffer::fittingCount(std::uint32_t sourceSize, std::int32_t sourceOffset,
                                            std::uint32_t destSize, std::int32_t destOffset, std::int32_t count)
{
    if (sourceOffset < 0 || destOffset < 0 || count < 1)
        return 0;
    // In 64 bits: an offset near the 32-bit limit plus a count must not wrap
    // back inside the buffer.
    const std::int64_t sourceRoom = std::int64_t{sourceSize} - sourceOffset;
    const std::int64_t destRoom = std::int64_t{destSize} - destOffset;
    return static_cast<std::int32_t>(std::max<std::int64_t>(0, std::min({std::int64_t{count}, sourceRoom, destRoom})));
}

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

} // namespace

void TSLGenericBuffer::SaveToFile(const std::string& fileName)
{
    FileHandle file(std::fopen(fileName.c_str(), "wb"));
    if (!file)
        throw EFileStreamError("Cannot create file \"" + fileName + "\"");
    if (ByteSize > 0 && std::fwrite(GetRawReadPointer(), 1, ByteSize, file.get()) != ByteSize)
        throw EFileStreamError("Stream write error");
    if (std::fclose(file.release()) != 0)
        throw EFileStreamError("Stream write error");
}

void TSLGenericBuffer::LoadFromFile(const std::string& fileName)
{
    FileHandle file(std::fopen(fileName.c_str(), "rb"));
    if (!file)
        throw EFileStreamError("Cannot open file \"" + fileName + "\"");
    if (ByteSize == 0)
        return;
    // A file known to be too short is refused before the write pointer is
    // taken, which on a shared block would hand out a fresh, undefined one.
    if (std::fseek(file.get(), 0, SEEK_END) == 0) {
        const long fileSize = std::ftell(file.get());
        if (fileSize >= 0 && static_cast<unsigned long>(fileSize) < ByteSize)
            throw EReadError("Stream read error");
        std::rewind(file.get());
    }
    if (std::fread(GetRawWritePointer(), 1, ByteSize, file.get()) != ByteSize)
        throw EReadError("Stream read error");
}

void TSLGenericBuffer::DropWriter()
{
    if (IsWriter) {
        SmartBuffer->DropWriter();
        IsWriter = false;
    }
}

// ---------------------------------------------------------------------------

TSLMemoryBuffer::TSLMemoryBuffer(TSLSmartMemoryBuffer* smartBuffer, std::uint32_t byteSize)
    : TSLGenericBuffer(smartBuffer, byteSize)
{
    Refresh();
}

TSLMemoryBuffer::TSLMemoryBuffer(std::uint64_t byteSize, const void* data)
    : TSLMemoryBuffer(new TSLSmartMemoryBuffer(data, byteSize), static_cast<std::uint32_t>(byteSize))
{
}

TSLSmartMemoryBuffer* TSLMemoryBuffer::memoryBlockOf(TSLGenericBuffer& buffer)
{
    auto* block = dynamic_cast<TSLSmartMemoryBuffer*>(buffer.GetSmartBuffer());
    if (!block)
        throw EIntfCastError();
    return block;
}

SLRef<TSLMemoryBuffer> TSLMemoryBuffer::CreateSized(std::uint32_t byteSize)
{
    return new TSLMemoryBuffer(std::uint64_t{byteSize});
}

SLRef<TSLMemoryBuffer> TSLMemoryBuffer::CreateShared(ISLData& source)
{
    TSLGenericBuffer& buffer = From(source);
    return new TSLMemoryBuffer(memoryBlockOf(buffer), buffer.GetByteSize());
}

SLRef<ISLData> TSLMemoryBuffer::Clone()
{
    return SLRef<ISLData>(new TSLMemoryBuffer(&memoryBlock(), ByteSize));
}

std::uint32_t TSLMemoryBuffer::GetCapacity() const
{
    return memoryBlock().Capacity;
}

TSLSmartMemoryBuffer* TSLMemoryBuffer::CreateSmartBuffer(std::uint32_t count)
{
    return new TSLSmartMemoryBuffer(std::uint64_t{count} * GetElementSize());
}

void TSLMemoryBuffer::Refresh()
{
    Data = memoryBlock().Data;
}

SLRef<TSLMemoryBuffer> TSLMemoryBuffer::holdSourcesOnOwnBlock(ISLData& first, ISLData& second)
{
    if (From(first).GetSmartBuffer() != SmartBuffer && From(second).GetSmartBuffer() != SmartBuffer)
        return nullptr;
    return CreateShared(*this);
}

TSLSmartMemoryBuffer& TSLMemoryBuffer::memoryBlock() const
{
    // Every block a memory buffer takes, clones or is assigned is a memory block.
    return static_cast<TSLSmartMemoryBuffer&>(*SmartBuffer);
}

// ---------------------------------------------------------------------------

void TSLMemoryBuffer::ResizeTo(std::uint32_t newCount, bool keepData)
{
    const std::uint32_t elementSize = GetElementSize();
    const std::uint32_t count = ByteSize / elementSize;
    if (keepData && newCount < count) {
        ByteSize = newCount * elementSize;
        Refresh();
        return;
    }
    if (keepData && SmartBuffer->IsUnique() && newCount <= memoryBlock().Capacity / elementSize) {
        ByteSize = newCount * elementSize;
        Refresh();
        return;
    }
    TSLSmartMemoryBuffer* fresh = CreateSmartBuffer(newCount);
    TSLSmartBuffer* old = SmartBuffer;
    if (keepData)
        fresh->CopyFrom(memoryBlock());
    SmartBuffer = fresh;
    SetSmartBuffer(fresh);
    old->Release(IsWriter);
    fresh->AddRef(IsWriter);
    ByteSize = newCount * elementSize;
    Refresh();
}

// ---------------------------------------------------------------------------

void TSLLinearMemoryBuffer::SetCount(std::uint32_t newCount, bool keepData)
{
    if (newCount == 0) {
        ByteSize = 0;
        Refresh();
        return;
    }
    if (newCount != ByteSize / GetElementSize())
        ResizeTo(newCount, keepData);
}
