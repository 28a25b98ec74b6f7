#pragma once
// Stopping a command that talks to a chip, on Ctrl-C or a termination request. The request is
// seen at the port: the read under way ends as it would, then the port is let go and reads as
// lost, so the step under way ends at once with its own text and the port is free again. A write
// that begins an exchange (the first after a read) is not sent once a stop is asked for, while the
// writes of one frame (a Page Program's header and data) always go out together, so the chip is
// never left with half a command.
#include <functional>
#include <memory>

#include "writer/link/SerialPort.h"

namespace bramblet {

// From now on SIGINT and SIGTERM ask every board to stop; a second one ends the program at once.
void CatchStopSignals();

// Whether a caught signal asked for a stop; safe from any thread.
bool StopRequested();

// The signal that asked for the stop, 0 while none has.
int StopSignal();

class StoppablePorts : public PortOpener {
public:
    StoppablePorts(PortOpener& ports, std::function<bool()> stopRequested)
        : ports_(ports), stopRequested_(std::move(stopRequested)) {}
    OpenResult Open(const std::string& name) override;

private:
    PortOpener& ports_;
    std::function<bool()> stopRequested_;
};

}  // namespace bramblet
