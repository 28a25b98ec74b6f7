#pragma once
#include <memory>

#include "installer/Platform.h"

namespace kelpin {

// The installer's view of this system: the Windows calls on Windows; elsewhere the tools inside
// the user's Wine prefix.
std::unique_ptr<Platform> SystemPlatform();

}  // namespace kelpin
