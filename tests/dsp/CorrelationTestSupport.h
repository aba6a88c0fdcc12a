#pragma once
// Shared helpers of the correlation, convolution and FIR tests: the defining
// sums in extended precision, a tolerance scaled to the data, and the loop that
// makes every allocation of a call fail in turn.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

#include "FftTestSupport.h"
#include "dsp/FftAlloc.h"

namespace corrtest {

using Cld = std::complex<long double>;

inline Cld widen(const Ipp64fc& v) { return {v.re, v.im}; }
inline long double widen(double v) { return v; }
inline long double conjugate(long double v) { return v; }
inline Cld conjugate(const Cld& v) { return std::conj(v); }
inline long double times(long double a, long double b) { return a * b; }
inline Cld times(const Cld& a, const Cld& b) { return ffttest::times(a, b); }

template <typename T>
std::vector<T> randomOf(std::size_t n, unsigned seed)
{
    if constexpr (std::is_same_v<T, Ipp64fc>)
        return ffttest::randomComplex(n, seed);
    else
        return ffttest::randomReal(n, seed);
}

// What an output holds before the routine writes it.
template <typename T>
T stale()
{
    if constexpr (std::is_same_v<T, Ipp64fc>)
        return {99, 99};
    else
        return 99;
}

// sum over i of conj(a[i]) * b[i + lag], where both exist.
template <typename T>
auto crossRef(const std::vector<T>& a, const std::vector<T>& b, std::int64_t lag)
{
    decltype(widen(a[0])) sum{};
    for (std::int64_t i = std::max<std::int64_t>(0, -lag); i < std::ssize(a) && i + lag < std::ssize(b); ++i)
        sum += times(conjugate(widen(a[i])), widen(b[i + lag]));
    return sum;
}

// Cauchy-Schwarz bound on every output, times a margin that transforms and
// direct sums both meet; a wrong lag, lost block or stale history misses it.
template <typename T>
double toleranceFor(const std::vector<T>& a, const std::vector<T>& b)
{
    const auto energy = [](const std::vector<T>& v) {
        long double e = 0;
        for (const T& x : v)
            e += std::norm(Cld(widen(x)));
        return e;
    };
    return 1e-13 * std::max(1.0, static_cast<double>(std::sqrt(energy(a) * energy(b))));
}

template <typename T, typename Want>
bool near(const T& got, const Want& want, double tol)
{
    return std::abs(Cld(widen(got)) - Cld(want)) <= tol;
}

// Fails the k-th allocation of `call` for k = 0, 1, ... until the call gets
// through; each failure must answer -9 (LeakSanitizer checks nothing is left).
// Returns the number of allocations of the successful call.
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
