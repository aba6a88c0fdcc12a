#include "dsp/Convolution.h"

#include "dsp/CorrelationSupport.h"
#include "dsp/FftReal.h"

#include <algorithm>

namespace dsp::detail {

namespace {

// Adds the products of long[0 .. longLen) with every short sample into dst,
// shorter sample by shorter sample, each step in extended precision.
void addProducts(const Ipp64f* longer, std::int64_t longLen, const Ipp64f* shorter, std::int64_t shortLen,
                 Ipp64f* dst) noexcept
{
    for (std::int64_t j = 0; j < shortLen; ++j) {
        const long double weight = shorter[j];
        Ipp64f* out = dst + j;
        for (std::int64_t i = 0; i < longLen; ++i)
            out[i] = static_cast<Ipp64f>(out[i] + longer[i] * weight);
    }
}

IppStatus convolveInOneTransform(const Ipp64f* longer, std::int64_t longLen, const Ipp64f* shorter,
                                 std::int64_t shortLen, Ipp64f* dst) noexcept
{
    const std::int64_t total = longLen + shortLen - 1;
    RealTransform transform;
    if (const IppStatus status = transform.make(orderAtLeast(total, 2)))
        return status;
    const std::int64_t m = transform.length;
    const auto block = allocateWork<Ipp64f>(2 * m);
    if (!block)
        return ippStsMemAllocErr;
    Ipp64f* a = block.get();
    Ipp64f* b = a + m;
    std::fill(std::copy(longer, longer + longLen, a), a + m, 0.0);
    std::fill(std::copy(shorter, shorter + shortLen, b), b + m, 0.0);
    const FFTSpec_R_64f* spec = transform.spec.get();
    Ipp8u* work = transform.work.get();
    if (const IppStatus status = native::FFTFwd_RToPerm_64f(a, a, spec, work); status < 0)
        return status;
    if (const IppStatus status = native::FFTFwd_RToPerm_64f(b, b, spec, work); status < 0)
        return status;
    native::MulPerm_64f_I(a, b, static_cast<int>(m));
    const IppStatus status = native::FFTInv_PermToR_64f(b, b, spec, work);
    if (status < 0)
        return status;
    std::copy(b, b + total, dst);
    return status;
}

// Overlap-save: each transform of M samples gives S = M - Ls + 1 outputs; every
// block after the first reads the Ls - 1 samples before its own again.
IppStatus convolveInBlocks(const Ipp64f* longer, std::int64_t longLen, const Ipp64f* shorter,
                           std::int64_t shortLen, Ipp64f* dst) noexcept
{
    const std::int64_t total = longLen + shortLen - 1;
    RealTransform transform;
    if (const IppStatus status = transform.make(orderAtLeast(2 * shortLen, 0) + 1))
        return status;
    const std::int64_t m = transform.length;
    const std::int64_t step = m - shortLen + 1;
    const auto block = allocateWork<Ipp64f>(2 * m);
    if (!block)
        return ippStsMemAllocErr;
    Ipp64f* kernel = block.get();
    Ipp64f* x = kernel + m;
    const FFTSpec_R_64f* spec = transform.spec.get();
    Ipp8u* work = transform.work.get();
    std::fill(std::copy(shorter, shorter + shortLen, kernel), kernel + m, 0.0);
    if (const IppStatus status = native::FFTFwd_RToPerm_64f(kernel, kernel, spec, work); status < 0)
        return status;
    IppStatus status = ippStsNoErr;
    for (std::int64_t p = 0; p < total; p += step) {
        const std::int64_t count = std::min(total - p, step);
        const std::int64_t back = p == 0 ? 0 : shortLen - 1;
        const std::int64_t start = p - back;
        const std::int64_t available = std::clamp<std::int64_t>(longLen - start, 0, back + step);
        std::fill(std::copy(longer + start, longer + start + available, x), x + m, 0.0);
        if (status = native::FFTFwd_RToPerm_64f(x, x, spec, work); status < 0)
            return status;
        native::MulPerm_64f_I(kernel, x, static_cast<int>(m));
        if (status = native::FFTInv_PermToR_64f(x, x, spec, work); status < 0)
            return status;
        std::copy(x + back, x + back + count, dst + p);
    }
    return status;
}

} // namespace

void convolveDirect(const Ipp64f* longer, std::int64_t longLen, const Ipp64f* shorter, std::int64_t shortLen,
                    Ipp64f* dst) noexcept
{
    const std::int64_t total = longLen + shortLen - 1;
    if (longLen < convDirectBlock) {
        std::fill(dst, dst + total, 0.0);
        addProducts(longer, longLen, shorter, shortLen, dst);
        return;
    }
    // Blocks of the long operand keep the outputs being summed in the cache.
    // The Ls - 1 outputs a block leaves unfinished were zeroed before it.
    std::fill(dst, dst + (shortLen - 1), 0.0);
    for (std::int64_t base = 0; base < longLen; base += convDirectBlock) {
        const std::int64_t length = std::min(convDirectBlock, longLen - base);
        Ipp64f* out = dst + base;
        std::fill(out + (shortLen - 1), out + (shortLen - 1) + length, 0.0);
        addProducts(longer + base, length, shorter, shortLen, out);
    }
}

} // namespace dsp::detail

namespace dsp::native {

IppStatus ippsConv_64f(const Ipp64f* pSrc1, int src1Len, const Ipp64f* pSrc2, int src2Len, Ipp64f* pDst)
{
    if (pSrc1 == nullptr || pSrc2 == nullptr || pDst == nullptr)
        return ippStsNullPtrErr;
    if (src1Len < 1 || src2Len < 1)
        return ippStsSizeErr;
    const bool firstIsLonger = src1Len >= src2Len;
    const Ipp64f* longer = firstIsLonger ? pSrc1 : pSrc2;
    const Ipp64f* shorter = firstIsLonger ? pSrc2 : pSrc1;
    const std::int64_t longLen = firstIsLonger ? src1Len : src2Len;
    const std::int64_t shortLen = firstIsLonger ? src2Len : src1Len;
    const std::int64_t total = longLen + shortLen - 1;
    if (total < detail::convDirectOutputs || shortLen < detail::convDirectShortLength) {
        detail::convolveDirect(longer, longLen, shorter, shortLen, pDst);
        return ippStsNoErr;
    }
    if (longLen < 3 * shortLen)
        return detail::convolveInOneTransform(longer, longLen, shorter, shortLen, pDst);
    return detail::convolveInBlocks(longer, longLen, shorter, shortLen, pDst);
}

} // namespace dsp::native
