#include "dsp/FftCore.h"

#include <cstring>

#include "dsp/FftAlloc.h"
#include "dsp/FftAvx2Kernels.h"
#include "dsp/LibCDispatcher.h"

namespace dsp::fft {

namespace {

// One complex value in a 128-bit vector: (real, imaginary).
using v2d = double __attribute__((vector_size(16)));

inline v2d load(const Ipp64fc* p) {
    v2d v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void store(Ipp64fc* p, v2d v) { std::memcpy(p, &v, sizeof v); }
// The shuffle builtin both compilers know (the one-vector form is GCC's alone).
inline v2d swapParts(v2d a) { return __builtin_shufflevector(a, a, 1, 0); }

inline v2d mul(v2d a, v2d w) {
    const v2d re = {w[0], w[0]};
    const v2d im = {-w[1], w[1]};
    return a * re + swapParts(a) * im;
}
inline v2d mulConj(v2d a, v2d w) {
    const v2d re = {w[0], w[0]};
    const v2d im = {w[1], -w[1]};
    return a * re + swapParts(a) * im;
}
template <bool Inverse>
inline v2d twiddle(v2d a, v2d w) {
    if constexpr (Inverse)
        return mulConj(a, w);
    else
        return mul(a, w);
}
// Multiplies by -i on the forward path and by +i on the inverse path.
template <bool Inverse>
inline v2d rotate(v2d a) {
    if constexpr (Inverse)
        return swapParts(a) * v2d{-1.0, 1.0};
    else
        return swapParts(a) * v2d{1.0, -1.0};
}

constexpr double twoPi = 6.283185307179586;

inline std::size_t pow2(int order) { return std::size_t{1} << order; }

// W_M^t = (cos 2 pi t / M, -sin 2 pi t / M) from a quarter-wave sine table read
// with the given stride, for 0 <= t < M.
Ipp64fc quarterWave(std::size_t t, std::size_t m, const Ipp64f* sine, std::size_t stride) {
    const std::size_t q = m / 4;
    if (t <= q)
        return {sine[(q - t) * stride], -sine[t * stride]};
    if (t <= 2 * q)
        return {-sine[(t - q) * stride], -sine[(2 * q - t) * stride]};
    if (t <= 3 * q)
        return {-sine[(3 * q - t) * stride], sine[(t - 2 * q) * stride]};
    return {sine[(t - 3 * q) * stride], sine[(m - t) * stride]};
}

std::size_t roundDown16(std::size_t bytes) { return bytes & ~std::size_t{15}; }

template <bool Inverse>
void radix4Pass(Ipp64fc* x, std::size_t n, const Ipp64fc* table) {
    if (avx2::available() && n >= 8)
        return avx2::radix4Pass<Inverse>(x, n, table);
    // First stage: 4-point transforms of bit-reversed quadruples.
    for (std::size_t g = 0; g < n; g += 4) {
        const v2d a = load(x + g), b = load(x + g + 1), c = load(x + g + 2), d = load(x + g + 3);
        const v2d apb = a + b, amb = a - b, cpd = c + d, rcmd = rotate<Inverse>(c - d);
        store(x + g, apb + cpd);
        store(x + g + 1, amb + rcmd);
        store(x + g + 2, apb - cpd);
        store(x + g + 3, amb - rcmd);
    }
    std::size_t span = 4;
    if (__builtin_ctzll(n) % 2 == 1) {
        // Odd order: one radix-2 stage on groups of 8.
        const double c = table[3 * (n / 8)].re;
        const v2d w1 = {c, Inverse ? c : -c};
        const v2d w3 = {-c, Inverse ? c : -c};
        for (std::size_t g = 0; g < n; g += 8) {
            Ipp64fc* p = x + g;
            const v2d u0 = load(p), v0 = load(p + 4);
            const v2d u1 = load(p + 1), v1 = mul(load(p + 5), w1);
            const v2d u2 = load(p + 2), v2 = rotate<Inverse>(load(p + 6));
            const v2d u3 = load(p + 3), v3 = mul(load(p + 7), w3);
            store(p, u0 + v0);
            store(p + 4, u0 - v0);
            store(p + 1, u1 + v1);
            store(p + 5, u1 - v1);
            store(p + 2, u2 + v2);
            store(p + 6, u2 - v2);
            store(p + 3, u3 + v3);
            store(p + 7, u3 - v3);
        }
        span = 8;
    }
    for (; 4 * span <= n; span *= 4) {
        const std::size_t group = 4 * span;
        const std::size_t stride = n / group;
        for (std::size_t g = 0; g < n; g += group) {
            Ipp64fc* p = x + g;
            const v2d a = load(p), b = load(p + span), c = load(p + 2 * span), d = load(p + 3 * span);
            const v2d apb = a + b, amb = a - b, cpd = c + d, rcmd = rotate<Inverse>(c - d);
            store(p, apb + cpd);
            store(p + 2 * span, apb - cpd);
            store(p + span, amb + rcmd);
            store(p + 3 * span, amb - rcmd);
        }
        for (std::size_t j = 1; j < span; ++j) {
            const Ipp64fc* w = table + 3 * (j * stride);
            const v2d w1 = load(w), w2 = load(w + 1), w3 = load(w + 2);
            for (std::size_t g = j; g < n; g += group) {
                Ipp64fc* p = x + g;
                const v2d a = load(p);
                const v2d b = twiddle<Inverse>(load(p + span), w2);
                const v2d c = twiddle<Inverse>(load(p + 2 * span), w1);
                const v2d d = twiddle<Inverse>(load(p + 3 * span), w3);
                const v2d apb = a + b, amb = a - b, cpd = c + d, rcmd = rotate<Inverse>(c - d);
                store(p, apb + cpd);
                store(p + 2 * span, apb - cpd);
                store(p + span, amb + rcmd);
                store(p + 3 * span, amb - rcmd);
            }
        }
    }
}

// Radix-2 stages of a medium order above 512 points; twiddle exponents of N/4
// and above are the quarter table's value times -i. The stages run strip by
// strip: a strip is the 64 places k from s on in every firstHalf-long stretch,
// and its later stages read only what its earlier stages wrote, so each strip
// is taken through all stages while it sits in the first-level cache.
template <bool Inverse>
void radix2Stages(Ipp64fc* x, std::size_t n, std::size_t firstHalf, const Ipp64fc* quarter) {
    for (std::size_t strip = 0; strip < firstHalf; strip += radix2StripPoints) {
        for (std::size_t half = firstHalf; half < n; half *= 2) {
            const std::size_t stride = n / (2 * half);
            const std::size_t quarterTurn = half / 2;
            for (std::size_t base = 0; base < n; base += 2 * half) {
                Ipp64fc* lo = x + base;
                Ipp64fc* hi = lo + half;
                for (std::size_t first = strip; first < half; first += firstHalf) {
                    // A strip never straddles the quarter turn, a multiple of 256.
                    const bool turned = first >= quarterTurn;
                    const Ipp64fc* w = quarter + (turned ? first - quarterTurn : first) * stride;
                    for (std::size_t k = first; k < first + radix2StripPoints; ++k, w += stride) {
                        v2d t = twiddle<Inverse>(load(hi + k), load(w));
                        if (turned)
                            t = rotate<Inverse>(t);
                        const v2d u = load(lo + k);
                        store(lo + k, u + t);
                        store(hi + k, u - t);
                    }
                }
            }
        }
    }
}

void reverseBitsOf(std::size_t count, int bits, std::array<Ipp32u, 512>& reversed);

// With a source in natural order (and the wide kernels) the bit reversal is
// folded into the blocks' first stages.
template <bool Inverse>
void medium(const FftSpecRecord& record, Ipp64fc* x, std::size_t n, const Ipp64fc* source = nullptr) {
    constexpr std::size_t block = std::size_t{1} << largestRadix4Order;
    const bool scaled = Inverse ? record.inverseScaled : record.forwardScaled;
    if (avx2::available())
        return avx2::medium<Inverse>(source, x, n, record.twiddles, record.quarterTwiddles,
                                     scaled ? &record.scale : nullptr);
    if (source != nullptr) {
        const std::size_t blocks = n / block;
        std::array<Ipp32u, 512> reversed{};
        reverseBitsOf(blocks, __builtin_ctzll(blocks), reversed);
        std::array<Ipp64fc*, 4> out{};
        for (std::size_t b = 0; b < blocks; ++b)
            out[b] = x + reversed[b] * block;
        avx2::leafRowsFrom<Inverse>(source, blocks, out.data(), blocks, block, record.twiddles);
        if (scaled)
            ScaleVector(record.scale, &x->re, 2 * n);
    } else {
        for (std::size_t b = n / block; b-- > 0;) {
            radix4Pass<Inverse>(x + b * block, block, record.twiddles);
            if (scaled)
                ScaleVector(record.scale, &x[b * block].re, 2 * block);
        }
    }
    radix2Stages<Inverse>(x, n, block, record.quarterTwiddles);
}


void reverseBitsOf(std::size_t count, int bits, std::array<Ipp32u, 512>& reversed) {
    for (std::size_t i = 0; i < count; ++i) {
        Ipp32u r = 0;
        for (int b = 0; b < bits; ++b)
            r |= ((i >> b) & 1u) << (bits - 1 - b);
        reversed[i] = r;
    }
}

template <bool Inverse>
void splitLevel(const FftSpecRecord& record, Ipp64fc* x, int order, int level, Ipp64fc* work,
                const Ipp64fc* source = nullptr);

// The sub-transform of one row of a split level.
template <bool Inverse>
void transformRow(const FftSpecRecord& record, Ipp64fc* row, int subOrder, int level, Ipp64fc* work) {
    const std::size_t columns = pow2(subOrder);
    if (subOrder <= largestRadix4Order) {
        radix4Pass<Inverse>(row, columns, record.twiddles);
        if (Inverse ? record.inverseScaled : record.forwardScaled)
            ScaleVector(record.scale, &row->re, 2 * columns);
    } else if (FFTSplitOrder[subOrder] == 0) {
        medium<Inverse>(record, row, columns);
    } else {
        splitLevel<Inverse>(record, row, subOrder, level + 1, work);
    }
}

// Rows gathered per batch straight from a source in natural order: the rows
// whose reversed indices are i to i + 7 take, for each column m, the eight
// neighbouring source values m x rows + i to i + 7 -- two whole cache lines.
constexpr std::size_t gatheredRows = 8;

// From this size on a level's data outgrow the caches. Its rows lie a large
// power of two apart and share a handful of cache sets, so a walk down the
// rows finds nothing of the previous walk and each line costs a trip to
// memory: such levels gather twice the rows per batch and take several groups
// of columns per cross walk, to read and write longer pieces at once.
constexpr std::size_t wideWalkPoints = std::size_t{1} << 18;

constexpr std::array<std::uint8_t, 256> reversedBytes = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = 0;
        for (unsigned b = 0; b < 8; ++b)
            r |= ((i >> b) & 1u) << (7 - b);
        table[i] = static_cast<std::uint8_t>(r);
    }
    return table;
}();

// i reversed on `bits` bits (1 to 32), without branches.
inline std::size_t reverseBits(std::uint32_t i, int bits) {
    const std::uint32_t r = static_cast<std::uint32_t>(reversedBytes[i & 0xff]) << 24 |
                            static_cast<std::uint32_t>(reversedBytes[(i >> 8) & 0xff]) << 16 |
                            static_cast<std::uint32_t>(reversedBytes[(i >> 16) & 0xff]) << 8 |
                            static_cast<std::uint32_t>(reversedBytes[i >> 24]);
    return r >> (32 - bits);
}

template <std::size_t Count>
void gatherReversedRows(const Ipp64fc* source, std::size_t rows, std::size_t first,
                        const std::array<Ipp32u, 512>& reversedRow, Ipp64fc* x, int columnBits) {
    const std::size_t columns = pow2(columnBits);
    std::array<Ipp64fc*, Count> out{};
    for (std::size_t t = 0; t < Count; ++t)
        out[t] = x + reversedRow[first + t] * columns;
    if (avx2::available())
        return avx2::gatherReversedRows<Count>(source + first, rows, out.data(), columns);
    // The rows are written in order and the source read in reversed order:
    // reads can be many in flight, scattered writes cannot. The rows share
    // their cache sets (they lie a power of two apart), so each gets two
    // places, half a line, per visit rather than one.
    for (std::size_t place = 0; place < columns; place += 2) {
        const Ipp64fc* even = source + reverseBits(static_cast<std::uint32_t>(place), columnBits) * rows + first;
        const Ipp64fc* odd = source + reverseBits(static_cast<std::uint32_t>(place + 1), columnBits) * rows + first;
        for (std::size_t t = 0; t < Count; ++t) {
            out[t][place] = even[t];
            out[t][place + 1] = odd[t];
        }
    }
}

// Cross transforms of a level whose rows are done: the wide kernels walk along
// the rows; otherwise four columns at a time, twiddled, transformed in the
// work buffer and written back.
template <bool Inverse>
void crossStep(const FftSpecRecord& record, Ipp64fc* x, int order, int level, Ipp64fc* work) {
    const std::size_t rows = pow2(FFTSplitOrder[order]);
    const std::size_t columns = pow2(order - FFTSplitOrder[order]);
    if (avx2::available())
        return avx2::crossColumns<Inverse>(x, columns, rows, record.crossTwiddles[level],
                                           record.radixTwiddles[level]);
    const Ipp64fc* cross = record.crossTwiddles[level];
    const Ipp64fc* radix = record.radixTwiddles[level];
    for (std::size_t g = 0; g < columns; g += 4) {
        const Ipp64fc* w = cross + g * rows;
        for (std::size_t b = rows; b-- > 0;) {  // same walk as the wide kernels
            const Ipp64fc* in = x + b * columns + g;
            for (std::size_t t = 0; t < 4; ++t)
                store(work + t * rows + b, twiddle<Inverse>(load(in + t), load(w + 4 * b + t)));
        }
        for (std::size_t t = 0; t < 4; ++t)
            radix4Pass<Inverse>(work + t * rows, rows, radix);
        for (std::size_t b = 0; b < rows; ++b) {
            Ipp64fc* out = x + b * columns + g;
            for (std::size_t t = 0; t < 4; ++t)
                store(out + t, load(work + t * rows + b));
        }
    }
}

// One level of the plan on bit-reversed data in x, or, with a separate source
// in natural order, with the bit reversal folded into the row step: each batch
// of rows is gathered and transformed while it is still in the cache, which
// saves a whole pass over memory for the large orders.
template <bool Inverse>
void splitLevel(const FftSpecRecord& record, Ipp64fc* x, int order, int level, Ipp64fc* work,
                const Ipp64fc* source) {
    if (level >= maxPlanLevels)
        return;  // no plan is deeper; keeps the record's level arrays in bounds
    const int split = FFTSplitOrder[order];
    const int subOrder = order - split;
    const std::size_t rows = pow2(split);
    const std::size_t columns = pow2(subOrder);

    if (source != nullptr) {
        std::array<Ipp32u, 512> reversedRow{};
        reverseBitsOf(rows, split, reversedRow);
        const std::size_t batch = pow2(order) >= wideWalkPoints ? 2 * gatheredRows : gatheredRows;
        const bool mediumRows = subOrder > largestRadix4Order && FFTSplitOrder[subOrder] == 0;
        if ((subOrder <= largestRadix4Order || mediumRows) && avx2::available()) {
            // The folded gather reads the source two rows at a time; a batch
            // of sixteen rows takes four whole neighbouring lines of every place.
            constexpr std::size_t foldedBatch = 2 * gatheredRows;
            const bool scaled = Inverse ? record.inverseScaled : record.forwardScaled;
            std::array<Ipp64fc*, foldedBatch> out{};
            for (std::size_t i = 0; i < rows; i += foldedBatch) {
                for (std::size_t t = 0; t < foldedBatch; ++t)
                    out[t] = x + reversedRow[i + t] * columns;
                if (mediumRows) {
                    avx2::mediumRowsFrom<Inverse>(source + i, rows, out.data(), foldedBatch, columns,
                                                  record.twiddles, record.quarterTwiddles,
                                                  scaled ? &record.scale : nullptr);
                    continue;
                }
                avx2::leafRowsFrom<Inverse>(source + i, rows, out.data(), foldedBatch, columns, record.twiddles);
                if (scaled)
                    for (std::size_t t = 0; t < foldedBatch; ++t)
                        ScaleVector(record.scale, &out[t]->re, 2 * columns);
            }
            crossStep<Inverse>(record, x, order, level, work);
            return;
        }
        for (std::size_t i = 0; i < rows; i += batch) {
            if (batch == gatheredRows)
                gatherReversedRows<gatheredRows>(source, rows, i, reversedRow, x, subOrder);
            else
                gatherReversedRows<2 * gatheredRows>(source, rows, i, reversedRow, x, subOrder);
            for (std::size_t t = 0; t < batch; ++t)
                transformRow<Inverse>(record, x + reversedRow[i + t] * columns, subOrder, level, work);
        }
    } else {
        for (std::size_t r = 0; r < rows; ++r)
            transformRow<Inverse>(record, x + r * columns, subOrder, level, work);
    }

    crossStep<Inverse>(record, x, order, level, work);
}

template <bool Inverse>
void large(const FftSpecRecord& record, Ipp64fc* x, int order, Ipp64fc* work, const Ipp64fc* source = nullptr) {
    if (order == avx2::wholeRadix4Order && avx2::available()) {
        // Five radix-4 stages over the whole (the first two in registers) take
        // fewer operations than two 512-point blocks and the radix-2 stage
        // that joins them, in as many passes over the data.
        avx2::wholeRadix4<Inverse>(source, x, record.twiddles);
        if (Inverse ? record.inverseScaled : record.forwardScaled)
            ScaleVector(record.scale, &x->re, 2 * pow2(order));
    } else if (FFTSplitOrder[order] == 0)
        medium<Inverse>(record, x, pow2(order), source);
    else
        splitLevel<Inverse>(record, x, order, 0, work, source);
}


// Cross twiddles of a level of order q: W_q^(c * r(b)) for column c and row place
// b, four columns interleaved per row.
Ipp64fc* buildCrossTwiddles(int order, int split, const Ipp64f* sine, int sineOrder, Ipp64fc* out) {
    const std::size_t rows = pow2(split);
    const std::size_t columns = pow2(order - split);
    const std::size_t m = pow2(order);
    const std::size_t stride = pow2(sineOrder - order);
    std::array<Ipp32u, 512> reversed{};
    reverseBitsOf(rows, split, reversed);
    for (std::size_t g = 0; g < columns; g += 4)
        for (std::size_t b = 0; b < rows; ++b)
            for (std::size_t t = 0; t < 4; ++t)
                *out++ = quarterWave((g + t) * reversed[b], m, sine, stride);
    return out;
}

// From this order on the permutation runs in 8 x 8 tiles: index bits split as
// (top 3, middle, bottom 3), and a tile holds all tops and bottoms of one
// middle value. Every cache line of source and destination is then touched
// once, where the pair walk of the table touches each line twice, far apart,
// once the data no longer fits in the cache.
constexpr std::size_t tiledReversalPoints = std::size_t{1} << 13;
constexpr int tileBits = 3;
constexpr std::size_t tileSide = std::size_t{1} << tileBits;
constexpr std::array<std::uint8_t, tileSide> reversedTileIndex = {0, 4, 2, 6, 1, 5, 3, 7};

using Tile = std::array<std::array<Ipp64fc, tileSide>, tileSide>;

inline void loadTile(const Ipp64fc* x, std::size_t rowStride, std::size_t middle, Tile& tile) {
    const Ipp64fc* base = x + (middle << tileBits);
    for (std::size_t hi = 0; hi < tileSide; ++hi)
        for (std::size_t lo = 0; lo < tileSide; ++lo)
            tile[hi][lo] = base[hi * rowStride + lo];
}

// Writes a tile loaded from middle value m into its place at r(m), reversed.
inline void storeTileReversed(Ipp64fc* x, std::size_t rowStride, std::size_t reversedMiddle, const Tile& tile) {
    Ipp64fc* base = x + (reversedMiddle << tileBits);
    for (std::size_t lo = 0; lo < tileSide; ++lo) {
        Ipp64fc* row = base + reversedTileIndex[lo] * rowStride;
        for (std::size_t hi = 0; hi < tileSide; ++hi)
            row[reversedTileIndex[hi]] = tile[hi][lo];
    }
}

void tiledReverseCopy(const Ipp64fc* source, Ipp64fc* destination, std::size_t n) {
    const std::size_t rowStride = n >> tileBits;
    const std::size_t middles = n >> (2 * tileBits);
    Tile tile;
    std::size_t reversed = 0;
    for (std::size_t m = 0; m < middles; ++m) {
        loadTile(source, rowStride, m, tile);
        storeTileReversed(destination, rowStride, reversed, tile);
        reversed = nextReversed(reversed, middles / 2);
    }
}

void tiledReverseInPlace(Ipp64fc* x, std::size_t n) {
    const std::size_t rowStride = n >> tileBits;
    const std::size_t middles = n >> (2 * tileBits);
    Tile first, second;
    std::size_t reversed = 0;
    for (std::size_t m = 0; m < middles; ++m) {
        if (m < reversed) {
            loadTile(x, rowStride, m, first);
            loadTile(x, rowStride, reversed, second);
            storeTileReversed(x, rowStride, reversed, first);
            storeTileReversed(x, rowStride, m, second);
        } else if (m == reversed) {
            loadTile(x, rowStride, m, first);
            storeTileReversed(x, rowStride, m, first);
        }
        reversed = nextReversed(reversed, middles / 2);
    }
}

}  // namespace

PlanShape planShapeOf(int order) {
    PlanShape shape;
    int q = order;
    while (q > largestRadix4Order && FFTSplitOrder[q] != 0) {
        shape.levelOrder[shape.levelCount] = q;
        shape.split[shape.levelCount] = FFTSplitOrder[q];
        ++shape.levelCount;
        q -= FFTSplitOrder[q];
    }
    shape.bottomOrder = q;
    shape.bottomIsMedium = q > largestRadix4Order;
    return shape;
}

bool PlanSizes(int order, PlanSizeSet& sizes) {
    const PlanShape shape = planShapeOf(order);
    sizes = {};
    std::size_t storage = 0;
    if (shape.bottomIsMedium) {
        storage = 16 * pow2(shape.bottomOrder) / 4 + 8208;
    } else if (!checkedMul(16, pow2(shape.bottomOrder) + 1, storage)) {
        return false;
    }
    for (int l = 0; l < shape.levelCount; ++l) {
        std::size_t level = 0;
        if (!checkedAdd(pow2(shape.levelOrder[l]), pow2(shape.split[l]) + 1, level) || !checkedMul(16, level, level) ||
            !checkedAdd(storage, level, storage))
            return false;
        const std::size_t work = 64 * pow2(shape.split[l]);
        if (work > sizes.workBytes)
            sizes.workBytes = work;
    }
    sizes.storageBytes = storage;
    return true;
}

bool sineTableBytes(int order, std::size_t& bytes) {
    std::size_t quarterBytes = 0;
    if (!checkedMul(pow2(order) / 4, 8, quarterBytes) || !checkedAdd(quarterBytes, 23, bytes))
        return false;
    bytes = roundDown16(bytes);
    return true;
}

bool bitReverseTableBytes(int order, std::size_t& bytes) {
    if (!checkedAdd(pow2(order), 19, bytes))
        return false;
    bytes = roundDown16(bytes);
    return true;
}

bool radix4TableBytes(int order, std::size_t& bytes) { return checkedMul(pow2(order) + 1, 16, bytes); }

void BuildTwiddleTable(int order, Ipp64f* sine) {
    const std::size_t n = pow2(order);
    const double step = static_cast<double>(static_cast<long double>(twoPi) / static_cast<long double>(n));
    for (std::size_t k = 0; k <= n / 8; ++k)
        sine[k] = LibSin(static_cast<double>(static_cast<long double>(k) * step));
    for (std::size_t k = n / 8 + 1; k <= n / 4; ++k)
        sine[k] = LibCos(static_cast<double>(static_cast<long double>(n / 4 - k) * step));
}

Ipp32u* BuildBitReverseTable(int order, Ipp32u* table) {
    const std::size_t m = order >= 2 ? pow2(order) / 4 : 1;
    std::size_t front = 0;
    std::size_t back = m - 1;
    std::size_t j = 0;
    for (std::size_t i = 1; i < m; ++i) {
        std::size_t h = m / 2;
        while (h <= j) {
            j -= h;
            h /= 2;
        }
        j += h;
        if (i < j) {
            table[front++] = static_cast<Ipp32u>(4 * i);
            table[front++] = static_cast<Ipp32u>(4 * j);
        } else if (i == j) {
            table[back--] = static_cast<Ipp32u>(4 * i);
        }
    }
    table[front] = 0;
    table[m] = 0;
    const std::size_t end = (reinterpret_cast<std::uintptr_t>(table + m + 1) + 15) & ~std::uintptr_t{15};
    return reinterpret_cast<Ipp32u*>(end);
}

Ipp64fc* BuildRadix4Twiddles(int order, const Ipp64f* sine, int sineOrder, Ipp64fc* table) {
    const std::size_t m = pow2(order);
    const std::size_t stride = pow2(sineOrder - order);
    for (std::size_t k = 0; k <= m / 4; ++k)
        for (std::size_t j = 1; j <= 3; ++j)
            *table++ = quarterWave(j * k, m, sine, stride);
    return table;
}

Ipp64fc* BuildQuarterTwiddles(int order, const Ipp64f* sine, int sineOrder, Ipp64fc* table) {
    const std::size_t m = pow2(order);
    const std::size_t stride = pow2(sineOrder - order);
    for (std::size_t k = 0; k < m / 4; ++k)
        *table++ = {sine[(m / 4 - k) * stride], -sine[k * stride]};
    return table;
}

void BuildPlan(FftSpecRecord& record, int order, const Ipp64f* sine, int sineOrder, Ipp64fc* storage) {
    const PlanShape shape = planShapeOf(order);
    record.twiddles = storage;
    Ipp64fc* next = storage;
    if (shape.bottomIsMedium) {
        next = BuildRadix4Twiddles(largestRadix4Order, sine, sineOrder, next);
        record.quarterTwiddles = next;
        next = BuildQuarterTwiddles(shape.bottomOrder, sine, sineOrder, next);
    } else {
        next = BuildRadix4Twiddles(shape.bottomOrder, sine, sineOrder, next);
    }
    record.workSize = 0;
    for (int l = shape.levelCount - 1; l >= 0; --l) {
        record.radixTwiddles[l] = next;
        next = BuildRadix4Twiddles(shape.split[l], sine, sineOrder, next);
        record.crossTwiddles[l] = next;
        next = buildCrossTwiddles(shape.levelOrder[l], shape.split[l], sine, sineOrder, next);
        const Ipp32s work = static_cast<Ipp32s>(64 * pow2(shape.split[l]));
        if (work > record.workSize)
            record.workSize = work;
    }
}

IppStatus BuildComplexPlan(FftSpecRecord& record, int order, const Ipp64f* sine, int sineOrder) {
    avx2::prepareTables();
    std::size_t bytes = 0;
    if (!bitReverseTableBytes(order, bytes))
        return ippStsMemAllocErr;
    record.bitReverse = static_cast<Ipp32u*>(fftAlloc(bytes));
    if (record.bitReverse == nullptr)
        return ippStsMemAllocErr;
    BuildBitReverseTable(order, record.bitReverse);

    if (order <= largestRadix4Order) {
        if (!radix4TableBytes(order, bytes))
            return ippStsMemAllocErr;
        record.twiddles = static_cast<Ipp64fc*>(fftAlloc(bytes));
        if (record.twiddles == nullptr)
            return ippStsMemAllocErr;
        BuildRadix4Twiddles(order, sine, sineOrder, record.twiddles);
        record.workSize = 0;
        return ippStsNoErr;
    }
    PlanSizeSet sizes;
    if (!PlanSizes(order, sizes))
        return ippStsMemAllocErr;
    auto* storage = static_cast<Ipp64fc*>(fftAlloc(sizes.storageBytes));
    if (storage == nullptr)
        return ippStsMemAllocErr;
    BuildPlan(record, order, sine, sineOrder, storage);
    return ippStsNoErr;
}

void BitReverseCopy(const Ipp64fc* source, Ipp64fc* destination, std::size_t n, const Ipp32u* table) {
    if (n >= tiledReversalPoints)
        return tiledReverseCopy(source, destination, n);
    if (n < 8) {
        destination[0] = source[0];
        destination[n - 1] = source[n - 1];
        if (n == 4) {
            destination[1] = source[2];
            destination[2] = source[1];
        }
        return;
    }
    const std::size_t h = n / 2;
    auto moveQuad = [&](std::size_t a, std::size_t b) {
        destination[b] = source[a];
        destination[b + 1] = source[h + a];
        destination[h + b] = source[a + 1];
        destination[h + b + 1] = source[h + a + 1];
    };
    std::size_t p = 0;
    for (; table[p] != 0; p += 2) {
        const std::size_t a = table[p] / 2, b = table[p + 1] / 2;
        moveQuad(a, b);
        moveQuad(b, a);
    }
    moveQuad(0, 0);
    for (++p; table[p] != 0; ++p) {
        const std::size_t a = table[p] / 2;
        moveQuad(a, a);
    }
}

void BitReverseInPlace(Ipp64fc* data, std::size_t n, const Ipp32u* table) {
    if (n >= tiledReversalPoints)
        return tiledReverseInPlace(data, n);
    if (n < 8) {
        if (n == 4)
            std::swap(data[1], data[2]);
        return;
    }
    const std::size_t h = n / 2;
    std::size_t p = 0;
    for (; table[p] != 0; p += 2) {
        const std::size_t a = table[p] / 2, b = table[p + 1] / 2;
        std::swap(data[a], data[b]);
        std::swap(data[a + 1], data[h + b]);
        std::swap(data[h + a], data[b + 1]);
        std::swap(data[h + a + 1], data[h + b + 1]);
    }
    std::swap(data[1], data[h]);
    for (++p; table[p] != 0; ++p) {
        const std::size_t a = table[p] / 2;
        std::swap(data[a + 1], data[h + a]);
    }
}

void Radix4ForwardPass(Ipp64fc* data, std::size_t n, const Ipp64fc* table) { radix4Pass<false>(data, n, table); }
void Radix4InversePass(Ipp64fc* data, std::size_t n, const Ipp64fc* table) { radix4Pass<true>(data, n, table); }

void ScaleVector(Ipp64f scale, Ipp64f* data, std::size_t count) {
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        data[i] *= scale;
        data[i + 1] *= scale;
        data[i + 2] *= scale;
        data[i + 3] *= scale;
    }
    for (; i < count; ++i)
        data[i] *= scale;
}

void ForwardLarge(const FftSpecRecord& record, Ipp64fc* data, int order, Ipp64fc* work) {
    large<false>(record, data, order, work);
}
void InverseLarge(const FftSpecRecord& record, Ipp64fc* data, int order, Ipp64fc* work) {
    large<true>(record, data, order, work);
}

void transformBitReversed(const FftSpecRecord& record, Ipp64fc* data, int order, bool inverse, Ipp64fc* work) {
    if (order > largestRadix4Order) {
        if (inverse)
            InverseLarge(record, data, order, work);
        else
            ForwardLarge(record, data, order, work);
        return;
    }
    const std::size_t n = pow2(order);
    if (inverse)
        Radix4InversePass(data, n, record.twiddles);
    else
        Radix4ForwardPass(data, n, record.twiddles);
    if (inverse ? record.inverseScaled : record.forwardScaled)
        ScaleVector(record.scale, &data->re, 2 * n);
}

// Below this order a transform is too short to pair its blocks.
constexpr int firstFoldedOrder = 5;

void transformFrom(const FftSpecRecord& record, const Ipp64fc* source, Ipp64fc* destination, int order, bool inverse,
                   Ipp64fc* work) {
    const std::size_t n = pow2(order);
    if (source == destination) {
        BitReverseInPlace(destination, n, record.bitReverse);
    } else if (avx2::available() && order >= firstFoldedOrder) {
        if (order > largestRadix4Order) {
            if (inverse)
                large<true>(record, destination, order, work, source);
            else
                large<false>(record, destination, order, work, source);
            return;
        }
        if (inverse)
            avx2::radix4PassFrom<true>(source, destination, n, record.twiddles);
        else
            avx2::radix4PassFrom<false>(source, destination, n, record.twiddles);
        if (inverse ? record.inverseScaled : record.forwardScaled)
            ScaleVector(record.scale, &destination->re, 2 * n);
        return;
    } else if (order > largestRadix4Order && FFTSplitOrder[order] != 0) {
        if (inverse)
            large<true>(record, destination, order, work, source);
        else
            large<false>(record, destination, order, work, source);
        return;
    } else {
        BitReverseCopy(source, destination, n, record.bitReverse);
    }
    transformBitReversed(record, destination, order, inverse, work);
}

WorkBuffer::~WorkBuffer() { fftFree(owned_); }

bool WorkBuffer::acquire(const FftSpecRecord& record, Ipp8u* callerBuffer) {
    if (record.workSize < 1)
        return true;
    if (callerBuffer != nullptr) {
        const auto aligned = (reinterpret_cast<std::uintptr_t>(callerBuffer) + 15) & ~std::uintptr_t{15};
        buffer_ = reinterpret_cast<Ipp64fc*>(aligned);
        return true;
    }
    owned_ = fftAlloc(static_cast<std::size_t>(record.workSize));
    buffer_ = static_cast<Ipp64fc*>(owned_);
    return owned_ != nullptr;
}

}  // namespace dsp::fft
