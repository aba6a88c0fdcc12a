#include "chart/SLScope.h"
#include "framework/SLBufferTypes.h"
#include "framework/SLOWSourcePins.h"
#include "framework/SLRealBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zq::chart {
namespace {

class ChannelPins : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static std::once_flag once;
        std::call_once(once, [] { OWPinsStartUp(OWStandardTypeUnits()); });
    }

    static TOwned<TSLOWRealSourcePin> newSource() { return MakeObject<TSLOWRealSourcePin>(nullptr, nullptr); }

    static void send(TSLOWSourcePin& source, const TOWNotifyOperationRef& operation)
    {
        source.SendOperation(operation);
    }
    static void sendSamples(TSLOWSourcePin& source, const std::vector<double>& values)
    {
        send(source, OWMakeOperation<TOWSuppliedBufferOperation>(
                         TSLRealBuffer::CreateFromData(values.data(), static_cast<std::uint32_t>(values.size()))));
    }
    static TOWNotifyOperationRef start(double rate) { return OWMakeOperation<TOWStartSampleRateOperation>(0, rate); }

    // Refreshes until nothing more comes in.
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
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(scope->InputPins->PinName(i), "Channel" + std::to_string(i));
        EXPECT_EQ(scope->XInputPins->PinName(i), "Channel" + std::to_string(i));
    }
    EXPECT_TRUE(first.InputPin().AcceptsAny());
    EXPECT_TRUE(first.XInputPin().AcceptsAny());
    scope->Channels.Clear();
    EXPECT_EQ(scope->InputPins->Count(), 0);
    EXPECT_EQ(scope->XInputPins->Count(), 0);
    // Named after the count of pins before it, not of channels made so far.
    TSLScopeChannel& third = scope->Channels.Add();
    EXPECT_EQ(scope->InputPins->Items(0), &third.InputPin());
    EXPECT_EQ(scope->InputPins->PinName(0), "Channel0");
}

// Samples and their X values sent through real links from another thread,
// in buffers of varying lengths on both inputs, arrive whole and paired.
TEST_F(ChannelPins, LinkedSourcesFillTheChannelFromAnotherThread)
{
    TSLScopeChannel& channel = scope->Channels.Add();
    auto ySource = newSource();
    auto xSource = newSource();
    ASSERT_TRUE(channel.InputPin().Connect(ySource.get()));
    ASSERT_TRUE(channel.XInputPin().Connect(xSource.get()));
    const std::vector<std::size_t> yLengths{3, 7, 1, 12, 5, 20};
    const std::vector<std::size_t> xLengths{10, 2, 9, 27};
    std::thread sender([&] {
        send(*xSource, start(200));
        send(*ySource, start(200));
        std::size_t done = 0;
        for (const std::size_t n : xLengths) {
            std::vector<double> x(n);
            for (std::size_t i = 0; i < n; ++i)
                x[i] = static_cast<double>(done + i) / 200;
            done += n;
            sendSamples(*xSource, x);
        }
        done = 0;
        for (const std::size_t n : yLengths) {
            std::vector<double> y(n);
            for (std::size_t i = 0; i < n; ++i)
                y[i] = static_cast<double>(done + i) * 10;
            done += n;
            sendSamples(*ySource, y);
        }
    });
    // Refreshes while the samples come in.
    for (int i = 0; i < 20; ++i)
        scope->CommitPendingData();
    sender.join();
    refreshAll();
    std::vector<double> x, y;
    channel.Data.GetXData(x);
    channel.Data.GetYData(y);
    ASSERT_EQ(y.size(), 48u);
    for (std::size_t i = 0; i < y.size(); ++i) {
        EXPECT_EQ(y[i], static_cast<double>(i) * 10);
        EXPECT_EQ(x[i], static_cast<double>(i) / 200);
    }
    // A stop resets the stream: the rate is forgotten.
    EXPECT_TRUE(channel.InputPin().Queued().GetRateKnown());
    send(*ySource, OWMakeOperation<TOWStopOperation>());
    EXPECT_FALSE(channel.InputPin().Queued().GetRateKnown());
    EXPECT_TRUE(channel.InputPin().Queued().GetStopped());
}

// A channel linked while a stream runs hears its start first, so that the
// samples that follow are timed by its rate.
TEST_F(ChannelPins, AChannelLinkedMidStreamStartsWithTheCurrentStart)
{
    auto source = newSource();
    send(*source, start(50));
    sendSamples(*source, {1, 2, 3});
    TSLScopeChannel& channel = scope->Channels.Add();
    ASSERT_TRUE(channel.InputPin().Connect(source.get()));
    EXPECT_EQ(channel.InputPin().Queued().GetSampleRate(), 50);
    sendSamples(*source, {4, 5});
    refreshAll();
    std::vector<double> x, y;
    channel.Data.GetXData(x);
    channel.Data.GetYData(y);
    EXPECT_EQ(y, (std::vector<double>{4, 5}));
    EXPECT_EQ(x, (std::vector<double>{0, 0.02}));
}

// Channels removed, or the whole chart closed, while sources deliver from
// other threads: nothing waits for ever, nothing is reached after it went.
struct TCloseCase {
    const char* name;
    bool wholeChart;
};

class ClosingWhileSending : public ChannelPins, public ::testing::WithParamInterface<TCloseCase> {};

TEST_P(ClosingWhileSending, NeitherDeadlocksNorCrashes)
{
    constexpr int channels = 4;
    std::vector<TOwned<TSLOWRealSourcePin>> sources;
    for (int c = 0; c < channels; ++c) {
        sources.push_back(newSource());
        ASSERT_TRUE(scope->Channels.Add().InputPin().Connect(sources.back().get()));
    }
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::vector<std::thread> senders;
    for (int c = 0; c < channels; ++c) {
        senders.emplace_back([&, c] {
            send(*sources[c], start(1000));
            std::vector<double> samples(100, c);
            while (!stop.load()) {
                sendSamples(*sources[c], samples);
                sent.fetch_add(1);
            }
        });
    }
    while (sent.load() < 200)
        scope->CommitPendingData();
    if (GetParam().wholeChart)
        scope.reset();
    else
        scope->Channels.Clear();
    for (auto& source : sources)
        EXPECT_EQ(source->GetSinkCount(), 0);
    stop.store(true);
    for (auto& sender : senders)
        sender.join();
}

INSTANTIATE_TEST_SUITE_P(Cases, ClosingWhileSending,
                         ::testing::Values(TCloseCase{"channels_cleared", false}, TCloseCase{"chart_closed", true}),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace zq::chart
