#include "ScopeTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QPointer>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zq::chart {
namespace {

using testing::addChannel;
using ::testing::ElementsAre;

struct TLockedOperation {
    const char* what;
    std::function<void(TSLScope&)> run;
};

class ScopeLockTest : public testing::ScopeFixture, public ::testing::WithParamInterface<TLockedOperation> {};

// Another thread writes new data under a write section it keeps a while; the
// operation must wait for the section to end.
TEST_P(ScopeLockTest, WaitsForAnotherThreadsWriteSection)
{
    TSLScopeChannel& channel = addChannel(scope, std::vector<double>(100, 1.0));
    scope.RenderedImage();
    std::atomic<bool> released{false};
    std::promise<void> held;
    std::jthread other([&] {
        const TOWLockSectionRef section = scope.Lock().WriteSection();
        held.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        const std::vector<double> xy(100, 5.0);
        channel.Data.SetXYData(xy.data(), xy.data(), xy.size());
        channel.Data.Commit();
        released = true;
    });
    held.get_future().wait();
    GetParam().run(scope);
    EXPECT_TRUE(released) << GetParam().what;
}

// Each takes its section in a place of its own.
INSTANTIATE_TEST_SUITE_P(
    Operations, ScopeLockTest,
    ::testing::Values(
        TLockedOperation{"redraw", [](TSLScope& s) { s.Invalidate(); s.RenderedImage(); }},
        TLockedOperation{"ZoomOff", [](TSLScope& s) { s.ZoomOff(); }},
        TLockedOperation{"SetXYData", [](TSLScope& s) { s.Channels.GetItem(0).Data.SetXYData(nullptr, nullptr, 0); }},
        TLockedOperation{"GetValuesAtPoint",
                         [](TSLScope& s) {
                             double x = 0, y = 0;
                             s.GetValuesAtPoint(10, 10, x, y);
                         }},
        TLockedOperation{"SetDataRange", [](TSLScope& s) { s.YAxis.SetDataRange(-1, 1); }},
        TLockedOperation{"axis colour", [](TSLScope& s) { s.YAxis.SetColor(Qt::red); }},
        TLockedOperation{"channel width", [](TSLScope& s) { s.Channels.GetItem(0).SetWidth(2); }},
        TLockedOperation{"adding a channel", [](TSLScope& s) { s.Channels.Add(); }},
        TLockedOperation{"adding an axis", [](TSLScope& s) { s.YAxis.AdditionalAxes.Add(); }},
        TLockedOperation{"navigate mode", [](TSLScope& s) { s.SetNavigateMode(nmPan); }}));

// Notes its freeing: whether the chart's lock was stopped, and whether the
// chart's channels, which a client may use, still stood.
class TNoted : public TObject {
public:
    TNoted(std::string name, std::vector<std::string>& log, TSLScope& scope)
        : name_(std::move(name)), log_(log), scope_(scope), lock_(&scope.Lock().GetLockObject())
    {
    }
    ~TNoted() override
    {
        log_.push_back(name_ + (lock_->State().stopCount > 0 ? " under a stop" : "") +
                       (scope_.Channels.Count() > 0 ? " beside the channels" : ""));
    }

private:
    std::string name_;
    std::vector<std::string>& log_;
    TSLScope& scope_;
    TOWIntf<TOWLock> lock_;
};

// Freed by a plain delete, or by Qt through its parent widget.
class ScopeDestructionTest : public ::testing::TestWithParam<bool> {};

TEST_P(ScopeDestructionTest, TheDrawLayerRunsItsWholeDestructionUnderAStop)
{
    std::vector<std::string> log;
    auto parent = std::make_unique<QWidget>();
    auto owned = std::make_unique<TSLScope>(GetParam() ? parent.get() : nullptr);
    QPointer<TSLScope> scope = owned.get();
    if (GetParam())
        (void)owned.release();  // the parent's now
    TLPControlDrawLayer& layer = scope->DrawLayer();
    layer.AddClient(*MakeObject<TNoted>("client", log, *scope).release());
    int key = 0;
    layer.SetData(&key, MakeObject<TNoted>("stored", log, *scope));
    addChannel(*scope, std::vector<double>(10, 1.0));
    owned.reset();
    parent.reset();
    EXPECT_TRUE(scope.isNull());
    EXPECT_THAT(log, ElementsAre("client under a stop beside the channels", "stored under a stop beside the channels"));
}

INSTANTIATE_TEST_SUITE_P(Freeing, ScopeDestructionTest, ::testing::Bool());

} // namespace
} // namespace zq::chart
