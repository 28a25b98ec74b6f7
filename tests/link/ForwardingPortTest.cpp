// A decorated port still tells its adapter's latency, before and after it lets the port go.
#include <gtest/gtest.h>

#include "writer/link/ForwardingPort.h"

namespace bramblet {
namespace {

using std::chrono::milliseconds;

class SlowAdapter : public SerialPort {
public:
    bool Setup(std::uint32_t) override { return true; }
    void Write(std::span<const std::uint8_t>) override {}
    std::size_t Read(std::span<std::uint8_t>) override { return 0; }
    void DiscardInput() override {}
    PortLoss Lost() const override { return {}; }
    std::optional<milliseconds> AdapterLatency() const override { return milliseconds(16); }
    std::string SetLine(ModemLine, bool) override { return {}; }
    void Pause(milliseconds) override {}
};

class Releasing : public ForwardingPort {
public:
    using ForwardingPort::ForwardingPort;
    void Release() { ReleaseInner(); }
};

TEST(ForwardingPort, AdapterLatencyGoesThrough) {
    Releasing port(std::make_unique<SlowAdapter>());
    EXPECT_EQ(port.AdapterLatency(), milliseconds(16));
    port.Release();
    EXPECT_EQ(port.AdapterLatency(), std::nullopt);
}

}  // namespace
}  // namespace bramblet
