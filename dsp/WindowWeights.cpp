#include "dsp/WindowWeights.h"

#include <cmath>

#include "dsp/ExpLn.h"
#include "dsp/LibCDispatcher.h"
#include "dsp/VectorRoutines.h"

namespace dsp::native::window {
namespace {

constexpr long double twoPi = 6.283185307179586476925286766559L;

// The widest Kaiser window: alpha (len - 1) / 2 up to this keeps e^x of the
// Bessel function, and the ratio of two of them, well inside the double range.
constexpr long double kaiserLimit = 308.0L;

// Polynomial approximations of I0, below and from |x| = 4.
constexpr long double smallArgument[] = {0.9999999985L, 4.0000001935L, 3.9999959541L, 1.777809969L,
                                         0.4443189384L, 0.0713758187L, 0.0075942968L, 0.0008267816L};
constexpr long double largeArgument[] = {0.3989422809L,  0.0124667783L, 0.0017623668L,  0.00026L,
                                         0.0022585672L,  -0.0128314822L, 0.0495811118L, -0.1209940805L,
                                         0.1895476618L,  -0.1867783276L, 0.1113315511L, -0.0366694767L,
                                         0.0051246015L};

template <std::size_t N>
long double horner(const long double (&coefficients)[N], long double x)
{
    long double sum = coefficients[N - 1];
    for (std::size_t i = N - 1; i-- > 0;) {
        sum = coefficients[i] + x * sum;
    }
    return sum;
}

} // namespace

IppStatus checkWindow(const WindowShape& shape, bool pointersPresent, int len)
{
    if (!pointersPresent) {
        return ippStsNullPtrErr;
    }
    if (shape.kind != WindowKind::kaiser) {
        return len < 3 ? ippStsSizeErr : ippStsNoErr;
    }
    if (len < 1) {
        return ippStsSizeErr;
    }
    // A NaN alpha fails every comparison with the limit, yet its weights would
    // all be NaN: it is refused as a width beyond the limit.
    if (std::isnan(shape.alpha) || std::fabs(static_cast<long double>(shape.alpha)) * (len - 1) / 2.0L > kaiserLimit) {
        return ippStsHugeWinErr;
    }
    return ippStsNoErr;
}

long double besselI0(long double x)
{
    const long double magnitude = std::fabs(x);
    if (magnitude < 4.0L) {
        const long double quarter = magnitude / 4.0L;
        return horner(smallArgument, quarter * quarter);
    }
    const double power = static_cast<double>(magnitude);
    double growth = 0.0;
    ippsExp_64f(&power, &growth, 1);
    return growth * horner(largeArgument, 4.0L / magnitude) / LibSqrt(power);
}

double cosineStep(int len)
{
    return LibCos(static_cast<double>(twoPi / (len - 1)));
}

double sineOf(double cosine)
{
    const long double c = cosine;
    return LibSqrt(static_cast<double>(1.0L - c * c));
}

double squareRootOf(double x)
{
    (void)ippsSqrt_64f_I(&x, 1);
    return x;
}

} // namespace dsp::native::window
