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
    ComplexTransform transform;
    if (const IppStatus status = transform.make(orderAtLeast(2 * std::int64_t{srcLen}, 1)))
        return status;
    const std::int64_t n = transform.length;
    const auto block = allocateWork<Ipp64fc>(2 * n);
    if (!block)
        return ippStsMemAllocErr;
    Ipp64fc* x = block.get();
    Ipp64fc* conjugate = x + n;
    const FFTSpec_C_64fc* spec = transform.spec.get();
    Ipp8u* work = transform.work.get();
    native::Copy_64fc(src, x, srcLen);
    std::fill(x + srcLen, x + n, Ipp64fc{});
    if (const IppStatus status = native::ippsFFTFwd_CToC_64fc(x, x, spec, work); status < 0)
        return status;
    native::Conj_64fc(x, conjugate, static_cast<int>(n));
    native::ippsMul_64fc_I(conjugate, x, static_cast<int>(n));
    const IppStatus status = native::ippsFFTInv_CToC_64fc(x, x, spec, work);
    if (status < 0)
        return status;
    std::copy(x, x + lagCount, dst);
    return status;
}

IppStatus complexCrossCorrByTransform(const Ipp64fc* src1, int len1, const Ipp64fc* src2, int len2,
                               const LagWindow<Ipp64fc>& window) noexcept
{
    const std::int64_t total = std::int64_t{len1} + len2 - 1;
    ComplexTransform transform;
    if (const IppStatus status = transform.make(orderAtLeast(total, 1)))
        return status;
    const std::int64_t n = transform.length;
    const auto block = allocateWork<Ipp64fc>(2 * n);
    if (!block)
        return ippStsMemAllocErr;
    Ipp64fc* a = block.get();
    Ipp64fc* b = a + n;
    std::copy(src1, src1 + len1, a);
    std::fill(a + len1, a + n, Ipp64fc{});
    // src2 shifted by len1 - 1 puts lag -(len1 - 1) at index 0.
    std::fill(b, b + (len1 - 1), Ipp64fc{});
    std::copy(src2, src2 + len2, b + (len1 - 1));
    std::fill(b + total, b + n, Ipp64fc{});
    const FFTSpec_C_64fc* spec = transform.spec.get();
    Ipp8u* work = transform.work.get();
    if (const IppStatus status = native::ippsFFTFwd_CToC_64fc(a, a, spec, work); status < 0)
        return status;
    if (const IppStatus status = native::ippsFFTFwd_CToC_64fc(b, b, spec, work); status < 0)
        return status;
    native::Conj_64fc_I(a, static_cast<int>(n));
    native::ippsMul_64fc_I(b, a, static_cast<int>(n));
    const IppStatus status = native::ippsFFTInv_CToC_64fc(a, b, spec, work);
    if (status < 0)
        return status;
    const Ipp64fc* first = b + (window.lag + len1 - 1);
    std::copy(first, first + window.count, window.out);
    return status;
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
    if (pSrc1 == nullptr || pSrc2 == nullptr || pDst == nullptr)
        return ippStsNullPtrErr;
    if (src1Len < 1 || src2Len < 1 || dstLen < 1)
        return ippStsSizeErr;
    const auto window = detail::overlappingLags(src1Len, src2Len, pDst, dstLen, lowLag);
    if (window.count < 1)
        return ippStsNoErr;
    if (detail::crossCorrWork(window.count, src1Len, src2Len) > detail::crossCorrDirectWorkLimit)
        return detail::complexCrossCorrByTransform(pSrc1, src1Len, pSrc2, src2Len, window);
    detail::lagSums<2, detail::ConjugateProductSum>(pSrc1, src1Len, pSrc2, src2Len, window.lag, window.count,
                                                    window.out);
    return ippStsNoErr;
}

} // namespace dsp::native
