#pragma once
#include "device/JvHidControllerClass.h"
#include "platform/hid/SimulatedHidBus.h"

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

namespace hidtest {

inline zq::hid::SimulatedDeviceInfo loggerInfo(std::uint16_t reportLength = 65)
{
    zq::hid::SimulatedDeviceInfo info;
    info.vendorId = 0xFF00;
    info.productId = 0xFF01;
    info.versionNumber = 0x0102;
    info.manufacturer = u"Zorvan Performance Parts.";
    info.product = u"Quillstone";
    info.inputReportLength = reportLength;
    info.outputReportLength = reportLength;
    info.featureReportLength = reportLength;
    return info;
}

// Runs the event loop until pred holds or the time is up.
inline bool waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    // The timer only bounds each wait; events wake the loop at once.
    QTimer tick;
    tick.start(5);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

inline void pumpEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// A bus with a controller on it whose posted first enumeration has run.
struct BusFixture {
    std::shared_ptr<zq::hid::SimulatedHidBus> bus = std::make_shared<zq::hid::SimulatedHidBus>();
    std::unique_ptr<TJvHidDeviceController> controller;
    int changes = 0;

    // Devices still handed out are given back first, as their users would.
    ~BusFixture()
    {
        if (!controller)
            return;
        const auto devices = controller->DeviceList();
        for (TJvHidDevice* device : devices)
            if (device->Acquired())
                delete device;
    }

    void start()
    {
        controller = std::make_unique<TJvHidDeviceController>(nullptr, bus);
        controller->SetLoading(true);
        controller->SetOnDeviceChange([this](QObject*) { ++changes; });
        controller->SetLoading(false);
        pumpEvents();
    }

    TJvHidDevice* acquireFirst()
    {
        TJvHidDevice* device = nullptr;
        controller->AcquireFirstFree(device);
        return device;
    }
};

} // namespace hidtest
