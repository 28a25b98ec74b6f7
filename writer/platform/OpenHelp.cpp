// The advice under a port that would not open, the same words on every system.
#include "text/Catalogue.h"
#include "writer/common/PortOrder.h"
#include "writer/platform/PortList.h"

namespace bramblet {

std::vector<std::string> OpenFailureHelp(OpenError error, const std::optional<DeviceOwner>& owner,
                                         const std::vector<std::string>& portsThere,
                                         text::Lang lang) {
    using text::Say;
    using text::Tx;
    switch (error) {
        case OpenError::NotFound: {
            std::vector<std::string> lines{std::string("  ") + Say(Tx::CliNoSuchDevice, lang)};
            if (portsThere.empty()) {
                lines.push_back(std::string("  ") + Say(Tx::CliNoPortsThere, lang));
            } else {
                std::string list = std::string("  ") + Say(Tx::CliPortsThereAre, lang);
                for (const std::string& port : portsThere) list += " " + port;
                lines.push_back(list);
            }
            return lines;
        }
        case OpenError::PermissionDenied:
            // Distributions differ (dialout, uucp, plugdev): the device's own group is the one
            // that helps, and only when that group may read and write it.
            if (owner && owner->groupMayOpen && !owner->group.empty()) {
                return {std::string("  ") + Say(Tx::CliAddToGroup, lang, {owner->group})};
            }
            if (owner) {
                return {std::string("  ") + Say(Tx::CliOnlyOwner, lang, {owner->user})};
            }
            return {std::string("  ") + Say(Tx::CliPermissionDenied, lang)};
        case OpenError::Busy:
            return {std::string("  ") + Say(Tx::CliPortBusy, lang)};
        default:
            return {};
    }
}

std::vector<std::string> OpenFailureHelp(const std::string& name, OpenError error,
                                         text::Lang lang) {
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
        error, error == OpenError::PermissionDenied ? PortOwner(name) : std::nullopt, ports, lang);
}

}  // namespace bramblet
