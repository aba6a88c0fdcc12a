#include "dsp/ExpLn.h"
#include "dsp/RoutineChecks.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

#include "dsp/LibCDispatcher.h"
#include "dsp/LnKernel.h"

namespace dsp::native {
namespace {

constexpr std::uint64_t signBit = 0x8000'0000'0000'0000;
constexpr std::uint64_t positiveInfinityBits = 0x7FF0'0000'0000'0000;
constexpr std::uint64_t positiveQuietNanBits = 0x7FF8'0000'0000'0000;

// Limits on the upper 32 bits of |x|: from here on the result is no longer a
// normal double, so it is written as 0 or +infinity without evaluation.
constexpr std::uint32_t underflowFrom = 0x4086'232B; // |x| >= 708.39599609375
constexpr std::uint32_t overflowFrom = 0x4086'2E42;  // |x| >= 709.7822265625

struct ExpKernel {
    static constexpr double invLn2 = 1.4426950408889634;
    // ln 2 split so that k x ln2Hi is exact for every k the ordinary range can give.
    static constexpr double ln2Hi = 0.6931471803691238;
    static constexpr double ln2Lo = 1.9082149292705877E-10;
    static constexpr double p1 = 0.16666666666666602;
    static constexpr double p2 = -0.0027777777777015593;
    static constexpr double p3 = 6.613756321437934E-05;
    static constexpr double p4 = -1.6533902205465252E-06;
    static constexpr double p5 = 4.1381367970572385E-08;
    // 1.5 x 2^52: adding it leaves the sum in [2^52, 2^53) for products of
    // either sign, where the unit in the last place is 1, so the addition
    // rounds to the nearest integer (a bare 2^52 would misround negatives).
    static constexpr double roundingShifter = 0x1.8p52;
};

enum class ExpClass : std::uint8_t { ordinary, notANumber, zero, infinity };

std::uint32_t upperMagnitude(double x)
{
    return static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(x) >> 32) & 0x7FFF'FFFFu;
}

ExpClass classify(double x)
{
    const std::uint32_t magnitude = upperMagnitude(x);
    if (magnitude < underflowFrom) {
        return ExpClass::ordinary;
    }
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    // The whole word decides NaN: a payload in the low half alone must not
    // pass for an infinity.
    if ((bits & ~signBit) > positiveInfinityBits) {
        return ExpClass::notANumber;
    }
    if ((bits & signBit) != 0) {
        return ExpClass::zero;
    }
    return magnitude >= overflowFrom ? ExpClass::infinity : ExpClass::ordinary;
}

using Quad = std::array<double, 4>;

// e^x for four ordinary values with one division shared among them.
Quad expOfFour(const Quad& x)
{
    using K = ExpKernel;
    Quad k{}, hi{}, lo{}, r{}, c{}, f{};
    for (int j = 0; j < 4; ++j) {
        k[j] = (x[j] * K::invLn2 + K::roundingShifter) - K::roundingShifter;
        hi[j] = x[j] - k[j] * K::ln2Hi;
        lo[j] = k[j] * K::ln2Lo;
        r[j] = hi[j] - lo[j];
        const double t = r[j] * r[j];
        c[j] = r[j] - t * (K::p1 + t * (K::p2 + t * (K::p3 + t * (K::p4 + t * K::p5))));
        f[j] = 2.0 - c[j];
    }
    const double f01 = f[0] * f[1];
    const double f23 = f[2] * f[3];
    const double q = 1.0 / (f01 * f23);
    const Quad inverse{q * f[1] * f23, q * f[0] * f23, q * f01 * f[3], q * f01 * f[2]};
    Quad y{};
    for (int j = 0; j < 4; ++j) {
        const double mantissa = 1.0 - ((lo[j] - (r[j] * c[j]) * inverse[j]) - hi[j]);
        // k stays within -1022..1024 in the ordinary range and the mantissa
        // lies in [0.7, 1.42], so the sum of exponents stays normal.
        const auto scale = static_cast<std::uint64_t>(static_cast<std::int64_t>(k[j])) << 52;
        y[j] = std::bit_cast<double>(std::bit_cast<std::uint64_t>(mantissa) + scale);
    }
    return y;
}

double specialExp(ExpClass kind, double x)
{
    switch (kind) {
    case ExpClass::notANumber: return x + x; // quiets a signalling NaN
    case ExpClass::zero: return 0.0;
    case ExpClass::infinity: return HUGE_VAL;
    case ExpClass::ordinary: break;
    }
    return LibExp(x);
}

IppStatus expVector(const Ipp64f* src, Ipp64f* dst, int len)
{
    if (src == nullptr || dst == nullptr) {
        return ippStsNullPtrErr;
    }
    if (len < 1) {
        return ippStsSizeErr;
    }
    if (len < 4) {
        for (int i = 0; i < len; ++i) {
            dst[i] = LibExp(src[i]);
        }
        return ippStsNoErr;
    }
    // Scanned from the end. Ordinary elements gather into slots 3, 2, 1, 0 so
    // that a group keeps index order whether or not specials came between.
    Quad pending{};
    std::array<int, 4> pendingAt{};
    int free = 4;
    int i = len - 1;
    while (i >= 0) {
        if (free == 4 && i >= 3) {
            const std::uint32_t widest = std::max(std::max(upperMagnitude(src[i - 3]), upperMagnitude(src[i - 2])),
                                                  std::max(upperMagnitude(src[i - 1]), upperMagnitude(src[i])));
            if (widest < underflowFrom) {
                const Quad x{src[i - 3], src[i - 2], src[i - 1], src[i]};
                const Quad y = expOfFour(x);
                for (int j = 0; j < 4; ++j) {
                    dst[i - 3 + j] = y[j];
                }
                i -= 4;
                continue;
            }
        }
        const double x = src[i];
        const ExpClass kind = classify(x);
        if (kind != ExpClass::ordinary) {
            dst[i] = specialExp(kind, x);
        } else {
            --free;
            pending[free] = x;
            pendingAt[free] = i;
            if (free == 0) {
                const Quad y = expOfFour(pending);
                for (int j = 0; j < 4; ++j) {
                    dst[pendingAt[j]] = y[j];
                }
                free = 4;
            }
        }
        --i;
    }
    for (int j = free; j < 4; ++j) {
        dst[pendingAt[j]] = LibExp(pending[j]);
    }
    return ippStsNoErr;
}

// One element; a special one sets the status unless an earlier one did.
void lnElement(double x, double& out, IppStatus& status)
{
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    // Positive, non-zero and not a quiet NaN (infinity and signalling NaNs
    // included): the library logarithm knows what to do.
    if (bits - 1 < positiveQuietNanBits - 1) {
        out = LibLn(x);
    } else if ((bits & signBit) != 0) {
        out = detail::kDefaultNaN;
        if (status == ippStsNoErr) {
            status = ippStsLnNegArg;
        }
    } else if (bits == 0) {
        out = -HUGE_VAL;
        if (status == ippStsNoErr) {
            status = ippStsLnZeroArg;
        }
    } else {
        out = std::bit_cast<double>(positiveQuietNanBits);
    }
}

IppStatus lnVector(const Ipp64f* src, Ipp64f* dst, int len)
{
    if (src == nullptr || dst == nullptr) {
        return ippStsNullPtrErr;
    }
    if (len < 1) {
        return ippStsSizeErr;
    }
    IppStatus status = ippStsNoErr;
    int i = 0;
    if (lnkernel::fastAvailable()) {
        // Groups of four ordinary elements give what LibLn gives each of them.
        for (; i + 4 <= len; i += 4) {
            if (!lnkernel::lnOfFour(src + i, dst + i)) {
                for (int j = i; j < i + 4; ++j) {
                    lnElement(src[j], dst[j], status);
                }
            }
        }
    }
    for (; i < len; ++i) {
        lnElement(src[i], dst[i], status);
    }
    return status;
}

} // namespace

IppStatus ippsExp_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) { return expVector(pSrc, pDst, len); }
IppStatus ippsExp_64f_I(Ipp64f* pSrcDst, int len) { return expVector(pSrcDst, pSrcDst, len); }
IppStatus ippsLn_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) { return lnVector(pSrc, pDst, len); }
IppStatus ippsLn_64f_I(Ipp64f* pSrcDst, int len) { return lnVector(pSrcDst, pSrcDst, len); }

} // namespace dsp::native
