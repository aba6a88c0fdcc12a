#include "dsp/FftDirect.h"

#include <array>
#include <complex>

namespace dsp::fft {

namespace {

using Cx = std::complex<double>;

// The 64-bit value nearest sqrt(2)/2.
constexpr double halfRoot2 = 0.7071067811865476;

// 2^order points; sign -1 for the forward kernel e^(-i...), +1 for the inverse.
template <std::size_t N>
std::array<Cx, N> dft(const std::array<Cx, N>& x, double sign, double scale) {
    std::array<Cx, N> out{};
    const Cx rot(0.0, sign);  // -i forward, +i inverse
    if constexpr (N == 1) {
        out[0] = x[0] * scale;
    } else if constexpr (N == 2) {
        out[0] = (x[0] + x[1]) * scale;
        out[1] = (x[0] - x[1]) * scale;
    } else if constexpr (N == 4) {
        const Cx s02 = (x[0] + x[2]) * scale, d02 = (x[0] - x[2]) * scale;
        const Cx s13 = (x[1] + x[3]) * scale, d13 = (x[1] - x[3]) * scale;
        out[0] = s02 + s13;
        out[1] = d02 + rot * d13;
        out[2] = s02 - s13;
        out[3] = d02 - rot * d13;
    } else {
        static_assert(N == 8);
        const auto even = dft<4>({x[0], x[2], x[4], x[6]}, sign, scale);
        const auto odd = dft<4>({x[1], x[3], x[5], x[7]}, sign, scale);
        const std::array<Cx, 4> w = {Cx(1.0, 0.0), Cx(halfRoot2, sign * halfRoot2), Cx(0.0, sign),
                                     Cx(-halfRoot2, sign * halfRoot2)};
        for (std::size_t k = 0; k < 4; ++k) {
            const Cx t = k == 0 ? odd[0] : odd[k] * w[k];
            out[k] = even[k] + t;
            out[k + 4] = even[k] - t;
        }
    }
    return out;
}

template <std::size_t N>
void complexKernel(const Ipp64fc* source, Ipp64fc* destination, double sign, double scale) {
    std::array<Cx, N> x;
    for (std::size_t k = 0; k < N; ++k)
        x[k] = Cx(source[k].re, source[k].im);
    const auto y = dft<N>(x, sign, scale);
    for (std::size_t k = 0; k < N; ++k)
        destination[k] = {y[k].real(), y[k].imag()};
}

void complexDirect(int order, const Ipp64fc* source, Ipp64fc* destination, double sign, double scale) {
    switch (order) {
    case 0: return complexKernel<1>(source, destination, sign, scale);
    case 1: return complexKernel<2>(source, destination, sign, scale);
    case 2: return complexKernel<4>(source, destination, sign, scale);
    default: return complexKernel<8>(source, destination, sign, scale);
    }
}

void realForward8(const Ipp64f* source, Ipp64f* destination, double scale) {
    std::array<Cx, 8> x;
    for (std::size_t k = 0; k < 8; ++k)
        x[k] = Cx(source[k], 0.0);
    const auto y = dft<8>(x, -1.0, scale);
    destination[0] = y[0].real();
    destination[1] = y[4].real();
    for (std::size_t k = 1; k < 4; ++k) {
        destination[2 * k] = y[k].real();
        destination[2 * k + 1] = y[k].imag();
    }
}

void realInverse8(const Ipp64f* source, Ipp64f* destination, double scale) {
    std::array<Cx, 8> x;
    x[0] = Cx(source[0], 0.0);
    x[4] = Cx(source[1], 0.0);
    for (std::size_t k = 1; k < 4; ++k) {
        x[k] = Cx(source[2 * k], source[2 * k + 1]);
        x[8 - k] = std::conj(x[k]);
    }
    const auto y = dft<8>(x, 1.0, scale);
    for (std::size_t k = 0; k < 8; ++k)
        destination[k] = y[k].real();
}

}  // namespace

void directComplexForward(int order, const Ipp64fc* source, Ipp64fc* destination, const Ipp64f* scale) {
    complexDirect(order, source, destination, -1.0, scale ? *scale : 1.0);
}

void directComplexInverse(int order, const Ipp64fc* source, Ipp64fc* destination, const Ipp64f* scale) {
    complexDirect(order, source, destination, 1.0, scale ? *scale : 1.0);
}

void directRealForward(int order, const Ipp64f* source, Ipp64f* destination, const Ipp64f* scale) {
    const double s = scale ? *scale : 1.0;
    switch (order) {
    case 0:
        destination[0] = source[0] * s;
        return;
    case 1: {
        const double x0 = source[0], x1 = source[1];
        destination[0] = (x0 + x1) * s;
        destination[1] = (x0 - x1) * s;
        return;
    }
    case 2: {
        const double s02 = (source[0] + source[2]) * s, d02 = (source[0] - source[2]) * s;
        const double s13 = (source[1] + source[3]) * s, d31 = (source[3] - source[1]) * s;
        destination[0] = s02 + s13;
        destination[1] = s02 - s13;
        destination[2] = d02;
        destination[3] = d31;
        return;
    }
    default:
        realForward8(source, destination, s);
    }
}

void directRealInverse(int order, const Ipp64f* source, Ipp64f* destination, const Ipp64f* scale) {
    const double s = scale ? *scale : 1.0;
    switch (order) {
    case 0:
        destination[0] = source[0] * s;
        return;
    case 1: {
        const double p0 = source[0], p1 = source[1];
        destination[0] = (p0 + p1) * s;
        destination[1] = (p0 - p1) * s;
        return;
    }
    case 2: {
        const double sum = (source[0] + source[1]) * s, diff = (source[0] - source[1]) * s;
        const double re2 = 2.0 * source[2] * s, im2 = 2.0 * source[3] * s;
        destination[0] = sum + re2;
        destination[1] = diff - im2;
        destination[2] = sum - re2;
        destination[3] = diff + im2;
        return;
    }
    default:
        realInverse8(source, destination, s);
    }
}

}  // namespace dsp::fft
