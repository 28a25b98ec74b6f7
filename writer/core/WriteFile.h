#pragma once
// The write file's passes as the window shows them: the status texts around a stream pass and
// the Label4 text after a check.
#include <cstdint>
#include <string>

#include "writer/core/WriterView.h"
#include "writer/flash/SRecordStream.h"

namespace bramblet {

// One pass over `file` (see SRecordStream::Pass), with its start text, its progress and, when it
// fails, its failure text on the view. The count is the data byte count, or -1 (not an S-record
// name, or unreadable), -2 (truncated record), -3 (checksum), -4 (page program failed), -5 (page
// verify failed). A patch is laid over the pages as the stream hands them on. `reading` says how
// the file is read: by default as the window reads it.
StreamResult StreamSFormatFile(WriterView& view, PageSink& sink, const std::string& file,
                               std::uint8_t mode, std::int32_t expectedSize,
                               const ImagePatch* patch = nullptr, const FileReading& reading = {});

// The Label4 text after a check.
std::string FileCheckText(const StreamResult& check, text::Lang lang = text::Lang::Ja);

}  // namespace bramblet
