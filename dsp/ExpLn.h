#pragma once
// Exponential and natural logarithm of 64-bit vectors, in the argument order of
// the published prototypes so that they can stand in a routine table.
#include "dsp/IppTypes.h"

namespace dsp::native {

IppStatus ippsExp_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len);
IppStatus ippsExp_64f_I(Ipp64f* pSrcDst, int len);

// Warnings: ippStsLnZeroArg or ippStsLnNegArg, whichever kind of special element
// comes first; every element is written either way.
IppStatus ippsLn_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len);
IppStatus ippsLn_64f_I(Ipp64f* pSrcDst, int len);

} // namespace dsp::native
