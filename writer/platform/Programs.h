#pragma once
// Programs a station runs beside its boards (a number server, a booking hook): started directly
// with their arguments as separate strings, never through a shell, so that no port or file name
// can become a command.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "text/Catalogue.h"

namespace bramblet {

struct ProgramEnd {
    bool started = false;
    std::string error;    // why it could not be started or waited for
    bool exited = false;  // ended by itself with `status`; else killed by the signal `status`
    int status = 0;
    std::string output;  // standard output, when captured, up to kProgramOutputLimit bytes
    bool Succeeded() const { return started && exited && status == 0; }
};

// A program that prints more than this has not printed one number; the rest is read and dropped
// so that it never blocks on a full pipe.
inline constexpr std::size_t kProgramOutputLimit = 4096;

class ProgramRunner {
public:
    virtual ~ProgramRunner() = default;
    // Runs `argv[0]` (looked up on the PATH when it names no folder) with the rest of `argv` as
    // its arguments and waits for it to end. Its standard input is empty and its standard error
    // is ours; its standard output is captured when `capture`, else it goes to our standard
    // error, since standard output may be carrying JSON lines.
    virtual ProgramEnd Run(const std::vector<std::string>& argv, bool capture) = 0;
};

// `lang` is that of the reasons a program could not be started, beside the system's own.
std::unique_ptr<ProgramRunner> SystemProgramRunner(text::Lang lang = text::Lang::En);

}  // namespace bramblet
