#include "platform/hid/InputReportQueue.h"

#include <gtest/gtest.h>

using namespace zq::hid;

namespace {

// Reports that arrive while nobody reads are kept as they come, up to the
// count asked for; beyond it the oldest go, and each is counted. The pump
// that fills the queue is taken by the backends' read tests and the
// downloads of the simulated logger.
TEST(ReportQueueTest, KeepsTheNewestUpToItsCapacityAndCountsTheRest)
{
    struct Case {
        const char* name;
        std::uint32_t capacity;
        std::size_t sent;
        std::uint32_t shrinkTo; // 0: the capacity stays
        std::size_t dropped;    // the oldest; the rest are kept in order
    };
    const Case cases[] = {{"AllFit", 512, 300, 0, 0},
                          {"ExactlyFull", 64, 64, 0, 0},
                          {"OverflowDropsTheOldest", 64, 100, 0, 36},
                          {"ShrinkingDropsTheOldest", 512, 100, 10, 90}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InputReportQueue queue(c.capacity);
        for (std::size_t i = 0; i < c.sent; ++i)
            queue.push(std::vector<std::uint8_t>(65, static_cast<std::uint8_t>(i)));
        if (c.shrinkTo != 0)
            queue.setCapacity(c.shrinkTo);
        std::vector<std::uint8_t> kept, expected, report;
        std::uint32_t error = 0;
        while (queue.take(report, error))
            kept.push_back(report.front());
        for (std::size_t i = c.dropped; i < c.sent; ++i)
            expected.push_back(static_cast<std::uint8_t>(i));
        EXPECT_EQ(kept, expected);
        EXPECT_EQ(error, 0u);
        EXPECT_EQ(queue.dropped(), c.dropped);
    }
}

} // namespace
