#include "ScopeTestSupport.h"

#include "chart/SLScopeChannelInputs.h"
#include "framework/OWPinTestSupport.h"
#include "framework/buffers/LPBufferPair.h"
#include "framework/buffers/SLComplexBuffer.h"
#include "framework/buffers/SLIntegerBuffer.h"

#include <array>
#include <cmath>
#include <functional>
#include <thread>

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

// Streams whose X share of a Y buffer is not a whole count: every Y buffer is
// drawn as soon as the X spanning its time is queued, its first sample
// against the X sample nearest its start, and the X taken never drifts from
// the time drawn by more than a sample. X values are the times of the X
// samples, so an X drawn far from its Y sample's time shows as such.
TEST(ChannelInputPairing, XTakenFollowsTheTimeDrawn)
{
    struct { const char* name; std::uint32_t n; double yRate, xRate; } const cases[] = {
        {"x_twice_as_fast", 4, 100, 200},
        {"ten_y_samples_an_x", 100, 1000, 100},
        {"same_rate", 37, 50, 50},
        {"six_and_two_fifths_x", 64, 1000, 100},
        {"two_fifths_of_an_x", 100, 1000, 4},
        {"a_third_of_an_x", 1, 3, 1},
        {"half_an_x", 5, 10, 1},
        {"hundreds_of_x", 3, 7, 1000},
    };
    constexpr int buffers = 300;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TInputsRig rig;
        ASSERT_TRUE(rig.toY(startAt(c.yRate)));
        ASSERT_TRUE(rig.toX(startAt(c.xRate)));
        const double ratio = c.xRate / c.yRate;
        std::uint64_t xSent = 0;
        for (int b = 0; b < buffers; ++b) {
            const std::uint64_t yBefore = static_cast<std::uint64_t>(b) * c.n;
            // The X up to the sample nearest the buffer's end, and one beyond.
            const auto xDue = static_cast<std::uint64_t>(std::ceil((yBefore + c.n) * ratio)) + 1;
            ASSERT_TRUE(rig.toX(supplied(realBuffer(ramp(xDue - xSent, xSent / c.xRate, 1 / c.xRate)))));
            xSent = xDue;
            ASSERT_TRUE(rig.toY(supplied(realBuffer(ramp(c.n, yBefore / c.yRate, 1 / c.yRate)))));
            ASSERT_TRUE(rig.inputs.TakeQueued(rig.data, true)) << "buffer " << b;
            ASSERT_EQ(rig.data.GetCount(), yBefore + c.n);
            const double xTaken = static_cast<double>(xSent - rig.inputs.X().GetQueuedCount());
            ASSERT_LE(std::abs(xTaken - (yBefore + c.n) * ratio), 1.0) << "buffer " << b;
        }
        rig.data.Commit();
        const std::vector<double> xs = xOf(rig.data), ys = yOf(rig.data);
        for (std::size_t first = 0; first < ys.size(); first += c.n)
            ASSERT_LE(std::abs(xs[first] - ys[first]), 0.5 / c.xRate + 1e-9) << "sample " << first;
    }
}

// The X source announces another rate while the chart takes a Y buffer: the
// buffer is paired at one rate or the other, never a block sized at one and
// checked at the other (here 4 X samples queued against 3.2e9 due).
TEST(ChannelInputPairing, XRateChangingDuringAStepNeverRaises)
{
    owPinTest::TWatchdog watchdog(std::chrono::seconds(30));
    TInputsRig rig;
    ASSERT_TRUE(rig.toY(startAt(1)));
    const std::jthread announcer([&rig, starts = std::array{startAt(1), startAt(8e8)}](std::stop_token stop) {
        for (std::size_t i = 0; !stop.stop_requested(); ++i)
            rig.toX(starts[i % 2]);
    });
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
    for (int step = 0; std::chrono::steady_clock::now() < until; ++step) {
        ASSERT_TRUE(rig.toX(supplied(realBuffer(ramp(4, 0)))));
        ASSERT_TRUE(rig.toY(supplied(realBuffer(ramp(4, 0)))));
        ASSERT_NO_THROW(rig.inputs.TakeQueued(rig.data, true)) << "step " << step;
    }
    EXPECT_EQ(rig.inputs.GetDroppedBuffers(), 0u);
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
