// Port descriptions from a folder laid out as sysfs and /dev are on a station with several
// adapters, and the advice for a device this user may not open.
#include <grp.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "tests/support/FakeStation.h"
#include "tests/support/TempDir.h"
#include "writer/platform/posix/PortList.h"

namespace bramblet {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

using Station = testing::FakeStation;

// Access as a user who is neither the node's owner nor in its group: root may open anything, so
// a test run as root asks as nobody in a child process.
std::map<std::string, std::string> AccessAsOtherUser(const PortPlaces& places) {
    auto access = [&] {
        std::ostringstream out;
        for (const PortDescription& port : DescribePorts(places)) {
            out << port.name << ' ' << (port.mayOpen ? "yes" : "no:" + port.group) << '\n';
        }
        return out.str();
    };
    std::string text;
    if (geteuid() != 0) {
        text = access();
    } else {
        int pipeFds[2];
        EXPECT_EQ(pipe(pipeFds), 0);
        const pid_t child = fork();
        if (child == 0) {
            if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
            const std::string result = access();
            _exit(write(pipeFds[1], result.data(), result.size()) ==
                          static_cast<ssize_t>(result.size())
                      ? 0
                      : 1);
        }
        ::close(pipeFds[1]);
        char buffer[4096];
        ssize_t n;
        while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) text.append(buffer, n);
        ::close(pipeFds[0]);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::map<std::string, std::string> result;
    std::istringstream lines(text);
    std::string name, access_;
    while (lines >> name >> access_) result[name] = access_;
    return result;
}

TEST(PortDescriptions, StationOfAdapters) {
    Station station;
    station.UsbPort("ttyUSB0", "1-1.2", "0403", "6001", "FTDI", "FT232R USB UART", "A10K3Q2B", 16);
    station.UsbPort("ttyUSB1", "1-1.3", "0403", "6001", "FTDI", "FT232R USB UART", "A10K3Q9Z", 1);
    station.UsbPort("ttyUSB2", "1-1.4", "1a86", "7523", "QinHeng", "USB Serial", nullptr,
                    std::nullopt);
    station.Uart("ttyS0");
    std::vector<PortDescription> ports = DescribePorts(station.Places());
    std::sort(ports.begin(), ports.end(),
              [](const PortDescription& a, const PortDescription& b) { return a.name < b.name; });
    ASSERT_EQ(ports.size(), 4u);
    const fs::path dev = station.Places().dev;

    const PortDescription& first = ports[1];
    EXPECT_EQ(first.name, "ttyUSB0");
    EXPECT_EQ(first.kind, PortKind::Usb);
    EXPECT_EQ(first.vid, 0x0403);
    EXPECT_EQ(first.pid, 0x6001);
    EXPECT_EQ(first.maker, "FTDI");
    EXPECT_EQ(first.product, "FT232R USB UART");
    EXPECT_EQ(first.serial, "A10K3Q2B");
    EXPECT_EQ(first.usbInterface, 0);
    EXPECT_EQ(first.location, "1-1.2");
    EXPECT_EQ(first.latencyMs, 16);
    EXPECT_EQ(first.stableNames,
              (std::vector<std::string>{
                  (dev / "serial/by-id/usb-FTDI_A10K3Q2B-if00-port0").string(),
                  (dev / "serial/by-path/pci-0000:00:14.0-usb-0:1.2:1.0-port0").string()}));
    EXPECT_TRUE(first.mayOpen);

    // Its twin differs in serial number, place, timer and links, and in nothing else.
    const PortDescription& twin = ports[2];
    EXPECT_EQ(twin.name, "ttyUSB1");
    EXPECT_EQ(twin.kind, PortKind::Usb);
    EXPECT_EQ(twin.vid, first.vid);
    EXPECT_EQ(twin.pid, first.pid);
    EXPECT_EQ(twin.product, first.product);
    EXPECT_EQ(twin.serial, "A10K3Q9Z");
    EXPECT_EQ(twin.location, "1-1.3");
    EXPECT_EQ(twin.latencyMs, 1);
    EXPECT_EQ(twin.stableNames.size(), 2u);

    // No serial number: no by-id link, only its place.
    const PortDescription& ch340 = ports[3];
    EXPECT_EQ(ch340.name, "ttyUSB2");
    EXPECT_EQ(ch340.vid, 0x1A86);
    EXPECT_EQ(ch340.pid, 0x7523);
    EXPECT_EQ(ch340.serial, "");
    EXPECT_EQ(ch340.location, "1-1.4");
    EXPECT_EQ(ch340.latencyMs, std::nullopt);
    EXPECT_EQ(ch340.stableNames,
              std::vector<std::string>{
                  (dev / "serial/by-path/pci-0000:00:14.0-usb-0:1.4:1.0-port0").string()});

    const PortDescription& uart = ports[0];
    EXPECT_EQ(uart.name, "ttyS0");
    EXPECT_EQ(uart.kind, PortKind::Uart);
    EXPECT_EQ(uart.vid, 0);
    EXPECT_EQ(uart.location, "");
    EXPECT_EQ(uart.usbInterface, std::nullopt);
    EXPECT_TRUE(uart.stableNames.empty());

    // The descriptions choose as the user means.
    EXPECT_EQ(MatchPort("usb@1-1.3", ports).ports.at(0)->name, "ttyUSB1");
    EXPECT_EQ(MatchPort("usb:0403:6001:A10K3Q2B", ports).ports.at(0)->name, "ttyUSB0");
    EXPECT_EQ(MatchPort("auto", ports).kind, PortMatch::Kind::Several);
}

TEST(PortDescriptions, WhoMayOpen) {
    Station station;
    station.UsbPort("ttyUSB0", "1-1.2", "0403", "6001", "FTDI", "FT232R USB UART", "A1", 16);
    station.UsbPort("ttyACM0", "1-1.5", "2341", "0043", "Maker", "Board", "75833", std::nullopt);
    // The tree must be readable by the other user.
    fs::permissions(station.Root(), fs::perms::others_read | fs::perms::others_exec,
                    fs::perm_options::add);
    const fs::path denied = station.Places().dev / "ttyACM0";
    const group* uucp = getgrnam("uucp");
    if (geteuid() == 0 && uucp) {
        ASSERT_EQ(chown(denied.c_str(), 0, uucp->gr_gid), 0);
    }
    fs::permissions(denied, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::group_write);
    const std::string group = NodeOwner(denied).value().group;
    if (geteuid() == 0 && uucp) {
        EXPECT_EQ(group, "uucp");
    }
    const std::map<std::string, std::string> access = AccessAsOtherUser(station.Places());
    EXPECT_EQ(access.at("ttyUSB0"), "yes");
    EXPECT_EQ(access.at("ttyACM0"), "no:" + group);
}

TEST(PortDescriptions, SimulatedChips) {
    Station station;
    int master = -1, slave = -1;
    char name[256];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    fs::create_symlink(name, station.Places().simulated / "R8C-1234");
    const std::vector<PortDescription> ports = DescribePorts(station.Places());
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].name, (station.Places().simulated / "R8C-1234").string());
    EXPECT_EQ(ports[0].kind, PortKind::Simulated);
    EXPECT_TRUE(ports[0].mayOpen);
    // A place or an identity never chooses a simulated chip; only its name does.
    EXPECT_EQ(MatchPort("auto", ports).kind, PortMatch::Kind::None);
    ::close(slave);
    ::close(master);
}

TEST(OpenFailureHelp, NamesTheDevicesOwnGroup) {
    TempDir dir;
    const fs::path node = dir.Path() / "ttyUSB7";
    std::ofstream(node) << "";
    const group* uucp = getgrnam("uucp");
    std::string group = NodeOwner(node).value().group;
    if (geteuid() == 0 && uucp) {
        ASSERT_EQ(chown(node.c_str(), 0, uucp->gr_gid), 0);
        group = "uucp";
    }
    fs::permissions(node, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::group_write);
    EXPECT_EQ(
        OpenFailureHelp(node.string(), OpenError::PermissionDenied),
        std::vector<std::string>{"  permission denied; add your user to the " + group +
                                 " group (sudo usermod -aG " + group + " $USER) and log in again"});
    // Without group access, joining the group would not help.
    fs::permissions(node, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(OpenFailureHelp(node.string(), OpenError::PermissionDenied)
                  .at(0)
                  .rfind("  permission denied; only ", 0),
              0u);
}

}  // namespace
}  // namespace bramblet
