// Streaming 1,000-sample real buffers from a buffer source pin to one buffer
// sink pin, against copying the same samples (what handing a buffer over by
// value would cost at the least), measured in the same run. The sink checks
// that every buffer reaches it on its own block: "samplesCopied" counts the
// samples of buffers that arrived anywhere else.
#include "framework/buffers/SLRealBuffer.h"
#include "framework/streams/SLBufferTypes.h"
#include "framework/streams/SLOWSinkPins.h"
#include "framework/streams/SLOWSourcePins.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <mutex>
#include <vector>

namespace {

constexpr std::uint32_t samples = 1000;

class TBenchOwner : public TComponent {
public:
    TBenchOwner() : TComponent(nullptr) { SetName("Bench"); }
    TOWLockRef lock = TOWLock::Create();
};

void registerTypes()
{
    static std::once_flag once;
    std::call_once(once, [] { OWPinsStartUp(OWStandardTypeUnits()); });
}

// What the sink saw.
struct TCounts {
    const void* expected = nullptr;
    std::uint64_t buffers = 0;
    std::uint64_t samplesCopied = 0;
    double firstSamples = 0;

    bool receive(TOWBasicPin*, const TGUID&, const TOWNotifyOperationRef& operation, TOWHandlerFlags)
    {
        const auto* supplied = OWOperationAs<TOWSuppliedBufferOperation>(operation);
        if (!supplied)
            return false;
        auto* buffer = static_cast<ISLRealBuffer*>(dynamic_cast<ISLRealBuffer*>(supplied->Buffer().get()));
        const double* data = buffer->GetReadPointer();
        if (data != expected)
            samplesCopied += buffer->GetCount();
        firstSamples += data[0];
        ++buffers;
        return true;
    }
};

void realBuffersFromSourceToSink(benchmark::State& state)
{
    registerTypes();
    TBenchOwner owner;
    TCounts counts;
    auto source = MakeObject<TSLOWRealSourcePin>(&owner, owner.lock.Get());
    auto sink = MakeObject<TSLOWRealSinkPin>(&owner, owner.lock.Get(), TSLOWReceiveEvent::Of<&TCounts::receive>(&counts));
    if (!sink->Connect(source.get()))
        state.SkipWithError("the pins did not link");
    std::vector<double> values(samples, 1.0);
    const SLRef<TSLRealBuffer> buffer = TSLRealBuffer::CreateFromData(values.data(), samples);
    counts.expected = buffer->GetReadPointer();
    source->SendOperation(OWMakeOperation<TOWStartSampleRateOperation>(0, 1000.0));
    for (auto _ : state)
        source->SendOperation(OWMakeOperation<TOWSuppliedBufferOperation>(buffer));
    if (counts.buffers != static_cast<std::uint64_t>(state.iterations()))
        state.SkipWithError("a buffer was lost");
    state.SetItemsProcessed(state.iterations());
    state.counters["buffersPerSecond"] = benchmark::Counter(static_cast<double>(counts.buffers), benchmark::Counter::kIsRate);
    state.counters["samplesCopied"] = static_cast<double>(counts.samplesCopied);
}
BENCHMARK(realBuffersFromSourceToSink);

// The baseline: one copy of the buffer's samples per buffer.
void copyingTheSamples(benchmark::State& state)
{
    std::vector<double> from(samples, 1.0), to(samples, 0.0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), samples * sizeof(double));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["buffersPerSecond"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(copyingTheSamples);

} // namespace
