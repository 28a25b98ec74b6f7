#include "installer/platform/System.h"
#include "installer/platform/posix/WinePrefix.h"

namespace kelpin {

std::unique_ptr<Platform> SystemPlatform() {
    return std::make_unique<WinePrefix>(WinePrefix::Default());
}

}  // namespace kelpin
