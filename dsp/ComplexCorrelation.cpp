#include "dsp/ComplexCorrelation.h"

#include "dsp/Correlation.h"
#include "dsp/CorrelationSupport.h"
#include "dsp/FftVectorRoutines.h"
#include "dsp/VectorRoutines.h"

#include <algorithm>

namespace dsp::detail {

namespace {

IppStatus complexAutoCorrByTransform(const Ipp64fc* src, int srcLen, Ipp64fc* dst, int lagCount) noexcept
{
    return autoCorrThroughTransform<ComplexTransform, 2>(
        src, srcLen, dst, lagCount, 1,
        [](Ipp64fc* x, Ipp64fc* conjugate, const FFTSpec_C_64fc* spec, Ipp8u* work, int n) {
            if (const IppStatus status = native::ippsFFTFwd_CToC_64fc(x, x, spec, work); status < 0)
                return status;
            native::Conj_64fc(x, conjugate, n);
            native::ippsMul_64fc_I(conjugate, x, n);
            return native::ippsFFTInv_CToC_64fc(x, x, spec, work);
        });
}

IppStatus complexCrossCorrByTransform(const Ipp64fc* src1, int len1, const Ipp64fc* src2, int len2,
                                      const LagWindow<Ipp64fc>& window) noexcept
{
    return crossCorrThroughTransform<ComplexTransform>(
        src1, len1, src2, len2, window,
        [](Ipp64fc* a, Ipp64fc* b, const FFTSpec_C_64fc* spec, Ipp8u* work, int n) {
            if (const IppStatus status = native::ippsFFTFwd_CToC_64fc(a, a, spec, work); status < 0)
                return status;
            if (const IppStatus status = native::ippsFFTFwd_CToC_64fc(b, b, spec, work); status < 0)
                return status;
            native::Conj_64fc_I(a, n);
            native::ippsMul_64fc_I(b, a, n);
            return native::ippsFFTInv_CToC_64fc(a, b, spec, work);
        });
}

// Runs a routine over the doubles of the first lagCount complex values, in
// pieces short enough that twice a piece's length still fits a 32-bit count.
template <typename Piece>
void overDoublesInPieces(Ipp64fc* values, int lagCount, Piece piece) noexcept
{
    constexpr int maxPiece = 1 << 29;
    for (int done = 0; done < lagCount;) {
        const int count = std::min(maxPiece, lagCount - done);
        piece(reinterpret_cast<Ipp64f*>(values + done), done, 2 * count);
        done += count;
    }
}

} // namespace

} // namespace dsp::detail

namespace dsp::native {

IppStatus ippsAutoCorr_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen)
{
    if (pSrc == nullptr || pDst == nullptr)
        return ippStsNullPtrErr;
    if (srcLen < 1 || dstLen < 1)
        return ippStsSizeErr;
    const int lagCount = std::min(srcLen, dstLen);
    if (lagCount < dsp::detail::complexAutoCorrTransformLags) {
        detail::lagSums<2, detail::ConjugateProductSum>(pSrc, srcLen, pSrc, srcLen, 0, lagCount, pDst);
        std::fill(pDst + lagCount, pDst + dstLen, Ipp64fc{});
        return ippStsNoErr;
    }
    const IppStatus status = detail::complexAutoCorrByTransform(pSrc, srcLen, pDst, lagCount);
    if (status >= 0)
        std::fill(pDst + lagCount, pDst + dstLen, Ipp64fc{});
    return status;
}

IppStatus ippsAutoCorr_NormA_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen)
{
    const IppStatus status = ippsAutoCorr_64fc(pSrc, srcLen, pDst, dstLen);
    if (status < 0)
        return status;
    // Both parts of each complex value take the same factor.
    const auto factor = static_cast<Ipp64f>(1.0L / srcLen);
    detail::overDoublesInPieces(pDst, std::min(srcLen, dstLen),
                                [factor](Ipp64f* part, int, int doubles) { ippsMulC_64f_I(factor, part, doubles); });
    return status;
}

IppStatus ippsAutoCorr_NormB_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen)
{
    const IppStatus status = ippsAutoCorr_64fc(pSrc, srcLen, pDst, dstLen);
    if (status < 0)
        return status;
    const int lagCount = std::min(srcLen, dstLen);
    const auto divisors = detail::allocateWork<Ipp64f>(2 * std::int64_t{lagCount});
    if (!divisors)
        return ippStsMemAllocErr;
    for (std::int64_t k = 0; k < lagCount; ++k)
        divisors[2 * k] = divisors[2 * k + 1] = static_cast<Ipp64f>(srcLen - k);
    detail::overDoublesInPieces(pDst, lagCount, [&divisors](Ipp64f* part, int first, int doubles) {
        ippsDiv_64f_I(divisors.get() + 2 * std::int64_t{first}, part, doubles);
    });
    return status;
}

IppStatus ippsCrossCorr_64fc(const Ipp64fc* pSrc1, int src1Len, const Ipp64fc* pSrc2, int src2Len, Ipp64fc* pDst,
                             int dstLen, int lowLag)
{
    return detail::crossCorrelate<2, detail::ConjugateProductSum>(pSrc1, src1Len, pSrc2, src2Len, pDst, dstLen,
                                                                  lowLag, detail::complexCrossCorrByTransform);
}

} // namespace dsp::native
