#pragma once
#include <filesystem>

#include "text/Catalogue.h"
#include "writer/link/SerialPort.h"

namespace bramblet {

// termios serial ports. A bare name such as ttyUSB0 is looked up under `dev`; `sys` is where
// sysfs is mounted, where a USB adapter's latency timer is read.
class PosixPortOpener : public PortOpener {
public:
    explicit PosixPortOpener(std::filesystem::path sys = "/sys", std::filesystem::path dev = "/dev",
                             text::Lang lang = text::Lang::En)
        : sys_(std::move(sys)), dev_(std::move(dev)), lang_(lang) {}
    OpenResult Open(const std::string& name) override;

private:
    std::filesystem::path sys_;
    std::filesystem::path dev_;
    text::Lang lang_;
};

std::string PosixDevicePath(const std::string& name, const std::filesystem::path& dev = "/dev");

}  // namespace bramblet
