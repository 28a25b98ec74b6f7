#include "platform/System.h"
#include "platform/posix/PosixSerial.h"

namespace bramblet {

std::unique_ptr<PortOpener> SystemPortOpener() { return std::make_unique<PosixPortOpener>(); }

void PrepareConsole() {}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace bramblet
