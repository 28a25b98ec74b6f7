#pragma once
// Serial ports that keep the window painted. An erase of a large flash keeps the status poll
// reading for seconds with no status change in between; after a read that comes at least a tick
// after the last one, `keepAlive` lets the window paint and answer the window system, so the
// desktop does not take the program for hung. Never after a write: a command's frame can be two
// writes (a Page Program's header and data), and a repaint between them longer than the chip's
// receive time-out would make the chip drop the frame and read the data as commands. A read never
// falls inside a frame the chip is receiving, and what arrives meanwhile waits in the driver.
#include <chrono>
#include <functional>

#include "writer/link/ForwardingPort.h"

namespace bramblet {

class ResponsivePorts : public PortOpener {
public:
    ResponsivePorts(PortOpener& ports, std::function<void()> keepAlive)
        : ports_(ports), keepAlive_(std::move(keepAlive)) {}

    OpenResult Open(const std::string& name) override {
        OpenResult result = ports_.Open(name);
        if (result.port) result.port = std::make_unique<Port>(std::move(result.port), *this);
        return result;
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kTick{50};

    class Port : public ForwardingPort {
    public:
        Port(std::unique_ptr<SerialPort> port, ResponsivePorts& owner)
            : ForwardingPort(std::move(port)), owner_(owner) {}
        std::size_t Read(std::span<std::uint8_t> buffer) override {
            const std::size_t n = ForwardingPort::Read(buffer);
            owner_.Tick();
            return n;
        }

    private:
        ResponsivePorts& owner_;
    };

    void Tick() {
        const auto now = Clock::now();
        if (now - last_ < kTick) return;
        last_ = now;
        keepAlive_();
    }

    PortOpener& ports_;
    std::function<void()> keepAlive_;
    Clock::time_point last_{};
};

}  // namespace bramblet
