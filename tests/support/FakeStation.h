#pragma once
// A station of serial ports laid out in files the way sysfs and /dev show them: USB adapters
// below a hub with their identity, interface, latency timer and /dev/serial links, built-in
// UARTs, and a folder for simulated chips.
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "tests/support/TempDir.h"
#include "writer/platform/posix/PortList.h"

namespace bramblet::testing {

namespace fs = std::filesystem;

constexpr const char* kHub = "devices/pci0000:00/0000:00:14.0/usb1/1-1";

class FakeStation {
public:
    FakeStation() {
        places_.sys = dir_.Path() / "sys";
        places_.dev = dir_.Path() / "dev";
        places_.simulated = dir_.Path() / "sim";
        fs::create_directories(places_.dev / "serial/by-id");
        fs::create_directories(places_.dev / "serial/by-path");
        fs::create_directories(places_.simulated);
        // The root hub and the hub have identities of their own, above every adapter.
        Write(std::string(kHub) + "/../idVendor", "1d6b");
        Write(std::string(kHub) + "/idVendor", "05e3");
    }

    // A USB serial port the way the kernel lays it out: the USB device at `location` below the
    // hub, its interface, the usb-serial port device with its tty, and the class and bus links.
    void UsbPort(const std::string& tty, const std::string& location, const char* vid,
                 const char* pid, const char* maker, const char* product, const char* serial,
                 std::optional<int> latency) {
        const std::string device = std::string(kHub) + "/" + location;
        Write(device + "/idVendor", vid);
        Write(device + "/idProduct", pid);
        Write(device + "/manufacturer", maker);
        Write(device + "/product", product);
        if (serial) Write(device + "/serial", serial);
        const std::string interface = device + "/" + location + ":1.0";
        Write(interface + "/bInterfaceNumber", "00");
        const std::string port = interface + "/" + tty;
        fs::create_directories(places_.sys / port);
        if (latency) Write(port + "/latency_timer", std::to_string(*latency));
        ClassTty(tty, port);
        fs::create_directories(places_.sys / "bus/usb-serial/devices");
        fs::create_directory_symlink("../../../" + port,
                                     places_.sys / "bus/usb-serial/devices" / tty);
        Node(tty);
        fs::create_symlink("../../" + tty,
                           places_.dev / "serial/by-path" /
                               ("pci-0000:00:14.0-usb-0:" + location.substr(2) + ":1.0-port0"));
        if (serial) {
            fs::create_symlink("../../" + tty,
                               places_.dev / "serial/by-id" /
                                   ("usb-" + std::string(maker) + "_" + serial + "-if00-port0"));
        }
    }
    void Uart(const std::string& tty) {
        const std::string device = "devices/pnp0/00:05";
        fs::create_directories(places_.sys / device);
        ClassTty(tty, device);
        Write("class/tty/" + tty + "/type", "4");
        Node(tty);
    }
    void ClassTty(const std::string& tty, const std::string& device) {
        fs::create_directories(places_.sys / "class/tty" / tty);
        fs::create_directory_symlink(places_.sys / device,
                                     places_.sys / "class/tty" / tty / "device");
    }
    fs::path Node(const std::string& tty) {
        const fs::path node = places_.dev / tty;
        std::ofstream(node) << "";
        fs::permissions(node, fs::perms::owner_read | fs::perms::owner_write |
                                  fs::perms::group_read | fs::perms::group_write |
                                  fs::perms::others_read | fs::perms::others_write);
        return node;
    }
    // The port's device node becomes a link to a real terminal (a simulated chip's), so the
    // station's port can be opened.
    void LinkNode(const std::string& tty, const std::string& terminal) {
        const fs::path node = places_.dev / tty;
        fs::remove(node);
        fs::create_symlink(terminal, node);
    }
    void Write(const std::string& relative, const std::string& value) {
        const fs::path file = places_.sys / relative;
        fs::create_directories(file.parent_path());
        std::ofstream(file) << value << "\n";
    }
    const PortPlaces& Places() const { return places_; }
    const fs::path& Root() const { return dir_.Path(); }

private:
    TempDir dir_;
    PortPlaces places_;
};

}  // namespace bramblet::testing
