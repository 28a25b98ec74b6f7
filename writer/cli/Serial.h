#pragma once
// Serial numbers for the boards of a write: where they go, where they come from (a counter file,
// a list file or a command the line provides) and how each board's end is booked. The locking
// and replacing of files and the starting of programs are the platform's; what the files hold and
// what may be given is decided here.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "text/Catalogue.h"
#include "writer/flash/Image.h"
#include "writer/platform/Programs.h"

namespace bramblet {

enum class SerialFrom {
    Counter,  // a file that holds the next number
    List,     // a file of numbers one a line, each marked once it is given
    Command,  // a program that prints the next number
};

struct SerialOption {
    std::uint32_t address = 0;  // the number's lowest byte
    int width = 0;              // bytes, 1 to 8, little-endian
    std::string where;          // the counter or list file, or the command as typed
    SerialFrom from = SerialFrom::Counter;
    std::vector<std::string> command;  // the command's words
};

// "ADDR:WIDTH:COUNTER", "ADDR:WIDTH:list:FILE" or "ADDR:WIDTH:cmd:COMMAND": ADDR in hexadecimal,
// the number's bytes all at or below FFFFFF; a file name may itself hold colons
// (C:\station\serial.txt). Nothing when it is not of that form, `error` then saying why.
std::optional<SerialOption> ParseSerialOption(const std::string& text, std::string& error,
                                              text::Lang lang = text::Lang::En);

// COMMAND as a program and its arguments: words between blanks, a double-quoted part of a word
// keeping its blanks ("C:\Program Files\mes\next.exe" --line 3). No other character is special:
// nothing is expanded and no shell sees it. Nothing for no words or an unclosed quote.
std::optional<std::vector<std::string>> SplitCommand(const std::string& text);

// The counter's number: decimal digits, with blanks and line ends around them; nothing for
// anything else, or for a number beyond 64 bits.
std::optional<std::uint64_t> ParseCounter(const std::string& text);

// Numbers for `count` boards from a counter holding `text`: the first of them, one a board in
// order, and the counter's text after them.
struct SerialNumbers {
    std::uint64_t first = 0;
    std::string next;
};
// Nothing, with `error` set, when the counter holds no number or the last number for these
// boards does not fit in `width` bytes; the counter is then left as it is.
std::optional<SerialNumbers> TakeSerialNumbers(const std::string& text, int width,
                                               std::uint64_t count, std::string& error,
                                               text::Lang lang = text::Lang::En);

// Up to `count` numbers from a list holding `text`, in its order, and the list with their lines
// marked " used" after the number. Nothing, with `error` naming the line, when a line is not a
// decimal number (blank lines are passed over), a number does not fit in `width` bytes or is on
// two lines.
struct ListNumbers {
    std::vector<std::uint64_t> numbers;  // fewer than `count` when the list runs out
    std::string text;
};
std::optional<ListNumbers> TakeFromList(const std::string& text, int width, std::size_t count,
                                        std::string& error, text::Lang lang = text::Lang::En);

// The number a command printed: one decimal number, a line end after it allowed; nothing, with
// `error` saying what it printed instead, for anything else or a number too wide for `width`.
std::optional<std::uint64_t> ParseCommandNumber(const std::string& output, int width,
                                                std::string& error,
                                                text::Lang lang = text::Lang::En);

// A board's number, or why it has none; a board without one fails before anything is sent.
struct DrawnSerial {
    std::optional<std::uint64_t> number;
    std::string why;
};

// Where a run's numbers come from.
class SerialSource {
public:
    virtual ~SerialSource() = default;
    // Numbers for `count` boards, in the order of their ports, none given twice. Nothing, with
    // `error` set, when the source cannot be used at all: the run is then refused before anything
    // is sent, and no number has been taken.
    virtual std::optional<std::vector<DrawnSerial>> Draw(std::size_t count, std::string& error) = 0;
};

// The sources' reasons speak `lang`.
std::unique_ptr<SerialSource> MakeSerialSource(const SerialOption& option, ProgramRunner& programs,
                                               text::Lang lang = text::Lang::En);

// Runs `command` with the board's number, its port and "ok" or "void" as three more arguments,
// after the board has ended; why that failed, or nothing.
std::optional<std::string> BookSerial(ProgramRunner& programs,
                                      const std::vector<std::string>& command, std::uint64_t number,
                                      const std::string& port, bool ok,
                                      text::Lang lang = text::Lang::En);

// The number's bytes at the option's address.
ImagePatch SerialPatch(const SerialOption& option, std::uint64_t number);

}  // namespace bramblet
