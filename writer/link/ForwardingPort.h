#pragma once
// The base of a port that wraps another: every call goes through to the wrapped port, so a
// decorator overrides only what it changes, and what it does not mention (a lost port above all)
// still reaches its caller.
#include <memory>
#include <utility>

#include "writer/link/SerialPort.h"

namespace bramblet {

class ForwardingPort : public SerialPort {
public:
    explicit ForwardingPort(std::unique_ptr<SerialPort> port) : port_(std::move(port)) {}

    bool Setup(std::uint32_t baud) override { return port_->Setup(baud); }
    void Write(std::span<const std::uint8_t> bytes) override { port_->Write(bytes); }
    std::size_t Read(std::span<std::uint8_t> buffer) override { return port_->Read(buffer); }
    void DiscardInput() override { port_->DiscardInput(); }
    PortLoss Lost() const override { return port_->Lost(); }
    // Asked about after a decorator may have let its port go (a stopped board's result).
    std::optional<std::chrono::milliseconds> AdapterLatency() const override {
        return port_ ? port_->AdapterLatency() : std::nullopt;
    }
    std::string SetLine(ModemLine line, bool asserted) override {
        return port_->SetLine(line, asserted);
    }
    void Pause(std::chrono::milliseconds time) override { port_->Pause(time); }

protected:
    // The wrapped port; null once released.
    SerialPort* Inner() const { return port_.get(); }
    // Closes the wrapped port before the decorator goes. A decorator that releases it answers
    // every call itself from then on.
    void ReleaseInner() { port_.reset(); }

private:
    std::unique_ptr<SerialPort> port_;
};

}  // namespace bramblet
