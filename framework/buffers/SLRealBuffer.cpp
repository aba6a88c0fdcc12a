#include "framework/buffers/SLRealBuffer.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "dsp/SLBasicDispatcher.h"
#include "framework/buffers/SLBufferErrors.h"

namespace {

const dsp::BasicRoutineTable& routines()
{
    return dsp::BasicTable();
}

// The routines' own refusals, checked before a write pointer is taken: a write
// pointer on a shared block hands out a fresh, undefined block, which a refused
// call would leave in place of the values.
bool normalizeRefuses(double div)
{
    return std::fabs(div) < DBL_MIN;
}

bool jaehneRefuses(double magnitude)
{
    return magnitude < 0.0;
}

constexpr double positiveOverZero = 1.0e15;
constexpr double otherOverZero = -1.0e14;

IppCmpOp thresholdRelation(bool below)
{
    return below ? ippCmpLess : ippCmpGreater;
}

double roundHalfToEven(double value)
{
    const double truncated = std::trunc(value);
    if (std::fabs(value - truncated) == 0.5)
        return 2.0 * std::round(value / 2.0);
    return std::round(value);
}

std::int16_t lowSixteenBits(double value, bool round)
{
    // Outside the 64-bit integers the value has no low bits to keep.
    constexpr double twoTo63 = 9223372036854775808.0;
    const double whole = round ? roundHalfToEven(value) : std::trunc(value);
    if (!(whole >= -twoTo63 && whole < twoTo63))
        return 0;
    const auto bits = static_cast<std::uint64_t>(static_cast<std::int64_t>(whole));
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(bits & 0xFFFFu));
}

} // namespace

// ---------------------------------------------------------------------------

SLRef<TSLRealBuffer> TSLRealBuffer::Create()
{
    return new TSLRealBuffer(std::uint64_t{0});
}

SLRef<TSLRealBuffer> TSLRealBuffer::CreateSized(std::uint32_t count)
{
    return new TSLRealBuffer(std::uint64_t{count} * sizeof(double));
}

SLRef<TSLRealBuffer> TSLRealBuffer::CreateFromData(const double* data, std::uint32_t count)
{
    return new TSLRealBuffer(std::uint64_t{count} * sizeof(double), data);
}

SLRef<TSLRealBuffer> TSLRealBuffer::CreateFromIntegers(const std::int32_t* data, std::uint32_t count)
{
    SLRef<TSLRealBuffer> buffer = CreateSized(count);
    routines().ippsConvert_32s64f(data, buffer->GetWritePointer(), buffer->count());
    return buffer;
}

SLRef<TSLRealBuffer> TSLRealBuffer::CreateShared(ISLData& source)
{
    TSLGenericBuffer& buffer = From(source);
    return new TSLRealBuffer(memoryBlockOf(buffer), buffer.GetByteSize());
}

SLRef<ISLData> TSLRealBuffer::Clone()
{
    return SLRef<ISLData>(new TSLRealBuffer(&memoryBlock(), ByteSize));
}

void TSLRealBuffer::CopyTo(std::int32_t sourceIndex, ISLDataBuffer& dest, std::int32_t destIndex,
                           std::int32_t count)
{
    auto* realDest = dynamic_cast<TSLRealBuffer*>(dest.GetInstance());
    if (!realDest) {
        TSLLinearMemoryBuffer::CopyTo(sourceIndex, dest, destIndex, count);
        return;
    }
    const std::int32_t fits = fittingCount(GetCount(), sourceIndex, realDest->GetCount(), destIndex, count);
    if (fits < 1)
        return;
    const double* from = GetReadPointer() + sourceIndex;
    routines().ippsCopy_64f(from, realDest->GetModifyPointer() + destIndex, fits);
}

bool TSLRealBuffer::Equals(ISLDataBuffer& other)
{
    if (!dynamic_cast<TSLRealBuffer*>(other.GetInstance()))
        return false;
    return TSLLinearMemoryBuffer::Equals(other);
}

int TSLRealBuffer::minCount(ISLRealBuffer& other)
{
    return static_cast<int>(std::min(GetCount(), other.GetCount()));
}

// ---------------------------------------------------------------------------
// Items

double TSLRealBuffer::GetItem(std::int32_t index)
{
    if (index < 0 || index >= count())
        throw ERangeError::index(index);
    return GetReadPointer()[index];
}

void TSLRealBuffer::SetItem(std::int32_t index, double value)
{
    double* data = GetModifyPointer();
    if (index < 0 || index >= count())
        throw ERangeError::index(index);
    data[index] = value;
}

// ---------------------------------------------------------------------------
// Element-wise arithmetic. The operand's read pointer is always taken before
// this buffer's write or modify pointer: when both share a block, the write
// moves this buffer to a new block while the operand keeps the old one.

void TSLRealBuffer::Jaehne(double magnitude)
{
    if (jaehneRefuses(magnitude))
        return;
    routines().ippsVectorJaehne_64f(GetWritePointer(), count(), magnitude);
}

void TSLRealBuffer::Add(ISLRealBuffer& other)
{
    const double* source = other.GetReadPointer();
    routines().ippsAdd_64f_I(source, GetModifyPointer(), minCount(other));
}

void TSLRealBuffer::Subtract(ISLRealBuffer& other)
{
    const double* source = other.GetReadPointer();
    routines().ippsSub_64f_I(source, GetModifyPointer(), minCount(other));
}

void TSLRealBuffer::Multiply(ISLRealBuffer& other)
{
    const double* source = other.GetReadPointer();
    routines().ippsMul_64f_I(source, GetModifyPointer(), minCount(other));
}

void TSLRealBuffer::Divide(ISLRealBuffer& other)
{
    const double* divisors = other.GetReadPointer();
    divideWithZeroDivisorMarks(divisors, GetModifyPointer(), minCount(other));
}

void divideWithZeroDivisorMarks(const double* divisors, double* quotients, int n)
{
    if (routines().ippsDiv_64f_I(divisors, quotients, n) != ippStsDivByZero)
        return;
    for (int i = 0; i < n; ++i) {
        const double divisor = divisors[i];
        double& quotient = quotients[i];
        if (std::isnan(divisor))
            quotient = 0.0;
        else if (divisor == 0.0)
            quotient = std::isnan(quotient) ? 0.0 : quotient > 0.0 ? positiveOverZero : otherOverZero;
    }
}

void TSLRealBuffer::Fill(double value)
{
    routines().ippsSet_64f(value, GetWritePointer(), count());
}

void TSLRealBuffer::AddConst(double value)
{
    if (value != 0.0)
        routines().ippsAddC_64f_I(value, GetModifyPointer(), count());
}

void TSLRealBuffer::SubtractConst(double value)
{
    if (value != 0.0)
        routines().ippsSubC_64f_I(value, GetModifyPointer(), count());
}

void TSLRealBuffer::MultiplyConst(double value)
{
    if (value != 1.0)
        routines().ippsMulC_64f_I(value, GetModifyPointer(), count());
}

void TSLRealBuffer::DivideConst(double value)
{
    if (value != 0.0 && value != 1.0)
        routines().ippsDivC_64f_I(value, GetModifyPointer(), count());
}

void TSLRealBuffer::Zero()
{
    routines().ippsZero_64f(GetWritePointer(), count());
}

// ---------------------------------------------------------------------------
// Conversions

void TSLRealBuffer::ToIntegers(std::int32_t* dest, bool round)
{
    routines().ippsConvert_64f32s_Sfs(GetReadPointer(), dest, count(), round ? ippRndNear : ippRndZero, 0);
}

void TSLRealBuffer::ToSmallIntegers(std::int16_t* dest, bool round)
{
    const double* values = GetReadPointer();
    const int n = count();
    for (int i = 0; i < n; ++i)
        dest[i] = lowSixteenBits(values[i], round);
}

void TSLRealBuffer::ToSingles(float* dest)
{
    routines().ippsConvert_64f32f(GetReadPointer(), dest, count());
}

void TSLRealBuffer::FromIntegers(const std::int32_t* source)
{
    routines().ippsConvert_32s64f(source, GetWritePointer(), count());
}

void TSLRealBuffer::FromSmallIntegers(const std::int16_t* source)
{
    routines().ippsConvert_16s64f_Sfs(source, GetWritePointer(), count(), 0);
}

void TSLRealBuffer::FromSingles(const float* source)
{
    routines().ippsConvert_32f64f(source, GetWritePointer(), count());
}

// ---------------------------------------------------------------------------
// Operations from another buffer

void TSLRealBuffer::NormalizeFrom(ISLRealBuffer& source, double sub, double div)
{
    if (normalizeRefuses(div))
        return;
    const double* from = source.GetReadPointer();
    const int n = minCount(source);
    writeOrKeep<double>([&](double* to) { return routines().ippsNormalize_64f(from, to, n, sub, div); });
}

void TSLRealBuffer::Normalize(double sub, double div)
{
    if (normalizeRefuses(div))
        return;
    // The temporary holds the old block, so the results go to a new one.
    SLRef<TSLRealBuffer> old = CreateShared(*this);
    NormalizeFrom(*old, sub, div);
}

double TSLRealBuffer::DotProduct(ISLRealBuffer& other)
{
    double result = 0.0;
    routines().ippsDotProd_64f(other.GetReadPointer(), GetReadPointer(), minCount(other), &result);
    return result;
}

void TSLRealBuffer::Threshold(bool below, double level)
{
    routines().ippsThreshold_64f_I(GetModifyPointer(), count(), level, thresholdRelation(below));
}

void TSLRealBuffer::ThresholdFrom(ISLRealBuffer& source, bool below, double level)
{
    const double* from = source.GetReadPointer();
    const int n = minCount(source);
    writeOrKeep<double>(
        [&](double* to) { return routines().ippsThreshold_64f(from, to, n, level, thresholdRelation(below)); });
}

void TSLRealBuffer::Square()
{
    routines().ippsSqr_64f_I(GetModifyPointer(), count());
}

// A shared buffer whose source proves empty keeps its values.
void TSLRealBuffer::fromSource(ISLRealBuffer& source, IppStatus (*routine)(const double*, double*, int))
{
    const double* from = source.GetReadPointer();
    const int n = minCount(source);
    writeOrKeep<double>([&](double* to) { return routine(from, to, n); });
}

void TSLRealBuffer::SquareFrom(ISLRealBuffer& source)
{
    fromSource(source, routines().ippsSqr_64f);
}

void TSLRealBuffer::Sqrt()
{
    routines().ippsSqrt_64f_I(GetModifyPointer(), count());
}

void TSLRealBuffer::SqrtFrom(ISLRealBuffer& source)
{
    fromSource(source, routines().ippsSqrt_64f);
}

void TSLRealBuffer::AutoCorrelation(ISLRealBuffer& source, std::uint8_t kind)
{
    const auto routine = kind == 1   ? routines().ippsAutoCorr_NormA_64f
                         : kind == 2 ? routines().ippsAutoCorr_NormB_64f
                                     : routines().ippsAutoCorr_64f;
    const SLRef<TSLMemoryBuffer> hold = holdSourcesOnOwnBlock(source, source);
    const double* from = source.GetReadPointer();
    const int n = minCount(source);
    writeOrKeep<double>([&](double* to) { return routine(from, n, to, n); });
}

void TSLRealBuffer::CrossCorrelation(ISLRealBuffer& src1, ISLRealBuffer& src2, std::int32_t lowLag)
{
    const SLRef<TSLMemoryBuffer> hold = holdSourcesOnOwnBlock(src1, src2);
    const double* first = src1.GetReadPointer();
    const double* second = src2.GetReadPointer();
    const auto firstCount = static_cast<int>(src1.GetCount());
    const auto secondCount = static_cast<int>(src2.GetCount());
    writeOrKeep<double>([&](double* to) {
        return routines().ippsCrossCorr_64f(first, firstCount, second, secondCount, to, count(), lowLag);
    });
}

void TSLRealBuffer::Abs()
{
    routines().ippsAbs_64f_I(GetModifyPointer(), count());
}

void TSLRealBuffer::AbsFrom(ISLRealBuffer& source)
{
    fromSource(source, routines().ippsAbs_64f);
}

void TSLRealBuffer::Exp()
{
    routines().ippsExp_64f_I(GetModifyPointer(), count());
}

void TSLRealBuffer::ExpFrom(ISLRealBuffer& source)
{
    fromSource(source, routines().ippsExp_64f);
}

void TSLRealBuffer::Ln()
{
    routines().ippsLn_64f_I(GetModifyPointer(), count());
}

void TSLRealBuffer::LnFrom(ISLRealBuffer& source)
{
    fromSource(source, routines().ippsLn_64f);
}

void TSLRealBuffer::Convolve(ISLRealBuffer& src1, ISLRealBuffer& src2)
{
    const std::uint64_t firstCount = src1.GetCount();
    const std::uint64_t secondCount = src2.GetCount();
    // The routine writes the full convolution whatever the destination holds.
    if (firstCount == 0 || secondCount == 0 || GetCount() < firstCount + secondCount - 1)
        return;
    const SLRef<TSLMemoryBuffer> hold = holdSourcesOnOwnBlock(src1, src2);
    const double* first = src1.GetReadPointer();
    const double* second = src2.GetReadPointer();
    routines().ippsConv_64f(first, static_cast<int>(firstCount), second, static_cast<int>(secondCount),
                            GetWritePointer());
}

// ---------------------------------------------------------------------------
// Statistics

double TSLRealBuffer::Mean()
{
    double result = 0.0;
    routines().ippsMean_64f(GetReadPointer(), count(), &result);
    return result;
}

double TSLRealBuffer::StdDev()
{
    double result = 0.0;
    routines().ippsStdDev_64f(GetReadPointer(), count(), &result);
    return result;
}

double TSLRealBuffer::NormDiff(ISLRealBuffer& other, std::uint8_t kind)
{
    double result = 0.0;
    const auto& table = routines();
    const auto routine = kind == 0   ? table.ippsNormDiff_L1_64f
                         : kind == 1 ? table.ippsNormDiff_L2_64f
                         : kind == 2 ? table.ippsNormDiff_Inf_64f
                                     : nullptr;
    if (routine)
        routine(other.GetReadPointer(), GetReadPointer(), minCount(other), &result);
    return result;
}

double TSLRealBuffer::Min()
{
    double result = 0.0;
    if (count() > 0)
        routines().ippsMin_64f(GetReadPointer(), count(), &result);
    return result;
}

double TSLRealBuffer::Max()
{
    double result = 0.0;
    if (count() > 0)
        routines().ippsMax_64f(GetReadPointer(), count(), &result);
    return result;
}

double TSLRealBuffer::MinIndex(std::int32_t& index)
{
    index = 0;
    double result = 0.0;
    if (count() > 0)
        routines().ippsMinIndx_64f(GetReadPointer(), count(), &result, &index);
    return result;
}

double TSLRealBuffer::MaxIndex(std::int32_t& index)
{
    index = 0;
    double result = 0.0;
    if (count() > 0)
        routines().ippsMaxIndx_64f(GetReadPointer(), count(), &result, &index);
    return result;
}

namespace {

struct ClampedRange {
    std::int32_t from, to;
};

ClampedRange clampRange(std::int32_t from, std::int32_t to, std::int32_t count)
{
    from = std::max(from, 0);
    to = std::clamp(to, 0, count);
    if (from >= count)
        from = count - 1;
    return {from, to};
}

} // namespace

double TSLRealBuffer::MinRange(std::int32_t from, std::int32_t to)
{
    const auto range = clampRange(from, to, count());
    double result = 0.0;
    if (count() > 0 && range.to - range.from >= 1)
        routines().ippsMin_64f(GetReadPointer() + range.from, range.to - range.from, &result);
    return result;
}

double TSLRealBuffer::MaxRange(std::int32_t from, std::int32_t to)
{
    const auto range = clampRange(from, to, count());
    double result = 0.0;
    if (count() > 0 && range.to - range.from >= 1)
        routines().ippsMax_64f(GetReadPointer() + range.from, range.to - range.from, &result);
    return result;
}

namespace {

bool isNoValue(double value)
{
    return value == ISLRealBuffer::NoValueHigh || value == ISLRealBuffer::NoValueLow;
}

} // namespace

double TSLRealBuffer::MinValid(std::int32_t from, std::int32_t to)
{
    const auto range = clampRange(from, to, count());
    if (count() == 0 || range.from == range.to)
        return 0.0;
    const double* values = GetReadPointer();
    double result = values[range.from];
    if (!(result > NoValueLow) || result == NoValueHigh)
        result = 0.0;
    for (std::int32_t i = range.from + 1; i < range.to; ++i)
        if (!isNoValue(values[i]) && values[i] < result)
            result = values[i];
    return result;
}

double TSLRealBuffer::MaxValid(std::int32_t from, std::int32_t to)
{
    const auto range = clampRange(from, to, count());
    if (count() == 0 || range.from == range.to)
        return 0.0;
    const double* values = GetReadPointer();
    double result = values[range.from];
    if (isNoValue(result))
        result = 0.0;
    for (std::int32_t i = range.from + 1; i < range.to; ++i)
        if (!isNoValue(values[i]) && values[i] > result)
            result = values[i];
    return result;
}
