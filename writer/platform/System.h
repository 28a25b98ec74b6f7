#pragma once
// What the command-line programs need from the operating system besides the core.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "link/SerialPort.h"

namespace bramblet {

// Serial ports by the names users know: COM3 on Windows, /dev/ttyUSB0 or ttyUSB0 elsewhere.
std::unique_ptr<PortOpener> SystemPortOpener();

// Standard output carries UTF-8 text; on Windows the console is switched to it.
void PrepareConsole();

// True when the stream is a terminal (a progress bar makes sense there).
bool IsTerminal(std::FILE* stream);

// The command line as UTF-8, whatever the system's code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

}  // namespace bramblet
