#pragma once
// The write file as a stream of 256-byte pages, one forward pass at a time, in constant memory
// whatever the file's size.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "writer/flash/Image.h"
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

// Only names ending in ".S" or ".MOT" (any letter case) are write files.
bool IsSRecordName(std::string_view utf8Name);

// What a pass found: the data byte count or a StreamFailure, and the range of the data addresses
// stored, up to a failure.
struct StreamResult {
    std::int32_t count = 0;
    std::uint32_t minAddress = 0xFFFFFFFF;
    std::uint32_t maxAddress = 0;
};

class SRecordStream {
public:
    StreamOpen Open(const std::string& utf8Name);

    // One pass over the opened file. Check mode counts the data bytes and finds the address
    // range; program and verify mode also hand every 256-byte page the file touches to `sink`, in
    // the order the file enters them, and report 10 + bytes stored x 90 / expectedSize through
    // `progress` at every page change. With a patch its bytes are laid over the pages they fall
    // in, and after the file's pages come those of the patch's pages the file never entered.
    StreamResult Pass(PageSink& sink, StreamMode mode, std::int32_t expectedSize,
                      const std::function<void(int)>& progress, const ImagePatch* patch = nullptr);

private:
    TextFile in_;
};

}  // namespace bramblet
