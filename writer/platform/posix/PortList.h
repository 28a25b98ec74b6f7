#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "writer/platform/PortList.h"

namespace bramblet {

// The tty names under `sysClassTty` that have a device present.
std::vector<std::string> KernelSerialPorts(const std::filesystem::path& sysClassTty);

// The full paths of the links in `folder` that lead to a terminal.
std::vector<std::string> SimulatedPorts(const std::filesystem::path& folder);

// The latency timer in milliseconds of the USB serial port `tty` (ttyUSB0) under the sysfs at
// `sys`; nullopt for a port whose driver has none.
std::optional<int> LatencyTimer(const std::filesystem::path& sys, const std::string& tty);

// Where the port descriptions come from: sysfs, the device folder with its /dev/serial links,
// and the simulated chips' folder.
struct PortPlaces {
    std::filesystem::path sys = "/sys";
    std::filesystem::path dev = "/dev";
    std::filesystem::path simulated;
};

std::vector<PortDescription> DescribePorts(const PortPlaces& places);

// The system's places. BRAMBLET_DEVICE_ROOT, for tests, names a folder whose sys and dev stand
// in for /sys and /dev, so a station of adapters can be laid out in files.
PortPlaces SystemPortPlaces();

// The owner of the device node at `path`.
std::optional<DeviceOwner> NodeOwner(const std::filesystem::path& path);

}  // namespace bramblet
