#pragma once
// The installer's run: discovery of the installed tools, the report, and the copies of the patch
// folders into them. Everything goes through the platform; nothing here touches the system.
#include <string>
#include <string_view>

#include "installer/Inventory.h"
#include "installer/Platform.h"

namespace kelpin {

enum class Family { M16c, M32c };

// The whole run from the banner to the final key press. Always 0.
int RunKelpin(Platform& platform);

// Scans HEW's "toolsdb.hdb" into the four kind tables. The number of records stored, or -1 when
// the file cannot be opened.
int ReadToolsDatabase(Platform& platform, std::string_view hewDir, ToolInventory& inventory);

// Every lookup, from the source directory to the default workspace directory.
void DiscoverTools(Platform& platform, ToolInventory& inventory);

// The project-generator folder that the family's "PG.ini" names for the installed compiler.
void FindGenerateFolder(Platform& platform, ToolInventory& inventory, Family family);

void ReportInventory(Platform& platform, const ToolInventory& inventory);

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
