#pragma once
// Finding the installed tools and the report of what was found. Everything goes through the
// platform; nothing here touches the system.
#include <string_view>

#include "installer/Inventory.h"
#include "installer/Platform.h"
#include "text/Catalogue.h"

namespace kelpin {

// The texts printed on the way are in `lang`.

// Scans HEW's "toolsdb.hdb" into the four kind tables. The number of records stored, or -1 when
// the file cannot be opened.
int ReadToolsDatabase(Platform& platform, std::string_view hewDir, ToolInventory& inventory,
                      text::Lang lang = text::Lang::Ja);

// Every lookup, from the source directory to the default workspace directory.
void DiscoverTools(Platform& platform, ToolInventory& inventory, text::Lang lang = text::Lang::Ja);

void ReportInventory(Platform& platform, const ToolInventory& inventory,
                     text::Lang lang = text::Lang::Ja);

}  // namespace kelpin
