// Reading back a form of 1,000 components, each with a source linked to the
// next component's sink, against reading the same form without links, in
// the same run. Each component is made from its class name by the reader,
// so the links to later components wait on placeholders until those come.
// Closing such a form (freeing it with all its pins) is timed against
// reading it, in the same run, for 1,000 and 10,000 components: "ratio" is
// the figure that counts, and it stays flat when closing grows linearly.
// Reading itself is timed for 1,000 and 10,000 components alternately in
// one benchmark: "growth" is near 10 when reading grows linearly.
#include "ThreadClock.h"
#include "framework/ClassLibrary/ComponentClasses.h"
#include "framework/ClassLibrary/FormStream.h"
#include "framework/pins/OWSinkPin.h"
#include "framework/pins/OWSourcePin.h"
#include "framework/pins/OWUnloadedPin.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

namespace {

constexpr TGUID benchType = ParseGuid("{5EA1B0B0-0000-0000-0000-0000000000B1}");

class TBenchSink : public TOWSinkPin {
public:
    TBenchSink(TComponent* owner, IOWLock* lock) : TOWSinkPin(owner, lock) { AddStreamType(benchType); }
    void* GetInterface(const TGUID& iid) override { return iid == benchType ? this : nullptr; }
};

class TBenchSource : public TOWSourcePin {
public:
    TBenchSource(TComponent* owner, IOWLock* lock) : TOWSourcePin(owner, lock) { AddStreamType(benchType); }
};

class TBenchComponent : public TComponent {
public:
    explicit TBenchComponent(TComponent* owner)
        : TComponent(owner), out_(MakeObject<TBenchSource>(this, lock_.Get())),
          in_(MakeObject<TBenchSink>(this, lock_.Get()))
    {
    }
    static const TClassInfo& StaticClassInfo()
    {
        static const TClassInfo info("TBenchComponent", &TComponent::StaticClassInfo(),
                                     {Published<&TBenchComponent::Out, nullptr>("Out"),
                                      Published<&TBenchComponent::In, nullptr>("In"),
                                      Published<&TBenchComponent::Level, &TBenchComponent::SetLevel>("Level")});
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    TBenchSource* Out() const { return out_.get(); }
    TBenchSink* In() const { return in_.get(); }
    // A plain property, so that a form without links stores something too.
    std::int32_t Level() const { return level_; }
    void SetLevel(std::int32_t level) { level_ = level; }

private:
    TOWLockRef lock_ = TOWLock::Create();
    TOwned<TBenchSource> out_;
    TOwned<TBenchSink> in_;
    std::int32_t level_ = 0;
};

class TBenchForm : public TComponent {
public:
    explicit TBenchForm(std::string name) : TComponent(nullptr) { SetName(std::move(name)); }
    TComponentRole Role() const override { return TComponentRole::Form; }
};

constexpr int componentCount = 1000;

TFormObject storedForm(bool linked, int count = componentCount)
{
    RegisterComponentClass<TBenchComponent>();
    // Freed as a form is closed, like the forms read back.
    auto form = MakeObject<TBenchForm>("Form1");
    std::vector<TBenchComponent*> components;
    for (int i = 0; i < count; ++i) {
        components.push_back(MakeComponent<TBenchComponent>(*form));
        components.back()->SetName(std::string("C").append(std::to_string(i)));
        components.back()->SetLevel(i + 1);
    }
    if (linked) {
        for (int i = 0; i < count; ++i)
            components[static_cast<std::size_t>((i + 1) % count)]->In()->Connect(components[static_cast<std::size_t>(i)]->Out());
    }
    return TWriter().WriteComponent(*form);
}

void readForm(benchmark::State& state, bool linked)
{
    const TFormObject stored = storedForm(linked);
    for (auto _ : state) {
        auto form = MakeObject<TBenchForm>("Form1");
        TReader().ReadComponent(*form, stored);
        benchmark::DoNotOptimize(form.get());
        state.PauseTiming();
        if (linked && OWPlaceholderCount() != 0)
            state.SkipWithError("links left waiting");
        form.reset();
        state.ResumeTiming();
    }
    state.counters["components"] = componentCount;
}

void readFormWithoutLinks(benchmark::State& state)
{
    readForm(state, false);
}
BENCHMARK(readFormWithoutLinks)->Unit(benchmark::kMillisecond);

void readFormWithLinkedSourcesAndSinks(benchmark::State& state)
{
    readForm(state, true);
}
BENCHMARK(readFormWithLinkedSourcesAndSinks)->Unit(benchmark::kMillisecond);

void closeLinkedFormAgainstReadingIt(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const auto count = static_cast<int>(state.range(0));
    const TFormObject stored = storedForm(true, count);
    Clock::duration readTime{}, closeTime{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        auto form = MakeObject<TBenchForm>("Form1");
        TReader().ReadComponent(*form, stored);
        const auto t1 = Clock::now();
        form.reset();
        const auto t2 = Clock::now();
        readTime += t1 - t0;
        closeTime += t2 - t1;
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["components"] = count;
    state.counters["read_ms"] = std::chrono::duration<double, std::milli>(readTime).count() / iterations;
    state.counters["close_ms"] = std::chrono::duration<double, std::milli>(closeTime).count() / iterations;
    state.counters["ratio"] = std::chrono::duration<double>(closeTime) / std::chrono::duration<double>(readTime);
}
BENCHMARK(closeLinkedFormAgainstReadingIt)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void readLinkedFormGrowth(benchmark::State& state)
{
    using Clock = TThreadClock;
    constexpr int smallCount = 1000;
    constexpr int largeCount = 10 * smallCount;
    // The small form is read as often as it takes to match the large one's
    // work, so that both see the same machine load in each round.
    constexpr int smallReadsPerRound = largeCount / smallCount;
    const TFormObject small = storedForm(true, smallCount);
    const TFormObject large = storedForm(true, largeCount);
    const auto timedRead = [](const TFormObject& stored) {
        auto form = MakeObject<TBenchForm>("Form1");
        const auto t0 = Clock::now();
        TReader().ReadComponent(*form, stored);
        const auto took = Clock::now() - t0;
        benchmark::DoNotOptimize(form.get());
        return took;
    };
    Clock::duration smallTime{}, largeTime{};
    for (auto _ : state) {
        for (int i = 0; i < smallReadsPerRound; ++i)
            smallTime += timedRead(small);
        largeTime += timedRead(large);
    }
    const auto rounds = static_cast<double>(state.iterations());
    const double smallMs = std::chrono::duration<double, std::milli>(smallTime).count() / (rounds * smallReadsPerRound);
    const double largeMs = std::chrono::duration<double, std::milli>(largeTime).count() / rounds;
    state.counters["read_1k_ms"] = smallMs;
    state.counters["read_10k_ms"] = largeMs;
    state.counters["growth"] = largeMs / smallMs;
}
BENCHMARK(readLinkedFormGrowth)->Unit(benchmark::kMillisecond);

} // namespace
