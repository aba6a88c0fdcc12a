#pragma once
// The buffer classes every typed sample buffer derives from: a reference-counted
// object holding a byte size and a share of a copy-on-write block.
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "framework/buffers/SLDataInterfaces.h"
#include "framework/buffers/SLSmartBuffer.h"

// Identifies the buffer that made it; each buffer owns one for its lifetime.
class TSLSequenceStamp {
public:
    explicit TSLSequenceStamp(TSLBasicBuffer* owner) : Owner(owner) {}
    TSLBasicBuffer* const Owner;
};

class TSLBasicBuffer : public virtual ISLData {
public:
    void AddRef() noexcept override;
    void Release() noexcept override;
    TSLBasicBuffer* GetInstance() noexcept override { return this; }

    // Buffer objects come from the block pool too, so short-lived buffers cost
    // no heap call once the pool holds their size.
    static void* operator new(std::size_t size);
    static void operator delete(void* object, std::size_t size) noexcept;

protected:
    TSLBasicBuffer() = default;
    TSLBasicBuffer(const TSLBasicBuffer&) = delete;
    TSLBasicBuffer& operator=(const TSLBasicBuffer&) = delete;
    ~TSLBasicBuffer() override = default;

private:
    std::atomic<std::int32_t> referenceCount{0};
};

class TSLGenericBuffer : public TSLBasicBuffer, public virtual ISLDataBuffer {
public:
    void AssignShared(ISLData& source) override;
    bool Equals(ISLDataBuffer& other) override;
    const void* GetRawReadPointer() override { return Data; }
    void* GetRawWritePointer() override;
    void* GetRawModifyPointer() override;
    std::uint32_t GetByteSize() override { return ByteSize; }
    std::uint32_t GetCount() override { return ByteSize; }
    TSLSequenceStamp* GetSequenceStamp() override { return &SequenceStamp; }
    void CopyTo(std::int32_t sourceOffset, ISLDataBuffer& dest, std::int32_t destOffset,
                std::int32_t count) override;
    bool MakeUnique(bool keepData) override;
    void SaveToFile(const std::string& fileName) override;
    void LoadFromFile(const std::string& fileName) override;

    // Stops counting as a writer of the block: a block held by one writer and
    // any number of non-writers is unique, so writes reach all of them.
    virtual void DropWriter();
    bool GetIsWriter() const { return IsWriter; }
    TSLSmartBuffer* GetSmartBuffer() const { return SmartBuffer; }

    // The generic buffer behind an interface; raises EIntfCastError for any other object.
    static TSLGenericBuffer& From(ISLData& buffer);

protected:
    // Takes a writer's share of smartBuffer.
    TSLGenericBuffer(TSLSmartBuffer* smartBuffer, std::uint32_t byteSize);
    ~TSLGenericBuffer() override;

    // How many of `count` units lie inside both a source of sourceSize units
    // from sourceOffset and a destination of destSize units from destOffset.
    static std::int32_t fittingCount(std::uint32_t sourceSize, std::int32_t sourceOffset, std::uint32_t destSize,
                                     std::int32_t destOffset, std::int32_t count);

    virtual void Refresh() {}
    virtual void SetSmartBuffer(TSLSmartBuffer* smartBuffer) { SmartBuffer = smartBuffer; }

    TSLSequenceStamp SequenceStamp{this};
    void* Data = nullptr;
    std::uint32_t ByteSize;
    TSLSmartBuffer* SmartBuffer;
    bool IsWriter = true;
};

// A buffer of bytes on a pooled block.
class TSLMemoryBuffer : public TSLGenericBuffer {
public:
    static SLRef<TSLMemoryBuffer> CreateSized(std::uint32_t byteSize);
    static SLRef<TSLMemoryBuffer> CreateShared(ISLData& source);

    SLRef<ISLData> Clone() override;

    virtual std::uint32_t GetElementSize() { return 1; }
    std::uint32_t GetDataSize() { return ByteSize; }
    std::uint32_t GetCapacity() const;

protected:
    // Takes a writer's share of smartBuffer; given another buffer's block this
    // is the shared constructor (nothing is copied).
    TSLMemoryBuffer(TSLSmartMemoryBuffer* smartBuffer, std::uint32_t byteSize);
    // On a new block of byteSize bytes, copied from data unless it is null.
    // Raises EOutOfMemory beyond the largest block.
    explicit TSLMemoryBuffer(std::uint64_t byteSize, const void* data = nullptr);
    // The pooled block of a buffer; raises EIntfCastError for any other kind.
    static TSLSmartMemoryBuffer* memoryBlockOf(TSLGenericBuffer& buffer);

    // A block for `count` elements; raises EOutOfMemory beyond the largest block.
    virtual TSLSmartMemoryBuffer* CreateSmartBuffer(std::uint32_t count);
    void Refresh() override;
    TSLSmartMemoryBuffer& memoryBlock() const;
    // Sets the size to newCount elements: in the same block when the data is
    // kept and it shrinks or the unique block has room, else in a new block
    // (holding the old block's bytes when keepData).
    void ResizeTo(std::uint32_t newCount, bool keepData);

    // Correlations read their whole sources while writing: when a source lies
    // on this buffer's block, the returned buffer holds that block so that the
    // write pointer moves the results to a new one. Empty otherwise.
    SLRef<TSLMemoryBuffer> holdSourcesOnOwnBlock(ISLData& first, ISLData& second);

    // Calls routine(write pointer as Element*). On a shared block the write
    // pointer hands out a fresh block of undefined contents; when the routine
    // then refuses its arguments (a negative status: nothing written) the
    // buffer goes back to the old block, so the values stay as they were.
    template <typename Element, typename Routine>
    void writeOrKeep(Routine routine)
    {
        SLRef<TSLMemoryBuffer> old = SmartBuffer->IsUnique() ? nullptr : CreateShared(*this);
        if (routine(static_cast<Element*>(GetRawWritePointer())) < 0 && old)
            TSLGenericBuffer::AssignShared(*old);
    }
};

// A memory buffer whose element count can change.
class TSLLinearMemoryBuffer : public TSLMemoryBuffer, public virtual ISLLinearDataBuffer {
public:
    void SetCount(std::uint32_t newCount, bool keepData) override;

protected:
    using TSLMemoryBuffer::TSLMemoryBuffer;
};
