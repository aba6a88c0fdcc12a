#include "dsp/FftSpec.h"

#include <cmath>
#include <new>

#include "dsp/FftAlloc.h"
#include "dsp/FftCore.h"
#include "dsp/FftDirect.h"
#include "dsp/LibCDispatcher.h"

namespace dsp::fft {

namespace {

struct FlagRule {
    int flag;
    Ipp32u forwardScaled;
    Ipp32u inverseScaled;
    bool byRootN;
};

constexpr FlagRule flagRules[] = {
    {IPP_FFT_DIV_FWD_BY_N, 1, 0, false},
    {IPP_FFT_DIV_INV_BY_N, 0, 1, false},
    {IPP_FFT_DIV_BY_SQRTN, 1, 1, true},
    {IPP_FFT_NODIV_BY_ANY, 0, 0, false},
};

void releaseRecord(FftSpecRecord* record) {
    record->kindTag = 0;
    if (record->owned != 1)
        return;
    fftFree(record->bitReverse);
    fftFree(record->twiddles);
    fftFree(record->realTableA);
    fftFree(record->realTableB);
    fftFree(record);
}

IppStatus buildRealTables(FftSpecRecord& record, int order, const Ipp64f* sine) {
    const std::size_t quarter = std::size_t{1} << (order - 2);
    std::size_t bytes = 0;
    if (!checkedMul(quarter, sizeof(Ipp64fc), bytes))
        return ippStsMemAllocErr;
    record.realTableA = static_cast<Ipp64fc*>(fftAlloc(bytes));
    if (record.realTableA == nullptr)
        return ippStsMemAllocErr;
    for (std::size_t k = 0; k < quarter; ++k)
        record.realTableA[k] = {0.5 * sine[quarter - k], 0.5 - 0.5 * sine[k]};
    record.realTableB = static_cast<Ipp64fc*>(fftAlloc(bytes));
    if (record.realTableB == nullptr)
        return ippStsMemAllocErr;
    for (std::size_t k = 0; k < quarter; ++k)
        record.realTableB[k] = {sine[quarter - k], -sine[k]};
    return ippStsNoErr;
}

IppStatus buildTables(FftSpecRecord& record, int order, bool real) {
    std::size_t bytes = 0;
    if (!sineTableBytes(order, bytes))
        return ippStsMemAllocErr;
    auto* sine = static_cast<Ipp64f*>(fftAlloc(bytes));
    if (sine == nullptr)
        return ippStsMemAllocErr;
    BuildTwiddleTable(order, sine);
    IppStatus status = BuildComplexPlan(record, real ? order - 1 : order, sine, order);
    if (status == ippStsNoErr && real)
        status = buildRealTables(record, order, sine);
    fftFree(sine);
    return status;
}

template <typename Record>
IppStatus initAlloc(Record** out, int order, int flag, IppHintAlgorithm hint, Ipp32s tag) {
    if (out == nullptr)
        return ippStsNullPtrErr;
    if (order < 0 || order > maxFftOrder)
        return ippStsFftOrderErr;
    void* block = fftAlloc(sizeof(Record));
    if (block == nullptr)
        return ippStsMemAllocErr;
    auto* record = new (block) Record{};
    record->kindTag = tag;
    record->order = order;
    record->hint = hint;
    record->owned = 1;

    const FlagRule* rule = nullptr;
    for (const FlagRule& r : flagRules)
        if (r.flag == flag)
            rule = &r;
    if (rule == nullptr) {
        releaseRecord(record);
        return ippStsFftFlagErr;
    }
    record->forwardScaled = rule->forwardScaled;
    record->inverseScaled = rule->inverseScaled;
    const double n = std::ldexp(1.0, order);
    if (rule->byRootN)
        record->scale = static_cast<double>(1.0L / static_cast<long double>(LibSqrt(n)));
    else if (rule->forwardScaled || rule->inverseScaled)
        record->scale = static_cast<double>(1.0L / static_cast<long double>(n));

    if (order > largestDirectOrder) {
        const IppStatus status = buildTables(*record, order, tag == realSpecTag);
        if (status != ippStsNoErr) {
            releaseRecord(record);
            return status;
        }
    }
    *out = record;
    return ippStsNoErr;
}

IppStatus freeRecord(FftSpecRecord* record, Ipp32s tag) {
    if (record == nullptr)
        return ippStsNullPtrErr;
    if (record->kindTag != tag)
        return ippStsContextMatchErr;
    releaseRecord(record);
    return ippStsNoErr;
}

IppStatus complexTransform(const Ipp64fc* src, Ipp64fc* dst, const FFTSpec_C_64fc* spec, Ipp8u* buffer,
                           bool inverse) {
    if (spec == nullptr)
        return ippStsNullPtrErr;
    if (spec->kindTag != complexSpecTag)
        return ippStsContextMatchErr;
    if (src == nullptr || dst == nullptr)
        return ippStsNullPtrErr;
    const int order = spec->order;
    if (order <= largestDirectOrder) {
        const bool scaled = inverse ? spec->inverseScaled : spec->forwardScaled;
        const Ipp64f* scale = scaled ? &spec->scale : nullptr;
        if (inverse)
            directComplexInverse(order, src, dst, scale);
        else
            directComplexForward(order, src, dst, scale);
        return ippStsNoErr;
    }
    WorkBuffer work;
    if (!work.acquire(*spec, buffer))
        return ippStsMemAllocErr;
    transformFrom(*spec, src, dst, order, inverse, work.get());
    return ippStsNoErr;
}

}  // namespace

}  // namespace dsp::fft

namespace dsp::native {

using namespace dsp::fft;

IppStatus ippsFFTInitAlloc_C_64fc(FFTSpec_C_64fc** spec, int order, int flag, IppHintAlgorithm hint) {
    return initAlloc(spec, order, flag, hint, complexSpecTag);
}

IppStatus ippsFFTInitAlloc_R_64f(FFTSpec_R_64f** spec, int order, int flag, IppHintAlgorithm hint) {
    return initAlloc(spec, order, flag, hint, realSpecTag);
}

IppStatus ippsFFTFree_C_64fc(FFTSpec_C_64fc* spec) { return freeRecord(spec, complexSpecTag); }
IppStatus ippsFFTFree_R_64f(FFTSpec_R_64f* spec) { return freeRecord(spec, realSpecTag); }

IppStatus ippsFFTFwd_CToC_64fc(const Ipp64fc* src, Ipp64fc* dst, const FFTSpec_C_64fc* spec, Ipp8u* buffer) {
    return complexTransform(src, dst, spec, buffer, false);
}

IppStatus ippsFFTInv_CToC_64fc(const Ipp64fc* src, Ipp64fc* dst, const FFTSpec_C_64fc* spec, Ipp8u* buffer) {
    return complexTransform(src, dst, spec, buffer, true);
}

IppStatus ippsConjCcs_64fc_I(Ipp64fc* srcDst, int length) {
    if (srcDst == nullptr)
        return ippStsNullPtrErr;
    if (length < 1)
        return ippStsSizeErr;
    for (int m = length / 2 + 1; m < length; ++m)
        srcDst[m] = {srcDst[length - m].re, -srcDst[length - m].im};
    return ippStsNoErr;
}

IppStatus FFTGetBufSize_C_64fc(const FFTSpec_C_64fc* spec, int* size) {
    if (spec == nullptr || size == nullptr)
        return ippStsNullPtrErr;
    if (spec->kindTag != complexSpecTag)
        return ippStsContextMatchErr;
    *size = spec->workSize < 1 ? 0 : spec->workSize + 16;
    return ippStsNoErr;
}

}  // namespace dsp::native
