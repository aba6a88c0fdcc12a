// One buffer operation delivered by a source pin to 1, 8 and 64 linked sinks,
// against calling the same handlers through std::function in a loop. Both
// are timed alternately in batches within one benchmark, so that a change
// of machine load touches both alike; "ratio" is the figure that counts.
// The batches are timed in the thread's CPU time, so that time the thread
// spends waiting for a core on a loaded machine counts for neither.
#include "ThreadClock.h"
#include "framework/buffers/SLRealBuffer.h"
#include "framework/pins/OWSinkPin.h"
#include "framework/pins/OWSourcePin.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr TGUID benchBufferType = ParseGuid("{BE000000-0000-0000-0000-0000000000B1}");

// The receiver a source handler looks up on its target, as the typed
// handlers do: ask for the interface, then hand over the operation.
class IBenchBufferReceiver {
public:
    static constexpr std::string_view Guid = "{BE000000-0000-0000-0000-0000000000B1}";
    virtual bool Receive(const TOWNotifyOperationRef& operation, TOWHandlerFlags flags) = 0;

protected:
    ~IBenchBufferReceiver() = default;
};

class TBenchOwner : public TComponent {
public:
    TBenchOwner() : TComponent(nullptr) { SetName("Bench"); }
    TOWLockRef lock = TOWLock::Create();
};

class TBenchSink final : public TOWSinkPin, public IBenchBufferReceiver {
public:
    explicit TBenchSink(TBenchOwner& owner) : TOWSinkPin(&owner, owner.lock.Get()) { AddStreamType(benchBufferType); }
    void* GetInterface(const TGUID& iid) override
    {
        return iid == OWGuidOf<IBenchBufferReceiver>() ? static_cast<IBenchBufferReceiver*>(this) : nullptr;
    }
    bool Receive(const TOWNotifyOperationRef& operation, TOWHandlerFlags) override
    {
        if (const auto* supplied = OWOperationAs<TOWSuppliedBufferOperation>(operation.Get()))
            samples += static_cast<TSLGenericBuffer*>(supplied->Buffer()->GetInstance())->GetByteSize();
        return true;
    }

    std::uint64_t samples = 0;
};

class TBenchSource final : public TOWSourcePin {
public:
    explicit TBenchSource(TBenchOwner& owner) : TOWSourcePin(&owner, owner.lock.Get())
    {
        AddStreamType(benchBufferType, TOWStreamHandler::Of<&TBenchSource::handle>(this));
    }
    bool handle(TOWBasicPin* target, const TGUID&, TOWHandlerFlags flags, const TOWNotifyOperationRef& operation)
    {
        auto* receiver = OWQueryInterface<IBenchBufferReceiver>(target);
        return receiver && receiver->Receive(operation, flags);
    }
};

void deliveryAgainstStdFunction(benchmark::State& state)
{
    using Clock = TThreadClock;
    constexpr int batch = 500;
    const auto sinkCount = static_cast<std::size_t>(state.range(0));
    TBenchOwner owner;
    auto source = MakeObject<TBenchSource>(owner);
    std::vector<TOwned<TBenchSink>> sinks;
    for (std::size_t i = 0; i < sinkCount; ++i) {
        sinks.push_back(MakeObject<TBenchSink>(owner));
        if (!sinks.back()->ConnectData(source.get(), nullptr)) {
            state.SkipWithError("a sink did not link");
            return;
        }
    }
    using THandler = std::function<bool(TOWBasicPin*, const TGUID&, TOWHandlerFlags, const TOWNotifyOperationRef&)>;
    std::vector<THandler> handlers;
    for (std::size_t i = 0; i < sinkCount; ++i) {
        handlers.emplace_back([pin = source.get()](TOWBasicPin* target, const TGUID& type, TOWHandlerFlags flags,
                                                   const TOWNotifyOperationRef& op) {
            return pin->handle(target, type, flags, op);
        });
    }
    const TOWNotifyOperationRef operation =
        OWMakeOperation<TOWSuppliedBufferOperation>(SLRef<ISLData>(TSLRealBuffer::CreateSized(1000)));

    Clock::duration loopTime{}, pinTime{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (int b = 0; b < batch; ++b) {
            for (std::size_t i = 0; i < sinkCount; ++i) {
                const TOWHandlerFlags flags = i + 1 == sinkCount ? owLastTargetFlag : 0;
                benchmark::DoNotOptimize(handlers[i](sinks[i].get(), benchBufferType, flags, operation));
            }
        }
        const auto t1 = Clock::now();
        for (int b = 0; b < batch; ++b)
            benchmark::DoNotOptimize(source->SendOperation(operation));
        const auto t2 = Clock::now();
        loopTime += t1 - t0;
        pinTime += t2 - t1;
    }
    std::uint64_t samples = 0;
    for (const auto& sink : sinks)
        samples += sink->samples;
    // Every sink took every delivery of both kinds.
    const auto rounds = static_cast<std::uint64_t>(state.iterations()) * batch;
    if (samples != 2 * rounds * sinkCount * 1000 * sizeof(double))
        state.SkipWithError("a delivery went missing");
    const double deliveries = static_cast<double>(rounds);
    state.counters["loop_ns"] = std::chrono::duration<double, std::nano>(loopTime).count() / deliveries;
    state.counters["pin_ns"] = std::chrono::duration<double, std::nano>(pinTime).count() / deliveries;
    state.counters["pin_ns_per_sink"] =
        std::chrono::duration<double, std::nano>(pinTime).count() / deliveries / static_cast<double>(sinkCount);
    state.counters["ratio"] = std::chrono::duration<double>(pinTime) / std::chrono::duration<double>(loopTime);
}
BENCHMARK(deliveryAgainstStdFunction)->Arg(1)->Arg(8)->Arg(64)->MinTime(1.0);

} // namespace
