#include "framework/buffers/BlockPool.h"

#include <gmock/gmock.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <future>
#include <random>
#include <thread>

#include "framework/buffers/SLBufferErrors.h"

using namespace std::chrono_literals;

namespace {

// A heap that counts its calls and can be told to refuse.
struct CountingHeap {
    static inline std::atomic<int> allocations{0};
    static inline std::atomic<int> releases{0};
    static inline std::atomic<bool> refuse{false};

    static void* allocate(std::uint32_t size)
    {
        if (refuse)
            return nullptr;
        ++allocations;
        return alignedBlockHeap().allocate(size);
    }
    static void release(void* block)
    {
        ++releases;
        alignedBlockHeap().release(block);
    }
    static TSLBlockHeap heap() { return {allocate, release}; }
    static void reset()
    {
        allocations = 0;
        releases = 0;
        refuse = false;
    }
};

class BlockPool : public ::testing::Test {
protected:
    void SetUp() override { CountingHeap::reset(); }
    TSLSmartBufferManager pool{0ms, CountingHeap::heap()};
};

} // namespace

TEST(RoundBlockSize, GivesTheSmallestPowerOfTwoFromFourUpToTheCap)
{
    const struct {
        std::uint32_t size, expected;
    } cases[] = {
        {0, 4}, {3, 4}, {4, 4}, {5, 8}, {1000, 1024}, {4097, 8192},
        {1u << 30, 1u << 30}, {(1u << 30) + 1, 1u << 30}, {0xFFFFFFFFu, 1u << 30},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoundBlockSize(c.size), c.expected) << c.size;
}

TEST_F(BlockPool, ReusesBlocksLastInFirstOutAndAlignsTo32Bytes)
{
    EXPECT_EQ(pool.GetBlock(0), nullptr);
    EXPECT_EQ(pool.ListCount(), 0u);
    void* a = pool.GetBlock(64);
    void* b = pool.GetBlock(64);
    pool.PutBlock(a, 64);
    pool.PutBlock(b, 64);
    EXPECT_EQ(pool.GetBlock(64), b);
    EXPECT_EQ(pool.GetBlock(64), a);
    EXPECT_EQ(CountingHeap::allocations, 2);
    // An empty list of a known size takes a fresh block and counts down from 8.
    void* fresh = pool.GetBlock(64);
    EXPECT_EQ(CountingHeap::allocations, 3);
    EXPECT_EQ(pool.IdleCountdown(64), 8u);
    pool.PutBlock(fresh, 64);

    for (std::uint32_t size : {1u, 4u, 24u, 40u, 100u, 4096u}) {
        void* block = pool.GetBlock(size);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 32, 0u) << size;
        std::memset(block, 0xA5, size);   // the whole size is usable
        pool.PutBlock(block, size);
    }
    pool.PutBlock(a, 64);
    pool.PutBlock(b, 64);
}

// A list left with n free blocks keeps them for 8 ticks (9 after a get), then
// gives one back per tick and is dropped with its last block.
class TrimTimeline : public BlockPool, public ::testing::WithParamInterface<std::tuple<int, bool>> {};

TEST_P(TrimTimeline, FreesOneBlockPerTickAfterTheIdleTicks)
{
    const auto [n, endWithGet] = GetParam();
    const int taken = endWithGet ? n + 1 : n;
    std::vector<void*> blocks;
    for (int i = 0; i < taken; ++i)
        blocks.push_back(pool.GetBlock(256));
    for (void* block : blocks)
        pool.PutBlock(block, 256);
    if (endWithGet)
        blocks[0] = pool.GetBlock(256);   // the countdown counts the block before the take
    const int held = n;
    const int idleTicks = endWithGet ? 9 : 8;
    CountingHeap::releases = 0;

    for (int tick = 1; tick <= held + idleTicks; ++tick) {
        pool.TimerTick();
        const int expectedFree = std::max(0, std::min(held, held + idleTicks - tick));
        const bool dropped = tick == held + idleTicks;
        SCOPED_TRACE(testing::Message() << "tick " << tick);
        EXPECT_EQ(CountingHeap::releases, held - expectedFree);
        if (dropped)
            EXPECT_FALSE(pool.FreeBlockCount(256).has_value());
        else
            EXPECT_EQ(pool.FreeBlockCount(256), static_cast<std::size_t>(expectedFree));
    }
    if (endWithGet)
        pool.PutBlock(blocks[0], 256);
}

INSTANTIATE_TEST_SUITE_P(ListSizes, TrimTimeline,
                         ::testing::Combine(::testing::Values(1, 2, 5), ::testing::Bool()));

TEST_F(BlockPool, ExhaustedHeapRaisesOutOfMemoryAndReleasesTheLock)
{
    CountingHeap::refuse = true;
    try {
        pool.GetBlock(128);
        FAIL() << "no error";
    } catch (const EOutOfMemory& error) {
        EXPECT_STREQ(error.what(), "Out of memory");
    }
    EXPECT_EQ(pool.IdleCountdown(128), 8u);   // the list stays

    // A thread blocked on a lock still held would never finish.
    auto other = std::async(std::launch::async, [this] {
        CountingHeap::refuse = false;
        pool.PutBlock(pool.GetBlock(128), 128);
        return pool.FreeBlockCount(128);
    });
    ASSERT_EQ(other.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(other.get(), 1u);
}

TEST(PoolAlloc, RefusesSizesAboveTheLargestBlock)
{
    for (std::size_t size : {std::size_t{maxPoolBlockSize} + 1, std::size_t{0xFFFFFFFFu},
                             std::size_t{0x200000008ull}})
        EXPECT_THROW(PoolAlloc(size), EOutOfMemory) << size;
}

TEST(BlockPoolThreads, ConcurrentUseWithAFastTrimKeepsEveryBlockIntact)
{
    TSLSmartBufferManager pool{1ms};
    constexpr int threadCount = 8;
    std::atomic<int> corrupt{0};
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < threadCount; ++t) {
            threads.emplace_back([&, t] {
                std::mt19937 random(static_cast<unsigned>(t) + 1);
                std::vector<std::pair<std::uint8_t*, std::uint32_t>> held;
                for (int i = 0; i < 4000; ++i) {
                    if (held.size() < 16 && (held.empty() || random() % 2)) {
                        const std::uint32_t size = RoundBlockSize(random() % 8192);
                        auto* block = static_cast<std::uint8_t*>(pool.GetBlock(size));
                        std::memset(block, static_cast<int>(t * 16 + size % 13), size);
                        held.emplace_back(block, size);
                    } else {
                        const auto [block, size] = held.back();
                        held.pop_back();
                        const auto pattern = static_cast<std::uint8_t>(t * 16 + size % 13);
                        for (std::uint32_t k = 0; k < size; ++k)
                            if (block[k] != pattern) {
                                ++corrupt;
                                break;
                            }
                        pool.PutBlock(block, size);
                    }
                }
                for (const auto& [block, size] : held)
                    pool.PutBlock(block, size);
            });
        }
    }
    EXPECT_EQ(corrupt, 0);
}

namespace {

// Registered before the process-wide pool exists, so it runs after the pool
// has been torn down at exit.
void* blockFreedAfterThePool = nullptr;
const bool lateFreeRegistered = [] {
    std::atexit([] { PoolFree(blockFreedAfterThePool, 64); });
    return true;
}();

} // namespace

TEST(BlockPoolDeathTest, ABlockFreedAfterThePoolIsGoneGoesStraightToTheHeap)
{
    ASSERT_TRUE(lateFreeRegistered);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            blockFreedAfterThePool = PoolAlloc(64);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
