#pragma once
// What Windows says about a port's device, read into a port description.
#include <optional>
#include <string>

#include "writer/common/PortDescription.h"

namespace bramblet {

struct DeviceFacts {
    std::string
        instanceId;  // USB\VID_0403&PID_6001\A10K3Q2B, FTDIBUS\VID_0403+PID_6001+A10K3Q2BA\0000
    std::string hardwareId;  // the first of the device's hardware IDs
    std::string maker;
    std::string friendlyName;  // "USB Serial Port (COM5)"
    std::string location;      // the location path, else the location information
};

PortDescription DescribeDevice(const DeviceFacts& facts);

// An FTDI adapter's latency timer for the port `name` (COM5), from its device settings.
std::optional<int> PortLatencyTimer(const std::string& name);

}  // namespace bramblet
