#include "dsp/Fir.h"

#include "dsp/CorrelationSupport.h"
#include "dsp/FftReal.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace dsp::fir {

namespace {

constexpr std::size_t fieldAlignment = 32;

// Byte offsets of the arrays that follow the fields in the state block.
struct StateLayout {
    std::size_t taps = 0;
    std::size_t delayLine = 0;
    std::size_t fftTaps = 0;
    std::size_t fftData = 0;
    std::size_t fftWork = 0;
    std::size_t total = 0;

    // Appends `bytes` at the next aligned offset; false when the sum overflows.
    bool append(std::size_t bytes, std::size_t& offset) noexcept
    {
        std::size_t aligned = 0;
        if (!fft::checkedAdd(total, fieldAlignment - 1, aligned))
            return false;
        offset = aligned & ~(fieldAlignment - 1);
        return fft::checkedAdd(offset, bytes, total);
    }

    bool plan(std::int64_t tapsLen, std::int64_t fftLength, std::int64_t workBytes) noexcept
    {
        constexpr std::size_t d = sizeof(Ipp64f);
        std::size_t unused = 0;
        const auto n = static_cast<std::size_t>(tapsLen);
        const auto m = static_cast<std::size_t>(std::max<std::int64_t>(fftLength, 0));
        return append(sizeof(FIRState_64f), unused) && append(n * d, taps) && append((3 * n + 4) * d, delayLine) &&
               append(m * d, fftTaps) && append(m * d, fftData) &&
               append(static_cast<std::size_t>(workBytes), fftWork);
    }
};

template <typename T>
T* at(std::byte* block, std::size_t offset) noexcept
{
    return reinterpret_cast<T*>(block + offset);
}

long double tapSum(const Ipp64f* reversedTaps, const Ipp64f* window, std::int64_t tapsLen) noexcept
{
    long double sum = 0.0L;
    for (std::int64_t k = 0; k < tapsLen; ++k)
        sum += static_cast<long double>(reversedTaps[k]) * window[k];
    return sum;
}

// Direct sums. Source samples are copied or read before the output of the
// same index is written, so the source may also be the destination.
void runDirect(const Ipp64f* src, Ipp64f* dst, std::int64_t count, FIRState_64f& state) noexcept
{
    const std::int64_t tapsLen = state.tapsLen;
    const std::int64_t limit = state.directBlockLimit;
    const Ipp64f* taps = state.taps;
    Ipp64f* line = state.delayLine;
    const auto fromLine = [&](std::int64_t n) { dst[n] = static_cast<Ipp64f>(tapSum(taps, line + n + 1, tapsLen)); };
    if (count <= limit) {
        std::copy(src, src + count, line + tapsLen);
        for (std::int64_t n = 0; n < count; ++n)
            fromLine(n);
        std::memmove(line, line + count, static_cast<std::size_t>(tapsLen) * sizeof(Ipp64f));
        return;
    }
    std::copy(src, src + limit, line + tapsLen);
    // The new history waits behind the extended line, which has room for it.
    Ipp64f* newHistory = line + tapsLen + limit;
    std::copy(src + count - tapsLen, src + count, newHistory);
    for (std::int64_t n = count - 1; n >= limit - 1; --n)
        dst[n] = static_cast<Ipp64f>(tapSum(taps, src + n - tapsLen + 1, tapsLen));
    for (std::int64_t n = 0; n < limit - 1; ++n)
        fromLine(n);
    std::copy(newHistory, newHistory + tapsLen, line);
}

// Overlap-save: each block is the tapsLen - 1 samples before it followed by up
// to S = M - tapsLen + 1 new ones, and gives S outputs. The samples carried from
// block to block are taken from the block buffer, never from the source, so the
// source may also be the destination.
IppStatus runTransform(const Ipp64f* src, Ipp64f* dst, std::int64_t count, FIRState_64f& state) noexcept
{
    const std::int64_t tapsLen = state.tapsLen;
    const std::int64_t m = state.fftLength;
    const std::int64_t step = m - tapsLen + 1;
    const std::int64_t carried = tapsLen - 1;
    Ipp64f* history = state.delayLine;
    Ipp64f* carry = history + tapsLen;
    Ipp64f* buffer = state.fftData;
    std::copy(history + 1, history + tapsLen, carry);
    if (count >= tapsLen) {
        std::copy(src + count - tapsLen, src + count, history);
    } else {
        std::memmove(history, history + count, static_cast<std::size_t>(tapsLen - count) * sizeof(Ipp64f));
        std::copy(src, src + count, history + (tapsLen - count));
    }
    IppStatus status = ippStsNoErr;
    for (std::int64_t p = 0; p < count; p += step) {
        const std::int64_t outputs = std::min(step, count - p);
        std::copy(carry, carry + carried, buffer);
        std::copy(src + p, src + p + outputs, buffer + carried);
        std::fill(buffer + carried + outputs, buffer + m, 0.0);
        std::copy(buffer + outputs, buffer + outputs + carried, carry);
        if (status = native::FFTFwd_RToPerm_64f(buffer, buffer, state.fftSpec, state.fftWork); status < 0)
            return status;
        native::MulPerm_64f_I(state.fftTaps, buffer, static_cast<int>(m));
        if (status = native::FFTInv_PermToR_64f(buffer, buffer, state.fftSpec, state.fftWork); status < 0)
            return status;
        std::copy(buffer + carried, buffer + carried + outputs, dst + p);
    }
    return status;
}

bool knownTag(Ipp32u tag) noexcept
{
    return tag == singleRateTag || tag == multiRateTag;
}

} // namespace

} // namespace dsp::fir

namespace dsp::native {

IppStatus ippsFIRInitAlloc_64f(FIRState_64f** ppState, const Ipp64f* pTaps, int tapsLen, const Ipp64f* pDlyLine)
{
    if (ppState == nullptr || pTaps == nullptr)
        return ippStsNullPtrErr;
    if (tapsLen < 1)
        return ippStsFIRLenErr;
    const std::int64_t taps = tapsLen;
    std::unique_ptr<FFTSpec_R_64f, detail::SpecFree> spec;
    std::int64_t fftLength = -1;
    int workBytes = 0;
    if (taps >= fir::transformTaps) {
        // M is twice the smallest power of two strictly above tapsLen.
        const int order = detail::orderAtLeast(taps + 1, 0) + 1;
        FFTSpec_R_64f* made = nullptr;
        const IppStatus status = ippsFFTInitAlloc_R_64f(&made, order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone);
        if (made == nullptr)
            return status < 0 ? status : ippStsMemAllocErr;
        spec.reset(made);
        if (status == ippStsNoErr) {
            if (const IppStatus query = FFTGetBufSize_R_64f(made, &workBytes); query < 0)
                return query;
            fftLength = std::int64_t{1} << order;
        } else {
            spec.reset(); // a record made with a warning is not used
        }
    }
    fir::StateLayout layout;
    if (!layout.plan(taps, fftLength, workBytes))
        return ippStsMemAllocErr;
    auto block = detail::allocateWork<std::byte>(static_cast<std::int64_t>(layout.total));
    if (!block)
        return ippStsMemAllocErr;
    std::byte* base = block.get();
    std::memset(base, 0, sizeof(FIRState_64f));
    auto* state = reinterpret_cast<FIRState_64f*>(base);
    state->kindTag = fir::singleRateTag;
    state->taps = fir::at<Ipp64f>(base, layout.taps);
    state->delayLine = fir::at<Ipp64f>(base, layout.delayLine);
    state->tapsLen = tapsLen;
    state->tapsLenCopy = tapsLen;
    state->directBlockLimit = static_cast<Ipp32s>((taps + 3) / 4 * 4 + 1);
    state->delayPosition = 0;
    state->fftLength = -1;
    std::reverse_copy(pTaps, pTaps + taps, state->taps);
    std::fill(state->delayLine, state->delayLine + (3 * taps + 4), 0.0);
    if (pDlyLine != nullptr)
        std::reverse_copy(pDlyLine, pDlyLine + (taps - 1), state->delayLine + 1);
    if (spec) {
        state->fftLength = static_cast<Ipp32s>(fftLength);
        state->fftTaps = fir::at<Ipp64f>(base, layout.fftTaps);
        state->fftData = fir::at<Ipp64f>(base, layout.fftData);
        state->fftWork = workBytes > 0 ? fir::at<Ipp8u>(base, layout.fftWork) : nullptr;
        std::fill(std::copy(pTaps, pTaps + taps, state->fftTaps), state->fftTaps + fftLength, 0.0);
        if (const IppStatus status = FFTFwd_RToPerm_64f(state->fftTaps, state->fftTaps, spec.get(), state->fftWork);
            status < 0)
            return status;
        state->fftSpec = spec.release();
    }
    state->owned = 1;
    *ppState = reinterpret_cast<FIRState_64f*>(block.release());
    return ippStsNoErr;
}

IppStatus ippsFIR_64f(const Ipp64f* pSrc, Ipp64f* pDst, int numIters, FIRState_64f* pState)
{
    if (pState == nullptr || pSrc == nullptr || pDst == nullptr)
        return ippStsNullPtrErr;
    if (numIters < 1)
        return ippStsSizeErr;
    // No multi-rate variant is built, so a multi-rate state has no mode to run.
    if (pState->kindTag != fir::singleRateTag || pState->tapsLen < 1 || pState->tapsLen != pState->tapsLenCopy)
        return ippStsContextMatchErr;
    if (numIters >= fir::transformIterations && pState->fftLength > 0 && pState->fftSpec != nullptr)
        return fir::runTransform(pSrc, pDst, numIters, *pState);
    fir::runDirect(pSrc, pDst, numIters, *pState);
    return ippStsNoErr;
}

IppStatus ippsFIRFree_64f(FIRState_64f* pState)
{
    if (pState == nullptr)
        return ippStsNullPtrErr;
    if (!fir::knownTag(pState->kindTag))
        return ippStsContextMatchErr;
    if (pState->owned == 0)
        return ippStsNoErr;
    if (pState->fftSpec != nullptr)
        ippsFFTFree_R_64f(pState->fftSpec);
    fft::fftFree(pState);
    return ippStsNoErr;
}

} // namespace dsp::native
