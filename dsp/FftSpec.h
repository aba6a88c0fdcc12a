#pragma once
// FFT set-up records (FFTSpec_*) and the transform entries of the basic routine table.
#include "dsp/IppTypes.h"

enum IppFftFlag : int {
    IPP_FFT_DIV_FWD_BY_N = 1,
    IPP_FFT_DIV_INV_BY_N = 2,
    IPP_FFT_DIV_BY_SQRTN = 4,
    IPP_FFT_NODIV_BY_ANY = 8,
};

namespace dsp::fft {

constexpr Ipp32s complexSpecTag = 7;
constexpr Ipp32s realSpecTag = 9;
constexpr int maxFftOrder = 30;
constexpr int maxPlanLevels = 3;

// Fields shared by both record kinds; a field an order does not use stays zero.
struct FftSpecRecord {
    Ipp32s kindTag;
    Ipp32s order;
    Ipp32u forwardScaled;
    Ipp32u inverseScaled;
    Ipp64f scale;
    Ipp32s hint;
    Ipp32s workSize;  // bytes; above 0 only for plans with a recursive split
    Ipp32u owned;
    Ipp32u* bitReverse;
    Ipp64fc* twiddles;  // radix-4 table (orders 4 to 9) or the whole plan storage
    Ipp64fc* quarterTwiddles;
    Ipp64fc* realTableA;
    Ipp64fc* realTableB;
    Ipp64fc* radixTwiddles[maxPlanLevels];
    Ipp64fc* crossTwiddles[maxPlanLevels];
};

}  // namespace dsp::fft

struct FFTSpec_C_64fc : dsp::fft::FftSpecRecord {};
struct FFTSpec_R_64f : dsp::fft::FftSpecRecord {};

namespace dsp::native {

IppStatus ippsFFTInitAlloc_C_64fc(FFTSpec_C_64fc** spec, int order, int flag, IppHintAlgorithm hint);
IppStatus ippsFFTInitAlloc_R_64f(FFTSpec_R_64f** spec, int order, int flag, IppHintAlgorithm hint);
IppStatus ippsFFTFree_C_64fc(FFTSpec_C_64fc* spec);
IppStatus ippsFFTFree_R_64f(FFTSpec_R_64f* spec);
IppStatus ippsFFTFwd_CToC_64fc(const Ipp64fc* src, Ipp64fc* dst, const FFTSpec_C_64fc* spec, Ipp8u* buffer);
IppStatus ippsFFTInv_CToC_64fc(const Ipp64fc* src, Ipp64fc* dst, const FFTSpec_C_64fc* spec, Ipp8u* buffer);
IppStatus ippsFFTFwd_RToCCS_64f(const Ipp64f* src, Ipp64f* dst, const FFTSpec_R_64f* spec, Ipp8u* buffer);
IppStatus ippsFFTInv_CCSToR_64f(const Ipp64f* src, Ipp64f* dst, const FFTSpec_R_64f* spec, Ipp8u* buffer);
IppStatus ippsConjCcs_64fc_I(Ipp64fc* srcDst, int length);
IppStatus FFTGetBufSize_C_64fc(const FFTSpec_C_64fc* spec, int* size);

}  // namespace dsp::native
