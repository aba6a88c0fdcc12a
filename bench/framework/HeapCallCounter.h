#pragma once
// Counts calls of the process heap's malloc in this benchmark executable.
// Unavailable (always 0, available() false) under the sanitizers, whose own
// allocator must stay in charge.
#include <cstdint>

namespace heapCallCounter {
bool available();
std::uint64_t mallocCalls();
} // namespace heapCallCounter
