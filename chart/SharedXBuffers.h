#pragma once

#include <cstddef>

#include "framework/SLRealBuffer.h"

namespace zq::chart {

// The channels of one log are sampled at the same times, so their X values are
// usually equal: they are kept once, in one block shared by every channel's X
// buffer. Copy-on-write keeps the channels independent should one change.
class SharedXBuffers {
public:
    // A buffer of its own holding x[0 .. count), on the block of an equal one
    // already handed out when there is one. Safe from any thread.
    static SLRef<TSLRealBuffer> Acquire(const double* x, std::size_t count);
    // The buffer's block bytes divided among the channels holding it.
    static std::size_t ShareOfBytes(TSLRealBuffer& buffer);
    // Blocks currently remembered (each still held by some channel).
    static std::size_t HeldCount();
};

} // namespace zq::chart
