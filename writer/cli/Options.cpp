#include "writer/cli/Options.h"

#include <algorithm>

#include "writer/common/Text.h"
#include "writer/link/Rates.h"

namespace bramblet {
namespace {

// A command's words after its name, other than options.
enum class Operands {
    None,
    File,
    FileOrNone,
    Range,
};

struct CommandInfo {
    Command command;
    const char* name;
    const char* arguments;  // after the name; the chip commands then take --port PORT
    const char* summary;    // its line in the program's usage
    const char* details;    // its own usage, after the synopsis
    Operands operands;
    // Why a command that takes no operands refuses one.
    const char* noOperands = nullptr;
    // Every argument is an operand: a file may be called anything, "--port" included.
    bool verbatim = false;
};

// Each command once: the program's usage and every command's own are made from this table.
constexpr CommandInfo kCommands[] = {
    {Command::Check, "check", " FILE",
     "check a write file: its status texts, write area, size and CRC-32",
     "Checks a write file: prints the status texts, then the write area and size, then\n"
     "the CRC-32 of its image: the pages it touches in address order, 256 bytes each with\n"
     "0xFF where it has nothing, as read gives them back once written. For a raw binary,\n"
     "give --base ADDR before the command: bramblet-cli --base 4000 check prog.bin.\n",
     Operands::File, nullptr, true},
    {Command::Write, "write", " FILE", "erase the chip, program FILE and verify it",
     "Erases the chip, programs FILE and verifies it. FILE holds S-records, Intel HEX or\n"
     "ELF, told apart by its content, or is a raw binary placed by --base.\n",
     Operands::File},
    {Command::Verify, "verify", " FILE", "compare the chip with FILE",
     "Compares the chip with FILE, read as write reads it.\n", Operands::File},
    {Command::Erase, "erase", " [FILE]",
     "erase the chip (FILE only locates its ID file: prog.mot gives prog.id)",
     "Erases the chip. FILE is not written: it locates its ID file (prog.mot and prog.elf\n"
     "give prog.id) and, without --family, chooses the family as for write.\n",
     Operands::FileOrNone},
    {Command::Info, "info", " [FILE]",
     "connect and unlock, then show the boot program's version and status",
     "Connects and unlocks, then prints the boot program's version, SRD and SRD1 and the\n"
     "family used. Nothing is erased or programmed. FILE only locates its ID file and,\n"
     "without --family, chooses the family as for write.\n",
     Operands::FileOrNone},
    {Command::Read, "read", " START-END", "read the pages of START-END back into FILE (-o)",
     "Reads the pages of START-END back into FILE: Intel HEX when its name ends in .hex or\n"
     ".ihex, a raw binary of the whole range when in .bin, else S-records. S-records and\n"
     "Intel HEX leave out pages that are all 0xFF. FILE appears only when the whole range\n"
     "was read.\n",
     Operands::Range},
    {Command::BlankCheck, "blank-check", " START-END",
     "check that START-END is erased; prints the first address that is not",
     "Reads START-END: exit status 0 when every byte is 0xFF, else 1 and the address of the\n"
     "first byte that is not.\n",
     Operands::Range},
    {Command::Ports, "ports", " [--json]", "list the serial ports and what each is",
     "Lists the serial ports the window would offer, in its order: each name on a line of its\n"
     "own, then indented what the port is (a USB adapter's VID:PID, maker, product, serial\n"
     "number and interface), where it is plugged (for --port usb@LOCATION), the names that\n"
     "keep naming it, the adapter's latency timer, and whether this user may open it.\n",
     Operands::None, "ports takes no arguments"},
};

using CommandSet = unsigned;

constexpr CommandSet Commands(std::initializer_list<Command> commands) {
    CommandSet set = 0;
    for (const Command c : commands) set |= 1u << static_cast<unsigned>(c);
    return set;
}

constexpr CommandSet kChip = Commands({Command::Info, Command::Read, Command::BlankCheck,
                                       Command::Write, Command::Verify, Command::Erase});
constexpr CommandSet kErasing = Commands({Command::Write, Command::Erase});
constexpr CommandSet kWrite = Commands({Command::Write});
constexpr CommandSet kRead = Commands({Command::Read});
constexpr CommandSet kPorts = Commands({Command::Ports});
constexpr CommandSet kCheck = Commands({Command::Check});
// The commands that read a write file, whatever its format.
constexpr CommandSet kFiles = kCheck | Commands({Command::Write, Command::Verify, Command::Erase});
// The commands that take options after their name (check takes every argument as its file).
constexpr CommandSet kOptioned = kChip | kPorts;

bool Takes(CommandSet set, Command command) {
    return (set >> static_cast<unsigned>(command) & 1u) != 0;
}

bool TakesChip(Command c) {
    return Takes(kChip, c);
}

// Takes an option's value (empty for a flag) into the options; the reason it cannot.
using Apply = std::optional<std::string> (*)(Options&, const std::string& value);
using Refusal = std::optional<std::string>;

std::string FamilyNames();
std::string RateNames();
bool ParseIdCode(const std::string& text, IdCodeBytes& code);
Refusal TakeSequence(LineSequence& into, const char* name, const std::string& text);

struct OptionInfo {
    const char* name;
    const char* value;    // what its usage calls the value; nothing for a flag
    CommandSet commands;  // none: the parser's own (--help, --version)
    const char* help;     // its lines in the usage, after the name column
    Apply apply;
    const char* ownHelp = nullptr;  // in its one command's usage, where that says it shorter
    // Also taken before the command, the only place check, whose arguments are all its file,
    // takes options.
    bool beforeCommand = false;
};

// Every option once: parsing, the program's usage and each command's own are made from it, in
// this order.
const OptionInfo kOptions[] = {
    {"--port", "PORT", kChip,
     "serial port (COM3, /dev/ttyUSB0, ttyUSB0, a bramblet-sim link),\n"
     "or a USB adapter by what it is (usb:VID:PID[:SERIAL]), where it\n"
     "is plugged (usb@LOCATION, as ports shows it) or as the only one\n"
     "there is (auto); several --port run several boards side by side\n"
     "(not for read)",
     [](Options& o, const std::string& v) -> Refusal {
         o.ports.push_back(v);
         return std::nullopt;
     }},
    {"--family", "FAMILY", kChip,
     "R8C, M16C, M32C or R8CM; by default chosen from FILE's highest\n"
     "address and its ID file, else R8C",
     [](Options& o, const std::string& v) -> Refusal {
         o.family = ParseFamily(v);
         if (!o.family) return "--family takes " + FamilyNames();
         return std::nullopt;
     }},
    {"--mode-pin", nullptr, kChip, "R8C only: the mode-pin link at 38400 baud",
     [](Options& o, const std::string&) -> Refusal {
         o.modePin = true;
         return std::nullopt;
     }},
    {"--id", "HEX14[,FAMILY]", kChip,
     "the ID code to give when the chip asks for one (seven bytes as\n"
     "14 hex digits) and the family it belongs to",
     [](Options& o, const std::string& v) -> Refusal {
         const auto comma = v.find(',');
         IdCodeBytes code{};
         if (!ParseIdCode(v.substr(0, comma), code)) {
             return "--id takes 14 hex digits, optionally followed by ,FAMILY";
         }
         o.idCode = code;
         if (comma == std::string::npos) return std::nullopt;
         // The family decides the ID address; a mistyped one would send the code to the wrong
         // place and fail with the right code.
         o.idFamily = ParseFamily(v.substr(comma + 1));
         if (!o.idFamily) return "--id takes the family " + FamilyNames() + " after the comma";
         return std::nullopt;
     }},
    {"--baud", "RATE", kChip,
     "9600, 19200, 38400, 57600 or 115200: 9600 connects at 9600 for\n"
     "chips that know no other rate; a higher rate connects as usual,\n"
     "then moves the chip to RATE; status and page replies are read as\n"
     "soon as they come",
     [](Options& o, const std::string& v) -> Refusal {
         for (const LinkRate& rate : kLinkRates) {
             if (v == std::to_string(rate.baud)) o.baud = rate.baud;
         }
         if (o.baud == 0) return "--baud takes " + RateNames();
         return std::nullopt;
     }},
    {"--before", "SEQ", kChip,
     "drive the adapter's modem lines once the port is set up, before\n"
     "anything is sent (to reset the chip into boot mode): SEQ is a\n"
     "comma-separated list of dtr=0, dtr=1, rts=0, rts=1 and wait=MS,\n"
     "run in order; 1 asserts the line, 0 clears it, and DTR then\n"
     "stays as SEQ leaves it",
     [](Options& o, const std::string& v) { return TakeSequence(o.before, "--before", v); }},
    {"--after", "SEQ", kChip,
     "the same once the work on the chip has ended, whatever the\n"
     "outcome, before the port closes (to reset the chip into its\n"
     "program). A port without modem lines is refused before anything\n"
     "is sent",
     [](Options& o, const std::string& v) { return TakeSequence(o.after, "--after", v); }},
    {"--latency", "MS", kChip,
     "the adapter's latency timer, 0 to 255 ms: every reply window\n"
     "grows by it; by default by the timer read when the port opens",
     [](Options& o, const std::string& v) -> Refusal {
         const bool digits =
             !v.empty() && v.size() <= 3 &&
             std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
         if (!digits || std::stoi(v) > 255) return "--latency takes milliseconds from 0 to 255";
         o.latency = std::chrono::milliseconds(std::stoi(v));
         return std::nullopt;
     }},
    // What a production station needs.
    {"--json", nullptr, kChip | kPorts,
     "standard output carries only JSON, one object a line: each\n"
     "status text, progress position and version with its port,\n"
     "then a result per board; for ports, one object per port",
     [](Options& o, const std::string&) -> Refusal {
         o.json = true;
         return std::nullopt;
     }},
    {"--log", "FILE", kChip,
     "append a JSON line per board to FILE: the result, the local\n"
     "time, the write file and the boot program's version",
     [](Options& o, const std::string& v) -> Refusal {
         o.log = v;
         return std::nullopt;
     }},
    {"--erase-block", "ADDR", kErasing,
     "write, erase: erase only the block holding ADDR (hexadecimal),\n"
     "with Block Erase, instead of every unlocked block; repeatable",
     [](Options& o, const std::string& v) -> Refusal {
         const std::optional<std::uint32_t> address = ParseHex(v, 8);
         if (!address || *address > 0xFFFFFF) {
             return "--erase-block takes a hexadecimal address up to FFFFFF";
         }
         o.flash.eraseBlocks.push_back(*address);
         return std::nullopt;
     }},
    {"--no-erase", nullptr, kWrite, "write: erase nothing, program onto the chip as it is",
     [](Options& o, const std::string&) -> Refusal {
         o.flash.noErase = true;
         return std::nullopt;
     }},
    {"--skip-blank", nullptr, kWrite,
     "write: leave out pages whose image is all FF (still verified)",
     [](Options& o, const std::string&) -> Refusal {
         o.flash.skipBlank = true;
         return std::nullopt;
     }},
    {"--verify-by", "HOW", kWrite,
     "write: read (the default) reads every page back and compares\n"
     "it; sum compares the chip's check data with the sum of the\n"
     "bytes sent and reads no page back. The sum proves that every\n"
     "byte arrived and each page was programmed without an error\n"
     "flag, not that the flash still holds them (a byte disturbed\n"
     "afterwards)",
     [](Options& o, const std::string& v) -> Refusal {
         if (v != "sum" && v != "read") return "--verify-by takes sum or read";
         o.flash.verifyBySum = v == "sum";
         return std::nullopt;
     }},
    {"--serial", "ADDR:WIDTH:COUNTER", kWrite,
     "write: give each board a number of WIDTH bytes (1 to 8),\n"
     "little-endian at hexadecimal ADDR, from the text file COUNTER\n"
     "that holds the next number in decimal; no number is given twice",
     [](Options& o, const std::string& v) -> Refusal {
         o.serial = ParseSerialOption(v);
         if (o.serial) return std::nullopt;
         return "--serial takes ADDR:WIDTH:COUNTER: a hexadecimal address, a width of 1 to 8 "
                "bytes that ends at or below FFFFFF, and the counter file";
     }},
    {"--set-id", "HEX14", kWrite,
     "write: protect the chip with this ID code (14 hex digits): its\n"
     "seven bytes go to the family's ID addresses with FILE's, and\n"
     "once written and verified the code is kept in FILE's ID file\n"
     "(prog.mot gives prog.id), which later commands unlock with.\n"
     "FILE's own bytes there must be the code's",
     [](Options& o, const std::string& v) -> Refusal {
         IdCodeBytes code{};
         if (!ParseIdCode(v, code)) return "--set-id takes 14 hex digits";
         o.setId = code;
         return std::nullopt;
     }},
    {"--force", nullptr, kWrite,
     "write: with --set-id, replace an ID file that holds another\n"
     "code (the only record of the chips protected with it)",
     [](Options& o, const std::string&) -> Refusal {
         o.force = true;
         return std::nullopt;
     }},
    {"--lang", "LANG", kOptioned | kCheck,
     "en or ja: the language of the status texts (also before the\n"
     "command, for check); else $BRAMBLET_LANG, else ja",
     [](Options& o, const std::string& v) -> Refusal {
         o.lang = text::ParseLang(v);
         if (!o.lang) return "--lang takes en or ja";
         return std::nullopt;
     },
     nullptr, true},
    // The write file: S-records, Intel HEX and ELF are told apart by their content.
    {"--base", "ADDR", kFiles,
     "FILE is a raw binary whose first byte goes to hexadecimal ADDR\n"
     "(before the command, for check); a FILE in S-records, Intel HEX\n"
     "or ELF holds its own addresses and is refused with it",
     [](Options& o, const std::string& v) -> Refusal {
         const std::optional<std::uint32_t> address = ParseHex(v, 8);
         if (!address || *address > kLastChipAddress) {
             return "--base takes a hexadecimal address up to FFFFFF";
         }
         o.base = *address;
         return std::nullopt;
     },
     nullptr, true},
    {"-o", "FILE", kRead,
     "read: the file to write, in the format its extension names\n"
     "(.hex, .ihex: Intel HEX; .bin: raw binary; else S-records)",
     [](Options& o, const std::string& v) -> Refusal {
         o.output = v;
         return std::nullopt;
     },
     "the file to write, in the format its extension names (.hex,\n"
     ".ihex: Intel HEX; .bin: raw binary; else S-records)"},
    {"-h, --help", nullptr, 0, "this text; after a command, that command's", nullptr},
    {"--version", nullptr, 0, "the program's version", nullptr},
};

const char kProgramTail[] =
    "\n"
    "START-END: hexadecimal addresses, both included, widened to whole 256-byte pages\n"
    "(4000-FFFF, 0F0000-0FFFFF).\n"
    "Status texts go to standard output, one per line, with several ports each after its\n"
    "port; the boot program's version, a progress bar (on a terminal), the detail of a\n"
    "failure and the reason a port cannot be opened go to standard error. Exit status 0 on\n"
    "success (on every board), 1 on failure, 2 for a usage error; Ctrl-C or a termination\n"
    "request stops every board at its next read, names the step and page reached on\n"
    "standard error and exits 130 (SIGINT) or 143 (SIGTERM).\n";

// "  --port PORT          serial port ...": the help in a column of its own, on the next line
// when the name and value leave no room.
std::string OptionLines(const OptionInfo& option, const char* help) {
    constexpr std::size_t kColumn = 23;
    std::string text = std::string("  ") + option.name;
    if (option.value) text += std::string(" ") + option.value;
    text += text.size() + 2 <= kColumn ? std::string(kColumn - text.size(), ' ')
                                       : "\n" + std::string(kColumn, ' ');
    for (const char* c = help; *c; ++c) {
        text += *c;
        if (*c == '\n') text += std::string(kColumn, ' ');
    }
    return text + "\n";
}

// The options of one command, or with `all` every option, each with its program-wide help.
std::string OptionsText(Command command, bool all) {
    std::string text = "options:\n";
    for (const OptionInfo& option : kOptions) {
        if (all) {
            text += OptionLines(option, option.help);
        } else if (Takes(option.commands, command)) {
            text += OptionLines(option, option.ownHelp ? option.ownHelp : option.help);
        }
    }
    return text;
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

Refusal TakeSequence(LineSequence& into, const char* name, const std::string& text) {
    const std::optional<LineSequence> steps = ParseLineSequence(text);
    if (!steps) {
        return std::string(name) + " takes dtr=0, dtr=1, rts=0, rts=1 and wait=MS (MS up to " +
               std::to_string(kLongestLineWait.count()) + "), comma-separated";
    }
    into = *steps;
    return std::nullopt;
}

// The command's operands into the options; the reason they do not fit it.
Refusal TakeOperands(const CommandInfo& info, const std::vector<std::string>& operands,
                     Options& options) {
    switch (info.operands) {
        case Operands::None:
            if (!operands.empty()) return info.noOperands;
            return std::nullopt;
        case Operands::Range: {
            if (operands.size() != 1) {
                return operands.empty() ? "no START-END given" : "more than one START-END given";
            }
            const auto range = ParseRange(operands[0]);
            if (!range) {
                return "START-END takes two hexadecimal addresses up to FFFFFF, the first not "
                       "above the second (4000-FFFF)";
            }
            options.range = *range;
            return std::nullopt;
        }
        case Operands::File:
        case Operands::FileOrNone:
            if (operands.size() > 1) return "more than one FILE given";
            if (operands.empty() && info.operands == Operands::File) return "no FILE given";
            if (!operands.empty()) options.file = operands[0];
            return std::nullopt;
    }
    return std::nullopt;
}

// What a chip command's options must say together.
Refusal CheckTogether(const Options& options) {
    if (options.ports.empty()) return "--port PORT is required";
    const bool read = options.command == Command::Read;
    if (read && options.ports.size() > 1) return "read takes one --port";
    if (read && options.output.empty()) return "read needs -o FILE";
    if (options.flash.noErase && !options.flash.eraseBlocks.empty()) {
        return "--no-erase and --erase-block cannot be used together";
    }
    if (options.force && !options.setId) return "--force goes only with --set-id";
    if (options.modePin && options.baud == 9600) {
        return "--baud 9600 cannot be used with --mode-pin: the mode-pin link runs at 38400";
    }
    return std::nullopt;
}

const OptionInfo* FindOption(const std::string& arg, Command command) {
    for (const OptionInfo& option : kOptions) {
        if (option.apply && arg == option.name && Takes(option.commands, command)) return &option;
    }
    return nullptr;
}

const OptionInfo* FindOptionBeforeCommand(const std::string& arg) {
    for (const OptionInfo& option : kOptions) {
        if (option.beforeCommand && arg == option.name) return &option;
    }
    return nullptr;
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
        const bool hasOptions =
            std::any_of(std::begin(kOptions), std::end(kOptions),
                        [&](const OptionInfo& o) { return o.apply && Takes(o.commands, command); });
        if (hasOptions) text += "\n" + OptionsText(command, false);
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
    return text + "\n" + OptionsText(command, true) + kProgramTail;
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
    const auto refuse = [&](std::string reason) -> std::optional<Options> {
        error = std::move(reason);
        return std::nullopt;
    };
    Options options;
    // Those before the command come first, so the same option after it is the nearer choice.
    std::size_t at = 0;
    std::vector<const OptionInfo*> early;
    while (at < args.size()) {
        const OptionInfo* option = FindOptionBeforeCommand(args[at]);
        if (!option) break;
        if (at + 1 >= args.size()) return refuse(args[at] + " needs a value");
        if (Refusal why = option->apply(options, args[at + 1])) return refuse(std::move(*why));
        early.push_back(option);
        at += 2;
    }
    if (at >= args.size()) return refuse("no command");
    const std::string& name = args[at];
    if (name == "-h" || name == "--help") return options;
    if (name == "--version") {
        options.command = Command::Version;
        return options;
    }
    const auto known = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const CommandInfo& c) { return name == c.name; });
    if (known == std::end(kCommands)) return refuse("unknown command '" + name + "'");
    options.command = known->command;
    for (const OptionInfo* option : early) {
        if (!Takes(option->commands, options.command)) {
            return refuse(std::string(option->name) + " is not an option of " + name);
        }
    }

    std::vector<std::string> operands;
    for (std::size_t i = at + 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.helpFor = options.command;
            options.command = Command::Help;
            return options;
        }
        const OptionInfo* option = known->verbatim ? nullptr : FindOption(arg, options.command);
        if (option) {
            if (option->value && i + 1 >= args.size()) return refuse(arg + " needs a value");
            const std::string value = option->value ? args[++i] : std::string();
            if (Refusal why = option->apply(options, value)) return refuse(std::move(*why));
        } else if (!known->verbatim && arg.rfind("--", 0) == 0 && arg != "--") {
            return refuse("unknown option " + arg);
        } else {
            operands.push_back(arg);
        }
    }
    if (Refusal why = TakeOperands(*known, operands, options)) return refuse(std::move(*why));
    if (!TakesChip(options.command)) return options;
    if (Refusal why = CheckTogether(options)) return refuse(std::move(*why));
    return options;
}

}  // namespace bramblet
