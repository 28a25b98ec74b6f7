#pragma once
#include "writer/link/SerialPort.h"

namespace bramblet {

// COM ports through the Win32 communications API, opened as "\\.\" + name.
class Win32PortOpener : public PortOpener {
public:
    OpenResult Open(const std::string& name) override;
};

}  // namespace bramblet
