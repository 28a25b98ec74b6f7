#pragma once
// The copies of the patch folders into what discovery found. Everything goes through the
// platform; nothing here touches the system.
#include <string>
#include <string_view>

#include "installer/Inventory.h"
#include "installer/Platform.h"

namespace kelpin {

// The xcopy command line that copies the whole tree of `sourceDir` + `subfolder` into
// `destination`, which may end in a backslash.
std::string CopyCommandLine(std::string_view sourceDir, std::string_view subfolder,
                            std::string_view destination);

// Prints the copy's command line and runs it. A copy whose paths the command interpreter would
// not take as written (a quote, a control character, a percent sign) is refused with a message
// and nothing of it runs.
void RunCopy(Platform& platform, std::string_view sourceDir, std::string_view subfolder,
             std::string_view destination);

// The seven patch groups, the completion message and the final key press.
void DeployPatches(Platform& platform, const ToolInventory& inventory);

}  // namespace kelpin
