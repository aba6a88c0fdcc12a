#include "dsp/FftAvx2Kernels.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZQ_FFT_AVX2 1
#endif

namespace dsp::fft::avx2 {

namespace {
std::atomic<bool> allowed{true};
}

void allow(bool on) noexcept { allowed.store(on, std::memory_order_relaxed); }

#ifdef ZQ_FFT_AVX2

#define ZQ_AVX2 __attribute__((target("avx2,fma")))

namespace {

ZQ_AVX2 inline __m256d load2(const Ipp64fc* p) { return _mm256_loadu_pd(&p->re); }
ZQ_AVX2 inline void store2(Ipp64fc* p, __m256d v) { _mm256_storeu_pd(&p->re, v); }
ZQ_AVX2 inline __m256d pair(const Ipp64fc* lo, const Ipp64fc* hi) {
    return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(&lo->re)), _mm_loadu_pd(&hi->re), 1);
}

template <bool Inverse>
ZQ_AVX2 inline __m256d twiddle(__m256d a, __m256d w) {
    const __m256d re = _mm256_movedup_pd(w);
    const __m256d im = _mm256_permute_pd(w, 0xF);
    const __m256d crossed = _mm256_mul_pd(_mm256_permute_pd(a, 0x5), im);
    if constexpr (Inverse)
        return _mm256_fmsubadd_pd(a, re, crossed);
    else
        return _mm256_fmaddsub_pd(a, re, crossed);
}

// -i times a on the forward path, +i times a on the inverse path.
template <bool Inverse>
ZQ_AVX2 inline __m256d rotate(__m256d a) {
    const __m256d sign = Inverse ? _mm256_setr_pd(-0.0, 0.0, -0.0, 0.0) : _mm256_setr_pd(0.0, -0.0, 0.0, -0.0);
    return _mm256_xor_pd(_mm256_permute_pd(a, 0x5), sign);
}
template <bool Inverse>
ZQ_AVX2 inline __m128d rotate(__m128d a) {
    const __m128d sign = Inverse ? _mm_setr_pd(-0.0, 0.0) : _mm_setr_pd(0.0, -0.0);
    return _mm_xor_pd(_mm_permute_pd(a, 0x1), sign);
}
template <bool Inverse>
ZQ_AVX2 inline __m128d twiddle(__m128d a, __m128d w) {
    const __m128d re = _mm_movedup_pd(w);
    const __m128d im = _mm_permute_pd(w, 0x3);
    const __m128d crossed = _mm_mul_pd(_mm_permute_pd(a, 0x1), im);
    if constexpr (Inverse)
        return _mm_fmsubadd_pd(a, re, crossed);
    else
        return _mm_fmaddsub_pd(a, re, crossed);
}

ZQ_AVX2 inline __m128d load1(const Ipp64fc* p) { return _mm_loadu_pd(&p->re); }
ZQ_AVX2 inline void store1(Ipp64fc* p, __m128d v) { _mm_storeu_pd(&p->re, v); }

template <bool Inverse>
ZQ_AVX2 void firstStages(Ipp64fc* x, std::size_t n, const Ipp64fc* table) {
    for (std::size_t g = 0; g < n; g += 4) {
        const __m128d a = load1(x + g), b = load1(x + g + 1), c = load1(x + g + 2), d = load1(x + g + 3);
        const __m128d apb = _mm_add_pd(a, b), amb = _mm_sub_pd(a, b), cpd = _mm_add_pd(c, d);
        const __m128d rcmd = rotate<Inverse>(_mm_sub_pd(c, d));
        store1(x + g, _mm_add_pd(apb, cpd));
        store1(x + g + 1, _mm_add_pd(amb, rcmd));
        store1(x + g + 2, _mm_sub_pd(apb, cpd));
        store1(x + g + 3, _mm_sub_pd(amb, rcmd));
    }
    if (__builtin_ctzll(n) % 2 == 0)
        return;
    const double c = table[3 * (n / 8)].re;
    const __m128d w1 = _mm_setr_pd(c, -c);
    const __m128d w3 = _mm_setr_pd(-c, -c);
    for (std::size_t g = 0; g < n; g += 8) {
        Ipp64fc* p = x + g;
        const __m128d v0 = load1(p + 4);
        const __m128d v1 = twiddle<Inverse>(load1(p + 5), w1);
        const __m128d v2 = rotate<Inverse>(load1(p + 6));
        const __m128d v3 = twiddle<Inverse>(load1(p + 7), w3);
        const __m128d u0 = load1(p), u1 = load1(p + 1), u2 = load1(p + 2), u3 = load1(p + 3);
        store1(p, _mm_add_pd(u0, v0));
        store1(p + 4, _mm_sub_pd(u0, v0));
        store1(p + 1, _mm_add_pd(u1, v1));
        store1(p + 5, _mm_sub_pd(u1, v1));
        store1(p + 2, _mm_add_pd(u2, v2));
        store1(p + 6, _mm_sub_pd(u2, v2));
        store1(p + 3, _mm_add_pd(u3, v3));
        store1(p + 7, _mm_sub_pd(u3, v3));
    }
}

template <bool Inverse>
ZQ_AVX2 void radix4PassImpl(Ipp64fc* x, std::size_t n, const Ipp64fc* table) {
    firstStages<Inverse>(x, n, table);
    std::size_t span = __builtin_ctzll(n) % 2 == 0 ? 4 : 8;
    for (; 4 * span <= n; span *= 4) {
        const std::size_t group = 4 * span;
        const std::size_t stride = n / group;
        for (std::size_t j = 0; j < span; j += 2) {
            const Ipp64fc* w0 = table + 3 * (j * stride);
            const Ipp64fc* w1 = table + 3 * ((j + 1) * stride);
            const __m256d t1 = pair(w0, w1), t2 = pair(w0 + 1, w1 + 1), t3 = pair(w0 + 2, w1 + 2);
            for (std::size_t g = j; g < n; g += group) {
                Ipp64fc* p = x + g;
                const __m256d a = load2(p);
                const __m256d b = twiddle<Inverse>(load2(p + span), t2);
                const __m256d c = twiddle<Inverse>(load2(p + 2 * span), t1);
                const __m256d d = twiddle<Inverse>(load2(p + 3 * span), t3);
                const __m256d apb = _mm256_add_pd(a, b), amb = _mm256_sub_pd(a, b), cpd = _mm256_add_pd(c, d);
                const __m256d rcmd = rotate<Inverse>(_mm256_sub_pd(c, d));
                store2(p, _mm256_add_pd(apb, cpd));
                store2(p + 2 * span, _mm256_sub_pd(apb, cpd));
                store2(p + span, _mm256_add_pd(amb, rcmd));
                store2(p + 3 * span, _mm256_sub_pd(amb, rcmd));
            }
        }
    }
}

template <bool Inverse, bool Turned>
ZQ_AVX2 inline void radix2Strip(Ipp64fc* lo, Ipp64fc* hi, const Ipp64fc* w, std::size_t stride) {
    for (std::size_t k = 0; k < radix2StripPoints; k += 2, w += 2 * stride) {
        __m256d t = twiddle<Inverse>(load2(hi + k), pair(w, w + stride));
        if constexpr (Turned)
            t = rotate<Inverse>(t);
        const __m256d u = load2(lo + k);
        store2(lo + k, _mm256_add_pd(u, t));
        store2(hi + k, _mm256_sub_pd(u, t));
    }
}

// Both stages of a four-block medium order on one strip, each value loaded and
// stored once: places k, k + h, k + 2h and k + 3h (h the first half-size)
// pass the first stage as two pairs and the second as two pairs, with the
// very operations of the stage-by-stage order.
template <bool Inverse, bool Turned>
ZQ_AVX2 inline void radix2TwoStageStrip(Ipp64fc* x, std::size_t h, std::size_t first, const Ipp64fc* quarter) {
    const Ipp64fc* w1 = quarter + 2 * (Turned ? first - h / 2 : first);
    const Ipp64fc* w2 = quarter + first;
    for (std::size_t k = first; k < first + radix2StripPoints; k += 2, w1 += 4, w2 += 2) {
        const __m256d firstTwiddle = pair(w1, w1 + 2);
        __m256d t1 = twiddle<Inverse>(load2(x + k + h), firstTwiddle);
        __m256d t3 = twiddle<Inverse>(load2(x + k + 3 * h), firstTwiddle);
        if constexpr (Turned) {
            t1 = rotate<Inverse>(t1);
            t3 = rotate<Inverse>(t3);
        }
        const __m256d a0 = load2(x + k), a2 = load2(x + k + 2 * h);
        const __m256d b0 = _mm256_add_pd(a0, t1), b1 = _mm256_sub_pd(a0, t1);
        const __m256d b2 = _mm256_add_pd(a2, t3), b3 = _mm256_sub_pd(a2, t3);
        const __m256d secondTwiddle = load2(w2);
        const __m256d u = twiddle<Inverse>(b2, secondTwiddle);
        const __m256d v = rotate<Inverse>(twiddle<Inverse>(b3, secondTwiddle));
        store2(x + k, _mm256_add_pd(b0, u));
        store2(x + k + 2 * h, _mm256_sub_pd(b0, u));
        store2(x + k + h, _mm256_add_pd(b1, v));
        store2(x + k + 3 * h, _mm256_sub_pd(b1, v));
    }
}

// Same strip order as the portable stages.
template <bool Inverse>
ZQ_AVX2 void radix2StagesImpl(Ipp64fc* x, std::size_t n, std::size_t firstHalf, const Ipp64fc* quarter) {
    if (n == 4 * firstHalf) {
        for (std::size_t strip = 0; strip < firstHalf; strip += radix2StripPoints) {
            if (strip < firstHalf / 2)
                radix2TwoStageStrip<Inverse, false>(x, firstHalf, strip, quarter);
            else
                radix2TwoStageStrip<Inverse, true>(x, firstHalf, strip, quarter);
        }
        return;
    }
    for (std::size_t strip = 0; strip < firstHalf; strip += radix2StripPoints) {
        for (std::size_t half = firstHalf; half < n; half *= 2) {
            const std::size_t stride = n / (2 * half);
            const std::size_t quarterTurn = half / 2;
            for (std::size_t base = 0; base < n; base += 2 * half) {
                Ipp64fc* lo = x + base;
                Ipp64fc* hi = lo + half;
                for (std::size_t first = strip; first < half; first += firstHalf) {
                    if (first < quarterTurn)
                        radix2Strip<Inverse, false>(lo + first, hi + first, quarter + first * stride, stride);
                    else
                        radix2Strip<Inverse, true>(lo + first, hi + first, quarter + (first - quarterTurn) * stride,
                                                   stride);
                }
            }
        }
    }
}

template <bool Inverse>
ZQ_AVX2 void gatherColumnsImpl(const Ipp64fc* x, std::size_t columns, std::size_t rows, const Ipp64fc* twiddles,
                               Ipp64fc* const* vectors, std::size_t groups, std::size_t ahead) {
    // Rows are gathered last to first and scattered first to last: each walk
    // starts where the previous one ended, on the lines most likely still cached.
    for (std::size_t b = rows; b-- > 0;) {
        const Ipp64fc* in = x + b * columns;
        if (b >= ahead && ahead > 0)
            for (std::size_t k = 0; k < groups; ++k)
                _mm_prefetch(reinterpret_cast<const char*>(in - ahead * columns + 4 * k), _MM_HINT_T0);
        for (std::size_t k = 0; k < groups; ++k, in += 4) {
            const Ipp64fc* w = twiddles + 4 * (k * rows + b);
            Ipp64fc* const* out = vectors + 4 * k;
            const __m256d v01 = twiddle<Inverse>(load2(in), load2(w));
            const __m256d v23 = twiddle<Inverse>(load2(in + 2), load2(w + 2));
            store1(out[0] + b, _mm256_castpd256_pd128(v01));
            store1(out[1] + b, _mm256_extractf128_pd(v01, 1));
            store1(out[2] + b, _mm256_castpd256_pd128(v23));
            store1(out[3] + b, _mm256_extractf128_pd(v23, 1));
        }
    }
}

ZQ_AVX2 void scatterColumnsImpl(Ipp64fc* x, std::size_t columns, std::size_t rows, const Ipp64fc* const* vectors,
                                std::size_t groups) {
    for (std::size_t b = 0; b < rows; ++b) {
        Ipp64fc* out = x + b * columns;
        for (std::size_t k = 0; k < groups; ++k, out += 4) {
            const Ipp64fc* const* in = vectors + 4 * k;
            store2(out, pair(in[0] + b, in[1] + b));
            store2(out + 2, pair(in[2] + b, in[3] + b));
        }
    }
}

template <std::size_t Count>
ZQ_AVX2 void gatherReversedRowsImpl(const Ipp64fc* source, std::size_t rows, Ipp64fc* const* out,
                                    std::size_t columns) {
    // Place 2i takes column r(i) of the source and place 2i + 1 the column
    // half the columns further on, so one reversed counter serves both.
    const std::size_t half = columns / 2;
    std::size_t m = 0;
    for (std::size_t place = 0; place < columns; place += 2) {
        const Ipp64fc* even = source + m * rows;
        const Ipp64fc* odd = source + (m + half) * rows;
        for (std::size_t t = 0; t < Count; t += 2) {
            const __m256d a = load2(even + t), b = load2(odd + t);
            store2(out[t] + place, _mm256_permute2f128_pd(a, b, 0x20));
            store2(out[t + 1] + place, _mm256_permute2f128_pd(a, b, 0x31));
        }
        std::size_t h = half / 2;
        while (m & h) {
            m ^= h;
            h >>= 1;
        }
        m |= h;
    }
}

}  // namespace

template <std::size_t Count>
void gatherReversedRows(const Ipp64fc* source, std::size_t rows, Ipp64fc* const* out, std::size_t columns) {
    gatherReversedRowsImpl<Count>(source, rows, out, columns);
}

// Entry points compiled for the baseline processor; they only call across.
bool available() noexcept {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has && allowed.load(std::memory_order_relaxed);
}
template <bool Inverse>
void radix4Pass(Ipp64fc* x, std::size_t n, const Ipp64fc* table) {
    radix4PassImpl<Inverse>(x, n, table);
}
template <bool Inverse>
void radix2Stages(Ipp64fc* x, std::size_t n, std::size_t firstHalf, const Ipp64fc* quarter) {
    radix2StagesImpl<Inverse>(x, n, firstHalf, quarter);
}
template <bool Inverse>
void gatherColumns(const Ipp64fc* x, std::size_t columns, std::size_t rows, const Ipp64fc* twiddles,
                   Ipp64fc* const* vectors, std::size_t groups, std::size_t ahead) {
    gatherColumnsImpl<Inverse>(x, columns, rows, twiddles, vectors, groups, ahead);
}
void scatterColumns(Ipp64fc* x, std::size_t columns, std::size_t rows, const Ipp64fc* const* vectors,
                    std::size_t groups) {
    scatterColumnsImpl(x, columns, rows, vectors, groups);
}

#else

bool available() noexcept { return false; }
template <bool Inverse>
void radix4Pass(Ipp64fc*, std::size_t, const Ipp64fc*) {}
template <bool Inverse>
void radix2Stages(Ipp64fc*, std::size_t, std::size_t, const Ipp64fc*) {}
template <bool Inverse>
void gatherColumns(const Ipp64fc*, std::size_t, std::size_t, const Ipp64fc*, Ipp64fc* const*, std::size_t,
                   std::size_t) {}
void scatterColumns(Ipp64fc*, std::size_t, std::size_t, const Ipp64fc* const*, std::size_t) {}
template <std::size_t Count>
void gatherReversedRows(const Ipp64fc*, std::size_t, Ipp64fc* const*, std::size_t) {}

#endif

template void radix4Pass<false>(Ipp64fc*, std::size_t, const Ipp64fc*);
template void radix4Pass<true>(Ipp64fc*, std::size_t, const Ipp64fc*);
template void radix2Stages<false>(Ipp64fc*, std::size_t, std::size_t, const Ipp64fc*);
template void radix2Stages<true>(Ipp64fc*, std::size_t, std::size_t, const Ipp64fc*);
template void gatherColumns<false>(const Ipp64fc*, std::size_t, std::size_t, const Ipp64fc*, Ipp64fc* const*,
                                   std::size_t, std::size_t);
template void gatherColumns<true>(const Ipp64fc*, std::size_t, std::size_t, const Ipp64fc*, Ipp64fc* const*,
                                  std::size_t, std::size_t);

template void gatherReversedRows<8>(const Ipp64fc*, std::size_t, Ipp64fc* const*, std::size_t);
template void gatherReversedRows<16>(const Ipp64fc*, std::size_t, Ipp64fc* const*, std::size_t);

}  // namespace dsp::fft::avx2
