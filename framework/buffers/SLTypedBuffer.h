#pragma once
// What the linear buffers of one element type have in common: their
// constructors, typed pointers, element count and checked item access.
#include <algorithm>
#include <cstdint>

#include "framework/buffers/SLBufferErrors.h"
#include "framework/buffers/SLSimpleDataBuffer.h"

// Self is the buffer class (it befriends this base, whose constructors it
// inherits), Interface its typed interface.
template <typename Self, typename Element, typename Interface>
class TSLTypedBuffer : public TSLLinearMemoryBuffer, public virtual Interface {
public:
    // Contents not cleared.
    static SLRef<Self> CreateSized(std::uint32_t count)
    {
        return new Self(std::uint64_t{count} * sizeof(Element));
    }
    // The block and size of another buffer, shared: nothing is copied.
    static SLRef<Self> CreateShared(ISLData& source)
    {
        TSLGenericBuffer& buffer = From(source);
        return new Self(memoryBlockOf(buffer), buffer.GetByteSize());
    }

    SLRef<ISLData> Clone() override { return SLRef<ISLData>(new Self(&memoryBlock(), ByteSize)); }
    bool Equals(ISLDataBuffer& other) override
    {
        return dynamic_cast<Self*>(other.GetInstance()) && TSLLinearMemoryBuffer::Equals(other);
    }
    std::uint32_t GetCount() override { return ByteSize / sizeof(Element); }
    std::uint32_t GetElementSize() override { return sizeof(Element); }

    const Element* GetReadPointer() override { return static_cast<const Element*>(GetRawReadPointer()); }
    Element* GetWritePointer() override { return static_cast<Element*>(GetRawWritePointer()); }
    Element* GetModifyPointer() override { return static_cast<Element*>(GetRawModifyPointer()); }

    // Raises ERangeError "Index out of range = %u" outside 0 to count - 1.
    Element GetItem(std::int32_t index) override
    {
        checkIndex(index);
        return GetReadPointer()[index];
    }
    // A shared block is copied first, even when the index then proves bad.
    void SetItem(std::int32_t index, Element value) override
    {
        Element* data = GetModifyPointer();
        checkIndex(index);
        data[index] = value;
    }

protected:
    using TSLLinearMemoryBuffer::TSLLinearMemoryBuffer;

    int count() { return static_cast<int>(GetCount()); }
    int minCount(ISLDataBuffer& other) { return static_cast<int>(std::min(GetCount(), other.GetCount())); }

    // Calls routine(other's read pointer, this buffer's modify pointer, Min,
    // extra...). The read pointer is taken first: when both share a block, this
    // buffer then moves to a copy while the operand keeps reading the old one.
    template <typename Routine, typename... Extra>
    void modifyWith(Interface& other, Routine routine, Extra... extra)
    {
        const Element* source = other.GetReadPointer();
        routine(source, GetModifyPointer(), minCount(other), extra...);
    }

    // values[i] := op(values[i], other's element i) over the first Min
    // elements, in order, so an exception leaves the earlier ones changed.
    template <typename Op>
    void modifyEach(Interface& other, Op op)
    {
        modifyWith(other, [op](const Element* source, Element* values, int n) {
            for (int i = 0; i < n; ++i)
                values[i] = op(values[i], source[i]);
            return 0;
        });
    }

private:
    void checkIndex(std::int32_t index)
    {
        if (index < 0 || index >= count())
            throw ERangeError::index(index);
    }
};
