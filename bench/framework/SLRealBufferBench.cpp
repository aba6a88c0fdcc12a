#include <benchmark/benchmark.h>

#include "BandwidthAgainstMemcpy.h"
#include "HeapCallCounter.h"
#include "framework/buffers/SLRealBuffer.h"

// A buffer of a million doubles created and released in a loop reuses its
// pooled block and objects: no heap call once the pool holds them.
static void BM_RealBufferCreateRelease(benchmark::State& state)
{
    const auto count = static_cast<std::uint32_t>(state.range(0));
    TSLRealBuffer::CreateSized(count).reset();
    const std::uint64_t before = heapCallCounter::mallocCalls();
    for (auto _ : state) {
        SLRef<TSLRealBuffer> buffer = TSLRealBuffer::CreateSized(count);
        benchmark::DoNotOptimize(buffer.get());
    }
    if (heapCallCounter::available())
        state.counters["heapCallsPerIteration"] =
            static_cast<double>(heapCallCounter::mallocCalls() - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RealBufferCreateRelease)->Arg(1'000'000);

// Cloning shares the block, so its cost does not depend on the length.
static void BM_RealBufferClone(benchmark::State& state)
{
    SLRef<TSLRealBuffer> buffer = TSLRealBuffer::CreateSized(static_cast<std::uint32_t>(state.range(0)));
    for (auto _ : state) {
        SLRef<ISLData> clone = buffer->Clone();
        benchmark::DoNotOptimize(clone.get());
    }
}
BENCHMARK(BM_RealBufferClone)->Arg(16)->Arg(16'000'000);

// The vector operations against memcpy, on 8,000,000 elements.
template <typename Operation>
static void measureAgainstMemcpy(benchmark::State& state, double bytesPerElement, Operation operation)
{
    constexpr std::uint32_t count = 8'000'000;
    SLRef<TSLRealBuffer> a = TSLRealBuffer::CreateSized(count);
    SLRef<TSLRealBuffer> b = TSLRealBuffer::CreateSized(count);
    a->Fill(1.0);
    b->Fill(1.0 + 1e-9);
    measureAgainstMemcpy(state, *a, *b, bytesPerElement, operation);
}

static void BM_RealBufferAdd(benchmark::State& state)
{
    measureAgainstMemcpy(state, 24.0, [](TSLRealBuffer& a, TSLRealBuffer& b) { a.Add(b); });
}
static void BM_RealBufferMultiply(benchmark::State& state)
{
    measureAgainstMemcpy(state, 24.0, [](TSLRealBuffer& a, TSLRealBuffer& b) { a.Multiply(b); });
}
static void BM_RealBufferFill(benchmark::State& state)
{
    measureAgainstMemcpy(state, 8.0, [](TSLRealBuffer& a, TSLRealBuffer&) { a.Fill(3.0); });
}
BENCHMARK(BM_RealBufferAdd)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RealBufferMultiply)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RealBufferFill)->UseManualTime()->Unit(benchmark::kMillisecond);
