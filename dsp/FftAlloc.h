#pragma once
// Aligned blocks for the FFT records, tables and work buffers. Sizes are size_t:
// the tables of the largest orders run to many gigabytes, far beyond what a
// 32-bit size can express.
#include <cstddef>

namespace dsp::fft {

// Block aligned to 32 bytes, or null when the size is 0 or memory is short.
void* fftAlloc(std::size_t bytes) noexcept;
void fftFree(void* block) noexcept;

// Checked size arithmetic: false when the result does not fit in size_t.
bool checkedMul(std::size_t a, std::size_t b, std::size_t& out) noexcept;
bool checkedAdd(std::size_t a, std::size_t b, std::size_t& out) noexcept;

// Test seam: the next `successes` allocations succeed and the one after fails;
// a negative count (the default) turns the injected failure off.
void fftFailAllocationAfter(int successes) noexcept;

}  // namespace dsp::fft
