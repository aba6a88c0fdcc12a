#include "dsp/Statistics.h"

#include <cmath>

#include "dsp/LibCDispatcher.h"
#include "dsp/VectorRoutines.h"

namespace dsp::native {
namespace {

// Two running totals: elements 0 and 2 of every group of four go to the first,
// 1 and 3 to the second, the elements after the last whole group to the first.
struct SplitSum {
    long double first = 0.0L;
    long double second = 0.0L;
    long double total() const { return first + second; }
};

template <class T, class Term>
SplitSum sumInterleaved(const T* src, int len, Term term, long double* beforeTail = nullptr)
{
    SplitSum sum;
    const int whole = len - len % 4;
    for (int i = 0; i < whole; i += 4) {
        sum.first += term(src[i]);
        sum.second += term(src[i + 1]);
        sum.first += term(src[i + 2]);
        sum.second += term(src[i + 3]);
    }
    if (beforeTail != nullptr) {
        *beforeTail = sum.total();
        for (int i = whole; i < len; ++i) {
            *beforeTail += term(src[i]);
        }
    }
    for (int i = whole; i < len; ++i) {
        sum.first += term(src[i]);
    }
    return sum;
}

// Square root of an extended total through the double-precision root. Scaling
// by an even power of two first keeps totals beyond the double range (squares of
// large or tiny differences) from turning into infinity or zero.
double squareRoot(long double x)
{
    if (!(x > 0.0L) || std::isinf(x)) {
        return LibSqrt(static_cast<double>(x));
    }
    int exponent = 0;
    (void)std::frexp(x, &exponent);
    const int even = exponent & ~1;
    const double root = LibSqrt(static_cast<double>(std::ldexp(x, -even)));
    return static_cast<double>(std::ldexp(static_cast<long double>(root), even / 2));
}

template <class Fold>
IppStatus foldDifferences(const Ipp64f* a, const Ipp64f* b, int len, Fold fold, long double& acc)
{
    if (a == nullptr || b == nullptr) {
        return ippStsNullPtrErr;
    }
    if (len < 1) {
        return ippStsSizeErr;
    }
    for (int i = 0; i < len; ++i) {
        fold(acc, static_cast<long double>(a[i]) - b[i]);
    }
    return ippStsNoErr;
}

IppStatus findExtreme(const Ipp64f* src, int len, Ipp64f* value, int* index, bool wantMaximum)
{
    if (index == nullptr) {
        return wantMaximum ? ippsMax_64f(src, len, value) : ippsMin_64f(src, len, value);
    }
    if (src == nullptr || value == nullptr) {
        return ippStsNullPtrErr;
    }
    if (len < 1) {
        return ippStsSizeErr;
    }
    double best = src[0];
    int at = 0;
    for (int i = 1; i < len; ++i) {
        // The minimum's test is written as "not >=" so that a NaN takes over
        // and is in turn replaced by whatever follows it.
        if (wantMaximum ? src[i] > best : !(src[i] >= best)) {
            best = src[i];
            at = i;
        }
    }
    *value = best;
    *index = at;
    return ippStsNoErr;
}

} // namespace

IppStatus ippsNormDiff_L1_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm)
{
    if (pNorm == nullptr) {
        return ippStsNullPtrErr;
    }
    long double sum = 0.0L;
    const IppStatus status =
        foldDifferences(pSrc1, pSrc2, len, [](long double& s, long double d) { s += std::fabs(d); }, sum);
    if (status == ippStsNoErr) {
        *pNorm = static_cast<double>(sum);
    }
    return status;
}

IppStatus ippsNormDiff_L2_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm)
{
    if (pNorm == nullptr) {
        return ippStsNullPtrErr;
    }
    long double sum = 0.0L;
    const IppStatus status =
        foldDifferences(pSrc1, pSrc2, len, [](long double& s, long double d) { s += d * d; }, sum);
    if (status == ippStsNoErr) {
        *pNorm = squareRoot(sum);
    }
    return status;
}

IppStatus ippsNormDiff_Inf_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm)
{
    if (pNorm == nullptr) {
        return ippStsNullPtrErr;
    }
    long double largest = 0.0L;
    const IppStatus status = foldDifferences(
        pSrc1, pSrc2, len,
        [](long double& m, long double d) {
            if (std::fabs(d) > m) {
                m = std::fabs(d);
            }
        },
        largest);
    if (status == ippStsNoErr) {
        *pNorm = static_cast<double>(largest);
    }
    return status;
}

IppStatus ippsMean_64f(const Ipp64f* pSrc, int len, Ipp64f* pMean)
{
    if (pSrc == nullptr || pMean == nullptr) {
        return ippStsNullPtrErr;
    }
    if (len < 1) {
        return ippStsSizeErr;
    }
    const SplitSum sum = sumInterleaved(pSrc, len, [](double x) { return static_cast<long double>(x); });
    *pMean = static_cast<double>(sum.total() / len);
    return ippStsNoErr;
}

IppStatus ippsMean_32f(const Ipp32f* pSrc, int len, Ipp32f* pMean, IppHintAlgorithm)
{
    if (pSrc == nullptr || pMean == nullptr) {
        return ippStsNullPtrErr;
    }
    if (len < 1) {
        return ippStsSizeErr;
    }
    long double total = 0.0L;
    (void)sumInterleaved(pSrc, len, [](float x) { return static_cast<long double>(x); }, &total);
    *pMean = static_cast<float>(total / len);
    return ippStsNoErr;
}

IppStatus ippsStdDev_64f(const Ipp64f* pSrc, int len, Ipp64f* pStdDev)
{
    if (pSrc == nullptr || pStdDev == nullptr) {
        return ippStsNullPtrErr;
    }
    if (len < 2) {
        return ippStsSizeErr;
    }
    // n Q - S^2 does not change when every element is shifted by the same
    // amount; taking the shift from the data keeps a large common offset from
    // cancelling away all the digits that carry the spread.
    const long double shift = pSrc[0];
    const auto centred = [shift](double x) { return x - shift; };
    const long double s = sumInterleaved(pSrc, len, centred).total();
    const long double q = sumInterleaved(pSrc, len, [&](double x) {
                              const long double d = centred(x);
                              return d * d;
                          }).total();
    const long double n = len;
    const long double numerator = n * q - s * s;
    *pStdDev = numerator > 0.0L ? squareRoot(numerator / (n * (n - 1.0L))) : 0.0;
    return ippStsNoErr;
}

IppStatus ippsMinIndx_64f(const Ipp64f* pSrc, int len, Ipp64f* pMin, int* pIndx)
{
    return findExtreme(pSrc, len, pMin, pIndx, false);
}

IppStatus ippsMaxIndx_64f(const Ipp64f* pSrc, int len, Ipp64f* pMax, int* pIndx)
{
    return findExtreme(pSrc, len, pMax, pIndx, true);
}

} // namespace dsp::native
