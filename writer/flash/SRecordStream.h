#pragma once
// The write file as a stream of 256-byte pages, one forward pass at a time, in constant memory
// whatever the file's size.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "writer/flash/FileFormats.h"
#include "writer/flash/Image.h"
#include "writer/flash/PageAssembler.h"
#include "writer/flash/PageSink.h"

namespace bramblet {

enum class StreamOpen {
    Opened,
    NotSRecordName,
    Unreadable,
    NotWriteFile,  // read by content: no format it knows, or a base address for a file with its own
};

// Only names ending in ".S" or ".MOT" (any letter case) are write files.
bool IsSRecordName(std::string_view utf8Name);

// What a pass found: the data byte count or a StreamFailure, and the range of the data addresses
// stored, up to a failure.
struct StreamResult {
    std::int32_t count = 0;
    std::uint32_t minAddress = 0xFFFFFFFF;
    std::uint32_t maxAddress = 0;
    // Why a file read by content was refused or failed: the file, where and what; else empty.
    std::string problem = {};
};

class SRecordStream {
public:
    // An S-record file by the window's name rule.
    StreamOpen Open(const std::string& utf8Name);
    // A file read as `reading` says: by the name rule, or by its content in any format it knows.
    StreamOpen Open(const std::string& utf8Name, const FileReading& reading);

    // The format of the opened file.
    std::optional<FileFormat> Format() const { return format_; }
    // After an Open that was refused: why, naming the file.
    const std::string& Problem() const { return problem_; }

    // One pass over the opened file. Check mode counts the data bytes and finds the address
    // range; program and verify mode also hand every 256-byte page the file touches to `sink`, in
    // the order the file enters them, and report 10 + bytes stored x 90 / expectedSize through
    // `progress` at every page change. With a patch its bytes are laid over the pages they fall
    // in, and after the file's pages come those of the patch's pages the file never entered.
    StreamResult Pass(PageSink& sink, StreamMode mode, std::int32_t expectedSize,
                      const std::function<void(int)>& progress, const ImagePatch* patch = nullptr);

private:
    std::string name_;
    std::unique_ptr<RecordSource> source_;
    std::optional<FileFormat> format_;
    std::string problem_;
    text::Lang lang_ = text::Lang::En;
};

}  // namespace bramblet
