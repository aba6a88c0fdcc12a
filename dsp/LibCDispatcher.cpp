#include "dsp/LibCDispatcher.h"

#include "dsp/LnKernel.h"

#include <cmath>

namespace dsp {

double LibSin(double x) noexcept
{
    return static_cast<double>(std::sin(static_cast<long double>(x)));
}

double LibCos(double x) noexcept
{
    return static_cast<double>(std::cos(static_cast<long double>(x)));
}

double LibSqrt(double x) noexcept
{
    return static_cast<double>(std::sqrt(static_cast<long double>(x)));
}

double LibExp(double x) noexcept
{
    return static_cast<double>(std::exp(static_cast<long double>(x)));
}

double LibLn(double x) noexcept
{
    return lnkernel::fastAvailable() ? lnkernel::lnOfOne(x) : lnkernel::extendedLn(x);
}

double LibAtan2(double y, double x) noexcept
{
    return static_cast<double>(std::atan2(static_cast<long double>(y), static_cast<long double>(x)));
}

} // namespace dsp
