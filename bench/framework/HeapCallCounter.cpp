#include "HeapCallCounter.h"

#include <atomic>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)

namespace heapCallCounter {
bool available() { return false; }
std::uint64_t mallocCalls() { return 0; }
} // namespace heapCallCounter

#else

namespace {
std::atomic<std::uint64_t> calls{0};
}

extern "C" void* __libc_malloc(std::size_t size);

// Replaces the C library's malloc for this executable only; everything else,
// operator new included, goes through it.
extern "C" void* malloc(std::size_t size)
{
    calls.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}

namespace heapCallCounter {
bool available() { return true; }
std::uint64_t mallocCalls() { return calls.load(std::memory_order_relaxed); }
} // namespace heapCallCounter

#endif
