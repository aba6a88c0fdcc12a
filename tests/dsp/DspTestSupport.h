#pragma once
// Bit-level helpers of the element-wise routine tests: special values are told
// apart by their exact bit patterns (signed zeros, NaN payloads).
#include <bit>
#include <cstdint>
#include <limits>

namespace dsptest {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::uint64_t kDefaultNaN = 0xFFF8'0000'0000'0000; // the NaN an invalid operation makes

inline std::uint64_t bitsOf(double x) { return std::bit_cast<std::uint64_t>(x); }
inline double fromBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }
inline bool sameBits(double a, double b) { return bitsOf(a) == bitsOf(b); }

} // namespace dsptest
