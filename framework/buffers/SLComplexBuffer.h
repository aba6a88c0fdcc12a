#pragma once
// Copy-on-write buffer of complex values (real part, then imaginary part).
// Operations with another buffer work on the first Min elements (the smaller of
// both counts), the others on all of them; only FromRealImag changes the count.
#include <cstdint>

#include "dsp/IppTypes.h"
#include "framework/buffers/SLRealBuffer.h"
#include "framework/buffers/SLTypedBuffer.h"

class ISLComplexBuffer : public virtual ISLLinearDataBuffer {
public:
    static constexpr std::string_view Guid = "{FA61019A-FF10-4472-9F8C-89DC48D5C792}";

    virtual const Ipp64fc* GetReadPointer() = 0;
    virtual Ipp64fc* GetWritePointer() = 0;
    virtual Ipp64fc* GetModifyPointer() = 0;
    virtual Ipp64fc GetItem(std::int32_t index) = 0;
    virtual void SetItem(std::int32_t index, Ipp64fc value) = 0;
    // New real buffers of this buffer's count; this buffer is unchanged.
    virtual SLRef<ISLRealBuffer> Real() = 0;
    virtual SLRef<ISLRealBuffer> Imag() = 0;
    virtual void Add(ISLComplexBuffer& other) = 0;
    virtual void Subtract(ISLComplexBuffer& other) = 0;
    virtual void Multiply(ISLComplexBuffer& other) = 0;
    // A zero divisor leaves NaN in both parts.
    virtual void Divide(ISLComplexBuffer& other) = 0;
    virtual void AddConst(Ipp64fc value) = 0;
    virtual void SubtractConst(Ipp64fc value) = 0;
    virtual void MultiplyConst(Ipp64fc value) = 0;
    // Dividing by 0 changes nothing.
    virtual void DivideConst(Ipp64fc value) = 0;
    // The count becomes the smaller of both counts.
    virtual void FromRealImag(ISLRealBuffer& re, ISLRealBuffer& im) = 0;
    virtual void Fill(double re, double im) = 0;
    virtual void Fill(const Ipp64fc& value) = 0;
    virtual void Zero() = 0;
    // this := (source - sub) / div. A divisor below the smallest normal double
    // in magnitude is refused and the values stay as they were.
    virtual void NormalizeFrom(ISLComplexBuffer& source, Ipp64fc sub, double div) = 0;
    virtual void Normalize(Ipp64fc sub, double div) = 0;
    virtual Ipp64fc DotProduct(ISLComplexBuffer& other) = 0;
    // Compares magnitudes with level (a negative level is refused): below,
    // smaller values are scaled up to it; else larger ones down to it.
    virtual void Threshold(bool below, double level) = 0;
    virtual void ThresholdFrom(ISLComplexBuffer& source, bool below, double level) = 0;
    virtual void Square() = 0;
    virtual void SquareFrom(ISLComplexBuffer& source) = 0;
    virtual void Sqrt() = 0;
    virtual void SqrtFrom(ISLComplexBuffer& source) = 0;
    // Kind 1 normalised by the length, 2 by the number of terms, else plain.
    virtual void AutoCorrelation(ISLComplexBuffer& source, std::uint8_t kind) = 0;
    // Fills this buffer's count of lags starting at lowLag.
    virtual void CrossCorrelation(ISLComplexBuffer& src1, ISLComplexBuffer& src2, std::int32_t lowLag) = 0;
    // New real buffers of this buffer's count.
    virtual SLRef<ISLRealBuffer> Phase() = 0;
    virtual SLRef<ISLRealBuffer> Magnitude() = 0;
    virtual SLRef<ISLRealBuffer> PowerSpectrum() = 0;
};

class TSLComplexBuffer : public TSLTypedBuffer<TSLComplexBuffer, Ipp64fc, ISLComplexBuffer> {
    using Base = TSLTypedBuffer<TSLComplexBuffer, Ipp64fc, ISLComplexBuffer>;
    friend Base;

public:
    SLRef<ISLRealBuffer> Real() override;
    SLRef<ISLRealBuffer> Imag() override;
    void Add(ISLComplexBuffer& other) override;
    void Subtract(ISLComplexBuffer& other) override;
    void Multiply(ISLComplexBuffer& other) override;
    void Divide(ISLComplexBuffer& other) override;
    void AddConst(Ipp64fc value) override;
    void SubtractConst(Ipp64fc value) override;
    void MultiplyConst(Ipp64fc value) override;
    void DivideConst(Ipp64fc value) override;
    void FromRealImag(ISLRealBuffer& re, ISLRealBuffer& im) override;
    void Fill(double re, double im) override;
    void Fill(const Ipp64fc& value) override;
    void Zero() override;
    void NormalizeFrom(ISLComplexBuffer& source, Ipp64fc sub, double div) override;
    void Normalize(Ipp64fc sub, double div) override;
    Ipp64fc DotProduct(ISLComplexBuffer& other) override;
    void Threshold(bool below, double level) override;
    void ThresholdFrom(ISLComplexBuffer& source, bool below, double level) override;
    void Square() override;
    void SquareFrom(ISLComplexBuffer& source) override;
    void Sqrt() override;
    void SqrtFrom(ISLComplexBuffer& source) override;
    void AutoCorrelation(ISLComplexBuffer& source, std::uint8_t kind) override;
    void CrossCorrelation(ISLComplexBuffer& src1, ISLComplexBuffer& src2, std::int32_t lowLag) override;
    SLRef<ISLRealBuffer> Phase() override;
    SLRef<ISLRealBuffer> Magnitude() override;
    SLRef<ISLRealBuffer> PowerSpectrum() override;

protected:
    using Base::Base;

private:
    using ToReal = IppStatus (*)(const Ipp64fc*, Ipp64f*, int);
    SLRef<ISLRealBuffer> toReal(ToReal routine);
    using FromSource = IppStatus (*)(const Ipp64fc*, Ipp64fc*, int);
    void fromSource(ISLComplexBuffer& source, FromSource routine);
};
