#include <benchmark/benchmark.h>

#include <numeric>
#include <vector>

#include "BandwidthAgainstMemcpy.h"
#include "framework/buffers/SLRealBuffer.h"
#include "framework/streams/SLBufferQueue.h"

// A full queue's worth of 1,000-sample buffers pushed and read back out in
// blocks of the argument's length, against memcpy of the same samples' bytes.
static void BM_BufferQueuePushAndFill(benchmark::State& state)
{
    constexpr std::uint32_t samplesPerBuffer = 1000;
    constexpr std::uint32_t bufferCount = TSLBufferQueue::MaxBuffers;
    constexpr std::uint32_t total = samplesPerBuffer * bufferCount;
    const auto block = static_cast<std::uint32_t>(state.range(0));

    std::vector<SLRef<TSLRealBuffer>> sources;
    for (std::uint32_t i = 0; i < bufferCount; ++i) {
        sources.push_back(TSLRealBuffer::CreateSized(samplesPerBuffer));
        std::iota(sources.back()->GetWritePointer(), sources.back()->GetWritePointer() + samplesPerBuffer, 0.0);
    }
    SLRef<TSLRealBuffer> dest = TSLRealBuffer::CreateSized(block);
    // Only their sizes are used: all samples, read once and written once.
    SLRef<TSLRealBuffer> all = TSLRealBuffer::CreateSized(total);
    TSLBufferQueue queue;
    measureAgainstMemcpy(state, *all, *all, 16.0, [&](TSLRealBuffer&, TSLRealBuffer&) {
        for (const SLRef<TSLRealBuffer>& source : sources)
            queue.Push(*source);
        while (queue.FillFromQueue(*dest))
            benchmark::DoNotOptimize(dest->GetReadPointer());
        // Whatever does not fill a whole block is left from the round.
        while (queue.PopHead()) {
        }
    });
}
BENCHMARK(BM_BufferQueuePushAndFill)->Arg(1000)->Arg(2500)->UseManualTime()->Unit(benchmark::kMicrosecond);
