// Element-wise routines on a million doubles against the same operation written
// as a plain loop in this file (same flags), timed alternately in the same run.
// The counter "vs_loop" is routine time / loop time (at most 1.2 is the target;
// 1.5 for the chart's conversion path).
// The out-of-cache runs (8 million doubles) report "vs_memcpy": the routine's
// bandwidth (bytes read and written per second) over memcpy's in the same run.
#include "dsp/ConversionRoutines.h"
#include "dsp/VectorRoutines.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

using namespace dsp::native;
using Clock = std::chrono::steady_clock;

std::vector<double> values(std::size_t n, unsigned seed)
{
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> pick(0.5, 1000.0);
    std::vector<double> v(n);
    for (double& x : v)
        x = pick(rng);
    return v;
}

struct Data {
    explicit Data(std::size_t n) : a(values(n, 1)), b(values(n, 2)), out(n), n(static_cast<int>(n)) {}
    std::vector<double> a, b, out;
    int n;
};

// The destination starts from the same values for every run, so that in-place
// routines never drift into infinities or subnormal numbers.
template <typename Body>
Clock::duration timed(Body body, Data& d)
{
    std::copy(d.b.begin(), d.b.end(), d.out.begin());
    benchmark::ClobberMemory();
    const auto start = Clock::now();
    body(d);
    benchmark::DoNotOptimize(d.out.data());
    benchmark::ClobberMemory();
    return Clock::now() - start;
}

// The two run alternately first and second, so neither gains from the order, and
// the ratio is of the fastest run of each: the machine's other load only ever
// adds time, so the minimum is the steadiest estimate.
template <typename Routine, typename Loop>
void compare(benchmark::State& state, Data& d, Routine routine, Loop loop)
{
    auto ours = Clock::duration::max(), theirs = Clock::duration::max();
    bool routineFirst = false;
    for (auto _ : state) {
        if (routineFirst) {
            ours = std::min(ours, timed(routine, d));
            theirs = std::min(theirs, timed(loop, d));
        } else {
            theirs = std::min(theirs, timed(loop, d));
            ours = std::min(ours, timed(routine, d));
        }
        routineFirst = !routineFirst;
    }
    state.counters["vs_loop"] = std::chrono::duration<double>(ours).count() / std::chrono::duration<double>(theirs).count();
}

constexpr std::size_t kInCache = 1'000'000;
constexpr double kC = 1.0000001;

#define VECTOR_BENCH(name, routineCall, loopBody)                                                  \
    void name(benchmark::State& state)                                                             \
    {                                                                                              \
        static Data d(kInCache);                                                                   \
        compare(                                                                                   \
            state, d, [](Data& d) { routineCall; },                                                \
            [](Data& d) {                                                                          \
                for (int i = 0; i < d.n; ++i) {                                                    \
                    loopBody;                                                                      \
                }                                                                                  \
            });                                                                                    \
    }                                                                                              \
    BENCHMARK(name)->Unit(benchmark::kMicrosecond)

VECTOR_BENCH(Add_64f, ippsAdd_64f(d.a.data(), d.b.data(), d.out.data(), d.n), d.out[i] = d.a[i] + d.b[i]);
VECTOR_BENCH(Add_64f_I, ippsAdd_64f_I(d.a.data(), d.out.data(), d.n), d.out[i] += d.a[i]);
VECTOR_BENCH(Sub_64f_I, ippsSub_64f_I(d.a.data(), d.out.data(), d.n), d.out[i] -= d.a[i]);
VECTOR_BENCH(Mul_64f, ippsMul_64f(d.a.data(), d.b.data(), d.out.data(), d.n), d.out[i] = d.a[i] * d.b[i]);
VECTOR_BENCH(Mul_64f_I, ippsMul_64f_I(d.a.data(), d.out.data(), d.n), d.out[i] *= d.a[i]);
VECTOR_BENCH(Div_64f_I, ippsDiv_64f_I(d.a.data(), d.out.data(), d.n), d.out[i] /= d.a[i]);
VECTOR_BENCH(AddC_64f, ippsAddC_64f(d.a.data(), kC, d.out.data(), d.n), d.out[i] = d.a[i] + kC);
VECTOR_BENCH(AddC_64f_I, ippsAddC_64f_I(kC, d.out.data(), d.n), d.out[i] += kC);
VECTOR_BENCH(SubC_64f, ippsSubC_64f(d.a.data(), kC, d.out.data(), d.n), d.out[i] = d.a[i] - kC);
VECTOR_BENCH(SubCRev_64f, ippsSubCRev_64f(d.a.data(), kC, d.out.data(), d.n), d.out[i] = kC - d.a[i]);
VECTOR_BENCH(MulC_64f, ippsMulC_64f(d.a.data(), kC, d.out.data(), d.n), d.out[i] = d.a[i] * kC);
VECTOR_BENCH(MulC_64f_I, ippsMulC_64f_I(kC, d.out.data(), d.n), d.out[i] *= kC);
VECTOR_BENCH(DivC_64f, ippsDivC_64f(d.a.data(), 3.0, d.out.data(), d.n), d.out[i] = d.a[i] * (1.0 / 3.0));
VECTOR_BENCH(Abs_64f, ippsAbs_64f(d.a.data(), d.out.data(), d.n), d.out[i] = std::fabs(d.a[i]));
VECTOR_BENCH(Sqr_64f, ippsSqr_64f(d.a.data(), d.out.data(), d.n), d.out[i] = d.a[i] * d.a[i]);
VECTOR_BENCH(Sqrt_64f, ippsSqrt_64f(d.a.data(), d.out.data(), d.n), d.out[i] = std::sqrt(d.a[i]));
VECTOR_BENCH(Threshold_64f, ippsThreshold_64f(d.a.data(), d.out.data(), d.n, 500.0, ippCmpGreater),
             d.out[i] = d.a[i] > 500.0 ? 500.0 : d.a[i]);
VECTOR_BENCH(Copy_64f, ippsCopy_64f(d.a.data(), d.out.data(), d.n), d.out[i] = d.a[i]);
VECTOR_BENCH(Set_64f, ippsSet_64f(kC, d.out.data(), d.n), d.out[i] = kC);
VECTOR_BENCH(Zero_64f, ippsZero_64f(d.out.data(), d.n), d.out[i] = 0.0);

// Complex routines: the plain loops form the same extended-precision expressions.
Ipp64fc* complexOut(Data& d)
{
    return reinterpret_cast<Ipp64fc*>(d.out.data());
}
const Ipp64fc* complexIn(const Data& d)
{
    return reinterpret_cast<const Ipp64fc*>(d.a.data());
}

void Mul_64fc_I(benchmark::State& state)
{
    static Data d(kInCache);
    compare(
        state, d, [](Data& d) { ippsMul_64fc_I(complexIn(d), complexOut(d), d.n / 2); },
        [](Data& d) {
            Ipp64fc* z = complexOut(d);
            const Ipp64fc* w = complexIn(d);
            for (int i = 0; i < d.n / 2; ++i) {
                const long double a = z[i].re, b = z[i].im, c = w[i].re, e = w[i].im;
                z[i] = {static_cast<double>(a * c - b * e), static_cast<double>(a * e + b * c)};
            }
        });
}
BENCHMARK(Mul_64fc_I)->Unit(benchmark::kMicrosecond);

void Magnitude_64fc(benchmark::State& state)
{
    static Data d(kInCache);
    compare(
        state, d, [](Data& d) { ippsMagnitude_64fc(complexIn(d), d.out.data(), d.n / 2); },
        [](Data& d) {
            const Ipp64fc* w = complexIn(d);
            for (int i = 0; i < d.n / 2; ++i) {
                const long double re = w[i].re, im = w[i].im;
                d.out[i] = static_cast<double>(std::sqrt(re * re + im * im));
            }
        });
}
BENCHMARK(Magnitude_64fc)->Unit(benchmark::kMicrosecond);

// The chart's conversion path: scale, offset, round to pixels.
void ChartConversionPath(benchmark::State& state)
{
    static Data d(kInCache);
    static std::vector<Ipp32s> pixels(kInCache);
    compare(
        state, d,
        [](Data& d) {
            ippsMulC_64f(d.a.data(), 0.37, d.out.data(), d.n);
            ippsAddC_64f_I(12.5, d.out.data(), d.n);
            ippsConvert_64f32s_Sfs(d.out.data(), pixels.data(), d.n, ippRndNear, 0);
            benchmark::DoNotOptimize(pixels.data());
        },
        [](Data& d) {
            for (int i = 0; i < d.n; ++i)
                d.out[i] = d.a[i] * 0.37;
            for (int i = 0; i < d.n; ++i)
                d.out[i] += 12.5;
            for (int i = 0; i < d.n; ++i) {
                const double y = d.out[i];
                pixels[i] = y >= 2147483647.0 ? 2147483647 : y <= -2147483648.0 ? -2147483647 - 1
                                                                                : static_cast<Ipp32s>(std::nearbyint(y));
            }
            benchmark::DoNotOptimize(pixels.data());
        });
}
BENCHMARK(ChartConversionPath)->Unit(benchmark::kMicrosecond);

// Out of cache: bandwidth of a routine against memcpy's, both over 8 million doubles.
constexpr std::size_t kOutOfCache = 8'000'000;

template <typename Routine>
void bandwidth(benchmark::State& state, Routine routine, double streams)
{
    static Data d(kOutOfCache);
    static std::vector<double> copy(kOutOfCache);
    Clock::duration ours{}, memcpyTime{};
    for (auto _ : state) {
        const auto start = Clock::now();
        std::memcpy(copy.data(), d.a.data(), kOutOfCache * sizeof(double));
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
        const auto middle = Clock::now();
        routine(d);
        benchmark::DoNotOptimize(d.out.data());
        benchmark::ClobberMemory();
        const auto end = Clock::now();
        memcpyTime += middle - start;
        ours += end - middle;
    }
    const double bytes = kOutOfCache * sizeof(double);
    const double ourBandwidth = streams * bytes / std::chrono::duration<double>(ours).count();
    const double memcpyBandwidth = 2 * bytes / std::chrono::duration<double>(memcpyTime).count();
    state.counters["vs_memcpy"] = ourBandwidth / memcpyBandwidth;
}

void OutOfCache_Add_64f(benchmark::State& state)
{
    bandwidth(state, [](Data& d) { ippsAdd_64f(d.a.data(), d.b.data(), d.out.data(), d.n); }, 3);
}
void OutOfCache_MulC_64f(benchmark::State& state)
{
    bandwidth(state, [](Data& d) { ippsMulC_64f(d.a.data(), kC, d.out.data(), d.n); }, 2);
}
void OutOfCache_AddC_64f_I(benchmark::State& state)
{
    bandwidth(state, [](Data& d) { ippsAddC_64f_I(kC, d.out.data(), d.n); }, 2);
}
void OutOfCache_Copy_64f(benchmark::State& state)
{
    bandwidth(state, [](Data& d) { ippsCopy_64f(d.a.data(), d.out.data(), d.n); }, 2);
}
BENCHMARK(OutOfCache_Add_64f)->Unit(benchmark::kMillisecond);
BENCHMARK(OutOfCache_MulC_64f)->Unit(benchmark::kMillisecond);
BENCHMARK(OutOfCache_AddC_64f_I)->Unit(benchmark::kMillisecond);
BENCHMARK(OutOfCache_Copy_64f)->Unit(benchmark::kMillisecond);

} // namespace
