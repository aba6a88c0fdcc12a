#pragma once
// Interfaces of the sample buffers. Buffers travel as references to these and
// are freed at the last release; several buffers may share one data block,
// which is copied only when one of them asks for a pointer it may write through.
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/buffers/SLRef.h"

class TSLBasicBuffer;
class TSLSequenceStamp;

class ISLData {
public:
    static constexpr std::string_view Guid = "{B9246BCA-4961-415C-945F-257B3EA0ECFC}";

    virtual void AddRef() noexcept = 0;
    virtual void Release() noexcept = 0;
    virtual TSLBasicBuffer* GetInstance() noexcept = 0;
    // A new buffer of the same class on the same block; nothing is copied.
    virtual SLRef<ISLData> Clone() = 0;

protected:
    virtual ~ISLData() = default;
};

class ISLDataBuffer : public virtual ISLData {
public:
    static constexpr std::string_view Guid = "{CA519E69-AECD-43D8-89CF-3B55E15541ED}";

    // Shares Source's block (no copy); raises EIntfCastError for a source that
    // is not a generic buffer, leaving this one unchanged.
    virtual void AssignShared(ISLData& source) = 0;
    virtual bool Equals(ISLDataBuffer& other) = 0;
    // Byte-level access; the typed buffers add typed pointers of their own.
    // Read never copies; write unshares without keeping the data, modify keeps it.
    virtual const void* GetRawReadPointer() = 0;
    virtual void* GetRawWritePointer() = 0;
    virtual void* GetRawModifyPointer() = 0;
    virtual std::uint32_t GetByteSize() = 0;
    virtual std::uint32_t GetCount() = 0;
    virtual TSLSequenceStamp* GetSequenceStamp() = 0;
    // Copies what fits: the count is cut to what lies inside both buffers from
    // the two offsets (bytes here; the typed buffers count elements between
    // buffers of their own type). A negative offset or count, or an offset at
    // or past the end, copies nothing and leaves the destination's block alone.
    virtual void CopyTo(std::int32_t sourceOffset, ISLDataBuffer& dest, std::int32_t destOffset,
                        std::int32_t count) = 0;
    // True when a copy was made.
    virtual bool MakeUnique(bool keepData) = 0;
    // Raw files: the buffer's bytes in memory order, no header.
    virtual void SaveToFile(const std::string& fileName) = 0;
    virtual void LoadFromFile(const std::string& fileName) = 0;
};

class ISLLinearDataBuffer : public virtual ISLDataBuffer {
public:
    static constexpr std::string_view Guid = "{4C550C77-77FF-4AF4-A959-C1085B1DE2F4}";

    virtual void SetCount(std::uint32_t newCount, bool keepData) = 0;
};
