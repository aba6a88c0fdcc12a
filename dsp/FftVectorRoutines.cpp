#include "dsp/FftVectorRoutines.h"

#include "dsp/RoutineChecks.h"

#include <cstring>
#include <limits>

namespace dsp::native {

using detail::checkVector;
using detail::count;

void DivideInt32ByConst(Ipp32s divisor, Ipp32s* pValues, int count) noexcept
{
    if (divisor == 0)
        return; // callers never divide by 0; refusing it keeps the process from trapping
    for (int i = 0; i < count; ++i) {
        if (divisor == -1)
            pValues[i] = pValues[i] == std::numeric_limits<Ipp32s>::min() ? std::numeric_limits<Ipp32s>::max()
                                                                          : -pValues[i];
        else
            pValues[i] /= divisor;
    }
}

void DotProdLoop_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pSum) noexcept
{
    long double sum = 0.0L;
    for (int i = 0; i < len; ++i)
        sum += static_cast<long double>(pSrc1[i]) * pSrc2[i];
    *pSum = static_cast<Ipp64f>(sum);
}

IppStatus Copy_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len) noexcept
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    if (pSrc != pDst)
        std::memmove(pDst, pSrc, count(len) * sizeof(Ipp64fc));
    return ippStsNoErr;
}

IppStatus Conj_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len) noexcept
{
    if (const IppStatus status = checkVector(len, pSrc, pDst))
        return status;
    const std::size_t n = count(len);
    for (std::size_t i = 0; i < n; ++i)
        pDst[i] = {pSrc[i].re, -pSrc[i].im};
    return ippStsNoErr;
}

IppStatus Conj_64fc_I(Ipp64fc* pSrcDst, int len) noexcept
{
    return Conj_64fc(pSrcDst, pSrcDst, len);
}

} // namespace dsp::native
