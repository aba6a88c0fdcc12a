#include "OWStreamPinTestSupport.h"

#include "framework/SLComplexBuffer.h"
#include "framework/SLIntegerBuffer.h"
#include "framework/SLOWQueuedPinImpl.h"
#include "framework/SLRealBuffer.h"

#include <cmath>
#include <limits>
#include <numeric>
#include <thread>

using namespace owPinTest;

namespace {

TOWIntf<TSLOWQueuedPinImpl> newState()
{
    return OWMake<TSLOWQueuedPinImpl>(TOWBorrowed<TOWBasicPin>());
}

SLRef<TSLRealBuffer> ramp(std::uint32_t count, double first = 0)
{
    auto buffer = TSLRealBuffer::CreateSized(count);
    double* p = buffer->GetWritePointer();
    for (std::uint32_t i = 0; i < count; ++i)
        p[i] = first + i;
    return buffer;
}

// Sets the block size to `size` through the rate, as a reader does.
void setBlockSize(TSLOWQueuedPinImpl& state, std::int32_t size)
{
    state.SetSampleRate(1.0);
    ASSERT_TRUE(state.SetBlockSizeFromRate(size, 1.0f));
    ASSERT_EQ(state.GetBlockSize(), static_cast<std::uint32_t>(size));
}

// ------------------------------------------------------------ resampling

struct TResampleCase {
    const char* name;
    std::int32_t blockSize;
    std::int32_t count;
    std::vector<double> indices;
};

class Resample : public ::testing::TestWithParam<TResampleCase> {};

// Each result sample is the block sample nearest by index, halves to even;
// the whole block is taken from the queue whatever the count.
TEST_P(Resample, NearestIndexWithHalvesToEven)
{
    const TResampleCase& c = GetParam();
    auto state = newState();
    setBlockSize(*state, c.blockSize);
    ASSERT_TRUE(state->Push(*ramp(static_cast<std::uint32_t>(c.blockSize) + 3)));
    SLRef<ISLData> block;
    ASSERT_TRUE(state->ReadBlock(c.count, block));
    auto* real = dynamic_cast<TSLRealBuffer*>(block.get());
    ASSERT_NE(real, nullptr);
    EXPECT_EQ(std::vector<double>(real->GetReadPointer(), real->GetReadPointer() + real->GetCount()), c.indices);
    EXPECT_EQ(state->GetQueuedCount(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Resample,
    ::testing::Values(TResampleCase{"fewer", 10, 4, {0, 2, 4, 7}},
                      TResampleCase{"more", 5, 8, {0, 0, 1, 2, 2, 2, 3, 4}},
                      TResampleCase{"same", 4, 4, {0, 1, 2, 3}},
                      TResampleCase{"one_of_many", 9, 1, {0}},
                      TResampleCase{"many_of_one", 1, 3, {0, 0, 0}}),
    [](const auto& info) { return info.param.name; });

TEST(QueuedPinState, IntegerBlocksStayIntegers)
{
    auto state = newState();
    setBlockSize(*state, 5);
    const std::int32_t values[] = {10, 11, 12, 13, 14};
    auto pushed = TSLIntegerBuffer::CreateSized(5);
    std::copy(std::begin(values), std::end(values), pushed->GetWritePointer());
    ASSERT_TRUE(state->Push(*pushed));
    SLRef<ISLData> block;
    ASSERT_TRUE(state->ReadBlock(8, block));
    auto* integers = dynamic_cast<TSLIntegerBuffer*>(block.get());
    ASSERT_NE(integers, nullptr);
    const std::vector<std::int32_t> want{10, 10, 11, 12, 12, 12, 13, 14};
    EXPECT_EQ(std::vector<std::int32_t>(integers->GetReadPointer(), integers->GetReadPointer() + 8), want);
}

// A block is read only when its samples are there: otherwise nothing is
// taken and the caller's buffer keeps what it held.
struct TRefusedReadCase {
    const char* name;
    std::int32_t blockSize; // 0: never set
    std::uint32_t queued;
    bool complex;
};

class RefusedRead : public ::testing::TestWithParam<TRefusedReadCase> {};

TEST_P(RefusedRead, TakesNothingAndLeavesTheBuffer)
{
    const TRefusedReadCase& c = GetParam();
    auto state = newState();
    if (c.blockSize > 0)
        setBlockSize(*state, c.blockSize);
    if (c.complex)
        ASSERT_TRUE(state->Push(*TSLComplexBuffer::CreateSized(c.queued)));
    else
        ASSERT_TRUE(state->Push(*ramp(c.queued)));
    SLRef<ISLData> kept = ramp(2);
    ISLData* before = kept.get();
    EXPECT_FALSE(state->ReadBlock(4, kept));
    EXPECT_EQ(kept.get(), before);
    EXPECT_EQ(state->GetQueuedCount(), c.queued);
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedRead,
                         ::testing::Values(TRefusedReadCase{"block_size_never_set", 0, 50, false},
                                           TRefusedReadCase{"fewer_queued_than_a_block", 10, 9, false},
                                           TRefusedReadCase{"complex_samples", 4, 50, true}),
                         [](const auto& info) { return info.param.name; });

// ------------------------------------------------------------ block size from rates

struct TBlockSizeCase {
    const char* name;
    double rate; // NaN: never set
    std::int32_t n;
    float divisor;
    std::uint32_t blockSize; // 7 (the size before) when refused
};

class BlockSizeFromRate : public ::testing::TestWithParam<TBlockSizeCase> {};

TEST_P(BlockSizeFromRate, RoundsHalvesToEvenAndRefusesBadRates)
{
    const TBlockSizeCase& c = GetParam();
    auto state = newState();
    setBlockSize(*state, 7);
    state->SetSampleRate(c.rate);
    EXPECT_EQ(state->SetBlockSizeFromRate(c.n, c.divisor), c.blockSize != 7);
    EXPECT_EQ(state->GetBlockSize(), c.blockSize);
}

constexpr double inf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Cases, BlockSizeFromRate,
    ::testing::Values(TBlockSizeCase{"three_halves", 3.0, 1000, 2.0f, 1500},
                      TBlockSizeCase{"half_down_to_even", 1.0, 5, 2.0f, 2},
                      TBlockSizeCase{"half_up_to_even", 1.0, 7, 2.0f, 4},
                      TBlockSizeCase{"zero_divisor", 1.0, 10, 0.0f, 7},
                      TBlockSizeCase{"nan_divisor", 1.0, 10, std::nanf(""), 7},
                      TBlockSizeCase{"zero_rate", 0.0, 10, 1.0f, 7},
                      TBlockSizeCase{"infinite_rate", inf, 10, 1.0f, 7},
                      TBlockSizeCase{"rounds_to_nothing", 1.0, 1, 4.0f, 7},
                      TBlockSizeCase{"beyond_a_count", 1e12, 10, 1.0f, 7},
                      TBlockSizeCase{"no_samples", 1.0, 0, 1.0f, 7}),
    [](const auto& info) { return info.param.name; });

// The state outlives its pin (the reader still holds it): it must not reach
// the pin that is gone.
TEST(QueuedPinState, OutlivesItsPin)
{
    TPinOwner form{nullptr, "Form1"};
    TStreamOwner& owner = *MakeComponent<TStreamOwner>(form, "Scope1");
    TTestSinkPin& sink = owner.Sink();
    auto state = OWMake<TSLOWQueuedPinImpl>(sink.Borrow());
    ASSERT_TRUE(state->Push(*ramp(4)));
    owner.sinks.clear();
    EXPECT_TRUE(state->QueryStream());
    EXPECT_EQ(dynamic_cast<TSLRealBuffer*>(state->PopHead().get())->GetCount(), 4u);
}

// The delivering thread pushes and announces rates while the reading thread
// takes blocks and reads the rate: every sample arrives once, in order.
TEST(QueuedPinState, DeliveringAndReadingThreadsShareIt)
{
    auto state = newState();
    constexpr std::uint32_t buffers = 400;
    constexpr std::uint32_t perBuffer = 37;
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
        // Rates of 1000 and 1001 both make blocks of 50; the total is 296 blocks.
        const double rate = state->GetSampleRate();
        ASSERT_TRUE(rate == 0 || rate == 1000 || rate == 1001);
        state->SetBlockSizeFromRate(50, static_cast<float>(rate));
        SLRef<ISLData> block;
        if (!state->IsReady() || !state->ReadBlock(static_cast<std::int32_t>(state->GetBlockSize()), block)) {
            std::this_thread::yield();
            continue;
        }
        auto* real = dynamic_cast<TSLRealBuffer*>(block.get());
        for (std::uint32_t i = 0; i < real->GetCount(); ++i)
            ASSERT_EQ(real->GetReadPointer()[i], next++);
    }
    deliver.join();
    EXPECT_TRUE(state->GetStopped());
}

} // namespace
