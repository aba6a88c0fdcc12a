#include "dsp/FftAvx2Kernels.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <utility>
#include <vector>

#include "dsp/FftCore.h"

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
// The block helpers must melt into their loops: called, their registers go through memory.
#define ZQ_AVX2_INLINE __attribute__((target("avx2,fma"), always_inline)) inline

namespace {

ZQ_AVX2 inline __m256d load2(const Ipp64fc* p) { return _mm256_loadu_pd(&p->re); }
ZQ_AVX2 inline void store2(Ipp64fc* p, __m256d v) { _mm256_storeu_pd(&p->re, v); }
ZQ_AVX2 inline __m256d pair(const Ipp64fc* lo, const Ipp64fc* hi) {
    return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(&lo->re)), _mm_loadu_pd(&hi->re), 1);
}

// a W for W given as its real and imaginary parts, each doubled.
template <bool Inverse>
ZQ_AVX2_INLINE __m256d twiddleSplit(__m256d a, __m256d re, __m256d im) {
    const __m256d crossed = _mm256_mul_pd(_mm256_permute_pd(a, 0x5), im);
    if constexpr (Inverse)
        return _mm256_fmsubadd_pd(a, re, crossed);
    else
        return _mm256_fmaddsub_pd(a, re, crossed);
}

template <bool Inverse>
ZQ_AVX2 inline __m256d twiddle(__m256d a, __m256d w) {
    return twiddleSplit<Inverse>(a, _mm256_movedup_pd(w), _mm256_permute_pd(w, 0xF));
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

// The first stages of a pass (two radix-4 stages for an even order, a radix-4
// and a radix-2 stage for an odd one) run on blocks of 16 or 8 points held in
// registers, with the two halves of each register carrying two different
// blocks. Every lane then works the very operations of the stage-by-stage
// order whichever blocks share a register, so a block gives the same bits
// whether it is read from bit-reversed data in place or gathered straight from
// a source in natural order -- and the gather costs no pass of its own.
constexpr std::array<std::uint8_t, 16> reversed4 = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
constexpr std::array<std::uint8_t, 8> reversed3 = {0, 4, 2, 6, 1, 5, 3, 7};

inline int blockBitsOf(std::size_t n) { return __builtin_ctzll(n) % 2 == 0 ? 4 : 3; }

// Twiddles of the in-register stages: W_16^j, W_16^2j, W_16^3j (j = 1 to 3) of
// the table, or W_8 and W_8^3 for blocks of 8 points.
struct BlockTwiddles {
    __m256d w[9];
};
// The points of a block pair, one register per place (a plain array: vector
// types lose their alignment attribute as template arguments).
template <int Bits>
struct BlockPair {
    __m256d v[1 << Bits];
};

ZQ_AVX2 inline __m256d broadcast(const Ipp64fc* p) { return _mm256_broadcast_pd(reinterpret_cast<const __m128d*>(p)); }

// Those of blocks of 2^bits points from the radix table of n points.
ZQ_AVX2_INLINE BlockTwiddles blockTwiddlesOf(const Ipp64fc* table, std::size_t n, int bits) {
    BlockTwiddles t;
    if (bits == 4) {
        #pragma GCC unroll 16
        for (std::size_t j = 1; j <= 3; ++j)
            #pragma GCC unroll 16
            for (std::size_t k = 0; k < 3; ++k)
                t.w[3 * (j - 1) + k] = broadcast(table + 3 * (j * n / 16) + k);
    } else {
        const double c = table[3 * (n / 8)].re;
        t.w[0] = _mm256_setr_pd(c, -c, c, -c);
        t.w[1] = _mm256_setr_pd(-c, -c, -c, -c);
    }
    return t;
}
ZQ_AVX2_INLINE BlockTwiddles blockTwiddlesOf(const Ipp64fc* table, std::size_t n) {
    return blockTwiddlesOf(table, n, blockBitsOf(n));
}

// (a, b, c, d) -> (a + b + c + d, (a - b) -/+ i (c - d), (a + b) - (c + d), (a - b) +/- i (c - d)).
template <bool Inverse>
ZQ_AVX2_INLINE void butterfly4(__m256d& a, __m256d& b, __m256d& c, __m256d& d) {
    const __m256d apb = _mm256_add_pd(a, b), amb = _mm256_sub_pd(a, b), cpd = _mm256_add_pd(c, d);
    const __m256d rcmd = rotate<Inverse>(_mm256_sub_pd(c, d));
    a = _mm256_add_pd(apb, cpd);
    b = _mm256_add_pd(amb, rcmd);
    c = _mm256_sub_pd(apb, cpd);
    d = _mm256_sub_pd(amb, rcmd);
}

template <bool Inverse, int Bits>
ZQ_AVX2_INLINE void blockStages(BlockPair<Bits>& p, const BlockTwiddles& t) {
    __m256d* v = p.v;
    #pragma GCC unroll 16
    for (int q = 0; q < (1 << Bits); q += 4)
        butterfly4<Inverse>(v[q], v[q + 1], v[q + 2], v[q + 3]);
    if constexpr (Bits == 4) {
        butterfly4<Inverse>(v[0], v[4], v[8], v[12]);
        #pragma GCC unroll 16
        for (int j = 1; j <= 3; ++j) {
            const __m256d* w = &t.w[3 * (j - 1)];
            v[j + 4] = j == 2 ? rotate<Inverse>(v[j + 4]) : twiddle<Inverse>(v[j + 4], w[1]);
            v[j + 8] = twiddle<Inverse>(v[j + 8], w[0]);
            v[j + 12] = twiddle<Inverse>(v[j + 12], w[2]);
            butterfly4<Inverse>(v[j], v[j + 4], v[j + 8], v[j + 12]);
        }
    } else {
        v[5] = twiddle<Inverse>(v[5], t.w[0]);
        v[6] = rotate<Inverse>(v[6]);
        v[7] = twiddle<Inverse>(v[7], t.w[1]);
        #pragma GCC unroll 16
        for (int j = 0; j < 4; ++j) {
            const __m256d u = v[j];
            v[j] = _mm256_add_pd(u, v[j + 4]);
            v[j + 4] = _mm256_sub_pd(u, v[j + 4]);
        }
    }
}

// Lane 0 of the result goes to block `a`, lane 1 to block `b`.
template <int Bits>
ZQ_AVX2_INLINE void storeBlocks(const BlockPair<Bits>& p, Ipp64fc* a, Ipp64fc* b) {
    const __m256d* v = p.v;
    #pragma GCC unroll 16
    for (int i = 0; i < (1 << Bits); i += 2) {
        store2(a + i, _mm256_permute2f128_pd(v[i], v[i + 1], 0x20));
        store2(b + i, _mm256_permute2f128_pd(v[i], v[i + 1], 0x31));
    }
}

// Two blocks of bit-reversed data in place (the same block twice when the
// transform has only one).
template <bool Inverse, int Bits>
ZQ_AVX2_INLINE void blocksInPlace(Ipp64fc* a, Ipp64fc* b, const BlockTwiddles& t) {
    BlockPair<Bits> p;
    __m256d* v = p.v;
    #pragma GCC unroll 16
    for (int i = 0; i < (1 << Bits); ++i)
        v[i] = pair(a + i, b + i);
    blockStages<Inverse, Bits>(p, t);
    storeBlocks<Bits>(p, a, b);
}

// Two blocks gathered from natural order: point i of the first block is
// source[r(i) x step], of the second the value next to it.
template <bool Inverse, int Bits>
ZQ_AVX2_INLINE void blocksFrom(const Ipp64fc* source, std::size_t step, Ipp64fc* a, Ipp64fc* b,
                               const BlockTwiddles& t) {
    BlockPair<Bits> p;
    __m256d* v = p.v;
    #pragma GCC unroll 16
    for (int i = 0; i < (1 << Bits); ++i)
        v[i] = load2(source + (Bits == 4 ? reversed4[i] : reversed3[i]) * step);
    blockStages<Inverse, Bits>(p, t);
    storeBlocks<Bits>(p, a, b);
}

// The twiddles of the radix-4 stages past the in-register ones, made once for
// the process in the form the stage loads them: for each pair of neighbouring
// butterflies j, j + 1 of a stage of span s, the real parts and the imaginary
// parts of W^k, W^2k, W^3k (W = W_4s) each doubled across a register. A stage
// of span s reads the same values whatever the transform's size, so one table
// serves every size; its values are those of the radix tables of each size.
constexpr std::size_t firstWideSpan = 8;
constexpr std::size_t lastWideSpan = std::size_t{1} << (wholeRadix4Order - 2);
constexpr std::size_t wideRegistersPerPair = 6;

class WideTwiddles {
public:
    WideTwiddles() {
        constexpr std::size_t n = std::size_t{1} << wholeRadix4Order;
        std::vector<Ipp64f> sine(n / 4 + 1);
        BuildTwiddleTable(wholeRadix4Order, sine.data());
        std::vector<Ipp64fc> radix(3 * (n / 4 + 1));
        BuildRadix4Twiddles(wholeRadix4Order, sine.data(), wholeRadix4Order, radix.data());
        std::size_t at = 0;
        for (std::size_t span = firstWideSpan; span <= lastWideSpan; span *= 2) {
            first_[__builtin_ctzll(span)] = at;
            const std::size_t stride = n / (4 * span);
            for (std::size_t j = 0; j < span; j += 2) {
                for (std::size_t k = 0; k < 3; ++k) {
                    const Ipp64fc& lo = radix[3 * (j * stride) + k];
                    const Ipp64fc& hi = radix[3 * ((j + 1) * stride) + k];
                    values_[at++] = {lo.re, lo.re, hi.re, hi.re};
                    values_[at++] = {lo.im, lo.im, hi.im, hi.im};
                }
            }
        }
    }
    // The registers of the stage of span `span` (firstWideSpan to lastWideSpan).
    const double* stage(std::size_t span) const { return values_[first_[__builtin_ctzll(span)]].data(); }

private:
    // Registers of all spans: span / 2 pairs of 6 each, spans 8 to 256 a power of two apart.
    static constexpr std::size_t registerCount = wideRegistersPerPair * (2 * lastWideSpan - firstWideSpan) / 2;
    struct alignas(32) Register : std::array<double, 4> {};
    std::array<Register, registerCount> values_{};
    std::array<std::size_t, 64> first_{};
};

const WideTwiddles& wideTwiddles() {
    static const WideTwiddles table;
    return table;
}

// Twiddles W^k, W^2k, W^3k of two neighbouring butterflies, split.
struct PairTwiddles {
    __m256d re1, im1, re2, im2, re3, im3;
};

ZQ_AVX2_INLINE PairTwiddles pairTwiddlesOf(const double* w) {
    return {_mm256_load_pd(w),      _mm256_load_pd(w + 4),  _mm256_load_pd(w + 8),
            _mm256_load_pd(w + 12), _mm256_load_pd(w + 16), _mm256_load_pd(w + 20)};
}


// One radix-4 butterfly of a stage: (a, b W^2k, c W^k, d W^3k).
template <bool Inverse>
ZQ_AVX2_INLINE void twiddledButterfly4(__m256d& a, __m256d& b, __m256d& c, __m256d& d, const PairTwiddles& w) {
    b = twiddleSplit<Inverse>(b, w.re2, w.im2);
    c = twiddleSplit<Inverse>(c, w.re1, w.im1);
    d = twiddleSplit<Inverse>(d, w.re3, w.im3);
    butterfly4<Inverse>(a, b, c, d);
}

// The radix-4 stage of span `span`, two neighbouring butterflies per register,
// of `count` transforms that share the table: each twiddle pair is loaded
// once for all of them, already split into real and imaginary parts.
template <bool Inverse>
ZQ_AVX2 void radix4Stage(Ipp64fc* const* xs, std::size_t count, std::size_t n, std::size_t span) {
    const std::size_t group = 4 * span;
    const double* w = wideTwiddles().stage(span);
    for (std::size_t j = 0; j < span; j += 2, w += 4 * wideRegistersPerPair) {
        const PairTwiddles pw = pairTwiddlesOf(w);
        for (std::size_t r = 0; r < count; ++r) {
            for (std::size_t g = j; g < n; g += group) {
                Ipp64fc* p = xs[r] + g;
                __m256d a = load2(p), b = load2(p + span), c = load2(p + 2 * span), d = load2(p + 3 * span);
                twiddledButterfly4<Inverse>(a, b, c, d, pw);
                store2(p, a);
                store2(p + span, b);
                store2(p + 2 * span, c);
                store2(p + 3 * span, d);
            }
        }
    }
}

// The radix-4 stages from span `span` on, those of groups up to `end` points
// (the whole transform unless its last stage is left to a later kernel).
template <bool Inverse>
ZQ_AVX2 void laterStages(Ipp64fc* const* xs, std::size_t count, std::size_t n, std::size_t span,
                         std::size_t end) {
    for (; 4 * span <= end; span *= 4)
        radix4Stage<Inverse>(xs, count, n, span);
}
template <bool Inverse>
ZQ_AVX2 void laterStages(Ipp64fc* const* xs, std::size_t count, std::size_t n, std::size_t span) {
    laterStages<Inverse>(xs, count, n, span, n);
}
template <bool Inverse>
ZQ_AVX2 void laterStages(Ipp64fc* x, std::size_t n, std::size_t span) {
    laterStages<Inverse>(&x, 1, n, span, n);
}

template <bool Inverse, int Bits>
ZQ_AVX2 void radix4PassOfBits(Ipp64fc* x, std::size_t n, const BlockTwiddles& t, std::size_t end) {
    constexpr std::size_t block = std::size_t{1} << Bits;
    if (n == block) {
        blocksInPlace<Inverse, Bits>(x, x, t);
    } else {
        for (std::size_t g = 0; g < n; g += 2 * block)
            blocksInPlace<Inverse, Bits>(x + g, x + g + block, t);
    }
    laterStages<Inverse>(&x, 1, n, block, end);
}

template <bool Inverse>
ZQ_AVX2 void radix4PassImpl(Ipp64fc* x, std::size_t n, const Ipp64fc* table) {
    if (blockBitsOf(n) == 4)
        radix4PassOfBits<Inverse, 4>(x, n, blockTwiddlesOf(table, n), n);
    else
        radix4PassOfBits<Inverse, 3>(x, n, blockTwiddlesOf(table, n), n);
}

// Rows out[0] to out[count - 1] (count even) of `columns` bit-reversed places
// each, transformed: place p of row t starts as source[r(p) x rows + t].
template <bool Inverse, int Bits>
ZQ_AVX2 void leafRowsFromOfBits(const Ipp64fc* source, std::size_t rows, Ipp64fc* const* out, std::size_t count,
                                std::size_t columns, const Ipp64fc* table, std::size_t end) {
    constexpr std::size_t block = std::size_t{1} << Bits;
    const std::size_t blocks = columns / block;
    const BlockTwiddles t = blockTwiddlesOf(table, columns);
    std::size_t reversed = 0;
    for (std::size_t g = 0; g < blocks; ++g) {
        const Ipp64fc* in = source + reversed * rows;
        const std::size_t at = g * block;
        for (std::size_t r = 0; r < count; r += 2)
            blocksFrom<Inverse, Bits>(in + r, blocks * rows, out[r] + at, out[r + 1] + at, t);
        reversed = nextReversed(reversed, blocks / 2);
    }
    for (std::size_t r = 0; r < count; r += 2)
        laterStages<Inverse>(out + r, 2, columns, block, end);
}

// The last radix-4 stage of the 512-point blocks of a medium order together
// with the radix-2 stages across the blocks (and the blocks' scaling between
// them), each value loaded and stored once, with the very operations of the
// stage-by-stage order: places k of the blocks meet in registers.
template <bool Inverse, std::size_t Blocks>
ZQ_AVX2 void mediumTail(Ipp64fc* x, const Ipp64fc* quarter, const Ipp64f* scale) {
    constexpr std::size_t block = std::size_t{1} << 9;
    constexpr std::size_t span = block / 4;
    constexpr std::size_t quarterTurn = block / 2;
    const __m256d factor = _mm256_set1_pd(scale != nullptr ? *scale : 1.0);
    const double* wide = wideTwiddles().stage(span);
    for (std::size_t j = 0; j < span; j += 2, wide += 4 * wideRegistersPerPair) {
        const PairTwiddles w = pairTwiddlesOf(wide);
        __m256d v[Blocks][4];
#pragma GCC unroll 4
        for (std::size_t b = 0; b < Blocks; ++b) {
            Ipp64fc* p = x + b * block + j;
            v[b][0] = load2(p);
            v[b][1] = load2(p + span);
            v[b][2] = load2(p + 2 * span);
            v[b][3] = load2(p + 3 * span);
            twiddledButterfly4<Inverse>(v[b][0], v[b][1], v[b][2], v[b][3], w);
            if (scale != nullptr)
                for (std::size_t m = 0; m < 4; ++m)
                    v[b][m] = _mm256_mul_pd(v[b][m], factor);
        }
#pragma GCC unroll 4
        for (std::size_t m = 0; m < 4; ++m) {
            const std::size_t k = j + m * span;
            const bool turned = k >= quarterTurn;
            if constexpr (Blocks == 2) {
                __m256d t = twiddle<Inverse>(v[1][m], load2(quarter + (turned ? k - quarterTurn : k)));
                if (turned)
                    t = rotate<Inverse>(t);
                store2(x + k, _mm256_add_pd(v[0][m], t));
                store2(x + block + k, _mm256_sub_pd(v[0][m], t));
            } else {
                const Ipp64fc* w1 = quarter + 2 * (turned ? k - quarterTurn : k);
                const __m256d firstTwiddle = pair(w1, w1 + 2);
                __m256d t1 = twiddle<Inverse>(v[1][m], firstTwiddle);
                __m256d t3 = twiddle<Inverse>(v[3][m], firstTwiddle);
                if (turned) {
                    t1 = rotate<Inverse>(t1);
                    t3 = rotate<Inverse>(t3);
                }
                const __m256d b0 = _mm256_add_pd(v[0][m], t1), b1 = _mm256_sub_pd(v[0][m], t1);
                const __m256d b2 = _mm256_add_pd(v[2][m], t3), b3 = _mm256_sub_pd(v[2][m], t3);
                const __m256d secondTwiddle = load2(quarter + k);
                const __m256d u = twiddle<Inverse>(b2, secondTwiddle);
                const __m256d r = rotate<Inverse>(twiddle<Inverse>(b3, secondTwiddle));
                store2(x + k, _mm256_add_pd(b0, u));
                store2(x + 2 * block + k, _mm256_sub_pd(b0, u));
                store2(x + block + k, _mm256_add_pd(b1, r));
                store2(x + 3 * block + k, _mm256_sub_pd(b1, r));
            }
        }
    }
}

// Rows out[0] to out[count - 1] (count even) of a split level whose sub-order
// is medium, taken straight from a source in natural order: place m of row t
// starts as source[m x rows + t] before its bit reversal.
template <bool Inverse>
ZQ_AVX2 void mediumRowsFromImpl(const Ipp64fc* source, std::size_t rows, Ipp64fc* const* out, std::size_t count,
                                std::size_t n, const Ipp64fc* table, const Ipp64fc* quarter, const Ipp64f* scale) {
    constexpr std::size_t block = std::size_t{1} << 9;
    constexpr std::size_t reversed2[4] = {0, 2, 1, 3};
    const std::size_t blocks = n / block;
    std::array<Ipp64fc*, 16> blockOut{};
    for (std::size_t residue = 0; residue < blocks; ++residue) {
        // Block r(residue) of each row holds the values whose place leaves this residue.
        const std::size_t at = (blocks == 4 ? reversed2[residue] : residue) * block;
        for (std::size_t t = 0; t < count; ++t)
            blockOut[t] = out[t] + at;
        leafRowsFromOfBits<Inverse, 3>(source + residue * rows, blocks * rows, blockOut.data(), count, block, table,
                                       block / 4);
    }
    for (std::size_t t = 0; t < count; ++t) {
        if (blocks == 2)
            mediumTail<Inverse, 2>(out[t], quarter, scale);
        else
            mediumTail<Inverse, 4>(out[t], quarter, scale);
    }
}

template <bool Inverse>
ZQ_AVX2 void mediumImpl(const Ipp64fc* source, Ipp64fc* x, std::size_t n, const Ipp64fc* table,
                        const Ipp64fc* quarter, const Ipp64f* scale) {
    constexpr std::size_t block = std::size_t{1} << 9;
    const std::size_t blocks = n / block;
    if (source != nullptr) {
        // Block b holds the values of source row r(b), r reversing the bits of b.
        Ipp64fc* out[4] = {x, x + block, x + 2 * block, x + 3 * block};
        if (blocks == 4)
            std::swap(out[1], out[2]);
        leafRowsFromOfBits<Inverse, 3>(source, blocks, out, blocks, block, table, block / 4);
    } else {
        for (std::size_t b = 0; b < blocks; ++b)
            radix4PassOfBits<Inverse, 3>(x + b * block, block, blockTwiddlesOf(table, block), block / 4);
    }
    if (blocks == 2)
        mediumTail<Inverse, 2>(x, quarter, scale);
    else
        mediumTail<Inverse, 4>(x, quarter, scale);
}

// The cross transforms of a level as walks along the rows, each stage of the
// column transforms a walk that holds only two or four rows at a time: the
// rows of a column lie a power of two apart and all fall into one cache set,
// which holds a few of them; a few rows at a time stream through it. The
// first walk takes each quadruple of rows through the twiddles and the first
// radix-4 stage; then come the second in-register stage (radix 4 with W_16 or
// radix 2 with W_8) and the radix-4 stages of the radix table, a twiddle per
// row for the whole walk. The very operations of the in-register stages.
enum class RowTwiddles { none, table, quarterTurn };

// Rows r0, r0 + span, r0 + 2 span, r0 + 3 span through one radix-4 butterfly
// (twiddles W^k, W^2k, W^3k in w; with quarterTurn W^2k is -i and w[1] unused).
template <bool Inverse, RowTwiddles Kind>
ZQ_AVX2 void walkRows4(Ipp64fc* r0, std::size_t span, std::size_t columns, const __m256d* w) {
    for (std::size_t c = 0; c < columns; c += 2) {
        __m256d a = load2(r0 + c), b = load2(r0 + span + c);
        __m256d e = load2(r0 + 2 * span + c), d = load2(r0 + 3 * span + c);
        if constexpr (Kind != RowTwiddles::none) {
            b = Kind == RowTwiddles::quarterTurn ? rotate<Inverse>(b) : twiddle<Inverse>(b, w[1]);
            e = twiddle<Inverse>(e, w[0]);
            d = twiddle<Inverse>(d, w[2]);
        }
        butterfly4<Inverse>(a, b, e, d);
        store2(r0 + c, a);
        store2(r0 + span + c, b);
        store2(r0 + 2 * span + c, e);
        store2(r0 + 3 * span + c, d);
    }
}

template <bool Inverse>
ZQ_AVX2 void crossByRowWalks(Ipp64fc* x, std::size_t columns, std::size_t rows, const Ipp64fc* cross,
                             const Ipp64fc* radix) {
    for (std::size_t q = 0; q < rows; q += 4) {
        Ipp64fc* r0 = x + q * columns;
        for (std::size_t c = 0; c < columns; c += 2) {
            const Ipp64fc* w = cross + (c / 4 * rows + q) * 4 + c % 4;
            __m256d a = twiddle<Inverse>(load2(r0 + c), load2(w));
            __m256d b = twiddle<Inverse>(load2(r0 + columns + c), load2(w + 4));
            __m256d e = twiddle<Inverse>(load2(r0 + 2 * columns + c), load2(w + 8));
            __m256d d = twiddle<Inverse>(load2(r0 + 3 * columns + c), load2(w + 12));
            butterfly4<Inverse>(a, b, e, d);
            store2(r0 + c, a);
            store2(r0 + columns + c, b);
            store2(r0 + 2 * columns + c, e);
            store2(r0 + 3 * columns + c, d);
        }
    }
    const BlockTwiddles t = blockTwiddlesOf(radix, rows);
    std::size_t span = 4;
    if (blockBitsOf(rows) == 4) {
        for (std::size_t g = 0; g < rows; g += 16) {
            Ipp64fc* r0 = x + g * columns;
            walkRows4<Inverse, RowTwiddles::none>(r0, 4 * columns, columns, nullptr);
            walkRows4<Inverse, RowTwiddles::table>(r0 + columns, 4 * columns, columns, t.w);
            walkRows4<Inverse, RowTwiddles::quarterTurn>(r0 + 2 * columns, 4 * columns, columns, t.w + 3);
            walkRows4<Inverse, RowTwiddles::table>(r0 + 3 * columns, 4 * columns, columns, t.w + 6);
        }
        span = 16;
    } else {
        for (std::size_t g = 0; g < rows; g += 8)
            for (std::size_t j = 0; j < 4; ++j) {
                Ipp64fc* lo = x + (g + j) * columns;
                Ipp64fc* hi = lo + 4 * columns;
                const __m256d w = j == 1 ? t.w[0] : t.w[1];
                for (std::size_t c = 0; c < columns; c += 2) {
                    const __m256d u = load2(lo + c);
                    __m256d v = load2(hi + c);
                    if (j == 2)
                        v = rotate<Inverse>(v);
                    else if (j != 0)
                        v = twiddle<Inverse>(v, w);
                    store2(lo + c, _mm256_add_pd(u, v));
                    store2(hi + c, _mm256_sub_pd(u, v));
                }
            }
        span = 8;
    }
    for (; 4 * span <= rows; span *= 4) {
        const std::size_t stride = rows / (4 * span);
        for (std::size_t j = 0; j < span; ++j) {
            const Ipp64fc* e = radix + 3 * (j * stride);
            const __m256d w[3] = {broadcast(e), broadcast(e + 1), broadcast(e + 2)};
            for (std::size_t g = j; g < rows; g += 4 * span) {
                if (j == 0)
                    walkRows4<Inverse, RowTwiddles::none>(x + g * columns, span * columns, columns, nullptr);
                else
                    walkRows4<Inverse, RowTwiddles::table>(x + g * columns, span * columns, columns, w);
            }
        }
    }
}

// A whole transform of n points (n of 32 and above) from natural order.
template <bool Inverse, int Bits>
ZQ_AVX2 void radix4PassFromOfBits(const Ipp64fc* source, Ipp64fc* x, std::size_t n, const BlockTwiddles& t) {
    constexpr std::size_t block = std::size_t{1} << Bits;
    const std::size_t blocks = n / block;
    // Block g and block g + blocks / 2 read neighbouring values: their
    // reversed indices differ in the lowest bit alone.
    std::size_t reversed = 0;
    for (std::size_t g = 0; g < blocks / 2; ++g) {
        blocksFrom<Inverse, Bits>(source + reversed, blocks, x + g * block, x + (g + blocks / 2) * block, t);
        reversed = nextReversed(reversed, blocks / 2);
    }
    laterStages<Inverse>(x, n, block);
}

template <bool Inverse>
ZQ_AVX2 void radix4PassFromImpl(const Ipp64fc* source, Ipp64fc* x, std::size_t n, const Ipp64fc* table) {
    if (blockBitsOf(n) == 4)
        radix4PassFromOfBits<Inverse, 4>(source, x, n, blockTwiddlesOf(table, n));
    else
        radix4PassFromOfBits<Inverse, 3>(source, x, n, blockTwiddlesOf(table, n));
}

template <bool Inverse>
ZQ_AVX2 void wholeRadix4Impl(const Ipp64fc* source, Ipp64fc* x, const Ipp64fc* table) {
    constexpr std::size_t n = std::size_t{1} << wholeRadix4Order;
    // The in-register stages want W_16 alone, which the 512-point table holds too.
    const BlockTwiddles t = blockTwiddlesOf(table, std::size_t{1} << largestRadix4Order, 4);
    if (source != nullptr)
        radix4PassFromOfBits<Inverse, 4>(source, x, n, t);
    else
        radix4PassOfBits<Inverse, 4>(x, n, t, n);
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
        m = nextReversed(m, half / 2);
    }
}

}  // namespace

template <std::size_t Count>
void gatherReversedRows(const Ipp64fc* source, std::size_t rows, Ipp64fc* const* out, std::size_t columns) {
    gatherReversedRowsImpl<Count>(source, rows, out, columns);
}

// Entry points compiled for the baseline processor; they only call across.
void prepareTables() {
    if (available())
        wideTwiddles();
}
bool available() noexcept {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has && allowed.load(std::memory_order_relaxed);
}
template <bool Inverse>
void radix4Pass(Ipp64fc* x, std::size_t n, const Ipp64fc* table) {
    radix4PassImpl<Inverse>(x, n, table);
}
template <bool Inverse>
void radix4PassFrom(const Ipp64fc* source, Ipp64fc* x, std::size_t n, const Ipp64fc* table) {
    radix4PassFromImpl<Inverse>(source, x, n, table);
}
template <bool Inverse>
void wholeRadix4(const Ipp64fc* source, Ipp64fc* x, const Ipp64fc* table) {
    wholeRadix4Impl<Inverse>(source, x, table);
}
template <bool Inverse>
void leafRowsFrom(const Ipp64fc* source, std::size_t rows, Ipp64fc* const* out, std::size_t count,
                  std::size_t columns, const Ipp64fc* table) {
    if (blockBitsOf(columns) == 4)
        leafRowsFromOfBits<Inverse, 4>(source, rows, out, count, columns, table, columns);
    else
        leafRowsFromOfBits<Inverse, 3>(source, rows, out, count, columns, table, columns);
}
template <bool Inverse>
void crossColumns(Ipp64fc* x, std::size_t columns, std::size_t rows, const Ipp64fc* cross, const Ipp64fc* radix) {
    crossByRowWalks<Inverse>(x, columns, rows, cross, radix);
}
template <bool Inverse>
void medium(const Ipp64fc* source, Ipp64fc* x, std::size_t n, const Ipp64fc* table, const Ipp64fc* quarter,
            const Ipp64f* scale) {
    mediumImpl<Inverse>(source, x, n, table, quarter, scale);
}
template <bool Inverse>
void mediumRowsFrom(const Ipp64fc* source, std::size_t rows, Ipp64fc* const* out, std::size_t count,
                    std::size_t n, const Ipp64fc* table, const Ipp64fc* quarter, const Ipp64f* scale) {
    mediumRowsFromImpl<Inverse>(source, rows, out, count, n, table, quarter, scale);
}

#else

bool available() noexcept { return false; }
void prepareTables() {}
template <bool Inverse>
void radix4Pass(Ipp64fc*, std::size_t, const Ipp64fc*) {}
template <bool Inverse>
void radix4PassFrom(const Ipp64fc*, Ipp64fc*, std::size_t, const Ipp64fc*) {}
template <bool Inverse>
void wholeRadix4(const Ipp64fc*, Ipp64fc*, const Ipp64fc*) {}
template <bool Inverse>
void leafRowsFrom(const Ipp64fc*, std::size_t, Ipp64fc* const*, std::size_t, std::size_t, const Ipp64fc*) {}
template <bool Inverse>
void crossColumns(Ipp64fc*, std::size_t, std::size_t, const Ipp64fc*, const Ipp64fc*) {}
template <bool Inverse>
void medium(const Ipp64fc*, Ipp64fc*, std::size_t, const Ipp64fc*, const Ipp64fc*, const Ipp64f*) {}
template <bool Inverse>
void mediumRowsFrom(const Ipp64fc*, std::size_t, Ipp64fc* const*, std::size_t, std::size_t, const Ipp64fc*,
                    const Ipp64fc*, const Ipp64f*) {}
template <std::size_t Count>
void gatherReversedRows(const Ipp64fc*, std::size_t, Ipp64fc* const*, std::size_t) {}

#endif

template void radix4Pass<false>(Ipp64fc*, std::size_t, const Ipp64fc*);
template void radix4Pass<true>(Ipp64fc*, std::size_t, const Ipp64fc*);
template void radix4PassFrom<false>(const Ipp64fc*, Ipp64fc*, std::size_t, const Ipp64fc*);
template void radix4PassFrom<true>(const Ipp64fc*, Ipp64fc*, std::size_t, const Ipp64fc*);
template void wholeRadix4<false>(const Ipp64fc*, Ipp64fc*, const Ipp64fc*);
template void wholeRadix4<true>(const Ipp64fc*, Ipp64fc*, const Ipp64fc*);
template void leafRowsFrom<false>(const Ipp64fc*, std::size_t, Ipp64fc* const*, std::size_t, std::size_t,
                                  const Ipp64fc*);
template void leafRowsFrom<true>(const Ipp64fc*, std::size_t, Ipp64fc* const*, std::size_t, std::size_t,
                                 const Ipp64fc*);
template void crossColumns<false>(Ipp64fc*, std::size_t, std::size_t, const Ipp64fc*, const Ipp64fc*);
template void crossColumns<true>(Ipp64fc*, std::size_t, std::size_t, const Ipp64fc*, const Ipp64fc*);
template void medium<false>(const Ipp64fc*, Ipp64fc*, std::size_t, const Ipp64fc*, const Ipp64fc*, const Ipp64f*);
template void medium<true>(const Ipp64fc*, Ipp64fc*, std::size_t, const Ipp64fc*, const Ipp64fc*, const Ipp64f*);
template void mediumRowsFrom<false>(const Ipp64fc*, std::size_t, Ipp64fc* const*, std::size_t, std::size_t,
                                    const Ipp64fc*, const Ipp64fc*, const Ipp64f*);
template void mediumRowsFrom<true>(const Ipp64fc*, std::size_t, Ipp64fc* const*, std::size_t, std::size_t,
                                   const Ipp64fc*, const Ipp64fc*, const Ipp64f*);

template void gatherReversedRows<8>(const Ipp64fc*, std::size_t, Ipp64fc* const*, std::size_t);
template void gatherReversedRows<16>(const Ipp64fc*, std::size_t, Ipp64fc* const*, std::size_t);

}  // namespace dsp::fft::avx2
