// The termios port on a real pseudo-terminal: the test holds the other side and plays the chip.
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/support/TempDir.h"
#include "writer/platform/posix/PosixSerial.h"

namespace bramblet {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Reply windows are measured on a shared machine: a read may end a little late, never early.
constexpr auto kLate = 50ms;

class PosixSerialTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[64];
        ASSERT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
        path_ = name;
        // A serial device does not echo; a fresh pseudo-terminal would, until the port's Setup.
        termios raw{};
        ASSERT_EQ(tcgetattr(slave_, &raw), 0);
        cfmakeraw(&raw);
        ASSERT_EQ(tcsetattr(slave_, TCSANOW, &raw), 0);
        // slave_ stays open, as a device node does: the test reads the port's settings on it.
        OpenResult opened = opener_.Open(path_);
        ASSERT_NE(opened.port, nullptr) << opened.detail;
        port_ = std::move(opened.port);
    }
    void TearDown() override {
        port_.reset();
        ::close(slave_);
        if (master_ >= 0) ::close(master_);
    }
    void FromChip(std::vector<std::uint8_t> bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Reads `n` bytes and how long it took.
    std::pair<std::vector<std::uint8_t>, Clock::duration> TimedRead(std::size_t n) {
        std::vector<std::uint8_t> buffer(n);
        const auto start = Clock::now();
        buffer.resize(port_->Read(buffer));
        return {buffer, Clock::now() - start};
    }
    termios Settings() {
        termios tio{};
        EXPECT_EQ(tcgetattr(slave_, &tio), 0);
        return tio;
    }
    bool Exclusive() {
        int exclusive = -1;
        EXPECT_EQ(ioctl(slave_, TIOCGEXCL, &exclusive), 0);
        return exclusive != 0;
    }

    int master_ = -1, slave_ = -1;
    std::string path_;
    PosixPortOpener opener_;
    std::unique_ptr<SerialPort> port_;
};

TEST_F(PosixSerialTest, OpenIsExclusiveAndTheCloseReleasesIt) {
    EXPECT_TRUE(Exclusive());
    // Tests run as root, whom TIOCEXCL does not stop; the lock on the device still does.
    OpenResult second = opener_.Open(path_);
    EXPECT_EQ(second.port, nullptr);
    EXPECT_EQ(second.error, OpenError::Busy);

    port_.reset();
    EXPECT_FALSE(Exclusive());
    OpenResult third = opener_.Open(path_);
    EXPECT_NE(third.port, nullptr) << third.detail;
}

TEST_F(PosixSerialTest, OpenFailuresSayWhy) {
    EXPECT_EQ(opener_.Open("/dev/no-such-port").error, OpenError::NotFound);
    EXPECT_EQ(opener_.Open("").error, OpenError::NotFound);
    testing::TempDir dir;
    EXPECT_EQ(opener_.Open(dir.Write("plain", "x")).error, OpenError::InvalidName);
    EXPECT_EQ(PosixDevicePath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(PosixDevicePath("/dev/pts/7"), "/dev/pts/7");
}

TEST_F(PosixSerialTest, AdapterLatencyIsTheTimerOfTheDeviceBehindTheName) {
    // A pseudo-terminal has no serial flags: the low-latency request is refused, the port works,
    // and there is no timer to tell.
    EXPECT_EQ(port_->AdapterLatency(), std::nullopt);
    port_->Setup(19200);
    const std::uint8_t ping = 0xB0;
    port_->Write({&ping, 1});
    std::uint8_t got = 0;
    ASSERT_EQ(::read(master_, &got, 1), 1);
    EXPECT_EQ(got, ping);
    port_.reset();

    // Opened by a stable link, the timer is still the one sysfs shows for the device's own name.
    testing::TempDir dir;
    const std::string tty = std::filesystem::path(path_).filename().string();
    dir.Write("sys/bus/usb-serial/devices/" + tty + "/latency_timer", "16\n");
    std::filesystem::create_symlink(path_, dir.Path() / "usb-FTDI_A10K3Q2B-if00-port0");
    PosixPortOpener opener(dir.Path() / "sys");
    OpenResult opened = opener.Open((dir.Path() / "usb-FTDI_A10K3Q2B-if00-port0").string());
    ASSERT_NE(opened.port, nullptr) << opened.detail;
    EXPECT_EQ(opened.port->AdapterLatency(), std::chrono::milliseconds(16));
}

TEST_F(PosixSerialTest, SetupAppliesRaw8N1AtTheRateAndKeepsTheRest) {
    // Hardware handshake, hang-up on close and parity marking are the driver's: kept whether the
    // driver had them on or off.
    constexpr tcflag_t kDriversC = CRTSCTS | HUPCL;
    constexpr tcflag_t kDriversI = IGNPAR;
    for (const bool on : {true, false}) {
        termios before = Settings();
        before.c_cflag = on ? before.c_cflag | kDriversC : before.c_cflag & ~kDriversC;
        before.c_iflag = on ? before.c_iflag | kDriversI : before.c_iflag & ~kDriversI;
        before.c_cflag |= PARENB | CSTOPB;
        before.c_iflag |= IXON | ICRNL;
        before.c_iflag |= INPCK;
        ASSERT_EQ(tcsetattr(slave_, TCSANOW, &before), 0);
        ASSERT_EQ(Settings().c_cflag & kDriversC, on ? kDriversC : 0u);

        port_->Setup(19200);
        termios tio = Settings();
        EXPECT_EQ(tio.c_cflag & kDriversC, on ? kDriversC : 0u) << on;
        EXPECT_EQ(tio.c_iflag & kDriversI, on ? kDriversI : 0u) << on;
        EXPECT_EQ(cfgetospeed(&tio), B19200);
        EXPECT_EQ(cfgetispeed(&tio), B19200);
        EXPECT_EQ(tio.c_cflag & CSIZE, CS8);
        EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), 0u);
        EXPECT_NE(tio.c_cflag & CREAD, 0u);
        // No parity check: a byte with a framing error comes as received, not as 0x00.
        EXPECT_EQ(tio.c_iflag & INPCK, 0u);
        EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
        EXPECT_EQ(tio.c_oflag & OPOST, 0u);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
        EXPECT_EQ(tio.c_cc[VMIN], 0);
        EXPECT_EQ(tio.c_cc[VTIME], 0);
    }

    EXPECT_TRUE(port_->Setup(38400));
    const termios fast = Settings();
    EXPECT_EQ(cfgetospeed(&fast), B38400);
    // A rate the boot programs do not know is refused, and the port keeps the one it has.
    for (std::uint32_t unknown : {0u, 4800u, 12345u, 230400u}) {
        EXPECT_FALSE(port_->Setup(unknown)) << unknown;
        const termios kept = Settings();
        EXPECT_EQ(cfgetospeed(&kept), B38400) << unknown;
    }
}

TEST_F(PosixSerialTest, SetupDiscardsStaleInputAndBytesPassUnchanged) {
    FromChip({0x11, 0x22});
    std::this_thread::sleep_for(20ms);
    port_->Setup(19200);
    EXPECT_TRUE(TimedRead(1).first.empty());

    // Every byte value, both ways, with no translation of CR, LF, XON or XOFF.
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
    port_->Write(all);
    std::vector<std::uint8_t> got(256);
    std::size_t n = 0;
    while (n < got.size()) {
        const ssize_t r = ::read(master_, got.data() + n, got.size() - n);
        ASSERT_GT(r, 0);
        n += static_cast<std::size_t>(r);
    }
    EXPECT_EQ(got, all);
    FromChip(all);
    EXPECT_EQ(TimedRead(256).first, all);
}

TEST_F(PosixSerialTest, EmptyReadsWaitOutTheirWindow) {
    port_->Setup(19200);
    for (std::size_t n : {1u, 2u, 10u, 50u}) {
        const auto [bytes, took] = TimedRead(n);
        EXPECT_TRUE(bytes.empty());
        EXPECT_GE(took, ReplyWindow(n)) << n;
        EXPECT_LT(took, ReplyWindow(n) + kLate) << n;
    }
}

TEST_F(PosixSerialTest, ReadReturnsAtTheLastRequestedByteOrWithWhatCameAtTheWindow) {
    port_->Setup(19200);
    FromChip({1, 2});
    auto [bytes, took] = TimedRead(2);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2}));
    EXPECT_LT(took, 10ms);

    FromChip({3, 4, 5});  // a partial reply: 3 of 10
    std::tie(bytes, took) = TimedRead(10);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{3, 4, 5}));
    EXPECT_GE(took, 70ms);
    EXPECT_LT(took, 70ms + kLate);
}

TEST_F(PosixSerialTest, TricklingReplyIsGatheredAcrossTheWindow) {
    port_->Setup(19200);
    std::thread chip([this] {
        for (std::uint8_t b = 1; b <= 5; ++b) {
            std::this_thread::sleep_for(5ms);
            FromChip({b});
        }
    });
    auto [bytes, took] = TimedRead(5);  // 50 ms window; the fifth byte comes at about 25 ms
    chip.join();
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
    EXPECT_GE(took, 25ms);
    EXPECT_LT(took, 50ms);

    std::thread late([this] {
        std::this_thread::sleep_for(80ms);
        FromChip({9});
    });
    std::tie(bytes, took) = TimedRead(1);  // 34 ms window: the byte comes after it
    late.join();
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(TimedRead(1).first, std::vector<std::uint8_t>{9});  // and waits for the next read
}

// How many descriptors the process holds.
int OpenDescriptors() {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                          std::filesystem::directory_iterator{}));
}

TEST_F(PosixSerialTest, OtherSideClosingEndsTheReadAtOnceAndReleasesTheDevice) {
    port_->Setup(19200);
    const int held = OpenDescriptors();
    // The other side goes 40 ms into a read whose window is 230 ms, as an adapter pulled out.
    std::thread unplug([this] {
        std::this_thread::sleep_for(40ms);
        ::close(master_);
    });
    const auto [bytes, took] = TimedRead(50);
    unplug.join();
    master_ = -1;
    EXPECT_TRUE(bytes.empty());
    EXPECT_GE(took, 40ms);
    EXPECT_LT(took, 40ms + kLate);
    const PortLoss loss = port_->Lost();
    EXPECT_EQ(loss.kind, PortLoss::Kind::Gone);
    EXPECT_EQ(loss.detail, "hang-up");
    EXPECT_EQ(OpenDescriptors(), held - 2);  // the master and the port's own

    // From then on nothing waits, and the loss stays.
    const std::vector<std::uint8_t> page(256, 0x55);
    const auto start = Clock::now();
    port_->Write(page);
    port_->Setup(19200);
    port_->DiscardInput();
    EXPECT_TRUE(TimedRead(50).first.empty());
    EXPECT_LT(Clock::now() - start, 5ms);
    EXPECT_EQ(port_->Lost().kind, PortLoss::Kind::Gone);
}

TEST_F(PosixSerialTest, RemovedDeviceNodeIsFoundWhenAReadWaitsOutItsWindow) {
    // Opened by a link, as /dev/serial/by-id names an adapter; the link goes when it is pulled.
    testing::TempDir dir;
    const std::string link = dir.Name("ttyADAPTER");
    ASSERT_EQ(::symlink(path_.c_str(), link.c_str()), 0);
    port_.reset();
    OpenResult opened = opener_.Open(link);
    ASSERT_NE(opened.port, nullptr) << opened.detail;
    port_ = std::move(opened.port);
    port_->Setup(19200);

    EXPECT_TRUE(TimedRead(1).first.empty());
    EXPECT_FALSE(port_->Lost());  // a silent chip behind a device that is there
    ASSERT_EQ(::unlink(link.c_str()), 0);
    FromChip({0x80, 0x0C});
    EXPECT_EQ(TimedRead(2).first, (std::vector<std::uint8_t>{0x80, 0x0C}));  // answers still count
    EXPECT_FALSE(port_->Lost());
    const auto [bytes, took] = TimedRead(1);
    EXPECT_TRUE(bytes.empty());
    EXPECT_GE(took, ReplyWindow(1));
    EXPECT_EQ(port_->Lost().kind, PortLoss::Kind::Gone);
    EXPECT_NE(port_->Lost().detail.find(link), std::string::npos) << port_->Lost().detail;

    // The name now belongs to another device: ours has gone all the same.
    int otherMaster = -1, otherSlave = -1;
    char other[64];
    ASSERT_EQ(openpty(&otherMaster, &otherSlave, other, nullptr, nullptr), 0);
    ASSERT_EQ(::symlink(path_.c_str(), link.c_str()), 0);
    opened = opener_.Open(link);
    ASSERT_NE(opened.port, nullptr) << opened.detail;
    ASSERT_EQ(::unlink(link.c_str()), 0);
    ASSERT_EQ(::symlink(other, link.c_str()), 0);
    std::vector<std::uint8_t> one(1);
    EXPECT_EQ(opened.port->Read(one), 0u);
    EXPECT_EQ(opened.port->Lost().kind, PortLoss::Kind::Gone);
    ::close(otherMaster);
    ::close(otherSlave);
}

TEST_F(PosixSerialTest, WriteTheLineNeverTakesLosesThePortWhenItsTimeIsUp) {
    port_->Setup(19200);
    // Nobody reads the other side: the terminal's queue fills, as a handshake that never lets
    // the adapter send would fill it.
    const std::vector<std::uint8_t> page(256, 0x55);
    Clock::duration last{};
    int writes = 0;
    while (!port_->Lost() && writes < 4096) {
        const auto start = Clock::now();
        port_->Write(page);
        last = Clock::now() - start;
        ++writes;
    }
    EXPECT_EQ(port_->Lost().kind, PortLoss::Kind::WriteStalled);
    EXPECT_GT(writes, 16);  // pages went into the queue until it was full
    // A page needs 134 ms at 19200 baud; it is given a whole millisecond a byte and a second.
    EXPECT_EQ(WriteWindow(256, 19200), 1256ms);
    EXPECT_GE(last, 1256ms);
    EXPECT_LT(last, 1256ms + kLate);
    EXPECT_NE(port_->Lost().detail.find("bytes taken in 1256 ms"), std::string::npos)
        << port_->Lost().detail;
}

TEST_F(PosixSerialTest, WriteThatWaitsForRoomWithinItsTimeGoesThrough) {
    port_->Setup(19200);
    // Fill the queue from the side the port writes to, until it takes no more even after the
    // terminal has had time to move what it holds on to the other side.
    ASSERT_EQ(fcntl(slave_, F_SETFL, fcntl(slave_, F_GETFL) | O_NONBLOCK), 0);
    std::size_t queued = 0;
    std::vector<std::uint8_t> filler(256, 0xAA);
    for (int refused = 0; refused < 3;) {
        const ssize_t n = ::write(slave_, filler.data(), filler.size());
        if (n > 0) {
            queued += static_cast<std::size_t>(n);
            refused = 0;
            continue;
        }
        ASSERT_EQ(errno, EAGAIN);
        ++refused;
        std::this_thread::sleep_for(20ms);
    }

    // The line drains after 300 ms, well within the page's 1256 ms.
    std::vector<std::uint8_t> page(256);
    for (int i = 0; i < 256; ++i) page[i] = static_cast<std::uint8_t>(i);
    std::vector<std::uint8_t> drained;
    std::thread line([&] {
        std::this_thread::sleep_for(300ms);
        std::uint8_t buffer[4096];
        while (drained.size() < queued + page.size()) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            drained.insert(drained.end(), buffer, buffer + n);
        }
    });
    const auto start = Clock::now();
    port_->Write(page);
    const auto took = Clock::now() - start;
    line.join();
    EXPECT_FALSE(port_->Lost()) << port_->Lost().detail;
    EXPECT_GE(took, 300ms);
    EXPECT_LT(took, 300ms + kLate);
    ASSERT_EQ(drained.size(), queued + page.size());
    EXPECT_TRUE(std::equal(page.begin(), page.end(), drained.end() - 256));
}

}  // namespace
}  // namespace bramblet
