#pragma once
// The write file as a stream of 256-byte pages, one forward pass at a time, in constant memory
// whatever the file's size.
#include <cstdint>
#include <functional>
#include <string>

#include "writer/flash/PageSink.h"
#include "writer/flash/TextFile.h"

namespace bramblet {

enum StreamMode : std::uint8_t { kCheckMode = 0, kProgramMode = 1, kVerifyMode = 2 };

// Any other mode value is taken as a check.
constexpr StreamMode ValidStreamMode(std::uint8_t mode) {
    return mode > kVerifyMode ? kCheckMode : static_cast<StreamMode>(mode);
}

// Negative pass results.
enum StreamFailure : std::int32_t {
    kUnreadableFile = -1,  // not an S-record name, cannot be opened, or a read error part-way
    kTruncatedRecord = -2,
    kBadChecksum = -3,
    kPageProgramFailed = -4,
    kPageVerifyFailed = -5,
};

enum class StreamOpen { Opened, NotSRecordName, Unreadable };

class SRecordStream {
public:
    // Only names ending in ".S" or ".MOT" (any letter case) are write files.
    StreamOpen Open(const std::string& utf8Name);

    // One pass over the opened file. Check mode counts the data bytes and finds the address
    // range; program and verify mode also hand every 256-byte page the file touches to `sink`, in
    // the order the file enters them, and report 10 + bytes stored x 90 / expectedSize through
    // `progress` at every page change. Returns the data byte count or a StreamFailure; the range
    // covers the bytes stored before a failure.
    std::int32_t Pass(PageSink& sink, StreamMode mode, std::int32_t expectedSize,
                      std::uint32_t& minAddress, std::uint32_t& maxAddress,
                      const std::function<void(int)>& progress);

private:
    TextFile in_;
};

}  // namespace bramblet
