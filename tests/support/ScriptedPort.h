#pragma once
// A serial port whose other end is a function: every write goes to `answer`, whose bytes then
// wait to be read. No time passes; a read takes what is waiting, up to its count.
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "writer/link/SerialPort.h"

namespace bramblet::testing {

struct Script {
    std::function<std::vector<std::uint8_t>(const std::vector<std::uint8_t>&)> answer;
    std::vector<std::vector<std::uint8_t>> writes;
    std::vector<std::size_t> reads;  // the count each read asked for
    std::deque<std::uint8_t> waiting;
    std::vector<std::uint32_t> rates;
    int discards = 0;
    // Set (by `answer`, say) to lose the port: from then on nothing goes out and reads get nothing.
    PortLoss loss;

    // How many writes began with `first`.
    int Count(std::uint8_t first) const {
        int n = 0;
        for (const auto& w : writes) n += !w.empty() && w[0] == first;
        return n;
    }
};

class ScriptedPort : public SerialPort {
public:
    explicit ScriptedPort(Script& script) : script_(script) {}

    bool Setup(std::uint32_t baud) override {
        script_.rates.push_back(baud);
        script_.waiting.clear();
        return true;
    }
    void Write(std::span<const std::uint8_t> bytes) override {
        if (script_.loss) return;
        script_.writes.emplace_back(bytes.begin(), bytes.end());
        if (!script_.answer) return;
        for (std::uint8_t b : script_.answer(script_.writes.back())) script_.waiting.push_back(b);
    }
    std::size_t Read(std::span<std::uint8_t> buffer) override {
        script_.reads.push_back(buffer.size());
        if (script_.loss) return 0;
        std::size_t n = 0;
        for (; n < buffer.size() && !script_.waiting.empty(); ++n) {
            buffer[n] = script_.waiting.front();
            script_.waiting.pop_front();
        }
        return n;
    }
    void DiscardInput() override {
        ++script_.discards;
        script_.waiting.clear();
    }
    PortLoss Lost() const override { return script_.loss; }
    std::string SetLine(ModemLine, bool) override { return "the port has no modem lines"; }
    void Pause(std::chrono::milliseconds) override {}

private:
    Script& script_;
};

class ScriptedPorts : public PortOpener {
public:
    explicit ScriptedPorts(Script& script) : script_(script) {}
    OpenResult Open(const std::string&) override {
        OpenResult result;
        result.port = std::make_unique<ScriptedPort>(script_);
        return result;
    }

private:
    Script& script_;
};

}  // namespace bramblet::testing
