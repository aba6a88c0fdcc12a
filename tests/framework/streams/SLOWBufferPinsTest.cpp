#include "framework/SLOWStreamTestSupport.h"

#include "framework/buffers/SLRealBuffer.h"
#include "framework/streams/OWScalarSinkPins.h"
#include "framework/streams/SLOWSinkPins.h"
#include "framework/streams/SLOWSourcePins.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <map>

using namespace owTypeTest;
using namespace owBufferTest;
namespace st = owStreamTypes;
namespace sl = slStreamTypes;

namespace {

using BufferPins = TypeUnits;

// ------------------------------------------------------------ start replay

using K = TOWOperationKind;

// One step of a scenario: an operation sent, or a sink linked or unlinked.
struct TStep {
    enum { Send, Link, Unlink } what;
    std::function<TOWNotifyOperationRef()> operation;
    int sink = 0;
};

TStep send(std::function<TOWNotifyOperationRef()> operation)
{
    return {TStep::Send, std::move(operation)};
}
TStep link(int sink)
{
    return {TStep::Link, {}, sink};
}
TStep unlink(int sink)
{
    return {TStep::Unlink, {}, sink};
}
const auto start = [] { return OWMakeOperation<TOWStartSampleRateOperation>(0, 1000.0); };
const auto stop = [] { return OWMakeOperation<TOWStopOperation>(); };
const auto buffer = [] { return realBuffer({1, 2, 3}); };

struct TReplayCase {
    const char* name;
    std::vector<TStep> steps;
    std::vector<std::vector<K>> received;
    bool startKept;
};

class StartReplay : public BufferPins, public ::testing::WithParamInterface<TReplayCase> {};

TEST_P(StartReplay, ASinkHearsTheCurrentStartBeforeAnyBufferAndItsOwnStopOnly)
{
    const TReplayCase& c = GetParam();
    auto source = MakeObject<TSLOWRealSourcePin>(&owner, &owner.OwnerLock());
    std::vector<TLog> logs(c.received.size());
    std::vector<TOwned<TSLOWRealSinkPin>> sinks;
    for (TLog& log : logs)
        sinks.push_back(MakeObject<TSLOWRealSinkPin>(&owner, &owner.OwnerLock(), log.Event()));
    TOWNotifyOperationRef lastStart;
    for (const TStep& step : c.steps) {
        if (step.what == TStep::Send) {
            const TOWNotifyOperationRef operation = step.operation();
            if (OWOperationAs<TOWStartOperation>(operation))
                lastStart = operation;
            source->SendOperation(operation);
        } else if (step.what == TStep::Link) {
            ASSERT_TRUE(sinks[step.sink]->Connect(source.get()));
        } else {
            sinks[step.sink]->Disconnect(source.get());
        }
    }
    for (std::size_t i = 0; i < logs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(logs[i].Kinds(), c.received[i]);
        const auto operations = logs[i].Operations();
        if (!operations.empty() && OWOperationAs<TOWStartOperation>(operations.front())) {
            EXPECT_EQ(operations.front(), lastStart) << "the start replayed is the one sent";
        }
    }
    EXPECT_EQ(source->CurrentStart() != nullptr, c.startKept);
    if (c.startKept) {
        EXPECT_EQ(source->CurrentStart(), lastStart);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, StartReplay,
    ::testing::Values(
        TReplayCase{"LinkedBeforeTheStream",
                    {link(0), send(start), send(buffer), send(stop)},
                    {{K::StartSampleRate, K::SuppliedBuffer, K::Stop}},
                    false},
        TReplayCase{"LinkedDuringTheStream",
                    {send(start), send(buffer), link(0), send(buffer)},
                    {{K::StartSampleRate, K::SuppliedBuffer}},
                    true},
        TReplayCase{"LinkedAfterTheStop", {send(start), send(buffer), send(stop), link(0)}, {{}}, false},
        TReplayCase{"StartStopStartKeepsTheSecond",
                    {send(start), send(stop), send(start), link(0)},
                    {{K::StartSampleRate}},
                    true},
        TReplayCase{"UnlinkStopsThatSinkOnly",
                    {link(0), link(1), send(start), unlink(0), send(buffer)},
                    {{K::StartSampleRate, K::Stop}, {K::StartSampleRate, K::SuppliedBuffer}},
                    true},
        TReplayCase{"UnlinkWithoutAStreamStillStops", {link(0), unlink(0)}, {{K::Stop}}, false},
        TReplayCase{"RelinkedSinkHearsTheStartAgain",
                    {link(0), send(start), unlink(0), link(0), send(buffer)},
                    {{K::StartSampleRate, K::Stop, K::StartSampleRate, K::SuppliedBuffer}},
                    true}),
    [](const auto& info) { return std::string(info.param.name); });

// Linked directly, the owner is told after the start has been replayed;
// linked with a dependency (as a form stream links), before.
TEST_F(BufferPins, OnConnectFollowsTheReplayedStartUnlessTheLinkCarriesADependency)
{
    for (const bool withDependency : {false, true}) {
        SCOPED_TRACE(withDependency);
        TLog log;
        std::vector<std::size_t> receivedAtConnect;
        auto onConnect = [&](TObject*) { receivedAtConnect.push_back(log.Operations().size()); };
        auto source = MakeObject<TSLOWRealSourcePin>(&owner, &owner.OwnerLock(), TNotifyEvent::OfCallable(&onConnect));
        auto first = MakeObject<TSLOWRealSinkPin>(&owner, &owner.OwnerLock());
        ASSERT_TRUE(first->Connect(source.get()));
        receivedAtConnect.clear();
        source->SendOperation(start());
        auto sink = MakeObject<TSLOWRealSinkPin>(&owner, &owner.OwnerLock(), log.Event());
        ASSERT_TRUE(sink->ConnectData(source.get(), withDependency ? first.get() : nullptr));
        EXPECT_EQ(source->GetDependsOn(sink.get()), withDependency ? first.get() : nullptr);
        source->SendOperation(buffer());
        EXPECT_EQ(receivedAtConnect, std::vector<std::size_t>{withDependency ? 0u : 1u});
        EXPECT_EQ(log.Kinds(), (std::vector<K>{K::StartSampleRate, K::SuppliedBuffer}));
    }
}

// ------------------------------------------------------------ stops on unlink

// A component whose sink pin reports to a log that outlives it.
class TSinkOwner : public TPinOwner {
public:
    TSinkOwner(TComponent* owner, TLog& log) : TPinOwner(owner, "Probe1")
    {
        sink = MakeObject<TSLOWRealSinkPin>(this, &OwnerLock(), log.Event());
    }
    TOwned<TSLOWRealSinkPin> sink;
};

struct TUnlinkCase {
    const char* name;
    std::function<void(TSinkOwner*& probe, TSLOWSourcePin& source)> unlink;
    std::vector<K> received;
};

class UnlinkStops : public BufferPins, public ::testing::WithParamInterface<TUnlinkCase> {};

TEST_P(UnlinkStops, NoStopReachesASinkWhoseOwnerIsGoing)
{
    TLog log;
    auto source = MakeObject<TSLOWRealSourcePin>(&owner, &owner.OwnerLock());
    TSinkOwner* probe = MakeComponent<TSinkOwner>(form, log);
    ASSERT_TRUE(probe->sink->Connect(source.get()));
    source->SendOperation(start());
    GetParam().unlink(probe, *source);
    EXPECT_EQ(log.Kinds(), GetParam().received);
    EXPECT_FALSE(source->HasSinks());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, UnlinkStops,
    ::testing::Values(
        TUnlinkCase{"SinkUnlinks",
                    [](TSinkOwner*& probe, TSLOWSourcePin& source) { probe->sink->Disconnect(&source); },
                    {K::StartSampleRate, K::Stop}},
        TUnlinkCase{"SourceUnlinks",
                    [](TSinkOwner*& probe, TSLOWSourcePin& source) { source.Disconnect(probe->sink.get()); },
                    {K::StartSampleRate, K::Stop}},
        TUnlinkCase{"SourceGoes",
                    [](TSinkOwner*& probe, TSLOWSourcePin& source) { source.DisconnectAll(); },
                    {K::StartSampleRate, K::Stop}},
        TUnlinkCase{"SinkPinGoes", [](TSinkOwner*& probe, TSLOWSourcePin&) { probe->sink.reset(); },
                    {K::StartSampleRate}},
        TUnlinkCase{"SinkOwnerGoes",
                    [](TSinkOwner*& probe, TSLOWSourcePin&) {
                        FreeObject(probe);
                        probe = nullptr;
                    },
                    {K::StartSampleRate}}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ float option

TEST_F(BufferPins, TheFloatOptionFeedsTheFirstSampleOfEveryBuffer)
{
    std::vector<float> seen;
    auto onValue = [&](TObject*, float value) { seen.push_back(value); };
    auto plain = MakeObject<TSLOWRealSourcePin>(&owner, &owner.OwnerLock());
    auto withFloat = MakeObject<TSLOWRealSourcePin>(&owner, &owner.OwnerLock(), TNotifyEvent{}, TSLOWReceiveEvent{}, true);
    auto sink = MakeObject<TOWFloatSinkPin>(&owner, &owner.OwnerLock(), TOWValueEvent<float>::OfCallable(&onValue));
    EXPECT_FALSE(sink->Connect(plain.get()));
    ASSERT_TRUE(sink->Connect(withFloat.get()));
    withFloat->SendOperation(start());
    withFloat->SendOperation(realBuffer({0.1, 7}));
    withFloat->SendOperation(realBuffer({}));
    withFloat->SendOperation(realBuffer({-2.5}));
    EXPECT_EQ(seen, (std::vector<float>{0.1f, -2.5f}));
}

// ------------------------------------------------------------ other handlers

TEST_F(BufferPins, AStingSinkHearsSuppliedValuesOnlyAndAClockSinkEverything)
{
    auto source = MakeObject<TSLOWStringSourcePin>(&owner, &owner.OwnerLock());
    auto sting = MakeObject<TRecordingSink>(owner, std::vector<TGUID>{st::StringSingle});
    auto clock = MakeObject<TRecordingSink>(owner, std::vector<TGUID>{st::Clock});
    ASSERT_TRUE(sting->Connect(source.get()));
    ASSERT_TRUE(clock->Connect(source.get()));
    source->SendOperation(start());
    source->SendOperation(OWMakeOperation<TOWSuppliedStringOperation>("abc"));
    source->SendOperation(stop());
    auto kinds = [](TRecordingSink& sink) {
        std::vector<K> result;
        for (const TRecord& r : sink.Delivered())
            result.push_back(r.operation->OperationObject().Kind());
        return result;
    };
    EXPECT_EQ(kinds(*sting), std::vector<K>{K::SuppliedString});
    EXPECT_EQ(kinds(*clock), (std::vector<K>{K::StartSampleRate, K::SuppliedString, K::Stop}));
}

// ------------------------------------------------------------ element sizes

TEST_F(BufferPins, ARegisteredArrayTypeKeepsItsElementSizeAndTakesTheNewFactory)
{
    const auto entryOf = [](const TGUID& type) {
        const auto types = BufferStreamTypes();
        return *std::find_if(types.begin(), types.end(), [&](const auto& e) { return e.StreamType == type; });
    };
    const auto realFactory = entryOf(sl::RealArray).CreateBuffer;
    const SLRef<ISLData> made = realFactory(5);
    EXPECT_NE(dynamic_cast<ISLRealBuffer*>(made.get()), nullptr);
    EXPECT_EQ(dynamic_cast<ISLDataBuffer&>(*made).GetCount(), 5u);

    static SLRef<ISLData> (*const complexFactory)(std::uint32_t) = entryOf(sl::ComplexArray).CreateBuffer;
    const TOWTypeUnitStartUp again[] = {[] {
        RegisterBufferStreamType(sl::RealArray, 3, complexFactory, nullptr);
    }};
    const std::size_t count = BufferStreamTypes().size();
    OWPinsStartUp(again);
    EXPECT_EQ(BufferStreamTypes().size(), count);
    EXPECT_EQ(entryOf(sl::RealArray).ElementSize, 8u);
    EXPECT_EQ(entryOf(sl::RealArray).CreateBuffer, complexFactory);
    // Back as the program registers it.
    OWPinsStartUp(OWStandardTypeUnits());
    EXPECT_EQ(entryOf(sl::RealArray).CreateBuffer, realFactory);
}

// ------------------------------------------------------------ threads

// Buffers numbered by their first sample, from another thread, into sinks
// linked before and during the stream (and one unlinked during it).
TEST_F(BufferPins, SinksLinkedWhileAnotherThreadSendsHearEachBufferOnceInOrderAfterTheStart)
{
    constexpr int bufferCount = 2000;
    constexpr int sinkCount = 6;
    const owPinTest::TWatchdog watchdog(std::chrono::seconds(60));
    auto source = MakeObject<TSLOWRealSourcePin>(&owner, &owner.OwnerLock());
    std::vector<TLog> logs(sinkCount);
    std::vector<TOwned<TSLOWRealSinkPin>> sinks;
    for (TLog& log : logs)
        sinks.push_back(MakeObject<TSLOWRealSinkPin>(&owner, &owner.OwnerLock(), log.Event()));
    ASSERT_TRUE(sinks[0]->Connect(source.get()));
    ASSERT_TRUE(sinks[1]->Connect(source.get()));
    const TOWNotifyOperationRef started = start();
    std::atomic<int> sent{0};
    std::atomic<int> stopAt{INT_MAX};
    // Sends until told how many, once every link has been made.
    std::thread sender([&] {
        source->SendOperation(started);
        for (int i = 0; i < stopAt.load();) {
            source->SendOperation(realBuffer({double(i)}));
            sent.store(++i);
        }
    });
    for (int s = 2; s < sinkCount; ++s) {
        while (sent.load() < (s - 1) * bufferCount / sinkCount)
            std::this_thread::yield();
        ASSERT_TRUE(sinks[s]->Connect(source.get()));
    }
    sinks[1]->Disconnect(source.get());
    const int linkedAt = sent.load();
    stopAt.store(std::max(bufferCount, linkedAt + 100));
    sender.join();
    const int total = sent.load();
    ASSERT_GT(total, linkedAt) << "buffers were sent after the last link";

    for (int s = 0; s < sinkCount; ++s) {
        SCOPED_TRACE(s);
        const auto operations = logs[s].Operations();
        ASSERT_FALSE(operations.empty());
        EXPECT_EQ(operations.front(), started);
        int expected = -1;
        bool stopped = false;
        for (std::size_t i = 1; i < operations.size(); ++i) {
            ASSERT_FALSE(stopped) << "nothing after the stop";
            if (OWOperationAs<TOWStopOperation>(operations[i])) {
                stopped = true;
                continue;
            }
            const auto* supplied = OWOperationAs<TOWSuppliedBufferOperation>(operations[i]);
            ASSERT_NE(supplied, nullptr);
            const auto value = static_cast<int>(intfCast<ISLRealBuffer>(supplied->Buffer())->GetItem(0));
            if (expected >= 0) {
                ASSERT_EQ(value, expected) << "each buffer once and in order";
            }
            expected = value + 1;
        }
        if (s != 1) {
            EXPECT_EQ(expected, total) << "a sink linked before or during the stream hears every buffer after its link";
        }
    }
    // Only the sink that was unlinked heard a stop.
    for (int s = 0; s < sinkCount; ++s)
        EXPECT_EQ(OWOperationAs<TOWStopOperation>(logs[s].Operations().back()) != nullptr, s == 1);
}


enum class TReplayer { Linker, Sender };
enum class TMoment { Start, FirstBuffer };
enum class TAction { Free, Unlink };

struct TJoinCase {
    const char* name;
    TReplayer replayer;
    TMoment moment;
    TAction action;
};

class JoiningSink : public BufferPins, public ::testing::WithParamInterface<TJoinCase> {};

// A sink links while another thread streams and frees or unlinks itself in
// the handler of the start replayed to it or of its first buffer, while
// buffers sent meanwhile wait in its backlog. Whoever hands the start on
// (the linking or the sending thread), nothing reaches the sink once it is
// gone, and once it has unlinked only what a send already under way carries,
// then its stop.
TEST_P(JoiningSink, ASinkThatLeavesFromItsHandlerHearsNothingStale)
{
    const TJoinCase& c = GetParam();
    const owPinTest::TWatchdog watchdog(std::chrono::seconds(30));
    constexpr int queued = 8;
    for (int round = 0; round < 6; ++round) {
        TStreamingSource stream(owner);
        TLog log;
        auto parking = MakeObject<TSLOWRealSourcePin>(&owner, &owner.OwnerLock());
        TOwned<TProbeSink> probe = MakeObject<TProbeSink>(&owner, &owner.OwnerLock(), log);
        TProbeSink* const pin = probe.get();
        std::atomic<std::size_t> actedAt{0};
        std::atomic<int> sentAtAction{0};
        int heard = 0;
        pin->onReceive = [&, pin](const TOWNotifyOperationRef&) {
            const bool first = heard++ == 0;
            if (first) {
                stream.Release();
                if (c.replayer == TReplayer::Linker)
                    stream.WaitForSent(stream.sent.load() + queued);
            }
            if (first != (c.moment == TMoment::Start))
                return;
            if (heard > 2 || actedAt.load() != 0)
                return;
            actedAt.store(log.Size());
            sentAtAction.store(stream.sent.load());
            if (c.action == TAction::Free)
                probe.reset();
            else
                pin->DisconnectAll();
        };
        stream.WaitForSent(3);
        stream.Hold();
        if (c.replayer == TReplayer::Sender) {
            // The sender reaches the sink before the linking thread can
            // announce the link (the stop of the former link not logged).
            pin->logging = false;
            ASSERT_TRUE(pin->Connect(parking.get()));
            pin->onLinkRemoved = [&, pin] {
                pin->logging = true;
                stream.Release();
                while (log.Size() == 0)
                    std::this_thread::yield();
            };
        }
        ASSERT_TRUE(pin->Connect(stream.source.get()));
        while (actedAt.load() == 0)
            std::this_thread::yield();
        stream.WaitForSent(sentAtAction.load() + 20);
        stream.Finish();
        const auto operations = log.Operations();
        SCOPED_TRACE(round);
        const int stops = expectWellFormedStreams(operations);
        if (c.action == TAction::Free) {
            EXPECT_EQ(stops, 0);
            EXPECT_EQ(operations.size(), actedAt.load()) << "nothing after the sink was freed";
            continue;
        }
        EXPECT_EQ(stops, 1);
        ASSERT_TRUE(OWOperationAs<TOWStopOperation>(operations.back()));
        // Only a send under way on another thread may still carry one.
        const std::size_t after = operations.size() - 1 - actedAt.load();
        EXPECT_LE(after, c.replayer == TReplayer::Linker ? 1u : 0u) << "buffers after the sink unlinked itself";
        EXPECT_FALSE(stream.source->IsLinkedWith(pin));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JoiningSink,
    ::testing::Values(TJoinCase{"LinkerReplaysStartFree", TReplayer::Linker, TMoment::Start, TAction::Free},
                      TJoinCase{"LinkerReplaysBufferFree", TReplayer::Linker, TMoment::FirstBuffer, TAction::Free},
                      TJoinCase{"LinkerReplaysStartUnlink", TReplayer::Linker, TMoment::Start, TAction::Unlink},
                      TJoinCase{"LinkerReplaysBufferUnlink", TReplayer::Linker, TMoment::FirstBuffer, TAction::Unlink},
                      TJoinCase{"SenderReplaysStartFree", TReplayer::Sender, TMoment::Start, TAction::Free},
                      TJoinCase{"SenderReplaysBufferFree", TReplayer::Sender, TMoment::FirstBuffer, TAction::Free},
                      TJoinCase{"SenderReplaysStartUnlink", TReplayer::Sender, TMoment::Start, TAction::Unlink},
                      TJoinCase{"SenderReplaysBufferUnlink", TReplayer::Sender, TMoment::FirstBuffer, TAction::Unlink}),
    [](const auto& info) { return std::string(info.param.name); });

// A sink unlinks while a send is under way (which takes its stop over) and
// links again before that send ends, from another thread or from a handler
// of the sending one: the new link starts with its own start, and the stop
// of the old one does not follow it, nor does it when the sink links to
// another source that streams meanwhile. Linked again while the sending
// thread is delivering that stop, the link waits for it: its new start
// follows the stop.
enum class TRelink { FromAnotherThread, FromTheSendingThread, WhileItsStopIsDelivered, ToAnotherSource };
constexpr const char* relinkNames[] = {"FromAnotherThread", "FromTheSendingThread", "WhileItsStopIsDelivered",
                                       "ToAnotherSource"};

class RelinkDuringASend : public BufferPins, public ::testing::WithParamInterface<TRelink> {};

TEST_P(RelinkDuringASend, TheStopOfTheOldLinkDoesNotReachTheNewOne)
{
    const TRelink when = GetParam();
    const owPinTest::TWatchdog watchdog(std::chrono::seconds(30));
    for (int round = 0; round < 10; ++round) {
        std::atomic<bool> stopAwaited{false}, stopArrived{false}, linked{false}, moveNow{false}, moved{false};
        TStreamingSource stream(owner);
        // Numbered after the first stream's buffers, so that both make one
        // ordered sequence.
        TStreamingSource other(owner, 1 << 24);
        TLog log;
        auto sink = MakeObject<TProbeSink>(&owner, &owner.OwnerLock(), log);
        sink->beforeLog = [&](const TOWNotifyOperationRef& operation) {
            if (!stopAwaited.load() || !OWOperationAs<TOWStopOperation>(operation) || stopArrived.exchange(true))
                return;
            // The link waits for this stop to end: a while only.
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
            while (!linked.load() && std::chrono::steady_clock::now() < until)
                std::this_thread::yield();
        };
        sink->onReceive = [&](const TOWNotifyOperationRef& operation) {
            const int number = bufferNumber(operation);
            if (!moveNow.load() || number < 0 || number >= 1 << 24 || moved.load())
                return;
            sink->Disconnect(stream.source.get());
            EXPECT_TRUE(sink->Connect(other.source.get()));
            moved.store(true);
        };
        ASSERT_TRUE(sink->Connect(stream.source.get()));
        stream.WaitForSent(3);
        const std::function<void()> relink = [&] {
            sink->Disconnect(stream.source.get());
            EXPECT_TRUE(sink->Connect(stream.source.get()));
        };
        if (when == TRelink::FromTheSendingThread) {
            stream.DuringASend(relink);
        } else if (when == TRelink::FromAnotherThread) {
            stream.Hold();
            relink();
            stream.Release();
        } else if (when == TRelink::ToAnotherSource) {
            // From its handler of a buffer of the first stream, the last
            // call of that send: its stop is handed to the send.
            moveNow.store(true);
            while (!moved.load())
                std::this_thread::yield();
            other.WaitForSent(other.sent.load() + 5);
            other.Finish();
        } else {
            stopAwaited.store(true);
            stream.Hold();
            sink->Disconnect(stream.source.get());
            stream.Release();
            while (!stopArrived.load())
                std::this_thread::yield();
            EXPECT_TRUE(sink->Connect(stream.source.get()));
            linked.store(true);
        }
        stream.WaitForSent(stream.sent.load() + 5);
        stream.Finish();
        const auto operations = log.Operations();
        SCOPED_TRACE(round);
        EXPECT_EQ(expectWellFormedStreams(operations), when == TRelink::WhileItsStopIsDelivered ? 1 : 0);
        EXPECT_EQ(std::count_if(operations.begin(), operations.end(),
                                [](const auto& op) { return OWOperationAs<TOWStartOperation>(op) != nullptr; }),
                  2);
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, RelinkDuringASend,
                         ::testing::Values(TRelink::FromAnotherThread, TRelink::FromTheSendingThread,
                                           TRelink::WhileItsStopIsDelivered, TRelink::ToAnotherSource),
                         [](const auto& info) { return std::string(relinkNames[static_cast<int>(info.param)]); });

} // namespace
