#pragma once
// Argument checks shared by the native routines: pointers first, then lengths.
#include "dsp/IppTypes.h"

#include <cstddef>

namespace dsp::detail {

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

} // namespace dsp::detail
