#pragma once
// An in-process HID bus for tests and for running the program without the
// logger: devices are plain objects that answer feature and output reports
// through handlers and feed input reports into a queue.
//
//   auto bus = std::make_shared<zq::hid::SimulatedHidBus>();   // or SimulatedHidBus::shared()
//   zq::hid::SimulatedDeviceInfo info;
//   info.vendorId = 0xFF00; info.productId = 0xFF01;
//   info.manufacturer = u"Some maker";
//   info.inputReportLength = info.outputReportLength = info.featureReportLength = 65;
//   auto device = bus->plug(info);                // arrives: a device change follows
//   device->setSetFeatureHandler([&](std::span<const std::uint8_t> report) {
//       device->queueInputReport(reply);          // allowed from handlers and any thread
//       return true;
//   });
//   bus->unplug(device);                          // gone: pending reads end, calls fail
//
// Reports are byte arrays whose first byte is the report id (0 for a device
// that numbers none), in feature, output and input direction alike; their
// lengths as declared in SimulatedDeviceInfo count that byte.
//
// Handlers run on the thread that made the device call (the main thread in the
// program), never under the bus's locks, so they may call back into the
// device. Input reports go to every open overlapped read handle, first into
// a kernel-like queue of 64 reports that drops new ones when full (as a
// hidraw node does); the backend's pump moves them on as they come into a
// queue of the handle's input-buffer count (64 until set), which drops its
// oldest report when full and counts it. A producer thread that must lose
// nothing waits with waitForQueueSpace() before each report; one that sends
// at its own pace, as a real device does, loses what neither queue holds.
//
// Device changes reach subscribers on the main thread through the Qt event
// loop; plugs and unplugs close together give one notification. Plugging again gives a new device with a new DevInst.
//
// With ZQ_HID_BACKEND=sim the program's controller uses SimulatedHidBus::shared().
#include "platform/hid/HandleTable.h"
#include "platform/hid/HidBackend.h"
#include "platform/hid/UniqueFd.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

class QSocketNotifier;

namespace zq::hid {

struct SimulatedDeviceInfo {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0;
    std::u16string manufacturer;
    std::u16string product;
    // Report lengths as the device declares them, report id byte included.
    std::uint16_t inputReportLength = 0;
    std::uint16_t outputReportLength = 0;
    std::uint16_t featureReportLength = 0;
};

class SimulatedHidBus;
struct SimHandle;

class SimulatedHidDevice {
public:
    // report[0] holds the requested report id; fill the rest. False fails the call.
    using GetFeatureHandler = std::function<bool(std::span<std::uint8_t> report)>;
    // A feature or output report sent to the device. False fails the call.
    using ReportHandler = std::function<bool(std::span<const std::uint8_t> report)>;

    // Reports the kernel keeps per open file before the backend takes them.
    static constexpr std::size_t KernelQueueLength = 64;

    explicit SimulatedHidDevice(SimulatedDeviceInfo info, std::uint32_t devInst, std::string path);

    const SimulatedDeviceInfo& info() const { return info_; }
    std::uint32_t devInst() const { return devInst_; }
    const std::string& path() const { return path_; }
    bool pluggedIn() const;

    // Without a handler the call fails with EPIPE, as a device that stalls it.
    void setGetFeatureHandler(GetFeatureHandler handler);
    void setSetFeatureHandler(ReportHandler handler);
    void setOutputReportHandler(ReportHandler handler);

    // Any thread. False when the device is unplugged or no read handle is open
    // (the report is lost, as on a real bus).
    bool queueInputReport(std::span<const std::uint8_t> report);
    bool queueInputReport(std::initializer_list<std::uint8_t> report)
    {
        return queueInputReport(std::span<const std::uint8_t>(report.begin(), report.size()));
    }
    // Waits until every reader's queues have room (or the device has no reader).
    bool waitForQueueSpace(std::chrono::milliseconds timeout);
    // Reports lost, in the kernel queues and the backend's, over all handles.
    std::size_t droppedInputReports() const;
    // Reports queued and not yet read, over all read handles.
    std::size_t queuedInputReports() const;
    bool hasReader() const;

    // Failure injection.
    void setOpenFails(bool fails);        // every open fails with EACCES
    void setQueryOnly(bool queryOnly);    // only query-only opens succeed
    void setStringFails(bool fails);      // the manufacturer string call fails
    void setAttributesFail(bool fails);   // the attributes call fails
    void failReadStarts(int count);       // the next count read starts fail with EIO; -1: all

private:
    friend class SimulatedHidBus;
    friend struct SimHandle;

    bool hasRoomLocked() const;
    // Sets one of the fields the device's mutex guards.
    template <typename T>
    void setLocked(T& field, T value)
    {
        std::lock_guard lock(mutex_);
        field = std::move(value);
    }

    const SimulatedDeviceInfo info_;
    const std::uint32_t devInst_;
    const std::string path_;

    mutable std::mutex mutex_;
    std::condition_variable space_;
    bool pluggedIn_ = true;
    bool openFails_ = false;
    bool queryOnly_ = false;
    bool stringFails_ = false;
    bool attributesFail_ = false;
    int readStartFailures_ = 0;
    std::size_t dropped_ = 0;
    GetFeatureHandler getFeature_;
    ReportHandler setFeature_;
    ReportHandler output_;
    std::vector<std::weak_ptr<SimHandle>> handles_;
};

class SimulatedHidBus : public HidBackend, public std::enable_shared_from_this<SimulatedHidBus> {
public:
    SimulatedHidBus();
    ~SimulatedHidBus() override;

    // The process-wide bus the program uses when ZQ_HID_BACKEND=sim.
    static std::shared_ptr<SimulatedHidBus> shared();

    std::shared_ptr<SimulatedHidDevice> plug(const SimulatedDeviceInfo& info);
    void unplug(const std::shared_ptr<SimulatedHidDevice>& device);
    std::vector<std::shared_ptr<SimulatedHidDevice>> devices() const;

    std::vector<InterfaceEntry> enumerate() override;
    bool getRegistryProperty(const InterfaceEntry& entry, RegistryProperty property,
                             std::span<std::uint8_t> buffer) override;
    Handle open(const std::string& path, unsigned access, bool overlapped) override;
    bool close(Handle handle) override;
    bool getAttributes(Handle handle, DeviceAttributes& attributes) override;
    std::unique_ptr<PreparsedData> getPreparsedData(Handle handle) override;
    bool getManufacturerString(Handle handle, std::span<char16_t> buffer) override;
    bool getFeature(Handle handle, std::span<std::uint8_t> report) override;
    bool setFeature(Handle handle, std::span<const std::uint8_t> report) override;
    bool write(Handle handle, std::span<const std::uint8_t> report, std::uint32_t& written) override;
    bool setNumInputBuffers(Handle handle, std::uint32_t count) override;
    bool getNumInputBuffers(Handle handle, std::uint32_t& count) override;
    bool startRead(Handle handle, std::span<std::uint8_t> buffer, OverlappedRead& overlapped,
                   AlertableWaiter& waiter) override;
    bool getDroppedInputReports(Handle handle, std::uint64_t& count) override;
    bool cancelIo(Handle handle) override;
    ChangeSubscription subscribeChanges(std::function<void()> onChange) override;

    // Open handles, for tests that check nothing leaks.
    std::size_t openHandleCount() const;
    // Runs on the reading thread as each read is about to start, before its
    // handle is looked up, so that a test can hold a reader in the gap between
    // its open and its read while another thread acts.
    void setReadStartHook(std::function<void(Handle)> hook);

private:
    void deliverChanges();
    std::shared_ptr<SimHandle> find(Handle handle) const;
    std::shared_ptr<SimulatedHidDevice> liveDevice(Handle handle, std::shared_ptr<SimHandle>* out = nullptr) const;
    void postChange();
    // The report calls: a live handle whose access allows the call and a
    // report of at least the id byte go to the device's handler in slot,
    // called outside the device's lock so that it may call back into the
    // device. No handler, or one that refuses, stalls the call (EPIPE).
    template <typename Handler, typename Report>
    bool passToHandler(Handle id, bool (*allowed)(unsigned access), Handler SimulatedHidDevice::*slot, Report report);

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<SimulatedHidDevice>> devices_;
    HandleTable<SimHandle> handles_;
    std::uint32_t nextDevInst_ = 0x100;
    // Plugs may come from any thread; an eventfd carries them to a notifier
    // made on the main thread by the first subscriber.
    UniqueFd changeEvent_;
    std::unique_ptr<QSocketNotifier> changeNotifier_;
    std::map<int, std::function<void()>> listeners_;
    int nextListener_ = 1;
    std::function<void(Handle)> readStartHook_;
};

} // namespace zq::hid
