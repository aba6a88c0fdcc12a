#pragma once
// What the hidraw backend needs from udev and sysfs, behind a seam so that
// its enumeration and property reading can be tested without hidraw nodes.
#include "platform/hid/HidBackend.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zq::hid {

// One hidraw node with the values of its HID parent and, for USB devices,
// of the USB device above it.
struct HidrawNode {
    std::string syspath;     // the hidraw node's sysfs path
    std::string devnode;     // /dev/hidrawN: the device path
    std::string hidSyspath;  // the HID device's sysfs path; a new one per plug
    std::string hidId;       // HID_ID, "bus:vendor:product" in hex
    std::string hidName;     // HID_NAME
    std::string hidPhys;     // HID_PHYS
    std::string driver;      // driver of the HID device
    std::string modalias;    // MODALIAS of the HID device
    std::optional<std::string> usbManufacturer;
    std::optional<std::string> usbProduct;
    std::optional<std::string> bcdDevice;  // hex text, e.g. "0102"
    std::optional<std::string> busnum;
    std::optional<std::string> devnum;
};

class UdevSource {
public:
    virtual ~UdevSource() = default;
    virtual bool available() const = 0;
    virtual std::vector<HidrawNode> hidrawNodes() = 0;
    virtual std::optional<HidrawNode> nodeForDevnode(const std::string& devnode) = 0;
    // The report descriptor as sysfs shows it to every user.
    virtual std::optional<std::vector<std::uint8_t>> reportDescriptor(const HidrawNode& node) = 0;
    // onChange runs on the main thread once per burst of hidraw events.
    virtual ChangeSubscription watch(std::function<void()> onChange) = 0;
};

} // namespace zq::hid
