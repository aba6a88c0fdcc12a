#pragma once
// The Linux backend: HID interfaces are hidraw nodes found through udev.
//
// Device paths are the /dev/hidrawN nodes. DevInst is handed out per HID
// device sysfs path, which carries the kernel's per-plug sequence number: it
// stays the same while the device stays plugged and differs after a re-plug.
// Query-only handles open nothing: attributes, strings and the report
// descriptor come from sysfs, which every user may read, so a user without
// the udev rule still sees the logger (and is told it cannot be opened).
#include "platform/hid/HandleTable.h"
#include "platform/hid/HidBackend.h"
#include "platform/hid/UdevSource.h"

#include <map>
#include <memory>
#include <mutex>

namespace zq::hid {

struct HidrawHandle;

class HidrawBackend : public HidBackend {
public:
    explicit HidrawBackend(std::shared_ptr<UdevSource> source);
    ~HidrawBackend() override;

    bool available() const override { return source_->available(); }
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

    // Exposed for tests: the values sysfs gives, decoded.
    static bool parseHidId(const std::string& hidId, std::uint16_t& vendor, std::uint16_t& product);
    static std::uint16_t parseBcd(const std::optional<std::string>& bcdDevice);

private:
    std::shared_ptr<HidrawHandle> find(Handle handle) const;
    std::shared_ptr<HidrawHandle> findWithFd(Handle handle) const;

    std::shared_ptr<UdevSource> source_;
    mutable std::mutex mutex_;
    std::map<std::string, std::uint32_t> devInsts_;  // by HID sysfs path
    std::uint32_t nextDevInst_ = 1;
    std::map<std::string, HidrawNode> nodes_;  // last enumeration, by device path
    HandleTable<HidrawHandle> handles_;
};

} // namespace zq::hid
