#include "installer/Kelpin.h"

#include "installer/Deployment.h"
#include "installer/Discovery.h"

namespace kelpin {

int RunKelpin(Platform& platform) {
    platform.Write("Kelpin Installer\n");
    ToolInventory inventory;
    DiscoverTools(platform, inventory);
    ReportInventory(platform, inventory);
    DeployPatches(platform, inventory);
    return 0;
}

}  // namespace kelpin
