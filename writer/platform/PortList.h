#pragma once
// The serial ports that the system knows now.
#include <optional>
#include <string>
#include <vector>

#include "writer/platform/Settings.h"

namespace bramblet {

// Port names as the port opener takes them (COM3 on Windows; ttyUSB0, or the full path of a
// simulated chip's terminal, on Linux), unsorted. nullopt when the system's list cannot be read
// at all; throws PlatformError for an entry that is not a port name.
std::optional<std::vector<std::string>> SystemPortNames();

}  // namespace bramblet
