#pragma once
// Turns a HID report descriptor into the capability figures the device
// objects need: the longest input, output and feature report in bytes (report
// id byte included) and the usage of the top-level collection.
#include "platform/hid/HidTypes.h"

#include <cstdint>
#include <span>

namespace zq::hid {

// A malformed, truncated or empty descriptor gives all-zero capabilities.
Capabilities parseReportDescriptor(std::span<const std::uint8_t> descriptor);

} // namespace zq::hid
