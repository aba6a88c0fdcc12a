#include <benchmark/benchmark.h>

#include "BandwidthAgainstMemcpy.h"
#include "framework/buffers/SLComplexBuffer.h"
#include "framework/buffers/SLIntegerBuffer.h"

// Element-wise operations of the integer and complex buffers on 4,000,000
// elements against memcpy of the buffer's bytes.
namespace {

constexpr std::uint32_t elementCount = 4'000'000;

template <typename Operation>
void integers(benchmark::State& state, double bytesPerElement, Operation operation)
{
    SLRef<TSLIntegerBuffer> a = TSLIntegerBuffer::CreateSized(elementCount);
    SLRef<TSLIntegerBuffer> b = TSLIntegerBuffer::CreateSized(elementCount);
    a->Fill(1000);
    b->Fill(3);
    measureAgainstMemcpy(state, *a, *b, bytesPerElement, operation);
}

template <typename Operation>
void complexes(benchmark::State& state, double bytesPerElement, Operation operation)
{
    SLRef<TSLComplexBuffer> a = TSLComplexBuffer::CreateSized(elementCount);
    SLRef<TSLComplexBuffer> b = TSLComplexBuffer::CreateSized(elementCount);
    a->Fill(1.0, -0.5);
    // Unit magnitude keeps repeated products and quotients away from overflow and subnormals.
    b->Fill(0.6, 0.8);
    measureAgainstMemcpy(state, *a, *b, bytesPerElement, operation);
}

} // namespace

static void BM_IntegerBufferAdd(benchmark::State& state)
{
    integers(state, 12.0, [](TSLIntegerBuffer& a, TSLIntegerBuffer& b) { a.Add(b); });
}
static void BM_IntegerBufferMultiply(benchmark::State& state)
{
    integers(state, 12.0, [](TSLIntegerBuffer& a, TSLIntegerBuffer& b) { a.Multiply(b); });
}
static void BM_IntegerBufferXor(benchmark::State& state)
{
    integers(state, 12.0, [](TSLIntegerBuffer& a, TSLIntegerBuffer& b) { a.Xor(b); });
}
static void BM_IntegerBufferShiftLeft(benchmark::State& state)
{
    integers(state, 12.0, [](TSLIntegerBuffer& a, TSLIntegerBuffer& b) { a.ShiftLeft(b); });
}
static void BM_IntegerBufferAddConst(benchmark::State& state)
{
    integers(state, 8.0, [](TSLIntegerBuffer& a, TSLIntegerBuffer&) { a.AddConst(1); });
}
static void BM_IntegerBufferFill(benchmark::State& state)
{
    integers(state, 4.0, [](TSLIntegerBuffer& a, TSLIntegerBuffer&) { a.Fill(7); });
}
BENCHMARK(BM_IntegerBufferAdd)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IntegerBufferMultiply)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IntegerBufferXor)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IntegerBufferShiftLeft)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IntegerBufferAddConst)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IntegerBufferFill)->UseManualTime()->Unit(benchmark::kMillisecond);

static void BM_ComplexBufferAdd(benchmark::State& state)
{
    complexes(state, 48.0, [](TSLComplexBuffer& a, TSLComplexBuffer& b) { a.Add(b); });
}
static void BM_ComplexBufferMultiply(benchmark::State& state)
{
    complexes(state, 48.0, [](TSLComplexBuffer& a, TSLComplexBuffer& b) { a.Multiply(b); });
}
static void BM_ComplexBufferDivide(benchmark::State& state)
{
    complexes(state, 48.0, [](TSLComplexBuffer& a, TSLComplexBuffer& b) { a.Divide(b); });
}
static void BM_ComplexBufferMultiplyConst(benchmark::State& state)
{
    complexes(state, 32.0, [](TSLComplexBuffer& a, TSLComplexBuffer&) { a.MultiplyConst({0.6, -0.8}); });
}
static void BM_ComplexBufferFill(benchmark::State& state)
{
    complexes(state, 16.0, [](TSLComplexBuffer& a, TSLComplexBuffer&) { a.Fill(1.0, 2.0); });
}
BENCHMARK(BM_ComplexBufferAdd)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComplexBufferMultiply)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComplexBufferDivide)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComplexBufferMultiplyConst)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComplexBufferFill)->UseManualTime()->Unit(benchmark::kMillisecond);
