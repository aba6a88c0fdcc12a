#pragma once
// Real auto- and cross-correlation: direct sums for short work, the real
// transforms in Pack order above fixed thresholds. Published argument order.
#include "dsp/IppTypes.h"

namespace dsp::native {

// r[k] = sum of src[j] * src[j + k]; zero from srcLen on.
IppStatus ippsAutoCorr_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen);
// r[k] / srcLen.
IppStatus ippsAutoCorr_NormA_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen);
// r[k] / (srcLen - k).
IppStatus ippsAutoCorr_NormB_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen);
// dst[n] = sum over i of src1[i] * src2[i + lowLag + n]; lags without overlap give 0.
IppStatus ippsCrossCorr_64f(const Ipp64f* pSrc1, int src1Len, const Ipp64f* pSrc2, int src2Len, Ipp64f* pDst,
                            int dstLen, int lowLag);

} // namespace dsp::native

namespace dsp::detail {

// Autocorrelation lags at and above this count go through the transforms.
inline constexpr int autoCorrTransformLags = 600;

// The two ways of the autocorrelation for the first lagCount lags (at most
// srcLen); the routine chooses between them. Exposed for the benchmark.
void autoCorrDirect(const Ipp64f* src, int srcLen, Ipp64f* dst, int lagCount) noexcept;
IppStatus autoCorrByTransform(const Ipp64f* src, int srcLen, Ipp64f* dst, int lagCount) noexcept;

} // namespace dsp::detail
