#pragma once
// The natural logarithm that LibLn defines (the extended-precision logarithm
// rounded once to double), computed without the x87 unit where the processor
// has AVX2 and FMA. The fast path carries about 66 correct bits; whenever that
// leaves the rounding to double in doubt it hands the value to the extended
// logarithm itself, so every result is bit for bit the extended one.

namespace dsp::lnkernel {

// The defining computation, and the fallback for undecided and special inputs.
double extendedLn(double x) noexcept;

// True when the fast path can run on this processor.
bool fastAvailable() noexcept;

// Any input, special values included, as extendedLn gives it. Needs fastAvailable().
double lnOfOne(double x) noexcept;

// When all four of src[0..3] are positive, finite and non-zero (subnormals
// included), writes their logarithms to dst[0..3] and returns true; otherwise
// writes nothing and returns false. src and dst may be the same array.
// Needs fastAvailable().
bool lnOfFour(const double* src, double* dst) noexcept;

} // namespace dsp::lnkernel
