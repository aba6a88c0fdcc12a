#pragma once
// Direct transforms of orders 0 to 3 (1 to 8 points), which need no tables.
// Source and destination may be the same array. A null scale means the plain
// transform; otherwise every result is multiplied by *scale.
#include "dsp/IppTypes.h"

namespace dsp::fft {

constexpr int largestDirectOrder = 3;

void directComplexForward(int order, const Ipp64fc* source, Ipp64fc* destination, const Ipp64f* scale);
void directComplexInverse(int order, const Ipp64fc* source, Ipp64fc* destination, const Ipp64f* scale);
// Real input to the Perm layout: X[0], X[N/2], Re X[1], Im X[1], ...
void directRealForward(int order, const Ipp64f* source, Ipp64f* destination, const Ipp64f* scale);
// Perm layout to real output.
void directRealInverse(int order, const Ipp64f* source, Ipp64f* destination, const Ipp64f* scale);

}  // namespace dsp::fft
