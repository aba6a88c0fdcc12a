// The one main() of the signal-processing benchmarks; benchmark files add only BENCHMARK()s.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
