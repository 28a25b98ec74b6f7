#pragma once
// A port whose reply windows allow for an adapter that holds short replies (a USB adapter's
// latency timer): a read that ends short goes on reading for at least the allowance more,
// returning as soon as the rest is there. The wrapped port's windows are whole reads, so the
// allowance is met in reads of its own and may run over it by up to one one-byte window.
#include <algorithm>
#include <chrono>
#include <memory>

#include "writer/link/ForwardingPort.h"

namespace bramblet {

class AllowancePort : public ForwardingPort {
public:
    AllowancePort(std::unique_ptr<SerialPort> port, std::chrono::milliseconds allowance)
        : ForwardingPort(std::move(port)), allowance_(allowance) {}

    std::size_t Read(std::span<std::uint8_t> buffer) override {
        std::size_t got = ForwardingPort::Read(buffer);
        // A read that ends short has waited out its whole window.
        auto left = allowance_;
        while (got < buffer.size() && left > std::chrono::milliseconds{0} && !Lost()) {
            const std::size_t ask = std::min(buffer.size() - got, Fitting(left));
            const std::size_t n = ForwardingPort::Read(buffer.subspan(got, ask));
            got += n;
            if (n < ask) left -= ReplyWindow(ask);
        }
        return got;
    }

private:
    // The most bytes a read may ask for with its window within `left`, one at least.
    static std::size_t Fitting(std::chrono::milliseconds left) {
        const auto over = left - ReplyWindow(0);
        return over < kReplyWindowPerByte ? 1
                                          : static_cast<std::size_t>(over / kReplyWindowPerByte);
    }

    const std::chrono::milliseconds allowance_;
};

}  // namespace bramblet
