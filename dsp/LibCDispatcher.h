#pragma once
// Elementary functions of the native routines: worked in extended precision and
// rounded once to double on return. The native routines use no other mathematics.

namespace dsp {

double LibSin(double x) noexcept;
double LibCos(double x) noexcept;
double LibSqrt(double x) noexcept;
double LibExp(double x) noexcept;
double LibLn(double x) noexcept;
// Angle of the point (x, y), in the correct quadrant; note y comes first.
double LibAtan2(double y, double x) noexcept;

} // namespace dsp
