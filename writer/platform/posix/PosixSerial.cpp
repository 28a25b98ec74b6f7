#include "writer/platform/posix/PosixSerial.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include "writer/platform/posix/PortList.h"

namespace bramblet {
namespace {

using Clock = std::chrono::steady_clock;

// termios's code for each rate the boot programs know.
std::optional<speed_t> Speed(std::uint32_t baud) {
    switch (baud) {
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return std::nullopt;
    }
}

// Asks the driver to pass on what it receives at once: an FTDI adapter then sets its latency
// timer to 1 ms instead of holding every short reply up to 16 ms. The flag is in the user's part
// of the serial flags, so no privilege is needed. A pseudo-terminal and drivers without serial
// flags refuse (ENOTTY, EINVAL); the port works as it is then. True when the flag was set here.
bool RequestLowLatency(int fd) {
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) != 0) return false;
    if (serial.flags & ASYNC_LOW_LATENCY) return false;
    serial.flags |= ASYNC_LOW_LATENCY;
    return ioctl(fd, TIOCSSERIAL, &serial) == 0;
}

// Gives the flag back as it was found, so that the next program meets the adapter as we did.
void ClearLowLatency(int fd) {
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) != 0) return;
    serial.flags &= ~ASYNC_LOW_LATENCY;
    ioctl(fd, TIOCSSERIAL, &serial);
}

class PosixSerialPort : public SerialPort {
public:
    PosixSerialPort(int fd, std::string path, bool lowLatencySet,
                    std::optional<std::chrono::milliseconds> latency, text::Lang lang)
        : fd_(fd),
          path_(std::move(path)),
          lowLatencySet_(lowLatencySet),
          latency_(latency),
          lang_(lang) {
        struct stat node {};
        if (::stat(path_.c_str(), &node) == 0) device_ = node.st_rdev;
    }
    ~PosixSerialPort() override { Release(); }

    bool Setup(std::uint32_t baud) override {
        const std::optional<speed_t> speed = IsLinkRate(baud) ? Speed(baud) : std::nullopt;
        if (fd_ < 0 || !speed) return false;
        baud_ = baud;
        // The driver's queue sizes are its own on POSIX; there is nothing to set for them.
        tcflush(fd_, TCIOFLUSH);
        termios tio{};
        if (tcgetattr(fd_, &tio) == 0) {
            // Raw 8N1 binary, no software flow control. Hardware handshake and the modem-control
            // settings stay as the driver has them.
            //
            // No INPCK: with it the line discipline hands over a byte that came with a framing
            // error as 0x00 (n_tty's parity-error path, which framing errors share), a byte that
            // may be the one a verify expects. Without it the byte comes as the UART assembled
            // it, as on the design's Windows port (fParity with NOPARITY checks nothing, and no
            // error character replaces the byte), so both ports hand over the same bytes.
            tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                             IXOFF | IXANY | INPCK);
            tio.c_oflag &= ~OPOST;
            tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
            tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
            tio.c_cflag |= CS8 | CREAD | CLOCAL;
            // Reads are paced by poll() against the reply window, never by VMIN/VTIME.
            tio.c_cc[VMIN] = 0;
            tio.c_cc[VTIME] = 0;
            cfsetispeed(&tio, *speed);
            cfsetospeed(&tio, *speed);
            tcsetattr(fd_, TCSANOW, &tio);
        }
        // A pseudo-terminal has no DTR line; the call fails there and that is fine. A DTR that
        // SetLine has set stays as set: a board may hold its chip's RESET or mode pin with it.
        if (!dtrSet_) {
            int dtr = TIOCM_DTR;
            ioctl(fd_, TIOCMBIS, &dtr);
        }
        return true;
    }

    std::string SetLine(ModemLine line, bool asserted) override {
        if (fd_ < 0) return text::Say(text::Tx::PortClosed, lang_);
        int bits = line == ModemLine::Dtr ? TIOCM_DTR : TIOCM_RTS;
        // A pseudo-terminal fails with ENOTTY: it has no modem lines.
        if (ioctl(fd_, asserted ? TIOCMBIS : TIOCMBIC, &bits) != 0) return std::strerror(errno);
        if (line == ModemLine::Dtr) dtrSet_ = true;
        return {};
    }

    void Write(std::span<const std::uint8_t> bytes) override {
        if (fd_ < 0) return;
        const auto window = WriteWindow(bytes.size(), baud_);
        const auto deadline = Clock::now() + window;
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN) {
                Lose(PortLoss::Kind::Gone, std::strerror(errno));
                return;
            }
            // The driver's queue is full: wait for room, as long as the write's time allows.
            const int ready = Wait(POLLOUT, deadline);
            if (ready < 0) return;
            if (ready == 0) {
                Lose(PortLoss::Kind::WriteStalled,
                     text::Say(text::Tx::PortStalled, lang_,
                               {std::to_string(done), std::to_string(bytes.size()),
                                std::to_string(window.count())}));
                return;
            }
        }
    }

    std::size_t Read(std::span<std::uint8_t> buffer) override {
        if (fd_ < 0) return 0;
        const auto deadline = Clock::now() + ReplyWindow(buffer.size());
        std::size_t got = 0;
        while (got < buffer.size()) {
            const int ready = Wait(POLLIN, deadline);
            if (ready < 0) break;
            if (ready == 0) {
                CheckDeviceNode();
                break;
            }
            const ssize_t n = ::read(fd_, buffer.data() + got, buffer.size() - got);
            if (n > 0) {
                got += static_cast<std::size_t>(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            } else {
                // A terminal that has been hung up reads as the end of a file.
                Lose(PortLoss::Kind::Gone, n == 0 ? "hang-up" : std::strerror(errno));
                break;
            }
        }
        return got;
    }

    void DiscardInput() override {
        if (fd_ >= 0) tcflush(fd_, TCIFLUSH);
    }

    PortLoss Lost() const override { return loss_; }

    void Pause(std::chrono::milliseconds time) override { std::this_thread::sleep_for(time); }

    std::optional<std::chrono::milliseconds> AdapterLatency() const override { return latency_; }

private:
    // Waits until the port is ready for `events` or the deadline has passed: 1 when ready, 0 at
    // the deadline, -1 when the port was lost meanwhile. A terminal that has been hung up (its
    // device unplugged, the other side of a pseudo-terminal closed) polls as ready at once and
    // for ever, with POLLHUP or POLLERR.
    int Wait(short events, Clock::time_point deadline) {
        for (;;) {
            // To the nanosecond: poll()'s whole milliseconds would stretch every window.
            const auto left =
                std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now());
            if (left.count() <= 0) return 0;
            const timespec timeout{static_cast<time_t>(left.count() / 1'000'000'000),
                                   static_cast<long>(left.count() % 1'000'000'000)};
            pollfd p{fd_, events, 0};
            const int ready = ::ppoll(&p, 1, &timeout, nullptr);
            if (ready < 0 && errno == EINTR) continue;
            if (ready < 0) {
                Lose(PortLoss::Kind::Gone, std::strerror(errno));
                return -1;
            }
            if (ready == 0) return 0;
            if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
                Lose(PortLoss::Kind::Gone, "hang-up");
                return -1;
            }
            return 1;
        }
    }

    // Some drivers remove the device node of an unplugged adapter without hanging up the
    // terminals open on it; a node that has gone, or that now names another device, means ours
    // has gone. Looked at only when a read has waited out its window, so it costs a present
    // chip nothing.
    void CheckDeviceNode() {
        if (!device_) return;
        struct stat node {};
        if (::stat(path_.c_str(), &node) == 0) {
            if (node.st_rdev != *device_)
                Lose(PortLoss::Kind::Gone, text::Say(text::Tx::PortNamesAnother, lang_, {path_}));
        } else if (errno == ENOENT || errno == ENOTDIR || errno == ENXIO || errno == ENODEV ||
                   errno == EIO) {
            Lose(PortLoss::Kind::Gone, path_ + ": " + std::strerror(errno));
        }
    }

    void Lose(PortLoss::Kind kind, std::string detail) {
        loss_ = {kind, std::move(detail)};
        Release();
    }

    void Release() {
        if (fd_ < 0) return;
        // Output a handshake holds back would keep close() waiting for the driver's closing
        // time (30 s on Linux); every sequence has read its last answer when it closes, so
        // nothing unsent is still wanted.
        tcflush(fd_, TCOFLUSH);
        if (lowLatencySet_) ClearLowLatency(fd_);
        // The exclusive flag belongs to the terminal, not to this descriptor: on a device that
        // someone else keeps open (a pseudo-terminal's other side) it would outlive the close
        // and lock every later opener out.
        ioctl(fd_, TIOCNXCL);
        ::close(fd_);  // releases the flock
        fd_ = -1;
    }

    int fd_;
    const std::string path_;
    std::optional<dev_t> device_;  // what the path named when the port was opened
    const bool lowLatencySet_;
    const std::optional<std::chrono::milliseconds> latency_;
    const text::Lang lang_;
    std::uint32_t baud_ = kBaudNormal;
    bool dtrSet_ = false;
    PortLoss loss_;
};

OpenError ErrorKind(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return OpenError::NotFound;
        case EACCES:
        case EPERM:
            return OpenError::PermissionDenied;
        case EBUSY:
        case EWOULDBLOCK:
            return OpenError::Busy;
        default:
            return OpenError::Other;
    }
}

}  // namespace

std::string PosixDevicePath(const std::string& name, const std::filesystem::path& dev) {
    if (name.empty() || name.find('/') != std::string::npos) return name;
    return (dev / name).string();
}

OpenResult PosixPortOpener::Open(const std::string& name) {
    OpenResult result;
    const std::string path = PosixDevicePath(name, dev_);
    if (path.empty()) {
        result.error = OpenError::NotFound;
        result.detail = text::Say(text::Tx::PortNoName, lang_);
        return result;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        result.error = ErrorKind(error);
        result.detail = path + ": " + std::strerror(error);
        return result;
    }
    if (!isatty(fd)) {
        ::close(fd);
        result.error = OpenError::InvalidName;
        result.detail = text::Say(text::Tx::PortNotSerial, lang_, {path});
        return result;
    }
    // TIOCEXCL refuses further opens of the device, except by root; the lock also keeps out
    // a second writer running as root.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
        const int error = errno;
        ::close(fd);
        result.error = OpenError::Busy;
        result.detail = path + ": " + std::strerror(error);
        return result;
    }
    const bool lowLatencySet = RequestLowLatency(fd);
    // Read after the request: the driver has set the timer by then. The kernel's name for the
    // device is the node's own, whatever link the user opened it by (/dev/serial/by-id/...); a
    // bare name is the node's.
    std::error_code ec;
    const std::string tty = name.find('/') == std::string::npos
                                ? name
                                : std::filesystem::canonical(path, ec).filename().string();
    std::optional<std::chrono::milliseconds> latency;
    if (const std::optional<int> ms = ec ? std::nullopt : LatencyTimer(sys_, tty)) {
        latency = std::chrono::milliseconds(*ms);
    }
    result.port = std::make_unique<PosixSerialPort>(fd, path, lowLatencySet, latency, lang_);
    return result;
}

}  // namespace bramblet
