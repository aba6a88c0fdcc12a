#pragma once
// Native image-region routines: 8-bit four-channel (AC4: the fourth byte is
// alpha) and three-channel pixels, 32-bit single-channel pixels. Rows are `step`
// bytes apart; the region is given by its size in pixels.
#include "dsp/IppTypes.h"

namespace dsp::native {

IppStatus ippiAlphaComp_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                int dstStep, IppiSize roiSize, IppiAlphaType alphaType);
IppStatus ippiCopy_32s_C1R(const Ipp32s* pSrc, int srcStep, Ipp32s* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiCopy_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiSet_8u_C4R(const Ipp8u* value, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiMirror_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip);
IppStatus ippiLUT_Linear_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                const Ipp32s* pValues[4], const Ipp32s* pLevels[4], int nLevels[4]);

// m(x, y): the product of two bytes over 255 as the compositing computes it.
constexpr Ipp32u AlphaMul(Ipp32u x, Ipp32u y) noexcept
{
    const Ipp32u p = x * y;
    return (p + (p >> 8) + 1) >> 8;
}

} // namespace dsp::native
