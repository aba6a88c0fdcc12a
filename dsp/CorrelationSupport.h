#pragma once
// Pieces shared by the correlation, convolution and FIR routines: owned work
// blocks and FFT records, power-of-two sizing worked in 64 bits, and the direct
// lag sums. Every size is computed in 64 bits so that no 32-bit length or lag
// can wrap into a short block or an index out of range.
#include "dsp/FftAlloc.h"
#include "dsp/FftSpec.h"
#include "dsp/IppTypes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace dsp::detail {

struct WorkBlockFree {
    void operator()(void* block) const noexcept { fft::fftFree(block); }
};

// A 32-byte aligned block of the FFT allocator, released with its owner.
template <typename T>
using WorkBlock = std::unique_ptr<T[], WorkBlockFree>;

// `count` elements of T; null when count is 0, the byte size does not fit or
// memory is short.
template <typename T>
WorkBlock<T> allocateWork(std::int64_t count) noexcept
{
    std::size_t bytes = 0;
    if (count < 1 || !fft::checkedMul(static_cast<std::size_t>(count), sizeof(T), bytes))
        return WorkBlock<T>();
    return WorkBlock<T>(static_cast<T*>(fft::fftAlloc(bytes)));
}

// The smallest order, at least minOrder, whose power of two reaches length.
constexpr int orderAtLeast(std::int64_t length, int minOrder) noexcept
{
    int order = minOrder;
    while (order < 62 && (std::int64_t{1} << order) < length)
        ++order;
    return order;
}

struct SpecFree {
    void operator()(FFTSpec_R_64f* spec) const noexcept;
    void operator()(FFTSpec_C_64fc* spec) const noexcept;
};

// A record of one order that divides the inverse by N, with the work buffer it
// asks for, so that no transform allocates on its own.
template <typename Spec>
struct TransformRecord {
    std::unique_ptr<Spec, SpecFree> spec;
    WorkBlock<Ipp8u> work;
    std::int64_t length = 0;

    // The status of the record's making or of its size query; -9 when the
    // work buffer cannot be had. An order beyond the FFT's range gives -15.
    IppStatus make(int order) noexcept;
};

using RealTransform = TransformRecord<FFTSpec_R_64f>;
using ComplexTransform = TransformRecord<FFTSpec_C_64fc>;

// Accumulators of the direct sums: products in extended precision, one rounding
// when the result is stored.
struct RealProductSum {
    long double sum = 0.0L;
    void add(Ipp64f x, Ipp64f y) noexcept { sum += static_cast<long double>(x) * y; }
    Ipp64f result() const noexcept { return static_cast<Ipp64f>(sum); }
};

// Sums conj(x) * y.
struct ConjugateProductSum {
    long double re = 0.0L;
    long double im = 0.0L;
    void add(const Ipp64fc& x, const Ipp64fc& y) noexcept
    {
        const long double xr = x.re, xi = x.im;
        re += xr * y.re + xi * y.im;
        im += xr * y.im - xi * y.re;
    }
    Ipp64fc result() const noexcept { return {static_cast<Ipp64f>(re), static_cast<Ipp64f>(im)}; }
};

// out[n] for n below count is the sum, over every i with 0 <= i < aLen and
// 0 <= i + lag < bLen, of the products of a[i] and b[i + lag], lag = firstLag + n,
// taken in increasing i. Lanes neighbouring lags share each load of a[i] over
// the stretch where all of them overlap; their shorter ends are summed apart,
// before and after that stretch, so that each sum keeps its order.
template <int Lanes, typename Sum, typename T>
void lagSums(const T* a, std::int64_t aLen, const T* b, std::int64_t bLen, std::int64_t firstLag,
             std::int64_t count, T* out) noexcept
{
    const auto low = [](std::int64_t lag) { return std::max<std::int64_t>(0, -lag); };
    const auto high = [aLen, bLen](std::int64_t lag) { return std::min<std::int64_t>(aLen, bLen - lag); };
    const auto single = [&](std::int64_t lag) {
        Sum sum;
        for (std::int64_t i = low(lag), end = high(lag); i < end; ++i)
            sum.add(a[i], b[i + lag]);
        return sum.result();
    };
    std::int64_t n = 0;
    for (; n + Lanes <= count; n += Lanes) {
        const std::int64_t lag = firstLag + n;
        const std::int64_t sharedLow = low(lag);
        const std::int64_t sharedHigh = high(lag + Lanes - 1);
        if (sharedLow >= sharedHigh) {
            for (int d = 0; d < Lanes; ++d)
                out[n + d] = single(lag + d);
            continue;
        }
        Sum sums[Lanes];
        for (int d = 0; d < Lanes; ++d)
            for (std::int64_t i = low(lag + d); i < sharedLow; ++i)
                sums[d].add(a[i], b[i + lag + d]);
        for (std::int64_t i = sharedLow; i < sharedHigh; ++i) {
            const T x = a[i];
            for (int d = 0; d < Lanes; ++d)
                sums[d].add(x, b[i + lag + d]);
        }
        for (int d = 0; d < Lanes; ++d)
            for (std::int64_t i = sharedHigh, end = high(lag + d); i < end; ++i)
                sums[d].add(a[i], b[i + lag + d]);
        for (int d = 0; d < Lanes; ++d)
            out[n + d] = sums[d].result();
    }
    for (; n < count; ++n)
        out[n] = single(firstLag + n);
}

// The window of lags of a cross-correlation after the lags without overlap
// have been set to zero: `count` outputs from `out`, the first at `lag`.
template <typename T>
struct LagWindow {
    T* out;
    std::int64_t lag;
    std::int64_t count;
};

// Zeroes the outputs whose lags lie below -(len1 - 1) or above len2 - 1 and
// gives the window left; its count is 0 when nothing overlaps.
template <typename T>
LagWindow<T> overlappingLags(int len1, int len2, T* dst, int dstLen, int lowLag) noexcept
{
    LagWindow<T> window{dst, lowLag, dstLen};
    const std::int64_t firstLag = 1 - std::int64_t{len1};
    if (const std::int64_t before = firstLag - window.lag; before > 0) {
        const std::int64_t zeros = std::min(before, window.count);
        std::fill(window.out, window.out + zeros, T{});
        window.out += zeros;
        window.count -= zeros;
        window.lag = firstLag;
        if (window.count == 0)
            return window;
    }
    const std::int64_t overlapping = std::max<std::int64_t>(std::int64_t{len2} - window.lag, 0);
    if (window.count > overlapping) {
        std::fill(window.out + overlapping, window.out + window.count, T{});
        window.count = overlapping;
    }
    return window;
}

// Cross-correlation work estimates above this go through the transforms.
inline constexpr std::int64_t crossCorrDirectWorkLimit = 511;

// The work estimate that chooses between the direct sums and the transforms.
inline std::int64_t crossCorrWork(std::int64_t count, int len1, int len2) noexcept
{
    const long double shorter = std::min(len1, len2);
    const long double longer = std::max(len1, len2);
    return static_cast<std::int64_t>(static_cast<long double>(count) * shorter / longer);
}

// The autocorrelation's first lagCount lags through one transform of at least
// twice the signal, which keeps the circular correlation free of wrap-around.
// The work block holds Blocks transforms' worth: the zero-padded signal first,
// then scratch. `power(x, scratch, spec, work, length)` turns the signal into
// its correlation in place and gives the inverse transform's status.
template <typename Transform, int Blocks, typename T, typename Power>
IppStatus autoCorrThroughTransform(const T* src, int srcLen, T* dst, int lagCount, int minOrder,
                                   Power power) noexcept
{
    Transform transform;
    if (const IppStatus status = transform.make(orderAtLeast(2 * std::int64_t{srcLen}, minOrder)))
        return status;
    const std::int64_t m = transform.length;
    const auto block = allocateWork<T>(Blocks * m);
    if (!block)
        return ippStsMemAllocErr;
    T* x = block.get();
    std::fill(std::copy(src, src + srcLen, x), x + m, T{});
    const IppStatus status = power(x, x + m, transform.spec.get(), transform.work.get(), static_cast<int>(m));
    if (status < 0)
        return status;
    std::copy(x, x + lagCount, dst);
    return status;
}

// The window's lags through transforms of len1 + len2 - 1 points or more.
// `correlate(a, b, spec, work, length)` leaves the circular correlation of a
// with b in b and gives the inverse transform's status.
template <typename Transform, typename T, typename Correlate>
IppStatus crossCorrThroughTransform(const T* src1, int len1, const T* src2, int len2, const LagWindow<T>& window,
                                    Correlate correlate) noexcept
{
    const std::int64_t total = std::int64_t{len1} + len2 - 1;
    Transform transform;
    if (const IppStatus status = transform.make(orderAtLeast(total, 1)))
        return status;
    const std::int64_t m = transform.length;
    const auto block = allocateWork<T>(2 * m);
    if (!block)
        return ippStsMemAllocErr;
    T* a = block.get();
    T* b = a + m;
    std::fill(std::copy(src1, src1 + len1, a), a + m, T{});
    // src2 shifted by len1 - 1 puts lag -(len1 - 1) at index 0.
    std::fill(b, b + (len1 - 1), T{});
    std::fill(std::copy(src2, src2 + len2, b + (len1 - 1)), b + m, T{});
    const IppStatus status = correlate(a, b, transform.spec.get(), transform.work.get(), static_cast<int>(m));
    if (status < 0)
        return status;
    const T* first = b + (window.lag + len1 - 1);
    std::copy(first, first + window.count, window.out);
    return status;
}

// The cross-correlation routine for either element type: the argument checks,
// zeros for the lags without overlap, then the direct sums with Lanes lags at a
// time, or byTransform(src1, len1, src2, len2, window) when the work is large.
template <int Lanes, typename Sum, typename T, typename ByTransform>
IppStatus crossCorrelate(const T* src1, int len1, const T* src2, int len2, T* dst, int dstLen, int lowLag,
                         ByTransform byTransform) noexcept
{
    if (src1 == nullptr || src2 == nullptr || dst == nullptr)
        return ippStsNullPtrErr;
    if (len1 < 1 || len2 < 1 || dstLen < 1)
        return ippStsSizeErr;
    const auto window = overlappingLags(len1, len2, dst, dstLen, lowLag);
    if (window.count < 1)
        return ippStsNoErr;
    if (crossCorrWork(window.count, len1, len2) > crossCorrDirectWorkLimit)
        return byTransform(src1, len1, src2, len2, window);
    lagSums<Lanes, Sum>(src1, len1, src2, len2, window.lag, window.count, window.out);
    return ippStsNoErr;
}

} // namespace dsp::detail
