// Cost of the lock model against the platform's recursive mutex, measured in
// the same run: an uncontended write section taken and released, and a typed
// property setter with its change notification.
#include "framework/components/LPComponent.h"
#include "framework/locks/OWLock.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <mutex>

namespace {

void recursiveMutexBaseline(benchmark::State& state)
{
    std::recursive_mutex mutex;
    for (auto _ : state) {
        mutex.lock();
        mutex.unlock();
    }
}
BENCHMARK(recursiveMutexBaseline);

void writeSection(benchmark::State& state)
{
    auto lock = TOWLock::Create();
    for (auto _ : state) {
        auto section = lock->WriteSection();
        benchmark::DoNotOptimize(section.Get());
    }
}
BENCHMARK(writeSection);

void nestedWriteSection(benchmark::State& state)
{
    auto lock = TOWLock::Create();
    auto outer = lock->WriteSection();
    for (auto _ : state) {
        auto section = lock->WriteSection();
        benchmark::DoNotOptimize(section.Get());
    }
}
BENCHMARK(nestedWriteSection);

// Both costs measured alternately in batches, so that a change of machine load
// during the run affects both alike; the ratio is the figure that counts.
void writeSectionAgainstRecursiveMutex(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    constexpr int batch = 2000;
    auto lock = TOWLock::Create();
    std::recursive_mutex mutex;
    Clock::duration mutexTime{}, sectionTime{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (int i = 0; i < batch; ++i) {
            mutex.lock();
            benchmark::ClobberMemory();
            mutex.unlock();
        }
        const auto t1 = Clock::now();
        for (int i = 0; i < batch; ++i) {
            auto section = lock->WriteSection();
            benchmark::DoNotOptimize(section.Get());
        }
        const auto t2 = Clock::now();
        mutexTime += t1 - t0;
        sectionTime += t2 - t1;
    }
    const double rounds = static_cast<double>(state.iterations()) * batch;
    state.counters["mutex_ns"] = std::chrono::duration<double, std::nano>(mutexTime).count() / rounds;
    state.counters["section_ns"] = std::chrono::duration<double, std::nano>(sectionTime).count() / rounds;
    state.counters["ratio"] = std::chrono::duration<double>(sectionTime) / std::chrono::duration<double>(mutexTime);
}
BENCHMARK(writeSectionAgainstRecursiveMutex)->MinTime(1.0);

class TBenchOffset : public TLPLockedPersistentNotify {
public:
    using TLPLockedPersistentNotify::TLPLockedPersistentNotify;
    bool SetCX(std::int32_t value) { return Lock().SetField(cx_, value); }

private:
    std::int32_t cx_ = 0;
};

struct TChangeCounter {
    long changes = 0;
    void operator()(TObject*) { ++changes; }
};

void typedSetterWithNotification(benchmark::State& state)
{
    auto control = MakeObject<TLPCustomControl>(nullptr);
    TChangeCounter counter;
    auto offset = MakeObject<TBenchOffset>(control.get(), TNotifyEvent::OfCallable(&counter), control->Lock());
    std::int32_t value = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(offset->SetCX(++value));
    if (counter.changes != value)
        state.SkipWithError("a change went unnotified");
}
BENCHMARK(typedSetterWithNotification);

} // namespace
