// Complex double transforms against FFTW, planned both in estimate mode (its
// weakest plans) and with measurement (its best for this machine; the planning
// runs before any timing), all timed in the same process so that the ratios
// compare like with like.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "dsp/FftSpec.h"

namespace {

struct SpecFree {
    void operator()(FFTSpec_C_64fc* s) const { dsp::native::ippsFFTFree_C_64fc(s); }
};
struct PlanFree {
    void operator()(fftw_plan_s* p) const { fftw_destroy_plan(p); }
};
struct FftwFree {
    void operator()(void* p) const { fftw_free(p); }
};

// Best mean times per call of several routines, in ns, over many short batches
// taken in turn, so that all see the same machine: the machine this runs on is
// shared, and the least disturbed batch is the fairest measure.
std::vector<double> bestTimesPerCall(const std::vector<std::function<void()>>& routines) {
    using clock = std::chrono::steady_clock;
    auto repsFor = [](const std::function<void()>& run) {
        std::size_t reps = 1;
        for (;;) {
            const auto t0 = clock::now();
            for (std::size_t i = 0; i < reps; ++i)
                run();
            if (clock::now() - t0 >= std::chrono::milliseconds(5))
                return reps;
            reps *= 2;
        }
    };
    auto batch = [](const std::function<void()>& run, std::size_t reps) {
        const auto t0 = clock::now();
        for (std::size_t i = 0; i < reps; ++i)
            run();
        const std::chrono::duration<double, std::nano> elapsed = clock::now() - t0;
        return elapsed.count() / static_cast<double>(reps);
    };
    std::vector<std::size_t> reps;
    for (const auto& run : routines)
        reps.push_back(repsFor(run));
    std::vector<double> best(routines.size(), 1e300);
    for (int round = 0; round < 25; ++round)
        for (std::size_t r = 0; r < routines.size(); ++r)
            best[r] = std::min(best[r], batch(routines[r], reps[r]));
    return best;
}

class ComplexCase {
public:
    explicit ComplexCase(int order) : n_(std::size_t{1} << order) {
        FFTSpec_C_64fc* spec = nullptr;
        dsp::native::ippsFFTInitAlloc_C_64fc(&spec, order, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone);
        spec_.reset(spec);
        int bufferSize = 0;
        dsp::native::FFTGetBufSize_C_64fc(spec, &bufferSize);
        buffer_.resize(static_cast<std::size_t>(bufferSize) + 1);
        src_.reset(fftw_malloc(n_ * sizeof(fftw_complex)));
        dst_.reset(fftw_malloc(n_ * sizeof(fftw_complex)));
        // Measuring overwrites the arrays, so the plans come before the data.
        plan_.reset(fftw_plan_dft_1d(static_cast<int>(n_), source(), destination(), FFTW_FORWARD, FFTW_ESTIMATE));
        measuredPlan_.reset(
            fftw_plan_dft_1d(static_cast<int>(n_), source(), destination(), FFTW_FORWARD, FFTW_MEASURE));
        std::mt19937_64 gen(1);
        std::uniform_real_distribution<double> dist(-1, 1);
        for (std::size_t i = 0; i < n_; ++i)
            source()[i][0] = dist(gen), source()[i][1] = dist(gen);
    }
    void runNative() {
        dsp::native::ippsFFTFwd_CToC_64fc(reinterpret_cast<const Ipp64fc*>(source()),
                                          reinterpret_cast<Ipp64fc*>(destination()), spec_.get(), buffer_.data());
    }
    void runFftw() { fftw_execute(plan_.get()); }
    void runFftwMeasured() { fftw_execute(measuredPlan_.get()); }
    std::size_t size() const { return n_; }

private:
    fftw_complex* source() { return static_cast<fftw_complex*>(src_.get()); }
    fftw_complex* destination() { return static_cast<fftw_complex*>(dst_.get()); }
    std::size_t n_;
    std::unique_ptr<FFTSpec_C_64fc, SpecFree> spec_;
    std::vector<Ipp8u> buffer_;
    std::unique_ptr<void, FftwFree> src_, dst_;
    std::unique_ptr<fftw_plan_s, PlanFree> plan_, measuredPlan_;
};

void BM_FftNativeComplexForward(benchmark::State& state) {
    ComplexCase c(static_cast<int>(state.range(0)));
    for (auto _ : state)
        c.runNative();
    // Targets: at most 2 x FFTW's estimated plan; from 2^8 to 2^16 at most
    // 1.25 x its measured plan, and below it at 2^20.
    const auto times = bestTimesPerCall({[&] { c.runNative(); }, [&] { c.runFftw(); }, [&] { c.runFftwMeasured(); }});
    state.counters["native_us"] = times[0] / 1e3;
    state.counters["fftw_us"] = times[1] / 1e3;
    state.counters["fftw_measure_us"] = times[2] / 1e3;
    state.counters["ratio_vs_fftw"] = times[0] / times[1];
    state.counters["ratio_vs_measure"] = times[0] / times[2];
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * c.size()));
}
BENCHMARK(BM_FftNativeComplexForward)->DenseRange(8, 20)->Unit(benchmark::kMicrosecond);

void timeFftw(benchmark::State& state, bool measured) {
    ComplexCase c(static_cast<int>(state.range(0)));
    for (auto _ : state)
        measured ? c.runFftwMeasured() : c.runFftw();
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * c.size()));
}
void BM_FftwComplexForward(benchmark::State& state) { timeFftw(state, false); }
BENCHMARK(BM_FftwComplexForward)->Arg(10)->Arg(16)->Arg(20)->Unit(benchmark::kMicrosecond);
void BM_FftwMeasuredComplexForward(benchmark::State& state) { timeFftw(state, true); }
BENCHMARK(BM_FftwMeasuredComplexForward)->Arg(10)->Arg(16)->Arg(20)->Unit(benchmark::kMicrosecond);

// Target: going from 2^16 to 2^20 points costs us at most 1.1 times what it
// costs FFTW's measured plans in the same run. A fixed bound (such as 25
// times) would judge the cache behaviour of this machine rather than ours, and
// a faster small size alone would make it fail: FFTW itself grows by some 47
// times here, the 2^20 transform leaving the caches that the 2^16 one fits in.
void BM_FftNativeGrowth16To20(benchmark::State& state) {
    ComplexCase small(16), large(20);
    for (auto _ : state) {
        small.runNative();
        large.runNative();
    }
    const auto times = bestTimesPerCall({[&] { large.runNative(); }, [&] { small.runNative(); },
                                         [&] { large.runFftwMeasured(); }, [&] { small.runFftwMeasured(); }});
    const double ours = times[0] / times[1];
    const double fftws = times[2] / times[3];
    state.counters["time_ratio_20_to_16"] = ours;
    state.counters["fftw_measure_ratio_20_to_16"] = fftws;
    state.counters["growth_vs_fftw"] = ours / fftws;
}
BENCHMARK(BM_FftNativeGrowth16To20)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
