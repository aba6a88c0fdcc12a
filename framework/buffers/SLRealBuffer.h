#pragma once
// Copy-on-write buffer of doubles with vector operations, each one call of a
// routine of the basic routine table on the buffer's data.
#include <cstdint>

#include "dsp/IppTypes.h"
#include "framework/buffers/SLSimpleDataBuffer.h"

class ISLRealBuffer : public virtual ISLLinearDataBuffer {
public:
    static constexpr std::string_view Guid = "{032C61EC-364E-4739-A2FE-E7DA0BA64939}";

    // No-value marks skipped by MinValid and MaxValid.
    static constexpr double NoValueHigh = 1.7e308;
    static constexpr double NoValueLow = -1.7e308;

    // Operations with another buffer work on the first Min elements (the smaller
    // of both counts); operations on this buffer alone on all of them. No
    // operation changes the count.
    virtual const double* GetReadPointer() = 0;
    virtual double* GetWritePointer() = 0;
    virtual double* GetModifyPointer() = 0;
    // Raise ERangeError "Index out of range = %u" outside 0 to count - 1.
    virtual double GetItem(std::int32_t index) = 0;
    virtual void SetItem(std::int32_t index, double value) = 0;
    virtual void Jaehne(double magnitude) = 0;
    virtual void Add(ISLRealBuffer& other) = 0;
    virtual void Subtract(ISLRealBuffer& other) = 0;
    virtual void Multiply(ISLRealBuffer& other) = 0;
    // A zero divisor gives 1.0e15 for a positive quotient, -1.0e14 otherwise, 0.0 for 0/0.
    virtual void Divide(ISLRealBuffer& other) = 0;
    virtual void Fill(double value) = 0;
    virtual void AddConst(double value) = 0;
    virtual void SubtractConst(double value) = 0;
    virtual void MultiplyConst(double value) = 0;
    virtual void DivideConst(double value) = 0;
    virtual void Zero() = 0;
    // The To/From conversions read or write `count` elements at the address.
    virtual void ToIntegers(std::int32_t* dest, bool round) = 0;
    // Low 16 bits of the integer value, no saturation; 0 for values with no
    // 64-bit integer value (NaN, infinities, magnitudes from 2^63).
    virtual void ToSmallIntegers(std::int16_t* dest, bool round) = 0;
    virtual void ToSingles(float* dest) = 0;
    virtual void FromIntegers(const std::int32_t* source) = 0;
    virtual void FromSmallIntegers(const std::int16_t* source) = 0;
    virtual void FromSingles(const float* source) = 0;
    // this := (source - sub) / div. A divisor below the smallest normal double
    // in magnitude is refused and the values stay as they were.
    virtual void NormalizeFrom(ISLRealBuffer& source, double sub, double div) = 0;
    virtual void Normalize(double sub, double div) = 0;
    virtual double DotProduct(ISLRealBuffer& other) = 0;
    // Below: values below level become level; else values above it do.
    virtual void Threshold(bool below, double level) = 0;
    virtual void ThresholdFrom(ISLRealBuffer& source, bool below, double level) = 0;
    virtual void Square() = 0;
    virtual void SquareFrom(ISLRealBuffer& source) = 0;
    virtual void Sqrt() = 0;
    virtual void SqrtFrom(ISLRealBuffer& source) = 0;
    // Kind 1 normalised by the length, 2 by the number of terms, else plain.
    virtual void AutoCorrelation(ISLRealBuffer& source, std::uint8_t kind) = 0;
    // Fills this buffer's count of lags starting at lowLag.
    virtual void CrossCorrelation(ISLRealBuffer& src1, ISLRealBuffer& src2, std::int32_t lowLag) = 0;
    virtual void Abs() = 0;
    virtual void AbsFrom(ISLRealBuffer& source) = 0;
    virtual void Exp() = 0;
    virtual void ExpFrom(ISLRealBuffer& source) = 0;
    virtual void Ln() = 0;
    virtual void LnFrom(ISLRealBuffer& source) = 0;
    virtual double Mean() = 0;
    virtual double StdDev() = 0;
    // Needs room for src1 count + src2 count - 1 elements; a shorter buffer is left alone.
    virtual void Convolve(ISLRealBuffer& src1, ISLRealBuffer& src2) = 0;
    // Kind 0 L1, 1 L2, 2 infinity norm of the difference; 0.0 for any other kind.
    virtual double NormDiff(ISLRealBuffer& other, std::uint8_t kind) = 0;
    virtual double Min() = 0;
    virtual double Max() = 0;
    virtual double MinIndex(std::int32_t& index) = 0;
    virtual double MaxIndex(std::int32_t& index) = 0;
    // Over [from, to), clamped to the buffer; 0.0 for an empty range.
    virtual double MinRange(std::int32_t from, std::int32_t to) = 0;
    virtual double MaxRange(std::int32_t from, std::int32_t to) = 0;
    // As the range forms, skipping the no-value marks.
    virtual double MinValid(std::int32_t from, std::int32_t to) = 0;
    virtual double MaxValid(std::int32_t from, std::int32_t to) = 0;
};

class TSLRealBuffer : public TSLLinearMemoryBuffer, public virtual ISLRealBuffer {
public:
    static SLRef<TSLRealBuffer> Create();
    // Contents not cleared.
    static SLRef<TSLRealBuffer> CreateSized(std::uint32_t count);
    // Copies count doubles from data; nothing when data is null.
    static SLRef<TSLRealBuffer> CreateFromData(const double* data, std::uint32_t count);
    static SLRef<TSLRealBuffer> CreateFromIntegers(const std::int32_t* data, std::uint32_t count);
    // The block and size of another buffer, shared: nothing is copied.
    static SLRef<TSLRealBuffer> CreateShared(ISLData& source);

    SLRef<ISLData> Clone() override;
    // Element indices and count when dest is a real buffer, bytes otherwise.
    void CopyTo(std::int32_t sourceIndex, ISLDataBuffer& dest, std::int32_t destIndex,
                std::int32_t count) override;
    bool Equals(ISLDataBuffer& other) override;
    std::uint32_t GetCount() override { return ByteSize >> 3; }
    std::uint32_t GetElementSize() override { return sizeof(double); }

    const double* GetReadPointer() override { return static_cast<const double*>(GetRawReadPointer()); }
    double* GetWritePointer() override { return static_cast<double*>(GetRawWritePointer()); }
    double* GetModifyPointer() override { return static_cast<double*>(GetRawModifyPointer()); }
    double GetItem(std::int32_t index) override;
    void SetItem(std::int32_t index, double value) override;
    void Jaehne(double magnitude) override;
    void Add(ISLRealBuffer& other) override;
    void Subtract(ISLRealBuffer& other) override;
    void Multiply(ISLRealBuffer& other) override;
    void Divide(ISLRealBuffer& other) override;
    void Fill(double value) override;
    void AddConst(double value) override;
    void SubtractConst(double value) override;
    void MultiplyConst(double value) override;
    void DivideConst(double value) override;
    void Zero() override;
    void ToIntegers(std::int32_t* dest, bool round) override;
    void ToSmallIntegers(std::int16_t* dest, bool round) override;
    void ToSingles(float* dest) override;
    void FromIntegers(const std::int32_t* source) override;
    void FromSmallIntegers(const std::int16_t* source) override;
    void FromSingles(const float* source) override;
    void NormalizeFrom(ISLRealBuffer& source, double sub, double div) override;
    void Normalize(double sub, double div) override;
    double DotProduct(ISLRealBuffer& other) override;
    void Threshold(bool below, double level) override;
    void ThresholdFrom(ISLRealBuffer& source, bool below, double level) override;
    void Square() override;
    void SquareFrom(ISLRealBuffer& source) override;
    void Sqrt() override;
    void SqrtFrom(ISLRealBuffer& source) override;
    void AutoCorrelation(ISLRealBuffer& source, std::uint8_t kind) override;
    void CrossCorrelation(ISLRealBuffer& src1, ISLRealBuffer& src2, std::int32_t lowLag) override;
    void Abs() override;
    void AbsFrom(ISLRealBuffer& source) override;
    void Exp() override;
    void ExpFrom(ISLRealBuffer& source) override;
    void Ln() override;
    void LnFrom(ISLRealBuffer& source) override;
    double Mean() override;
    double StdDev() override;
    void Convolve(ISLRealBuffer& src1, ISLRealBuffer& src2) override;
    double NormDiff(ISLRealBuffer& other, std::uint8_t kind) override;
    double Min() override;
    double Max() override;
    double MinIndex(std::int32_t& index) override;
    double MaxIndex(std::int32_t& index) override;
    double MinRange(std::int32_t from, std::int32_t to) override;
    double MaxRange(std::int32_t from, std::int32_t to) override;
    double MinValid(std::int32_t from, std::int32_t to) override;
    double MaxValid(std::int32_t from, std::int32_t to) override;

protected:
    using TSLLinearMemoryBuffer::TSLLinearMemoryBuffer;

private:
    int count() { return static_cast<int>(GetCount()); }
    int minCount(ISLRealBuffer& other);
    void fromSource(ISLRealBuffer& source, IppStatus (*routine)(const double*, double*, int));
};

// quotients := quotients / divisors over n elements, then the quotients of zero
// divisors become finite marks the chart can draw: 1.0e15 for a positive one,
// -1.0e14 otherwise, 0.0 for 0/0 and wherever the divisor is not a number.
void divideWithZeroDivisorMarks(const double* divisors, double* quotients, int n);
