#include "dsp/FftAlloc.h"

#include <atomic>
#include <cstdlib>

namespace dsp::fft {

namespace {
constexpr std::size_t blockAlignment = 32;
std::atomic<int> allocationsBeforeFailure{-1};

bool injectedFailure() noexcept {
    int left = allocationsBeforeFailure.load(std::memory_order_relaxed);
    while (left >= 0) {
        if (allocationsBeforeFailure.compare_exchange_weak(left, left - 1, std::memory_order_relaxed))
            return left == 0;
    }
    return false;
}
}  // namespace

void* fftAlloc(std::size_t bytes) noexcept {
    if (bytes == 0 || injectedFailure())
        return nullptr;
    std::size_t rounded = 0;
    if (!checkedAdd(bytes, blockAlignment - 1, rounded))
        return nullptr;
    rounded &= ~(blockAlignment - 1);
    return std::aligned_alloc(blockAlignment, rounded);
}

void fftFree(void* block) noexcept { std::free(block); }

bool checkedMul(std::size_t a, std::size_t b, std::size_t& out) noexcept {
    return !__builtin_mul_overflow(a, b, &out);
}

bool checkedAdd(std::size_t a, std::size_t b, std::size_t& out) noexcept {
    return !__builtin_add_overflow(a, b, &out);
}

void fftFailAllocationAfter(int successes) noexcept {
    allocationsBeforeFailure.store(successes, std::memory_order_relaxed);
}

}  // namespace dsp::fft
