#include "framework/locks/OWDestroyLock.h"
#include "framework/locks/OWMutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(OWMutexTest, AbandonedMutexCountsAsObtained)
{
    TOWMutex mutex;
    std::thread([&] { ASSERT_TRUE(mutex.WaitFor(0)); }).join();
    EXPECT_TRUE(mutex.WaitFor(200));
    EXPECT_TRUE(mutex.Release());
}

TEST(OWMutexTest, WaitTimesOutWhileAnotherThreadOwnsIt)
{
    TOWMutex mutex;
    ASSERT_TRUE(mutex.WaitFor(0));
    std::thread([&] {
        EXPECT_FALSE(mutex.WaitFor(5));
        EXPECT_FALSE(mutex.Release());  // not the owner
    }).join();
    EXPECT_TRUE(mutex.WaitFor(0));  // recursive
    EXPECT_TRUE(mutex.Release());
    EXPECT_TRUE(mutex.Release());
    EXPECT_FALSE(mutex.Release());
}

TEST(OWDestroyLockTest, NoUseOnceDestructionIsPending)
{
    auto lock = TOWDestroyLock::Create();
    auto use = lock->UseSection();
    ASSERT_TRUE(use);
    use.Reset();
    auto destroy = lock->DestroySection();
    EXPECT_FALSE(lock->UseSection());
    EXPECT_EQ(lock->UseCount(), 0);
    {
        auto unlock = lock->UnlockSection();
        EXPECT_TRUE(lock->UseSection());
    }
    EXPECT_FALSE(lock->UseSection());
    destroy.Reset();
    EXPECT_TRUE(lock->UseSection());
}

TEST(OWDestroyLockTest, DestroySectionWaitsForTheUsesInProgress)
{
    auto lock = TOWDestroyLock::Create();
    auto use = lock->UseSection();
    std::atomic<bool> destroying{false};
    std::thread destroyer([&] {
        auto destroy = lock->DestroySection();
        destroying = true;
    });
    while (lock->DestroyPending() == 0)
        std::this_thread::yield();
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(destroying);
    use.Reset();
    destroyer.join();
    EXPECT_TRUE(destroying);
    EXPECT_EQ(lock->DestroyPending(), 0);
}

} // namespace
