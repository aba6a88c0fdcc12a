#include "device/JvHidPnPInfo.h"

#include <algorithm>
#include <array>

using zq::hid::RegistryProperty;

namespace {

constexpr std::size_t TextBufferSize = 1024;
constexpr std::size_t ListBufferSize = 16384;

class PropertyReader {
public:
    PropertyReader(zq::hid::HidBackend& backend, const zq::hid::InterfaceEntry& entry)
        : backend_(backend), entry_(entry)
    {
    }

    // Empty when the call fails; the text ends at the first zero byte.
    std::string text(RegistryProperty property)
    {
        std::array<std::uint8_t, TextBufferSize> buffer;
        buffer[0] = 0;
        if (!backend_.getRegistryProperty(entry_, property, buffer))
            return {};
        const auto end = std::find(buffer.begin(), buffer.end(), 0);
        return std::string(buffer.begin(), end);
    }

    std::uint32_t number(RegistryProperty property)
    {
        std::array<std::uint8_t, 4> buffer{};
        if (!backend_.getRegistryProperty(entry_, property, buffer))
            return 0;
        return buffer[0] | (buffer[1] << 8) | (buffer[2] << 16) | (std::uint32_t{buffer[3]} << 24);
    }

    // Texts split at zero bytes up to the first empty one.
    std::vector<std::string> list(RegistryProperty property)
    {
        std::vector<std::uint8_t> buffer(ListBufferSize);
        std::vector<std::string> items;
        if (!backend_.getRegistryProperty(entry_, property, buffer))
            return items;
        auto pos = buffer.begin();
        while (pos != buffer.end() && *pos != 0) {
            const auto end = std::find(pos, buffer.end(), 0);
            items.emplace_back(pos, end);
            pos = end == buffer.end() ? end : end + 1;
        }
        return items;
    }

private:
    zq::hid::HidBackend& backend_;
    const zq::hid::InterfaceEntry& entry_;
};

} // namespace

TJvHidPnPInfo::TJvHidPnPInfo(zq::hid::HidBackend& backend, const zq::hid::InterfaceEntry& entry)
    : DevInst(entry.devInst), DevicePath(entry.devicePath)
{
    PropertyReader read(backend, entry);
    Capabilities = read.number(RegistryProperty::Capabilities);
    ConfigFlags = read.number(RegistryProperty::ConfigFlags);
    ClassName = read.text(RegistryProperty::Class);
    ClassGUID = read.text(RegistryProperty::ClassGuid);
    CompatibleIDs = read.list(RegistryProperty::CompatibleIds);
    DeviceDescr = read.text(RegistryProperty::DeviceDesc);
    Driver = read.text(RegistryProperty::Driver);
    FriendlyName = read.text(RegistryProperty::FriendlyName);
    HardwareID = read.list(RegistryProperty::HardwareId);
    LowerFilters = read.list(RegistryProperty::LowerFilters);
    Mfg = read.text(RegistryProperty::Mfg);
    UpperFilters = read.list(RegistryProperty::UpperFilters);
    Address = read.text(RegistryProperty::Address);
    BusNumber = read.number(RegistryProperty::BusNumber);
    BusType = read.text(RegistryProperty::BusTypeGuid);
    Characteristics = read.text(RegistryProperty::Characteristics);
    DevType = read.number(RegistryProperty::DevType);
    EnumeratorName = read.text(RegistryProperty::EnumeratorName);
    Exclusive = read.number(RegistryProperty::Exclusive);
    LegacyBusType = read.number(RegistryProperty::LegacyBusType);
    LocationInfo = read.text(RegistryProperty::LocationInformation);
    PhysDevObjName = read.text(RegistryProperty::PhysicalDeviceObjectName);
    SecuritySDS = read.text(RegistryProperty::SecuritySds);
    Service = read.text(RegistryProperty::Service);
    UINumber = read.number(RegistryProperty::UiNumber);
    PowerData = read.text(RegistryProperty::DevicePowerData);
}
