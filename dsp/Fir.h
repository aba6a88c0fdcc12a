#pragma once
// The single-rate FIR filter of doubles: a state made once, run on any number
// of pieces of a signal (its delay line carries the history between calls) and
// released. Long runs of long filters go through overlap-save transforms.
#include "dsp/FftSpec.h"
#include "dsp/IppTypes.h"

#include <cstdint>

namespace dsp::fir {

inline constexpr Ipp32u singleRateTag = 0x46493133;
// The tag of a multi-rate state; nothing here makes one.
inline constexpr Ipp32u multiRateTag = 0x46493135;

// Filters with at least this many taps get the transform part.
inline constexpr int transformTaps = 32;
// Runs of at least this many samples use it.
inline constexpr int transformIterations = 512;

} // namespace dsp::fir

// One block holds these fields followed by the arrays they point at.
struct FIRState_64f {
    Ipp32u kindTag;
    Ipp64f* taps;       // reversed: element k holds tap tapsLen - 1 - k
    Ipp64f* delayLine;  // room for 3 * tapsLen + 4; the first tapsLen hold the history, oldest first
    Ipp32s tapsLen;
    Ipp32s tapsLenCopy;
    Ipp32s directBlockLimit;  // tapsLen rounded up to a multiple of 4, plus 1
    Ipp32s delayPosition;     // always 0
    // The transform part; fftLength is -1 and the pointers null without one.
    FFTSpec_R_64f* fftSpec;
    Ipp32s fftLength;
    Ipp64f* fftTaps;  // the taps in their order, zero-padded, in Perm order
    Ipp64f* fftData;
    Ipp8u* fftWork;
    Ipp32u owned;  // only owned states are released
};

namespace dsp::native {

// pDlyLine element i is the input i + 1 steps before the first sample (only the
// first tapsLen - 1 are read); null means a zero history.
IppStatus ippsFIRInitAlloc_64f(FIRState_64f** ppState, const Ipp64f* pTaps, int tapsLen, const Ipp64f* pDlyLine);
// y[n] = sum over k of taps[k] * x[n - k]; pSrc and pDst may be the same array.
IppStatus ippsFIR_64f(const Ipp64f* pSrc, Ipp64f* pDst, int numIters, FIRState_64f* pState);
IppStatus ippsFIRFree_64f(FIRState_64f* pState);

} // namespace dsp::native
