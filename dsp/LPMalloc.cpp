#include "dsp/LPMalloc.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace dsp {

namespace {

// The heap block's own address is kept in a full pointer just before the
// aligned address, so the scheme holds for 64-bit addresses too.
constexpr std::size_t kHeaderSize = sizeof(void*);
constexpr std::size_t kOverhead = kHeaderSize + kAlignedBlockAlignment - 1;

void* alignedAllocBytes(std::size_t size) noexcept
{
    if (size == 0 || size > std::numeric_limits<std::size_t>::max() - kOverhead)
        return nullptr;
    void* const block = ProcessHeapAlloc(size + kOverhead);
    if (block == nullptr)
        return nullptr;
    const auto base = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t aligned = (base + kOverhead) & ~std::uintptr_t{kAlignedBlockAlignment - 1};
    std::memcpy(reinterpret_cast<void*>(aligned - kHeaderSize), &block, sizeof block);
    return reinterpret_cast<void*>(aligned);
}

void* alignedAllocElements(int count, std::size_t elementSize) noexcept
{
    if (count < 1)
        return nullptr;
    const auto n = static_cast<std::size_t>(count);
    if (n > (std::numeric_limits<std::size_t>::max() - kOverhead) / elementSize)
        return nullptr;
    return alignedAllocBytes(n * elementSize);
}

} // namespace

void* ProcessHeapAlloc(std::size_t size) noexcept
{
    return std::malloc(size == 0 ? 1 : size);
}

bool ProcessHeapFree(void* block) noexcept
{
    std::free(block);
    return true;
}

void* AlignedAlloc(int size) noexcept
{
    if (size < 1)
        return nullptr;
    return alignedAllocBytes(static_cast<std::size_t>(size));
}

void* AlignedAlloc64f(int count) noexcept
{
    return alignedAllocElements(count, sizeof(double));
}

void* AlignedAlloc64fc(int count) noexcept
{
    return alignedAllocElements(count, 2 * sizeof(double));
}

void AlignedFree(void* block) noexcept
{
    if (block == nullptr)
        return;
    void* heapBlock = nullptr;
    std::memcpy(&heapBlock, static_cast<const unsigned char*>(block) - kHeaderSize, sizeof heapBlock);
    ProcessHeapFree(heapBlock);
}

} // namespace dsp
