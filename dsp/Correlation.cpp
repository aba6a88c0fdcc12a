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
    // Room for twice the signal keeps the circular correlation free of wrap-around.
    RealTransform transform;
    if (const IppStatus status = transform.make(orderAtLeast(2 * std::int64_t{srcLen}, 2)))
        return status;
    const std::int64_t m = transform.length;
    const auto block = allocateWork<Ipp64f>(m);
    if (!block)
        return ippStsMemAllocErr;
    Ipp64f* x = block.get();
    std::copy(src, src + srcLen, x);
    std::fill(x + srcLen, x + m, 0.0);
    Ipp8u* work = transform.work.get();
    if (const IppStatus status = native::FFTFwd_RToPack_64f(x, x, transform.spec.get(), work); status < 0)
        return status;
    native::MulPackConj_64f_I(x, x, static_cast<int>(m));
    const IppStatus status = native::FFTInv_PackToR_64f(x, x, transform.spec.get(), work);
    if (status < 0)
        return status;
    std::copy(x, x + lagCount, dst);
    return status;
}

namespace {

// src1 and src2 after the window has been narrowed to lags that overlap.
IppStatus crossCorrByTransform(const Ipp64f* src1, int len1, const Ipp64f* src2, int len2,
                               const LagWindow<Ipp64f>& window) noexcept
{
    const std::int64_t total = std::int64_t{len1} + len2 - 1;
    RealTransform transform;
    if (const IppStatus status = transform.make(orderAtLeast(total, 1)))
        return status;
    const std::int64_t m = transform.length;
    const auto block = allocateWork<Ipp64f>(2 * m);
    if (!block)
        return ippStsMemAllocErr;
    Ipp64f* a = block.get();
    Ipp64f* b = a + m;
    std::copy(src1, src1 + len1, a);
    std::fill(a + len1, a + m, 0.0);
    // src2 shifted by len1 - 1 puts lag -(len1 - 1) at index 0.
    std::fill(b, b + (len1 - 1), 0.0);
    std::copy(src2, src2 + len2, b + (len1 - 1));
    std::fill(b + total, b + m, 0.0);
    const FFTSpec_R_64f* spec = transform.spec.get();
    Ipp8u* work = transform.work.get();
    if (const IppStatus status = native::FFTFwd_RToPack_64f(a, a, spec, work); status < 0)
        return status;
    if (const IppStatus status = native::FFTFwd_RToPack_64f(b, b, spec, work); status < 0)
        return status;
    native::MulPackConj_64f_I(b, a, static_cast<int>(m));
    const IppStatus status = native::FFTInv_PackToR_64f(a, b, spec, work);
    if (status < 0)
        return status;
    const Ipp64f* first = b + (window.lag + len1 - 1);
    std::copy(first, first + window.count, window.out);
    return status;
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
    if (pSrc1 == nullptr || pSrc2 == nullptr || pDst == nullptr)
        return ippStsNullPtrErr;
    if (src1Len < 1 || src2Len < 1 || dstLen < 1)
        return ippStsSizeErr;
    const auto window = detail::overlappingLags(src1Len, src2Len, pDst, dstLen, lowLag);
    if (window.count < 1)
        return ippStsNoErr;
    if (detail::crossCorrWork(window.count, src1Len, src2Len) > detail::crossCorrDirectWorkLimit)
        return detail::crossCorrByTransform(pSrc1, src1Len, pSrc2, src2Len, window);
    detail::lagSums<4, detail::RealProductSum>(pSrc1, src1Len, pSrc2, src2Len, window.lag, window.count,
                                               window.out);
    return ippStsNoErr;
}

} // namespace dsp::native
