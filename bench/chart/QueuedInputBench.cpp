// Samples streamed into chart channels through their queued inputs while the
// chart refreshes and redraws: how many samples a second reach the channels'
// data, against a plain copy of the same bytes in the same run, how much stays
// queued on the way and how much is lost there.
//
// A queue holds at most TSLBufferQueue::MaxBuffers buffers and drops the
// oldest beyond that, unread samples and all. A source that sends faster than
// the chart takes reaches that cap and loses samples: with paced:0 the feeder
// sends as fast as it can, as before, and dropped_samples says how many of
// the samples sent were lost (sent = reached the channel + still queued +
// dropped). With paced:1 the feeder waits while a channel's queue holds half
// the cap, so nothing is dropped and samples_per_s is what the chart takes
// when it is the slower side.
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

// A paced feeder keeps every queue below half its cap.
constexpr std::uint64_t pacedLimit = TSLBufferQueue::MaxBuffers / 2 * bufferSamples;

// Sends buffers of a slow sine through source pins linked to every channel's
// Y input, round after round, until told to stop: as fast as it can, or,
// when `queues` is given, only while each of them holds less than the paced
// limit. Counts the samples it sends.
void feed(std::vector<TOwned<TSLOWRealSourcePin>>& sources, const std::vector<TSLOWQueuedPinImpl*>& queues,
          std::atomic<bool>& stop, std::uint64_t& sent)
{
    for (auto& source : sources)
        source->SendOperation(OWMakeOperation<TOWStartSampleRateOperation>(0, 1000.0));
    const auto full = [&] {
        return std::any_of(queues.begin(), queues.end(),
                           [](const TSLOWQueuedPinImpl* queue) { return queue->GetQueuedCount() >= pacedLimit; });
    };
    std::vector<double> samples(bufferSamples);
    for (std::uint64_t round = 0; !stop.load(std::memory_order_relaxed); ++round) {
        while (full() && !stop.load(std::memory_order_relaxed))
            std::this_thread::yield();
        for (std::uint32_t i = 0; i < bufferSamples; ++i)
            samples[i] = std::sin(static_cast<double>(round * bufferSamples + i) * 1e-3);
        for (auto& source : sources) {
            source->SendOperation(OWMakeOperation<TOWSuppliedBufferOperation>(
                TSLRealBuffer::CreateFromData(samples.data(), bufferSamples)));
            sent += bufferSamples;
        }
    }
}

// Argument: 1 for the paced feeder.
void BM_QueuedInputs(benchmark::State& state)
{
    static std::once_flag once;
    std::call_once(once, [] { OWPinsStartUp(OWStandardTypeUnits()); });
    const bool paced = state.range(0) != 0;
    std::uint64_t taken = 0;
    std::uint64_t sentInAll = 0;
    std::uint64_t dropped = 0;
    std::uint64_t peakQueued = 0;
    double seconds = 0;
    for (auto _ : state) {
        TSLScope scope;
        scope.resize(1200, 600);
        std::vector<TOwned<TSLOWRealSourcePin>> sources;
        std::vector<TSLOWQueuedPinImpl*> queues;
        for (int c = 0; c < channels; ++c) {
            sources.push_back(MakeObject<TSLOWRealSourcePin>(nullptr, nullptr));
            TSLScopeChannel& channel = scope.Channels.Add();
            channel.InputPin().Connect(sources.back().get());
            queues.push_back(&channel.Inputs().Y());
        }
        std::atomic<bool> stop{false};
        std::uint64_t sent = 0;
        const auto begin = std::chrono::steady_clock::now();
        std::thread feeder(feed, std::ref(sources), paced ? queues : std::vector<TSLOWQueuedPinImpl*>{},
                           std::ref(stop), std::ref(sent));
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
        // Whatever was sent and neither reached a channel nor is still
        // queued was dropped on the way (counted up to the feeder's stop, a
        // round or so after the time taken).
        std::uint64_t queued = 0;
        for (const TSLOWQueuedPinImpl* queue : queues)
            queued += queue->GetQueuedCount();
        sentInAll += sent;
        dropped += sent - inStore - queued;
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
    state.counters["dropped_samples"] = static_cast<double>(dropped) / static_cast<double>(state.iterations());
    state.counters["dropped_share"] = static_cast<double>(dropped) / static_cast<double>(sentInAll);
    state.counters["memcpy_samples_per_s"] = static_cast<double>(from.size()) / copySeconds;
    state.counters["peak_queued_MB"] = static_cast<double>(peakQueued) * sizeof(double) / 1e6;
    state.counters["cap_MB"] = static_cast<double>(TSLBufferQueue::MaxBuffers * bufferSamples) * sizeof(double) / 1e6;
}
BENCHMARK(BM_QueuedInputs)->ArgName("paced")->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
