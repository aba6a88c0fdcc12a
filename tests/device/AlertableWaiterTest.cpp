#include "platform/hid/AlertableWaiter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;
using zq::hid::AlertableWaiter;
using zq::hid::WaitResult;

namespace {

using Clock = std::chrono::steady_clock;

TEST(AlertableWaiter, AlertEndsTheSleepAtOnceEvenWhenItCameFirst)
{
    AlertableWaiter waiter;
    waiter.alert();
    auto begin = Clock::now();
    EXPECT_EQ(waiter.sleepEx(5000), WaitResult::Alerted);
    EXPECT_LT(Clock::now() - begin, 500ms);

    std::thread other([&] {
        std::this_thread::sleep_for(30ms);
        waiter.alert();
    });
    begin = Clock::now();
    EXPECT_EQ(waiter.sleepEx(5000), WaitResult::Alerted);
    EXPECT_LT(Clock::now() - begin, 2000ms);
    other.join();
}

TEST(AlertableWaiter, SleepRunsItsFullTimeWithoutEvents)
{
    AlertableWaiter waiter;
    const auto begin = Clock::now();
    EXPECT_EQ(waiter.sleepEx(30), WaitResult::Timeout);
    EXPECT_GE(Clock::now() - begin, 30ms);
    // An alert is consumed by the sleep it ended.
    waiter.alert();
    EXPECT_EQ(waiter.sleepEx(10), WaitResult::Alerted);
    EXPECT_EQ(waiter.sleepEx(10), WaitResult::Timeout);
}

} // namespace
