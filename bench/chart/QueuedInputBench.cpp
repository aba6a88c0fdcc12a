// Samples streamed into chart channels through their queued inputs while the
// chart refreshes and redraws: how many samples a second reach the channels'
// data, against a plain copy of the same bytes in the same run, and how much
// stays queued on the way.
#include "chart/SLScope.h"
#include "framework/buffers/SLRealBuffer.h"
#include "framework/operations/OWOperations.h"
#include "framework/streams/SLBufferTypes.h"
#include "framework/streams/SLOWSourcePins.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace zq::chart;

constexpr int channels = 15;
constexpr std::uint32_t bufferSamples = 1000;
constexpr std::uint64_t samplesPerChannel = 400'000;

// Sends buffers of a slow sine through source pins linked to every channel's
// Y input, round after round, as fast as it can, until told to stop.
void feed(std::vector<TOwned<TSLOWRealSourcePin>>& sources, std::atomic<bool>& stop)
{
    for (auto& source : sources)
        source->SendOperation(OWMakeOperation<TOWStartSampleRateOperation>(0, 1000.0));
    std::vector<double> samples(bufferSamples);
    for (std::uint64_t round = 0; !stop.load(std::memory_order_relaxed); ++round) {
        for (std::uint32_t i = 0; i < bufferSamples; ++i)
            samples[i] = std::sin(static_cast<double>(round * bufferSamples + i) * 1e-3);
        for (auto& source : sources)
            source->SendOperation(OWMakeOperation<TOWSuppliedBufferOperation>(
                TSLRealBuffer::CreateFromData(samples.data(), bufferSamples)));
    }
}

void BM_QueuedInputs(benchmark::State& state)
{
    static std::once_flag once;
    std::call_once(once, [] { OWPinsStartUp(OWStandardTypeUnits()); });
    std::uint64_t taken = 0;
    std::uint64_t peakQueued = 0;
    double seconds = 0;
    for (auto _ : state) {
        TSLScope scope;
        scope.resize(1200, 600);
        std::vector<TOwned<TSLOWRealSourcePin>> sources;
        for (int c = 0; c < channels; ++c) {
            sources.push_back(MakeObject<TSLOWRealSourcePin>(nullptr, nullptr));
            scope.Channels.Add().InputPin().Connect(sources.back().get());
        }
        std::atomic<bool> stop{false};
        const auto begin = std::chrono::steady_clock::now();
        std::thread feeder(feed, std::ref(sources), std::ref(stop));
        std::uint64_t inStore = 0;
        while (inStore < channels * samplesPerChannel) {
            scope.CommitPendingData();
            benchmark::DoNotOptimize(scope.RenderedImage().constBits());
            inStore = 0;
            for (int c = 0; c < channels; ++c) {
                TSLScopeChannel& channel = scope.Channels.GetItem(c);
                inStore += channel.Data.GetCount();
                peakQueued = std::max<std::uint64_t>(peakQueued, channel.Inputs().Y().GetQueuedCount());
            }
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        stop.store(true);
        feeder.join();
        taken += inStore;
    }
    // The baseline: the same bytes (X and Y of every sample) copied by memcpy.
    std::vector<double> from(channels * samplesPerChannel), to(from.size());
    const auto copyBegin = std::chrono::steady_clock::now();
    for (int copy = 0; copy < 2; ++copy) {
        std::memcpy(to.data(), from.data(), from.size() * sizeof(double));
        benchmark::ClobberMemory();
    }
    const double copySeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - copyBegin).count();
    state.counters["samples_per_s"] = static_cast<double>(taken) / seconds;
    state.counters["memcpy_samples_per_s"] = static_cast<double>(from.size()) / copySeconds;
    state.counters["peak_queued_MB"] = static_cast<double>(peakQueued) * sizeof(double) / 1e6;
    state.counters["cap_MB"] = static_cast<double>(TSLBufferQueue::MaxBuffers * bufferSamples) * sizeof(double) / 1e6;
}
BENCHMARK(BM_QueuedInputs)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
