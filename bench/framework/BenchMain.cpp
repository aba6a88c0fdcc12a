// The one main() of the framework benchmarks; benchmark files add only BENCHMARK()s.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
