// Chart control costs as a user meets them: the first load of a big log in a
// fresh process up to the first drawn frame, the memory that load keeps, and
// redraws of the whole log and of a zoomed tenth. Each figure has a baseline
// from the same run: a plain copy of what the chart keeps (one X and the
// fifteen Y) into fresh vectors on one thread (in a fresh process of its own),
// and a plain fill of the same image.
//
// A first load is only honest in a fresh process: one that has loaded before
// gets its blocks back from the pool and its pages from the allocator, already
// faulted in. Each load therefore runs in a child process started from this
// same executable, which reports its figures on its standard output. The
// children take turns, each started right after the other has used and freed
// its memory, which is the state a user's machine is in when a log is opened.
#include "chart/SLScope.h"

#include <QApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace zq::chart;

constexpr int channelCount = 15;
constexpr std::size_t million = 1'000'000;
const QSize screen(1920, 1080);

struct Log {
    std::vector<double> x;
    std::vector<std::vector<double>> y;
};

// Engine-like signals: slow swings plus a little sample noise, shaped by the
// position in the log so that any sample count gives the same picture. The
// swings turn by a fixed rotation per sample, which keeps a 150-million-sample
// log quick to make.
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
        const double step = twoPi / static_cast<double>(samples);
        const std::complex<double> slowTurn = std::polar(1.0, step * (c + 1));
        const std::complex<double> fastTurn = std::polar(1.0, step * 37);
        std::complex<double> slow = 1;
        std::complex<double> fast = std::polar(1.0, static_cast<double>(c));
        for (std::size_t i = 0; i < samples; ++i) {
            state = state * 1664525u + 1013904223u;
            const double jitter = (static_cast<double>(state >> 8) / 16777216.0 - 0.5) * 2 * noise;
            y[i] = 100 * slow.imag() + 20 * fast.imag() + jitter;
            slow *= slowTurn;
            fast *= fastTurn;
        }
    }
    return log;
}

// Each channel on an additional value axis of its own, as the chart window
// sets them up: fixed display range with limits, no automatic scaling, the
// data range mapped onto it, only the first axis shown.
void addWindowChannel(TSLScope& scope, int index)
{
    TSLAdditionalScopeYAxis& axis = scope.YAxis.AdditionalAxes.Add().Axis;
    axis.SetVisible(index == 0);
    axis.Max.SetDataValue(150);
    axis.Max.SetValue(150);
    axis.Max.Range.High.SetValue(150);
    axis.Max.Range.High.SetEnabled(true);
    axis.Min.SetDataValue(-150);
    axis.Min.SetValue(-150);
    axis.Min.Range.Low.SetValue(-150);
    axis.Min.Range.Low.SetEnabled(true);
    axis.ButtonSettings.SetEnabled(false);
    axis.AutoScaling.SetEnabled(false);
    axis.SetDataRange(-125, 125);
    axis.ToolBar.SetVisible(false);
    axis.DataView.Lines.SetVisible(false);
    axis.DataView.ZeroLine.SetVisible(false);
    TSLScopeChannel& channel = scope.Channels.Add();
    channel.SetYAxis(axis);
    channel.SetXAxis(scope.XAxis);
    channel.SetColor(QColor::fromHsv(index * 24 % 360, 255, 200));
    channel.SetWidth(1);
    channel.SetVisible(true);
}

// What the chart window does with a log: a channel per signal, handed its
// samples, then the full view and the first frame.
void loadLikeTheWindow(TSLScope& scope, const Log& log)
{
    scope.YAxis.SetVisible(false);
    for (std::size_t c = 0; c < log.y.size(); ++c) {
        addWindowChannel(scope, static_cast<int>(c));
        scope.Channels.GetItem(static_cast<int>(c)).Data.SetXYData(log.x.data(), log.y[c].data(), log.x.size());
    }
    scope.CommitPendingData();
    scope.ZoomOff();
    benchmark::DoNotOptimize(scope.RenderedImage().constBits());
}

long residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// What the kernel did for the process between two points: the faults it
// served and the time it spent on them, over every thread.
struct KernelUse {
    rusage start{};

    KernelUse() { getrusage(RUSAGE_SELF, &start); }

    void report(std::ostream& out) const
    {
        rusage now{};
        getrusage(RUSAGE_SELF, &now);
        const auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3; };
        out << " sys_ms=" << ms(now.ru_stime) - ms(start.ru_stime) << " user_ms=" << ms(now.ru_utime) - ms(start.ru_utime)
            << " faults=" << now.ru_minflt - start.ru_minflt;
    }
};

// ---------------------------------------------------------------------------
// The child process: one first load, figures on standard output.

constexpr std::string_view childOption = "--first-load=";

int runFirstLoad(std::string_view what)
{
    const bool chart = what.starts_with("chart:");
    const bool copy = what.starts_with("copy:");
    if (!chart && !copy)
        return 2;
    const std::size_t samples = std::stoul(std::string(what.substr(what.find(':') + 1)));
    const Log log = makeLog(channelCount, samples);
    std::ostringstream out;
    if (chart) {
        // By the time a log is opened the program has drawn its main window:
        // the fonts are loaded.
        QImage text(64, 32, QImage::Format_RGB32);
        QPainter(&text).drawText(2, 20, QStringLiteral("0.5 s"));
        TSLScope scope;
        scope.resize(screen);
        const long before = residentBytes();
        const KernelUse kernel;
        const auto start = std::chrono::steady_clock::now();
        loadLikeTheWindow(scope, log);
        const double seconds = secondsSince(start);
        kernel.report(out);
        const long after = residentBytes();
        std::size_t held = 0;
        for (int c = 0; c < channelCount; ++c)
            held += scope.Channels.GetItem(c).Data.MemoryBytes();
        out << " seconds=" << seconds << " resident=" << (after - before) << " held=" << held;
    } else {
        const long before = residentBytes();
        const KernelUse kernel;
        const auto start = std::chrono::steady_clock::now();
        // The chart keeps one X for all its channels, as the window hands it
        // the same times for every signal: one copy of it, one of each Y.
        std::vector<double> x(log.x);
        std::vector<std::vector<double>> ys;
        for (const auto& y : log.y)
            ys.emplace_back(y);
        benchmark::ClobberMemory();
        const double seconds = secondsSince(start);
        kernel.report(out);
        const long after = residentBytes();
        // The same copy again, into memory already held: the cost of the
        // copying alone, without the kernel handing out fresh pages.
        const auto again = std::chrono::steady_clock::now();
        std::copy(log.x.begin(), log.x.end(), x.begin());
        for (std::size_t c = 0; c < log.y.size(); ++c)
            std::copy(log.y[c].begin(), log.y[c].end(), ys[c].begin());
        benchmark::ClobberMemory();
        out << " seconds=" << seconds << " held_seconds=" << secondsSince(again) << " resident=" << (after - before);
    }
    std::printf("%s\n", out.str().c_str());
    return 0;
}

std::map<std::string, double> runChild(const std::string& what)
{
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        throw std::runtime_error("no path to this executable");
    self[length] = '\0';
    std::string command = "'";
    command.append(self).append("' ").append(childOption).append(what);
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        throw std::runtime_error("cannot start " + command);
    std::string text;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, pipe.get()) != nullptr)
        text += chunk;
    std::map<std::string, double> figures;
    std::istringstream in(text);
    std::string item;
    while (in >> item) {
        const auto equals = item.find('=');
        if (equals != std::string::npos)
            figures[item.substr(0, equals)] = std::stod(item.substr(equals + 1));
    }
    if (!figures.contains("seconds"))
        throw std::runtime_error("no figures from " + command);
    return figures;
}

// The prepared case, a second figure only: writing as much memory as a load
// takes, advised for large pages, and giving it back just before each fresh
// process leaves the system free large pages that a load then finds ready.
// No user's machine is in that state by design, which is why the first
// figures are taken without it.
void useMemoryBefore(std::size_t samples)
{
    const std::size_t bytes = 2 * (channelCount + 1) * samples * sizeof(double);
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return;
    madvise(block, bytes, MADV_HUGEPAGE);
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    for (std::size_t i = 0; i < bytes; i += page)
        static_cast<volatile char*>(block)[i] = 1;
    munmap(block, bytes);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double spread(const std::vector<double>& values)
{
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return *high / *low;
}

// One repetition: a fresh process copying the samples, then a fresh process
// loading them into the chart, each started right after the other ended. The
// time is the chart's; x_copy is its ratio to the copy of the same repetition
// (the median, and x_copy_worst the largest), x_copy_held the ratio to the
// same copy into memory already held (the cost of copying alone). Spreads are
// the slowest repetition over the fastest. The load spreads its work over
// every core while the copy runs on one: chart_cpu_per_wall (and
// copy_cpu_per_wall) is the process's CPU time, user and kernel over all its
// threads, over the wall time, so x_copy reads against the cores it took.
// Arguments: samples per channel, and 1 for the prepared case.
void BM_FirstLoad(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    const std::string samples = std::to_string(count);
    const bool prepared = state.range(1) != 0;
    const auto child = [&](const std::string& what) {
        if (prepared)
            useMemoryBefore(count);
        return runChild(what);
    };
    std::vector<double> chartMs, copyMs, heldCopyMs, ratio, heldRatio, chartSysMs, copySysMs, chartFaults, copyFaults,
        chartResident, copyResident, held, chartCpu, copyCpu;
    // CPU time over wall time of one child's load or copy.
    const auto cpuPerWall = [](const std::map<std::string, double>& figures) {
        return (figures.at("user_ms") + figures.at("sys_ms")) / (figures.at("seconds") * 1e3);
    };
    try {
        child("copy:" + samples); // so that the first copy, too, follows a process that used memory
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    for (auto _ : state) {
        try {
            const auto copied = child("copy:" + samples);
            const auto loaded = child("chart:" + samples);
            state.SetIterationTime(loaded.at("seconds"));
            chartMs.push_back(loaded.at("seconds") * 1e3);
            copyMs.push_back(copied.at("seconds") * 1e3);
            heldCopyMs.push_back(copied.at("held_seconds") * 1e3);
            ratio.push_back(loaded.at("seconds") / copied.at("seconds"));
            heldRatio.push_back(loaded.at("seconds") / copied.at("held_seconds"));
            chartSysMs.push_back(loaded.at("sys_ms"));
            copySysMs.push_back(copied.at("sys_ms"));
            chartFaults.push_back(loaded.at("faults"));
            copyFaults.push_back(copied.at("faults"));
            chartResident.push_back(loaded.at("resident") / 1e6);
            copyResident.push_back(copied.at("resident") / 1e6);
            held.push_back(loaded.at("held") / 1e6);
            chartCpu.push_back(cpuPerWall(loaded));
            copyCpu.push_back(cpuPerWall(copied));
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            return;
        }
    }
    state.counters["chart_ms"] = median(chartMs);
    state.counters["copy_ms"] = median(copyMs);
    state.counters["copy_held_ms"] = median(heldCopyMs);
    state.counters["x_copy"] = median(ratio);
    state.counters["x_copy_worst"] = *std::max_element(ratio.begin(), ratio.end());
    state.counters["x_copy_held"] = median(heldRatio);
    state.counters["chart_cpu_per_wall"] = median(chartCpu);
    state.counters["copy_cpu_per_wall"] = median(copyCpu);
    state.counters["chart_spread"] = spread(chartMs);
    state.counters["copy_spread"] = spread(copyMs);
    state.counters["chart_sys_ms"] = median(chartSysMs);
    state.counters["copy_sys_ms"] = median(copySysMs);
    state.counters["chart_faults"] = median(chartFaults);
    state.counters["copy_faults"] = median(copyFaults);
    state.counters["chart_resident_MB"] = median(chartResident);
    state.counters["copy_resident_MB"] = median(copyResident);
    state.counters["held_MB"] = median(held);
}
// One 15 x 10M process holds about 2.5 GB: they run one after the other.
BENCHMARK(BM_FirstLoad)
    ->ArgNames({"samples", "prepared"})
    ->Args({million, 0})
    ->Args({10 * million, 0})
    ->Args({million, 1})
    ->Args({10 * million, 1})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// Redraws, in this process, on one loaded case at a time.

struct LoadedCase {
    std::size_t samples = 0;
    std::unique_ptr<TSLScope> scope;
};

LoadedCase& loadedCase()
{
    static LoadedCase loaded;
    return loaded;
}

TSLScope& scopeWith(std::size_t samples)
{
    LoadedCase& loaded = loadedCase();
    if (loaded.samples != samples || !loaded.scope) {
        loaded.scope.reset(); // the old case goes before the new one is made
        const Log log = makeLog(channelCount, samples);
        loaded.scope = std::make_unique<TSLScope>();
        loaded.scope->resize(screen);
        loadLikeTheWindow(*loaded.scope, log);
        loaded.samples = samples;
    }
    return *loaded.scope;
}

// Arguments: samples per channel, and 1 for the middle tenth of the log.
void BM_Render(benchmark::State& state)
{
    TSLScope& scope = scopeWith(static_cast<std::size_t>(state.range(0)));
    const double last = static_cast<double>(state.range(0) - 1) / 50.0;
    if (state.range(1) != 0)
        scope.XAxis.ZoomTo(0.45 * last, 0.55 * last);
    else
        scope.XAxis.ZoomOff();
    for (auto _ : state) {
        scope.Invalidate();
        benchmark::DoNotOptimize(scope.RenderedImage().constBits());
    }
}
BENCHMARK(BM_Render)
    ->ArgNames({"samples", "zoomed"})
    ->Args({million, 0})
    ->Args({million, 1})
    ->Args({10 * million, 0})
    ->Args({10 * million, 1})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_RenderBaselineFill(benchmark::State& state)
{
    loadedCase() = {};
    QImage image(screen, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_RenderBaselineFill)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Worst case: every column of every channel spans the whole height.
void BM_RenderFullHeightNoise(benchmark::State& state)
{
    TSLScope scope;
    scope.resize(screen);
    loadLikeTheWindow(scope, makeLog(channelCount, 100'000, 1000.0));
    for (auto _ : state) {
        scope.Invalidate();
        benchmark::DoNotOptimize(scope.RenderedImage().constBits());
    }
}
BENCHMARK(BM_RenderFullHeightNoise)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Other work on the machine only ever adds time: the fastest repetition is
// the steadiest figure for the ratio between two sample counts.
double fastest(const std::vector<double>& times)
{
    return *std::min_element(times.begin(), times.end());
}

// Redraw cost against samples per channel: should barely grow.
void BM_RedrawBySamples(benchmark::State& state)
{
    TSLScope scope;
    scope.resize(screen);
    loadLikeTheWindow(scope, makeLog(4, static_cast<std::size_t>(state.range(0))));
    for (auto _ : state) {
        scope.Invalidate();
        benchmark::DoNotOptimize(scope.RenderedImage().constBits());
    }
}
BENCHMARK(BM_RedrawBySamples)
    ->Arg(100'000)
    ->Arg(10 * million)
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
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.starts_with(childOption))
            return runFirstLoad(arg.substr(childOption.size()));
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    loadedCase() = {};
    return 0;
}
