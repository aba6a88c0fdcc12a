#pragma once
// Bandwidth of a buffer operation against memcpy of the same number of bytes,
// measured in the same loop so that both see the same machine state. Bytes
// counted are those read plus those written.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

template <typename Buffer, typename Operation>
void measureAgainstMemcpy(benchmark::State& state, Buffer& a, Buffer& b, double bytesPerElement, Operation operation)
{
    using Clock = std::chrono::steady_clock;
    const auto secondsSince = [](Clock::time_point start) {
        return std::chrono::duration<double>(Clock::now() - start).count();
    };
    const std::size_t bytes = a.GetByteSize();
    std::vector<unsigned char> from(bytes, 2), to(bytes, 0);
    double operationSeconds = 0, memcpySeconds = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        operation(a, b);
        const double seconds = secondsSince(start);
        operationSeconds += seconds;
        start = Clock::now();
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
        memcpySeconds += secondsSince(start);
        state.SetIterationTime(seconds);
    }
    const double iterations = static_cast<double>(state.iterations());
    const double operationRate = iterations * a.GetCount() * bytesPerElement / operationSeconds;
    const double memcpyRate = iterations * 2.0 * static_cast<double>(bytes) / memcpySeconds;
    state.counters["GBps"] = operationRate / 1e9;
    state.counters["memcpyGBps"] = memcpyRate / 1e9;
    state.counters["ratioToMemcpy"] = operationRate / memcpyRate;
}
