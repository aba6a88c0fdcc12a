#pragma once
// The shared data block behind buffers, with the counts that decide when a
// write must copy it: a block is copied only while two or more writers hold it.
#include <cstddef>
#include <cstdint>
#include <mutex>

class TSLSmartBuffer {
public:
    TSLSmartBuffer() = default;
    TSLSmartBuffer(const TSLSmartBuffer&) = delete;
    TSLSmartBuffer& operator=(const TSLSmartBuffer&) = delete;

    virtual void AddRef(bool isWriter);
    // Frees the smart buffer when the last holder goes.
    virtual void Release(bool isWriter);
    virtual void DropWriter();
    virtual bool IsUnique();
    // A new smart buffer of the same kind with both counts 0.
    virtual TSLSmartBuffer* Clone(bool copyData);

    void EnterLock() { Lock.lock(); }
    void LeaveLock() { Lock.unlock(); }

    std::int32_t GetWriterCount();
    std::int32_t GetRefCount();

protected:
    virtual ~TSLSmartBuffer() = default;

private:
    std::mutex Lock;
    std::int32_t WriterCount = 0;
    std::int32_t RefCount = 0;
};

// A smart buffer owning one block of the pool, its capacity a power of two.
// Instances come from the pool as well.
class TSLSmartMemoryBuffer : public TSLSmartBuffer {
public:
    // Contents not cleared. Raises EOutOfMemory above the largest block.
    explicit TSLSmartMemoryBuffer(std::uint64_t byteSize);
    // As above, then byteSize bytes copied from data unless it is null.
    TSLSmartMemoryBuffer(const void* data, std::uint64_t byteSize);

    // Copies the whole block, not only the bytes in use, when copyData.
    TSLSmartBuffer* Clone(bool copyData) override;
    // The smaller of the two capacities' worth of bytes from source's block.
    void CopyFrom(const TSLSmartMemoryBuffer& source);

    static void* operator new(std::size_t size);
    static void operator delete(void* instance, std::size_t size) noexcept;

    void* Data = nullptr;
    std::uint32_t Capacity = 0;

protected:
    ~TSLSmartMemoryBuffer() override;
};
