#pragma once
// The readers of each format, for FileFormats.cpp's table, with their problems in `lang`. Nothing
// when the file cannot be opened.
#include <cstdint>
#include <memory>
#include <string>

#include "text/Catalogue.h"
#include "writer/flash/PageAssembler.h"

namespace bramblet {

std::unique_ptr<RecordSource> OpenSRecords(const std::string& utf8Name);
std::unique_ptr<RecordSource> OpenIntelHex(const std::string& utf8Name, text::Lang lang);
std::unique_ptr<RecordSource> OpenElf(const std::string& utf8Name, text::Lang lang);
std::unique_ptr<RecordSource> OpenBinary(const std::string& utf8Name, std::uint32_t base,
                                         text::Lang lang);

}  // namespace bramblet
