// Kelpin's reader of Wine's registry hive files: any text, one key asked for by a fixed name and
// one by the name of the text's first key line. It must stay within the text it is given.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "installer/RegFile.h"

namespace {

void Check(bool holds) {
    if (!holds) std::abort();
}

void Lookup(std::string_view hive, std::string_view key) {
    const std::optional<std::string> value = kelpin::RegDefaultValue(hive, key);
    // Every escape is at least as long as the UTF-8 it stands for.
    if (value) Check(value->size() <= hive.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view hive(reinterpret_cast<const char*>(data), size);
    Lookup(hive, "Software\\Classes\\HEW_Workspace\\DefaultIcon");
    const std::size_t open = hive.find('[');
    if (open != std::string_view::npos) {
        const std::size_t close = hive.find(']', open);
        Lookup(hive, hive.substr(open + 1, close == std::string_view::npos ? 0 : close - open - 1));
    }
    return 0;
}
