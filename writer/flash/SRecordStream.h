#pragma once
#include <cstdint>
#include <string>

#include "core/WriterView.h"
#include "flash/PageSink.h"

namespace bramblet {

enum StreamMode : std::uint8_t { kCheckMode = 0, kProgramMode = 1, kVerifyMode = 2 };

// One forward pass over the S-record file named by the view's file name. Check mode counts the
// data bytes and finds the address range; program and verify mode also hand every 256-byte page
// the file touches to `sink`, in the order the file enters them. Returns the data byte count, or
// -1 (not an S-record name, or unreadable), -2 (truncated record), -3 (checksum),
// -4 (page program failed), -5 (page verify failed), leaving the matching status text.
std::int32_t StreamSFormatFile(WriterView& view, PageSink& sink, std::uint32_t& minAddress,
                               std::uint32_t& maxAddress, std::uint8_t mode,
                               std::int32_t expectedSize);

// The Label4 text after a check with result n.
std::string FileCheckText(std::int32_t n, std::uint32_t minAddress, std::uint32_t maxAddress);

}  // namespace bramblet
