#pragma once
// The folder where bramblet-sim publishes a link to each simulated chip's pseudo-terminal
// ("R8C-1234" -> /dev/pts/5), so that the port list can offer simulated chips next to real
// ports. Per user: the runtime folder when the session has one, else a folder in /tmp.
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace bramblet {

inline std::string SimulatedPortFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return std::string(runtime) + "/bramblet-sim";
    return "/tmp/bramblet-sim-" + std::to_string(getuid());
}

}  // namespace bramblet
