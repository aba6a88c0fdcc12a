#pragma once
// Exact scaling of integer results by 2 to the power minus a scale factor:
// rounded to the nearest with exact halves to the even neighbour, then
// saturated. Worked in 128 bits, so no shift or product can overflow.
#include <cstdint>

namespace dsp::detail {

using Wide = __int128;

constexpr Wide floorShiftRight(Wide v, int shift) noexcept
{
    return v >> shift; // arithmetic shift: the floor of v / 2^shift
}

// v x 2^-scale rounded half to even, saturated to [low, high]. |v| must be below 2^96.
constexpr std::int64_t scaleRoundSaturate(Wide v, int scale, std::int64_t low, std::int64_t high) noexcept
{
    if (v == 0)
        return 0;
    if (scale < 0) {
        // From 31 places on every non-zero value lies outside a 32-bit range.
        if (scale <= -31)
            return v > 0 ? high : low;
        v <<= -scale;
    } else if (scale > 0) {
        if (scale >= 100)
            return 0; // |v| x 2^-scale is below one half
        const Wide quotient = floorShiftRight(v, scale);
        const Wide remainder = v - (quotient << scale);
        const Wide half = Wide{1} << (scale - 1);
        v = quotient;
        if (remainder > half || (remainder == half && (quotient & 1) != 0))
            ++v;
    }
    if (v > high)
        return high;
    if (v < low)
        return low;
    return static_cast<std::int64_t>(v);
}

// The same scaling for the common case of a 64-bit exact value (a sum,
// difference or product of two 32-bit values, so |v| <= 2^62) and a scale
// factor 0..62: plain 64-bit arithmetic without branches, which the compiler
// vectorises. Neither the sum below nor the shift can overflow there.
constexpr int kLastNarrowScale = 62;

constexpr std::int32_t saturateToInt32(std::int64_t v) noexcept
{
    return static_cast<std::int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

// v x 2^-scale rounded half to even, for 1 <= scale <= 62: with v = q 2^s + r,
// adding 2^(s-1) - 1 carries into q exactly when r is above the half, and the
// added bit s (the parity of q) makes an exact half carry only for odd q.
constexpr std::int64_t roundShiftRight(std::int64_t v, int scale) noexcept
{
    return (v + ((std::int64_t{1} << (scale - 1)) - 1) + ((v >> scale) & 1)) >> scale;
}

constexpr std::int32_t scaleToInt32(Wide v, int scale) noexcept
{
    return static_cast<std::int32_t>(scaleRoundSaturate(v, scale, INT32_MIN, INT32_MAX));
}

constexpr std::uint8_t scaleToUint8(Wide v, int scale) noexcept
{
    return static_cast<std::uint8_t>(scaleRoundSaturate(v, scale, 0, 255));
}

// The exact quotient n x 2^-scale / d (d not 0) rounded half to even and
// saturated to 32 bits.
constexpr std::int32_t divideScaled(std::int32_t n, std::int32_t d, int scale) noexcept
{
    if (n == 0)
        return 0;
    Wide numerator = n;
    Wide denominator = d;
    if (scale < 0) {
        if (scale <= -64) // |n| x 2^64 / |d| is beyond any 32-bit value
            return (n > 0) == (d > 0) ? INT32_MAX : INT32_MIN;
        numerator <<= -scale;
    } else if (scale > 0) {
        if (scale >= 64) // |n| / (|d| x 2^64) is below one half
            return 0;
        denominator <<= scale;
    }
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    Wide quotient = numerator / denominator;
    Wide remainder = numerator % denominator;
    if (remainder < 0) { // make the quotient the floor, the remainder non-negative
        --quotient;
        remainder += denominator;
    }
    const Wide twice = 2 * remainder;
    if (twice > denominator || (twice == denominator && (quotient & 1) != 0))
        ++quotient;
    if (quotient > INT32_MAX)
        return INT32_MAX;
    if (quotient < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(quotient);
}

} // namespace dsp::detail
