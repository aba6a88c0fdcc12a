// Image-region routines: alpha compositing, copy, fill, mirror and look-up.
#include "dsp/ImageRoutines.h"

#include "dsp/RoutineChecks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

namespace dsp::native {

namespace {

using detail::anyNull;

constexpr int kChannels = 4;

// Rows are addressed through signed 64-bit offsets so that large regions and
// negative steps cannot overflow the row arithmetic.
template <typename Byte>
Byte* row(Byte* base, int step, int r) noexcept
{
    return base + static_cast<std::ptrdiff_t>(step) * r;
}

constexpr Ipp32u sat(Ipp32u v) noexcept
{
    return v > 255 ? 255 : v;
}

struct Pixel {
    Ipp32u c[3];
    Ipp32u alpha;
};

template <int Type>
constexpr Pixel composite(const Pixel& a, const Pixel& b) noexcept
{
    constexpr auto m = AlphaMul;
    const Ipp32u aA = a.alpha, aB = b.alpha, kA = 255 - aA, kB = 255 - aB;
    Pixel out{};
    for (int i = 0; i < 3; ++i) {
        const Ipp32u ac = a.c[i], bc = b.c[i];
        Ipp32u v = 0;
        if constexpr (Type == ippAlphaOver)
            v = m(ac, aA) + m(m(bc, aB), kA);
        else if constexpr (Type == ippAlphaIn)
            v = m(m(ac, aA), aB);
        else if constexpr (Type == ippAlphaOut)
            v = m(m(ac, aA), kB);
        else if constexpr (Type == ippAlphaATop)
            v = m(m(ac, aA), aB) + m(m(bc, aB), kA);
        else if constexpr (Type == ippAlphaXor)
            v = m(m(ac, aA), kB) + m(m(bc, aB), kA);
        else if constexpr (Type == ippAlphaPlus)
            v = sat(m(ac, aA) + m(bc, aB));
        else if constexpr (Type == ippAlphaOverPremul)
            v = sat(ac + m(bc, kA));
        else if constexpr (Type == ippAlphaInPremul)
            v = m(ac, aB);
        else if constexpr (Type == ippAlphaOutPremul)
            v = m(ac, kB);
        else if constexpr (Type == ippAlphaATopPremul)
            v = sat(m(ac, aB) + m(bc, kA));
        else if constexpr (Type == ippAlphaXorPremul)
            v = sat(m(kB, ac) + m(kA, bc));
        else
            v = sat(ac + bc);
        out.c[i] = v;
    }
    if constexpr (Type == ippAlphaOver || Type == ippAlphaOverPremul)
        out.alpha = aA + m(aB, kA);
    else if constexpr (Type == ippAlphaIn || Type == ippAlphaInPremul)
        out.alpha = m(aB, aA);
    else if constexpr (Type == ippAlphaOut)
        out.alpha = m(aA, kB);
    else if constexpr (Type == ippAlphaOutPremul)
        out.alpha = m(kB, aA);
    else if constexpr (Type == ippAlphaATop || Type == ippAlphaATopPremul)
        out.alpha = aB;
    else if constexpr (Type == ippAlphaXor || Type == ippAlphaXorPremul)
        out.alpha = m(kB, aA) + m(kA, aB);
    else
        out.alpha = sat(aA + aB);
    return out;
}

Pixel load(const Ipp8u* p) noexcept
{
    return {{p[0], p[1], p[2]}, p[3]};
}

template <int Type>
void compositeRegion(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst, int dstStep,
                     IppiSize size) noexcept
{
    for (int r = 0; r < size.height; ++r) {
        const Ipp8u* a = row(pSrc1, src1Step, r);
        const Ipp8u* b = row(pSrc2, src2Step, r);
        Ipp8u* d = row(pDst, dstStep, r);
        for (int x = 0; x < size.width; ++x, a += kChannels, b += kChannels, d += kChannels) {
            // Both sources are read before the destination pixel is written.
            const Pixel out = composite<Type>(load(a), load(b));
            for (int i = 0; i < 3; ++i)
                d[i] = static_cast<Ipp8u>(out.c[i]);
            d[3] = static_cast<Ipp8u>(out.alpha);
        }
    }
}

using RegionComposer = void (*)(const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize);

template <std::size_t... Types>
constexpr std::array<RegionComposer, sizeof...(Types)> makeComposers(std::index_sequence<Types...>)
{
    return {&compositeRegion<static_cast<int>(Types)>...};
}

constexpr auto kComposers = makeComposers(std::make_index_sequence<12>{});

IppStatus checkRegion(IppiSize size) noexcept
{
    return size.width < 1 || size.height < 1 ? ippStsSizeErr : ippStsNoErr;
}

template <typename T>
void copyRegion(const T* pSrc, int srcStep, T* pDst, int dstStep, IppiSize size, std::size_t pixelBytes) noexcept
{
    const auto* src = reinterpret_cast<const Ipp8u*>(pSrc);
    auto* dst = reinterpret_cast<Ipp8u*>(pDst);
    const std::size_t rowBytes = static_cast<std::size_t>(size.width) * pixelBytes;
    for (int r = 0; r < size.height; ++r)
        std::memmove(row(dst, dstStep, r), row(src, srcStep, r), rowBytes);
}

constexpr int kPixel3 = 3;

void swapPixels(Ipp8u* p, Ipp8u* q) noexcept
{
    for (int i = 0; i < kPixel3; ++i)
        std::swap(p[i], q[i]);
}

void reverseRow(Ipp8u* line, int width) noexcept
{
    for (int c = 0; c < width / 2; ++c)
        swapPixels(line + kPixel3 * c, line + kPixel3 * (width - 1 - c));
}

using LookUpTable = std::array<Ipp8u, 256>;

Ipp8u clampToByte(long double v) noexcept
{
    if (!(v > 0.0L))
        return 0;
    return v >= 255.0L ? 255 : static_cast<Ipp8u>(v);
}

LookUpTable buildLinearTable(const Ipp32s* values, const Ipp32s* levels, int nLevels) noexcept
{
    LookUpTable table{};
    const auto identity = [&table](std::int64_t from, std::int64_t to) {
        for (std::int64_t i = std::max<std::int64_t>(from, 0); i < std::min<std::int64_t>(to, 256); ++i)
            table[static_cast<std::size_t>(i)] = static_cast<Ipp8u>(i);
    };
    identity(0, levels[0]);
    for (int k = 0; k + 1 < nLevels; ++k) {
        // Level differences are taken in 64 bits: extreme levels must not overflow.
        const std::int64_t lo = levels[k], hi = levels[k + 1];
        if (hi <= lo)
            continue;
        const std::int64_t from = std::clamp<std::int64_t>(lo, 0, 255);
        const std::int64_t to = std::clamp<std::int64_t>(hi, 0, 256);
        if (to - from == 1) {
            table[static_cast<std::size_t>(from)] = clampToByte(values[k]);
        } else if (to - from > 1) {
            const long double slope =
                (static_cast<long double>(values[k + 1]) - values[k]) / static_cast<long double>(hi - lo);
            for (std::int64_t i = from; i < to; ++i) {
                const long double v = i * slope + values[k] + 0.5L - lo * slope;
                table[static_cast<std::size_t>(i)] = clampToByte(std::trunc(v));
            }
        }
    }
    identity(levels[nLevels - 1], 256);
    return table;
}

} // namespace

IppStatus ippiAlphaComp_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                int dstStep, IppiSize roiSize, IppiAlphaType alphaType)
{
    if (anyNull(pSrc1, pSrc2, pDst))
        return ippStsNullPtrErr;
    if (const IppStatus status = checkRegion(roiSize))
        return status;
    const auto type = static_cast<unsigned>(alphaType);
    if (type >= kComposers.size())
        return ippStsAlphaTypeErr;
    kComposers[type](pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize);
    return ippStsNoErr;
}

IppStatus ippiCopy_32s_C1R(const Ipp32s* pSrc, int srcStep, Ipp32s* pDst, int dstStep, IppiSize roiSize)
{
    if (anyNull(pSrc, pDst))
        return ippStsNullPtrErr;
    if (const IppStatus status = checkRegion(roiSize))
        return status;
    copyRegion(pSrc, srcStep, pDst, dstStep, roiSize, sizeof(Ipp32s));
    return ippStsNoErr;
}

IppStatus ippiCopy_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize)
{
    if (anyNull(pSrc, pDst))
        return ippStsNullPtrErr;
    if (const IppStatus status = checkRegion(roiSize))
        return status;
    copyRegion(pSrc, srcStep, pDst, dstStep, roiSize, kChannels);
    return ippStsNoErr;
}

IppStatus ippiSet_8u_C4R(const Ipp8u* value, Ipp8u* pDst, int dstStep, IppiSize roiSize)
{
    if (anyNull(value, pDst))
        return ippStsNullPtrErr;
    if (const IppStatus status = checkRegion(roiSize))
        return status;
    if (dstStep < 1)
        return ippStsStepErr;
    const std::array<Ipp8u, kChannels> pixel{value[0], value[1], value[2], value[3]};
    for (int r = 0; r < roiSize.height; ++r) {
        Ipp8u* line = row(pDst, dstStep, r);
        for (int x = 0; x < roiSize.width; ++x)
            std::memcpy(line + kChannels * static_cast<std::ptrdiff_t>(x), pixel.data(), kChannels);
    }
    return ippStsNoErr;
}

IppStatus ippiMirror_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip)
{
    if (pSrcDst == nullptr)
        return ippStsNullPtrErr;
    if (const IppStatus status = checkRegion(roiSize))
        return status;
    if (flip != ippAxsHorizontal && flip != ippAxsVertical && flip != ippAxsBoth)
        return ippStsMirrorFlipErr;
    const int width = roiSize.width, height = roiSize.height;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * kPixel3;
    if (flip == ippAxsVertical) {
        for (int r = 0; r < height; ++r)
            reverseRow(row(pSrcDst, srcDstStep, r), width);
        return ippStsNoErr;
    }
    for (int r = 0; r < height / 2; ++r) {
        Ipp8u* top = row(pSrcDst, srcDstStep, r);
        Ipp8u* bottom = row(pSrcDst, srcDstStep, height - 1 - r);
        if (flip == ippAxsHorizontal) {
            std::swap_ranges(top, top + rowBytes, bottom);
        } else {
            for (int c = 0; c < width; ++c)
                swapPixels(top + kPixel3 * c, bottom + kPixel3 * (width - 1 - c));
        }
    }
    if (flip == ippAxsBoth && height % 2 != 0)
        reverseRow(row(pSrcDst, srcDstStep, height / 2), width);
    return ippStsNoErr;
}

IppStatus ippiLUT_Linear_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                const Ipp32s* pValues[4], const Ipp32s* pLevels[4], int nLevels[4])
{
    if (anyNull(pSrc, pDst) || pValues == nullptr || pLevels == nullptr || nLevels == nullptr)
        return ippStsNullPtrErr;
    for (int c = 0; c < kChannels; ++c) {
        if (pValues[c] == nullptr || pLevels[c] == nullptr)
            return ippStsNullPtrErr;
        if (nLevels[c] < 2)
            return ippStsLUTNofLevelsErr;
    }
    if (const IppStatus status = checkRegion(roiSize))
        return status;
    if (srcStep < 1 || dstStep < 1)
        return ippStsStepErr;
    std::array<LookUpTable, kChannels> tables;
    for (int c = 0; c < kChannels; ++c)
        tables[static_cast<std::size_t>(c)] = buildLinearTable(pValues[c], pLevels[c], nLevels[c]);
    for (int r = 0; r < roiSize.height; ++r) {
        const Ipp8u* src = row(pSrc, srcStep, r);
        Ipp8u* dst = row(pDst, dstStep, r);
        for (std::ptrdiff_t i = 0; i < static_cast<std::ptrdiff_t>(roiSize.width) * kChannels; ++i)
            dst[i] = tables[static_cast<std::size_t>(i % kChannels)][src[i]];
    }
    return ippStsNoErr;
}

} // namespace dsp::native
