// Chart control costs: handing big logs to the channels, redrawing them, and
// the memory they take. Each figure has a baseline from the same run: a plain
// copy of the same samples, and a plain fill of the same image.
#include "chart/SLScope.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

namespace {

using zq::chart::TSLScope;

constexpr int channelCount = 15;
constexpr std::size_t millionSamples = 1'000'000;

struct Log {
    std::vector<double> x;
    std::vector<std::vector<double>> y;
};

// Engine-like signals: slow swings plus a little sample noise, shaped by the
// position in the log so that any sample count gives the same picture.
Log makeLog(int channels, std::size_t samples, double noise = 3.0)
{
    constexpr double twoPi = 6.283185307179586;
    Log log;
    log.x.resize(samples);
    for (std::size_t i = 0; i < samples; ++i)
        log.x[i] = static_cast<double>(i) / 50.0;
    log.y.resize(static_cast<std::size_t>(channels));
    std::uint32_t state = 12345;
    for (int c = 0; c < channels; ++c) {
        auto& y = log.y[static_cast<std::size_t>(c)];
        y.resize(samples);
        for (std::size_t i = 0; i < samples; ++i) {
            const double u = static_cast<double>(i) / static_cast<double>(samples);
            state = state * 1664525u + 1013904223u;
            const double jitter = (static_cast<double>(state >> 8) / 16777216.0 - 0.5) * 2 * noise;
            y[i] = 100 * std::sin(twoPi * (c + 1) * u) + 20 * std::sin(twoPi * 37 * u + c) + jitter;
        }
    }
    return log;
}

const Log& sharedLog()
{
    static const Log log = makeLog(channelCount, millionSamples);
    return log;
}

std::unique_ptr<TSLScope> makeScope(const Log& log, QSize size)
{
    auto scope = std::make_unique<TSLScope>();
    scope->resize(size);
    for (const auto& y : log.y) {
        auto& channel = scope->Channels.Add();
        channel.Data.SetXYData(log.x.data(), y.data(), y.size());
    }
    scope->CommitPendingData();
    return scope;
}

// Other work on the machine only ever adds time: the fastest repetition is
// the steadiest figure for the ratio between two sample counts.
double fastest(const std::vector<double>& times)
{
    return *std::min_element(times.begin(), times.end());
}

long residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * 4096;
}

void BM_ChartMemory(benchmark::State& state)
{
    const Log& log = sharedLog();
    for (auto _ : state) {
        const long before = residentBytes();
        auto scope = makeScope(log, QSize(1920, 1080));
        scope->RenderedImage();
        const long after = residentBytes();
        std::size_t own = 0;
        for (int c = 0; c < channelCount; ++c)
            own += scope->Channels.GetItem(c).Data.MemoryBytes();
        state.counters["resident_MB"] = static_cast<double>(after - before) / 1e6;
        state.counters["channel_data_MB"] = static_cast<double>(own) / 1e6;
    }
}
BENCHMARK(BM_ChartMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SetAllData(benchmark::State& state)
{
    const Log& log = sharedLog();
    for (auto _ : state) {
        state.PauseTiming();
        auto scope = std::make_unique<TSLScope>();
        for (int c = 0; c < channelCount; ++c)
            scope->Channels.Add();
        state.ResumeTiming();
        for (int c = 0; c < channelCount; ++c)
            scope->Channels.GetItem(c).Data.SetXYData(log.x.data(), log.y[static_cast<std::size_t>(c)].data(),
                                                      millionSamples);
        scope->CommitPendingData();
        state.PauseTiming();
        scope.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SetAllData)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SetAllDataBaselineCopy(benchmark::State& state)
{
    const Log& log = sharedLog();
    std::vector<std::vector<double>> x(channelCount, std::vector<double>(millionSamples));
    std::vector<std::vector<double>> y(channelCount, std::vector<double>(millionSamples));
    for (auto _ : state) {
        for (std::size_t c = 0; c < channelCount; ++c) {
            std::memcpy(x[c].data(), log.x.data(), millionSamples * sizeof(double));
            std::memcpy(y[c].data(), log.y[c].data(), millionSamples * sizeof(double));
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SetAllDataBaselineCopy)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_FullRedraw1080p(benchmark::State& state)
{
    auto scope = makeScope(sharedLog(), QSize(1920, 1080));
    for (auto _ : state) {
        scope->Invalidate();
        benchmark::DoNotOptimize(scope->RenderedImage().constBits());
    }
}
BENCHMARK(BM_FullRedraw1080p)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Worst case: every column of every channel spans the whole height.
void BM_FullRedraw1080pFullHeightNoise(benchmark::State& state)
{
    auto scope = makeScope(makeLog(channelCount, 100'000, 1000.0), QSize(1920, 1080));
    for (auto _ : state) {
        scope->Invalidate();
        benchmark::DoNotOptimize(scope->RenderedImage().constBits());
    }
}
BENCHMARK(BM_FullRedraw1080pFullHeightNoise)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_FullRedrawBaselineFill(benchmark::State& state)
{
    QImage image(1920, 1080, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_FullRedrawBaselineFill)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Redraw cost against samples per channel: should barely grow.
void BM_RedrawBySamples(benchmark::State& state)
{
    const auto samples = static_cast<std::size_t>(state.range(0));
    std::unique_ptr<TSLScope> scope;
    {
        const Log log = makeLog(4, samples);
        scope = makeScope(log, QSize(1920, 1080));
    }
    for (auto _ : state) {
        scope->Invalidate();
        benchmark::DoNotOptimize(scope->RenderedImage().constBits());
    }
}
BENCHMARK(BM_RedrawBySamples)
    ->Arg(100'000)
    ->Arg(10'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ComputeStatistics("min", fastest)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
