#include "dsp/Correlation.h"

#include "dsp/CorrelationSupport.h"
#include "dsp/FftReal.h"
#include "dsp/VectorRoutines.h"

#include <algorithm>
#include <cstring>

namespace dsp::detail {

void autoCorrDirect(const Ipp64f* src, int srcLen, Ipp64f* dst, int lagCount) noexcept
{
    lagSums<4, RealProductSum>(src, srcLen, src, srcLen, 0, lagCount, dst);
}

IppStatus autoCorrByTransform(const Ipp64f* src, int srcLen, Ipp64f* dst, int lagCount) noexcept
{
    return autoCorrThroughTransform<RealTransform, 1>(
        src, srcLen, dst, lagCount, 2, [](Ipp64f* x, Ipp64f*, const FFTSpec_R_64f* spec, Ipp8u* work, int m) {
            if (const IppStatus status = native::FFTFwd_RToPack_64f(x, x, spec, work); status < 0)
                return status;
            native::MulPackConj_64f_I(x, x, m);
            return native::FFTInv_PackToR_64f(x, x, spec, work);
        });
}

namespace {

// src1 and src2 after the window has been narrowed to lags that overlap.
IppStatus crossCorrByTransform(const Ipp64f* src1, int len1, const Ipp64f* src2, int len2,
                               const LagWindow<Ipp64f>& window) noexcept
{
    return crossCorrThroughTransform<RealTransform>(
        src1, len1, src2, len2, window, [](Ipp64f* a, Ipp64f* b, const FFTSpec_R_64f* spec, Ipp8u* work, int m) {
            if (const IppStatus status = native::FFTFwd_RToPack_64f(a, a, spec, work); status < 0)
                return status;
            if (const IppStatus status = native::FFTFwd_RToPack_64f(b, b, spec, work); status < 0)
                return status;
            native::MulPackConj_64f_I(b, a, m);
            return native::FFTInv_PackToR_64f(a, b, spec, work);
        });
}

} // namespace

} // namespace dsp::detail

namespace dsp::native {

IppStatus ippsAutoCorr_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen)
{
    if (pSrc == nullptr || pDst == nullptr)
        return ippStsNullPtrErr;
    if (srcLen < 1 || dstLen < 1)
        return ippStsSizeErr;
    const int lagCount = std::min(srcLen, dstLen);
    std::fill(pDst + lagCount, pDst + dstLen, 0.0);
    if (lagCount < detail::autoCorrTransformLags) {
        detail::autoCorrDirect(pSrc, srcLen, pDst, lagCount);
        return ippStsNoErr;
    }
    return detail::autoCorrByTransform(pSrc, srcLen, pDst, lagCount);
}

IppStatus ippsAutoCorr_NormA_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen)
{
    const IppStatus status = ippsAutoCorr_64f(pSrc, srcLen, pDst, dstLen);
    if (status < 0)
        return status;
    ippsMulC_64f_I(static_cast<Ipp64f>(1.0L / srcLen), pDst, std::min(srcLen, dstLen));
    return status;
}

IppStatus ippsAutoCorr_NormB_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen)
{
    const IppStatus status = ippsAutoCorr_64f(pSrc, srcLen, pDst, dstLen);
    if (status < 0)
        return status;
    const int lagCount = std::min(srcLen, dstLen);
    const auto divisors = detail::allocateWork<Ipp64f>(lagCount);
    if (!divisors)
        return ippStsMemAllocErr;
    for (int k = 0; k < lagCount; ++k)
        divisors[k] = srcLen - k;
    ippsDiv_64f_I(divisors.get(), pDst, lagCount);
    return status;
}

IppStatus ippsCrossCorr_64f(const Ipp64f* pSrc1, int src1Len, const Ipp64f* pSrc2, int src2Len, Ipp64f* pDst,
                            int dstLen, int lowLag)
{
    return detail::crossCorrelate<4, detail::RealProductSum>(pSrc1, src1Len, pSrc2, src2Len, pDst, dstLen, lowLag,
                                                             detail::crossCorrByTransform);
}

} // namespace dsp::native
