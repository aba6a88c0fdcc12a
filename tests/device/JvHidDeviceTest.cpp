#include "HidTestSupport.h"

#include "platform/hid/HidError.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace hidtest;
using zq::hid::InvalidHandle;

namespace {

struct DeviceTest : testing::Test, BusFixture {};

TEST_F(DeviceTest, CreationReadsAttributesAndLeavesEverythingClosed)
{
    bus->plug(loggerInfo());
    start();
    ASSERT_EQ(controller->DeviceList().size(), 1u);
    TJvHidDevice* device = controller->DeviceList()[0];
    EXPECT_EQ(device->Attributes().Size, 12u);
    EXPECT_EQ(device->Attributes().VendorID, 0xFF00);
    EXPECT_EQ(device->Attributes().ProductID, 0xFF01);
    EXPECT_EQ(device->Attributes().VersionNumber, 0x0102);
    EXPECT_TRUE(device->ReadWriteAccess());
    EXPECT_EQ(device->SyncHandle(), InvalidHandle);
    EXPECT_EQ(device->SleepTime(), 100u);
    EXPECT_EQ(device->PnPInfo()->DeviceDescr, "Quillstone");
    EXPECT_EQ(device->PnPInfo()->HardwareID, std::vector<std::string>{"SIM\\VID_FF00&PID_FF01"});
    EXPECT_EQ(bus->openHandleCount(), 0u);
}

TEST_F(DeviceTest, DevicesThatCannotBeOpenedOrIdentifiedAreLeftOut)
{
    bus->plug(loggerInfo())->setOpenFails(true);
    bus->plug(loggerInfo())->setAttributesFail(true);
    bus->plug(loggerInfo());
    start();
    EXPECT_EQ(controller->DeviceList().size(), 1u);
    EXPECT_EQ(bus->openHandleCount(), 0u);
}

TEST_F(DeviceTest, QueryOnlyDeviceIsReadableButNeverStartsAThread)
{
    bus->plug(loggerInfo())->setQueryOnly(true);
    start();
    TJvHidDevice* device = acquireFirst();
    ASSERT_NE(device, nullptr);
    EXPECT_FALSE(device->ReadWriteAccess());
    EXPECT_EQ(device->GetManufacturer(), QStringLiteral("Zorvan Performance Parts."));
    device->SetDataHandler([](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {});
    EXPECT_EQ(device->ReadThread(), nullptr);
    std::uint8_t report[65] = {};
    EXPECT_FALSE(device->GetFeature(report, sizeof report));
}

TEST_F(DeviceTest, FreeDeviceCannotBeUsed)
{
    bus->plug(loggerInfo());
    start();
    TJvHidDevice* device = controller->DeviceList()[0];
    device->SetNumInputBuffers(512);
    EXPECT_EQ(device->NumInputBuffers(), 0u);
    EXPECT_EQ(device->SyncHandle(), InvalidHandle);
    EXPECT_TRUE(device->GetManufacturer().isEmpty());
    std::uint8_t report[65] = {};
    EXPECT_FALSE(device->SetFeature(report, sizeof report));
    EXPECT_EQ(zq::hid::lastError(), static_cast<std::uint32_t>(EACCES));
}

TEST_F(DeviceTest, SleepTimeTakesOnlyTenToTenThousand)
{
    bus->plug(loggerInfo());
    start();
    TJvHidDevice* device = controller->DeviceList()[0];
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {{9, 100}, {10, 10}, {10001, 10}, {10000, 10000}, {0, 10000}};
    for (auto [value, expected] : cases) {
        device->SetSleepTime(value);
        EXPECT_EQ(device->SleepTime(), expected) << value;
    }
}

TEST_F(DeviceTest, BufferCountsAreTheDriversAndGetCapsResetsTheSyncCount)
{
    bus->plug(loggerInfo());
    start();
    TJvHidDevice* device = acquireFirst();
    device->SetNumInputBuffers(512);
    EXPECT_EQ(device->NumInputBuffers(), 512u);
    device->SetNumInputBuffers(1);  // refused by the driver: its figure stays
    EXPECT_EQ(device->NumInputBuffers(), 512u);
    device->SetNumOverlappedBuffers(300);
    EXPECT_EQ(device->NumOverlappedBuffers(), 300u);

    const THIDPCaps caps = device->GetCaps();
    EXPECT_EQ(caps.InputReportByteLength, 65);
    EXPECT_EQ(caps.FeatureReportByteLength, 65);
    EXPECT_EQ(device->NumInputBuffers(), 0u);
    EXPECT_EQ(device->SyncHandle(), InvalidHandle);
    EXPECT_EQ(device->NumOverlappedBuffers(), 300u);
}

TEST_F(DeviceTest, ManufacturerIsRetriedAfterFailureAndCut)
{
    auto info = loggerInfo();
    info.manufacturer = std::u16string(300, u'x');
    auto sim = bus->plug(info);
    sim->setStringFails(true);
    start();
    TJvHidDevice* device = acquireFirst();
    EXPECT_TRUE(device->GetManufacturer().isEmpty());
    sim->setStringFails(false);
    EXPECT_EQ(device->GetManufacturer(), QString(254, QChar('x')));
    EXPECT_EQ(device->SyncHandle(), InvalidHandle);
}

TEST_F(DeviceTest, ReportCallsReachTheDeviceAndRefuseOversizedLengths)
{
    auto sim = bus->plug(loggerInfo());
    std::vector<std::uint8_t> sentFeature, sentOutput;
    sim->setSetFeatureHandler([&](std::span<const std::uint8_t> r) {
        sentFeature.assign(r.begin(), r.end());
        return true;
    });
    sim->setOutputReportHandler([&](std::span<const std::uint8_t> r) {
        sentOutput.assign(r.begin(), r.end());
        return true;
    });
    sim->setGetFeatureHandler([](std::span<std::uint8_t> r) {
        r[1] = 0x80;
        return true;
    });
    start();
    TJvHidDevice* device = acquireFirst();

    std::uint8_t report[65] = {0, 0x08};
    EXPECT_TRUE(device->SetFeature(report, 65));
    EXPECT_EQ(sentFeature.size(), 65u);
    EXPECT_EQ(sentFeature[1], 0x08);
    EXPECT_TRUE(device->GetFeature(report, 65));
    EXPECT_EQ(report[1], 0x80);
    std::uint32_t written = 0;
    EXPECT_TRUE(device->WriteReport(report, 65, written));
    EXPECT_EQ(written, 65u);
    EXPECT_NE(device->SyncHandle(), InvalidHandle);

    std::uint8_t big[200] = {};
    EXPECT_FALSE(device->GetFeature(big, sizeof big));
    EXPECT_EQ(zq::hid::lastError(), static_cast<std::uint32_t>(EMSGSIZE));
    EXPECT_FALSE(device->WriteReport(big, sizeof big, written));
    EXPECT_FALSE(device->SetFeature(nullptr, 65));

    sim->setGetFeatureHandler(nullptr);
    EXPECT_FALSE(device->GetFeature(report, 65));
    EXPECT_EQ(zq::hid::lastError(), static_cast<std::uint32_t>(EPIPE));
}

TEST_F(DeviceTest, HandleUnplugClosesHandlesAndRunsTheHandlerOnce)
{
    bus->plug(loggerInfo());
    start();
    TJvHidDevice* device = acquireFirst();
    std::uint8_t report[65] = {};
    device->SetFeature(report, 65);
    int unplugs = 0;
    device->OnUnplug = [&](TJvHidDevice*) { ++unplugs; };
    device->HandleUnplug();
    device->HandleUnplug();
    EXPECT_EQ(unplugs, 1);
    EXPECT_FALSE(device->PluggedIn());
    EXPECT_EQ(device->SyncHandle(), InvalidHandle);
    EXPECT_EQ(bus->openHandleCount(), 0u);
    EXPECT_FALSE(device->SetFeature(report, 65));
}

TEST_F(DeviceTest, DestroyingAnAcquiredDevicePutsAFreshCopyInItsPlace)
{
    bus->plug(loggerInfo());
    bus->plug(loggerInfo());
    start();
    TJvHidDevice* device = acquireFirst();
    TJvHidPnPInfo* info = device->PnPInfo();
    const TJvHidDataEvent handler = [](TJvHidDevice*, std::uint8_t, const std::uint8_t*, std::uint16_t) {};
    device->SetDataHandler(handler);
    device->SetSleepTime(250);
    int unplugs = 0;
    device->OnUnplug = [&](TJvHidDevice*) { ++unplugs; };
    ASSERT_NE(device->ReadThread(), nullptr);
    EXPECT_EQ(controller->NumAcquiredDevices(), 1u);

    delete device;

    ASSERT_EQ(controller->DeviceList().size(), 2u);
    TJvHidDevice* fresh = controller->DeviceList()[0];
    EXPECT_EQ(fresh->PnPInfo(), info);
    EXPECT_FALSE(fresh->Acquired());
    EXPECT_EQ(fresh->ReadThread(), nullptr);
    EXPECT_TRUE(fresh->OnData().SameCode(handler));
    EXPECT_EQ(fresh->SleepTime(), 250u);
    EXPECT_EQ(controller->NumAcquiredDevices(), 0u);
    EXPECT_EQ(controller->NumFreeDevices(), 2u);
    EXPECT_EQ(unplugs, 0);
    EXPECT_EQ(bus->openHandleCount(), 0u);

    // The fresh copy runs its thread once acquired again.
    TJvHidDevice* again = acquireFirst();
    EXPECT_EQ(again, fresh);
    EXPECT_NE(fresh->ReadThread(), nullptr);
    delete again;
}

TEST_F(DeviceTest, DestroyingWhenTheCopyCannotBeMadeDropsTheEntry)
{
    auto sim = bus->plug(loggerInfo());
    bus->plug(loggerInfo());
    start();
    TJvHidDevice* device = acquireFirst();
    sim->setOpenFails(true);
    delete device;
    ASSERT_EQ(controller->DeviceList().size(), 1u);
    EXPECT_EQ(controller->NumAcquiredDevices(), 0u);
    EXPECT_EQ(controller->NumFreeDevices(), 1u);
    EXPECT_NE(controller->DeviceList()[0]->PnPInfo()->DevInst, sim->devInst());
}

TEST(HidEvent, CodeIdentityFollowsTheCallableNotItsData)
{
    struct Target {
        void a(TJvHidDevice*) {}
        void b(TJvHidDevice*) {}
    } x, y;
    const auto lambda = [](int n) { return [n](TJvHidDevice*) { (void)n; }; };
    EXPECT_TRUE(TJvHidPlugEvent(&x, &Target::a).SameCode(TJvHidPlugEvent(&y, &Target::a)));
    EXPECT_FALSE(TJvHidPlugEvent(&x, &Target::a).SameCode(TJvHidPlugEvent(&x, &Target::b)));
    EXPECT_TRUE(TJvHidPlugEvent(lambda(1)).SameCode(TJvHidPlugEvent(lambda(2))));
    EXPECT_FALSE(TJvHidPlugEvent(lambda(1)).SameCode(TJvHidPlugEvent()));
    EXPECT_TRUE(TJvHidPlugEvent().SameCode(TJvHidPlugEvent(nullptr)));
    void (*none)(TJvHidDevice*) = nullptr;
    EXPECT_FALSE(TJvHidPlugEvent(none).Assigned());
}

} // namespace
