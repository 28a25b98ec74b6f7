#include "writer/platform/posix/PosixSerial.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace bramblet {
namespace {

using Clock = std::chrono::steady_clock;

// The rates the boot programs know; anything else is taken as the design's 19200.
speed_t Speed(std::uint32_t baud) {
    switch (baud) {
        case 9600: return B9600;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        default: return B19200;
    }
}

class PosixSerialPort : public SerialPort {
public:
    explicit PosixSerialPort(int fd) : fd_(fd) {}
    ~PosixSerialPort() override {
        // The exclusive flag belongs to the terminal, not to this descriptor: on a device that
        // someone else keeps open (a pseudo-terminal's other side) it would outlive the close
        // and lock every later opener out.
        ioctl(fd_, TIOCNXCL);
        ::close(fd_);  // releases the flock
    }

    void Setup(std::uint32_t baud) override {
        // The driver's queue sizes are its own on POSIX; there is nothing to set for them.
        tcflush(fd_, TCIOFLUSH);
        termios tio{};
        if (tcgetattr(fd_, &tio) == 0) {
            // Raw 8N1 binary, no software flow control. Hardware handshake and the modem-control
            // settings stay as the driver has them.
            tio.c_iflag &=
                ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
            tio.c_iflag |= INPCK;
            tio.c_oflag &= ~OPOST;
            tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
            tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
            tio.c_cflag |= CS8 | CREAD | CLOCAL;
            // Reads are paced by poll() against the reply window, never by VMIN/VTIME.
            tio.c_cc[VMIN] = 0;
            tio.c_cc[VTIME] = 0;
            const speed_t speed = Speed(baud);
            cfsetispeed(&tio, speed);
            cfsetospeed(&tio, speed);
            tcsetattr(fd_, TCSANOW, &tio);
        }
        // A pseudo-terminal has no DTR line; the call fails there and that is fine.
        int dtr = TIOCM_DTR;
        ioctl(fd_, TIOCMBIS, &dtr);
    }

    void Write(std::span<const std::uint8_t> bytes) override {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EAGAIN) {
                pollfd p{fd_, POLLOUT, 0};
                ::poll(&p, 1, -1);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                return;  // the device has gone; the reads that follow will find nothing
            }
        }
    }

    std::size_t Read(std::span<std::uint8_t> buffer) override {
        const auto deadline = Clock::now() + ReplyWindow(buffer.size());
        std::size_t got = 0;
        while (got < buffer.size()) {
            // To the nanosecond: poll()'s whole milliseconds would stretch every window.
            const auto left =
                std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now());
            if (left.count() <= 0) break;
            const timespec timeout{static_cast<time_t>(left.count() / 1'000'000'000),
                                   static_cast<long>(left.count() % 1'000'000'000)};
            pollfd p{fd_, POLLIN, 0};
            const int ready = ::ppoll(&p, 1, &timeout, nullptr);
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) break;
            const ssize_t n = ::read(fd_, buffer.data() + got, buffer.size() - got);
            if (n > 0) {
                got += static_cast<std::size_t>(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            } else {
                // Disconnected devices, at least on Linux, are always ready to read and reading
                // returns nothing. Wait out the window so the protocol keeps its pace.
                std::this_thread::sleep_until(deadline);
                break;
            }
        }
        return got;
    }

    void DiscardInput() override { tcflush(fd_, TCIFLUSH); }

private:
    int fd_;
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

std::string PosixDevicePath(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) return name;
    return "/dev/" + name;
}

OpenResult PosixPortOpener::Open(const std::string& name) {
    OpenResult result;
    const std::string path = PosixDevicePath(name);
    if (path.empty()) {
        result.error = OpenError::NotFound;
        result.detail = "no port name";
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
        result.detail = path + ": not a serial device";
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
    result.port = std::make_unique<PosixSerialPort>(fd);
    return result;
}

}  // namespace bramblet
