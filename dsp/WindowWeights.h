#pragma once
// The one weight generator behind the real and the complex windows. Weights come
// in pairs from both ends inward: the weight of pair k belongs to elements k and
// len-1-k; the middle element of an odd length has weight 1 and is never visited.
#include "dsp/IppTypes.h"

namespace dsp::native::window {

enum class WindowKind : unsigned char { bartlett, blackman, hamming, hann, kaiser };

struct WindowShape {
    WindowKind kind;
    double alpha = 0.0; // Blackman's alpha, or Kaiser's (a single widened exactly)
};

// Pointer, length and Kaiser-width checks in the order every window reports them.
IppStatus checkWindow(const WindowShape& shape, bool pointersPresent, int len);

// Modified Bessel function of the first kind, order 0, taken on |x|.
long double besselI0(long double x);

double cosineStep(int len);   // cos(2 pi / (len - 1))
double sineOf(double cosine);  // sqrt(1 - cosine^2)
double squareRootOf(double x);

// Calls zero(k) for a pair that is set to 0.0 outright and apply(k, w) for every
// other pair. Expects arguments that passed checkWindow.
template <class Apply, class Zero>
void forEachWindowPair(const WindowShape& shape, int len, Apply&& apply, Zero&& zero)
{
    const int pairs = len / 2;
    const long double m = len - 1;
    switch (shape.kind) {
    case WindowKind::bartlett: {
        zero(0);
        const long double step = 2.0L / m;
        for (int k = 1; k < pairs; ++k) {
            apply(k, k * step);
        }
        return;
    }
    case WindowKind::kaiser: {
        if (len == 1) {
            return;
        }
        const long double alpha = shape.alpha;
        const long double scale = 1.0L / besselI0(alpha * m / 2.0L);
        for (int k = 0; k < pairs; ++k) {
            // In floating point: k (len-1-k) overflows 32 bits for long windows.
            const double t = squareRootOf(static_cast<double>(k * (m - k)));
            apply(k, besselI0(alpha * t) * scale);
        }
        return;
    }
    case WindowKind::blackman:
        if (len == 3) {
            zero(0);
            return;
        }
        [[fallthrough]];
    case WindowKind::hamming:
    case WindowKind::hann: {
        // One library cosine per window; the rest by rotation.
        const double step = cosineStep(len);
        const long double c1 = step;
        const long double s1 = sineOf(step);
        long double cosine = 1.0L;
        long double sine = 0.0L;
        const long double alpha = shape.alpha;
        for (int k = 0; k < pairs; ++k) {
            long double w;
            if (shape.kind == WindowKind::blackman) {
                const long double cosine2 = 2.0L * cosine * cosine - 1.0L;
                w = (alpha + 1.0L) / 2.0L - 0.5L * cosine - (alpha / 2.0L) * cosine2;
            } else if (shape.kind == WindowKind::hamming) {
                w = 0.54L - 0.46L * cosine;
            } else {
                w = 0.5L - 0.5L * cosine;
            }
            apply(k, w);
            const long double nextCosine = cosine * c1 - sine * s1;
            sine = sine * c1 + cosine * s1;
            cosine = nextCosine;
        }
        return;
    }
    }
}

} // namespace dsp::native::window
