// Convolution and autocorrelation through the transforms against the direct
// sums of the same routines, timed in the same run. The counter "speedup" is
// direct time / transform time (targets: at least 10 for the convolution of
// 2^20 by 1024 samples, at least 20 for 2^16 autocorrelation lags).
#include "dsp/Convolution.h"
#include "dsp/Correlation.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::vector<double> signal(std::size_t n, unsigned seed)
{
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> pick(-1.0, 1.0);
    std::vector<double> v(n);
    for (double& x : v)
        x = pick(rng);
    return v;
}

template <typename Body>
double secondsOf(Body body)
{
    const auto start = Clock::now();
    body();
    benchmark::ClobberMemory();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The direct sums take seconds, so each iteration runs each way once and the
// totals give the ratio.
template <typename Transform, typename Direct>
void compare(benchmark::State& state, Transform transform, Direct direct)
{
    double transformSeconds = 0, directSeconds = 0;
    for (auto _ : state) {
        transformSeconds += secondsOf(transform);
        directSeconds += secondsOf(direct);
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["transform_ms"] = 1e3 * transformSeconds / iterations;
    state.counters["direct_ms"] = 1e3 * directSeconds / iterations;
    state.counters["speedup"] = directSeconds / transformSeconds;
}

void BM_ConvolutionOfMillionByThousand(benchmark::State& state)
{
    const int longLen = 1 << 20, shortLen = 1024;
    const auto x = signal(longLen, 1);
    const auto h = signal(shortLen, 2);
    std::vector<double> out(longLen + shortLen - 1);
    compare(
        state, [&] { dsp::native::ippsConv_64f(x.data(), longLen, h.data(), shortLen, out.data()); },
        [&] { dsp::detail::convolveDirect(x.data(), longLen, h.data(), shortLen, out.data()); });
}
BENCHMARK(BM_ConvolutionOfMillionByThousand)->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_AutoCorrelationOf65536Lags(benchmark::State& state)
{
    const int n = 1 << 16;
    const auto x = signal(n, 3);
    std::vector<double> out(n);
    compare(
        state, [&] { dsp::native::ippsAutoCorr_64f(x.data(), n, out.data(), n); },
        [&] { dsp::detail::autoCorrDirect(x.data(), n, out.data(), n); });
}
BENCHMARK(BM_AutoCorrelationOf65536Lags)->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace
