#pragma once
// Opening a write file, the same for every reader of one.
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "writer/common/Text.h"

namespace bramblet {

// Opens the file named in UTF-8 for binary reading into a closed `stream`. A folder is refused:
// opening one succeeds on some systems and only the first read fails.
inline bool OpenForReading(std::ifstream& stream, const std::string& utf8Name) {
    if (utf8Name.empty()) return false;
    const std::filesystem::path path = Utf8Path(utf8Name);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    stream.open(path, std::ios::in | std::ios::binary);
    return stream.is_open();
}

}  // namespace bramblet
