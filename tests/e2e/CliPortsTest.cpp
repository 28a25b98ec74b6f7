// bramblet-cli choosing among the ports of a station laid out as sysfs and /dev: twin FTDI
// adapters told apart by serial number and place, a CH340 without a serial number, a built-in
// UART and a port this user may not open; chosen ports are simulated chips' terminals, so the
// boards really run.
#include <grp.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/e2e/SimChips.h"
#include "tests/support/FakeStation.h"
#include "tests/support/SRecords.h"
#include "tests/support/StatusTexts.h"

namespace bramblet::testing {
namespace {

// Sets an environment variable for the programs a test starts, and puts back what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class CliPortsTest : public SimChipsTest {
protected:
    CliPortsTest()
        : root_("BRAMBLET_DEVICE_ROOT", station.Root().string()),
          // Only the station's ports: no simulated chip another test has published.
          runtime_("XDG_RUNTIME_DIR", dir.Name("")) {}

    void Twins() {
        station.UsbPort("ttyUSB0", "1-1.2", "0403", "6001", "FTDI", "FT232R USB UART", "A10K3Q2B",
                        16);
        station.UsbPort("ttyUSB1", "1-1.3", "0403", "6001", "FTDI", "FT232R USB UART", "A10K3Q9Z",
                        1);
    }
    std::string Dev(const std::string& relative) const {
        return (station.Places().dev / relative).string();
    }

    FakeStation station;

private:
    ScopedEnv root_, runtime_;
};

TEST_F(CliPortsTest, PortsTellTheStationsAdaptersApart) {
    Twins();
    station.UsbPort("ttyUSB2", "1-1.4", "1a86", "7523", "QinHeng", "USB Serial", nullptr,
                    std::nullopt);
    station.Uart("ttyS0");
    station.UsbPort("ttyACM0", "1-1.5", "2341", "0043", "Maker", "Board", "75833", std::nullopt);
    // A port in a group this user is not in. Root may open anything, so as root the program runs
    // as nobody, and the device belongs to uucp as on Arch.
    const fs::path denied = station.Places().dev / "ttyACM0";
    const bool root = geteuid() == 0;
    const group* uucp = getgrnam("uucp");
    if (root && uucp) {
        ASSERT_EQ(chown(denied.c_str(), 0, uucp->gr_gid), 0);
    }
    fs::permissions(denied, root ? fs::perms::owner_read | fs::perms::owner_write |
                                       fs::perms::group_read | fs::perms::group_write
                                 : fs::perms::none);
    const std::string group = NodeOwner(denied).value().group;
    fs::permissions(station.Root(), fs::perms::others_read | fs::perms::others_exec,
                    fs::perm_options::add);
    const auto ports = [&](std::vector<std::string> args) {
        args = Args(std::move(args));
        if (root)
            args.insert(args.begin(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
                                       "--clear-groups", "--"});
        return RunProgram(args);
    };
    if (root) {
        ASSERT_EQ(ports({"--version"}).status, 0) << "setpriv is needed to run as nobody";
    }

    const RunResult text = ports({"ports"});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.err, "");
    const std::string path = Dev("serial/by-path/pci-0000:00:14.0-usb-0:");
    EXPECT_EQ(text.out,
              "ttyS0\n"
              "  built-in UART\n"
              "ttyACM0\n"
              "  USB 2341:0043 Maker Board, serial number 75833, interface 0\n"
              "  plugged in at 1-1.5\n"
              "  " +
                  Dev("serial/by-id/usb-Maker_75833-if00-port0") +
                  "\n"
                  "  " +
                  path +
                  "1.5:1.0-port0\n"
                  "  this user may not open it (group " +
                  group +
                  ")\n"
                  "ttyUSB0\n"
                  "  USB 0403:6001 FTDI FT232R USB UART, serial number A10K3Q2B, interface 0\n"
                  "  plugged in at 1-1.2\n"
                  "  " +
                  Dev("serial/by-id/usb-FTDI_A10K3Q2B-if00-port0") +
                  "\n"
                  "  " +
                  path +
                  "1.2:1.0-port0\n"
                  "  latency timer 16 ms\n"
                  "ttyUSB1\n"
                  "  USB 0403:6001 FTDI FT232R USB UART, serial number A10K3Q9Z, interface 0\n"
                  "  plugged in at 1-1.3\n"
                  "  " +
                  Dev("serial/by-id/usb-FTDI_A10K3Q9Z-if00-port0") +
                  "\n"
                  "  " +
                  path +
                  "1.3:1.0-port0\n"
                  "  latency timer 1 ms\n"
                  "ttyUSB2\n"
                  "  USB 1a86:7523 QinHeng USB Serial, no serial number, interface 0\n"
                  "  plugged in at 1-1.4\n"
                  "  " +
                  path + "1.4:1.0-port0\n");

    const RunResult json = ports({"ports", "--json"});
    EXPECT_EQ(json.status, 0) << json.err;
    const std::vector<std::string> lines = json.Lines();
    ASSERT_EQ(lines.size(), 5u) << json.out;
    EXPECT_EQ(lines[0],
              R"({"name":"ttyS0","kind":"uart","vid":null,"pid":null,"maker":null,"product":null,)"
              R"("serial_number":null,"interface":null,"location":null,"stable_names":[],)"
              R"("latency_ms":null,"may_open":true,"group":null})");
    EXPECT_EQ(lines[1],
              R"({"name":"ttyACM0","kind":"usb","vid":"2341","pid":"0043",)"
              R"("maker":"Maker","product":"Board","serial_number":"75833","interface":0,)"
              R"("location":"1-1.5","stable_names":[")" +
                  Dev("serial/by-id/usb-Maker_75833-if00-port0") + R"(",")" + path +
                  R"(1.5:1.0-port0"],"latency_ms":null,"may_open":false,"group":")" + group +
                  R"("})");
    EXPECT_EQ(lines[2], R"({"name":"ttyUSB0","kind":"usb","vid":"0403","pid":"6001",)"
                        R"("maker":"FTDI","product":"FT232R USB UART","serial_number":"A10K3Q2B",)"
                        R"("interface":0,"location":"1-1.2","stable_names":[")" +
                            Dev("serial/by-id/usb-FTDI_A10K3Q2B-if00-port0") + R"(",")" + path +
                            R"(1.2:1.0-port0"],"latency_ms":16,"may_open":true,"group":null})");
    // No serial number: null, not an empty string a script would match.
    EXPECT_EQ(lines[4], R"({"name":"ttyUSB2","kind":"usb","vid":"1a86","pid":"7523",)"
                        R"("maker":"QinHeng","product":"USB Serial","serial_number":null,)"
                        R"("interface":0,"location":"1-1.4","stable_names":[")" +
                            path +
                            R"(1.4:1.0-port0"],"latency_ms":null,"may_open":true,)"
                            R"("group":null})");
}

TEST_F(CliPortsTest, BoardsChosenByIdentityAndPlaceAreNamedInTheirResults) {
    Twins();
    auto first = Sim("first");
    auto second = Sim("second");
    station.LinkNode("ttyUSB0", dir.Name("first"));
    station.LinkNode("ttyUSB1", dir.Name("second"));
    const std::string file = dir.Write("prog.mot", SRecords('1', 0x4000, 0x100, 3));
    const std::string log = dir.Name("run.log");
    // The second adapter by place, the first by serial number: the order of --port, not of the
    // station.
    const RunResult write = Cli({"write", file, "--port", "usb@1-1.3", "--port",
                                 "usb:0403:6001:A10K3Q2B", "--json", "--log", log});
    EXPECT_EQ(write.status, 0) << write.err;
    const std::vector<std::string> lines = write.Lines();
    ASSERT_GE(lines.size(), 2u);
    const std::string tail = R"(,"command":"write","ok":true,)";
    EXPECT_NE(lines[lines.size() - 2].find(
                  R"({"event":"result","port":"ttyUSB1","port_serial_number":"A10K3Q9Z",)"
                  R"("port_location":"1-1.3","latency_ms":1)" +
                  tail),
              std::string::npos)
        << write.out;
    EXPECT_NE(
        lines.back().find(R"({"event":"result","port":"ttyUSB0","port_serial_number":"A10K3Q2B",)"
                          R"("port_location":"1-1.2","latency_ms":16)" +
                          tail),
        std::string::npos)
        << write.out;
    // Only the adapter whose timer stayed at 16 ms is worth a word, and that once.
    const std::string costs =
        "ttyUSB0: bramblet-cli: the adapter's latency timer is 16 ms: each "
        "reply shorter than a USB packet waits up to 16 ms, which makes a "
        "write slower; the package's udev rule sets it to 1 ms when the "
        "adapter is plugged in (or as root: echo 1 > "
        "/sys/bus/usb-serial/devices/ttyUSB0/latency_timer)\n";
    const std::size_t at = write.err.find(costs);
    EXPECT_NE(at, std::string::npos) << write.err;
    EXPECT_EQ(write.err.find(costs, at + 1), std::string::npos) << write.err;
    EXPECT_EQ(write.err.find("ttyUSB1: bramblet-cli: the adapter's"), std::string::npos);
    std::ifstream logged(log);
    std::string line;
    int withIdentity = 0;
    while (std::getline(logged, line)) {
        withIdentity += line.find(R"("port_serial_number":"A10K3Q)") != std::string::npos;
    }
    EXPECT_EQ(withIdentity, 2);

    // The same adapter by its plain name is still told apart; info says its timer.
    const RunResult info = Cli({"info", "--port", "ttyUSB1"});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.Lines().back(), "latency timer: 1 ms");
    EXPECT_EQ(info.err.find("latency timer is"), std::string::npos) << info.err;

    ASSERT_EQ(first->Stop(), 0);
    ASSERT_EQ(second->Stop(), 0);
    for (const char* chip : {"first", "second"}) {
        EXPECT_EQ(Saved(chip).Read(0x4000), 3) << chip;
    }
}

TEST_F(CliPortsTest, PortsAndTheirRefusalsSpeakJapaneseWhenChosen) {
    station.Uart("ttyS0");
    station.UsbPort("ttyUSB2", "1-1.4", "1a86", "7523", "QinHeng", "USB Serial", nullptr, 2);
    const std::string path = Dev("serial/by-path/pci-0000:00:14.0-usb-0:");
    const RunResult text = Cli({"ports", "--lang", "ja"});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out,
              "ttyS0\n"
              "  内蔵 UART\n"
              "ttyUSB2\n"
              "  USB 1a86:7523 QinHeng USB Serial、シリアル番号なし、インターフェース 0\n"
              "  接続位置 1-1.4\n"
              "  " +
                  path +
                  "1.4:1.0-port0\n"
                  "  遅延タイマ 2 ms\n");
    // The JSON keeps its keys and values whatever the language.
    EXPECT_EQ(Cli({"ports", "--json", "--lang", "ja"}).out, Cli({"ports", "--json"}).out);

    const RunResult none = Cli({"erase", "--port", "usb@9-9", "--lang", "ja"});
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.err.substr(0, none.err.find('\n')),
              "bramblet-cli: --port usb@9-9: 該当する USB シリアルアダプタがありません。"
              "接続されているポート:");
    EXPECT_NE(none.err.find("\n  ttyS0\n    内蔵 UART\n"), std::string::npos) << none.err;
}

TEST_F(CliPortsTest, AutoRefusesUnlessExactlyOneAdapterIsThere) {
    station.Uart("ttyS0");
    const RunResult none = Cli({"erase", "--port", "auto"});
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err,
              "bramblet-cli: --port auto: no USB serial adapter fits; the ports there are:\n"
              "  ttyS0\n"
              "    built-in UART\n");

    // One adapter: auto takes it, before anything is sent (its node is no terminal).
    station.UsbPort("ttyUSB2", "1-1.4", "1a86", "7523", "QinHeng", "USB Serial", nullptr,
                    std::nullopt);
    const RunResult one = Cli({"erase", "--port", "auto", "--json"});
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(one.Lines().back().rfind(R"({"event":"result","port":"ttyUSB2",)"
                                       R"("port_serial_number":null,"port_location":"1-1.4",)"
                                       R"("command":"erase","ok":false,"step":"open-port")",
                                       0),
              0u)
        << one.out;

    Twins();
    const RunResult several = Cli({"erase", "--port", "auto", "--json"});
    EXPECT_EQ(several.status, 2);
    EXPECT_EQ(several.out, "");
    const std::string path = Dev("serial/by-path/pci-0000:00:14.0-usb-0:");
    EXPECT_EQ(several.err,
              "bramblet-cli: --port auto: several USB serial adapters fit; choose one by its "
              "serial number (usb:VID:PID:SERIAL) or its place (usb@LOCATION):\n"
              "  ttyUSB0\n"
              "    USB 0403:6001 FTDI FT232R USB UART, serial number A10K3Q2B, interface 0\n"
              "    plugged in at 1-1.2\n"
              "    " +
                  Dev("serial/by-id/usb-FTDI_A10K3Q2B-if00-port0") +
                  "\n"
                  "    " +
                  path +
                  "1.2:1.0-port0\n"
                  "    latency timer 16 ms\n"
                  "  ttyUSB1\n"
                  "    USB 0403:6001 FTDI FT232R USB UART, serial number A10K3Q9Z, interface 0\n"
                  "    plugged in at 1-1.3\n"
                  "    " +
                  Dev("serial/by-id/usb-FTDI_A10K3Q9Z-if00-port0") +
                  "\n"
                  "    " +
                  path +
                  "1.3:1.0-port0\n"
                  "    latency timer 1 ms\n"
                  "  ttyUSB2\n"
                  "    USB 1a86:7523 QinHeng USB Serial, no serial number, interface 0\n"
                  "    plugged in at 1-1.4\n"
                  "    " +
                  path + "1.4:1.0-port0\n");

    const RunResult place = Cli({"erase", "--port", "usb@1-9"});
    EXPECT_EQ(place.status, 2);
    EXPECT_EQ(place.err.rfind("bramblet-cli: --port usb@1-9: no USB serial adapter fits; the ports "
                              "there are:\n  ttyS0\n    built-in UART\n  ttyUSB0\n",
                              0),
              0u)
        << place.err;
    const RunResult bad = Cli({"erase", "--port", "usb:0403"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err,
              "bramblet-cli: --port usb:0403: usb: needs VID:PID in hexadecimal, such as "
              "usb:0403:6001\n");
}

// An adapter that holds every short reply for 64 ms: the timer read when the port opens, or
// --latency, lets the run wait for it; told it costs nothing, the design's windows miss it.
TEST_F(CliPortsTest, SlowAdapterIsWaitedForWhenItsTimerIsKnown) {
    station.UsbPort("ttyUSB0", "1-1.2", "0403", "6001", "FTDI", "FT232R USB UART", "A1", 64);
    auto chip = Sim("chip", {"--adapter", "ftdi:64"});
    station.LinkNode("ttyUSB0", dir.Name("chip"));
    const std::string file = dir.Write("prog.mot", SRecords('1', 0x4000, 0x100, 7));

    const RunResult read = Cli({"write", file, "--port", "ttyUSB0"});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.Lines().back(), kWritten);
    const RunResult given = Cli({"verify", file, "--port", dir.Name("chip"), "--latency", "64"});
    EXPECT_EQ(given.status, 0) << given.err;
    EXPECT_EQ(given.Lines().back(), kVerified);
    const RunResult design = Cli({"verify", file, "--port", "ttyUSB0", "--latency", "0"});
    EXPECT_EQ(design.status, 1) << design.out;
}

// A reply missed through an adapter slower than FTDI's default: whichever command missed it,
// standard error ends by naming the timer and the way to lower it, and --latency when the run
// allowed less than the timer.
TEST_F(CliPortsTest, ReplyMissedThroughASlowAdapterNamesItsTimer) {
    station.UsbPort("ttyUSB0", "1-1.2", "0403", "6001", "FTDI", "FT232R USB UART", "A1", 64);
    station.UsbPort("ttyUSB1", "1-1.3", "0403", "6001", "FTDI", "FT232R USB UART", "A2", 64);
    auto chip = Sim("chip", {"--adapter", "ftdi:64"});
    auto shortPages = Sim("short", {"--adapter", "ftdi:64", "--page-read-bytes", "100"});
    station.LinkNode("ttyUSB0", dir.Name("chip"));
    station.LinkNode("ttyUSB1", dir.Name("short"));
    auto advice = [](const std::string& tty) {
        return "bramblet-cli: no reply came through an adapter whose latency timer is 64 ms; lower "
               "it: the package's udev rule sets it to 1 ms when the adapter is plugged in (or as "
               "root: echo 1 > /sys/bus/usb-serial/devices/" +
               tty + "/latency_timer)";
    };
    auto endsWith = [](const std::string& text, const std::string& tail) {
        return text.size() >= tail.size() &&
               text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    };

    // The design's windows, told the timer costs nothing: a Page Read's byte comes after its
    // window.
    const std::string file = dir.Write("prog.mot", SRecords('1', 0x4000, 0x100, 7));
    const RunResult write = Cli({"write", file, "--port", "ttyUSB0", "--latency", "0", "--json"});
    EXPECT_EQ(write.status, 1);
    EXPECT_TRUE(endsWith(write.err, advice("ttyUSB0") + ", or pass --latency 64\n")) << write.err;
    EXPECT_NE(write.Lines().back().find(R"("detail":"no reply came through an adapter whose )"
                                        R"(latency timer is 64 ms")"),
              std::string::npos)
        << write.out;

    // The timer allowed for, the chip itself sends a short page: read says so the same way.
    const RunResult read = Cli({"read", "4000-40FF", "--port", "ttyUSB1", "-o", dir.Name("back")});
    EXPECT_EQ(read.status, 1);
    EXPECT_TRUE(endsWith(
        read.err, "bramblet-cli: page 004000: 100 of 256 bytes came\n" + advice("ttyUSB1") + "\n"))
        << read.err;
}

}  // namespace
}  // namespace bramblet::testing
