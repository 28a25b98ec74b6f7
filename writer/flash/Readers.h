#pragma once
// The readers of each format, for FileFormats.cpp's table. Nothing when the file cannot be opened.
#include <cstdint>
#include <memory>
#include <string>

#include "writer/flash/PageAssembler.h"

namespace bramblet {

std::unique_ptr<RecordSource> OpenSRecords(const std::string& utf8Name);
std::unique_ptr<RecordSource> OpenIntelHex(const std::string& utf8Name);
std::unique_ptr<RecordSource> OpenElf(const std::string& utf8Name);
std::unique_ptr<RecordSource> OpenBinary(const std::string& utf8Name, std::uint32_t base);

}  // namespace bramblet
