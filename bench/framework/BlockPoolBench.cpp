#include <benchmark/benchmark.h>

#include "HeapCallCounter.h"
#include "framework/buffers/BlockPool.h"

// Get and put of a size the pool already holds: the steady state of every
// buffer that is created and released again.
static void BM_PoolGetPutKnownSize(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0));
    PoolFree(PoolAlloc(size), size);
    for (auto _ : state) {
        void* block = PoolAlloc(size);
        benchmark::DoNotOptimize(block);
        PoolFree(block, size);
    }
}
BENCHMARK(BM_PoolGetPutKnownSize)->Arg(64)->Arg(8 << 20);

// Baseline of the same run: the heap's own aligned allocation of the same size.
static void BM_HeapAlignedAllocFree(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0));
    const std::uint64_t before = heapCallCounter::mallocCalls();
    for (auto _ : state) {
        void* block = alignedBlockHeap().allocate(static_cast<std::uint32_t>(size));
        benchmark::DoNotOptimize(block);
        alignedBlockHeap().release(block);
    }
    // One per iteration here shows the counter sees the heap.
    if (heapCallCounter::available())
        state.counters["heapCallsPerIteration"] =
            static_cast<double>(heapCallCounter::mallocCalls() - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_HeapAlignedAllocFree)->Arg(64)->Arg(8 << 20);
