#pragma once
// Complex auto- and cross-correlation: direct sums for short work, the complex
// FFT above fixed thresholds. Published argument order.
#include "dsp/IppTypes.h"

namespace dsp::native {

// dst[n] = sum over i of src[i + n] * conj(src[i]); zero from srcLen on.
IppStatus ippsAutoCorr_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen);
IppStatus ippsAutoCorr_NormA_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen);
IppStatus ippsAutoCorr_NormB_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen);
// dst[n] = sum over i of conj(src1[i]) * src2[i + lowLag + n]; lags without overlap give 0.
IppStatus ippsCrossCorr_64fc(const Ipp64fc* pSrc1, int src1Len, const Ipp64fc* pSrc2, int src2Len, Ipp64fc* pDst,
                             int dstLen, int lowLag);

} // namespace dsp::native

namespace dsp::detail {

// Complex autocorrelation lags at and above this count go through the FFT.
inline constexpr int complexAutoCorrTransformLags = 96;

} // namespace dsp::detail
