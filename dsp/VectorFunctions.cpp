// Element functions, simple statistics and thresholds of real and complex
// vectors. Running sums and compound expressions are kept in extended precision
// and rounded once when stored.
#include "dsp/VectorRoutines.h"

#include "dsp/FftVectorRoutines.h"
#include "dsp/LibCDispatcher.h"
#include "dsp/RoutineChecks.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>

namespace dsp::native {

namespace {

using detail::checkVector;
using detail::count;
using detail::each;

using detail::kDefaultNaN;
constexpr long double kPi = 3.141592653589793238462643383279502884L;

long double squaredMagnitude(Ipp64fc z) noexcept
{
    const long double re = z.re, im = z.im;
    return re * re + im * im;
}

IppStatus squareRoots(const Ipp64f* pSrc, Ipp64f* pDst, std::size_t n) noexcept
{
    bool negative = false;
    for (std::size_t i = 0; i < n; ++i) {
        const Ipp64f x = pSrc[i];
        if (x < 0.0) {
            negative = true;
            pDst[i] = kDefaultNaN;
        } else {
            pDst[i] = std::sqrt(x);
        }
    }
    return negative ? ippStsSqrtNegArg : ippStsNoErr;
}

Ipp64fc complexSquareRoot(Ipp64fc z) noexcept
{
    const long double h = static_cast<long double>(z.re) / 2;
    const long double k = static_cast<long double>(z.im) / 2;
    if (z.re > 0.0) {
        const long double r = std::sqrt(h * h + k * k);
        const long double t = std::sqrt(r + h);
        return {static_cast<Ipp64f>(t), static_cast<Ipp64f>(k / t)};
    }
    if (z.re == 0.0) {
        const long double t = std::sqrt(std::fabs(k));
        return {static_cast<Ipp64f>(t), static_cast<Ipp64f>(z.im < 0.0 ? -t : t)};
    }
    // Negative real part; a NaN real part also lands here and yields NaNs.
    const long double r = std::sqrt(h * h + k * k);
    long double t = std::sqrt(r - h);
    if (z.im < 0.0)
        t = -t;
    return {static_cast<Ipp64f>(k / t), static_cast<Ipp64f>(t)};
}

Ipp64fc complexSquare(Ipp64fc z) noexcept
{
    const long double re = z.re, im = z.im;
    return {static_cast<Ipp64f>((re - im) * (re + im)), static_cast<Ipp64f>(2 * re * im)};
}

template <typename Better>
IppStatus extreme(const Ipp64f* pSrc, int len, Ipp64f* pResult, Better better) noexcept
{
    if (const IppStatus status = checkVector(len, pSrc, pResult))
        return status;
    Ipp64f result = pSrc[0];
    const std::size_t n = count(len);
    for (std::size_t i = 1; i < n; ++i) {
        if (better(pSrc[i], result))
            result = pSrc[i];
    }
    *pResult = result;
    return ippStsNoErr;
}

void threshold(const Ipp64f* pSrc, Ipp64f* pDst, std::size_t n, Ipp64f level, IppCmpOp relOp) noexcept
{
    if (relOp == ippCmpGreater)
        each(pSrc, pDst, n, [level](Ipp64f x) { return x > level ? level : x; });
    else
        each(pSrc, pDst, n, [level](Ipp64f x) { return x < level ? level : x; });
}

void complexThreshold(const Ipp64fc* pSrc, Ipp64fc* pDst, std::size_t n, Ipp64f level, IppCmpOp relOp) noexcept
{
    const long double levelSquared = static_cast<long double>(level) * level;
    const bool clipAbove = relOp == ippCmpGreater;
    for (std::size_t i = 0; i < n; ++i) {
        const Ipp64fc z = pSrc[i];
        const long double m = squaredMagnitude(z);
        const bool clip = clipAbove ? m > levelSquared : m < levelSquared;
        if (!clip) {
            pDst[i] = z;
        } else if (m == 0.0L) {
            pDst[i] = {level, 0.0};
        } else {
            const long double factor = std::sqrt(levelSquared / m);
            pDst[i] = {static_cast<Ipp64f>(z.re * factor), static_cast<Ipp64f>(z.im * factor)};
        }
    }
}

} // namespace

IppStatus ippsAbs_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    each(pSrc, pDst, count(len), [](Ipp64f x) { return std::fabs(x); });
    return ippStsNoErr;
}

IppStatus ippsAbs_64f_I(Ipp64f* pSrcDst, int len)
{
    return ippsAbs_64f(pSrcDst, pSrcDst, len);
}

IppStatus ippsSqr_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    each(pSrc, pDst, count(len), [](Ipp64f x) { return x * x; });
    return ippStsNoErr;
}

IppStatus ippsSqr_64f_I(Ipp64f* pSrcDst, int len)
{
    return ippsSqr_64f(pSrcDst, pSrcDst, len);
}

IppStatus ippsSqrt_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    return squareRoots(pSrc, pDst, count(len));
}

IppStatus ippsSqrt_64f_I(Ipp64f* pSrcDst, int len)
{
    // The square root of 0 and of -0 is the element itself, so those stay as they are.
    return ippsSqrt_64f(pSrcDst, pSrcDst, len);
}

IppStatus ippsNormalize_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len, Ipp64f vSub, Ipp64f vDiv)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    if (std::fabs(vDiv) < DBL_MIN)
        return ippStsDivByZeroErr;
    const long double reciprocal = 1.0L / vDiv;
    each(pSrc, pDst, count(len),
         [vSub, reciprocal](Ipp64f x) { return static_cast<Ipp64f>((x - static_cast<long double>(vSub)) * reciprocal); });
    return ippStsNoErr;
}

IppStatus ippsNormalize_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len, Ipp64fc vSub, Ipp64f vDiv)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    if (std::fabs(vDiv) < DBL_MIN)
        return ippStsDivByZeroErr;
    const long double reciprocal = 1.0L / vDiv;
    each(pSrc, pDst, count(len), [vSub, reciprocal](Ipp64fc z) {
        return Ipp64fc{static_cast<Ipp64f>((z.re - static_cast<long double>(vSub.re)) * reciprocal),
                       static_cast<Ipp64f>((z.im - static_cast<long double>(vSub.im)) * reciprocal)};
    });
    return ippStsNoErr;
}

IppStatus ippsDotProd_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pDp)
{
    if (const IppStatus status = checkVector(len, pSrc1, pSrc2, pDp))
        return status;
    DotProdLoop_64f(pSrc1, pSrc2, len, pDp);
    return ippStsNoErr;
}

IppStatus ippsDotProd_64fc(const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, int len, Ipp64fc* pDp)
{
    if (const IppStatus status = checkVector(len, pSrc1, pSrc2, pDp))
        return status;
    long double re = 0.0L, im = 0.0L;
    const std::size_t n = count(len);
    for (std::size_t i = 0; i < n; ++i) {
        const long double a = pSrc1[i].re, b = pSrc1[i].im, c = pSrc2[i].re, d = pSrc2[i].im;
        re += a * c - b * d;
        im += a * d + b * c;
    }
    *pDp = {static_cast<Ipp64f>(re), static_cast<Ipp64f>(im)};
    return ippStsNoErr;
}

IppStatus ippsSum_64f(const Ipp64f* pSrc, int len, Ipp64f* pSum)
{
    if (const IppStatus status = checkVector(len, pSrc, pSum))
        return status;
    // Elements 0 and 2 of every group of four (and the tail) go to one total,
    // elements 1 and 3 to the other.
    long double even = 0.0L, odd = 0.0L;
    const std::size_t n = count(len);
    const std::size_t whole = n - n % 4;
    for (std::size_t i = 0; i < whole; i += 4) {
        even += pSrc[i];
        odd += pSrc[i + 1];
        even += pSrc[i + 2];
        odd += pSrc[i + 3];
    }
    for (std::size_t i = whole; i < n; ++i)
        even += pSrc[i];
    *pSum = static_cast<Ipp64f>(even + odd);
    return ippStsNoErr;
}

IppStatus ippsNorm_L2_64fc64f(const Ipp64fc* pSrc, int len, Ipp64f* pNorm)
{
    if (const IppStatus status = checkVector(len, pSrc, pNorm))
        return status;
    long double even = 0.0L, odd = 0.0L;
    const std::size_t n = count(len);
    for (std::size_t i = 0; i < n; ++i)
        (i % 2 == 0 ? even : odd) += squaredMagnitude(pSrc[i]);
    *pNorm = static_cast<Ipp64f>(std::sqrt(even + odd));
    return ippStsNoErr;
}

IppStatus ippsMax_64f(const Ipp64f* pSrc, int len, Ipp64f* pMax)
{
    return extreme(pSrc, len, pMax, [](Ipp64f x, Ipp64f best) { return x > best; });
}

IppStatus ippsMin_64f(const Ipp64f* pSrc, int len, Ipp64f* pMin)
{
    return extreme(pSrc, len, pMin, [](Ipp64f x, Ipp64f best) { return x < best; });
}

IppStatus ippsThreshold_64f_I(Ipp64f* pSrcDst, int len, Ipp64f level, IppCmpOp relOp)
{
    return ippsThreshold_64f(pSrcDst, pSrcDst, len, level, relOp);
}

IppStatus ippsThreshold_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len, Ipp64f level, IppCmpOp relOp)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    threshold(pSrc, pDst, count(len), level, relOp);
    return ippStsNoErr;
}

IppStatus ippsThreshold_LT_32s_I(Ipp32s* pSrcDst, int len, Ipp32s level)
{
    if (const IppStatus status = checkVector(len, pSrcDst))
        return status;
    each(pSrcDst, pSrcDst, count(len), [level](Ipp32s x) { return x < level ? level : x; });
    return ippStsNoErr;
}

IppStatus ippsThreshold_GT_32s_I(Ipp32s* pSrcDst, int len, Ipp32s level)
{
    if (const IppStatus status = checkVector(len, pSrcDst))
        return status;
    each(pSrcDst, pSrcDst, count(len), [level](Ipp32s x) { return x > level ? level : x; });
    return ippStsNoErr;
}

IppStatus ippsVectorJaehne_64f(Ipp64f* pDst, int len, Ipp64f magn)
{
    if (const IppStatus status = checkVector(len, pDst))
        return status;
    if (magn < 0.0)
        return ippStsJaehneErr;
    if (len == 1) {
        pDst[0] = 0.0;
        return ippStsNoErr;
    }
    const Ipp64f step = static_cast<Ipp64f>(kPi / 2 / len);
    const std::size_t n = count(len);
    for (std::size_t i = 0; i < n; ++i) {
        // The argument grows with n squared: it stays in extended precision up to
        // the sine, as a double argument would cost several digits of the result.
        const long double position = static_cast<long double>(i);
        pDst[i] = static_cast<Ipp64f>(magn * std::sin(position * position * step));
    }
    return ippStsNoErr;
}

IppStatus ippsPowerSpectr_64fc(const Ipp64fc* pSrc, Ipp64f* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    each(pSrc, pDst, count(len), [](Ipp64fc z) { return static_cast<Ipp64f>(squaredMagnitude(z)); });
    return ippStsNoErr;
}

IppStatus ippsMagnitude_64fc(const Ipp64fc* pSrc, Ipp64f* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    // The extended range keeps re² + im² finite for parts near 1e200.
    each(pSrc, pDst, count(len), [](Ipp64fc z) { return static_cast<Ipp64f>(std::sqrt(squaredMagnitude(z))); });
    return ippStsNoErr;
}

IppStatus ippsPhase_64fc(const Ipp64fc* pSrc, Ipp64f* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    each(pSrc, pDst, count(len), [](Ipp64fc z) { return LibAtan2(z.im, z.re); });
    return ippStsNoErr;
}

IppStatus ippsSqr_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    each(pSrc, pDst, count(len), complexSquare);
    return ippStsNoErr;
}

IppStatus ippsSqr_64fc_I(Ipp64fc* pSrcDst, int len)
{
    return ippsSqr_64fc(pSrcDst, pSrcDst, len);
}

IppStatus ippsSqrt_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    each(pSrc, pDst, count(len), complexSquareRoot);
    return ippStsNoErr;
}

IppStatus ippsSqrt_64fc_I(Ipp64fc* pSrcDst, int len)
{
    return ippsSqrt_64fc(pSrcDst, pSrcDst, len);
}

IppStatus ippsThreshold_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len, Ipp64f level, IppCmpOp relOp)
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    if (level < 0.0)
        return ippStsThreshNegLevelErr;
    complexThreshold(pSrc, pDst, count(len), level, relOp);
    return ippStsNoErr;
}

IppStatus ippsThreshold_64fc_I(Ipp64fc* pSrcDst, int len, Ipp64f level, IppCmpOp relOp)
{
    return ippsThreshold_64fc(pSrcDst, pSrcDst, len, level, relOp);
}

} // namespace dsp::native
