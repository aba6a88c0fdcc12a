#pragma once
// Shared helpers of the correlation, convolution and FIR tests: the defining
// sums in extended precision, a tolerance scaled to the data, and the loop that
// makes every allocation of a call fail in turn.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

#include "dsp/FftAlloc.h"
#include "dsp/IppTypes.h"
#include "FftTestSupport.h"

namespace corrtest {

using ffttest::randomComplex;
using ffttest::randomReal;
using Cld = std::complex<long double>;

// sum over i of a[i] * b[i + lag] (conj(a[i]) for complex), where both exist.
inline long double crossRef(const std::vector<double>& a, const std::vector<double>& b, std::int64_t lag)
{
    long double sum = 0;
    for (std::int64_t i = 0; i < static_cast<std::int64_t>(a.size()); ++i)
        if (i + lag >= 0 && i + lag < static_cast<std::int64_t>(b.size()))
            sum += static_cast<long double>(a[i]) * b[i + lag];
    return sum;
}

inline Cld crossRef(const std::vector<Ipp64fc>& a, const std::vector<Ipp64fc>& b, std::int64_t lag)
{
    Cld sum = 0;
    for (std::int64_t i = 0; i < static_cast<std::int64_t>(a.size()); ++i)
        if (i + lag >= 0 && i + lag < static_cast<std::int64_t>(b.size()))
            sum += std::conj(Cld(a[i].re, a[i].im)) * Cld(b[i + lag].re, b[i + lag].im);
    return sum;
}

// A bound on every output of a sum of products of a and b (Cauchy-Schwarz).
template <typename T>
double scaleOf(const std::vector<T>& a, const std::vector<T>& b)
{
    const auto energy = [](const std::vector<T>& v) {
        long double e = 0;
        for (const T& x : v) {
            if constexpr (std::is_same_v<T, Ipp64fc>)
                e += static_cast<long double>(x.re) * x.re + static_cast<long double>(x.im) * x.im;
            else
                e += static_cast<long double>(x) * x;
        }
        return e;
    };
    return static_cast<double>(std::sqrt(energy(a) * energy(b)));
}

// Transforms and direct sums both land well inside this; a wrong lag, a lost
// block or a stale history is off by far more.
inline double tolerance(double scale)
{
    return 1e-13 * (scale > 1 ? scale : 1);
}

inline bool near(double got, long double want, double tol)
{
    return std::fabs(static_cast<long double>(got) - want) <= tol;
}

inline bool near(const Ipp64fc& got, const Cld& want, double tol)
{
    return std::abs(Cld(got.re, got.im) - want) <= tol;
}

// Lets the k-th allocation of `call` fail for k = 0, 1, ... until the call
// gets through; every failure must answer -9. LeakSanitizer sees anything left
// behind. Returns how many allocations the successful call made.
template <typename Call>
int expectEachAllocationFailureGivesMemAllocErr(Call call)
{
    for (int k = 0; k < 64; ++k) {
        dsp::fft::fftFailAllocationAfter(k);
        const IppStatus status = call();
        dsp::fft::fftFailAllocationAfter(-1);
        if (status == ippStsNoErr)
            return k;
        EXPECT_EQ(status, ippStsMemAllocErr) << "allocation " << k << " failing";
    }
    ADD_FAILURE() << "the call never got through";
    return -1;
}

} // namespace corrtest
