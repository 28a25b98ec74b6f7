#pragma once
// The serial ports that the system knows now.
#include <optional>
#include <string>
#include <vector>

#include "text/Catalogue.h"
#include "writer/common/PortDescription.h"
#include "writer/link/SerialPort.h"
#include "writer/platform/Settings.h"

namespace bramblet {

// Port names as the port opener takes them (COM3 on Windows; ttyUSB0, or the full path of a
// simulated chip's terminal, on Linux), unsorted. nullopt when the system's list cannot be read
// at all; throws PlatformError for an entry that is not a port name.
std::optional<std::vector<std::string>> SystemPortNames();

// The same ports with what they are and where they are plugged, unsorted; nullopt when the
// system's list cannot be read at all.
std::optional<std::vector<PortDescription>> SystemPortDescriptions();

// Who may open a device node: its group, and whether that group's members may read and write it.
struct DeviceOwner {
    std::string user;
    std::string group;
    bool groupMayOpen = false;
};

// The owner of the port's device node; nullopt where the system has no such thing or cannot say.
std::optional<DeviceOwner> PortOwner(const std::string& name);

// How the user lowers the latency timer of the adapter behind port `name`, in a few words.
std::string LatencyRemedy(const std::string& name, text::Lang lang = text::Lang::En);

// What to do about a port that would not open, a line each, indented under the error itself:
// whom to ask for a permission, that another program has the port, which ports there are.
std::vector<std::string> OpenFailureHelp(OpenError error, const std::optional<DeviceOwner>& owner,
                                         const std::vector<std::string>& portsThere,
                                         text::Lang lang = text::Lang::En);

// The same for the system's port `name` as it is now.
std::vector<std::string> OpenFailureHelp(const std::string& name, OpenError error,
                                         text::Lang lang = text::Lang::En);

}  // namespace bramblet
