#pragma once
// The installer's run: discovery of the installed tools, the report, and the copies of the patch
// folders into them.
#include "installer/Platform.h"

namespace kelpin {

// The whole run from the banner to the final key press. Always 0.
int RunKelpin(Platform& platform);

}  // namespace kelpin
