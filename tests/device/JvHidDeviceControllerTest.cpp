#include "HidTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

using namespace hidtest;

namespace {

struct ControllerTest : testing::Test, BusFixture {
    std::vector<std::string> log;

    void record()
    {
        controller->SetOnArrival([this](TJvHidDevice* d) {
            log.push_back("arrival " + std::to_string(d->PnPInfo()->DevInst) + (d->CanAccess() ? " open" : ""));
        });
        controller->SetOnRemoval(
            [this](TJvHidDevice* d) { log.push_back("removal " + std::to_string(d->PnPInfo()->DevInst)); });
        controller->SetOnDeviceUnplug(
            [this](TJvHidDevice* d) { log.push_back("unplug " + std::to_string(d->PnPInfo()->DevInst)); });
    }
    static std::string id(const std::shared_ptr<zq::hid::SimulatedHidDevice>& d) { return std::to_string(d->devInst()); }
};

TEST_F(ControllerTest, FirstEnumerationAlwaysReportsAChangeLaterOnesOnlyRealChanges)
{
    start();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(controller->LastChangeParam(), -1);
    EXPECT_TRUE(controller->DeviceList().empty());
    controller->DeviceWndProc({});
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(controller->LastChangeParam(), 0);
}

TEST_F(ControllerTest, SetterRunsDeviceChangeUnlessLoading)
{
    controller = std::make_unique<TJvHidDeviceController>(nullptr, bus);
    bus->plug(loggerInfo());
    controller->SetOnDeviceChange([this](QObject*) { ++changes; });
    EXPECT_EQ(changes, 1);  // the device arrived inside the setter
    EXPECT_EQ(controller->DeviceList().size(), 1u);
    controller->SetOnDeviceChange([this](QObject*) { ++changes; });  // same code: nothing
    pumpEvents();
    EXPECT_EQ(changes, 2);  // the posted first message
}

TEST_F(ControllerTest, RemovalsComeBeforeArrivalsAndOneChangeFollows)
{
    auto a = bus->plug(loggerInfo());
    auto b = bus->plug(loggerInfo());
    start();
    record();
    changes = 0;
    bus->unplug(a);
    bus->unplug(b);
    auto c = bus->plug(loggerInfo());
    pumpEvents();
    EXPECT_EQ(log, (std::vector<std::string>{"unplug " + id(b), "removal " + id(b), "unplug " + id(a),
                                             "removal " + id(a), "arrival " + id(c) + " open"}));
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(controller->DeviceList().size(), 1u);
    EXPECT_EQ(controller->NumFreeDevices(), 1u);
}

TEST_F(ControllerTest, MessagesOtherThanNodeChangesAndNestedOnesAreIgnored)
{
    start();
    bus->plug(loggerInfo());
    controller->DeviceWndProc({TDeviceChangeMessage::WM_DEVICECHANGE, TDeviceChangeMessage::DBT_DEVICEARRIVAL, 0});
    controller->DeviceWndProc({0x0010, TDeviceChangeMessage::DBT_DEVNODES_CHANGED, 0});
    EXPECT_TRUE(controller->DeviceList().empty());

    int nested = 0;
    controller->SetOnArrival([&](TJvHidDevice*) {
        ++nested;
        EXPECT_TRUE(controller->InDeviceChange());
        controller->DeviceWndProc({});
    });
    controller->DeviceWndProc({});
    EXPECT_EQ(nested, 1);
    EXPECT_FALSE(controller->InDeviceChange());
}

TEST_F(ControllerTest, AcquiredDeviceStaysWhenUnpluggedAndReplugArrivesBesideIt)
{
    auto sim = bus->plug(loggerInfo());
    start();
    TJvHidDevice* device = acquireFirst();
    record();
    device->OnUnplug = [this](TJvHidDevice*) { log.push_back("user unplug"); };
    changes = 0;

    bus->unplug(sim);
    pumpEvents();
    EXPECT_EQ(log, (std::vector<std::string>{"user unplug", "removal " + id(sim)}));
    EXPECT_EQ(controller->NumUnpluggedDevices(), 1u);
    EXPECT_EQ(controller->NumAcquiredDevices(), 0u);
    EXPECT_EQ(changes, 1);

    // Counted as removed again at every change; its handler does not run again.
    log.clear();
    auto again = bus->plug(loggerInfo());
    pumpEvents();
    EXPECT_EQ(log, (std::vector<std::string>{"removal " + id(sim), "arrival " + id(again) + " open"}));
    ASSERT_EQ(controller->DeviceList().size(), 2u);
    EXPECT_EQ(controller->DeviceList()[0], device);
    EXPECT_EQ(controller->NumFreeDevices(), 1u);
    EXPECT_EQ(changes, 2);

    delete device;
    EXPECT_EQ(controller->DeviceList().size(), 1u);
    EXPECT_EQ(controller->NumUnpluggedDevices(), 0u);
}

TEST_F(ControllerTest, FreeDeviceUnpluggedIsRemovedAndDestroyed)
{
    auto sim = bus->plug(loggerInfo());
    start();
    record();
    bus->unplug(sim);
    pumpEvents();
    EXPECT_EQ(log, (std::vector<std::string>{"unplug " + id(sim), "removal " + id(sim)}));
    EXPECT_TRUE(controller->DeviceList().empty());
    EXPECT_EQ(controller->NumUnpluggedDevices(), 0u);
}

TEST_F(ControllerTest, AcquireFirstFreeWithNothingFree)
{
    start();
    TJvHidDevice* device = reinterpret_cast<TJvHidDevice*>(0x1);
    EXPECT_FALSE(controller->AcquireFirstFree(device));
    EXPECT_EQ(device, nullptr);

    bus->plug(loggerInfo());
    pumpEvents();
    TJvHidDevice* first = nullptr;
    EXPECT_TRUE(controller->AcquireFirstFree(first));
    EXPECT_EQ(controller->NumAcquiredDevices(), 1u);
    EXPECT_EQ(controller->NumFreeDevices(), 0u);
    device = reinterpret_cast<TJvHidDevice*>(0x1);
    EXPECT_FALSE(controller->AcquireFirstFree(device));
    EXPECT_EQ(device, nullptr);
    TJvHidDevice* untouched = nullptr;
    EXPECT_FALSE(controller->AcquireDevice(untouched, 0, true));
    EXPECT_FALSE(controller->AcquireDevice(untouched, 5, true));
    EXPECT_EQ(untouched, nullptr);
}

TEST_F(ControllerTest, HandlerSettersMoveOnlyDevicesWithTheOldCode)
{
    bus->plug(loggerInfo());
    bus->plug(loggerInfo());
    start();
    TJvHidDevice* own = acquireFirst();
    own->SetNumOverlappedBuffers(64);
    const TJvHidDataEvent mine = [](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {};
    own->SetDataHandler(mine);
    own->OnUnplug = [](TJvHidDevice*) {};
    TJvHidDevice* other = acquireFirst();
    ASSERT_NE(other, nullptr);

    int data = 0;
    controller->SetOnDeviceData([&](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) { ++data; });
    controller->SetOnDeviceUnplug([](TJvHidDevice*) {});
    EXPECT_TRUE(own->OnData().SameCode(mine));
    EXPECT_FALSE(other->OnData().SameCode(mine));
    EXPECT_NE(other->ReadThread(), nullptr);  // acquired with read access: its thread starts
    EXPECT_TRUE(other->OnUnplug.SameCode(controller->OnDeviceUnplug()));
    EXPECT_FALSE(own->OnUnplug.SameCode(controller->OnDeviceUnplug()));

    controller->SetOnDeviceData(nullptr);
    EXPECT_EQ(other->ReadThread(), nullptr);
    EXPECT_NE(own->ReadThread(), nullptr);
}

TEST_F(ControllerTest, SleepTimeFollowsOnlyDevicesThatHadTheOldValue)
{
    bus->plug(loggerInfo());
    bus->plug(loggerInfo());
    start();
    controller->DeviceList()[1]->SetSleepTime(40);
    const std::pair<std::uint32_t, std::uint32_t> steps[] = {{250, 250}, {5, 250}, {300, 250}};
    for (auto [value, first] : steps) {
        controller->SetDevThreadSleepTime(value);
        EXPECT_EQ(controller->DevThreadSleepTime(), value);
        EXPECT_EQ(controller->DeviceList()[0]->SleepTime(), first) << value;
        EXPECT_EQ(controller->DeviceList()[1]->SleepTime(), 40u);
    }
    EXPECT_EQ(controller->Version(), QStringLiteral("1.0.34"));
    controller->SetVersion("9");
    EXPECT_EQ(controller->Version(), QStringLiteral("1.0.34"));
}

TEST_F(ControllerTest, DestructionUnplugsAcquiredDevicesAndFreesTheRest)
{
    bus->plug(loggerInfo());
    bus->plug(loggerInfo());
    start();
    TJvHidDevice* held = acquireFirst();
    held->SetNumOverlappedBuffers(64);
    held->SetDataHandler([](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {});
    int unplugs = 0;
    held->OnUnplug = [&](TJvHidDevice* d) {
        ++unplugs;
        d->SetDataHandler(nullptr);
    };
    controller.reset();
    EXPECT_EQ(unplugs, 1);
    EXPECT_EQ(held->Controller(), nullptr);
    EXPECT_FALSE(held->PluggedIn());
    delete held;
    EXPECT_EQ(bus->openHandleCount(), 0u);
}

TEST_F(ControllerTest, SeveralChangesBeforeTheLoopRunsMakeOneEnumeration)
{
    start();
    changes = 0;
    for (int i = 0; i < 5; ++i)
        bus->plug(loggerInfo());
    pumpEvents();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(controller->DeviceList().size(), 5u);
}

TEST_F(ControllerTest, PlugFromAnotherThreadIsAnnouncedOnTheMainThread)
{
    start();
    const auto mainThread = std::this_thread::get_id();
    std::thread::id seenOn;
    controller->SetOnArrival([&](TJvHidDevice*) { seenOn = std::this_thread::get_id(); });
    std::thread([&] { bus->plug(loggerInfo()); }).join();
    ASSERT_TRUE(waitUntil([&] { return controller->DeviceList().size() == 1; }));
    EXPECT_EQ(seenOn, mainThread);
}

TEST(ControllerBackend, EnvironmentPicksTheSimulatedBus)
{
    ::setenv(zq::hid::BackendEnvironmentVariable, "sim", 1);
    auto sim = zq::hid::SimulatedHidBus::shared()->plug(loggerInfo());
    {
        TJvHidDeviceController controller;
        EXPECT_EQ(controller.Backend(), zq::hid::SimulatedHidBus::shared());
        pumpEvents();
        ASSERT_EQ(controller.DeviceList().size(), 1u);
        EXPECT_EQ(controller.DeviceList()[0]->PnPInfo()->DevInst, sim->devInst());
    }
    zq::hid::SimulatedHidBus::shared()->unplug(sim);
    ::unsetenv(zq::hid::BackendEnvironmentVariable);

    // Without it the controller runs on hidraw and still reports its first change.
    TJvHidDeviceController controller;
    EXPECT_NE(controller.Backend(), zq::hid::SimulatedHidBus::shared());
    int changes = 0;
    controller.SetLoading(true);
    controller.SetOnDeviceChange([&](QObject*) { ++changes; });
    pumpEvents();
    EXPECT_EQ(changes, controller.BackendLoaded() ? 1 : 0);
}

} // namespace
