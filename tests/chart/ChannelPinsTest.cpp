#include "ScopeTestSupport.h"

#include "framework/streams/SLOWSourcePins.h"

#include <atomic>
#include <memory>
#include <thread>

namespace zq::chart {
namespace {

using namespace testing;

class ChannelPins : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartPinsOnce(); }

    static TOwned<TSLOWRealSourcePin> newSource() { return MakeObject<TSLOWRealSourcePin>(nullptr, nullptr); }
    // A start at `rate`, then the values in buffers of the given lengths.
    static void stream(TSLOWSourcePin& source, double rate, const std::vector<double>& values,
                       const std::vector<std::size_t>& lengths)
    {
        source.SendOperation(startAt(rate));
        auto from = values.begin();
        for (const std::size_t n : lengths) {
            source.SendOperation(supplied(realBuffer(std::vector<double>(from, from + n))));
            from += n;
        }
    }
    void refreshAll()
    {
        while (scope->CommitPendingData()) {
        }
    }

    std::unique_ptr<TSLScope> scope = std::make_unique<TSLScope>();
};

TEST_F(ChannelPins, EachChannelListsItsPairUnderTheNextName)
{
    TSLScopeChannel& first = scope->Channels.Add();
    TSLScopeChannel& second = scope->Channels.Add();
    ASSERT_EQ(scope->InputPins->Count(), 2);
    ASSERT_EQ(scope->XInputPins->Count(), 2);
    EXPECT_EQ(scope->InputPins->Items(0), &first.InputPin());
    EXPECT_EQ(scope->XInputPins->Items(1), &second.XInputPin());
    EXPECT_EQ(scope->InputPins->PinName(1), "Channel1");
    EXPECT_EQ(scope->XInputPins->PinName(1), "Channel1");
    EXPECT_TRUE(first.InputPin().AcceptsAny() && first.XInputPin().AcceptsAny());
    scope->Channels.Clear();
    EXPECT_EQ(scope->InputPins->Count() + scope->XInputPins->Count(), 0);
    // Named after the count of pins before it, not of channels made so far.
    TSLScopeChannel& third = scope->Channels.Add();
    EXPECT_EQ(scope->InputPins->Items(0), &third.InputPin());
    EXPECT_EQ(scope->InputPins->PinName(0), "Channel0");
}

// Samples and their X values sent through real links from another thread, in
// buffers of varying lengths on both inputs, arrive whole and paired.
TEST_F(ChannelPins, LinkedSourcesFillTheChannelFromAnotherThread)
{
    TSLScopeChannel& channel = scope->Channels.Add();
    auto ySource = newSource();
    auto xSource = newSource();
    ASSERT_TRUE(channel.InputPin().Connect(ySource.get()));
    ASSERT_TRUE(channel.XInputPin().Connect(xSource.get()));
    const auto x = ramp(48, 0, 1.0 / 200);
    const auto y = ramp(48, 0, 10);
    std::thread sender([&] {
        stream(*xSource, 200, x, {10, 2, 9, 27});
        stream(*ySource, 200, y, {3, 7, 1, 12, 5, 20});
    });
    for (int i = 0; i < 20; ++i)
        scope->CommitPendingData();
    sender.join();
    refreshAll();
    EXPECT_EQ(xOf(channel.Data), x);
    EXPECT_EQ(yOf(channel.Data), y);
    // A stop resets the stream: the rate is forgotten.
    ySource->SendOperation(OWMakeOperation<TOWStopOperation>());
    EXPECT_FALSE(channel.InputPin().Queued().GetRateKnown());
    EXPECT_TRUE(channel.InputPin().Queued().GetStopped());
}

// A channel linked while a stream runs hears its start first. Without an X
// input its X is the time since its first sample at that rate, from 0 again
// once its data was cleared.
TEST_F(ChannelPins, AChannelLinkedMidStreamStartsWithTheCurrentStart)
{
    auto source = newSource();
    stream(*source, 50, {1, 2, 3}, {3});
    TSLScopeChannel& channel = scope->Channels.Add();
    ASSERT_TRUE(channel.InputPin().Connect(source.get()));
    for (const auto& values : {std::vector<double>{4, 5}, {}, {6}})
        source->SendOperation(supplied(realBuffer(values)));
    refreshAll();
    EXPECT_EQ(yOf(channel.Data), (std::vector<double>{4, 5, 6}));
    EXPECT_EQ(xOf(channel.Data), (std::vector<double>{0, 0.02, 0.04}));
    channel.Data.Clear();
    source->SendOperation(supplied(realBuffer({8})));
    refreshAll();
    EXPECT_EQ(xOf(channel.Data), std::vector<double>{0});
}

// Channels removed, or the whole chart closed, while sources deliver from
// other threads: nothing waits for ever, nothing is reached after it went.
TEST_F(ChannelPins, ClosingWhileSendingNeitherDeadlocksNorCrashes)
{
    for (const bool wholeChart : {false, true}) {
        SCOPED_TRACE(wholeChart ? "chart_closed" : "channels_cleared");
        scope = std::make_unique<TSLScope>();
        std::vector<TOwned<TSLOWRealSourcePin>> sources;
        for (int c = 0; c < 4; ++c) {
            sources.push_back(newSource());
            ASSERT_TRUE(scope->Channels.Add().InputPin().Connect(sources.back().get()));
        }
        std::atomic<bool> stop{false};
        std::atomic<int> sent{0};
        std::vector<std::thread> senders;
        for (auto& source : sources) {
            senders.emplace_back([&] {
                source->SendOperation(startAt(1000));
                while (!stop.load()) {
                    source->SendOperation(supplied(realBuffer(std::vector<double>(100, 1))));
                    sent.fetch_add(1);
                }
            });
        }
        while (sent.load() < 200)
            scope->CommitPendingData();
        if (wholeChart)
            scope.reset();
        else
            scope->Channels.Clear();
        for (auto& source : sources)
            EXPECT_EQ(source->GetSinkCount(), 0);
        stop.store(true);
        for (auto& sender : senders)
            sender.join();
    }
}

} // namespace
} // namespace zq::chart
