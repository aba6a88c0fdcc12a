#pragma once
// Encodes device-registry property values the way the device objects read
// them back: text with a closing zero, numbers as 4 little-endian bytes, lists
// as zero-separated texts closed by an empty one. Each returns false (with
// ERANGE) when the value does not fit the buffer.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zq::hid {

bool storeRegistryText(std::span<std::uint8_t> buffer, const std::string& text);
bool storeRegistryNumber(std::span<std::uint8_t> buffer, std::uint32_t value);
bool storeRegistryList(std::span<std::uint8_t> buffer, const std::vector<std::string>& items);

std::string toUtf8(const std::u16string& text);
std::u16string toUtf16(const std::string& text);

} // namespace zq::hid
