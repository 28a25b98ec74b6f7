// Kelpin's scan of HEW's tools database: any text read as the file. Every record stays within
// its fields and its kind's table, and what is stored comes from the text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "installer/Discovery.h"
#include "tests/installer/FakePlatform.h"

namespace {

void Check(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    kelpin::testing::FakePlatform platform;
    platform.files["C:\\Hew\\toolsdb.hdb"] = text;
    kelpin::ToolInventory inventory;
    const int stored = kelpin::ReadToolsDatabase(platform, "C:\\Hew", inventory);
    int counted = 0;
    for (int kind = 1; kind <= 4; ++kind) {
        const kelpin::KindTable& table = inventory.kinds[kind];
        Check(table.count >= 0 && table.count <= kelpin::KindTable::kEntries);
        Check(table.found == (table.count > 0));
        counted += table.count;
        for (int i = 0; i < table.count; ++i) {
            const kelpin::ToolRecord& r = table.entries[i];
            Check(r.version.View().size() <= 19 && r.path.View().size() <= 139);
            Check(text.find(r.version.View()) != std::string::npos);
            Check(text.find(r.path.View()) != std::string::npos);
        }
    }
    Check(stored >= counted);
    Check(inventory.kinds[0].count == 0);
    Check(platform.output == "Scaning R8C/M16C/M32C toolchain and debugger ....\n");
    return 0;
}
