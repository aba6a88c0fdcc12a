// Exp and Ln over a million values, each against the C library's exp and log
// called element by element on the same data in the same run. The "vs_..."
// counters are the ratio of the two times (below 1: ours is faster).
#include "dsp/ExpLn.h"
#include "dsp/LibCDispatcher.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int count = 1'000'000;

std::vector<double> uniformValues(double low, double high)
{
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> pick(low, high);
    std::vector<double> values(count);
    for (double& v : values) {
        v = pick(rng);
    }
    return values;
}

template <class Routine, class Baseline>
void compareWith(benchmark::State& state, const std::vector<double>& src, Routine routine, Baseline baseline,
                 const char* ratioName)
{
    std::vector<double> dst(src.size());
    using Clock = std::chrono::steady_clock;
    Clock::duration ours{};
    Clock::duration theirs{};
    for (auto _ : state) {
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i) {
            dst[i] = baseline(src[i]);
        }
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
        const auto middle = Clock::now();
        routine(src.data(), dst.data(), count);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
        const auto end = Clock::now();
        theirs += middle - start;
        ours += end - middle;
        state.SetIterationTime(std::chrono::duration<double>(end - middle).count());
    }
    state.counters[ratioName] = std::chrono::duration<double>(ours) / std::chrono::duration<double>(theirs);
    state.counters["baseline_ns_per_value"] =
        std::chrono::duration<double, std::nano>(theirs).count() / (double(count) * state.iterations());
    state.SetItemsProcessed(state.iterations() * count);
}

void expWideRange(benchmark::State& state)
{
    static const auto src = uniformValues(-700.0, 700.0);
    compareWith(state, src, dsp::native::ippsExp_64f, [](double x) { return std::exp(x); }, "vs_libc");
}

void expSmallArguments(benchmark::State& state)
{
    static const auto src = uniformValues(-10.0, 10.0);
    compareWith(state, src, dsp::native::ippsExp_64f, [](double x) { return std::exp(x); }, "vs_libc");
}

void lnWideRange(benchmark::State& state)
{
    static const auto src = uniformValues(1e-3, 1e6);
    compareWith(state, src, dsp::native::ippsLn_64f, [](double x) { return std::log(x); }, "vs_libc");
}

// The vector routine against its elementary function called element by
// element: what the groups of four gain over one value at a time.
void lnAgainstItsElementaryFunction(benchmark::State& state)
{
    static const auto src = uniformValues(1e-3, 1e6);
    compareWith(state, src, dsp::native::ippsLn_64f, [](double x) { return dsp::LibLn(x); }, "vs_LibLn");
}

BENCHMARK(expWideRange)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(expSmallArguments)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(lnWideRange)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(lnAgainstItsElementaryFunction)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
