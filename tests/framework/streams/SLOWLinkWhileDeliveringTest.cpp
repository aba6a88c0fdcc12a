// A sink linked anew while a delivery of its former link still runs in its
// handler on another thread. Whatever happens meanwhile (the handler frees the
// new source, takes the sink's owner lock, or the sink leaves the new source
// again), the link call returns, nothing touches a freed pin, and the sink
// hears each link whole: nothing of an older link after anything of a newer
// one. And a link to a source that streams faster than the sink can hear
// returns in bounded time.
#include "framework/SLOWStreamTestSupport.h"

#include <optional>

using namespace owBufferTest;
using owPinTest::TWatchdog;

namespace {

using namespace std::chrono_literals;

template<class Done>
void waitUntil(Done done, std::chrono::milliseconds patience)
{
    const auto until = std::chrono::steady_clock::now() + patience;
    while (!done() && std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
}

// ------------------------------------------------------------ relinked under an old delivery

// The source the sink moves to: it has sent nothing, it has sent a start, or
// it streams from a thread of its own.
enum class TNew : std::uint8_t { Idle, Started, Streaming };
// What happens while the old link's delivery waits in the sink's handler:
// the sink leaves the new source again (from the main thread, or from that
// handler), the handler frees the new source, or the linking thread holds
// the sink's owner lock and the handler asks for it.
enum class TMeanwhile : std::uint8_t { UnlinkFromMain, UnlinkInOldHandler, FreeInOldHandler, OwnerLockHeld };

struct TRelinkCase {
    const char* name;
    TNew to;
    TMeanwhile meanwhile;
    // Where the old code goes wrong in some rounds only, more of them.
    int rounds;
};

class LinkWhileDelivering : public owTypeTest::TypeUnits, public ::testing::WithParamInterface<TRelinkCase> {};

TEST_P(LinkWhileDelivering, TheLinkReturnsAndEveryLinkIsHeardWhole)
{
    const TRelinkCase& c = GetParam();
    const TWatchdog watchdog(30s);
    TPinOwner& sinkSide = *MakeComponent<TPinOwner>(form, "Sink1");
    for (int round = 0; round < c.rounds; ++round) {
        SCOPED_TRACE(round);
        TLog log;
        auto sink = MakeObject<TProbeSink>(&sinkSide, &sinkSide.OwnerLock(), log);
        TStreamingSource old(owner, 0, firstRate);
        std::optional<TStreamingSource> streaming;
        TOwned<TSLOWRealSourcePin> still;
        TSLOWRealSourcePin* to = nullptr;
        if (c.to == TNew::Streaming) {
            to = streaming.emplace(owner, secondFirst, secondRate).source.get();
        } else {
            still = MakeObject<TSLOWRealSourcePin>(&owner, &owner.OwnerLock());
            to = still.get();
            if (c.to == TNew::Started)
                still->SendOperation(OWMakeOperation<TOWStartSampleRateOperation>(0, secondRate));
        }
        std::atomic<bool> armed{false}, inOld{false}, linking{false}, linkDone{false}, unlinked{false},
            lockHeld{false};
        std::atomic<std::size_t> freedAt{0};
        // Whether the sink's record names the new source yet; a while only
        // where the link is made once the old delivery has ended.
        const auto linkedNow = [&] { return sink->GetLinkedPin() == to || linkDone.load(); };
        const auto newLinkMade = [&] {
            while (!linking.load())
                std::this_thread::yield();
            waitUntil(linkedNow, 50ms);
            // Time for the link's first deliveries to reach the sink.
            std::this_thread::sleep_for(5ms);
        };
        // Another thread's unlink meets the old buffer before it is heard;
        // the handler acts itself once it has heard it.
        auto& inHandler = c.meanwhile == TMeanwhile::UnlinkFromMain ? sink->beforeLog : sink->onReceive;
        inHandler = [&](const TOWNotifyOperationRef& operation) {
            if (bufferNumber(operation) < 0 || bufferNumber(operation) >= secondFirst || !armed.exchange(false))
                return;
            inOld.store(true);
            switch (c.meanwhile) {
            case TMeanwhile::UnlinkFromMain:
                waitUntil([&] { return unlinked.load(); }, 50ms);
                break;
            case TMeanwhile::UnlinkInOldHandler:
                newLinkMade();
                sink->Disconnect(to);
                break;
            case TMeanwhile::FreeInOldHandler:
                newLinkMade();
                still.reset();
                freedAt.store(log.Size());
                break;
            case TMeanwhile::OwnerLockHeld:
                while (!lockHeld.load())
                    std::this_thread::yield();
                (void)sinkSide.OwnerLock().WriteSection(); // had and let go at once
                break;
            }
        };
        ASSERT_TRUE(sink->Connect(old.source.get()));
        old.WaitForSent(3);
        armed.store(true);
        while (!inOld.load())
            std::this_thread::yield();
        std::atomic<bool> linked{false};
        std::thread linker([&] {
            TOWLockSectionRef held;
            if (c.meanwhile == TMeanwhile::OwnerLockHeld) {
                held = sinkSide.OwnerLock().WriteSection();
                lockHeld.store(true);
            }
            linking.store(true);
            linked.store(sink->Connect(to));
            linkDone.store(true);
        });
        if (c.meanwhile == TMeanwhile::UnlinkFromMain) {
            while (!linkedNow())
                std::this_thread::yield();
            sink->Disconnect(to);
            unlinked.store(true);
        }
        linker.join();
        if (c.meanwhile == TMeanwhile::FreeInOldHandler) {
            EXPECT_NE(sink->GetLinkedPin(), to) << "a link to the freed source";
        }
        // Whatever of either link was held back has had its time.
        old.WaitForSent(old.sent.load() + 3);
        if (streaming)
            streaming->WaitForSent(streaming->sent.load() + 3);
        sink->DisconnectAll();
        old.Finish();
        if (streaming)
            streaming->Finish();
        if (c.meanwhile == TMeanwhile::OwnerLockHeld) {
            EXPECT_TRUE(linked.load());
        }
        const auto items = itemsOf(log.Operations());
        EXPECT_EQ(firstBreak(items, {.strayStops = c.to == TNew::Idle, .openEnd = false}), "");
        for (std::size_t i = freedAt.load(); i > 0 && i < items.size(); ++i)
            EXPECT_NE(items[i].source, 2) << "item " << i << " of the new source, heard after it was freed";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinkWhileDelivering,
    ::testing::Values(TRelinkCase{"NewSourceFreedByTheOldHandler", TNew::Started, TMeanwhile::FreeInOldHandler, 3},
                      TRelinkCase{"LinkedUnderTheSinksOwnerLock", TNew::Streaming, TMeanwhile::OwnerLockHeld, 3},
                      TRelinkCase{"IdleSourceLeftFromMain", TNew::Idle, TMeanwhile::UnlinkFromMain, 3},
                      TRelinkCase{"StartedSourceLeftFromMain", TNew::Started, TMeanwhile::UnlinkFromMain, 3},
                      TRelinkCase{"StreamingSourceLeftByTheOldHandler", TNew::Streaming,
                                  TMeanwhile::UnlinkInOldHandler, 12}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ a sender that outruns the sink

// Another thread streams into the source three times as fast as the sink's
// handler takes a buffer. Each link returns in bounded time whatever the
// sender does, and hears its start and then every buffer in order, none
// twice and none missing. When a link does not return, the sender stops and
// the handler speeds up, so that the test ends with a failure.
TEST_F(LinkWhileDelivering, ALinkToASourceStreamingFasterThanTheSinkHearsReturns)
{
    constexpr int links = 30;
    const TWatchdog watchdog(30s);
    TStreamingSource stream(owner, 0, firstRate, 20us);
    TLog log;
    auto sink = MakeObject<TProbeSink>(&owner, &owner.OwnerLock(), log);
    std::atomic<bool> slow{true};
    sink->onReceive = [&](const TOWNotifyOperationRef&) {
        const auto until = std::chrono::steady_clock::now() + 200us;
        while (slow.load() && std::chrono::steady_clock::now() < until) {
        }
    };
    stream.WaitForSent(10);
    int made = 0;
    for (; made < links && !HasFailure(); ++made) {
        std::atomic<bool> returned{false};
        const int sentBefore = stream.sent.load();
        std::thread linker([&] {
            EXPECT_TRUE(sink->Connect(stream.source.get()));
            returned.store(true);
        });
        waitUntil([&] { return returned.load(); }, 2000ms);
        if (!returned.load()) {
            ADD_FAILURE() << "link " << made << " has not returned after 2 s, " << stream.sent.load() - sentBefore
                          << " buffers sent meanwhile";
            slow.store(false);
            stream.Finish();
        }
        linker.join();
        std::this_thread::sleep_for(10ms);
        sink->Disconnect(stream.source.get());
    }
    stream.Finish();
    int starts = 0;
    int last = -1;
    bool open = false, fresh = false;
    for (const auto& operation : log.Operations()) {
        if (OWOperationAs<TOWStartOperation>(operation)) {
            open = fresh = true;
            ++starts;
        } else if (OWOperationAs<TOWStopOperation>(operation)) {
            open = false;
        } else {
            ASSERT_TRUE(open) << "a buffer outside its link's stream";
            const int number = bufferNumber(operation);
            if (fresh) {
                ASSERT_GT(number, last) << "a buffer an earlier link heard";
            } else {
                ASSERT_EQ(number, last + 1) << "every buffer after the start, once and in order";
            }
            last = number;
            fresh = false;
        }
    }
    EXPECT_EQ(starts, made) << "each link hears the start";
}

} // namespace
