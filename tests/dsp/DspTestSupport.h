#pragma once
// Helpers of the element-wise routine tests: special values are told apart by
// their exact bit patterns (signed zeros, NaN payloads); case names become test names.
#include <bit>
#include <cstdint>
#include <limits>
#include <string>

namespace dsptest {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::uint64_t kDefaultNaN = 0xFFF8'0000'0000'0000; // the NaN an invalid operation makes

inline std::uint64_t bitsOf(double x) { return std::bit_cast<std::uint64_t>(x); }
inline double fromBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }
inline bool sameBits(double a, double b) { return bitsOf(a) == bitsOf(b); }

// A readable case name made fit for a test name.
inline std::string testNameOf(std::string name)
{
    for (char& c : name)
        if (c == ' ')
            c = '_';
    return name;
}

} // namespace dsptest
