// Choosing a port by identity or place, and the advice under a port that would not open.
#include <gtest/gtest.h>

#include "writer/common/PortDescription.h"
#include "writer/platform/PortList.h"

namespace bramblet {
namespace {

PortDescription Usb(std::string name, std::uint16_t vid, std::uint16_t pid, std::string serial,
                    std::string location) {
    PortDescription port;
    port.name = std::move(name);
    port.kind = PortKind::Usb;
    port.vid = vid;
    port.pid = pid;
    port.serial = std::move(serial);
    port.location = std::move(location);
    return port;
}

PortDescription Uart(std::string name) {
    PortDescription port;
    port.name = std::move(name);
    port.kind = PortKind::Uart;
    return port;
}

std::vector<std::string> Names(const PortMatch& match) {
    std::vector<std::string> names;
    for (const PortDescription* port : match.ports) names.push_back(port->name);
    return names;
}

// A station: two identical FTDI cables told apart by serial number and socket, a CH340 with no
// serial number, a built-in UART.
const std::vector<PortDescription> kStation{
    Usb("ttyUSB0", 0x0403, 0x6001, "A10K3Q2B", "1-1.2"),
    Usb("ttyUSB1", 0x0403, 0x6001, "A10K3Q9Z", "1-1.3"),
    Usb("ttyUSB2", 0x1A86, 0x7523, "", "1-1.4"),
    Uart("ttyS0"),
};

TEST(PortMatch, ByIdentity) {
    PortMatch m = MatchPort("usb:0403:6001:A10K3Q9Z", kStation);
    EXPECT_EQ(m.kind, PortMatch::Kind::Chosen);
    EXPECT_EQ(Names(m), std::vector<std::string>{"ttyUSB1"});
    // Either case of hexadecimal, as lsusb and the Windows device manager write them.
    m = MatchPort("usb:1a86:7523", kStation);
    EXPECT_EQ(m.kind, PortMatch::Kind::Chosen);
    EXPECT_EQ(Names(m), std::vector<std::string>{"ttyUSB2"});
    // Two cables of one kind without a serial number cannot be told apart by identity.
    m = MatchPort("usb:0403:6001", kStation);
    EXPECT_EQ(m.kind, PortMatch::Kind::Several);
    EXPECT_EQ(Names(m), (std::vector<std::string>{"ttyUSB0", "ttyUSB1"}));
    // A serial number matches whole and exactly.
    m = MatchPort("usb:0403:6001:a10k3q9z", kStation);
    EXPECT_EQ(m.kind, PortMatch::Kind::None);
    EXPECT_EQ(Names(m), (std::vector<std::string>{"ttyUSB0", "ttyUSB1", "ttyUSB2", "ttyS0"}));
    EXPECT_EQ(MatchPort("usb:0403:6001:A10K3Q9", kStation).kind, PortMatch::Kind::None);
    // Serial numbers may hold colons; only the first two separate.
    std::vector<PortDescription> odd{Usb("ttyACM0", 0x2341, 0x0043, "75:83:3A", "2-1")};
    EXPECT_EQ(MatchPort("usb:2341:0043:75:83:3A", odd).kind, PortMatch::Kind::Chosen);
}

TEST(PortMatch, ByPlace) {
    PortMatch m = MatchPort("usb@1-1.3", kStation);
    EXPECT_EQ(m.kind, PortMatch::Kind::Chosen);
    EXPECT_EQ(Names(m), std::vector<std::string>{"ttyUSB1"});
    // A hub's own place is not the place of what hangs below it.
    EXPECT_EQ(MatchPort("usb@1-1", kStation).kind, PortMatch::Kind::None);
    EXPECT_EQ(MatchPort("usb@1-1.2.1", kStation).kind, PortMatch::Kind::None);
}

TEST(PortMatch, TheOnlyAdapter) {
    PortMatch m = MatchPort("auto", kStation);
    EXPECT_EQ(m.kind, PortMatch::Kind::Several);
    EXPECT_EQ(Names(m), (std::vector<std::string>{"ttyUSB0", "ttyUSB1", "ttyUSB2"}));
    // A built-in UART is never taken for the adapter.
    const std::vector<PortDescription> one{Uart("ttyS0"), kStation[2], Uart("ttyS1")};
    m = MatchPort("auto", one);
    EXPECT_EQ(m.kind, PortMatch::Kind::Chosen);
    EXPECT_EQ(Names(m), std::vector<std::string>{"ttyUSB2"});
    const std::vector<PortDescription> none{Uart("ttyS0")};
    m = MatchPort("auto", none);
    EXPECT_EQ(m.kind, PortMatch::Kind::None);
    EXPECT_EQ(Names(m), std::vector<std::string>{"ttyS0"});
    EXPECT_EQ(MatchPort("auto", {}).kind, PortMatch::Kind::None);
}

TEST(PortMatch, SelectorsThatCannotBeRead) {
    for (const char* bad : {"usb:", "usb:0403", "usb:0403:", "usb:xyz:6001", "usb:12345:6001",
                            "usb:0403:6001:", "usb:0403:60G1", "usb@"}) {
        const PortMatch m = MatchPort(bad, kStation);
        EXPECT_EQ(m.kind, PortMatch::Kind::Invalid) << bad;
        EXPECT_FALSE(m.detail.empty()) << bad;
        EXPECT_TRUE(m.ports.empty()) << bad;
    }
    // Names the opener takes stay names.
    for (const char* name : {"ttyUSB0", "/dev/ttyUSB0", "COM3", "automatic", "usb"}) {
        EXPECT_FALSE(IsPortSelector(name)) << name;
    }
    for (const char* selector : {"auto", "usb:0403:6001", "usb@1-1.2"}) {
        EXPECT_TRUE(IsPortSelector(selector)) << selector;
    }
}

TEST(OpenFailureHelp, SaysWhatToDo) {
    DeviceOwner uucp{"root", "uucp", true};
    EXPECT_EQ(OpenFailureHelp(OpenError::PermissionDenied, uucp, {}),
              std::vector<std::string>{"  permission denied; add your user to the uucp group "
                                       "(sudo usermod -aG uucp $USER) and log in again"});
    // Joining a group that may not read and write the device would not help.
    DeviceOwner ownerOnly{"root", "root", false};
    EXPECT_EQ(OpenFailureHelp(OpenError::PermissionDenied, ownerOnly, {}),
              std::vector<std::string>{"  permission denied; only root may open the device: a "
                                       "udev rule must give it to a group"});
    EXPECT_EQ(OpenFailureHelp(OpenError::PermissionDenied, std::nullopt, {}),
              std::vector<std::string>{"  permission denied; this user may not open the device"});
    EXPECT_EQ(OpenFailureHelp(OpenError::NotFound, std::nullopt, {"ttyS0", "ttyUSB1"}),
              (std::vector<std::string>{"  no such device; is the cable plugged in?",
                                        "  the ports there are: ttyS0 ttyUSB1"}));
    EXPECT_EQ(OpenFailureHelp(OpenError::NotFound, std::nullopt, {}),
              (std::vector<std::string>{"  no such device; is the cable plugged in?",
                                        "  there are no serial ports"}));
    EXPECT_EQ(OpenFailureHelp(OpenError::Busy, std::nullopt, {}),
              std::vector<std::string>{"  the port is busy: another program has it open"});
    EXPECT_TRUE(OpenFailureHelp(OpenError::Other, uucp, {"ttyS0"}).empty());
}

}  // namespace
}  // namespace bramblet
