#pragma once
#include <cstdint>

#include "text/Catalogue.h"
#include "writer/link/SerialPort.h"

namespace bramblet {

// COM ports through the Win32 communications API, opened as "\\.\" + name.
class Win32PortOpener : public PortOpener {
public:
    explicit Win32PortOpener(text::Lang lang = text::Lang::En) : lang_(lang) {}
    OpenResult Open(const std::string& name) override;

private:
    text::Lang lang_;
};

// The time-outs a port is given at `baud`, in the order and the milliseconds of COMMTIMEOUTS:
// the reply window for reads, and for writes the time their bytes need plus a margin.
struct CommTimeoutValues {
    std::uint32_t readInterval;
    std::uint32_t readTotalMultiplier;
    std::uint32_t readTotalConstant;
    std::uint32_t writeTotalMultiplier;
    std::uint32_t writeTotalConstant;

    bool operator==(const CommTimeoutValues&) const = default;
};

CommTimeoutValues CommTimeoutsFor(std::uint32_t baud);

}  // namespace bramblet
