#include "dsp/FftReal.h"

#include <cstring>

#include "dsp/FftCore.h"
#include "dsp/FftDirect.h"

namespace dsp::fft {

namespace {

enum class HalfSpectrum { perm, pack, ccs };

// Turns the N/2-point transform Z of z[m] = x[2m] + i x[2m+1], held in place,
// into the Perm layout of X. Every layout is derived from this one routine, so
// that X[N/4], which the split leaves conjugated, is put right for all of them.
void packHalfSpectrum(Ipp64f* d, std::size_t n, const Ipp64fc* tableA) {
    const double z0re = d[0], z0im = d[1];
    d[0] = z0re + z0im;
    d[1] = z0re - z0im;
    auto* z = reinterpret_cast<Ipp64fc*>(d);
    const std::size_t half = n / 2;
    for (std::size_t k = 1; k < n / 4; ++k) {
        const std::size_t j = half - k;
        const Ipp64fc a = z[k], b = z[j];
        const double c = tableA[k].re, s = tableA[k].im;
        const double reDiff = a.re - b.re, imSum = a.im + b.im;
        const double p = s * reDiff + c * imSum;
        const double q = s * imSum - c * reDiff;
        z[k] = {b.re + p, q - b.im};
        z[j] = {a.re - p, q - a.im};
    }
    z[n / 4].im = -z[n / 4].im;
}

// Inverse of packHalfSpectrum: X[k] for 1 <= k < N/2 at pairs[k], X[0] and
// X[N/2] given apart, into twice the N/2-point spectrum Z in `out`. `pairs` and
// `out` may be the same array.
void unpackHalfSpectrum(const Ipp64fc* pairs, double x0, double xHalf, Ipp64fc* out, std::size_t n,
                        const Ipp64fc* tableB) {
    const std::size_t half = n / 2;
    for (std::size_t k = 1; k < n / 4; ++k) {
        const std::size_t j = half - k;
        const Ipp64fc a = pairs[k], b = pairs[j];
        const double c = tableB[k].re, s = tableB[k].im;
        const double reDiff = a.re - b.re, imSum = a.im + b.im;
        const double p = s * reDiff - c * imSum;
        const double q = c * reDiff + s * imSum;
        const double reSum = a.re + b.re, imDiff = a.im - b.im;
        out[k] = {reSum + p, imDiff + q};
        out[j] = {reSum - p, q - imDiff};
    }
    const Ipp64fc mid = pairs[n / 4];
    out[n / 4] = {2.0 * mid.re, -2.0 * mid.im};
    out[0] = {x0 + xHalf, x0 - xHalf};
}

IppStatus checkRealCall(const void* src, const void* dst, const FFTSpec_R_64f* spec) {
    if (spec == nullptr)
        return ippStsNullPtrErr;
    if (spec->kindTag != realSpecTag)
        return ippStsContextMatchErr;
    if (src == nullptr || dst == nullptr)
        return ippStsNullPtrErr;
    return ippStsNoErr;
}

// Forward transform into Perm order in the first N values of dst.
IppStatus forwardToPerm(const Ipp64f* src, Ipp64f* dst, const FFTSpec_R_64f& spec, Ipp8u* buffer) {
    const int order = spec.order;
    if (order <= largestDirectOrder) {
        directRealForward(order, src, dst, spec.forwardScaled ? &spec.scale : nullptr);
        return ippStsNoErr;
    }
    WorkBuffer work;
    if (!work.acquire(spec, buffer))
        return ippStsMemAllocErr;
    transformFrom(spec, reinterpret_cast<const Ipp64fc*>(src), reinterpret_cast<Ipp64fc*>(dst), order - 1, false,
                  work.get());
    packHalfSpectrum(dst, std::size_t{1} << order, spec.realTableA);
    return ippStsNoErr;
}

// Inverse transform of a half spectrum whose X[k], 1 <= k < N/2, lie as pairs
// at src[2k], src[2k+1]; X[0] and X[N/2] are given apart. src may equal dst.
IppStatus inverseFromPairs(const Ipp64f* src, double x0, double xHalf, Ipp64f* dst, const FFTSpec_R_64f& spec,
                           Ipp8u* buffer) {
    const int order = spec.order;
    const std::size_t n = std::size_t{1} << order;
    const Ipp64f* scale = spec.inverseScaled ? &spec.scale : nullptr;
    if (order <= largestDirectOrder) {
        if (src != dst)
            std::memmove(dst + 2, src + 2, (n > 2 ? n - 2 : 0) * sizeof(Ipp64f));
        dst[0] = x0;
        if (n > 1)
            dst[1] = xHalf;
        directRealInverse(order, dst, dst, scale);
        return ippStsNoErr;
    }
    WorkBuffer work;
    if (!work.acquire(spec, buffer))
        return ippStsMemAllocErr;
    auto* z = reinterpret_cast<Ipp64fc*>(dst);
    unpackHalfSpectrum(reinterpret_cast<const Ipp64fc*>(src), x0, xHalf, z, n, spec.realTableB);
    BitReverseInPlace(z, n / 2, spec.bitReverse);
    transformBitReversed(spec, z, order - 1, true, work.get());
    return ippStsNoErr;
}

IppStatus forward(const Ipp64f* src, Ipp64f* dst, const FFTSpec_R_64f* spec, Ipp8u* buffer, HalfSpectrum layout) {
    if (const IppStatus status = checkRealCall(src, dst, spec); status != ippStsNoErr)
        return status;
    if (const IppStatus status = forwardToPerm(src, dst, *spec, buffer); status != ippStsNoErr)
        return status;
    const std::size_t n = std::size_t{1} << spec->order;
    switch (layout) {
    case HalfSpectrum::perm:
        break;
    case HalfSpectrum::pack:
        if (n > 2) {
            const double xHalf = dst[1];
            std::memmove(dst + 1, dst + 2, (n - 2) * sizeof(Ipp64f));
            dst[n - 1] = xHalf;
        }
        break;
    case HalfSpectrum::ccs:
        if (n > 1)
            dst[n] = dst[1];
        dst[1] = 0.0;
        if (n > 1)
            dst[n + 1] = 0.0;
        break;
    }
    return ippStsNoErr;
}

IppStatus inverse(const Ipp64f* src, Ipp64f* dst, const FFTSpec_R_64f* spec, Ipp8u* buffer, HalfSpectrum layout) {
    if (const IppStatus status = checkRealCall(src, dst, spec); status != ippStsNoErr)
        return status;
    const std::size_t n = std::size_t{1} << spec->order;
    switch (layout) {
    case HalfSpectrum::perm:
        return inverseFromPairs(src, src[0], n > 1 ? src[1] : 0.0, dst, *spec, buffer);
    case HalfSpectrum::ccs:
        return inverseFromPairs(src, src[0], n > 1 ? src[n] : 0.0, dst, *spec, buffer);
    case HalfSpectrum::pack:
        break;
    }
    // Pack to Perm in the destination, top down so that src may equal dst.
    if (n > 1) {
        const double xHalf = src[n - 1];
        for (std::size_t i = n - 2; i >= 1; --i)
            dst[i + 1] = src[i];
        dst[1] = xHalf;
    }
    dst[0] = src[0];
    return inverseFromPairs(dst, dst[0], n > 1 ? dst[1] : 0.0, dst, *spec, buffer);
}

}  // namespace

}  // namespace dsp::fft

namespace dsp::native {

using namespace dsp::fft;

IppStatus ippsFFTFwd_RToCCS_64f(const Ipp64f* src, Ipp64f* dst, const FFTSpec_R_64f* spec, Ipp8u* buffer) {
    return forward(src, dst, spec, buffer, HalfSpectrum::ccs);
}

IppStatus ippsFFTInv_CCSToR_64f(const Ipp64f* src, Ipp64f* dst, const FFTSpec_R_64f* spec, Ipp8u* buffer) {
    return inverse(src, dst, spec, buffer, HalfSpectrum::ccs);
}

IppStatus FFTFwd_RToPerm_64f(const Ipp64f* src, Ipp64f* dst, const FFTSpec_R_64f* spec, Ipp8u* buffer) {
    return forward(src, dst, spec, buffer, HalfSpectrum::perm);
}

IppStatus FFTInv_PermToR_64f(const Ipp64f* src, Ipp64f* dst, const FFTSpec_R_64f* spec, Ipp8u* buffer) {
    return inverse(src, dst, spec, buffer, HalfSpectrum::perm);
}

IppStatus FFTFwd_RToPack_64f(const Ipp64f* src, Ipp64f* dst, const FFTSpec_R_64f* spec, Ipp8u* buffer) {
    return forward(src, dst, spec, buffer, HalfSpectrum::pack);
}

IppStatus FFTInv_PackToR_64f(const Ipp64f* src, Ipp64f* dst, const FFTSpec_R_64f* spec, Ipp8u* buffer) {
    return inverse(src, dst, spec, buffer, HalfSpectrum::pack);
}

IppStatus MulPerm_64f_I(const Ipp64f* src, Ipp64f* srcDst, int length) {
    if (src == nullptr || srcDst == nullptr)
        return ippStsNullPtrErr;
    if (length < 1)
        return ippStsSizeErr;
    using ld = long double;
    srcDst[0] = static_cast<double>(static_cast<ld>(srcDst[0]) * src[0]);
    int first = 1;
    if (length % 2 == 0) {
        srcDst[1] = static_cast<double>(static_cast<ld>(srcDst[1]) * src[1]);
        first = 2;
    }
    for (int i = first; i + 1 < length; i += 2) {
        const ld sr = src[i], si = src[i + 1], dr = srcDst[i], di = srcDst[i + 1];
        srcDst[i] = static_cast<double>(sr * dr - si * di);
        srcDst[i + 1] = static_cast<double>(si * dr + sr * di);
    }
    return ippStsNoErr;
}

IppStatus MulPackConj_64f_I(const Ipp64f* src, Ipp64f* srcDst, int length) {
    if (src == nullptr || srcDst == nullptr)
        return ippStsNullPtrErr;
    if (length < 1)
        return ippStsSizeErr;
    using ld = long double;
    srcDst[0] = static_cast<double>(static_cast<ld>(srcDst[0]) * src[0]);
    if (length % 2 == 0 && length > 1)
        srcDst[length - 1] = static_cast<double>(static_cast<ld>(srcDst[length - 1]) * src[length - 1]);
    const int pairs = length % 2 == 0 ? (length - 2) / 2 : (length - 1) / 2;
    for (int p = 0; p < pairs; ++p) {
        const int i = 1 + 2 * p;
        const ld sr = src[i], si = src[i + 1], dr = srcDst[i], di = srcDst[i + 1];
        srcDst[i] = static_cast<double>(sr * dr + si * di);
        srcDst[i + 1] = static_cast<double>(si * dr - sr * di);
    }
    return ippStsNoErr;
}

IppStatus FFTGetBufSize_R_64f(const FFTSpec_R_64f* spec, int* size) {
    if (spec == nullptr || size == nullptr)
        return ippStsNullPtrErr;
    if (spec->kindTag != realSpecTag)
        return ippStsContextMatchErr;
    *size = spec->workSize < 1 ? 0 : spec->workSize + 16;
    return ippStsNoErr;
}

}  // namespace dsp::native
