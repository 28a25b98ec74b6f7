// Serial ports on Linux: the kernel's serial devices, and the terminals of simulated chips.
#include "writer/platform/posix/PortList.h"
#include "writer/platform/posix/SimulatedPorts.h"

#include <sys/stat.h>

#include <fstream>

namespace bramblet {

namespace fs = std::filesystem;

std::vector<std::string> KernelSerialPorts(const fs::path& sysClassTty) {
    std::vector<std::string> ports;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(sysClassTty, ec)) {
        // Consoles and pseudo-terminals have no device behind them; USB serial, ACM and UARTs do.
        if (!fs::exists(entry.path() / "device", ec)) continue;
        // The 8250 driver registers every legacy port it could have, present or not; the ones
        // with no UART found report port type 0 (PORT_UNKNOWN).
        std::ifstream typeFile(entry.path() / "type");
        int type = -1;
        if (typeFile >> type && type == 0) continue;
        ports.push_back(entry.path().filename().string());
    }
    return ports;
}

std::vector<std::string> SimulatedPorts(const fs::path& folder) {
    std::vector<std::string> ports;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        // A link left behind by a simulator that has ended points nowhere; leave it out.
        struct stat st {};
        if (::stat(entry.path().c_str(), &st) == 0 && S_ISCHR(st.st_mode)) {
            ports.push_back(entry.path().string());
        }
    }
    return ports;
}

std::optional<std::vector<std::string>> SystemPortNames() {
    std::vector<std::string> ports = KernelSerialPorts("/sys/class/tty");
    for (std::string& sim : SimulatedPorts(SimulatedPortFolder())) ports.push_back(std::move(sim));
    return ports;
}

}  // namespace bramblet
