#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "writer/platform/PortList.h"

namespace bramblet {

// The tty names under `sysClassTty` that have a device present.
std::vector<std::string> KernelSerialPorts(const std::filesystem::path& sysClassTty);

// The full paths of the links in `folder` that lead to a terminal.
std::vector<std::string> SimulatedPorts(const std::filesystem::path& folder);

}  // namespace bramblet
