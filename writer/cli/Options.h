#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "text/Catalogue.h"
#include "writer/cli/Serial.h"
#include "writer/common/Family.h"
#include "writer/core/Target.h"
#include "writer/flash/FileFormats.h"
#include "writer/flash/IdFile.h"

namespace bramblet {

enum class Command { Help, Version, Ports, Check, Info, Read, BlankCheck, Write, Verify, Erase };

// Whole 256-byte pages, both ends inclusive.
struct PageRange {
    std::uint32_t first = 0;  // the first page's base
    std::uint32_t last = 0;   // the last page's last byte
};

struct Options {
    Command command = Command::Help;
    // With --help after a command: that command's usage; Command::Help alone: the program's.
    std::optional<Command> helpFor;
    std::string file;
    std::vector<std::string> ports;  // several for the commands that run boards side by side
    std::optional<Family> family;
    bool modePin = false;
    std::optional<IdCodeBytes> idCode;  // the ID code dialog's answer
    std::optional<Family> idFamily;
    std::uint32_t baud = 0;  // 0: the design's link
    PageRange range;         // read, blank-check
    std::string output;      // read
    LineSequence before, after;
    FlashOptions flash;  // write and erase
    // What the adapter may hold a reply for; without it, the timer read when the port opens.
    std::optional<std::chrono::milliseconds> latency;
    // For a production station: JSON lines on standard output, a run log, serial numbers.
    bool json = false;
    std::optional<std::string> log;
    std::optional<SerialOption> serial;  // write
    // Run with each numbered board's number, port and "ok" or "void" once it has ended.
    std::optional<std::vector<std::string>> serialDone;
    // write: the ID code the chips are protected with, recorded in the ID file beside the file;
    // `force` lets it replace an ID file that holds another code.
    std::optional<IdCodeBytes> setId;
    bool force = false;
    // The language the user chose: --lang, else the environment's, else none. The status texts
    // are then Japanese, and the program's own texts (its usage, errors and explanations) English,
    // as they have always been; a chosen language speaks in both.
    std::optional<text::Lang> lang;
    text::Lang Language() const { return lang.value_or(text::Lang::Ja); }
    text::Lang OwnLanguage() const { return lang.value_or(text::Lang::En); }
    // Where a raw binary FILE begins; FILE is read by its content in any case.
    std::optional<std::uint32_t> base;
    FileReading Reading() const { return {true, base, OwnLanguage()}; }
};

// Parses the arguments after the program name; on a usage error returns nothing and sets `error`,
// in `lang`.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error,
                                    text::Lang lang = text::Lang::En);

// The language the last "--lang LANG" that names one asks for, wherever it stands: the language
// of a usage error, which may come before the parser reaches it.
std::optional<text::Lang> AskedLanguage(const std::vector<std::string>& args);

// "START-END" in hexadecimal, inclusive, widened to whole pages; nothing for an empty, reversed or
// out-of-range one (above 0xFFFFFF).
std::optional<PageRange> ParseRange(const std::string& text);

// The command's name as it is typed: "write".
const char* CommandName(Command command);

// The usage of the program (Command::Help) or of one command.
std::string Usage(Command command, text::Lang lang = text::Lang::En);

}  // namespace bramblet
