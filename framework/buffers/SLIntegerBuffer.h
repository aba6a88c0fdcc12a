#pragma once
// Copy-on-write buffer of signed 32-bit integers. Operations with another
// buffer work on the first Min elements (the smaller of both counts), the
// others on all of them; no operation changes the count.
#include <cstdint>

#include "framework/buffers/SLTypedBuffer.h"

class ISLIntegerBuffer : public virtual ISLLinearDataBuffer {
public:
    static constexpr std::string_view Guid = "{51D45274-AF18-4746-BBF1-94C82F07139B}";

    virtual const std::int32_t* GetReadPointer() = 0;
    virtual std::int32_t* GetWritePointer() = 0;
    virtual std::int32_t* GetModifyPointer() = 0;
    virtual std::int32_t GetItem(std::int32_t index) = 0;
    virtual void SetItem(std::int32_t index, std::int32_t value) = 0;
    // Saturating; a zero divisor gives the largest value of the dividend's sign (0 for 0).
    virtual void Add(ISLIntegerBuffer& other) = 0;
    virtual void Subtract(ISLIntegerBuffer& other) = 0;
    virtual void Multiply(ISLIntegerBuffer& other) = 0;
    virtual void Divide(ISLIntegerBuffer& other) = 0;
    // Truncating remainder with the dividend's sign; raises EDivByZero at the
    // first zero divisor, the elements before it already changed.
    virtual void Modulo(ISLIntegerBuffer& other) = 0;
    virtual void And(ISLIntegerBuffer& other) = 0;
    virtual void Or(ISLIntegerBuffer& other) = 0;
    virtual void Xor(ISLIntegerBuffer& other) = 0;
    // Logical shifts by the low five bits of each of other's elements.
    virtual void ShiftLeft(ISLIntegerBuffer& other) = 0;
    virtual void ShiftRight(ISLIntegerBuffer& other) = 0;
    virtual void Fill(std::int32_t value) = 0;
    virtual void AddConst(std::int32_t value) = 0;
    virtual void SubtractConst(std::int32_t value) = 0;
    virtual void MultiplyConst(std::int32_t value) = 0;
    // Truncating; 0 and 1 change nothing.
    virtual void DivideConst(std::int32_t value) = 0;
    // Raises EDivByZero for 0 (when there is an element to divide).
    virtual void ModuloConst(std::int32_t value) = 0;
    virtual void AndConst(std::int32_t value) = 0;
    virtual void OrConst(std::int32_t value) = 0;
    virtual void XorConst(std::int32_t value) = 0;
    // Unlike the element shifts, constant counts are not cut to five bits: 32
    // and above shift everything out, a negative count changes nothing, and the
    // right shift is arithmetic (it copies the sign bit).
    virtual void ShiftLeftConst(std::int32_t value) = 0;
    virtual void ShiftRightConst(std::int32_t value) = 0;
    virtual void Zero() = 0;
    // Saturated to 32 bits.
    virtual std::int32_t DotProduct(ISLIntegerBuffer& other) = 0;
    // 0 for an empty buffer.
    virtual std::int32_t Min() = 0;
    virtual std::int32_t Max() = 0;
};

class TSLIntegerBuffer : public TSLTypedBuffer<TSLIntegerBuffer, std::int32_t, ISLIntegerBuffer> {
    using Base = TSLTypedBuffer<TSLIntegerBuffer, std::int32_t, ISLIntegerBuffer>;
    friend Base;

public:
    static SLRef<TSLIntegerBuffer> Create() { return CreateSized(0); }

    // Element indices and count when dest is an integer buffer, bytes otherwise.
    void CopyTo(std::int32_t sourceIndex, ISLDataBuffer& dest, std::int32_t destIndex,
                std::int32_t count) override;

    void Add(ISLIntegerBuffer& other) override;
    void Subtract(ISLIntegerBuffer& other) override;
    void Multiply(ISLIntegerBuffer& other) override;
    void Divide(ISLIntegerBuffer& other) override;
    void Modulo(ISLIntegerBuffer& other) override;
    void And(ISLIntegerBuffer& other) override;
    void Or(ISLIntegerBuffer& other) override;
    void Xor(ISLIntegerBuffer& other) override;
    void ShiftLeft(ISLIntegerBuffer& other) override;
    void ShiftRight(ISLIntegerBuffer& other) override;
    void Fill(std::int32_t value) override;
    void AddConst(std::int32_t value) override;
    void SubtractConst(std::int32_t value) override;
    void MultiplyConst(std::int32_t value) override;
    void DivideConst(std::int32_t value) override;
    void ModuloConst(std::int32_t value) override;
    void AndConst(std::int32_t value) override;
    void OrConst(std::int32_t value) override;
    void XorConst(std::int32_t value) override;
    void ShiftLeftConst(std::int32_t value) override;
    void ShiftRightConst(std::int32_t value) override;
    void Zero() override;
    std::int32_t DotProduct(ISLIntegerBuffer& other) override;
    std::int32_t Min() override;
    std::int32_t Max() override;

protected:
    using Base::Base;
};
