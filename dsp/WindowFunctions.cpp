#include "dsp/WindowFunctions.h"

#include "dsp/WindowWeights.h"

#include <initializer_list>

namespace dsp::native {
namespace {

using window::WindowKind;
using window::WindowShape;

double weighted(double x, long double w)
{
    return static_cast<double>(x * w);
}

IppStatus windowReal(const WindowShape& shape, const Ipp64f* src, Ipp64f* dst, int len)
{
    if (const IppStatus status = window::checkWindow(shape, src != nullptr && dst != nullptr, len);
        status != ippStsNoErr) {
        return status;
    }
    const int last = len - 1;
    window::forEachWindowPair(
        shape, len,
        [&](int k, long double w) {
            dst[k] = weighted(src[k], w);
            dst[last - k] = weighted(src[last - k], w);
        },
        [&](int k) {
            dst[k] = 0.0;
            dst[last - k] = 0.0;
        });
    if (src != dst && len % 2 == 1) {
        dst[len / 2] = src[len / 2]; // weight 1: never visited
    }
    return ippStsNoErr;
}

IppStatus windowComplex(const WindowShape& shape, Ipp64fc* srcDst, int len)
{
    if (const IppStatus status = window::checkWindow(shape, srcDst != nullptr, len); status != ippStsNoErr) {
        return status;
    }
    const int last = len - 1;
    window::forEachWindowPair(
        shape, len,
        [&](int k, long double w) {
            for (Ipp64fc* element : {srcDst + k, srcDst + last - k}) {
                element->re = weighted(element->re, w);
                element->im = weighted(element->im, w);
            }
        },
        [&](int k) {
            srcDst[k] = Ipp64fc{0.0, 0.0};
            srcDst[last - k] = Ipp64fc{0.0, 0.0};
        });
    return ippStsNoErr;
}

constexpr WindowShape bartlett{WindowKind::bartlett};
constexpr WindowShape hamming{WindowKind::hamming};
constexpr WindowShape hann{WindowKind::hann};
constexpr WindowShape blackman(double alpha) { return {WindowKind::blackman, alpha}; }
constexpr WindowShape kaiser(float alpha) { return {WindowKind::kaiser, alpha}; }

} // namespace

IppStatus ippsWinBartlett_64f_I(Ipp64f* p, int len) { return windowReal(bartlett, p, p, len); }
IppStatus ippsWinBartlett_64f(const Ipp64f* s, Ipp64f* d, int len) { return windowReal(bartlett, s, d, len); }
IppStatus ippsWinBlackman_64f_I(Ipp64f* p, int len, Ipp64f a) { return windowReal(blackman(a), p, p, len); }
IppStatus ippsWinBlackman_64f(const Ipp64f* s, Ipp64f* d, int len, Ipp64f a) { return windowReal(blackman(a), s, d, len); }
IppStatus ippsWinHamming_64f_I(Ipp64f* p, int len) { return windowReal(hamming, p, p, len); }
IppStatus ippsWinHamming_64f(const Ipp64f* s, Ipp64f* d, int len) { return windowReal(hamming, s, d, len); }
IppStatus ippsWinHann_64f_I(Ipp64f* p, int len) { return windowReal(hann, p, p, len); }
IppStatus ippsWinHann_64f(const Ipp64f* s, Ipp64f* d, int len) { return windowReal(hann, s, d, len); }
IppStatus ippsWinKaiser_64f_I(Ipp64f* p, int len, Ipp32f a) { return windowReal(kaiser(a), p, p, len); }
IppStatus ippsWinKaiser_64f(const Ipp64f* s, Ipp64f* d, int len, Ipp32f a) { return windowReal(kaiser(a), s, d, len); }

IppStatus ippsWinBartlett_64fc_I(Ipp64fc* p, int len) { return windowComplex(bartlett, p, len); }
IppStatus ippsWinBlackman_64fc_I(Ipp64fc* p, int len, Ipp64f a) { return windowComplex(blackman(a), p, len); }
IppStatus ippsWinHamming_64fc_I(Ipp64fc* p, int len) { return windowComplex(hamming, p, len); }
IppStatus ippsWinHann_64fc_I(Ipp64fc* p, int len) { return windowComplex(hann, p, len); }
IppStatus ippsWinKaiser_64fc_I(Ipp64fc* p, int len, Ipp32f a) { return windowComplex(kaiser(a), p, len); }

} // namespace dsp::native
