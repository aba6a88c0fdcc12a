#include "framework/OWStreamPinTestSupport.h"

#include "framework/buffers/SLComplexBuffer.h"
#include "framework/buffers/SLIntegerBuffer.h"
#include "framework/buffers/SLRealBuffer.h"
#include "framework/streams/SLOWQueuedPinImpl.h"

#include <cmath>
#include <thread>
#include <type_traits>
#include <typeinfo>

using namespace owPinTest;

namespace {

TOWIntf<TSLOWQueuedPinImpl> newState()
{
    return OWMake<TSLOWQueuedPinImpl>(TOWBorrowed<TOWBasicPin>());
}

template<class Buffer = TSLRealBuffer>
SLRef<Buffer> ramp(std::uint32_t count, double first = 0)
{
    auto buffer = Buffer::CreateSized(count);
    auto* p = buffer->GetWritePointer();
    for (std::uint32_t i = 0; i < count; ++i)
        p[i] = static_cast<std::remove_pointer_t<decltype(p)>>(first + i);
    return buffer;
}

// The samples of a real or integer buffer; empty for anything else.
std::vector<double> valuesOf(const SLRef<ISLData>& data)
{
    if (auto* reals = dynamic_cast<TSLRealBuffer*>(data.get()))
        return {reals->GetReadPointer(), reals->GetReadPointer() + reals->GetCount()};
    if (auto* integers = dynamic_cast<TSLIntegerBuffer*>(data.get()))
        return {integers->GetReadPointer(), integers->GetReadPointer() + integers->GetCount()};
    return {};
}

// Each result sample is the block sample nearest by index, halves to even;
// the whole block is taken whatever the count, in the kind queued. A block
// whose samples are not all there is refused: nothing taken, the caller's
// buffer kept.
TEST(QueuedPinState, ReadBlockResamplesOrRefuses)
{
    struct {
        const char* name;
        SLRef<ISLData> pushed;
        std::uint32_t blockSize; // 0: never set
        std::int32_t count;
        std::vector<double> want; // empty: refused
        double rate = 1;          // block size: blockSize * rate
    } const cases[] = {
        {"fewer", ramp(13), 10, 4, {0, 2, 4, 7}},
        {"more", ramp(8), 5, 8, {0, 0, 1, 2, 2, 2, 3, 4}},
        {"same", ramp(7), 4, 4, {0, 1, 2, 3}},
        {"integers_stay_integers", ramp<TSLIntegerBuffer>(5), 5, 8, {0, 0, 1, 2, 2, 2, 3, 4}},
        {"block_size_never_set", ramp(50), 0, 4, {}},
        {"fewer_queued_than_a_block", ramp(9), 10, 4, {}},
        {"complex_samples", TSLComplexBuffer::CreateSized(50), 4, 4, {}},
        // Refused before a block of 25.6 GB is asked for.
        {"block_beyond_memory", ramp(4), 4, 4, {}, 8e8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto state = newState();
        state->SetSampleRate(c.rate);
        if (c.blockSize > 0) {
            ASSERT_TRUE(state->SetBlockSizeFromRate(static_cast<std::int32_t>(c.blockSize), 1.0f));
        }
        ASSERT_TRUE(state->Push(*c.pushed));
        const std::uint64_t queued = state->GetQueuedCount();
        SLRef<ISLData> block = ramp(2);
        const ISLData* before = block.get();
        ASSERT_EQ(state->ReadBlock(c.count, block), !c.want.empty());
        if (c.want.empty()) {
            EXPECT_EQ(block.get(), before);
            EXPECT_EQ(state->GetQueuedCount(), queued);
            continue;
        }
        EXPECT_EQ(typeid(*block->GetInstance()), typeid(*c.pushed->GetInstance()));
        EXPECT_EQ(valuesOf(block), c.want);
        EXPECT_EQ(state->GetQueuedCount(), queued - c.blockSize);
    }
}

// Refused: the block size stays what it was (7).
TEST(QueuedPinState, BlockSizeFromRateRoundsHalvesToEvenAndRefusesBadRates)
{
    struct { const char* name; double rate; std::int32_t n; float divisor; std::uint32_t blockSize; } const cases[] = {
        {"three_halves", 3.0, 1000, 2.0f, 1500},   {"half_down_to_even", 1.0, 5, 2.0f, 2},
        {"half_up_to_even", 1.0, 7, 2.0f, 4},      {"nan_divisor", 1.0, 10, std::nanf(""), 7},
        {"zero_rate", 0.0, 10, 1.0f, 7},           {"rounds_to_nothing", 1.0, 1, 4.0f, 7},
        {"beyond_a_count", 1e12, 10, 1.0f, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto state = newState();
        state->SetSampleRate(1.0);
        ASSERT_TRUE(state->SetBlockSizeFromRate(7, 1.0f));
        state->SetSampleRate(c.rate);
        EXPECT_EQ(state->SetBlockSizeFromRate(c.n, c.divisor), c.blockSize != 7);
        EXPECT_EQ(state->GetBlockSize(), c.blockSize);
    }
}

// The reader may hold the state after its pin went: it must not reach it.
TEST(QueuedPinState, OutlivesItsPin)
{
    TPinOwner form{nullptr, "Form1"};
    TStreamOwner& owner = *MakeComponent<TStreamOwner>(form, "Scope1");
    auto state = OWMake<TSLOWQueuedPinImpl>(owner.Sink().Borrow());
    ASSERT_TRUE(state->Push(*ramp(4)));
    owner.sinks.clear();
    EXPECT_TRUE(state->QueryStream());
    EXPECT_EQ(valuesOf(state->PopHead()).size(), 4u);
}

// One thread pushes and announces rates while another reads blocks and the
// rate: every sample arrives once, in order.
TEST(QueuedPinState, DeliveringAndReadingThreadsShareIt)
{
    auto state = newState();
    constexpr std::uint32_t buffers = 400, perBuffer = 37;
    std::thread deliver([&] {
        for (std::uint32_t b = 0; b < buffers; ++b) {
            state->SetSampleRate(1000.0 + b % 2);
            while (state->GetQueuedCount() > 50 * perBuffer)
                std::this_thread::yield();
            state->Push(*ramp(perBuffer, b * perBuffer));
        }
        state->Stop();
    });
    double next = 0;
    while (next < buffers * perBuffer) {
        // Both rates make blocks of 50, and 296 blocks hold every sample.
        state->SetBlockSizeFromRate(50, static_cast<float>(state->GetSampleRate()));
        SLRef<ISLData> block;
        if (!state->IsReady() || !state->ReadBlock(static_cast<std::int32_t>(state->GetBlockSize()), block)) {
            std::this_thread::yield();
            continue;
        }
        for (const double v : valuesOf(block))
            ASSERT_EQ(v, next++);
    }
    deliver.join();
    EXPECT_TRUE(state->GetStopped());
}

} // namespace
