#pragma once
// Vocabulary of the HID platform layer: handles, access rights, the records a
// device answers with, and the device-registry property codes an interface
// can be asked for.
#include <cstdint>
#include <string>
#include <vector>

namespace zq::hid {

// Backends hand out small integers; -1 (all bits set) marks a closed handle.
using Handle = std::int64_t;
inline constexpr Handle InvalidHandle = -1;

enum AccessFlags : unsigned {
    AccessQueryOnly = 0,
    AccessRead = 1U << 0,
    AccessWrite = 1U << 1,
    AccessReadWrite = AccessRead | AccessWrite,
};

// Longest report (report id byte included) the program exchanges with a
// device. Every report buffer of the application has this size.
inline constexpr std::size_t MaxReportLength = 65;

// Input-buffer counts a handle accepts; anything else is refused.
inline constexpr std::uint32_t MinInputBuffers = 2;
inline constexpr std::uint32_t MaxInputBuffers = 512;

struct DeviceAttributes {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0;
};

// Report byte lengths include the report id byte, even for devices that use
// no report ids (their reports then start with a zero byte); 0 means the
// device has no report of that kind.
struct Capabilities {
    std::uint16_t usage = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t inputReportByteLength = 0;
    std::uint16_t outputReportByteLength = 0;
    std::uint16_t featureReportByteLength = 0;
    // Whether the device numbers its reports. Without ids the platform may
    // hand reports over without the leading zero byte the lengths count.
    bool reportIds = false;
    bool operator==(const Capabilities&) const = default;
};

// What a device tells about its reports, fetched once per device object.
struct PreparsedData {
    std::vector<std::uint8_t> reportDescriptor;
    Capabilities caps;
};

// One present HID interface as the enumeration finds it.
struct InterfaceEntry {
    std::uint32_t devInst = 0;
    std::string devicePath;
};

// Device-registry property codes (the values are the platform's own).
enum class RegistryProperty : std::uint32_t {
    DeviceDesc = 0x00,
    HardwareId = 0x01,
    CompatibleIds = 0x02,
    Service = 0x04,
    Class = 0x07,
    ClassGuid = 0x08,
    Driver = 0x09,
    ConfigFlags = 0x0A,
    Mfg = 0x0B,
    FriendlyName = 0x0C,
    LocationInformation = 0x0D,
    PhysicalDeviceObjectName = 0x0E,
    Capabilities = 0x0F,
    UiNumber = 0x10,
    UpperFilters = 0x11,
    LowerFilters = 0x12,
    BusTypeGuid = 0x13,
    LegacyBusType = 0x14,
    BusNumber = 0x15,
    EnumeratorName = 0x16,
    SecuritySds = 0x18,
    DevType = 0x19,
    Exclusive = 0x1A,
    Characteristics = 0x1B,
    Address = 0x1C,
    DevicePowerData = 0x1E,
};

enum class WaitResult {
    Timeout,       // the wait ran its full time
    Alerted,       // another thread ended the wait early
    IoCompletion,  // the pending read finished (successfully or not)
};

} // namespace zq::hid
