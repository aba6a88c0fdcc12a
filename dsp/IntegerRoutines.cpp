// Scaled integer arithmetic, bit logic and shifts.
#include "dsp/IntegerRoutines.h"

#include "dsp/RoutineChecks.h"
#include "dsp/ScaledInteger.h"
#include "dsp/VectorRoutines.h"

#include <algorithm>
#include <cstring>

namespace dsp::native {

namespace {

using detail::checkVector;
using detail::count;
using detail::each;
using detail::scaleToInt32;
using detail::scaleToUint8;
using detail::Wide;

#define ZQ_AVX2 __attribute__((target("avx2")))

bool hasAvx2() noexcept
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// dst[i] = exact(i) x 2^-scale, rounded and saturated, for 0 <= scale <= 62 and
// exact values of 64 bits. Scale 0 gets its own loop: it is what the buffers use.
template <typename Exact>
[[gnu::always_inline]] inline void narrowScaled(Ipp32s* dst, std::size_t n, int scale, Exact exact) noexcept
{
    using detail::roundShiftRight;
    using detail::saturateToInt32;
    if (scale == 0) {
        for (std::size_t i = 0; i < n; ++i)
            dst[i] = saturateToInt32(exact(i));
        return;
    }
    for (std::size_t i = 0; i < n; ++i)
        dst[i] = saturateToInt32(roundShiftRight(exact(i), scale));
}

template <typename Exact>
ZQ_AVX2 void narrowScaledAvx2(Ipp32s* dst, std::size_t n, int scale, Exact exact) noexcept
{
    narrowScaled(dst, n, scale, exact);
}

template <typename Exact>
void runNarrowScaled(Ipp32s* dst, std::size_t n, int scale, Exact exact) noexcept
{
    if (hasAvx2())
        narrowScaledAvx2(dst, n, scale, exact);
    else
        narrowScaled(dst, n, scale, exact);
}

bool isNarrowScale(int scale) noexcept
{
    return scale >= 0 && scale <= detail::kLastNarrowScale;
}

// `exact` takes its operands as 64-bit or 128-bit integers; the 128-bit form
// serves the scale factors whose shifts leave 64 bits.
template <typename Op>
IppStatus scaledInPlace(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scale, Op exact) noexcept
{
    if (const IppStatus status = checkVector(len, pSrc, pSrcDst))
        return status;
    if (isNarrowScale(scale)) {
        runNarrowScaled(pSrcDst, count(len), scale, [pSrc, pSrcDst, exact](std::size_t i) {
            return exact(std::int64_t{pSrcDst[i]}, std::int64_t{pSrc[i]});
        });
        return ippStsNoErr;
    }
    each(pSrcDst, pSrc, pSrcDst, count(len), [scale, exact](Ipp32s a, Ipp32s b) {
        return scaleToInt32(exact(Wide{a}, Wide{b}), scale);
    });
    return ippStsNoErr;
}

template <typename Op>
IppStatus scaledWithConstant(const Ipp32s* pSrc, Ipp32s* pDst, int len, int scale, Op exact) noexcept
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    if (isNarrowScale(scale)) {
        runNarrowScaled(pDst, count(len), scale, [pSrc, exact](std::size_t i) { return exact(std::int64_t{pSrc[i]}); });
        return ippStsNoErr;
    }
    each(pSrc, pDst, count(len), [scale, exact](Ipp32s a) { return scaleToInt32(exact(Wide{a}), scale); });
    return ippStsNoErr;
}

template <typename Op>
IppStatus scaledBytes(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scale, Op exact) noexcept
{
    if (const IppStatus status = checkVector(len, pSrc, pSrcDst))
        return status;
    each(pSrcDst, pSrc, pSrcDst, count(len),
         [scale, exact](Ipp8u a, Ipp8u b) { return scaleToUint8(exact(Wide{a}, Wide{b}), scale); });
    return ippStsNoErr;
}

template <typename Op>
IppStatus bitwise(const Ipp32u* pSrc, Ipp32u* pDst, int len, Op op) noexcept
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    each(pSrc, pDst, count(len), op);
    return ippStsNoErr;
}

IppStatus copyWords(const Ipp32u* pSrc, Ipp32u* pDst, int len) noexcept
{
    if (pSrc != pDst)
        std::memmove(pDst, pSrc, count(len) * sizeof(Ipp32u));
    return ippStsNoErr;
}

Ipp32s shiftLeft(Ipp32s x, int by) noexcept
{
    return static_cast<Ipp32s>(static_cast<Ipp32u>(x) << by);
}

} // namespace

IppStatus ippsAdd_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor)
{
    return scaledInPlace(pSrc, pSrcDst, len, scaleFactor, [](auto a, auto b) { return a + b; });
}

IppStatus ippsSub_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor)
{
    return scaledInPlace(pSrc, pSrcDst, len, scaleFactor, [](auto a, auto b) { return a - b; });
}

IppStatus ippsMul_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor)
{
    return scaledInPlace(pSrc, pSrcDst, len, scaleFactor, [](auto a, auto b) { return a * b; });
}

IppStatus ippsDiv_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor)
{
    if (const IppStatus status = checkVector(len, pSrc, pSrcDst))
        return status;
    bool zeroDivisor = false;
    const std::size_t n = count(len);
    for (std::size_t i = 0; i < n; ++i) {
        const Ipp32s dividend = pSrcDst[i];
        const Ipp32s divisor = pSrc[i];
        if (divisor != 0) {
            pSrcDst[i] = detail::divideScaled(dividend, divisor, scaleFactor);
            continue;
        }
        zeroDivisor = true;
        pSrcDst[i] = dividend == 0 ? 0 : dividend > 0 ? INT32_MAX : INT32_MIN;
    }
    return zeroDivisor ? ippStsDivByZero : ippStsNoErr;
}

IppStatus ippsAddC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor)
{
    return ippsAddC_32s_Sfs(pSrcDst, val, pSrcDst, len, scaleFactor);
}

IppStatus ippsSubC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor)
{
    return ippsSubC_32s_Sfs(pSrcDst, val, pSrcDst, len, scaleFactor);
}

IppStatus ippsSubCRev_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor)
{
    return ippsSubCRev_32s_Sfs(pSrcDst, val, pSrcDst, len, scaleFactor);
}

IppStatus ippsMulC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor)
{
    return ippsMulC_32s_Sfs(pSrcDst, val, pSrcDst, len, scaleFactor);
}

IppStatus ippsAddC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor)
{
    return scaledWithConstant(pSrc, pDst, len, scaleFactor, [val](auto a) { return a + val; });
}

IppStatus ippsSubC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor)
{
    return scaledWithConstant(pSrc, pDst, len, scaleFactor, [val](auto a) { return a - val; });
}

IppStatus ippsSubCRev_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor)
{
    return scaledWithConstant(pSrc, pDst, len, scaleFactor, [val](auto a) { return val - a; });
}

IppStatus ippsMulC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor)
{
    return scaledWithConstant(pSrc, pDst, len, scaleFactor, [val](auto a) { return a * val; });
}

IppStatus ippsDotProd_32s_Sfs(const Ipp32s* pSrc1, const Ipp32s* pSrc2, int len, Ipp32s* pDp, int scaleFactor)
{
    if (const IppStatus status = checkVector(len, pSrc1, pSrc2, pDp))
        return status;
    // The exact sum: below 2^93 in magnitude for any length.
    Wide sum = 0;
    const std::size_t n = count(len);
    for (std::size_t i = 0; i < n; ++i)
        sum += Wide{pSrc1[i]} * pSrc2[i];
    *pDp = scaleToInt32(sum, std::clamp(scaleFactor, -31, 93));
    return ippStsNoErr;
}

IppStatus ippsAdd_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor)
{
    return scaledBytes(pSrc, pSrcDst, len, scaleFactor, [](Wide a, Wide b) { return a + b; });
}

IppStatus ippsSub_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor)
{
    return scaledBytes(pSrc, pSrcDst, len, scaleFactor, [](Wide a, Wide b) { return a > b ? a - b : Wide{0}; });
}

IppStatus ippsMul_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor)
{
    return scaledBytes(pSrc, pSrcDst, len, scaleFactor, [](Wide a, Wide b) { return a * b; });
}

IppStatus ippsAnd_32u_I(const Ipp32u* pSrc, Ipp32u* pSrcDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pSrcDst))
        return status;
    each(pSrcDst, pSrc, pSrcDst, count(len), [](Ipp32u a, Ipp32u b) { return a & b; });
    return ippStsNoErr;
}

IppStatus ippsOr_32u_I(const Ipp32u* pSrc, Ipp32u* pSrcDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pSrcDst))
        return status;
    each(pSrcDst, pSrc, pSrcDst, count(len), [](Ipp32u a, Ipp32u b) { return a | b; });
    return ippStsNoErr;
}

IppStatus ippsXor_32u_I(const Ipp32u* pSrc, Ipp32u* pSrcDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pSrcDst))
        return status;
    each(pSrcDst, pSrc, pSrcDst, count(len), [](Ipp32u a, Ipp32u b) { return a ^ b; });
    return ippStsNoErr;
}

IppStatus ippsAndC_32u_I(Ipp32u val, Ipp32u* pSrcDst, int len)
{
    return ippsAndC_32u(pSrcDst, val, pSrcDst, len);
}

IppStatus ippsOrC_32u_I(Ipp32u val, Ipp32u* pSrcDst, int len)
{
    return ippsOrC_32u(pSrcDst, val, pSrcDst, len);
}

IppStatus ippsXorC_32u_I(Ipp32u val, Ipp32u* pSrcDst, int len)
{
    return ippsXorC_32u(pSrcDst, val, pSrcDst, len);
}

IppStatus ippsAndC_32u(const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    if (val == 0)
        return ippsZero_32s(reinterpret_cast<Ipp32s*>(pDst), len);
    return bitwise(pSrc, pDst, len, [val](Ipp32u a) { return a & val; });
}

IppStatus ippsOrC_32u(const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    if (val == 0)
        return copyWords(pSrc, pDst, len);
    return bitwise(pSrc, pDst, len, [val](Ipp32u a) { return a | val; });
}

IppStatus ippsXorC_32u(const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    if (val == 0)
        return copyWords(pSrc, pDst, len);
    return bitwise(pSrc, pDst, len, [val](Ipp32u a) { return a ^ val; });
}

IppStatus ippsLShiftC_32s(const Ipp32s* pSrc, int val, Ipp32s* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    if (val < 0)
        return ippStsShiftErr;
    if (val == 0)
        return copyWords(reinterpret_cast<const Ipp32u*>(pSrc), reinterpret_cast<Ipp32u*>(pDst), len);
    if (val >= 32)
        return ippsZero_32s(pDst, len);
    each(pSrc, pDst, count(len), [val](Ipp32s x) { return shiftLeft(x, val); });
    return ippStsNoErr;
}

IppStatus ippsRShiftC_32s(const Ipp32s* pSrc, int val, Ipp32s* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    if (val < 0)
        return ippStsShiftErr;
    if (val == 0)
        return copyWords(reinterpret_cast<const Ipp32u*>(pSrc), reinterpret_cast<Ipp32u*>(pDst), len);
    const int by = std::min(val, 31);
    each(pSrc, pDst, count(len), [by](Ipp32s x) { return static_cast<Ipp32s>(x >> by); });
    return ippStsNoErr;
}

IppStatus ippsLShiftC_32s_I(int val, Ipp32s* pSrcDst, int len)
{
    return ippsLShiftC_32s(pSrcDst, val, pSrcDst, len);
}

IppStatus ippsRShiftC_32s_I(int val, Ipp32s* pSrcDst, int len)
{
    return ippsRShiftC_32s(pSrcDst, val, pSrcDst, len);
}

} // namespace dsp::native
