#include "platform/hid/InputReportQueue.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

using namespace zq::hid;

namespace {

// A socket that keeps message boundaries stands in for a hidraw node: one
// write is one report, read whole by one read.
struct PumpedSource {
    int fds[2] = {-1, -1};
    std::shared_ptr<InputReportQueue> queue;
    std::unique_ptr<ReportPump> pump;

    explicit PumpedSource(std::uint32_t capacity) : queue(std::make_shared<InputReportQueue>(capacity))
    {
        // The writer blocks while the socket is full; the pump reads without.
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds), 0);
        ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
        const int reader = fds[0];
        pump = std::make_unique<ReportPump>(
            reader,
            [reader](std::span<std::uint8_t> buffer, std::size_t& size) {
                const ssize_t n = ::read(reader, buffer.data(), buffer.size());
                if (n < 0)
                    return errno;
                size = static_cast<std::size_t>(n);
                return 0;
            },
            queue);
    }
    ~PumpedSource()
    {
        pump.reset();
        for (int fd : fds)
            if (fd >= 0)
                ::close(fd);
    }

    void send(std::uint8_t tag, std::size_t length = 65)
    {
        std::vector<std::uint8_t> report(length, tag);
        ASSERT_EQ(::write(fds[1], report.data(), report.size()), static_cast<ssize_t>(report.size()));
    }
    // Until the pump has handled `count` reports (kept or dropped).
    bool settled(std::size_t count) const
    {
        for (int i = 0; i < 2000; ++i) {
            if (queue->size() + queue->dropped() >= count)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    std::vector<std::uint8_t> takeTags()
    {
        std::vector<std::uint8_t> tags;
        std::vector<std::uint8_t> report;
        std::uint32_t error = 0;
        while (queue->take(report, error))
            tags.push_back(report.front());
        return tags;
    }
};

std::vector<std::uint8_t> range(int from, int to)
{
    std::vector<std::uint8_t> tags;
    for (int i = from; i < to; ++i)
        tags.push_back(static_cast<std::uint8_t>(i));
    return tags;
}

struct QueueCase {
    const char* name;
    std::uint32_t capacity;
    int sent;
    std::uint32_t shrinkTo; // 0: the capacity stays
    std::vector<std::uint8_t> kept;
    std::uint64_t dropped;
};

class ReportQueueTest : public testing::TestWithParam<QueueCase> {};

// Reports that arrive while nobody reads are kept as they come, up to the
// count asked for; beyond it the oldest go, and each is counted.
TEST_P(ReportQueueTest, KeepsTheNewestUpToItsCapacityAndCountsTheRest)
{
    const QueueCase& c = GetParam();
    PumpedSource source(c.capacity);
    for (int i = 0; i < c.sent; ++i)
        source.send(static_cast<std::uint8_t>(i));
    ASSERT_TRUE(source.settled(static_cast<std::size_t>(c.sent)));
    if (c.shrinkTo != 0)
        source.queue->setCapacity(c.shrinkTo);
    EXPECT_EQ(source.takeTags(), c.kept);
    EXPECT_EQ(source.queue->dropped(), c.dropped);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, ReportQueueTest,
    testing::Values(QueueCase{"AllFit", 512, 300, 0, range(0, 300), 0},
                    QueueCase{"ExactlyFull", 64, 64, 0, range(0, 64), 0},
                    QueueCase{"OverflowDropsTheOldest", 64, 100, 0, range(36, 100), 36},
                    QueueCase{"ShrinkingDropsTheOldest", 512, 100, 10, range(90, 100), 90}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
