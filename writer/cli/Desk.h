#pragma once
// The commands that talk to no chip.
#include <string>

#include "text/Catalogue.h"
#include "writer/flash/FileFormats.h"

namespace bramblet {

// check FILE: the status texts of a check pass, the write area and size, the image's CRC-32;
// why a file read as `reading` says is refused or malformed, on standard error. The status texts
// speak `lang`, the lines of the command's own `own`.
int CheckFile(const std::string& file, const FileReading& reading, text::Lang lang,
              text::Lang own = text::Lang::En);

// ports: the serial ports the window offers, in its order, each with what it is and where it is
// plugged; with `json` one object a line.
int ListPorts(bool json, text::Lang lang = text::Lang::En);

}  // namespace bramblet
