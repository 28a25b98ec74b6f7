// Reading a port device's IDs, which Windows builds from the USB descriptors.
#include "writer/platform/win32/PortDevices.h"

#include <vector>

#include "writer/common/Text.h"

namespace bramblet {
namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = AsciiUpper(c);
    return text;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string::npos;
         start = end + 1) {
        parts.push_back(text.substr(start, end - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

// The hexadecimal number after `tag` ("VID_") in an ID, `digits` long.
std::optional<std::uint32_t> Field(const std::string& id, const std::string& tag,
                                   std::size_t digits) {
    const std::size_t at = id.find(tag);
    if (at == std::string::npos || id.size() < at + tag.size() + digits) return std::nullopt;
    return ParseHex(std::string_view(id).substr(at + tag.size(), digits), digits);
}

// The serial number the instance ID carries. A USB device with one is named by it; one without
// gets a name Windows makes up, which holds '&'. FTDI's bus driver joins VID, PID and the serial
// number with '+' and appends the channel's letter (A for a single-port chip).
std::string SerialNumber(const std::string& instanceId) {
    const std::vector<std::string> parts = Split(instanceId, '\\');
    if (parts.size() < 3) return {};
    const std::string bus = Upper(parts[0]);
    if (bus == "USB" && parts[2].find('&') == std::string::npos) return parts[2];
    if (bus == "FTDIBUS") {
        const std::vector<std::string> fields = Split(parts[1], '+');
        if (fields.size() == 3 && fields[2].size() > 1)
            return fields[2].substr(0, fields[2].size() - 1);
    }
    return {};
}

}  // namespace

PortDescription DescribeDevice(const DeviceFacts& facts) {
    PortDescription port;
    const std::string instance = Upper(facts.instanceId);
    const std::string hardware = Upper(facts.hardwareId);
    const std::string& ids = hardware.find("VID_") != std::string::npos ? hardware : instance;
    const std::optional<std::uint32_t> vid = Field(ids, "VID_", 4);
    const std::optional<std::uint32_t> pid = Field(ids, "PID_", 4);
    if ((instance.starts_with("USB\\") || instance.starts_with("FTDIBUS\\")) && vid && pid) {
        port.kind = PortKind::Usb;
        port.vid = static_cast<std::uint16_t>(*vid);
        port.pid = static_cast<std::uint16_t>(*pid);
        port.serial = SerialNumber(facts.instanceId);
        if (const std::optional<std::uint32_t> mi = Field(ids, "MI_", 2)) {
            port.usbInterface = static_cast<int>(*mi);
        }
        port.location = facts.location;
    } else if (instance.starts_with("ACPI\\") || hardware.find("PNP0501") != std::string::npos) {
        port.kind = PortKind::Uart;  // a 16550-compatible port on the board
    }
    port.maker = facts.maker;
    // The friendly name ends in the port's name, which the description holds already.
    port.product = facts.friendlyName;
    if (const std::size_t open = port.product.rfind(" (COM");
        open != std::string::npos && port.product.ends_with(")")) {
        port.product.erase(open);
    }
    return port;
}

}  // namespace bramblet
