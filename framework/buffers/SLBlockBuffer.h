#pragma once
// Copy-on-write buffer of bytes. Operations with another buffer work on the
// first Min elements (the smaller of both counts); none changes the count.
#include <cstdint>

#include "framework/buffers/SLTypedBuffer.h"

class ISLBlockBuffer : public virtual ISLLinearDataBuffer {
public:
    static constexpr std::string_view Guid = "{1D7F6725-9466-43E9-9B6C-164FAB691FEA}";

    virtual const std::uint8_t* GetReadPointer() = 0;
    virtual std::uint8_t* GetWritePointer() = 0;
    virtual std::uint8_t* GetModifyPointer() = 0;
    // Saturating at 0 and 255.
    virtual void Add(ISLBlockBuffer& other) = 0;
    virtual void Subtract(ISLBlockBuffer& other) = 0;
    virtual void Multiply(ISLBlockBuffer& other) = 0;
    // Truncating; raises EDivByZero at the first zero divisor, the elements
    // before it already changed.
    virtual void Divide(ISLBlockBuffer& other) = 0;
    virtual void Fill(std::uint8_t value) = 0;
    virtual void Zero() = 0;
    virtual std::uint8_t GetItem(std::int32_t index) = 0;
    virtual void SetItem(std::int32_t index, std::uint8_t value) = 0;
};

class TSLBlockBuffer : public TSLTypedBuffer<TSLBlockBuffer, std::uint8_t, ISLBlockBuffer> {
    using Base = TSLTypedBuffer<TSLBlockBuffer, std::uint8_t, ISLBlockBuffer>;
    friend Base;

public:
    void Add(ISLBlockBuffer& other) override;
    void Subtract(ISLBlockBuffer& other) override;
    void Multiply(ISLBlockBuffer& other) override;
    void Divide(ISLBlockBuffer& other) override;
    void Fill(std::uint8_t value) override;
    void Zero() override;

protected:
    using Base::Base;
};
