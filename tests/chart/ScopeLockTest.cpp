#include "ScopeTestSupport.h"

#include <gtest/gtest.h>

#include <QPointer>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zq::chart {
namespace {

using testing::addChannel;

class ScopeLockTest : public testing::ScopeFixture {
protected:
    // Another thread takes a write section of the chart's lock, keeps it a
    // while, runs work inside it and marks the moment before letting go.
    void holdElsewhere(const std::function<void()>& work)
    {
        std::promise<void> held;
        auto heldNow = held.get_future();
        other = std::thread([this, work, held = std::move(held)]() mutable {
            const TOWLockSectionRef section = scope.Lock().WriteSection();
            held.set_value();
            std::this_thread::sleep_for(std::chrono::milliseconds(120));
            if (work)
                work();
            released = true;
        });
        heldNow.wait();
    }

    void TearDown() override
    {
        if (other.joinable())
            other.join();
    }

    std::thread other;
    std::atomic<bool> released{false};
};

TEST_F(ScopeLockTest, ARedrawWaitsForTheDataAnotherThreadIsWriting)
{
    TSLScopeChannel& channel = addChannel(scope, std::vector<double>(1000, -5.0));
    channel.SetColor(Qt::blue);
    scope.RenderedImage();
    holdElsewhere([&channel] {
        std::vector<double> x(1000);
        const std::vector<double> y(1000, 5.0);
        for (std::size_t i = 0; i < x.size(); ++i)
            x[i] = static_cast<double>(i);
        channel.Data.SetXYData(x.data(), y.data(), y.size());
        channel.Data.Commit();
    });
    scope.Invalidate();
    const QImage& image = scope.RenderedImage();
    EXPECT_TRUE(released);
    const int column = scope.DataRect().center().x();
    EXPECT_EQ(image.pixelColor(column, rowOf(5.0)), QColor(Qt::blue));
    EXPECT_NE(image.pixelColor(column, rowOf(-5.0)), QColor(Qt::blue));
}

struct TLockedOperation {
    const char* what;
    std::function<void(TSLScope&)> run;
};

class ScopeOperationLockTest : public ScopeLockTest, public ::testing::WithParamInterface<TLockedOperation> {};

TEST_P(ScopeOperationLockTest, WaitsForAnotherThreadsWriteSection)
{
    addChannel(scope, std::vector<double>(100, 1.0));
    holdElsewhere({});
    GetParam().run(scope);
    EXPECT_TRUE(released) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Operations, ScopeOperationLockTest,
    ::testing::Values(TLockedOperation{"ZoomOff", [](TSLScope& s) { s.ZoomOff(); }},
                      TLockedOperation{"SetXYData",
                                       [](TSLScope& s) {
                                           const double v[2] = {0, 1};
                                           s.Channels.GetItem(0).Data.SetXYData(v, v, 2);
                                       }},
                      TLockedOperation{"GetValuesAtPoint",
                                       [](TSLScope& s) {
                                           double x = 0;
                                           double y = 0;
                                           s.GetValuesAtPoint(10, 10, x, y);
                                       }},
                      TLockedOperation{"SetDataRange", [](TSLScope& s) { s.YAxis.SetDataRange(-1, 1); }},
                      TLockedOperation{"axis colour", [](TSLScope& s) { s.YAxis.SetColor(Qt::red); }},
                      TLockedOperation{"channel width", [](TSLScope& s) { s.Channels.GetItem(0).SetWidth(2); }},
                      TLockedOperation{"adding a channel", [](TSLScope& s) { s.Channels.Add(); }},
                      TLockedOperation{"adding an axis", [](TSLScope& s) { s.YAxis.AdditionalAxes.Add(); }},
                      TLockedOperation{"navigate mode", [](TSLScope& s) { s.SetNavigateMode(nmPan); }}));

// ---------------------------------------------------------------- destruction

std::vector<std::string>* freedLog = nullptr;

// Notes its freeing, and whether the chart's lock was stopped meanwhile.
class TNoted : public TObject {
public:
    TNoted(std::string name, TSLScope& scope) : name_(std::move(name)), lock_(&scope.Lock().GetLockObject()) {}
    ~TNoted() override
    {
        if (freedLog)
            freedLog->push_back(name_ + (lock_->State().stopCount > 0 ? " under a stop" : ""));
    }

private:
    std::string name_;
    TOWIntf<TOWLock> lock_;
};

enum class TFreeing { PlainDelete, QtParent, DeleteLater };

class ScopeDestructionTest : public ::testing::TestWithParam<TFreeing> {};

TEST_P(ScopeDestructionTest, TheDrawLayerRunsItsWholeDestructionHoweverQtFreesTheChart)
{
    std::vector<std::string> log;
    freedLog = &log;
    auto parent = std::make_unique<QWidget>();
    std::unique_ptr<TSLScope> owned;
    QPointer<TSLScope> scope = new TSLScope(parent.get());
    if (GetParam() == TFreeing::PlainDelete) {
        scope->setParent(nullptr);
        owned.reset(scope);
    }
    TLPControlDrawLayer& layer = scope->DrawLayer();
    layer.AddClient(*MakeObject<TNoted>("client", *scope).release());
    int key = 0;
    layer.SetData(&key, MakeObject<TNoted>("stored", *scope));
    addChannel(*scope, std::vector<double>(10, 1.0));
    switch (GetParam()) {
    case TFreeing::PlainDelete:
        owned.reset();
        break;
    case TFreeing::QtParent:
        parent.reset();
        break;
    case TFreeing::DeleteLater:
        scope->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        break;
    }
    freedLog = nullptr;
    EXPECT_TRUE(scope.isNull());
    EXPECT_EQ(log, (std::vector<std::string>{"client under a stop", "stored under a stop"}));
}

INSTANTIATE_TEST_SUITE_P(Freeing, ScopeDestructionTest,
                         ::testing::Values(TFreeing::PlainDelete, TFreeing::QtParent, TFreeing::DeleteLater));

} // namespace
} // namespace zq::chart
