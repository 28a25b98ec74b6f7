#pragma once
// Choosing a write file, which needs no port: the check that the window shows in Label4 and the
// family that the file's addresses and its ID file choose.
#include <optional>
#include <string>

#include "writer/common/Family.h"
#include "writer/core/WriterView.h"
#include "writer/flash/SRecordStream.h"

namespace bramblet {

// The check pass over `file` with its status texts: what the file holds, no page handed on but
// to a sink that takes a check's pages. `reading` says how the file is read (the window's way by
// default).
StreamResult CheckPass(WriterView& view, const std::string& file, PageSink* pages = nullptr,
                       const FileReading& reading = {});

struct FileCheck {
    StreamResult result;
    // The family the file chose in place of the one it was chosen with; nothing when it keeps it.
    std::optional<Family> family;
};

// The check of `file` with its status texts and the Label4 text; with `selectFamily`, a good
// check also lets the highest data address choose the family in place of `current`.
FileCheck ShowFileCheckResult(WriterView& view, const std::string& file, bool selectFamily,
                              std::optional<Family> current, const FileReading& reading = {});

// The family that the ID file beside `writeFile` names, if it names one.
std::optional<Family> ReadIdFileFamily(const std::string& writeFile);

// A write file was chosen (on the command line, in the file list, the open dialog or by a drop):
// the check with family selection, then the ID file, whose family takes precedence.
FileCheck FileChosen(WriterView& view, const std::string& file, std::optional<Family> current,
                     const FileReading& reading = {});

}  // namespace bramblet
