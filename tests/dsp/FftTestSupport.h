#pragma once
// Shared helpers of the FFT tests: owned records, reference transforms worked
// independently of the code under test, and error measures.
#include <cmath>
#include <complex>
#include <cstddef>
#include <memory>
#include <random>
#include <vector>

#include "dsp/FftSpec.h"

namespace ffttest {

using Cld = std::complex<long double>;

struct ComplexSpecDeleter {
    void operator()(FFTSpec_C_64fc* s) const { dsp::native::ippsFFTFree_C_64fc(s); }
};
struct RealSpecDeleter {
    void operator()(FFTSpec_R_64f* s) const { dsp::native::ippsFFTFree_R_64f(s); }
};
using ComplexSpec = std::unique_ptr<FFTSpec_C_64fc, ComplexSpecDeleter>;
using RealSpec = std::unique_ptr<FFTSpec_R_64f, RealSpecDeleter>;

inline ComplexSpec makeComplexSpec(int order, int flag = IPP_FFT_NODIV_BY_ANY) {
    FFTSpec_C_64fc* spec = nullptr;
    return dsp::native::ippsFFTInitAlloc_C_64fc(&spec, order, flag, ippAlgHintNone) == ippStsNoErr ? ComplexSpec(spec)
                                                                                                 : ComplexSpec();
}
inline RealSpec makeRealSpec(int order, int flag = IPP_FFT_NODIV_BY_ANY) {
    FFTSpec_R_64f* spec = nullptr;
    return dsp::native::ippsFFTInitAlloc_R_64f(&spec, order, flag, ippAlgHintNone) == ippStsNoErr ? RealSpec(spec)
                                                                                                : RealSpec();
}

inline std::vector<Ipp64fc> randomComplex(std::size_t n, unsigned seed) {
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<Ipp64fc> v(n);
    for (auto& x : v)
        x = {dist(gen), dist(gen)};
    return v;
}

inline std::vector<double> randomReal(std::size_t n, unsigned seed) {
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> v(n);
    for (auto& x : v)
        x = dist(gen);
    return v;
}

// Plain product: std::complex's operator* is slow with its NaN recovery.
inline Cld times(const Cld& a, const Cld& b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

// e^(sign 2 pi i k / n) for k = 0 to n - 1 in extended precision; the sines of
// one quadrant serve the other three.
inline std::vector<Cld> unitRoots(std::size_t n, int sign) {
    const long double pi = 3.14159265358979323846264338327950288L;
    const std::size_t quarter = n >= 4 ? n / 4 : 0;
    std::vector<Cld> roots(n);
    for (std::size_t k = 0; k < n; ++k) {
        if (quarter == 0 || k <= quarter) {
            const long double angle = 2 * pi * static_cast<long double>(k) / n;
            roots[k] = {std::cos(angle), sign * std::sin(angle)};
        } else {
            const Cld& r = roots[k - quarter];  // times e^(sign i pi/2)
            roots[k] = {-sign * r.imag(), sign * r.real()};
        }
    }
    return roots;
}

// The defining sum, one output at a time, in extended precision.
inline std::vector<Cld> naiveDft(const std::vector<Ipp64fc>& x, int sign) {
    const std::size_t n = x.size();
    const std::vector<Cld> roots = unitRoots(n, sign);
    std::vector<Cld> out(n);
    for (std::size_t k = 0; k < n; ++k) {
        long double re = 0, im = 0;
        std::size_t e = 0;
        for (std::size_t j = 0; j < n; ++j) {
            re += x[j].re * roots[e].real() - x[j].im * roots[e].imag();
            im += x[j].re * roots[e].imag() + x[j].im * roots[e].real();
            e += k;
            if (e >= n)
                e -= n;
        }
        out[k] = {re, im};
    }
    return out;
}

// Textbook recursive-free radix-2 decimation in time with twiddles computed
// one by one in extended precision.
inline std::vector<Cld> radix2Reference(const std::vector<Ipp64fc>& x, int sign) {
    const std::size_t n = x.size();
    std::vector<Cld> a(n);
    for (std::size_t i = 0, j = 0; i < n; ++i) {
        a[j] = Cld(x[i].re, x[i].im);
        std::size_t bit = n >> 1;
        for (; bit != 0 && (j & bit); bit >>= 1)
            j ^= bit;
        j |= bit;
    }
    const std::vector<Cld> w = unitRoots(n, sign);
    for (std::size_t len = 2; len <= n; len *= 2) {
        const std::size_t step = n / len;
        for (std::size_t base = 0; base < n; base += len)
            for (std::size_t k = 0; k < len / 2; ++k) {
                const Cld t = times(a[base + k + len / 2], w[k * step]);
                a[base + k + len / 2] = a[base + k] - t;
                a[base + k] += t;
            }
    }
    return a;
}

// sqrt(sum |got - want|^2 / sum |want|^2)
template <typename Want>
double relativeRmsError(const Ipp64fc* got, const std::vector<Want>& want) {
    long double err = 0, ref = 0;
    for (std::size_t k = 0; k < want.size(); ++k) {
        const long double dr = got[k].re - static_cast<long double>(want[k].real());
        const long double di = got[k].im - static_cast<long double>(want[k].imag());
        err += dr * dr + di * di;
        ref += std::norm(Cld(want[k]));
    }
    return static_cast<double>(std::sqrt(err / (ref > 0 ? ref : 1)));
}

inline double accuracyBound(int order) { return 1e-14 * (order > 0 ? order : 1); }

}  // namespace ffttest
