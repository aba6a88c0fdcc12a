#include "framework/buffers/SLComplexBuffer.h"

#include <algorithm>

#include "dsp/SLBasicDispatcher.h"

namespace {

const dsp::BasicRoutineTable& routines()
{
    return dsp::BasicTable();
}

IppCmpOp thresholdRelation(bool below)
{
    return below ? ippCmpLess : ippCmpGreater;
}

} // namespace

SLRef<ISLRealBuffer> TSLComplexBuffer::toReal(ToReal routine)
{
    SLRef<TSLRealBuffer> result = TSLRealBuffer::CreateSized(GetCount());
    routine(GetReadPointer(), result->GetWritePointer(), count());
    return result;
}

SLRef<ISLRealBuffer> TSLComplexBuffer::Real()
{
    return toReal(routines().ippsReal_64fc);
}

SLRef<ISLRealBuffer> TSLComplexBuffer::Imag()
{
    return toReal(routines().ippsImag_64fc);
}

SLRef<ISLRealBuffer> TSLComplexBuffer::Phase()
{
    return toReal(routines().ippsPhase_64fc);
}

SLRef<ISLRealBuffer> TSLComplexBuffer::Magnitude()
{
    return toReal(routines().ippsMagnitude_64fc);
}

SLRef<ISLRealBuffer> TSLComplexBuffer::PowerSpectrum()
{
    return toReal(routines().ippsPowerSpectr_64fc);
}

// ---------------------------------------------------------------------------
// Element-wise arithmetic. The operand's read pointer is always taken before
// this buffer's write or modify pointer: when both share a block, this buffer
// then moves to another block while the operand keeps the old one.

void TSLComplexBuffer::Add(ISLComplexBuffer& other)
{
    modifyWith(other, routines().ippsAdd_64fc_I);
}

void TSLComplexBuffer::Subtract(ISLComplexBuffer& other)
{
    modifyWith(other, routines().ippsSub_64fc_I);
}

void TSLComplexBuffer::Multiply(ISLComplexBuffer& other)
{
    modifyWith(other, routines().ippsMul_64fc_I);
}

void TSLComplexBuffer::Divide(ISLComplexBuffer& other)
{
    modifyWith(other, routines().ippsDiv_64fc_I);
}

void TSLComplexBuffer::AddConst(Ipp64fc value)
{
    routines().ippsAddC_64fc_I(value, GetModifyPointer(), count());
}

void TSLComplexBuffer::SubtractConst(Ipp64fc value)
{
    routines().ippsSubC_64fc_I(value, GetModifyPointer(), count());
}

void TSLComplexBuffer::MultiplyConst(Ipp64fc value)
{
    routines().ippsMulC_64fc_I(value, GetModifyPointer(), count());
}

void TSLComplexBuffer::DivideConst(Ipp64fc value)
{
    routines().ippsDivC_64fc_I(value, GetModifyPointer(), count());
}

void TSLComplexBuffer::FromRealImag(ISLRealBuffer& re, ISLRealBuffer& im)
{
    const std::uint32_t n = std::min(re.GetCount(), im.GetCount());
    SetCount(n, false);
    routines().ippsRealToCplx_64f(re.GetReadPointer(), im.GetReadPointer(), GetWritePointer(), static_cast<int>(n));
}

void TSLComplexBuffer::Fill(double re, double im)
{
    Fill(Ipp64fc{re, im});
}

void TSLComplexBuffer::Fill(const Ipp64fc& value)
{
    routines().ippsSet_64fc(value, GetWritePointer(), count());
}

void TSLComplexBuffer::Zero()
{
    routines().ippsZero_64fc(GetWritePointer(), count());
}

// ---------------------------------------------------------------------------
// Operations from another buffer

void TSLComplexBuffer::fromSource(ISLComplexBuffer& source, FromSource routine)
{
    const Ipp64fc* from = source.GetReadPointer();
    const int n = minCount(source);
    writeOrKeep<Ipp64fc>([&](Ipp64fc* to) { return routine(from, to, n); });
}

void TSLComplexBuffer::NormalizeFrom(ISLComplexBuffer& source, Ipp64fc sub, double div)
{
    const Ipp64fc* from = source.GetReadPointer();
    const int n = minCount(source);
    writeOrKeep<Ipp64fc>([&](Ipp64fc* to) { return routines().ippsNormalize_64fc(from, to, n, sub, div); });
}

void TSLComplexBuffer::Normalize(Ipp64fc sub, double div)
{
    // The temporary holds the old block, so the results go to a new one.
    SLRef<TSLComplexBuffer> old = CreateShared(*this);
    NormalizeFrom(*old, sub, div);
}

Ipp64fc TSLComplexBuffer::DotProduct(ISLComplexBuffer& other)
{
    Ipp64fc result{0.0, 0.0};
    routines().ippsDotProd_64fc(other.GetReadPointer(), GetReadPointer(), minCount(other), &result);
    return result;
}

void TSLComplexBuffer::Threshold(bool below, double level)
{
    routines().ippsThreshold_64fc_I(GetModifyPointer(), count(), level, thresholdRelation(below));
}

void TSLComplexBuffer::ThresholdFrom(ISLComplexBuffer& source, bool below, double level)
{
    const Ipp64fc* from = source.GetReadPointer();
    const int n = minCount(source);
    writeOrKeep<Ipp64fc>(
        [&](Ipp64fc* to) { return routines().ippsThreshold_64fc(from, to, n, level, thresholdRelation(below)); });
}

void TSLComplexBuffer::Square()
{
    routines().ippsSqr_64fc_I(GetModifyPointer(), count());
}

void TSLComplexBuffer::SquareFrom(ISLComplexBuffer& source)
{
    fromSource(source, routines().ippsSqr_64fc);
}

void TSLComplexBuffer::Sqrt()
{
    routines().ippsSqrt_64fc_I(GetModifyPointer(), count());
}

void TSLComplexBuffer::SqrtFrom(ISLComplexBuffer& source)
{
    fromSource(source, routines().ippsSqrt_64fc);
}

void TSLComplexBuffer::AutoCorrelation(ISLComplexBuffer& source, std::uint8_t kind)
{
    const auto routine = kind == 1   ? routines().ippsAutoCorr_NormA_64fc
                         : kind == 2 ? routines().ippsAutoCorr_NormB_64fc
                                     : routines().ippsAutoCorr_64fc;
    const SLRef<TSLMemoryBuffer> hold = holdSourcesOnOwnBlock(source, source);
    const Ipp64fc* from = source.GetReadPointer();
    const int n = minCount(source);
    writeOrKeep<Ipp64fc>([&](Ipp64fc* to) { return routine(from, n, to, n); });
}

void TSLComplexBuffer::CrossCorrelation(ISLComplexBuffer& src1, ISLComplexBuffer& src2, std::int32_t lowLag)
{
    const SLRef<TSLMemoryBuffer> hold = holdSourcesOnOwnBlock(src1, src2);
    const Ipp64fc* first = src1.GetReadPointer();
    const Ipp64fc* second = src2.GetReadPointer();
    const auto firstCount = static_cast<int>(src1.GetCount());
    const auto secondCount = static_cast<int>(src2.GetCount());
    writeOrKeep<Ipp64fc>([&](Ipp64fc* to) {
        return routines().ippsCrossCorr_64fc(first, firstCount, second, secondCount, to, count(), lowLag);
    });
}
