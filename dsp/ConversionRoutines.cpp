// Conversions between element types and byte swaps.
#include "dsp/ConversionRoutines.h"

#include "dsp/RoutineChecks.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dsp::native {

namespace {

using detail::checkVector;
using detail::count;

constexpr double kInt32Max = 2147483647.0;
constexpr double kInt32Min = -2147483648.0;

// Nearest integer, exact halves to the even neighbour; y must lie in the 32-bit range.
Ipp32s roundNearestEven(double y) noexcept
{
#if defined(__SSE2__)
    return _mm_cvtsd_si32(_mm_set_sd(y)); // the default rounding mode is to nearest even
#else
    return static_cast<Ipp32s>(std::nearbyint(y));
#endif
}

Ipp32s roundNearestEven(long double y) noexcept
{
    const long double biased = y >= 0.0L ? y + 0.5L : y - 0.5L;
    auto i = static_cast<std::int64_t>(biased);
    if ((i & 1) != 0 && static_cast<long double>(i) == biased)
        i += i > 0 ? -1 : 1;
    return static_cast<Ipp32s>(i);
}

// Saturates first: at or above the maximum (or a NaN) and at or below the minimum.
template <typename Real>
Ipp32s toInt32(Real y, bool nearest) noexcept
{
    if (!(y < static_cast<Real>(kInt32Max)))
        return INT32_MAX;
    if (y <= static_cast<Real>(kInt32Min))
        return INT32_MIN;
    return nearest ? roundNearestEven(y) : static_cast<Ipp32s>(y);
}

template <typename Source>
IppStatus convertToInt32(const Source* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode, int scaleFactor) noexcept
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    const bool nearest = rndMode == ippRndNear;
    const std::size_t n = count(len);
    if (scaleFactor == 0) {
        for (std::size_t i = 0; i < n; ++i)
            pDst[i] = toInt32(static_cast<double>(pSrc[i]), nearest);
        return ippStsNoErr;
    }
    // Beyond these exponents every finite non-zero element already saturates or
    // rounds to zero; within them the product by the power of two is exact.
    const long double scale = std::ldexp(1.0L, -std::clamp(scaleFactor, -16000, 16000));
    for (std::size_t i = 0; i < n; ++i)
        pDst[i] = toInt32(static_cast<long double>(pSrc[i]) * scale, nearest);
    return ippStsNoErr;
}

template <typename T, typename U>
IppStatus widen(const T* pSrc, U* pDst, int len) noexcept
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    std::transform(pSrc, pSrc + count(len), pDst, [](T x) { return static_cast<U>(x); });
    return ippStsNoErr;
}

} // namespace

IppStatus ippsConvert_64f32s_Sfs(const Ipp64f* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode, int scaleFactor)
{
    return convertToInt32(pSrc, pDst, len, rndMode, scaleFactor);
}

IppStatus ippsConvert_32f32s_Sfs(const Ipp32f* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode, int scaleFactor)
{
    return convertToInt32(pSrc, pDst, len, rndMode, scaleFactor);
}

IppStatus ippsConvert_64f32f(const Ipp64f* pSrc, Ipp32f* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    std::transform(pSrc, pSrc + count(len), pDst, [](Ipp64f x) {
        if (!(x > -static_cast<double>(FLT_MAX)))
            return -FLT_MAX;
        if (x >= static_cast<double>(FLT_MAX))
            return FLT_MAX;
        return static_cast<Ipp32f>(x);
    });
    return ippStsNoErr;
}

IppStatus ippsConvert_32s64f(const Ipp32s* pSrc, Ipp64f* pDst, int len)
{
    return widen(pSrc, pDst, len);
}

IppStatus ippsConvert_32f64f(const Ipp32f* pSrc, Ipp64f* pDst, int len)
{
    return widen(pSrc, pDst, len);
}

IppStatus ippsConvert_32s32f(const Ipp32s* pSrc, Ipp32f* pDst, int len)
{
    return widen(pSrc, pDst, len);
}

IppStatus ippsConvert_16s64f_Sfs(const Ipp16s* pSrc, Ipp64f* pDst, int len, int scaleFactor)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    if (scaleFactor == 0)
        return widen(pSrc, pDst, len);
    const int s = std::clamp(scaleFactor, -1008, 1022);
    const auto scale = std::bit_cast<Ipp64f>(static_cast<std::uint64_t>(1023 - s) << 52);
    std::transform(pSrc, pSrc + count(len), pDst, [scale](Ipp16s x) { return x * scale; });
    return ippStsNoErr;
}

IppStatus ippsSwapBytes_16u(const Ipp16u* pSrc, Ipp16u* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    std::transform(pSrc, pSrc + count(len), pDst, [](Ipp16u x) { return __builtin_bswap16(x); });
    return ippStsNoErr;
}

IppStatus ippsSwapBytes_24u(const Ipp8u* pSrc, Ipp8u* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    const std::size_t n = count(len);
    for (std::size_t i = 0; i < n; ++i) {
        const Ipp8u low = pSrc[3 * i], middle = pSrc[3 * i + 1], high = pSrc[3 * i + 2];
        pDst[3 * i] = high;
        pDst[3 * i + 1] = middle;
        pDst[3 * i + 2] = low;
    }
    return ippStsNoErr;
}

IppStatus ippsSwapBytes_32u(const Ipp32u* pSrc, Ipp32u* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    std::transform(pSrc, pSrc + count(len), pDst, [](Ipp32u x) { return __builtin_bswap32(x); });
    return ippStsNoErr;
}

IppStatus ippsSwapBytes_32u_I(Ipp32u* pSrcDst, int len)
{
    return ippsSwapBytes_32u(pSrcDst, pSrcDst, len);
}

} // namespace dsp::native
