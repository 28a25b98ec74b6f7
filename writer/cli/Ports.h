#pragma once
// The serial ports as bramblet-cli shows them and chooses among them: what each is, where it is
// plugged, and the port a selector such as usb@1-1.4 stands for.
#include <optional>
#include <string>
#include <vector>

#include "text/Catalogue.h"
#include "writer/common/PortDescription.h"

namespace bramblet {

// The port's lines in `ports`: its name alone, then what it is, indented, in `lang`.
std::vector<std::string> PortLines(const PortDescription& port, text::Lang lang = text::Lang::En);

// The port as one JSON object, a line of `ports --json`.
std::string PortJson(const PortDescription& port);

// In the order the window offers them.
void SortPorts(std::vector<PortDescription>& ports);

// A --port as it was given and the port it names; `identity` when the port is one the system
// describes (a selector's port always is).
struct ChosenPort {
    std::string name;
    std::optional<PortDescription> identity;
};

// The ports the --port arguments name, the selectors resolved against `there` (nullopt: the
// system could not list its ports). On a selector that names no single port: nothing, and
// `refusal` says why, with the ports to choose from.
std::optional<std::vector<ChosenPort>> ChoosePorts(
    const std::vector<std::string>& given, const std::optional<std::vector<PortDescription>>& there,
    std::string& refusal, text::Lang lang = text::Lang::En);

}  // namespace bramblet
