#pragma once
// Native uniform random numbers: a subtract-with-borrow generator combined with
// a linear congruential one; the caller's seed is the only state.
#include "dsp/IppTypes.h"

namespace dsp::native {

IppStatus ippsRandUniform_Direct_64f(Ipp64f* pDst, int len, Ipp64f low, Ipp64f high, unsigned int* pSeed);

} // namespace dsp::native
