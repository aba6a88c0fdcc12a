#include "framework/streams/SLBufferQueue.h"

#include <gmock/gmock.h>

#include <numeric>
#include <thread>
#include <vector>

#include "framework/TypedBufferTestHelpers.h"

namespace {

// Pushes buffers of running values (0, 1, 2... across buffers), so that a
// read shows by its values where in the stream it came from.
struct RunningQueue {
    bool push(std::uint32_t count)
    {
        SLRef<TSLRealBuffer> buffer = TSLRealBuffer::CreateSized(count);
        std::iota(buffer->GetWritePointer(), buffer->GetWritePointer() + count, static_cast<double>(next));
        next += count;
        return queue.Push(*buffer);
    }
    // The values read, empty when the read was refused.
    std::vector<double> read(std::uint32_t count)
    {
        SLRef<TSLRealBuffer> dest = TSLRealBuffer::CreateSized(count);
        dest->Fill(-1);
        return queue.FillFromQueue(*dest) ? values(*dest) : std::vector<double>{};
    }
    std::vector<double> pop()
    {
        SLRef<ISLData> head = queue.PopHead();
        return head ? values(*intfCast<ISLRealBuffer>(head)) : std::vector<double>{};
    }

    TSLBufferQueue queue;
    std::uint32_t next = 0;
};

std::vector<double> runFrom(double first, std::uint32_t count)
{
    std::vector<double> run(count);
    std::iota(run.begin(), run.end(), first);
    return run;
}

struct Step {
    enum { Push, Read, Pop } kind;
    std::uint32_t count;
    // Where the values read start in the stream, -1 for a refusal. A pop
    // hands out the whole oldest buffer, read samples included.
    double firstValue = 0;
};

std::vector<Step> operator+(std::vector<Step> a, const std::vector<Step>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(BufferQueue, ReadsAcrossBufferBoundaries)
{
    const std::vector<Step> tenTenFive = {{Step::Push, 10}, {Step::Push, 10}, {Step::Push, 5}};
    const std::vector<Step> hundredThrees(100, {Step::Push, 3});
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::uint64_t queuedCount, headOffset;
        std::size_t bufferCount;
        std::uint32_t headCount;
    } cases[] = {
        {"reads go on where the last stopped", tenTenFive + std::vector<Step>{{Step::Read, 12, 0}, {Step::Read, 13, 12}},
         0, 0, 0, 0},
        {"a read ending on a boundary drops that buffer", tenTenFive + std::vector<Step>{{Step::Read, 10, 0}}, 15, 0, 2,
         10},
        {"more than is left after a partial read changes nothing",
         tenTenFive + std::vector<Step>{{Step::Read, 12, 0}, {Step::Read, 14, -1}}, 13, 2, 2, 10},
        {"an empty queue gives an empty read only", {{Step::Read, 0, 0}, {Step::Read, 1, -1}, {Step::Pop, 0, -1}}, 0, 0,
         0, 0},
        {"empty buffers are passed over", {{Step::Push, 0}, {Step::Push, 5}, {Step::Push, 0}, {Step::Read, 3, 0}}, 2,
         3, 2, 5},
        {"a pop takes the oldest out whole",
         tenTenFive + std::vector<Step>{{Step::Read, 4, 0}, {Step::Pop, 10, 0}, {Step::Read, 3, 10}}, 12, 3, 2, 10},
        {"the 101st push drops the oldest", hundredThrees + std::vector<Step>{{Step::Push, 3}}, 300, 0, 100, 3},
        {"the dropped oldest takes its unread samples along",
         hundredThrees + std::vector<Step>{{Step::Read, 2, 0}, {Step::Push, 3}, {Step::Read, 4, 3}}, 296, 1, 99, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunningQueue q;
        for (const Step& step : c.steps) {
            if (step.kind == Step::Push) {
                ASSERT_TRUE(q.push(step.count));
                continue;
            }
            const std::vector<double> read = step.kind == Step::Read ? q.read(step.count) : q.pop();
            EXPECT_EQ(read, step.firstValue < 0 ? std::vector<double>{} : runFrom(step.firstValue, step.count));
        }
        EXPECT_EQ(q.queue.QueuedCount(), c.queuedCount);
        EXPECT_EQ(q.queue.HeadOffset(), c.headOffset);
        EXPECT_EQ(q.queue.BufferCount(), c.bufferCount);
        EXPECT_EQ(q.queue.HeadCount(), c.headCount);
    }
}

TEST(BufferQueue, WritingThroughThePushedBufferLeavesTheQueuedSamples)
{
    TSLBufferQueue queue;
    SLRef<TSLRealBuffer> pushed = reals({1, 2, 3});
    ASSERT_TRUE(queue.Push(*pushed));
    pushed->SetItem(0, 99);
    pushed->SetCount(1000, true);
    EXPECT_EQ(queue.QueuedCount(), 3u);
    SLRef<TSLRealBuffer> dest = TSLRealBuffer::CreateSized(3);
    ASSERT_TRUE(queue.FillFromQueue(*dest));
    EXPECT_THAT(values(*dest), ::testing::ElementsAre(1, 2, 3));
}

// Counts are elements of the queued class; other classes wait for an empty queue.
TEST(BufferQueue, BuffersOfOneClassAtATimeCountedInElements)
{
    TSLBufferQueue queue;
    ASSERT_TRUE(queue.Push(*complexes({{1, 2}, {3, 4}, {5, 6}})));
    ASSERT_TRUE(queue.Push(*complexes({{7, 8}})));
    EXPECT_FALSE(queue.Push(*reals({1, 2})));
    EXPECT_FALSE(queue.Push(*TSLMemoryBuffer::CreateSized(8))); // not linear
    EXPECT_EQ(queue.QueuedCount(), 4u);

    EXPECT_FALSE(queue.FillFromQueue(*TSLRealBuffer::CreateSized(2)));
    SLRef<TSLComplexBuffer> dest = TSLComplexBuffer::CreateSized(3);
    ASSERT_TRUE(queue.FillFromQueue(*dest));
    EXPECT_EQ(values(*dest)[2].re, 5);
    ASSERT_TRUE(queue.FillFromQueue(*TSLComplexBuffer::CreateSized(1)));

    ASSERT_TRUE(queue.Push(*integers({7, 8})));
    SLRef<TSLIntegerBuffer> integerDest = TSLIntegerBuffer::CreateSized(2);
    ASSERT_TRUE(queue.FillFromQueue(*integerDest));
    EXPECT_THAT(values(*integerDest), ::testing::ElementsAre(7, 8));
}

TEST(BufferQueue, APusherAndAReaderOnTwoThreadsSeeOneUnbrokenStream)
{
    // 3000 buffers of 1 to 50 samples, read in blocks of 7.
    constexpr std::uint32_t bufferCount = 3000, block = 7, total = bufferCount / 50 * (50 * 51 / 2);
    RunningQueue q;
    std::jthread pusher([&q] {
        for (std::uint32_t i = 0; i < bufferCount; ++i) {
            while (q.queue.BufferCount() >= TSLBufferQueue::MaxBuffers)
                std::this_thread::yield();
            q.push(1 + i % 50);
        }
    });
    SLRef<TSLRealBuffer> dest = TSLRealBuffer::CreateSized(block);
    bool inOrder = true;
    for (std::uint32_t read = 0; read + block <= total;) {
        if (!q.queue.FillFromQueue(*dest)) {
            std::this_thread::yield();
            continue;
        }
        inOrder = inOrder && values(*dest) == runFrom(read, block);
        read += block;
    }
    pusher.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(q.queue.QueuedCount(), total % block);
}

} // namespace
