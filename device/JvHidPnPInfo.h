#pragma once
// The device-setup record of one HID interface, read once when the
// enumeration finds it and owned by its device object.
#include "platform/hid/HidBackend.h"

#include <cstdint>
#include <string>
#include <vector>

class TJvHidPnPInfo {
public:
    TJvHidPnPInfo(zq::hid::HidBackend& backend, const zq::hid::InterfaceEntry& entry);

    const std::uint32_t DevInst;
    const std::string DevicePath;

    std::uint32_t Capabilities = 0;
    std::uint32_t ConfigFlags = 0;
    std::string ClassName;
    std::string ClassGUID;
    std::vector<std::string> CompatibleIDs;
    std::string DeviceDescr;
    std::string Driver;
    std::string FriendlyName;
    std::vector<std::string> HardwareID;
    std::vector<std::string> LowerFilters;
    std::string Mfg;
    std::vector<std::string> UpperFilters;
    std::string Address;
    std::uint32_t BusNumber = 0;
    std::string BusType;
    std::string Characteristics;
    std::uint32_t DevType = 0;
    std::string EnumeratorName;
    std::uint32_t Exclusive = 0;
    std::uint32_t LegacyBusType = 0;
    std::string LocationInfo;
    std::string PhysDevObjName;
    std::string SecuritySDS;
    std::string Service;
    std::uint32_t UINumber = 0;
    std::string PowerData;
};
