#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "HeapCallCounter.h"
#include "framework/SLRealBuffer.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

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

// Bandwidth of the vector operations against memcpy measured in the same loop.
// Bytes counted are those read plus those written.
template <typename Operation>
static void measureAgainstMemcpy(benchmark::State& state, double bytesPerElement, Operation operation)
{
    constexpr std::uint32_t count = 8'000'000;
    SLRef<TSLRealBuffer> a = TSLRealBuffer::CreateSized(count);
    SLRef<TSLRealBuffer> b = TSLRealBuffer::CreateSized(count);
    a->Fill(1.0);
    b->Fill(1.0 + 1e-9);
    std::vector<double> from(count, 2.0), to(count, 0.0);
    double operationSeconds = 0, memcpySeconds = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        operation(*a, *b);
        const double seconds = secondsSince(start);
        operationSeconds += seconds;
        start = Clock::now();
        std::memcpy(to.data(), from.data(), count * sizeof(double));
        benchmark::ClobberMemory();
        memcpySeconds += secondsSince(start);
        state.SetIterationTime(seconds);
    }
    const double n = static_cast<double>(state.iterations()) * count;
    const double operationRate = n * bytesPerElement / operationSeconds;
    const double memcpyRate = n * 16.0 / memcpySeconds;
    state.counters["GBps"] = operationRate / 1e9;
    state.counters["memcpyGBps"] = memcpyRate / 1e9;
    state.counters["ratioToMemcpy"] = operationRate / memcpyRate;
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
