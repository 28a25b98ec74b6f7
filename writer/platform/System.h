#pragma once
// What the programs need from the operating system besides the core.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "text/Catalogue.h"
#include "writer/link/SerialPort.h"

namespace bramblet {

// Serial ports by the names users know: COM3 on Windows, /dev/ttyUSB0 or ttyUSB0 elsewhere.
// `lang` is that of the details of a port that cannot be opened or stops working.
std::unique_ptr<PortOpener> SystemPortOpener(text::Lang lang = text::Lang::En);

// Standard output and standard error carry UTF-8 text with "\n" line ends; on Windows the
// console is switched to UTF-8 and the C runtime's "\r\n" translation is turned off.
void PrepareConsole();

// True when the stream is a terminal (a progress bar makes sense there).
bool IsTerminal(std::FILE* stream);

// The command line as UTF-8, whatever the system's code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// The local time now in ISO 8601 with its offset from UTC: 2026-12-08T14:03:22+09:00.
std::string LocalTimeIso8601();

// Sounds the system's own outcome sound for a MessageBeep type (on Windows); false where the
// system has none and the toolkit's bell must do.
bool SystemBeep(std::uint32_t type);

}  // namespace bramblet
