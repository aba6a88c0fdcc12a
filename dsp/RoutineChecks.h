#pragma once
// Argument checks and element loops shared by the native routines; pointers are
// checked first, then lengths.
#include "dsp/IppTypes.h"

#include <bit>
#include <cstddef>
#include <cstdint>

namespace dsp::detail {

// The quiet NaN the routines write where a result is undefined (a zero
// divisor, a logarithm of a NaN): sign set, top mantissa bit set.
inline constexpr Ipp64f kDefaultNaN = std::bit_cast<Ipp64f>(std::uint64_t{0xFFF8'0000'0000'0000});

template <typename... Pointers>
constexpr bool anyNull(const Pointers*... pointers) noexcept
{
    return ((pointers == nullptr) || ...);
}

// The usual check of a routine over `len` elements: -8, then -6, else 0.
template <typename... Pointers>
constexpr IppStatus checkVector(int len, const Pointers*... pointers) noexcept
{
    if (anyNull(pointers...))
        return ippStsNullPtrErr;
    if (len < 1)
        return ippStsSizeErr;
    return ippStsNoErr;
}

constexpr std::size_t count(int len) noexcept
{
    return static_cast<std::size_t>(len);
}

// The element loops of the native routines: plain loops the compiler vectorises.
template <typename T, typename U, typename Op>
void each(const T* src, U* dst, std::size_t n, Op op) noexcept
{
    for (std::size_t i = 0; i < n; ++i)
        dst[i] = op(src[i]);
}

template <typename T, typename Op>
void each(const T* src1, const T* src2, T* dst, std::size_t n, Op op) noexcept
{
    for (std::size_t i = 0; i < n; ++i)
        dst[i] = op(src1[i], src2[i]);
}

} // namespace dsp::detail
