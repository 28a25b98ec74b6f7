#include "writer/cli/Stop.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "writer/link/ForwardingPort.h"

namespace bramblet {
namespace {

// Written by the signal handler and read by every board's thread: it must be an atomic that
// needs no lock, which a handler may touch.
std::atomic<int> gStopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnStopSignal(int signal) {
    // The signal may land between a board's failed read and its look at errno.
    const int savedErrno = errno;
    int none = 0;
    // A second request does not wait for the boards: the user means it.
    if (!gStopSignal.compare_exchange_strong(none, signal)) std::_Exit(128 + none);
    std::signal(signal, OnStopSignal);  // where the C library resets it on delivery
    errno = savedErrno;
}

// Once stopped it has let its port go, so it answers every call itself.
class StoppablePort : public ForwardingPort {
public:
    StoppablePort(std::unique_ptr<SerialPort> port, const std::function<bool()>& stopRequested)
        : ForwardingPort(std::move(port)), stopRequested_(stopRequested) {}

    bool Setup(std::uint32_t baud) override { return Inner() && Inner()->Setup(baud); }

    void Write(std::span<const std::uint8_t> bytes) override {
        if (afterRead_ && Stopping()) return;
        afterRead_ = false;
        if (Inner()) Inner()->Write(bytes);
    }

    std::size_t Read(std::span<std::uint8_t> buffer) override {
        if (!Inner()) return 0;
        const std::size_t n = Inner()->Read(buffer);
        afterRead_ = true;
        return Stopping() ? 0 : n;
    }

    void DiscardInput() override {
        if (Inner()) Inner()->DiscardInput();
    }

    PortLoss Lost() const override {
        if (!Inner()) return {PortLoss::Kind::Stopped, ""};
        return Inner()->Lost();
    }

    std::string SetLine(ModemLine line, bool asserted) override {
        return Inner() ? Inner()->SetLine(line, asserted) : "stopped";
    }

    // In slices, so that a stop asked for during a long wait is seen within one.
    void Pause(std::chrono::milliseconds time) override {
        constexpr std::chrono::milliseconds kSlice{50};
        while (time.count() > 0 && !Stopping()) {
            const auto slice = std::min(time, kSlice);
            Inner()->Pause(slice);
            time -= slice;
        }
    }

private:
    // True, with the port closed, once a stop has been asked for. A port that has gone already
    // keeps saying why.
    bool Stopping() {
        if (Inner() && !Inner()->Lost() && stopRequested_()) ReleaseInner();
        return !Inner();
    }

    const std::function<bool()>& stopRequested_;
    bool afterRead_ = true;  // the first write begins an exchange
};

}  // namespace

void CatchStopSignals() {
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
}

bool StopRequested() {
    return gStopSignal.load() != 0;
}

int StopSignal() {
    return gStopSignal.load();
}

OpenResult StoppablePorts::Open(const std::string& name) {
    OpenResult result = ports_.Open(name);
    if (result.port) {
        result.port = std::make_unique<StoppablePort>(std::move(result.port), stopRequested_);
    }
    return result;
}

}  // namespace bramblet
