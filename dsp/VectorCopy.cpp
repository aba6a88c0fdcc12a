// Copying, moving and filling of vectors, and splitting and joining complex ones.
#include "dsp/VectorRoutines.h"

#include "dsp/RoutineChecks.h"

#include <algorithm>
#include <cstring>

namespace dsp::native {

namespace {

using detail::checkVector;
using detail::count;

template <typename T>
IppStatus copyElements(const T* pSrc, T* pDst, int len) noexcept
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    // memmove gives the result of a forward copy when the source lies after the
    // destination and of a backward copy when it lies before, without smearing.
    if (pSrc != pDst)
        std::memmove(pDst, pSrc, count(len) * sizeof(T));
    return ippStsNoErr;
}

template <typename T>
IppStatus fill(T val, T* pDst, int len) noexcept
{
    if (const IppStatus status = checkVector(len, pDst))
        return status;
    std::fill_n(pDst, count(len), val);
    return ippStsNoErr;
}

template <typename T>
IppStatus zero(T* pDst, int len) noexcept
{
    if (const IppStatus status = checkVector(len, pDst))
        return status;
    std::memset(pDst, 0, count(len) * sizeof(T));
    return ippStsNoErr;
}

} // namespace

IppStatus ippsCopy_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len)
{
    return copyElements(pSrc, pDst, len);
}

IppStatus ippsCopy_8u(const Ipp8u* pSrc, Ipp8u* pDst, int len)
{
    return copyElements(pSrc, pDst, len);
}

IppStatus ippsMove_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len)
{
    return copyElements(pSrc, pDst, len);
}

IppStatus ippsMove_8u(const Ipp8u* pSrc, Ipp8u* pDst, int len)
{
    return copyElements(pSrc, pDst, len);
}

IppStatus ippsSet_64f(Ipp64f val, Ipp64f* pDst, int len)
{
    return fill(val, pDst, len);
}

IppStatus ippsSet_32f(Ipp32f val, Ipp32f* pDst, int len)
{
    return fill(val, pDst, len);
}

IppStatus ippsSet_32s(Ipp32s val, Ipp32s* pDst, int len)
{
    return fill(val, pDst, len);
}

IppStatus ippsSet_8u(Ipp8u val, Ipp8u* pDst, int len)
{
    return fill(val, pDst, len);
}

IppStatus ippsSet_64fc(Ipp64fc val, Ipp64fc* pDst, int len)
{
    return fill(val, pDst, len);
}

IppStatus ippsZero_64f(Ipp64f* pDst, int len)
{
    return zero(pDst, len);
}

IppStatus ippsZero_32f(Ipp32f* pDst, int len)
{
    return zero(pDst, len);
}

IppStatus ippsZero_32s(Ipp32s* pDst, int len)
{
    return zero(pDst, len);
}

IppStatus ippsZero_16s(Ipp16s* pDst, int len)
{
    return zero(pDst, len);
}

IppStatus ippsZero_8u(Ipp8u* pDst, int len)
{
    return zero(pDst, len);
}

IppStatus ippsZero_64fc(Ipp64fc* pDst, int len)
{
    return zero(pDst, len);
}

IppStatus ippsRealToCplx_64f(const Ipp64f* pSrcRe, const Ipp64f* pSrcIm, Ipp64fc* pDst, int len)
{
    if (pDst == nullptr || (pSrcRe == nullptr && pSrcIm == nullptr))
        return ippStsNullPtrErr;
    if (len < 1)
        return ippStsSizeErr;
    const std::size_t n = count(len);
    for (std::size_t i = 0; i < n; ++i)
        pDst[i] = {pSrcRe != nullptr ? pSrcRe[i] : 0.0, pSrcIm != nullptr ? pSrcIm[i] : 0.0};
    return ippStsNoErr;
}

IppStatus ippsReal_64fc(const Ipp64fc* pSrc, Ipp64f* pDstRe, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDstRe))
        return status;
    const std::size_t n = count(len);
    for (std::size_t i = 0; i < n; ++i)
        pDstRe[i] = pSrc[i].re;
    return ippStsNoErr;
}

IppStatus ippsImag_64fc(const Ipp64fc* pSrc, Ipp64f* pDstIm, int len)
{
    if (const IppStatus status = checkVector(len, pSrc, pDstIm))
        return status;
    const std::size_t n = count(len);
    for (std::size_t i = 0; i < n; ++i)
        pDstIm[i] = pSrc[i].im;
    return ippStsNoErr;
}

} // namespace dsp::native
