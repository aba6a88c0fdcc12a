#include "framework/locks/OWLock.h"
#include "framework/locks/OWLockDiagnostics.h"
#include "framework/locks/OWObject.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <future>
#include <latch>
#include <random>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Runs body on another thread and waits for it; the lock model tells threads apart.
template<class F>
auto onOtherThread(F body)
{
    return std::async(std::launch::async, body).get();
}

// Whether the lock is free and another thread can take a write section.
bool freeForOthers(TOWLock& lock)
{
    // A lock left held would make the other thread wait for ever.
    if (!lock.State().IsFree())
        return false;
    return onOtherThread([&] { return TOWSimpleWriteLockSection::Create(lock)->Acquired(); });
}

// Joins the threads, or ends the whole run when they are stuck on a lock that
// was never given back.
void joinOrAbort(std::vector<std::thread>& threads, std::atomic<int>& finished)
{
    const auto deadline = Clock::now() + 30s;
    while (finished < static_cast<int>(threads.size())) {
        if (Clock::now() > deadline) {
            std::fprintf(stderr, "threads stuck on a lock that was never released\n");
            std::abort();
        }
        std::this_thread::sleep_for(1ms);
    }
    for (auto& t : threads)
        t.join();
}

TEST(OWLockTest, OwnerNestsEverySectionKindAndReleasesWithTheLast)
{
    auto lock = TOWLock::Create();
    {
        auto write = lock->WriteSection();
        ASSERT_TRUE(write);
        auto read = lock->ReadSection();
        auto stop = lock->StopSection();
        auto write2 = lock->WriteSection();
        ASSERT_TRUE(read && stop && write2);
        EXPECT_EQ(lock->State().holdCount, 4);
        EXPECT_EQ(lock->State().stopCount, 1);
        write.Reset();
        read.Reset();
        stop.Reset();
        EXPECT_TRUE(lock->IsHeldByCaller());
        EXPECT_EQ(lock->State().stopCount, 0);
    }
    EXPECT_TRUE(freeForOthers(*lock));
}

TEST(OWLockTest, ThreadsCountExactlyUnderNestedSections)
{
    auto lock = TOWLock::Create();
    constexpr int threads = 6;
    constexpr int rounds = 400;
    long counter = 0;
    long stopped = 0;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < rounds; ++i) {
                // Another thread's stop makes the section give up: try again.
                TOWLockSectionRef outer;
                while (!(outer = (i % 2 ? lock->WriteSection() : lock->ReadSection())))
                    std::this_thread::yield();
                auto inner = lock->WriteSection();
                ASSERT_TRUE(inner);  // the owner nests even during its own stop
                ++counter;
                if ((i + t) % 50 == 0) {
                    auto stop = lock->StopSection();
                    ++stopped;
                    auto nested = lock->ReadSection();
                    ASSERT_TRUE(nested);
                    ++counter;
                }
            }
        });
    for (auto& w : workers)
        w.join();
    EXPECT_EQ(counter, threads * rounds + stopped);
    EXPECT_TRUE(lock->State().IsFree());
}

TEST(OWLockTest, OtherThreadsGiveUpAtOnceWhileAStopIsInForce)
{
    auto lock = TOWLock::Create();
    auto stop = lock->StopSection();
    const TOWLockState before = lock->State();
    const auto started = Clock::now();
    const bool gotRead = onOtherThread([&] { return bool(lock->ReadSection()); });
    const bool gotWrite = onOtherThread([&] { return bool(lock->WriteSection()); });
    EXPECT_FALSE(gotRead);
    EXPECT_FALSE(gotWrite);
    EXPECT_LT(Clock::now() - started, 150ms);  // not the 210 ms of waiting
    const TOWLockState after = lock->State();
    EXPECT_EQ(after.holdCount, before.holdCount);
    EXPECT_EQ(after.skipped, 0);
    EXPECT_EQ(after.stopCount, 1);
}

TEST(OWLockTest, AStopThatIsStillWaitingTurnsOthersAwayToo)
{
    auto lock = TOWLock::Create();
    auto write = lock->WriteSection();
    std::promise<void> stopTaken;
    std::thread stopper([&] {
        auto stop = lock->StopSection();  // waits for our write section
        stopTaken.set_value();
    });
    while (lock->State().stopCount == 0)
        std::this_thread::yield();
    auto section = onOtherThread([&] { return TOWSimpleReadLockSection::Create(*lock)->Acquired(); });
    EXPECT_FALSE(section);
    write.Reset();
    stopTaken.get_future().wait();
    stopper.join();
    EXPECT_TRUE(lock->State().IsFree());
}

TEST(OWLockTest, TheYieldLockReachesAThirdThreadAfterAboutTwoHundredMilliseconds)
{
    auto own = TOWLock::Create();     // a pin's own lock
    auto yield = TOWLock::Create();   // its owner's lock
    auto ownHeld = own->WriteSection();  // this thread keeps the pin busy

    std::atomic<bool> waiterHasYieldLock{false};
    std::atomic<bool> waiterGotOwn{false};
    std::thread waiter([&] {
        auto outer = yield->WriteSection();
        waiterHasYieldLock = true;
        {
            auto inner = TOWSimpleWriteLockSection::Create(*own, yield.Get());
            waiterGotOwn = inner->Acquired();
            EXPECT_FALSE(yield->IsHeldByCaller());  // let go until the inner section ends
        }
        EXPECT_TRUE(yield->IsHeldByCaller());
    });
    while (!waiterHasYieldLock)
        std::this_thread::yield();

    const auto started = Clock::now();
    const bool third = onOtherThread([&] { return bool(yield->WriteSection()); });
    const auto waited = Clock::now() - started;
    EXPECT_TRUE(third);
    EXPECT_GE(waited, 150ms);
    EXPECT_LT(waited, 2s);
    EXPECT_FALSE(waiterGotOwn);

    ownHeld.Reset();
    waiter.join();
    EXPECT_TRUE(waiterGotOwn);
    EXPECT_TRUE(own->State().IsFree());
    EXPECT_TRUE(yield->State().IsFree());
}

TEST(OWLockTest, UnlockSectionGivesBackExactlyTheHoldsItTook)
{
    auto lock = TOWLock::Create();
    auto a = lock->WriteSection();
    auto b = lock->ReadSection();
    auto c = lock->WriteSection();
    {
        auto unlock = TOWSimpleUnlockSection::Create(*lock);
        EXPECT_EQ(unlock->SavedHolds(), 3);
        EXPECT_TRUE(lock->State().IsFree());
        EXPECT_TRUE(freeForOthers(*lock));
        auto inside = lock->WriteSection();
        EXPECT_EQ(lock->State().holdCount, 1);
    }
    EXPECT_EQ(lock->State().holdCount, 3);
    EXPECT_EQ(lock->State().ownerThread, OWCurrentThreadId());
    // Another thread's unlock section has nothing of ours to give back.
    EXPECT_EQ(onOtherThread([&] { return TOWSimpleUnlockSection::Create(*lock)->SavedHolds(); }), 0);
    EXPECT_EQ(lock->State().holdCount, 3);
    a.Reset();
    b.Reset();
    c.Reset();
    EXPECT_TRUE(lock->State().IsFree());
}

TEST(OWLockTest, HoldsTakenBackDuringAStopComeBackAsSkippedOnes)
{
    auto lock = TOWLock::Create();
    auto held = lock->WriteSection();
    auto unlock = lock->UnlockSection();
    std::promise<void> stopping, finish;
    std::thread stopper([&] {
        auto stop = lock->StopSection();
        stopping.set_value();
        finish.get_future().wait();
    });
    stopping.get_future().wait();
    unlock.Reset();  // cannot wait for the stopping thread: skipped
    EXPECT_FALSE(lock->IsHeldByCaller());
    EXPECT_EQ(lock->State().skipped, 1);
    held.Reset();
    EXPECT_EQ(lock->State().skipped, 0);
    finish.set_value();
    stopper.join();
    EXPECT_TRUE(lock->State().IsFree());
}

// A skipped section of another thread must not be taken for one of the owner's
// holds: the owner's own releases must free the lock.
TEST(OWLockTest, ASkippedSectionOfAnotherThreadDoesNotKeepTheOwnersHold)
{
    auto lock = TOWLock::Create();
    auto write = lock->WriteSection();
    auto stop = lock->StopSection();
    std::promise<void> skipped, release;
    std::thread other([&] {
        auto section = TOWSimpleReadLockSection::Create(*lock);
        EXPECT_FALSE(section->Acquired());
        skipped.set_value();
        release.get_future().wait();
    });
    skipped.get_future().wait();
    stop.Reset();
    write.Reset();
    EXPECT_EQ(lock->State().holdCount, 0);
    EXPECT_EQ(lock->State().ownerThread, 0u);
    release.set_value();
    other.join();
    EXPECT_TRUE(lock->State().IsFree());
    EXPECT_TRUE(freeForOthers(*lock));
}

// The owner's unlock section must neither save nor restore the skipped
// sections of other threads.
TEST(OWLockTest, AnUnlockSectionLeavesOtherThreadsSkippedSectionsAlone)
{
    auto lock = TOWLock::Create();
    auto write = lock->WriteSection();
    auto stop = lock->StopSection();
    std::promise<void> skipped, release, released;
    std::thread other([&] {
        auto section = TOWSimpleWriteLockSection::Create(*lock);
        skipped.set_value();
        release.get_future().wait();
        section.Reset();
        released.set_value();
    });
    skipped.get_future().wait();
    {
        auto unlock = lock->UnlockSection();
        release.set_value();
        released.get_future().wait();
    }
    other.join();
    stop.Reset();
    write.Reset();
    EXPECT_TRUE(lock->State().IsFree());
    EXPECT_TRUE(freeForOthers(*lock));
}

// Random sequences of sections on several threads, released in and out of
// order: once every section is gone the lock is free.
TEST(OWLockTest, AnySequenceOfSectionsLeavesTheLockFree)
{
    constexpr int threads = 4;
    constexpr int steps = 1500;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        auto lock = TOWLock::Create();
        std::latch start(threads);
        std::atomic<int> finished{0};
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t)
            workers.emplace_back([&, t] {
                start.arrive_and_wait();
                std::mt19937 random(seed * 131 + static_cast<unsigned>(t));
                std::vector<TOWLockSectionRef> held;
                auto releaseOne = [&] {
                    // Mostly the newest, sometimes any.
                    std::size_t at = held.size() - 1;
                    if (random() % 5 == 0)
                        at = random() % held.size();
                    held.erase(held.begin() + static_cast<std::ptrdiff_t>(at));
                };
                for (int i = 0; i < steps; ++i) {
                    const unsigned pick = random() % 10;
                    if (pick == 9)
                        std::this_thread::yield();
                    if (held.size() >= 6 || (pick < 4 && !held.empty())) {
                        releaseOne();
                        continue;
                    }
                    switch (pick % 4) {
                    case 0: held.push_back(TOWSimpleReadLockSection::Create(*lock)); break;
                    case 1: held.push_back(TOWSimpleWriteLockSection::Create(*lock)); break;
                    case 2: held.push_back(lock->StopSection()); break;
                    default: held.push_back(lock->UnlockSection()); break;
                    }
                }
                while (!held.empty())
                    releaseOne();
                ++finished;
            });
        joinOrAbort(workers, finished);
        const TOWLockState state = lock->State();
        EXPECT_TRUE(state.IsFree()) << "seed " << seed << ": owner " << state.ownerThread << " holds "
                                    << state.holdCount << " stops " << state.stopCount << " skipped "
                                    << state.skipped + state.ownerSkipped;
        EXPECT_TRUE(freeForOthers(*lock)) << "seed " << seed;
    }
}

TEST(OWLockTest, ObjectSectionsExistEvenWhenLetPass)
{
    TOWObject object;
    auto stop = object.Lock().StopSection();
    onOtherThread([&] {
        EXPECT_TRUE(object.WriteSection());
        EXPECT_TRUE(object.ReadSection());
        EXPECT_FALSE(object.Lock().WriteSection());
    });
}

struct TEventLog : IOWLockDiagnosticListener {
    std::vector<int> codes;
    void LockEvent(const TOWLock*, const IOWLockSection*, TOWLockEvent code, TOWThreadId) override
    {
        codes.push_back(static_cast<int>(code));
    }
};

TEST(OWLockDiagnosticsTest, ListenersHearSectionsOnlyWhileEnabled)
{
    TEventLog log;
    owLockDiagnostics::AddListener(&log);
    auto lock = TOWLock::Create();
    lock->WriteSection();
    owLockDiagnostics::Enable();
    lock->WriteSection();
    lock->ReadSection();
    lock->UnlockSection();
    owLockDiagnostics::Disable();
    lock->StopSection();
    owLockDiagnostics::RemoveListener(&log);
    EXPECT_THAT(log.codes, ::testing::ElementsAre(4, 5, 6, 7, 8, 9, 10, 11, 16, 17, 18, 19));
}

} // namespace
