#pragma once
// Full linear convolution of two real vectors: direct sums for short work, one
// real transform in Perm order for operands of like length, overlap-save blocks
// for a long operand against a much shorter one. Published argument order.
#include "dsp/IppTypes.h"

#include <cstdint>

namespace dsp::native {

// dst[t] = sum over j of src1[j] * src2[t - j], t = 0 .. src1Len + src2Len - 2.
IppStatus ippsConv_64f(const Ipp64f* pSrc1, int src1Len, const Ipp64f* pSrc2, int src2Len, Ipp64f* pDst);

} // namespace dsp::native

namespace dsp::detail {

// Outputs below this count, or a shorter operand below this length, take the direct sums.
inline constexpr std::int64_t convDirectOutputs = 150;
inline constexpr int convDirectShortLength = 32;
// The direct sums walk the long operand in blocks of this many samples.
inline constexpr std::int64_t convDirectBlock = 4096;

// The direct sums of the convolution of the longer operand with the shorter
// one; the routine chooses it by the thresholds above. Exposed for the benchmark.
void convolveDirect(const Ipp64f* longer, std::int64_t longLen, const Ipp64f* shorter, std::int64_t shortLen,
                    Ipp64f* dst) noexcept;

} // namespace dsp::detail
