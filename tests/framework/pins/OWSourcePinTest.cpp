#include "framework/OWStreamPinTestSupport.h"

#include <future>
#include <numeric>

using namespace owPinTest;

namespace {

class SourcePins : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterTestConverter(); }

    TPinOwner form{nullptr, "Form1"};
    TStreamOwner& scope = *MakeComponent<TStreamOwner>(form, "Scope1");
    TStreamOwner& probe = *MakeComponent<TStreamOwner>(form, "Probe1");
};

std::vector<TOWBasicPin*> orderOf(TTestSourcePin& source)
{
    std::vector<TOWBasicPin*> order;
    for (const TOWPinEntry& entry : source.SinkEntries())
        order.push_back(entry.Sink.Get());
    return order;
}

// ------------------------------------------------------------ negotiation

struct TNegotiationCase {
    const char* name;
    std::vector<TGUID> offers;
    std::vector<TGUID> accepts;
    bool links;
    TGUID sinkType;
    int converters;
};

class Negotiation : public SourcePins, public ::testing::WithParamInterface<TNegotiationCase> {};

TEST_P(Negotiation, TheLastOfferedTypeTheSinkTakesOrAConverter)
{
    const TNegotiationCase& c = GetParam();
    auto& source = scope.Source(c.offers);
    auto& sink = probe.Sink(c.accepts);
    EXPECT_EQ(sink.ConnectData(&source, nullptr), c.links);
    EXPECT_EQ(source.IsLinkedWith(&sink), c.links);
    EXPECT_EQ(sink.GetSource(), c.links ? &source : nullptr);
    EXPECT_EQ(sink.GetStreamType(nullptr), c.sinkType);
    EXPECT_EQ(source.ConverterCount(), c.converters);
    EXPECT_EQ(source.IsLinkedThroughConverter(&sink), c.converters > 0);
    if (c.links) {
        // The announcement arrives once, as the only thing received so far.
        const auto received = sink.Received();
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(received[0].flags, owAnnounceFlag | owLastTargetFlag);
        EXPECT_EQ(received[0].type, c.sinkType);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Negotiation,
    ::testing::Values(TNegotiationCase{"NearestTheEndWins", {typeA, typeB, typeC}, {typeA, typeC}, true, typeC, 0},
                      TNegotiationCase{"OnlyType", {typeA}, {typeA}, true, typeA, 0},
                      TNegotiationCase{"NothingInCommon", {typeA}, {typeB}, false, GUID_NULL, 0},
                      TNegotiationCase{"ThroughARegisteredConverter", {typeA, typeB}, {typeC}, true, typeC, 1},
                      TNegotiationCase{"DirectBeatsConverter", {typeB, typeC}, {typeC}, true, typeC, 0},
                      TNegotiationCase{"SinkThatTakesNothing", {typeA}, {}, false, GUID_NULL, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ delivery

TEST_F(SourcePins, EverySinkGetsEveryOperationOnceInOrderAndOnlyTheLastIsFlagged)
{
    auto& source = scope.Source();
    std::vector<TTestSinkPin*> sinks;
    for (int i = 0; i < 3; ++i) {
        sinks.push_back(&probe.Sink());
        ASSERT_TRUE(sinks.back()->ConnectData(&source, nullptr));
        sinks.back()->answer = false; // keeps the order fixed
    }
    std::vector<std::uint32_t> sent;
    for (int i = 0; i < 5; ++i) {
        auto operation = NewOperation();
        sent.push_back(operation->OperationObject().SerialNumber());
        EXPECT_FALSE(source.SendOperation(operation));
    }
    for (TTestSinkPin* sink : sinks)
        EXPECT_EQ(sink->Serials(), sent);
    const auto last = sinks.back()->Received().back();
    EXPECT_EQ(last.flags, owLastTargetFlag);
    EXPECT_EQ(sinks.front()->Received().back().flags, 0);
}

TEST_F(SourcePins, SinksBehindASharedConverterEachGetEveryOperationOnce)
{
    auto& source = scope.Source({typeB});
    auto& first = probe.Sink({typeC});
    auto& second = probe.Sink({typeC});
    const int madeBefore = TTestConverter::made.load();
    const int freedBefore = TTestConverter::freed.load();
    ASSERT_TRUE(first.ConnectData(&source, nullptr));
    ASSERT_TRUE(second.ConnectData(&source, nullptr));
    EXPECT_EQ(TTestConverter::made.load() - madeBefore, 1);
    ASSERT_EQ(source.ConverterCount(), 1);
    auto* converter = dynamic_cast<TTestConverter*>(source.ConvertersSnapshot().front());
    EXPECT_EQ(first.GetDirectSource(), converter->OutputPin());

    std::vector<std::uint32_t> sent;
    for (int i = 0; i < 4; ++i) {
        auto operation = NewOperation();
        sent.push_back(operation->OperationObject().SerialNumber());
        source.SendOperation(operation);
    }
    EXPECT_EQ(first.Serials(), sent);
    EXPECT_EQ(second.Serials(), sent);
    EXPECT_EQ(converter->passed.load(), 4);

    // One sink to itself alone, through the converter: the other hears nothing.
    auto alone = NewOperation();
    source.Dispatch(&first, alone);
    EXPECT_EQ(first.Serials().back(), alone->OperationObject().SerialNumber());
    EXPECT_EQ(second.Serials(), sent);

    // The sink that leaves does not disturb the other, and the converter
    // stays until nobody goes through it.
    first.DisconnectAll();
    EXPECT_EQ(source.ConverterCount(), 1);
    auto after = NewOperation();
    source.SendOperation(after);
    EXPECT_EQ(second.Serials().back(), after->OperationObject().SerialNumber());
    EXPECT_EQ(second.Serials().size(), sent.size() + 1);
    second.DisconnectAll();
    EXPECT_EQ(source.ConverterCount(), 0);
    EXPECT_EQ(TTestConverter::freed.load() - freedBefore, 1);
}

TEST_F(SourcePins, AnActiveSinkMovesToTheEndAndAnIdleOneDriftsBack)
{
    auto& source = scope.Source();
    auto& a = probe.Sink();
    auto& b = probe.Sink();
    auto& c = probe.Sink();
    for (TTestSinkPin* sink : {&a, &b, &c}) {
        sink->ConnectData(&source, nullptr);
        sink->answer = false;
    }
    EXPECT_EQ(orderOf(source), (std::vector<TOWBasicPin*>{&a, &b, &c}));
    a.answer = true;
    source.SendOperation(NewOperation());
    EXPECT_EQ(orderOf(source), (std::vector<TOWBasicPin*>{&b, &c, &a}));
    // a falls idle and b takes over: within a few deliveries b is behind a.
    a.answer = false;
    b.answer = true;
    for (int i = 0; i < 3; ++i)
        source.SendOperation(NewOperation());
    EXPECT_EQ(orderOf(source), (std::vector<TOWBasicPin*>{&c, &a, &b}));
    // Weights are bounded: a long active run is forgotten in bounded time.
    for (int i = 0; i < 5000; ++i)
        source.SendOperation(NewOperation());
    for (const TOWPinEntry& entry : source.SinkEntries())
        EXPECT_LT(entry.Weight, 10010);
}

TEST_F(SourcePins, TheWeightOfALoneSinkCountsEveryDeliveryAndDecidesItsPlaceWhenAnotherJoins)
{
    struct Case {
        const char* what;
        int deliveries;
        bool answers;
        // The lone sink's weight (+4 per answer below 10,000, -1 per delivery).
        std::int32_t lowest, highest;
    };
    const Case cases[] = {
        {"a few answered", 10, true, 30, 30},
        {"none answered", 10, false, 0, 0},
        {"a long answered run", 9000, true, 9999, 10003},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto& source = scope.Source();
        auto& lone = probe.Sink();
        lone.answer = c.answers;
        ASSERT_TRUE(lone.ConnectData(&source, nullptr));
        for (int i = 0; i < c.deliveries; ++i)
            source.SendOperation(NewOperation());
        // A sink that joins later starts at 0, and the answers to the
        // deliveries before it survive the change of the entries.
        auto& late = probe.Sink();
        late.answer = false;
        ASSERT_TRUE(late.ConnectData(&source, nullptr));
        const auto entries = source.SinkEntries();
        const auto loneEntry = std::find_if(entries.begin(), entries.end(),
                                            [&](const TOWPinEntry& e) { return e.Sink.Get() == &lone; });
        ASSERT_NE(loneEntry, entries.end());
        EXPECT_GE(loneEntry->Weight, c.lowest);
        EXPECT_LE(loneEntry->Weight, c.highest);
        // The active one goes behind the newcomer.
        source.SendOperation(NewOperation());
        const auto order = orderOf(source);
        EXPECT_EQ(order.front(), c.answers ? static_cast<TOWBasicPin*>(&late) : static_cast<TOWBasicPin*>(&lone));
    }
}

class DependencyChains : public SourcePins, public ::testing::WithParamInterface<int> {};

TEST_P(DependencyChains, EverySinkIsServedAfterTheOneItDependsOn)
{
    const int length = GetParam();
    auto& source = scope.Source();
    std::vector<TTestSinkPin*> chain;
    std::vector<int> served;
    for (int i = 0; i <= length; ++i) {
        chain.push_back(&probe.Sink());
        chain.back()->onReceive = [&served, i](const TOWNotifyOperationRef&, TOWHandlerFlags flags) {
            if (!(flags & owAnnounceFlag))
                served.push_back(i);
        };
    }
    // Linked from the end of the chain, each depending on the one before it;
    // the pins depended on answer True, which pushes them to the end.
    auto& free = probe.Sink();
    free.answer = false;
    ASSERT_TRUE(free.ConnectData(&source, nullptr));
    ASSERT_TRUE(chain[0]->ConnectData(&source, nullptr));
    for (int i = 1; i <= length; ++i)
        ASSERT_TRUE(source.ConnectData(chain[static_cast<std::size_t>(i)], chain[static_cast<std::size_t>(i) - 1]));
    for (int i = length; i >= 1; --i)
        chain[static_cast<std::size_t>(i)]->answer = false;
    for (int round = 0; round < 6; ++round) {
        served.clear();
        source.SendOperation(NewOperation());
        std::vector<int> expected(static_cast<std::size_t>(length) + 1);
        std::iota(expected.begin(), expected.end(), 0);
        EXPECT_EQ(served, expected) << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, DependencyChains, ::testing::Values(1, 2, 3, 4));

// ------------------------------------------------------------ nesting

struct TNestingCase {
    int deliveries;
    bool raises;
};

class DispatchNesting : public SourcePins, public ::testing::WithParamInterface<TNestingCase> {};

TEST_P(DispatchNesting, TwoHundredAndOneNestedDeliveriesPassAndTheNextRaises)
{
    auto& source = scope.Source();
    auto& sink = probe.Sink();
    ASSERT_TRUE(sink.ConnectData(&source, nullptr));
    int started = 0;
    const int wanted = GetParam().deliveries;
    sink.onReceive = [&](const TOWNotifyOperationRef&, TOWHandlerFlags flags) {
        if (!(flags & owAnnounceFlag) && ++started < wanted)
            source.SendOperation(NewOperation());
    };
    if (GetParam().raises) {
        try {
            source.SendOperation(NewOperation());
            ADD_FAILURE() << "no exception";
        } catch (const EOWException& e) {
            EXPECT_STREQ(e.what(), "The pin depends on itself. Please protect with functional dependency.");
        }
    } else {
        EXPECT_NO_THROW(source.SendOperation(NewOperation()));
    }
    EXPECT_EQ(started, GetParam().raises ? wanted - 1 : wanted);
    EXPECT_EQ(source.Nesting(), 0);
    // Still usable.
    sink.onReceive = nullptr;
    sink.ClearReceived();
    source.SendOperation(NewOperation());
    EXPECT_EQ(sink.Serials().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Depths, DispatchNesting, ::testing::Values(TNestingCase{200, false}, TNestingCase{201, false},
                                                                    TNestingCase{202, true}));

TEST_F(SourcePins, ARaisingHandlerEndsTheDeliveryAndLeavesTheCountersDown)
{
    auto& source = scope.Source();
    auto& first = probe.Sink();
    auto& second = probe.Sink();
    first.ConnectData(&source, nullptr);
    second.ConnectData(&source, nullptr);
    first.answer = second.answer = false;
    first.onReceive = [](const TOWNotifyOperationRef&, TOWHandlerFlags flags) {
        if (!(flags & owAnnounceFlag))
            throw std::runtime_error("handler");
    };
    EXPECT_THROW(source.SendOperation(NewOperation()), std::runtime_error);
    EXPECT_TRUE(second.Serials().empty());
    EXPECT_EQ(source.Nesting(), 0);

    // An announcement that raises leaves the counter down too.
    auto& late = probe.Sink();
    late.onReceive = [](const TOWNotifyOperationRef&, TOWHandlerFlags flags) {
        if (flags & owAnnounceFlag)
            throw std::runtime_error("announce");
    };
    EXPECT_THROW(late.ConnectData(&source, nullptr), std::runtime_error);
    EXPECT_EQ(source.Nesting(), 0);
    late.onReceive = nullptr;
    EXPECT_NO_THROW(source.AnnounceTo(&late));
}

TEST_F(SourcePins, AnUpstreamLoopEndsWithTheNestingErrorAndPassesThroughConverters)
{
    auto& source = scope.Source({typeB});
    auto& direct = probe.Sink({typeB});
    auto& converted = probe.Sink({typeC});
    ASSERT_TRUE(direct.ConnectData(&source, nullptr));
    ASSERT_TRUE(converted.ConnectData(&source, nullptr));
    EXPECT_TRUE(direct.SendOperation(NewOperation()));
    EXPECT_TRUE(converted.SendOperation(NewOperation()));
    EXPECT_EQ(source.upstreamCount.load(), 2);

    source.onUpstream = [&](const TOWNotifyOperationRef& operation) { return direct.SendOperation(operation); };
    EXPECT_THROW(direct.SendOperation(NewOperation()), EOWException);
    EXPECT_EQ(direct.Nesting(), 0);
    source.onUpstream = nullptr;
    EXPECT_TRUE(direct.SendOperation(NewOperation()));
}

// ------------------------------------------------------------ linking

TEST_F(SourcePins, ConnectingTwiceChangesNothingAndRelinkingUndoesTheOldLink)
{
    auto& first = scope.Source();
    auto& second = scope.Source();
    auto& sink = probe.Sink();
    ASSERT_TRUE(sink.ConnectData(&first, nullptr));
    const auto entries = first.SinkEntries();
    EXPECT_TRUE(sink.ConnectData(&first, nullptr));
    EXPECT_TRUE(first.ConnectData(&sink, nullptr));
    ASSERT_EQ(first.SinkEntries().size(), 1u);
    EXPECT_EQ(first.SinkEntries()[0].Id, entries[0].Id);
    EXPECT_EQ(sink.Received().size(), 1u);

    ASSERT_TRUE(sink.ConnectData(&second, nullptr));
    EXPECT_EQ(first.GetSinkCount(), 0);
    EXPECT_EQ(second.GetSinkCount(), 1);
    EXPECT_EQ(sink.GetSource(), &second);
    EXPECT_EQ(sink.linkRemoved.load(), 1);
    EXPECT_EQ(first.linkRemoved.load(), 1);
}

struct TUnlinkCase {
    const char* name;
    void (*unlink)(TTestSourcePin& source, TTestSinkPin& sink);
};

class Unlinking : public SourcePins, public ::testing::WithParamInterface<TUnlinkCase> {};

TEST_P(Unlinking, EachSideIsToldOnceAndBothRecordsGo)
{
    auto& source = scope.Source();
    auto& sink = probe.Sink();
    auto& other = probe.Sink();
    ASSERT_TRUE(sink.ConnectData(&source, nullptr));
    ASSERT_TRUE(other.ConnectData(&source, nullptr));
    GetParam().unlink(source, sink);
    EXPECT_FALSE(source.IsLinkedWith(&sink));
    EXPECT_EQ(sink.GetSource(), nullptr);
    EXPECT_TRUE(sink.GetStreamType(nullptr).IsNull());
    EXPECT_EQ(sink.linkRemoved.load(), 1);
    EXPECT_EQ(source.linkRemoved.load(), 1);
    EXPECT_TRUE(source.IsLinkedWith(&other));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, Unlinking,
    ::testing::Values(
        TUnlinkCase{"SinkDisconnectsAll", [](TTestSourcePin&, TTestSinkPin& sink) { sink.DisconnectAll(); }},
        TUnlinkCase{"SinkConnectsNothing", [](TTestSourcePin&, TTestSinkPin& sink) { sink.ConnectData(nullptr, nullptr); }},
        TUnlinkCase{"SinkDisconnectsSource", [](TTestSourcePin& source, TTestSinkPin& sink) { sink.Disconnect(&source); }},
        TUnlinkCase{"SourceDisconnectsSink", [](TTestSourcePin& source, TTestSinkPin& sink) { source.Disconnect(&sink); }},
        TUnlinkCase{"SourceRemovesLink", [](TTestSourcePin& source, TTestSinkPin& sink) { source.DisconnectSink(&sink); }},
        TUnlinkCase{"SinkRemovesLink", [](TTestSourcePin& source, TTestSinkPin& sink) { sink.RemoveLink(&source, false); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SourcePins, DependenciesThatLoopAndSourcesThatDependOnTheSinkAreRefused)
{
    auto& source = scope.Source();
    auto& a = probe.Sink();
    auto& b = probe.Sink();
    ASSERT_TRUE(a.ConnectData(&source, nullptr));
    EXPECT_FALSE(source.ConnectData(&a, &a));
    ASSERT_TRUE(source.ConnectData(&b, &a));
    // a depending on b would close the chain b -> a -> b.
    EXPECT_FALSE(source.CanLink(&a, &b, true));
    source.SetAlwaysLinkable(true);
    EXPECT_TRUE(source.CanLink(&a, &b, true));
    source.SetAlwaysLinkable(false);

    // A source of the sink's own component that depends on the sink (feedback
    // without a functional dependency declared the other way) is refused.
    auto& feedbackIn = scope.Sink();
    auto& feedbackOut = scope.Source();
    feedbackOut.AddFunctionDependency(feedbackIn);
    EXPECT_FALSE(feedbackIn.ConnectData(&feedbackOut, nullptr));
    EXPECT_FALSE(feedbackOut.ConnectData(&feedbackIn, nullptr));
    // Also two components away.
    auto& middleIn = probe.Sink();
    auto& middleOut = probe.Source();
    middleOut.AddFunctionDependency(middleIn);
    ASSERT_TRUE(middleIn.ConnectData(&feedbackOut, nullptr));
    EXPECT_FALSE(feedbackIn.ConnectData(&middleOut, nullptr));
    EXPECT_EQ(feedbackIn.GetSource(), nullptr);
}

TEST_F(SourcePins, LinkTextsNameTheOtherEnd)
{
    auto& source = scope.Source({typeA}, "Out");
    auto& first = probe.Sink({typeA}, "In");
    TPinOwner otherForm{nullptr, "Form2"};
    auto& remote = *MakeComponent<TStreamOwner>(otherForm, "Remote1");
    auto& far = remote.Sink({typeA}, "Far");
    EXPECT_EQ(source.GetLinkText(), "(Disconnected)");
    EXPECT_EQ(first.GetLinkText(), "(Disconnected)");
    first.ConnectData(&source, nullptr);
    EXPECT_EQ(source.GetLinkText(), "Probe1.Pins.In");
    EXPECT_EQ(first.GetLinkText(), "Scope1.Pins._Pin0");
    EXPECT_TRUE(source.IsLinkedToName("Probe1.Pins.In"));
    EXPECT_TRUE(first.IsLinkedToName("Scope1.Pins._Pin0"));
    far.ConnectData(&source, nullptr);
    EXPECT_EQ(far.GetLinkText(), "Form1.Scope1.Pins._Pin0");
    probe.Sink().ConnectData(&source, nullptr);
    EXPECT_EQ(source.GetLinkText(), "( 3 Links )");
    EXPECT_TRUE(source.IsLinkedToName("Form2.Remote1.Pins.Far"));
    far.DisconnectAll();
}

// ------------------------------------------------------------ handlers and locks

TEST_F(SourcePins, HandlersRunWithoutThePinsOrTheOwnersLock)
{
    TWatchdog watchdog(std::chrono::seconds(20));
    auto& source = scope.Source();
    auto& sink = probe.Sink();
    ASSERT_TRUE(sink.ConnectData(&source, nullptr));
    int seen = -1;
    bool seenUpstream = false;
    source.onUpstream = [&](const TOWNotifyOperationRef&) {
        std::async(std::launch::async, [&] {
            auto owner = probe.OwnerLock().WriteSection();
            seenUpstream = sink.GetSource() == &source;
        }).get();
        return true;
    };
    sink.onReceive = [&](const TOWNotifyOperationRef&, TOWHandlerFlags flags) {
        if (flags & owAnnounceFlag)
            return;
        // Another thread must get in while the handler runs.
        std::async(std::launch::async, [&] {
            auto owner = scope.OwnerLock().WriteSection();
            seen = source.GetSinkCount();
            auto entries = source.SinkEntries();
        }).get();
    };
    {
        auto owner = scope.OwnerLock().WriteSection();
        source.SendOperation(NewOperation());
    }
    {
        auto owner = probe.OwnerLock().WriteSection();
        EXPECT_TRUE(sink.SendOperation(NewOperation()));
    }
    EXPECT_EQ(seen, 1);
    EXPECT_TRUE(seenUpstream);
}

TEST_F(SourcePins, HandlersMayUnlinkRelinkAndDestroySinksDuringADelivery)
{
    auto& source = scope.Source();
    auto& keeper = probe.Sink();
    keeper.answer = false;
    std::vector<TTestSinkPin*> victims;
    for (int i = 0; i < 4; ++i)
        victims.push_back(&probe.Sink());
    keeper.ConnectData(&source, nullptr);
    for (TTestSinkPin* victim : victims)
        victim->ConnectData(&source, nullptr);
    ASSERT_EQ(orderOf(source).front(), &keeper);
    keeper.onReceive = [&](const TOWNotifyOperationRef&, TOWHandlerFlags flags) {
        if (flags & owAnnounceFlag)
            return;
        victims[0]->DisconnectAll();
        victims[1]->DisconnectAll();
        victims[1]->ConnectData(&source, nullptr);
        std::erase_if(probe.sinks, [&](const auto& p) { return p.get() == victims[2] || p.get() == victims[3]; });
    };
    source.SendOperation(NewOperation());
    EXPECT_EQ(source.GetSinkCount(), 2);
    for (const TOWPinEntry& entry : source.SinkEntries())
        EXPECT_LE(entry.Weight, 4);
    keeper.onReceive = nullptr;
    const std::size_t before = victims[1]->Serials().size();
    source.SendOperation(NewOperation());
    EXPECT_EQ(victims[1]->Serials().size(), before + 1);
    EXPECT_EQ(victims[0]->Serials().size(), 1u);
}

} // namespace
