#pragma once
#include "writer/link/SerialPort.h"

namespace bramblet {

// termios serial ports. A bare name such as ttyUSB0 is looked up under /dev.
class PosixPortOpener : public PortOpener {
public:
    OpenResult Open(const std::string& name) override;
};

std::string PosixDevicePath(const std::string& name);

}  // namespace bramblet
