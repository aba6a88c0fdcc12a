// A sink moved from one streaming source to another: once it has heard
// anything of its new link, nothing of the old one reaches it, neither a
// buffer of a send that took its targets before the move, nor one whose
// delivery had begun, nor the stop kept for the old link. A multi-sink fed by
// several sources keeps hearing them all while another of its links moves.
#include "framework/OWStreamPinTestSupport.h"
#include "framework/SLOWStreamTestSupport.h"

#include <map>
#include <optional>
#include <set>

using namespace owBufferTest;
using owPinTest::TWatchdog;

namespace {

using namespace std::chrono_literals;

std::size_t countOf(const std::vector<TItem>& items, TItem::TKind kind)
{
    return static_cast<std::size_t>(
        std::count_if(items.begin(), items.end(), [&](const TItem& item) { return item.kind == kind; }));
}

// What a buffer sink heard, kept small: the free-running sources send as
// fast as they can.
class TItemLog {
public:
    TSLOWReceiveEvent Event() { return TSLOWReceiveEvent::Of<&TItemLog::receive>(this); }
    std::vector<TItem> Items()
    {
        std::lock_guard hold(guard_);
        return items_;
    }
    // Until `count` starts have been heard, a while at most.
    bool WaitForStarts(std::size_t count, std::chrono::milliseconds patience)
    {
        const auto until = std::chrono::steady_clock::now() + patience;
        while (starts_.load() < count) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            std::this_thread::yield();
        }
        return true;
    }

private:
    bool receive(TOWBasicPin*, const TGUID&, const TOWNotifyOperationRef& operation, TOWHandlerFlags)
    {
        const TItem item = itemOf(operation);
        std::lock_guard hold(guard_);
        items_.push_back(item);
        if (item.kind == TItem::Start)
            starts_.fetch_add(1);
        return true;
    }

    std::mutex guard_;
    std::vector<TItem> items_;
    std::atomic<std::size_t> starts_{0};
};

bool anyOf(TLog& log, int source)
{
    const auto operations = log.Operations();
    return std::any_of(operations.begin(), operations.end(), [&](const auto& op) { return sourceOf(op) == source; });
}

// ------------------------------------------------------------ made to happen

// What of the old link is on its way while the sink moves: a buffer of a
// send whose targets were taken before the move (the send is held by a sink
// served first), a buffer whose delivery has begun (the sink's handler waits),
// the stop kept for the old link, handed to a send under way or delivered by
// the thread that unlinked; in the last two the sink's handler waits as well.
enum class TOld { BufferOfAnEarlierCopy, BufferInItsHandler, StopHandedToTheSend, StopOfTheUnlinkingThread };

struct TOldCase {
    const char* name;
    TOld what;
};

class OldLinkOnItsWay : public owTypeTest::TypeUnits, public ::testing::WithParamInterface<TOldCase> {};

TEST_P(OldLinkOnItsWay, NothingOfItFollowsTheNewLinksStart)
{
    const TOld what = GetParam().what;
    const bool stopCase = what == TOld::StopHandedToTheSend || what == TOld::StopOfTheUnlinkingThread;
    const TWatchdog watchdog(std::chrono::seconds(30));
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        TLog log;
        auto sink = MakeObject<TProbeSink>(&owner, &owner.OwnerLock(), log);
        TStreamingSource second(owner, secondFirst, secondRate);
        // The item of the old link, once armed, waits in the sink's handler
        // until the new link is made and heard; a while only, since the link
        // waits until the handler returns.
        std::atomic<bool> armed{false}, waiting{false};
        sink->beforeLog = [&](const TOWNotifyOperationRef& operation) {
            if (!armed.load() || sourceOf(operation) != (stopCase ? 0 : 1))
                return;
            armed.store(false);
            waiting.store(true);
            const auto until = std::chrono::steady_clock::now() + 250ms;
            while ((!second.source->IsLinkedWith(sink.get()) || !anyOf(log, 2)) &&
                   std::chrono::steady_clock::now() < until)
                std::this_thread::yield();
        };
        // The first source streams on a thread of its own; where its stop is
        // to come from the unlinking thread it has sent and is idle.
        std::optional<TStreamingSource> first;
        TOwned<TSLOWRealSourcePin> idle;
        TSLOWRealSourcePin* firstPin = nullptr;
        if (what == TOld::StopOfTheUnlinkingThread) {
            idle = MakeObject<TSLOWRealSourcePin>(&owner, &owner.OwnerLock());
            firstPin = idle.get();
            ASSERT_TRUE(sink->Connect(firstPin));
            firstPin->SendOperation(OWMakeOperation<TOWStartSampleRateOperation>(0, firstRate));
            for (int i = 0; i < 3; ++i)
                firstPin->SendOperation(realBuffer({double(i)}));
        } else {
            first.emplace(owner, 0, firstRate);
            firstPin = first->source.get();
            ASSERT_TRUE(sink->Connect(firstPin));
            first->WaitForSent(3);
        }
        auto whenWaiting = [&] {
            while (!waiting.load())
                std::this_thread::yield();
        };
        std::thread unlinker;
        switch (what) {
        case TOld::BufferOfAnEarlierCopy:
            first->Hold();
            ASSERT_TRUE(sink->Connect(second.source.get()));
            while (!anyOf(log, 2))
                std::this_thread::yield();
            first->Release();
            break;
        case TOld::BufferInItsHandler:
            armed.store(true);
            whenWaiting();
            ASSERT_TRUE(sink->Connect(second.source.get()));
            break;
        case TOld::StopHandedToTheSend:
            first->Hold();
            sink->Disconnect(firstPin);
            armed.store(true);
            first->Release();
            whenWaiting();
            ASSERT_TRUE(sink->Connect(second.source.get()));
            break;
        case TOld::StopOfTheUnlinkingThread:
            armed.store(true);
            unlinker = std::thread([&] { sink->Disconnect(firstPin); });
            whenWaiting();
            EXPECT_TRUE(sink->Connect(second.source.get()));
            unlinker.join();
            break;
        }
        if (first)
            first->WaitForSent(first->sent.load() + 5);
        second.WaitForSent(second.sent.load() + 5);
        if (first)
            first->Finish();
        second.Finish();
        const auto items = itemsOf(log.Operations());
        EXPECT_EQ(firstBreak(items), "");
        EXPECT_EQ(countOf(items, TItem::Start), 2u);
        EXPECT_EQ(countOf(items, TItem::Stop), stopCase ? 1u : 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OldLinkOnItsWay,
    ::testing::Values(TOldCase{"BufferOfAnEarlierCopy", TOld::BufferOfAnEarlierCopy},
                      TOldCase{"BufferInItsHandler", TOld::BufferInItsHandler},
                      TOldCase{"StopHandedToTheSend", TOld::StopHandedToTheSend},
                      TOldCase{"StopOfTheUnlinkingThread", TOld::StopOfTheUnlinkingThread}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ the stop's handler

// The handler of the old link's stop links the sink to the streaming source,
// unlinks it again or frees it, while a new link's first delivery may wait
// for that very stop: the stop comes from the unlinking thread or from the
// send it was handed to. Nothing waits for ever, and what the sink hears is
// whole.
enum class TInStop { Relink, Unlink, Free };

struct TInStopCase {
    const char* name;
    TInStop action;
    bool handedToTheSend;
};

class StopsHandler : public owTypeTest::TypeUnits, public ::testing::WithParamInterface<TInStopCase> {};

TEST_P(StopsHandler, MayRelinkUnlinkOrFreeItsSink)
{
    const TInStopCase& c = GetParam();
    const TWatchdog watchdog(std::chrono::seconds(30));
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        TLog log;
        TOwned<TProbeSink> probe = MakeObject<TProbeSink>(&owner, &owner.OwnerLock(), log);
        TProbeSink* const sink = probe.get();
        TStreamingSource first(owner, 0, firstRate);
        TStreamingSource second(owner, secondFirst, secondRate);
        std::atomic<bool> acted{false};
        sink->onReceive = [&](const TOWNotifyOperationRef& operation) {
            if (!OWOperationAs<TOWStopOperation>(operation) || acted.exchange(true))
                return;
            if (c.action == TInStop::Relink)
                EXPECT_TRUE(sink->Connect(second.source.get()));
            else if (c.action == TInStop::Unlink)
                sink->DisconnectAll();
            else
                probe.reset();
        };
        ASSERT_TRUE(sink->Connect(first.source.get()));
        first.WaitForSent(first.sent.load() + 3);
        if (c.handedToTheSend) {
            first.Hold();
            sink->Disconnect(first.source.get());
            first.Release();
        } else {
            sink->Disconnect(first.source.get());
        }
        while (!acted.load())
            std::this_thread::yield();
        second.WaitForSent(second.sent.load() + 5);
        first.Finish();
        second.Finish();
        const auto items = itemsOf(log.Operations());
        EXPECT_EQ(firstBreak(items), "");
        EXPECT_EQ(countOf(items, TItem::Start), c.action == TInStop::Relink ? 2u : 1u);
        EXPECT_EQ(countOf(items, TItem::Stop), 1u);
        if (c.action != TInStop::Relink) {
            EXPECT_EQ(items.back().kind, TItem::Stop) << "nothing after the stop";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Actions, StopsHandler,
    ::testing::Values(TInStopCase{"RelinksFromTheUnlinkingThread", TInStop::Relink, false},
                      TInStopCase{"UnlinksFromTheUnlinkingThread", TInStop::Unlink, false},
                      TInStopCase{"FreesFromTheUnlinkingThread", TInStop::Free, false},
                      TInStopCase{"RelinksFromTheSend", TInStop::Relink, true},
                      TInStopCase{"UnlinksFromTheSend", TInStop::Unlink, true},
                      TInStopCase{"FreesFromTheSend", TInStop::Free, true}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ another sink's stop

// Two sinks leave a streaming source while its send is held, so that the
// send delivers both stops when it is done; the first stop's handler waits.
// Meanwhile the second sink links to the source again, from another thread
// or from that very handler: the new link hears the source's start when it is
// made, not only once the thread delivering the stops gets round to the
// second one (which is not delivered at all, the sink having linked again).
enum class TRelinkFrom { AnotherThread, TheFirstStopsHandler };

struct TRelinkCase {
    const char* name;
    TRelinkFrom from;
};

class SinkLinkingWhileStopsAreDelivered : public owTypeTest::TypeUnits,
                                          public ::testing::WithParamInterface<TRelinkCase> {};

TEST_P(SinkLinkingWhileStopsAreDelivered, HearsTheStartWhenLinked)
{
    const TRelinkFrom from = GetParam().from;
    const TWatchdog watchdog(std::chrono::seconds(30));
    TLog firstLog, secondLog;
    auto first = MakeObject<TProbeSink>(&owner, &owner.OwnerLock(), firstLog);
    auto second = MakeObject<TProbeSink>(&owner, &owner.OwnerLock(), secondLog);
    TStreamingSource stream(owner);
    const auto startsHeard = [&] { return countOf(itemsOf(secondLog.Operations()), TItem::Start); };
    std::atomic<bool> inStop{false}, letGo{false};
    std::atomic<std::size_t> startsAfterLinking{0};
    first->beforeLog = [&](const TOWNotifyOperationRef& operation) {
        if (!OWOperationAs<TOWStopOperation>(operation))
            return;
        if (from == TRelinkFrom::TheFirstStopsHandler) {
            EXPECT_TRUE(second->Connect(stream.source.get()));
            startsAfterLinking = startsHeard();
            return;
        }
        inStop.store(true);
        while (!letGo.load())
            std::this_thread::yield();
    };
    ASSERT_TRUE(first->Connect(stream.source.get()));
    ASSERT_TRUE(second->Connect(stream.source.get()));
    stream.WaitForSent(stream.sent.load() + 3);
    stream.Hold();
    first->Disconnect(stream.source.get());
    second->Disconnect(stream.source.get());
    stream.Release();
    if (from == TRelinkFrom::AnotherThread) {
        while (!inStop.load())
            std::this_thread::yield();
        EXPECT_TRUE(second->Connect(stream.source.get()));
        startsAfterLinking = startsHeard();
        letGo.store(true);
    }
    while (startsHeard() < 2)
        std::this_thread::yield();
    stream.WaitForSent(stream.sent.load() + 5);
    stream.Finish();
    EXPECT_EQ(startsAfterLinking.load(), 2u) << "the start heard by the time the link is made";
    const auto items = itemsOf(secondLog.Operations());
    EXPECT_EQ(firstBreak(items), "");
    EXPECT_EQ(countOf(items, TItem::Stop), 0u) << "the stop of a link made anew is not delivered";
    EXPECT_EQ(countOf(itemsOf(firstLog.Operations()), TItem::Stop), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Linkers, SinkLinkingWhileStopsAreDelivered,
    ::testing::Values(TRelinkCase{"AnotherThread", TRelinkFrom::AnotherThread},
                      TRelinkCase{"TheFirstStopsHandler", TRelinkFrom::TheFirstStopsHandler}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ free-running

// Both sources stream while a third thread moves the sink between them every
// 0.3 ms, in one step or unlinking first (so that the old link's stop is
// kept and delivered by the mover or by a send under way). Each link is
// heard: it begins with exactly one start of its own, before any buffer of
// it. A link's start is handed on when the link is made (by the mover, by
// the first send to reach it, or right after the old link's stop where that
// is being delivered), so even a link that lasts 0.3 ms hears it.
struct TMoveCase {
    const char* name;
    bool unlinkFirst;
};

class MovingSink : public owTypeTest::TypeUnits, public ::testing::WithParamInterface<TMoveCase> {};

TEST_P(MovingSink, EachLinkIsHeardWholeWhileBothSourcesStream)
{
    constexpr int moves = 2000;
    const TWatchdog watchdog(std::chrono::seconds(120));
    TItemLog log;
    auto sink = MakeObject<TSLOWRealSinkPin>(&owner, &owner.OwnerLock(), log.Event());
    TStreamingSource first(owner, 0, firstRate);
    TStreamingSource second(owner, secondFirst, secondRate);
    first.WaitForSent(1);
    second.WaitForSent(1);
    ASSERT_TRUE(sink->Connect(first.source.get()));
    std::thread mover([&] {
        for (int i = 0; i < moves; ++i) {
            if (GetParam().unlinkFirst)
                sink->DisconnectAll();
            EXPECT_TRUE(sink->Connect((i % 2 == 0 ? second : first).source.get()));
            std::this_thread::sleep_for(300us);
        }
    });
    mover.join();
    EXPECT_TRUE(log.WaitForStarts(moves + 1, 2000ms)) << "the last link's start";
    first.Finish();
    second.Finish();
    const auto items = log.Items();
    EXPECT_EQ(firstBreak(items), "");
    EXPECT_EQ(countOf(items, TItem::Start), static_cast<std::size_t>(moves + 1)) << "one start a link";
}

INSTANTIATE_TEST_SUITE_P(Moves, MovingSink,
                         ::testing::Values(TMoveCase{"InOneStep", false}, TMoveCase{"UnlinkingFirst", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ a multi-sink

// Two sources stream into a multi-sink that never leaves them, while a third
// thread moves another of its links between two more streaming sources: the
// two are heard whole, and once anything of the new link of the moving pair
// has been heard, nothing of the link that went.
TEST(MultiSinkLinks, TwoSourcesAreHeardWholeWhileAThirdLinkMoves)
{
    using namespace owPinTest;
    constexpr int moves = 1500;
    const TWatchdog watchdog(std::chrono::seconds(120));
    TPinOwner form{nullptr, "Form1"};
    TPinOwner& part = *MakeComponent<TPinOwner>(form, "Part");
    auto multi = MakeObject<TTestMultiSinkPin>(&part, &part.OwnerLock(), std::vector<TGUID>{typeA});
    constexpr int steady = 2;
    constexpr int sourceCount = 4;
    std::vector<TOwned<TTestSourcePin>> sources;
    for (int i = 0; i < sourceCount; ++i)
        sources.push_back(MakeObject<TTestSourcePin>(&part, &part.OwnerLock(), std::vector<TGUID>{typeA}));
    for (int i = 0; i <= steady; ++i)
        ASSERT_TRUE(multi->ConnectData(sources[i].get(), nullptr));

    // What happened, in one order: heard operations (by serial) and the
    // mover's steps (the source's index, negative for an unlink).
    struct TEvent {
        bool heard;
        std::uint32_t serial;
        int source;
    };
    std::mutex guard;
    std::vector<TEvent> events;
    auto note = [&](TEvent event) {
        std::lock_guard hold(guard);
        events.push_back(event);
    };
    multi->onReceive = [&](const TOWNotifyOperationRef& operation, TOWHandlerFlags flags) {
        if (!(flags & owAnnounceFlag))
            note({true, operation->OperationObject().SerialNumber(), 0});
    };
    std::vector<std::vector<std::uint32_t>> sent(sourceCount);
    std::atomic<bool> done{false};
    std::vector<std::thread> senders;
    for (int i = 0; i < sourceCount; ++i) {
        senders.emplace_back([&, i] {
            while (!done.load()) {
                const TOWNotifyOperationRef operation = NewOperation();
                sent[static_cast<std::size_t>(i)].push_back(operation->OperationObject().SerialNumber());
                sources[static_cast<std::size_t>(i)]->SendOperation(operation);
                std::this_thread::sleep_for(20us);
            }
        });
    }
    std::thread mover([&] {
        for (int i = 0; i < moves; ++i) {
            const int from = steady + i % 2;
            const int to = steady + 1 - i % 2;
            multi->Disconnect(sources[static_cast<std::size_t>(from)].get());
            note({false, 0, -from});
            note({false, 0, to});
            EXPECT_TRUE(multi->ConnectData(sources[static_cast<std::size_t>(to)].get(), nullptr));
            std::this_thread::sleep_for(300us);
        }
    });
    mover.join();
    done.store(true);
    for (auto& sender : senders)
        sender.join();

    std::map<std::uint32_t, int> sourceOfSerial;
    for (int i = 0; i < sourceCount; ++i) {
        for (std::uint32_t serial : sent[static_cast<std::size_t>(i)])
            sourceOfSerial[serial] = i;
    }
    for (int i = 0; i < steady; ++i) {
        std::vector<std::uint32_t> heard;
        for (const TReceived& r : multi->Received()) {
            if (r.from == sources[static_cast<std::size_t>(i)].get() && !(r.flags & owAnnounceFlag))
                heard.push_back(r.serial);
        }
        EXPECT_EQ(heard, sent[static_cast<std::size_t>(i)]) << "source " << i << " heard whole";
    }
    // A moving source that went is sealed once the other one's new link has
    // been heard, until it is linked again.
    std::set<int> went, sealed;
    std::size_t breaks = 0;
    for (const TEvent& event : events) {
        if (!event.heard) {
            if (event.source < 0) {
                went.insert(-event.source);
            } else {
                went.erase(event.source);
                sealed.erase(event.source);
            }
            continue;
        }
        const int from = sourceOfSerial.at(event.serial);
        if (from < steady)
            continue;
        if (sealed.count(from))
            ++breaks;
        for (int other : went) {
            if (other != from)
                sealed.insert(other);
        }
    }
    EXPECT_EQ(breaks, 0u) << "operations of a link that went, heard after the new link's";
}

} // namespace
