#pragma once
// Finding the installed tools and the report of what was found. Everything goes through the
// platform; nothing here touches the system.
#include <string_view>

#include "installer/Inventory.h"
#include "installer/Platform.h"

namespace kelpin {

// Scans HEW's "toolsdb.hdb" into the four kind tables. The number of records stored, or -1 when
// the file cannot be opened.
int ReadToolsDatabase(Platform& platform, std::string_view hewDir, ToolInventory& inventory);

// Every lookup, from the source directory to the default workspace directory.
void DiscoverTools(Platform& platform, ToolInventory& inventory);

void ReportInventory(Platform& platform, const ToolInventory& inventory);

}  // namespace kelpin
