#pragma once
// Process-heap blocks and the 32-byte aligned blocks built on them. The numeric
// routines, the FFT and FIR records and the buffer pool all allocate here.
#include <cstddef>

namespace dsp {

// A heap block of `size` bytes (contents undefined); null when the heap has no room.
// A zero size still gives a distinct block, as the process heap does.
void* ProcessHeapAlloc(std::size_t size) noexcept;

// Returns a block of ProcessHeapAlloc to the heap; true on success (null is accepted).
bool ProcessHeapFree(void* block) noexcept;

// Alignment of every block handed out by the aligned allocator.
inline constexpr std::size_t kAlignedBlockAlignment = 32;

// A 32-byte aligned block of at least `size` bytes; null when size is below 1 or
// the heap has no room. Release it with AlignedFree only.
void* AlignedAlloc(int size) noexcept;

// Aligned blocks of `count` doubles (8 bytes) or complex doubles (16 bytes); null
// when count is below 1, when the byte size would not fit, or the heap has no room.
void* AlignedAlloc64f(int count) noexcept;
void* AlignedAlloc64fc(int count) noexcept;

// Frees a block of the aligned allocator; null does nothing.
void AlignedFree(void* block) noexcept;

} // namespace dsp
