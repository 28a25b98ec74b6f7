#include "writer/platform/System.h"

#include <unistd.h>

#include <ctime>

#include "writer/common/Text.h"

#include "writer/platform/posix/PortList.h"
#include "writer/platform/posix/PosixSerial.h"

namespace bramblet {

std::unique_ptr<PortOpener> SystemPortOpener(text::Lang lang) {
    const PortPlaces places = SystemPortPlaces();
    return std::make_unique<PosixPortOpener>(places.sys, places.dev, lang);
}

void PrepareConsole() {}

bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) == 1;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

std::string LocalTimeIso8601() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return IsoTime(local, local.tm_gmtoff);
}

// The terminal bell would ring in whatever terminal started the program, not at the window.
bool SystemBeep(std::uint32_t) {
    return false;
}

}  // namespace bramblet
