#include "dsp/RandomRoutines.h"

#include "dsp/RoutineChecks.h"

#include <cmath>
#include <cstdint>

namespace dsp::native {

IppStatus ippsRandUniform_Direct_64f(Ipp64f* pDst, int len, Ipp64f low, Ipp64f high, unsigned int* pSeed)
{
    if (const IppStatus status = detail::checkVector(len, pDst, pSeed))
        return status;
    constexpr std::uint32_t kMultiplier = 69069;
    constexpr std::uint32_t kIncrement = 1013904243;
    std::uint32_t a = *pSeed;
    std::uint32_t b = a * kMultiplier + kIncrement;
    std::uint32_t c = b * kMultiplier + kIncrement;
    std::uint32_t congruential = 1131199209;
    std::int32_t borrow = -1;
    // Exactly 2^-32: the most negative output integer then maps onto low itself.
    const long double scale = (static_cast<long double>(high) - low) * 0x1p-32L;
    const long double mid = (static_cast<long double>(low) + high) * 0.5L;
    const std::size_t n = detail::count(len);
    for (std::size_t i = 0; i < n; ++i) {
        congruential = congruential * kMultiplier + kIncrement;
        const auto d = static_cast<std::int32_t>(b - c + static_cast<std::uint32_t>(borrow));
        borrow = d < 0 ? -1 : 0;
        const std::uint32_t x = d < 0 ? static_cast<std::uint32_t>(d) - 18u : static_cast<std::uint32_t>(d);
        c = b;
        b = a;
        a = x;
        const auto output = static_cast<std::int32_t>(x + congruential);
        Ipp64f value = static_cast<Ipp64f>(output * scale + mid);
        // Rounding to double must not carry a value out of [low, high).
        if (low < high) {
            if (value < low)
                value = low;
            else if (value >= high)
                value = std::nextafter(high, low);
        }
        pDst[i] = value;
    }
    *pSeed = a;
    return ippStsNoErr;
}

} // namespace dsp::native
