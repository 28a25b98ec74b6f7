#include "writer/cli/Options.h"

#include <algorithm>

#include "writer/common/Text.h"
#include "writer/link/Rates.h"

namespace bramblet {
namespace {

struct CommandInfo {
    Command command;
    const char* name;
    const char* arguments;  // after the name; the chip commands then take --port PORT
    const char* summary;    // its line in the program's usage
    const char* details;    // its own usage, after the synopsis
};

// Each command once: the program's usage and every command's own are made from this table.
constexpr CommandInfo kCommands[] = {
    {Command::Check, "check", " FILE",
     "check an S-record file: its status texts, write area, size and CRC-32",
     "Checks an S-record file: prints the status texts, then the write area and size, then\n"
     "the CRC-32 of its image: the pages it touches in address order, 256 bytes each with\n"
     "0xFF where it has nothing, as read gives them back once written.\n"},
    {Command::Write, "write", " FILE", "erase the chip, program FILE and verify it",
     "Erases the chip, programs FILE and verifies it.\n"},
    {Command::Verify, "verify", " FILE", "compare the chip with FILE",
     "Compares the chip with FILE.\n"},
    {Command::Erase, "erase", " [FILE]",
     "erase the chip (FILE only locates its ID file: prog.mot gives prog.id)",
     "Erases the chip. FILE only locates its ID file (prog.mot gives prog.id).\n"},
    {Command::Info, "info", "",
     "connect and unlock, then show the boot program's version and status",
     "Connects and unlocks, then prints the boot program's version, SRD and SRD1 and the\n"
     "family used. Nothing is erased or programmed.\n"},
    {Command::Read, "read", " START-END",
     "read the pages of START-END back into FILE (-o) as S-records",
     "Reads the pages of START-END back into FILE as S-records, leaving out pages that are\n"
     "all 0xFF. FILE appears only when the whole range was read.\n"},
    {Command::BlankCheck, "blank-check", " START-END",
     "check that START-END is erased; prints the first address that is not",
     "Reads START-END: exit status 0 when every byte is 0xFF, else 1 and the address of the\n"
     "first byte that is not.\n"},
    {Command::Ports, "ports", "", "list the serial ports, one a line",
     "Lists the serial ports the window would offer, one a line.\n"},
};

const char kLinkOptions[] =
    "options:\n"
    "  --port PORT          serial port (COM3, /dev/ttyUSB0, ttyUSB0, a bramblet-sim link);\n"
    "                       several --port run several boards side by side (not for read)\n"
    "  --family FAMILY      R8C, M16C, M32C or R8CM; by default chosen from FILE's highest\n"
    "                       address and its ID file, else R8C\n"
    "  --mode-pin           R8C only: the mode-pin link at 38400 baud\n"
    "  --id HEX14[,FAMILY]  the ID code to give when the chip asks for one (seven bytes as\n"
    "                       14 hex digits) and the family it belongs to\n"
    "  --baud RATE          9600, 19200, 38400, 57600 or 115200: 9600 connects at 9600 for\n"
    "                       chips that know no other rate; a higher rate connects as usual,\n"
    "                       then moves the chip to RATE; status and page replies are read as\n"
    "                       soon as they come\n"
    "  --before SEQ         drive the adapter's modem lines once the port is set up, before\n"
    "                       anything is sent (to reset the chip into boot mode): SEQ is a\n"
    "                       comma-separated list of dtr=0, dtr=1, rts=0, rts=1 and wait=MS,\n"
    "                       run in order; 1 asserts the line, 0 clears it, and DTR then\n"
    "                       stays as SEQ leaves it\n"
    "  --after SEQ          the same once the work on the chip has ended, whatever the\n"
    "                       outcome, before the port closes (to reset the chip into its\n"
    "                       program). A port without modem lines is refused before anything\n"
    "                       is sent\n";

const char kEraseBlockOption[] =
    "  --erase-block ADDR   write, erase: erase only the block holding ADDR (hexadecimal),\n"
    "                       with Block Erase, instead of every unlocked block; repeatable\n";

const char kWriteOptions[] =
    "  --no-erase           write: erase nothing, program onto the chip as it is\n"
    "  --skip-blank         write: leave out pages whose image is all FF (still verified)\n"
    "  --verify-by HOW      write: read (the default) reads every page back and compares\n"
    "                       it; sum compares the chip's check data with the sum of the\n"
    "                       bytes sent and reads no page back. The sum proves that every\n"
    "                       byte arrived and each page was programmed without an error\n"
    "                       flag, not that the flash still holds them (a byte disturbed\n"
    "                       afterwards)\n";

// What a production station needs; --serial is for write alone.
const char kStationOptions[] =
    "  --json               standard output carries only JSON, one object a line: each\n"
    "                       status text, progress position and version with its port,\n"
    "                       then a result per board\n"
    "  --log FILE           append a JSON line per board to FILE: the result, the local\n"
    "                       time, the write file and the boot program's version\n";
const char kSerialOption[] =
    "  --serial ADDR:WIDTH:COUNTER\n"
    "                       write: give each board a number of WIDTH bytes (1 to 8),\n"
    "                       little-endian at hexadecimal ADDR, from the text file COUNTER\n"
    "                       that holds the next number in decimal; no number is given twice\n";

const char kProgramTail[] =
    "  -o FILE              read: the S-record file to write\n"
    "  -h, --help           this text; after a command, that command's\n"
    "  --version            the program's version\n"
    "\n"
    "START-END: hexadecimal addresses, both included, widened to whole 256-byte pages\n"
    "(4000-FFFF, 0F0000-0FFFFF).\n"
    "Status texts go to standard output, one per line, with several ports each after its\n"
    "port; the boot program's version, a progress bar (on a terminal), the detail of a\n"
    "failure and the reason a port cannot be opened go to standard error. Exit status 0 on\n"
    "success (on every board), 1 on failure, 2 for a usage error; Ctrl-C or a termination\n"
    "request stops every board at its next read, names the step and page reached on\n"
    "standard error and exits 130 (SIGINT) or 143 (SIGTERM).\n";

bool TakesChip(Command c) {
    return c == Command::Info || c == Command::Read || c == Command::BlankCheck ||
           c == Command::Write || c == Command::Verify || c == Command::Erase;
}

// "bramblet-cli write FILE --port PORT [options]"; a command's own usage also shows that it takes
// several ports.
std::string Synopsis(const CommandInfo& info, bool own) {
    std::string text = std::string("bramblet-cli ") + info.name + info.arguments;
    if (!TakesChip(info.command)) return text;
    text += " --port PORT";
    if (info.command == Command::Read) return text + " -o FILE [options]";
    return text + (own ? " [--port PORT ...] [options]" : " [options]");
}

// "A, B, C or D".
template <typename Range, typename Name>
std::string Alternatives(const Range& range, Name name) {
    std::string text;
    std::size_t i = 0;
    for (const auto& item : range) {
        text += i == 0 ? "" : i + 1 == std::size(range) ? " or " : ", ";
        text += name(item);
        ++i;
    }
    return text;
}

std::string FamilyNames() {
    return Alternatives(kFamilies, [](const FamilyInfo& f) { return std::string(f.name); });
}

std::string RateNames() {
    return Alternatives(kLinkRates, [](const LinkRate& r) { return std::to_string(r.baud); });
}

bool ParseIdCode(const std::string& text, IdCodeBytes& code) {
    if (text.size() != 14) return false;
    for (std::size_t i = 0; i < 7; ++i) {
        const int hi = HexDigitValue(text[2 * i]), lo = HexDigitValue(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        code[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return true;
}

}  // namespace

const char* CommandName(Command command) {
    for (const CommandInfo& info : kCommands) {
        if (info.command == command) return info.name;
    }
    return "";
}

std::string Usage(Command command) {
    for (const CommandInfo& info : kCommands) {
        if (info.command != command) continue;
        std::string text = "usage: " + Synopsis(info, true) + "\n" + info.details;
        if (TakesChip(command)) text += std::string("\n") + kLinkOptions + kStationOptions;
        if (command == Command::Write || command == Command::Erase) text += kEraseBlockOption;
        if (command == Command::Write) text += std::string(kWriteOptions) + kSerialOption;
        if (command == Command::Read) text += "  -o FILE              the S-record file to write\n";
        return text;
    }
    std::string text;
    for (const CommandInfo& info : kCommands) {
        text += (text.empty() ? "usage: " : "       ") + Synopsis(info, false) + "\n";
    }
    text +=
        "       bramblet-cli COMMAND --help\n"
        "       bramblet-cli -h | --help | --version\n"
        "\n";
    for (const CommandInfo& info : kCommands) {
        std::string name = info.name;
        name.resize(13, ' ');
        text += "  " + name + info.summary + "\n";
    }
    return text + "\n" + kLinkOptions + kStationOptions + kEraseBlockOption + kWriteOptions +
           kSerialOption + kProgramTail;
}

std::optional<PageRange> ParseRange(const std::string& text) {
    const auto dash = text.find('-');
    if (dash == std::string::npos) return std::nullopt;
    const auto start = ParseHex(text.substr(0, dash), 8);
    const auto end = ParseHex(text.substr(dash + 1), 8);
    if (!start || !end || *start > *end || *end > 0xFFFFFF) return std::nullopt;
    return PageRange{*start & ~std::uint32_t{0xFF}, *end | 0xFF};
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    if (args.empty()) {
        error = "no command";
        return std::nullopt;
    }
    Options options;
    const std::string& name = args[0];
    if (name == "-h" || name == "--help") return options;
    if (name == "--version") {
        options.command = Command::Version;
        return options;
    }
    const auto known = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const CommandInfo& c) { return name == c.name; });
    if (known == std::end(kCommands)) {
        error = "unknown command '" + name + "'";
        return std::nullopt;
    }
    options.command = known->command;
    const Command command = options.command;

    std::vector<std::string> positional;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h") {
            options.helpFor = command;
            options.command = Command::Help;
            return options;
        } else if (command == Command::Check) {
            positional.push_back(arg);  // a file may be called anything
        } else if (TakesChip(command) && arg == "--port") {
            if (!value(text)) return std::nullopt;
            options.ports.push_back(text);
        } else if (TakesChip(command) && arg == "--family") {
            if (!value(text)) return std::nullopt;
            options.family = ParseFamily(text);
            if (!options.family) {
                error = "--family takes " + FamilyNames();
                return std::nullopt;
            }
        } else if (TakesChip(command) && arg == "--mode-pin") {
            options.modePin = true;
        } else if (TakesChip(command) && arg == "--id") {
            if (!value(text)) return std::nullopt;
            const auto comma = text.find(',');
            IdCodeBytes code{};
            if (!ParseIdCode(text.substr(0, comma), code)) {
                error = "--id takes 14 hex digits, optionally followed by ,FAMILY";
                return std::nullopt;
            }
            options.idCode = code;
            if (comma != std::string::npos) {
                // The family decides the ID address; a mistyped one would send the code to the
                // wrong place and fail with the right code.
                options.idFamily = ParseFamily(text.substr(comma + 1));
                if (!options.idFamily) {
                    error = "--id takes the family " + FamilyNames() + " after the comma";
                    return std::nullopt;
                }
            }
        } else if (TakesChip(command) && arg == "--baud") {
            if (!value(text)) return std::nullopt;
            for (const LinkRate& rate : kLinkRates) {
                if (text == std::to_string(rate.baud)) options.baud = rate.baud;
            }
            if (options.baud == 0) {
                error = "--baud takes " + RateNames();
                return std::nullopt;
            }
        } else if (TakesChip(command) && (arg == "--before" || arg == "--after")) {
            if (!value(text)) return std::nullopt;
            const std::optional<LineSequence> steps = ParseLineSequence(text);
            if (!steps) {
                error = arg + " takes dtr=0, dtr=1, rts=0, rts=1 and wait=MS (MS up to " +
                        std::to_string(kLongestLineWait.count()) + "), comma-separated";
                return std::nullopt;
            }
            (arg == "--before" ? options.before : options.after) = *steps;
        } else if ((command == Command::Write || command == Command::Erase) &&
                   arg == "--erase-block") {
            if (!value(text)) return std::nullopt;
            const std::optional<std::uint32_t> address = ParseHex(text, 8);
            if (!address || *address > 0xFFFFFF) {
                error = "--erase-block takes a hexadecimal address up to FFFFFF";
                return std::nullopt;
            }
            options.flash.eraseBlocks.push_back(*address);
        } else if (command == Command::Write && arg == "--no-erase") {
            options.flash.noErase = true;
        } else if (command == Command::Write && arg == "--skip-blank") {
            options.flash.skipBlank = true;
        } else if (command == Command::Write && arg == "--verify-by") {
            if (!value(text)) return std::nullopt;
            if (text != "sum" && text != "read") {
                error = "--verify-by takes sum or read";
                return std::nullopt;
            }
            options.flash.verifyBySum = text == "sum";
        } else if (TakesChip(command) && arg == "--json") {
            options.json = true;
        } else if (TakesChip(command) && arg == "--log") {
            if (!value(text)) return std::nullopt;
            options.log = text;
        } else if (command == Command::Write && arg == "--serial") {
            if (!value(text)) return std::nullopt;
            options.serial = ParseSerialOption(text);
            if (!options.serial) {
                error =
                    "--serial takes ADDR:WIDTH:COUNTER: a hexadecimal address, a width of 1 to 8 "
                    "bytes that ends at or below FFFFFF, and the counter file";
                return std::nullopt;
            }
        } else if (command == Command::Read && arg == "-o") {
            if (!value(options.output)) return std::nullopt;
        } else if (arg.rfind("--", 0) == 0 && arg != "--") {
            error = "unknown option " + arg;
            return std::nullopt;
        } else {
            positional.push_back(arg);
        }
    }

    switch (command) {
        case Command::Ports:
            if (!positional.empty()) {
                error = "ports takes no arguments";
                return std::nullopt;
            }
            return options;
        case Command::Read:
        case Command::BlankCheck: {
            if (positional.size() != 1) {
                error = positional.empty() ? "no START-END given" : "more than one START-END given";
                return std::nullopt;
            }
            const auto range = ParseRange(positional[0]);
            if (!range) {
                error =
                    "START-END takes two hexadecimal addresses up to FFFFFF, the first not "
                    "above the second (4000-FFFF)";
                return std::nullopt;
            }
            options.range = *range;
            break;
        }
        case Command::Info:
            if (!positional.empty()) {
                error = "info takes no FILE";
                return std::nullopt;
            }
            break;
        default: {
            const bool fileOptional = command == Command::Erase;
            if (positional.size() > 1 || (positional.empty() && !fileOptional)) {
                error = positional.empty() ? "no FILE given" : "more than one FILE given";
                return std::nullopt;
            }
            if (!positional.empty()) options.file = positional[0];
        }
    }
    if (command == Command::Check) return options;
    if (options.ports.empty()) {
        error = "--port PORT is required";
        return std::nullopt;
    }
    if (command == Command::Read && options.ports.size() > 1) {
        error = "read takes one --port";
        return std::nullopt;
    }
    if (command == Command::Read && options.output.empty()) {
        error = "read needs -o FILE";
        return std::nullopt;
    }
    if (options.flash.noErase && !options.flash.eraseBlocks.empty()) {
        error = "--no-erase and --erase-block cannot be used together";
        return std::nullopt;
    }
    if (options.modePin && options.baud == 9600) {
        error = "--baud 9600 cannot be used with --mode-pin: the mode-pin link runs at 38400";
        return std::nullopt;
    }
    return options;
}

}  // namespace bramblet
