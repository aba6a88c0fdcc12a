// Tick-label texts against one snprintf of the same value with the same
// number of decimals, measured in the same run: the display text may cost at
// most twice as much.
#include "framework/text/FloatToDisplayText.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <random>
#include <vector>

namespace {

// Tick values of a few typical axes: a range and the values on it.
struct TTick {
    double value, rangeA, rangeB;
};

std::vector<TTick> ticks()
{
    std::mt19937_64 random(7);
    std::vector<TTick> result;
    const std::array<double, 5> widths{250.0, 0.05, 1e6, 3.5, 12000.0};
    for (double width : widths) {
        std::uniform_real_distribution<double> value(-width, width);
        for (int i = 0; i < 200; ++i)
            result.push_back({value(random), 0.0, width});
    }
    return result;
}

constexpr std::int32_t digits = 4;

void snprintfFixedBaseline(benchmark::State& state)
{
    const std::vector<TTick> all = ticks();
    std::size_t i = 0;
    char buffer[64];
    for (auto _ : state) {
        const TTick& t = all[i++ % all.size()];
        std::snprintf(buffer, sizeof buffer, "%.*f", DecimalsForRange(digits, false, t.rangeA, t.rangeB), t.value);
        benchmark::DoNotOptimize(buffer);
    }
}
BENCHMARK(snprintfFixedBaseline);

void displayTextFixed(benchmark::State& state)
{
    const std::vector<TTick> all = ticks();
    std::size_t i = 0;
    for (auto _ : state) {
        const TTick& t = all[i++ % all.size()];
        benchmark::DoNotOptimize(FloatToDisplayText(false, digits, false, t.value, t.rangeA, t.rangeB, U','));
    }
}
BENCHMARK(displayTextFixed);

void snprintfExponentialBaseline(benchmark::State& state)
{
    const std::vector<TTick> all = ticks();
    std::size_t i = 0;
    char buffer[64];
    for (auto _ : state) {
        const TTick& t = all[i++ % all.size()];
        std::snprintf(buffer, sizeof buffer, "%.*e", digits, t.value);
        benchmark::DoNotOptimize(buffer);
    }
}
BENCHMARK(snprintfExponentialBaseline);

void displayTextExponential(benchmark::State& state)
{
    const std::vector<TTick> all = ticks();
    std::size_t i = 0;
    for (auto _ : state) {
        const TTick& t = all[i++ % all.size()];
        benchmark::DoNotOptimize(FloatToDisplayText(true, digits, true, t.value, t.rangeA, t.rangeB, U','));
    }
}
BENCHMARK(displayTextExponential);

} // namespace
