#pragma once
// Text-mode reading as the C runtime does it on Windows: CR LF reads as LF and a byte 0x1A ends
// the file. Shared by every platform so that a file reads the same everywhere.
#include <functional>
#include <istream>
#include <string_view>

namespace kelpin {

// Hands each line, without its line feed, to `line`; a last line without a line feed counts.
void ForEachTextLine(std::istream& in, const std::function<void(std::string_view)>& line);

}  // namespace kelpin
