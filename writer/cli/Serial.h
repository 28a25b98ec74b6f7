#pragma once
// Serial numbers for the boards of a write: where they go, and the counter file's rules. The
// locking and replacing of the counter is the platform's; what it holds and what may be given
// is decided here.
#include <cstdint>
#include <optional>
#include <string>

#include "writer/flash/Image.h"

namespace bramblet {

struct SerialOption {
    std::uint32_t address = 0;  // the number's lowest byte
    int width = 0;              // bytes, 1 to 8, little-endian
    std::string counter;        // the file that holds the next number in decimal
};

// "ADDR:WIDTH:COUNTER": ADDR in hexadecimal, the number's bytes all at or below FFFFFF; COUNTER
// may itself hold colons (C:\station\serial.txt). Nothing when it is not of that form.
std::optional<SerialOption> ParseSerialOption(const std::string& text);

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
                                               std::uint64_t count, std::string& error);

// The number's bytes at the option's address.
ImagePatch SerialPatch(const SerialOption& option, std::uint64_t number);

}  // namespace bramblet
