#include "chart/SLScopeChannelInputs.h"
#include "framework/LPBufferPair.h"
#include "framework/OWLock.h"
#include "framework/SLComplexBuffer.h"
#include "framework/SLIntegerBuffer.h"
#include "framework/SLRealBuffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numeric>
#include <vector>

namespace zq::chart {
namespace {

SLRef<ISLData> reals(std::vector<double> values)
{
    return TSLRealBuffer::CreateFromData(values.data(), static_cast<std::uint32_t>(values.size()));
}

SLRef<ISLData> ramp(std::uint32_t count, double first, double step = 1)
{
    std::vector<double> values(count);
    for (std::uint32_t i = 0; i < count; ++i)
        values[i] = first + i * step;
    return reals(values);
}

TOWNotifyOperationRef start(double rate)
{
    return OWMakeOperation<TOWStartSampleRateOperation>(0, rate);
}

TOWNotifyOperationRef supply(const SLRef<ISLData>& buffer)
{
    return OWMakeOperation<TOWSuppliedBufferOperation>(buffer);
}

class ChannelInputs : public ::testing::Test {
protected:
    bool toY(const TOWNotifyOperationRef& operation) { return inputs.ReceiveY(nullptr, {}, operation, 0); }
    bool toX(const TOWNotifyOperationRef& operation) { return inputs.ReceiveX(nullptr, {}, operation, 0); }
    std::vector<double> xs()
    {
        data.Commit();
        std::vector<double> out;
        data.GetXData(out);
        return out;
    }
    std::vector<double> ys()
    {
        data.Commit();
        std::vector<double> out;
        data.GetYData(out);
        return out;
    }

    TOWIntf<TOWLock> lock = TOWLock::Create();
    TSLChannelData data{*lock};
    TSLScopeChannelInputs inputs{OWMake<TSLOWQueuedPinImpl>(TOWBorrowed<TOWBasicPin>()),
                                 OWMake<TSLOWQueuedPinImpl>(TOWBorrowed<TOWBasicPin>())};
};

// Without an X input, X is the time since the channel's first sample at the
// Y rate; empty buffers take nothing.
TEST_F(ChannelInputs, YAloneIsTimedByItsRate)
{
    ASSERT_TRUE(toY(start(4)));
    for (const std::uint32_t n : {3u, 0u, 2u})
        ASSERT_TRUE(toY(supply(ramp(n, 10 * n))));
    EXPECT_TRUE(inputs.TakeQueued(data, false));
    EXPECT_EQ(ys(), (std::vector<double>{30, 31, 32, 20, 21}));
    EXPECT_EQ(xs(), (std::vector<double>{0, 0.25, 0.5, 0.75, 1.0}));
    EXPECT_FALSE(inputs.TakeQueued(data, false));
}

// Each Y buffer takes the X samples that span its time at the two rates,
// read as a block of its length; a Y buffer whose X block is not all queued
// waits with nothing consumed from either queue.
TEST_F(ChannelInputs, YBuffersPairWithTheXSpanningTheirTime)
{
    ASSERT_TRUE(toY(start(100)));
    ASSERT_TRUE(toX(start(200)));
    ASSERT_TRUE(toY(supply(ramp(4, 0))));
    ASSERT_TRUE(toY(supply(ramp(2, 4))));
    ASSERT_TRUE(toX(supply(ramp(7, 0, 0.5))));
    EXPECT_FALSE(inputs.TakeQueued(data, true));
    EXPECT_EQ(inputs.Y().GetQueuedCount(), 6u);
    EXPECT_EQ(inputs.X().GetQueuedCount(), 7u);
    ASSERT_TRUE(toX(supply(ramp(5, 3.5, 0.5))));
    EXPECT_TRUE(inputs.TakeQueued(data, true));
    // Blocks of 8 and 4 X samples, read by nearest index: 0 2 4 5 of the
    // first (steps of 1.75, Round(3.5) = 4), 0 2 of the second (Round(1.5) = 2).
    EXPECT_EQ(xs(), (std::vector<double>{0, 1, 2, 2.5, 4, 5}));
    EXPECT_EQ(ys(), (std::vector<double>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(inputs.X().GetQueuedCount(), 0u);
}

struct TRateCase {
    const char* name;
    double yRate;
    double xRate;
};

class UnusableRates : public ChannelInputs, public ::testing::WithParamInterface<TRateCase> {};

TEST_P(UnusableRates, TakeNothing)
{
    ASSERT_TRUE(toY(start(GetParam().yRate)));
    ASSERT_TRUE(toX(start(GetParam().xRate)));
    ASSERT_TRUE(toY(supply(ramp(4, 0))));
    ASSERT_TRUE(toX(supply(ramp(400, 0))));
    EXPECT_FALSE(inputs.TakeQueued(data, true));
    EXPECT_EQ(inputs.Y().GetQueuedCount(), 4u);
    EXPECT_EQ(inputs.X().GetQueuedCount(), 400u);
}

INSTANTIATE_TEST_SUITE_P(Cases, UnusableRates,
                         ::testing::Values(TRateCase{"zero_x_rate", 100, 0},
                                           TRateCase{"nan_y_rate", std::nan(""), 100}),
                         [](const auto& info) { return info.param.name; });

// Which operations open, close and ignore a stream, and whether what is
// queued is then taken.
struct TStreamCase {
    const char* name;
    std::vector<std::function<TOWNotifyOperationRef()>> operations;
    bool taken;
    bool rateKnown;
};

class StreamStates : public ChannelInputs, public ::testing::WithParamInterface<TStreamCase> {};

TEST_P(StreamStates, DecideWhatIsTaken)
{
    ASSERT_TRUE(toY(start(10)));
    ASSERT_TRUE(toY(supply(ramp(3, 0))));
    for (const auto& operation : GetParam().operations)
        EXPECT_TRUE(toY(operation()));
    EXPECT_EQ(inputs.TakeQueued(data, false), GetParam().taken);
    EXPECT_EQ(data.GetCount(), GetParam().taken ? 3u : 0u);
    EXPECT_EQ(inputs.Y().GetRateKnown(), GetParam().rateKnown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StreamStates,
    ::testing::Values(
        TStreamCase{"live", {}, true, true},
        // The samples sent before a stop are still drawn.
        TStreamCase{"stopped", {[] { return OWMakeOperation<TOWStopOperation>(); }}, true, false},
        TStreamCase{"ignored", {[] { return OWMakeOperation<TOWIgnoreStreamOperation>(); }}, false, true},
        TStreamCase{"ignored_then_restarted",
                    {[] { return OWMakeOperation<TOWIgnoreStreamOperation>(); },
                     [] { return OWMakeOperation<TOWStartOperation>(); }},
                    true, true}),
    [](const auto& info) { return info.param.name; });

TEST_F(ChannelInputs, EveryKindOfYBufferBecomesReals)
{
    ASSERT_TRUE(toY(OWMakeOperation<TOWStartSpectrumOperation>(0, 2.0)));
    EXPECT_TRUE(inputs.GetSpectrum());
    EXPECT_FALSE(inputs.GetIntensity());
    const std::int32_t integers[] = {-3, 7};
    auto integer = TSLIntegerBuffer::CreateSized(2);
    std::copy(std::begin(integers), std::end(integers), integer->GetWritePointer());
    ASSERT_TRUE(toY(supply(integer)));
    auto complex = TSLComplexBuffer::CreateSized(1);
    complex->GetWritePointer()[0] = {3, 4};
    ASSERT_TRUE(toY(supply(complex)));
    ASSERT_TRUE(toY(OWMakeOperation<TOWSuppliedBufferPairOperation>(
        TOWIntf<ILPBufferPair>(OWMake<TLPBufferPair>(reals({1}), reals({2, 3}))))));
    EXPECT_TRUE(inputs.TakeQueued(data, false));
    EXPECT_EQ(ys(), (std::vector<double>{-3, 7, 5, 1, 2, 3}));
    ASSERT_TRUE(toY(OWMakeOperation<TOWStartIntensityOperation>(0, 2.0)));
    EXPECT_FALSE(inputs.GetSpectrum());
    EXPECT_TRUE(inputs.GetIntensity());
    // Not a stream operation of this pin.
    EXPECT_FALSE(toY(OWMakeOperation<TOWQueryStreamOperation>()));
}

TEST_F(ChannelInputs, DisabledOrDetachedTakesNothing)
{
    ASSERT_TRUE(toY(supply(ramp(3, 0))));
    inputs.SetEnabled(false);
    EXPECT_FALSE(inputs.TakeQueued(data, false));
    inputs.SetEnabled(true);
    inputs.Detach();
    EXPECT_FALSE(toY(supply(ramp(3, 0))));
    EXPECT_FALSE(inputs.TakeQueued(data, false));
    EXPECT_EQ(inputs.Y().GetQueuedCount(), 3u);
}

} // namespace
} // namespace zq::chart
