#pragma once
// The hot loops of the FFT passes in 256-bit vectors (two complex values per
// register) with fused multiply-add, for processors that have them. Results
// agree with the portable passes to rounding.
#include <cstddef>

#include "dsp/IppTypes.h"

namespace dsp::fft {
// Points per strip of the radix-2 stages of the medium orders.
constexpr std::size_t radix2StripPoints = 64;

// The next value of a counter that counts with its bits in reverse order,
// `topBit` its highest bit.
inline std::size_t nextReversed(std::size_t r, std::size_t topBit) {
    std::size_t h = topBit;
    while (r & h) {
        r ^= h;
        h >>= 1;
    }
    return r | h;
}
}  // namespace dsp::fft

namespace dsp::fft::avx2 {

// True when the processor runs these kernels (decided once) and they are allowed.
bool available() noexcept;
// Makes the process-wide tables of the kernels (once; later calls return at
// once), so that the first transform of a plan does not pay for them.
void prepareTables();
// Lets the portable passes run on any processor, so that both paths can be checked.
void allow(bool allowed) noexcept;

template <bool Inverse>
void radix4Pass(Ipp64fc* x, std::size_t n, const Ipp64fc* table);

// The pass of n points (32 to 512) from a source in natural order into x,
// with the bit reversal folded into its first stages.
template <bool Inverse>
void radix4PassFrom(const Ipp64fc* source, Ipp64fc* x, std::size_t n, const Ipp64fc* table);

// The one medium order whose whole transform runs as radix-4 stages alone.
constexpr int wholeRadix4Order = 10;

// The transform of 2^wholeRadix4Order points in place on bit-reversed data, or
// from a source in natural order when `source` is not null, as radix-4 stages
// alone (no radix-2 stage across blocks); `table` is the 512-point radix table.
template <bool Inverse>
void wholeRadix4(const Ipp64fc* source, Ipp64fc* x, const Ipp64fc* table);

// Transformed rows out[0] to out[count - 1] (count even) of `columns` places
// (32 to 512), the rows of a split level taken straight from a source in
// natural order: place p of row t starts as source[r(p) x rows + t].
template <bool Inverse>
void leafRowsFrom(const Ipp64fc* source, std::size_t rows, Ipp64fc* const* out, std::size_t count,
                  std::size_t columns, const Ipp64fc* table);

// All cross transforms of a split level of `rows` (16 to 512) by `columns`
// (even), in place, as walks along the rows.
template <bool Inverse>
void crossColumns(Ipp64fc* x, std::size_t columns, std::size_t rows, const Ipp64fc* cross, const Ipp64fc* radix);

// A whole medium order (1024 or 2048 points) in place on bit-reversed data,
// or from a source in natural order when `source` is not null; every block's
// values are multiplied by *scale before the blocks are combined when scale
// is not null.
template <bool Inverse>
void medium(const Ipp64fc* source, Ipp64fc* x, std::size_t n, const Ipp64fc* table, const Ipp64fc* quarter,
            const Ipp64f* scale);

// Rows out[0] to out[count - 1] (count even, up to 16) of a split level whose
// rows are a medium order of n points, taken straight from a source in natural
// order (place m of row t is source[m x rows + t] before the bit reversal)
// and transformed as `medium` does.
template <bool Inverse>
void mediumRowsFrom(const Ipp64fc* source, std::size_t rows, Ipp64fc* const* out, std::size_t count,
                    std::size_t n, const Ipp64fc* table, const Ipp64fc* quarter, const Ipp64f* scale);

// Rows out[0] to out[Count - 1] of `columns` places from a source in natural
// order: place p of row t is source[r(p) x rows + t], r reversing the bits of p.
template <std::size_t Count>
void gatherReversedRows(const Ipp64fc* source, std::size_t rows, Ipp64fc* const* out, std::size_t columns);

}  // namespace dsp::fft::avx2
