// Element-wise arithmetic of real and complex vectors. One-step operations
// round once in double; the complex products and quotients are formed in
// extended precision and rounded once on store.
#include "dsp/VectorRoutines.h"

#include "dsp/RoutineChecks.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dsp::native {

namespace {

using detail::checkVector;
using detail::count;
using detail::each;

using detail::kDefaultNaN;

// The complex vectors that are plain real operations run over the interleaved
// doubles; the count is kept in size_t so that 2 x len cannot overflow.
const Ipp64f* parts(const Ipp64fc* v) noexcept
{
    return reinterpret_cast<const Ipp64f*>(v);
}
Ipp64f* parts(Ipp64fc* v) noexcept
{
    return reinterpret_cast<Ipp64f*>(v);
}

Ipp64fc product(Ipp64fc x, Ipp64fc y) noexcept
{
    const long double a = x.re, b = x.im, c = y.re, d = y.im;
    return {static_cast<Ipp64f>(a * c - b * d), static_cast<Ipp64f>(a * d + b * c)};
}

bool anyZero(const Ipp64f* values, std::size_t n) noexcept
{
    std::size_t i = 0;
#if defined(__SSE2__)
    // Two doubles per compare; the compiler keeps a plain loop of this scalar.
    const __m128d zero = _mm_setzero_pd();
    __m128d found = _mm_setzero_pd();
    for (; i + 2 <= n; i += 2)
        found = _mm_or_pd(found, _mm_cmpeq_pd(_mm_loadu_pd(values + i), zero));
    if (_mm_movemask_pd(found) != 0)
        return true;
#endif
    for (; i < n; ++i)
        if (values[i] == 0.0)
            return true;
    return false;
}

// A zero divisor gives +infinity for a positive dividend, the default NaN for a
// zero one and -infinity for a negative one; a NaN dividend stays NaN.
Ipp64f divisionByZero(Ipp64f dividend) noexcept
{
    if (dividend > 0.0)
        return __builtin_inf();
    if (dividend < 0.0)
        return -__builtin_inf();
    return dividend == 0.0 ? kDefaultNaN : dividend;
}

// The complex routines whose length is checked before their pointers.
template <typename... Pointers>
IppStatus checkLengthFirst(int len, const Pointers*... pointers) noexcept
{
    if (len < 1)
        return ippStsSizeErr;
    return checkVector(len, pointers...);
}

} // namespace

IppStatus ippsAdd_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, Ipp64f* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc1, pSrc2, pDst))
        return status;
    each(pSrc1, pSrc2, pDst, count(len), [](Ipp64f a, Ipp64f b) { return a + b; });
    return ippStsNoErr;
}

IppStatus ippsAdd_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pSrcDst))
        return status;
    each(pSrcDst, pSrc, pSrcDst, count(len), [](Ipp64f a, Ipp64f b) { return a + b; });
    return ippStsNoErr;
}

IppStatus ippsSub_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pSrcDst))
        return status;
    each(pSrcDst, pSrc, pSrcDst, count(len), [](Ipp64f a, Ipp64f b) { return a - b; });
    return ippStsNoErr;
}

IppStatus ippsMul_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, Ipp64f* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc1, pSrc2, pDst))
        return status;
    each(pSrc1, pSrc2, pDst, count(len), [](Ipp64f a, Ipp64f b) { return a * b; });
    return ippStsNoErr;
}

IppStatus ippsMul_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pSrcDst))
        return status;
    each(pSrcDst, pSrc, pSrcDst, count(len), [](Ipp64f a, Ipp64f b) { return a * b; });
    return ippStsNoErr;
}

IppStatus ippsMul_32f(const Ipp32f* pSrc1, const Ipp32f* pSrc2, Ipp32f* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc1, pSrc2, pDst))
        return status;
    // The product of two singles is exact in double, so this rounds once.
    each(pSrc1, pSrc2, pDst, count(len),
         [](Ipp32f a, Ipp32f b) { return static_cast<Ipp32f>(static_cast<double>(a) * b); });
    return ippStsNoErr;
}

IppStatus ippsDiv_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pSrcDst))
        return status;
    // Blocks without a zero divisor (nearly all of them) run the plain vectorised
    // division; a block with one takes the element-by-element way.
    constexpr std::size_t kBlock = 256;
    bool zeroDivisor = false;
    const std::size_t n = count(len);
    for (std::size_t begin = 0; begin < n; begin += kBlock) {
        const std::size_t size = std::min(kBlock, n - begin);
        const Ipp64f* divisors = pSrc + begin;
        Ipp64f* dividends = pSrcDst + begin;
        if (!anyZero(divisors, size)) {
            each(dividends, divisors, dividends, size, [](Ipp64f a, Ipp64f b) { return a / b; });
            continue;
        }
        zeroDivisor = true;
        for (std::size_t i = 0; i < size; ++i)
            dividends[i] = divisors[i] != 0.0 ? dividends[i] / divisors[i] : divisionByZero(dividends[i]);
    }
    return zeroDivisor ? ippStsDivByZero : ippStsNoErr;
}

IppStatus ippsAddC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    if (val == 0.0) {
        std::memmove(pDst, pSrc, count(len) * sizeof(Ipp64f));
        return ippStsNoErr;
    }
    each(pSrc, pDst, count(len), [val](Ipp64f a) { return a + val; });
    return ippStsNoErr;
}

IppStatus ippsAddC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrcDst))
        return status;
    if (val == 0.0)
        return ippStsNoErr;
    each(pSrcDst, pSrcDst, count(len), [val](Ipp64f a) { return a + val; });
    return ippStsNoErr;
}

IppStatus ippsSubC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    if (val == 0.0)
        return ippsCopy_64f(pSrc, pDst, len);
    each(pSrc, pDst, count(len), [val](Ipp64f a) { return a - val; });
    return ippStsNoErr;
}

IppStatus ippsSubC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrcDst))
        return status;
    if (val == 0.0)
        return ippStsNoErr;
    each(pSrcDst, pSrcDst, count(len), [val](Ipp64f a) { return a - val; });
    return ippStsNoErr;
}

IppStatus ippsSubCRev_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    each(pSrc, pDst, count(len), [val](Ipp64f a) { return val - a; });
    return ippStsNoErr;
}

IppStatus ippsSubCRev_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrcDst))
        return status;
    each(pSrcDst, pSrcDst, count(len), [val](Ipp64f a) { return val - a; });
    return ippStsNoErr;
}

IppStatus ippsSubCRev_32f_I(Ipp32f val, Ipp32f* pSrcDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrcDst))
        return status;
    each(pSrcDst, pSrcDst, count(len), [val](Ipp32f a) { return val - a; });
    return ippStsNoErr;
}

IppStatus ippsMulC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    if (val == 1.0)
        return ippsCopy_64f(pSrc, pDst, len);
    if (val == 0.0)
        return ippsZero_64f(pDst, len);
    each(pSrc, pDst, count(len), [val](Ipp64f a) { return a * val; });
    return ippStsNoErr;
}

IppStatus ippsMulC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrcDst))
        return status;
    if (val == 1.0)
        return ippStsNoErr;
    if (val == 0.0)
        return ippsZero_64f(pSrcDst, len);
    each(pSrcDst, pSrcDst, count(len), [val](Ipp64f a) { return a * val; });
    return ippStsNoErr;
}

IppStatus ippsDivC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    if (val == 0.0)
        return ippStsDivByZeroErr;
    return ippsMulC_64f(pSrc, 1.0 / val, pDst, len);
}

IppStatus ippsDivC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrcDst))
        return status;
    if (val == 0.0)
        return ippStsDivByZeroErr;
    return ippsMulC_64f_I(1.0 / val, pSrcDst, len);
}

IppStatus ippsAdd_64fc(const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, Ipp64fc* pDst, int len)
{
    if (const IppStatus status = checkLengthFirst(len, pSrc1, pSrc2, pDst))
        return status;
    each(parts(pSrc1), parts(pSrc2), parts(pDst), 2 * count(len), [](Ipp64f a, Ipp64f b) { return a + b; });
    return ippStsNoErr;
}

IppStatus ippsAdd_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len)
{
    if (const IppStatus status = checkLengthFirst(len, pSrc, pSrcDst))
        return status;
    each(parts(pSrcDst), parts(pSrc), parts(pSrcDst), 2 * count(len), [](Ipp64f a, Ipp64f b) { return a + b; });
    return ippStsNoErr;
}

IppStatus ippsSub_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len)
{
    if (const IppStatus status = checkLengthFirst(len, pSrc, pSrcDst))
        return status;
    each(parts(pSrcDst), parts(pSrc), parts(pSrcDst), 2 * count(len), [](Ipp64f a, Ipp64f b) { return a - b; });
    return ippStsNoErr;
}

IppStatus ippsMul_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pSrcDst))
        return status;
    each(pSrcDst, pSrc, pSrcDst, count(len), product);
    return ippStsNoErr;
}

IppStatus ippsDiv_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pSrcDst))
        return status;
    bool zeroDivisor = false;
    const std::size_t n = count(len);
    for (std::size_t i = 0; i < n; ++i) {
        const long double a = pSrcDst[i].re, b = pSrcDst[i].im;
        const long double c = pSrc[i].re, d = pSrc[i].im;
        const long double norm = c * c + d * d;
        if (norm == 0.0L) {
            zeroDivisor = true;
            pSrcDst[i] = {kDefaultNaN, kDefaultNaN};
            continue;
        }
        pSrcDst[i] = {static_cast<Ipp64f>((a * c + b * d) / norm), static_cast<Ipp64f>((b * c - a * d) / norm)};
    }
    return zeroDivisor ? ippStsDivByZero : ippStsNoErr;
}

IppStatus ippsAddC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    each(pSrc, pDst, count(len), [val](Ipp64fc z) { return Ipp64fc{z.re + val.re, z.im + val.im}; });
    return ippStsNoErr;
}

IppStatus ippsAddC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len)
{
    return ippsAddC_64fc(pSrcDst, val, pSrcDst, len);
}

IppStatus ippsSubC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    each(pSrc, pDst, count(len), [val](Ipp64fc z) { return Ipp64fc{z.re - val.re, z.im - val.im}; });
    return ippStsNoErr;
}

IppStatus ippsSubC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len)
{
    return ippsSubC_64fc(pSrcDst, val, pSrcDst, len);
}

IppStatus ippsSubCRev_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    each(pSrc, pDst, count(len), [val](Ipp64fc z) { return Ipp64fc{val.re - z.re, val.im - z.im}; });
    return ippStsNoErr;
}

IppStatus ippsMulC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    each(pSrc, pDst, count(len), [val](Ipp64fc z) { return product(z, val); });
    return ippStsNoErr;
}

IppStatus ippsMulC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len)
{
    return ippsMulC_64fc(pSrcDst, val, pSrcDst, len);
}

IppStatus ippsDivC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    const long double re = val.re, im = val.im;
    const long double norm = re * re + im * im;
    if (norm == 0.0L)
        return ippStsDivByZeroErr;
    const Ipp64fc reciprocal{static_cast<Ipp64f>(re / norm), static_cast<Ipp64f>(-im / norm)};
    return ippsMulC_64fc(pSrc, reciprocal, pDst, len);
}

IppStatus ippsDivC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len)
{
    return ippsDivC_64fc(pSrcDst, val, pSrcDst, len);
}

} // namespace dsp::native
