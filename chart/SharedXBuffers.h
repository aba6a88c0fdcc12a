#pragma once

#include "chart/XIndex.h"
#include "framework/buffers/SLRealBuffer.h"

#include <cstddef>
#include <memory>

namespace zq::chart {

// A channel's X values and what lookups by X need to know about them.
struct SharedX {
    SLRef<TSLRealBuffer> buffer;
    std::shared_ptr<const XIndex> index;
};

// The channels of one log are sampled at the same times, so their X values are
// usually equal: they are kept once, in one block shared by every channel's X
// buffer, and analysed once. Copy-on-write keeps the channels independent
// should one change.
class SharedXBuffers {
public:
    // A buffer of its own holding x[0 .. count), on the block of an equal one
    // already handed out when there is one, with the index of those values.
    // Safe from any thread.
    static SharedX Acquire(const double* x, std::size_t count);
    // The block's and the index's bytes divided among the channels holding them.
    static std::size_t ShareOfBytes(const SharedX& x);
    // Blocks currently remembered (each still held by some channel).
    static std::size_t HeldCount();
};

} // namespace zq::chart
