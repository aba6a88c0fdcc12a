#include "HidTestSupport.h"
#include "framework/OWPinTestSupport.h"

#include <gtest/gtest.h>

#include <QScopeGuard>

#include <atomic>
#include <cerrno>
#include <thread>

using namespace hidtest;
using namespace std::chrono_literals;

namespace {

struct Received {
    std::uint8_t id;
    std::vector<std::uint8_t> data;
};

struct ReadThreadTest : testing::Test, BusFixture {
    std::shared_ptr<zq::hid::SimulatedHidDevice> sim;
    TJvHidDevice* device = nullptr;
    std::vector<Received> received;
    std::vector<std::uint32_t> errors;
    bool unplugged = false;

    void SetUp() override { setUpWith(loggerInfo()); }

    void setUpWith(const zq::hid::SimulatedDeviceInfo& info)
    {
        sim = bus->plug(info);
        start();
        device = acquireFirst();
        ASSERT_NE(device, nullptr);
        device->SetNumOverlappedBuffers(512);
        device->SetOnDataError([this](TJvHidDevice*, std::uint32_t error) { errors.push_back(error); });
    }

    void listen()
    {
        device->SetDataHandler([this](TJvHidDevice*, std::uint8_t id, const std::uint8_t* data, std::uint16_t size) {
            received.push_back({id, std::vector<std::uint8_t>(data, data + size)});
        });
        ASSERT_NE(device->ReadThread(), nullptr);
    }

    // As the program does: the unplug handler stops the reader.
    void stopReaderOnUnplug()
    {
        device->OnUnplug = [this](TJvHidDevice* d) {
            unplugged = true;
            d->SetDataHandler(nullptr);
        };
    }
};

TEST_F(ReadThreadTest, ReportIdAndPayloadAreSplit)
{
    listen();
    std::vector<std::vector<std::uint8_t>> reports = {{0x07}, {0x01, 0xAA}, std::vector<std::uint8_t>(65, 0x5C)};
    reports[2][0] = 0x04;
    for (const auto& r : reports)
        ASSERT_TRUE(sim->queueInputReport(r));
    ASSERT_TRUE(waitUntil([&] { return received.size() == reports.size(); }));
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(received[i].id, reports[i][0]);
        EXPECT_EQ(received[i].data, std::vector<std::uint8_t>(reports[i].begin() + 1, reports[i].end()));
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(ReadThreadTest, TenThousandReportsArriveInOrderOnceEach)
{
    constexpr std::uint32_t count = 10000;
    std::vector<std::uint32_t> sequence;
    sequence.reserve(count);
    const auto mainThread = std::this_thread::get_id();
    std::atomic<bool> offMainThread{false};
    device->SetDataHandler([&](TJvHidDevice*, std::uint8_t, const std::uint8_t* data, std::uint16_t size) {
        if (std::this_thread::get_id() != mainThread)
            offMainThread = true;
        if (size >= 4)
            sequence.push_back(data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t{data[3]} << 24);
    });
    std::thread producer([&] {
        for (std::uint32_t i = 0; i < count; ++i) {
            sim->waitForQueueSpace(5s);
            std::uint8_t report[65] = {0, std::uint8_t(i), std::uint8_t(i >> 8), std::uint8_t(i >> 16), std::uint8_t(i >> 24)};
            sim->queueInputReport(report);
        }
    });
    const bool all = waitUntil([&] { return sequence.size() >= count; }, 60s);
    producer.join();
    ASSERT_TRUE(all) << sequence.size();
    EXPECT_EQ(sim->droppedInputReports(), 0u);
    EXPECT_FALSE(offMainThread);
    for (std::uint32_t i = 0; i < count; ++i)
        ASSERT_EQ(sequence[i], i);
}

TEST_F(ReadThreadTest, StopWhileIdleDoesNotWaitForTheSleepTime)
{
    device->SetSleepTime(10000);
    listen();
    std::this_thread::sleep_for(50ms);
    const auto begin = std::chrono::steady_clock::now();
    device->SetDataHandler(nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 1000ms);
    EXPECT_EQ(device->ReadThread(), nullptr);
    EXPECT_TRUE(received.empty());
}

TEST_F(ReadThreadTest, StopWhileAHandOverWaitsStillDeliversIt)
{
    listen();
    ASSERT_TRUE(sim->queueInputReport({0x01, 0x42}));
    // Without the event loop running the thread is stuck in its hand-over
    // once it has taken the report.
    for (int i = 0; i < 500 && sim->queuedInputReports() != 0; ++i)
        std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(received.empty());
    device->SetDataHandler(nullptr);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].data, std::vector<std::uint8_t>{0x42});
    pumpEvents();
    EXPECT_EQ(received.size(), 1u);
}

TEST_F(ReadThreadTest, UnplugWhileReadingReportsErrorsUntilTheUnplugHandlerStops)
{
    listen();
    stopReaderOnUnplug();
    bus->unplug(sim);
    ASSERT_TRUE(waitUntil([&] { return unplugged; }));
    EXPECT_EQ(device->ReadThread(), nullptr);
    EXPECT_FALSE(device->PluggedIn());
    EXPECT_TRUE(received.empty());
    for (std::uint32_t e : errors)
        EXPECT_TRUE(e == ENODEV || e == EACCES) << e;
    EXPECT_EQ(controller->DeviceList().size(), 1u);
    delete device;
    EXPECT_TRUE(controller->DeviceList().empty());
}

// The unplug reaches the device on the main thread while its read thread has
// opened the read handle and not yet started the read on it. However the two
// meet, the handler hears only that the device is gone, never of the handle
// the unplug closed.
TEST_F(ReadThreadTest, ReadStartRacingTheUnplugReportsTheDeviceGone)
{
    owPinTest::TWatchdog watchdog(30s);
    std::atomic<bool> held{false};
    bus->setReadStartHook([&](zq::hid::Handle) {
        if (sim->pluggedIn() || held.exchange(true))
            return;
        // Gives the unplug all the time it needs to close the handle, unless
        // it must wait for this read to start.
        for (int i = 0; i < 40 && device->ReadHandle() != zq::hid::InvalidHandle; ++i)
            std::this_thread::sleep_for(5ms);
    });
    // Whatever the outcome, the reader ends before what the hook uses goes.
    const auto stop = qScopeGuard([this] {
        device->SetDataHandler(nullptr);
        bus->setReadStartHook(nullptr);
    });
    listen();
    stopReaderOnUnplug();
    bus->unplug(sim);
    // The controller learns of the unplug from the event loop only, so the
    // reader is held with its handle still open before the unplug is handled.
    for (int i = 0; i < 500 && !held; ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(held);
    ASSERT_TRUE(waitUntil([&] { return unplugged; }));
    EXPECT_EQ(device->ReadThread(), nullptr);
    ASSERT_FALSE(errors.empty());
    for (std::uint32_t e : errors)
        EXPECT_EQ(e, std::uint32_t{ENODEV});
}

TEST_F(ReadThreadTest, ReadThatCannotStartIsReportedAndRetried)
{
    sim->failReadStarts(3);
    listen();
    ASSERT_TRUE(sim->queueInputReport({0x00, 0x01}));
    ASSERT_TRUE(waitUntil([&] { return received.size() == 1; }));
    EXPECT_EQ(errors, (std::vector<std::uint32_t>{EIO, EIO, EIO}));
}

TEST_F(ReadThreadTest, OversizedReportIsRefusedAndTheNextOneStillArrives)
{
    listen();
    ASSERT_TRUE(sim->queueInputReport(std::vector<std::uint8_t>(70, 0x01)));
    ASSERT_TRUE(sim->queueInputReport({0x02, 0x03}));
    ASSERT_TRUE(waitUntil([&] { return received.size() == 1; }));
    EXPECT_EQ(received[0].id, 0x02);
    pumpEvents();
    EXPECT_EQ(received.size(), 1u);
}

TEST_F(ReadThreadTest, HandlerMayLetTheDeviceGoFromInside)
{
    device->SetDataHandler([&](TJvHidDevice* d, std::uint8_t id, const std::uint8_t*, std::uint16_t) {
        received.push_back({id, {}});
        d->SetDataHandler(nullptr);
    });
    ASSERT_TRUE(sim->queueInputReport({0x01}));
    ASSERT_TRUE(sim->queueInputReport({0x02}));
    ASSERT_TRUE(waitUntil([&] { return device->ReadThread() == nullptr; }));
    std::this_thread::sleep_for(50ms);
    pumpEvents();
    EXPECT_EQ(received.size(), 1u);
}

TEST_F(ReadThreadTest, HandlerMayGiveTheDeviceBackFromInside)
{
    TJvHidDevice* const original = device;
    int calls = 0;
    device->SetDataHandler([&](TJvHidDevice* d, std::uint8_t, const std::uint8_t*, std::uint16_t) {
        ++calls;
        delete d;
    });
    ASSERT_TRUE(sim->queueInputReport({0x01}));
    ASSERT_TRUE(waitUntil([&] { return calls == 1; }));
    ASSERT_EQ(controller->DeviceList().size(), 1u);
    EXPECT_NE(controller->DeviceList()[0], original);
    EXPECT_FALSE(controller->DeviceList()[0]->Acquired());
    sim->queueInputReport({0x02});
    std::this_thread::sleep_for(50ms);
    pumpEvents();
    EXPECT_EQ(calls, 1);
}

TEST_F(ReadThreadTest, NewHandlerWhileRunningKeepsTheThread)
{
    listen();
    TJvHidDeviceReadThread* thread = device->ReadThread();
    int second = 0;
    device->SetDataHandler([&](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) { ++second; });
    EXPECT_EQ(device->ReadThread(), thread);
    sim->queueInputReport({0x00});
    ASSERT_TRUE(waitUntil([&] { return second == 1; }));
    EXPECT_TRUE(received.empty());
}

struct UnreadableDevice : ReadThreadTest {
    void SetUp() override {}
};

TEST_F(UnreadableDevice, NoThreadForMissingOrOversizedInputReports)
{
    for (std::uint16_t length : {std::uint16_t{0}, std::uint16_t{66}, std::uint16_t{1024}}) {
        auto info = loggerInfo();
        info.inputReportLength = length;
        auto s = bus->plug(info);
        pumpEvents();
        TJvHidDevice* d = nullptr;
        if (!controller)
            start();
        ASSERT_TRUE(controller->AcquireFirstFree(d));
        d->SetDataHandler([](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {});
        EXPECT_EQ(d->ReadThread(), nullptr) << length;
    }
}

} // namespace
