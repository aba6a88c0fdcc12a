#pragma once
// Small vector routines that live beside the FFT: called directly by other
// native routines and by the integer buffer, never through a routine table.
#include "dsp/IppTypes.h"

namespace dsp::native {

// Each of the count values becomes value / divisor, truncated toward zero. The
// divisor must not be 0 (a zero divisor leaves the values as they are); the one
// quotient that does not fit (the minimum by -1) saturates to the maximum.
void DivideInt32ByConst(Ipp32s divisor, Ipp32s* pValues, int count) noexcept;

// Stores the sum of the products of like elements, accumulated in order in
// extended precision; a length below 1 stores 0. Checks nothing else.
void DotProdLoop_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pSum) noexcept;

IppStatus Copy_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len) noexcept;
// Source and destination may be the same array.
IppStatus Conj_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len) noexcept;
IppStatus Conj_64fc_I(Ipp64fc* pSrcDst, int len) noexcept;

} // namespace dsp::native
