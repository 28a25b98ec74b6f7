#include "writer/platform/System.h"

#include <unistd.h>

#include "writer/platform/posix/PosixSerial.h"

namespace bramblet {

std::unique_ptr<PortOpener> SystemPortOpener() { return std::make_unique<PosixPortOpener>(); }

void PrepareConsole() {}

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

// The terminal bell would ring in whatever terminal started the program, not at the window.
bool SystemBeep(std::uint32_t) { return false; }

}  // namespace bramblet
