// Serial ports on Linux: the kernel's serial devices, and the terminals of simulated chips.
#include "writer/platform/posix/PortList.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "writer/common/Text.h"
#include "writer/platform/posix/PosixSerial.h"
#include "writer/platform/posix/SimulatedPorts.h"

namespace bramblet {

namespace fs = std::filesystem;

namespace {

// A sysfs attribute's one line, without its line end; empty when there is none.
std::string Attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

std::uint16_t HexAttribute(const fs::path& file) {
    return static_cast<std::uint16_t>(ParseHex(Attribute(file), 4).value_or(0));
}

// Fills in the USB device above the tty's device in the sysfs tree: the interface the port
// belongs to, and above it the device with its identity and place on the bus.
void DescribeUsb(const fs::path& ttyDevice, PortDescription& port) {
    std::error_code ec;
    fs::path below;
    for (fs::path folder = fs::canonical(ttyDevice, ec); !ec && folder.has_relative_path();
         below = folder, folder = folder.parent_path()) {
        if (!fs::exists(folder / "idVendor", ec)) continue;
        port.kind = PortKind::Usb;
        port.vid = HexAttribute(folder / "idVendor");
        port.pid = HexAttribute(folder / "idProduct");
        port.maker = Attribute(folder / "manufacturer");
        port.product = Attribute(folder / "product");
        port.serial = Attribute(folder / "serial");
        // The device's own name is its bus and port path: 1-1.4 is bus 1, port 4 of the hub on
        // port 1. It stays with the socket, whatever is plugged into it.
        port.location = folder.filename().string();
        if (const std::optional<std::uint32_t> number =
                ParseHex(Attribute(below / "bInterfaceNumber"), 2)) {
            port.usbInterface = static_cast<int>(*number);
        }
        return;
    }
}

std::vector<std::string> LinksTo(const fs::path& folder, const fs::path& node) {
    std::vector<std::string> links;
    std::error_code ec;
    const fs::path target = fs::canonical(node, ec);
    if (ec) return links;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        std::error_code linkEc;
        if (fs::canonical(entry.path(), linkEc) == target && !linkEc) {
            links.push_back(entry.path().string());
        }
    }
    std::sort(links.begin(), links.end());
    return links;
}

void DescribeAccess(const fs::path& node, PortDescription& port) {
    port.mayOpen = ::access(node.c_str(), R_OK | W_OK) == 0;
    if (port.mayOpen) return;
    if (const std::optional<DeviceOwner> owner = NodeOwner(node)) port.group = owner->group;
}

}  // namespace

std::vector<std::string> KernelSerialPorts(const fs::path& sysClassTty) {
    std::vector<std::string> ports;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(sysClassTty, ec)) {
        // Consoles and pseudo-terminals have no device behind them; USB serial, ACM and UARTs do.
        if (!fs::exists(entry.path() / "device", ec)) continue;
        // The 8250 driver registers every legacy port it could have, present or not; the ones
        // with no UART found report port type 0 (PORT_UNKNOWN).
        std::ifstream typeFile(entry.path() / "type");
        int type = -1;
        if (typeFile >> type && type == 0) continue;
        ports.push_back(entry.path().filename().string());
    }
    return ports;
}

std::vector<std::string> SimulatedPorts(const fs::path& folder) {
    std::vector<std::string> ports;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        // A link left behind by a simulator that has ended points nowhere; leave it out.
        struct stat st {};
        if (::stat(entry.path().c_str(), &st) == 0 && S_ISCHR(st.st_mode)) {
            ports.push_back(entry.path().string());
        }
    }
    return ports;
}

std::optional<int> LatencyTimer(const fs::path& sys, const std::string& tty) {
    // Only ftdi_sio has the attribute; every other adapter answers at once.
    std::ifstream in(sys / "bus/usb-serial/devices" / tty / "latency_timer");
    int ms = -1;
    if (!(in >> ms) || ms < 0) return std::nullopt;
    return ms;
}

std::optional<DeviceOwner> NodeOwner(const fs::path& path) {
    struct stat node {};
    if (::stat(path.c_str(), &node) != 0) return std::nullopt;
    DeviceOwner owner;
    // A group or user without a name in the system's lists still has its number, which
    // usermod takes as well.
    const group* g = ::getgrgid(node.st_gid);
    owner.group = g ? g->gr_name : std::to_string(node.st_gid);
    const passwd* u = ::getpwuid(node.st_uid);
    owner.user = u ? u->pw_name : std::to_string(node.st_uid);
    owner.groupMayOpen = (node.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    return owner;
}

std::vector<PortDescription> DescribePorts(const PortPlaces& places) {
    std::vector<PortDescription> ports;
    for (const std::string& name : KernelSerialPorts(places.sys / "class/tty")) {
        PortDescription port;
        port.name = name;
        port.kind = PortKind::Uart;
        DescribeUsb(places.sys / "class/tty" / name / "device", port);
        port.latencyMs = LatencyTimer(places.sys, name);
        const fs::path node = places.dev / name;
        for (const char* folder : {"serial/by-id", "serial/by-path"}) {
            for (std::string& link : LinksTo(places.dev / folder, node)) {
                port.stableNames.push_back(std::move(link));
            }
        }
        DescribeAccess(node, port);
        ports.push_back(std::move(port));
    }
    for (const std::string& path : SimulatedPorts(places.simulated)) {
        PortDescription port;
        port.name = path;
        port.kind = PortKind::Simulated;
        DescribeAccess(path, port);
        ports.push_back(std::move(port));
    }
    return ports;
}

PortPlaces SystemPortPlaces() {
    PortPlaces places;
    if (const char* root = std::getenv("BRAMBLET_DEVICE_ROOT"); root && *root) {
        places.sys = fs::path(root) / "sys";
        places.dev = fs::path(root) / "dev";
    }
    places.simulated = SimulatedPortFolder();
    return places;
}

std::optional<std::vector<std::string>> SystemPortNames() {
    const PortPlaces places = SystemPortPlaces();
    std::vector<std::string> ports = KernelSerialPorts(places.sys / "class/tty");
    for (std::string& sim : SimulatedPorts(places.simulated)) ports.push_back(std::move(sim));
    return ports;
}

std::optional<std::vector<PortDescription>> SystemPortDescriptions() {
    return DescribePorts(SystemPortPlaces());
}

std::string LatencyRemedy(const std::string& name, text::Lang lang) {
    return text::Say(text::Tx::CliRemedyUdev, lang, {fs::path(name).filename().string()});
}

std::optional<DeviceOwner> PortOwner(const std::string& name) {
    return NodeOwner(PosixDevicePath(name, SystemPortPlaces().dev));
}

}  // namespace bramblet
