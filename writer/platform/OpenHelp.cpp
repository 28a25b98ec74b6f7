// The advice under a port that would not open, the same words on every system.
#include "writer/common/PortOrder.h"
#include "writer/platform/PortList.h"

namespace bramblet {

std::vector<std::string> OpenFailureHelp(OpenError error, const std::optional<DeviceOwner>& owner,
                                         const std::vector<std::string>& portsThere) {
    switch (error) {
        case OpenError::NotFound: {
            std::vector<std::string> lines{"  no such device; is the cable plugged in?"};
            if (portsThere.empty()) {
                lines.push_back("  there are no serial ports");
            } else {
                std::string list = "  the ports there are:";
                for (const std::string& port : portsThere) list += " " + port;
                lines.push_back(list);
            }
            return lines;
        }
        case OpenError::PermissionDenied:
            // Distributions differ (dialout, uucp, plugdev): the device's own group is the one
            // that helps, and only when that group may read and write it.
            if (owner && owner->groupMayOpen && !owner->group.empty()) {
                return {"  permission denied; add your user to the " + owner->group +
                        " group (sudo usermod -aG " + owner->group + " $USER) and log in again"};
            }
            if (owner) {
                return {"  permission denied; only " + owner->user +
                        " may open the device: a udev rule must give it to a group"};
            }
            return {"  permission denied; this user may not open the device"};
        case OpenError::Busy:
            return {"  the port is busy: another program has it open"};
        default:
            return {};
    }
}

std::vector<std::string> OpenFailureHelp(const std::string& name, OpenError error) {
    std::vector<std::string> ports;
    if (error == OpenError::NotFound) {
        // A list that cannot be read leaves the advice without it, not the error without advice.
        try {
            ports = SystemPortNames().value_or(std::vector<std::string>{});
        } catch (const PlatformError&) {
        }
        SortPortNames(ports);
    }
    return OpenFailureHelp(
        error, error == OpenError::PermissionDenied ? PortOwner(name) : std::nullopt, ports);
}

}  // namespace bramblet
