// Cost of the pin model, each against a baseline measured in the same run:
// a state delivery to one linked pin against calling the same handler through
// std::function, and destroying a linked pin with 100, 1,000 and 10,000 other
// pins registered (the cost per other pin is the slope between them).
#include "framework/pins/OWPinRegistry.h"
#include "framework/pins/OWPins.h"
#include "framework/pins/OWStateDispatcher.h"
#include "framework/pins/OWStatePin.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <functional>
#include <vector>

namespace {

constexpr TGUID benchType = ParseGuid("{BE000000-0000-0000-0000-0000000000BE}");

// The receiver a state handler looks up on its target, as every typed
// handler does: ask for the interface, then hand over the operation.
class IBenchReceiver {
public:
    static constexpr std::string_view Guid = "{BE000000-0000-0000-0000-0000000000BE}";
    virtual bool Receive(const TGUID& type, const TOWNotifyOperationRef& operation, TOWHandlerFlags flags) = 0;

protected:
    ~IBenchReceiver() = default;
};

class TBenchOwner : public TComponent {
public:
    TBenchOwner() : TComponent(nullptr) { SetName("Bench"); }
    TOWLockRef lock = TOWLock::Create();
};

class TBenchPin final : public TOWStatePin, public IBenchReceiver {
public:
    explicit TBenchPin(TBenchOwner& owner) : TOWStatePin(&owner, owner.lock.Get())
    {
        AddStreamType(benchType, TOWStreamHandler::Of<&TBenchPin::handle>(this));
    }
    void* GetInterface(const TGUID& iid) override
    {
        return iid == OWGuidOf<IBenchReceiver>() ? static_cast<IBenchReceiver*>(this) : nullptr;
    }
    bool Receive(const TGUID&, const TOWNotifyOperationRef& operation, TOWHandlerFlags) override
    {
        received.store(operation->OperationObject().SerialNumber(), std::memory_order_relaxed);
        return true;
    }
    bool handle(TOWBasicPin* target, const TGUID& type, TOWHandlerFlags flags, const TOWNotifyOperationRef& operation)
    {
        auto* receiver = OWQueryInterface<IBenchReceiver>(target);
        return receiver && receiver->Receive(type, operation, flags);
    }

    std::atomic<std::uint32_t> received{0};
};

void handlerThroughStdFunction(benchmark::State& state)
{
    TBenchOwner owner;
    auto from = MakeObject<TBenchPin>(owner);
    auto to = MakeObject<TBenchPin>(owner);
    std::function<bool(TOWBasicPin*, const TGUID&, TOWHandlerFlags, const TOWNotifyOperationRef&)> handler =
        [pin = from.get()](TOWBasicPin* target, const TGUID& type, TOWHandlerFlags flags, const TOWNotifyOperationRef& op) {
            return pin->handle(target, type, flags, op);
        };
    const TOWNotifyOperationRef operation = OWMakeOperation<TOWNotifyOperation>();
    for (auto _ : state)
        benchmark::DoNotOptimize(handler(to.get(), benchType, owLastTargetFlag, operation));
}
BENCHMARK(handlerThroughStdFunction);

void stateDeliveryToOneLinkedPin(benchmark::State& state)
{
    TBenchOwner owner;
    auto from = MakeObject<TBenchPin>(owner);
    auto to = MakeObject<TBenchPin>(owner);
    if (!from->Connect(to.get()))
        state.SkipWithError("the pins did not link");
    const TOWNotifyOperationRef operation = OWMakeOperation<TOWNotifyOperation>();
    for (auto _ : state)
        benchmark::DoNotOptimize(from->DeliverState(operation, 0, nullptr));
    if (to->received.load() != operation->OperationObject().SerialNumber())
        state.SkipWithError("nothing was delivered");
}
BENCHMARK(stateDeliveryToOneLinkedPin);

// Destroying one pin of a linked pair while `range(0)` other pins are
// registered; only the destruction is timed.
void destroyLinkedPin(benchmark::State& state)
{
    TBenchOwner owner;
    std::vector<TOwned<TBenchPin>> others;
    others.reserve(static_cast<std::size_t>(state.range(0)));
    for (std::int64_t i = 0; i < state.range(0); ++i)
        others.push_back(MakeObject<TBenchPin>(owner));
    auto partner = MakeObject<TBenchPin>(owner);
    for (auto _ : state) {
        state.PauseTiming();
        auto dying = MakeObject<TBenchPin>(owner);
        dying->Connect(partner.get());
        state.ResumeTiming();
        dying.reset();
    }
    state.counters["registered"] = TOWPinRegistry::Count();
}
BENCHMARK(destroyLinkedPin)->Arg(100)->Arg(1000)->Arg(10000);

} // namespace
