#include "ScopeTestSupport.h"

#include "chart/SLScopeChannelInputs.h"
#include "framework/LPBufferPair.h"
#include "framework/SLComplexBuffer.h"
#include "framework/SLIntegerBuffer.h"

#include <functional>

namespace zq::chart {
namespace {

using namespace testing;

// A channel's inputs, fed by calling their handlers directly.
struct TInputsRig {
    bool toY(const TOWNotifyOperationRef& operation) { return inputs.ReceiveY(nullptr, {}, operation, 0); }
    bool toX(const TOWNotifyOperationRef& operation) { return inputs.ReceiveX(nullptr, {}, operation, 0); }

    TOWIntf<TOWLock> lock = TOWLock::Create();
    TSLChannelData data{*lock};
    TSLScopeChannelInputs inputs{OWMake<TSLOWQueuedPinImpl>(TOWBorrowed<TOWBasicPin>()),
                                 OWMake<TSLOWQueuedPinImpl>(TOWBorrowed<TOWBasicPin>())};
};

template<class Operation>
bool sendY(TInputsRig& rig)
{
    return rig.toY(OWMakeOperation<Operation>());
}

class ChannelInputs : public ::testing::Test, protected TInputsRig {
protected:
    std::vector<double> takenX() { return data.Commit(), xOf(data); }
    std::vector<double> takenY() { return data.Commit(), yOf(data); }
};

// Each Y buffer takes the X samples spanning its time at the two rates, read
// as a block of its length. It waits, with nothing taken from either queue,
// while the X rate is unknown or its X block is not all queued.
TEST_F(ChannelInputs, YBuffersPairWithTheXSpanningTheirTime)
{
    ASSERT_TRUE(toY(startAt(100)));
    ASSERT_TRUE(toY(supplied(realBuffer(ramp(4, 0)))));
    ASSERT_TRUE(toY(supplied(realBuffer(ramp(2, 4)))));
    ASSERT_TRUE(toX(supplied(realBuffer(ramp(7, 0, 0.5)))));
    EXPECT_FALSE(inputs.TakeQueued(data, true));
    ASSERT_TRUE(toX(startAt(200)));
    EXPECT_FALSE(inputs.TakeQueued(data, true));
    EXPECT_EQ(inputs.Y().GetQueuedCount(), 6u);
    EXPECT_EQ(inputs.X().GetQueuedCount(), 7u);
    ASSERT_TRUE(toX(supplied(realBuffer(ramp(5, 3.5, 0.5)))));
    EXPECT_TRUE(inputs.TakeQueued(data, true));
    // Blocks of 8 and 4 X samples by nearest index: 0 2 4 5 of the first
    // (steps of 1.75, 3.5 rounds to 4), 0 2 of the second (1.5 rounds to 2).
    EXPECT_EQ(takenX(), (std::vector<double>{0, 1, 2, 2.5, 4, 5}));
    EXPECT_EQ(takenY(), ramp(6, 0));
    EXPECT_EQ(inputs.X().GetQueuedCount(), 0u);
}

// What follows a start and a buffer decides whether the buffer is taken.
TEST(ChannelInputStreams, StatesAndFlagsDecideWhatIsTaken)
{
    struct { const char* name; std::vector<std::function<bool(TInputsRig&)>> then; bool taken; } const cases[] = {
        {"live", {}, true},
        // The samples sent before a stop are still drawn.
        {"stopped", {sendY<TOWStopOperation>}, true},
        {"ignored", {sendY<TOWIgnoreStreamOperation>}, false},
        {"ignored_then_restarted", {sendY<TOWIgnoreStreamOperation>, sendY<TOWStartOperation>}, true},
        {"disabled", {[](TInputsRig& r) { r.inputs.SetEnabled(false); return true; }}, false},
        // Nor does it queue more.
        {"detached", {[](TInputsRig& r) { r.inputs.Detach(); return !r.toY(supplied(realBuffer({4}))); }}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TInputsRig rig;
        ASSERT_TRUE(rig.toY(startAt(10)));
        ASSERT_TRUE(rig.toY(supplied(realBuffer({1, 2, 3}))));
        for (const auto& step : c.then)
            EXPECT_TRUE(step(rig));
        EXPECT_EQ(rig.inputs.TakeQueued(rig.data, false), c.taken);
        EXPECT_EQ(rig.data.GetCount(), c.taken ? 3u : 0u);
        EXPECT_EQ(rig.inputs.Y().GetQueuedCount(), c.taken ? 0u : 3u);
    }
}

TEST_F(ChannelInputs, EveryKindOfYBufferBecomesReals)
{
    ASSERT_TRUE(toY(OWMakeOperation<TOWStartSpectrumOperation>(0, 2.0)));
    EXPECT_TRUE(inputs.GetSpectrum() && !inputs.GetIntensity());
    auto integers = TSLIntegerBuffer::CreateSized(2);
    integers->GetWritePointer()[0] = -3;
    integers->GetWritePointer()[1] = 7;
    ASSERT_TRUE(toY(supplied(integers)));
    auto complex = TSLComplexBuffer::CreateSized(1);
    complex->GetWritePointer()[0] = {3, 4};
    ASSERT_TRUE(toY(supplied(complex)));
    ASSERT_TRUE(toY(OWMakeOperation<TOWSuppliedBufferPairOperation>(
        TOWIntf<ILPBufferPair>(OWMake<TLPBufferPair>(realBuffer({1}), realBuffer({2, 3}))))));
    EXPECT_TRUE(inputs.TakeQueued(data, false));
    EXPECT_EQ(takenY(), (std::vector<double>{-3, 7, 5, 1, 2, 3}));
    ASSERT_TRUE(toY(OWMakeOperation<TOWStartIntensityOperation>(0, 2.0)));
    EXPECT_TRUE(!inputs.GetSpectrum() && inputs.GetIntensity());
}

} // namespace
} // namespace zq::chart
