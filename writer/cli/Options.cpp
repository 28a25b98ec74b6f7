#include "writer/cli/Options.h"

#include <algorithm>

#include "writer/common/Text.h"
#include "writer/link/Rates.h"

namespace bramblet {
namespace {

using text::Lang;
using text::Tx;

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
    Tx summary;             // its line in the program's usage
    Tx details;             // its own usage, after the synopsis
    Operands operands;
    // Why a command that takes no operands refuses one; its name fills it in.
    Tx noOperands = Tx::CliNoArgumentsTaken;
    // Every argument is an operand: a file may be called anything, "--port" included.
    bool verbatim = false;
};

// Each command once: the program's usage and every command's own are made from this table.
constexpr CommandInfo kCommands[] = {
    {Command::Check, "check", " FILE", Tx::CliUsageCheckSummary, Tx::CliUsageCheckDetails,
     Operands::File, Tx::CliNoArgumentsTaken, true},
    {Command::Write, "write", " FILE", Tx::CliUsageWriteSummary, Tx::CliUsageWriteDetails,
     Operands::File},
    {Command::Verify, "verify", " FILE", Tx::CliUsageVerifySummary, Tx::CliUsageVerifyDetails,
     Operands::File},
    {Command::Erase, "erase", " [FILE]", Tx::CliUsageEraseSummary, Tx::CliUsageEraseDetails,
     Operands::FileOrNone},
    {Command::Info, "info", " [FILE]", Tx::CliUsageInfoSummary, Tx::CliUsageInfoDetails,
     Operands::FileOrNone},
    {Command::Read, "read", " START-END", Tx::CliUsageReadSummary, Tx::CliUsageReadDetails,
     Operands::Range},
    {Command::BlankCheck, "blank-check", " START-END", Tx::CliUsageBlankCheckSummary,
     Tx::CliUsageBlankCheckDetails, Operands::Range},
    {Command::Ports, "ports", " [--json]", Tx::CliUsagePortsSummary, Tx::CliUsagePortsDetails,
     Operands::None},
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

// Takes an option's value (empty for a flag) into the options; the reason it cannot, in `lang`.
using Refusal = std::optional<std::string>;
using Apply = Refusal (*)(Options&, const std::string& value, Lang lang);

std::string FamilyNames(Lang lang);
std::string RateNames(Lang lang);
bool ParseIdCode(const std::string& text, IdCodeBytes& code);
Refusal TakeSequence(LineSequence& into, const char* name, const std::string& text, Lang lang);

struct OptionInfo {
    const char* name;
    const char* value;    // what its usage calls the value; nothing for a flag
    CommandSet commands;  // none: the parser's own (--help, --version)
    Tx help;              // its lines in the usage, after the name column
    Apply apply;
    // In its one command's usage, where that says it shorter.
    std::optional<Tx> ownHelp = std::nullopt;
    // Also taken before the command, the only place check, whose arguments are all its file,
    // takes options.
    bool beforeCommand = false;
};

// Every option once: parsing, the program's usage and each command's own are made from it, in
// this order.
const OptionInfo kOptions[] = {
    {"--port", "PORT", kChip, Tx::CliUsagePort,
     [](Options& o, const std::string& v, Lang) -> Refusal {
         o.ports.push_back(v);
         return std::nullopt;
     }},
    {"--family", "FAMILY", kChip, Tx::CliUsageFamily,
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         o.family = ParseFamily(v);
         if (!o.family) return text::Say(Tx::CliFamilyTakes, lang, {FamilyNames(lang)});
         return std::nullopt;
     }},
    {"--mode-pin", nullptr, kChip, Tx::CliUsageModePin,
     [](Options& o, const std::string&, Lang) -> Refusal {
         o.modePin = true;
         return std::nullopt;
     }},
    {"--id", "HEX14[,FAMILY]", kChip, Tx::CliUsageId,
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         const auto comma = v.find(',');
         IdCodeBytes code{};
         if (!ParseIdCode(v.substr(0, comma), code)) return text::Say(Tx::CliIdTakes, lang);
         o.idCode = code;
         if (comma == std::string::npos) return std::nullopt;
         // The family decides the ID address; a mistyped one would send the code to the wrong
         // place and fail with the right code.
         o.idFamily = ParseFamily(v.substr(comma + 1));
         if (!o.idFamily) return text::Say(Tx::CliIdFamilyTakes, lang, {FamilyNames(lang)});
         return std::nullopt;
     }},
    {"--baud", "RATE", kChip, Tx::CliUsageBaud,
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         for (const LinkRate& rate : kLinkRates) {
             if (v == std::to_string(rate.baud)) o.baud = rate.baud;
         }
         if (o.baud == 0) return text::Say(Tx::CliBaudTakes, lang, {RateNames(lang)});
         return std::nullopt;
     }},
    {"--before", "SEQ", kChip, Tx::CliUsageBefore,
     [](Options& o, const std::string& v, Lang lang) {
         return TakeSequence(o.before, "--before", v, lang);
     }},
    {"--after", "SEQ", kChip, Tx::CliUsageAfter,
     [](Options& o, const std::string& v, Lang lang) {
         return TakeSequence(o.after, "--after", v, lang);
     }},
    {"--latency", "MS", kChip, Tx::CliUsageLatency,
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         const bool digits =
             !v.empty() && v.size() <= 3 &&
             std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
         if (!digits || std::stoi(v) > 255) return text::Say(Tx::CliLatencyTakes, lang);
         o.latency = std::chrono::milliseconds(std::stoi(v));
         return std::nullopt;
     }},
    // What a production station needs.
    {"--json", nullptr, kChip | kPorts, Tx::CliUsageJson,
     [](Options& o, const std::string&, Lang) -> Refusal {
         o.json = true;
         return std::nullopt;
     }},
    {"--log", "FILE", kChip, Tx::CliUsageLog,
     [](Options& o, const std::string& v, Lang) -> Refusal {
         o.log = v;
         return std::nullopt;
     }},
    {"--erase-block", "ADDR", kErasing, Tx::CliUsageEraseBlock,
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         const std::optional<std::uint32_t> address = ParseHex(v, 8);
         if (!address || *address > 0xFFFFFF) return text::Say(Tx::CliEraseBlockTakes, lang);
         o.flash.eraseBlocks.push_back(*address);
         return std::nullopt;
     }},
    {"--no-erase", nullptr, kWrite, Tx::CliUsageNoErase,
     [](Options& o, const std::string&, Lang) -> Refusal {
         o.flash.noErase = true;
         return std::nullopt;
     }},
    {"--skip-blank", nullptr, kWrite, Tx::CliUsageSkipBlank,
     [](Options& o, const std::string&, Lang) -> Refusal {
         o.flash.skipBlank = true;
         return std::nullopt;
     }},
    {"--verify-by", "HOW", kWrite, Tx::CliUsageVerifyBy,
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         if (v != "sum" && v != "read") return text::Say(Tx::CliVerifyByTakes, lang);
         o.flash.verifyBySum = v == "sum";
         return std::nullopt;
     }},
    {"--serial", "ADDR:WIDTH:SOURCE", kWrite, Tx::CliUsageSerial,
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         std::string error;
         o.serial = ParseSerialOption(v, error, lang);
         if (o.serial) return std::nullopt;
         return error;
     }},
    {"--serial-done", "COMMAND", kWrite, Tx::CliUsageSerialDone,
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         o.serialDone = SplitCommand(v);
         if (o.serialDone) return std::nullopt;
         return text::Say(Tx::CliSerialDoneTakes, lang);
     }},
    {"--set-id", "HEX14", kWrite, Tx::CliUsageSetId,
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         IdCodeBytes code{};
         if (!ParseIdCode(v, code)) return text::Say(Tx::CliSetIdTakes, lang);
         o.setId = code;
         return std::nullopt;
     }},
    {"--force", nullptr, kWrite, Tx::CliUsageForce,
     [](Options& o, const std::string&, Lang) -> Refusal {
         o.force = true;
         return std::nullopt;
     }},
    {"--lang",
     "LANG",
     kOptioned | kCheck,
     Tx::CliUsageLang,
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         o.lang = text::ParseLang(v);
         if (!o.lang) return text::Say(Tx::CliLangTakes, lang);
         return std::nullopt;
     },
     {},
     true},
    // The write file: S-records, Intel HEX and ELF are told apart by their content.
    {"--base",
     "ADDR",
     kFiles,
     Tx::CliUsageBase,
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         const std::optional<std::uint32_t> address = ParseHex(v, 8);
         if (!address || *address > kLastChipAddress) return text::Say(Tx::CliBaseTakes, lang);
         o.base = *address;
         return std::nullopt;
     },
     {},
     true},
    {"-o", "FILE", kRead, Tx::CliUsageO,
     [](Options& o, const std::string& v, Lang) -> Refusal {
         o.output = v;
         return std::nullopt;
     },
     Tx::CliUsageOOwn},
    {"-h, --help", nullptr, 0, Tx::CliUsageHelp, nullptr},
    {"--version", nullptr, 0, Tx::CliUsageVersion, nullptr},
};

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
std::string OptionsText(Command command, bool all, Lang lang) {
    std::string text = text::Say(Tx::CliOptions, lang);
    for (const OptionInfo& option : kOptions) {
        if (all) {
            text += OptionLines(option, text::Say(option.help, lang));
        } else if (Takes(option.commands, command)) {
            text += OptionLines(option, text::Say(option.ownHelp.value_or(option.help), lang));
        }
    }
    return text;
}

// "bramblet-cli write FILE --port PORT [options]"; a command's own usage also shows that it takes
// several ports.
std::string Synopsis(const CommandInfo& info, bool own, Lang lang) {
    std::string text = std::string("bramblet-cli ") + info.name + info.arguments;
    if (!TakesChip(info.command)) return text;
    text += " --port PORT";
    const std::string options = text::Say(Tx::CliUsageOptions, lang);
    if (info.command == Command::Read) return text + " -o FILE " + options;
    return text + (own ? " [--port PORT ...] " : " ") + options;
}

// "A, B, C or D".
template <typename Range, typename Name>
std::string Alternatives(const Range& range, Name name, Lang lang) {
    std::string text;
    std::size_t i = 0;
    for (const auto& item : range) {
        if (i != 0) text += text::Say(i + 1 == std::size(range) ? Tx::ListOr : Tx::ListComma, lang);
        text += name(item);
        ++i;
    }
    return text;
}

std::string FamilyNames(Lang lang) {
    return Alternatives(
        kFamilies, [](const FamilyInfo& f) { return std::string(f.name); }, lang);
}

std::string RateNames(Lang lang) {
    return Alternatives(
        kLinkRates, [](const LinkRate& r) { return std::to_string(r.baud); }, lang);
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

Refusal TakeSequence(LineSequence& into, const char* name, const std::string& text, Lang lang) {
    const std::optional<LineSequence> steps = ParseLineSequence(text);
    if (!steps) {
        return text::Say(Tx::CliSequenceTakes, lang,
                         {name, std::to_string(kLongestLineWait.count())});
    }
    into = *steps;
    return std::nullopt;
}

// The command's operands into the options; the reason they do not fit it.
Refusal TakeOperands(const CommandInfo& info, const std::vector<std::string>& operands,
                     Options& options, Lang lang) {
    switch (info.operands) {
        case Operands::None:
            if (!operands.empty()) return text::Say(info.noOperands, lang, {info.name});
            return std::nullopt;
        case Operands::Range: {
            if (operands.size() != 1) {
                return text::Say(operands.empty() ? Tx::CliNoRange : Tx::CliManyRanges, lang);
            }
            const auto range = ParseRange(operands[0]);
            if (!range) return text::Say(Tx::CliBadRange, lang);
            options.range = *range;
            return std::nullopt;
        }
        case Operands::File:
        case Operands::FileOrNone:
            if (operands.size() > 1) return text::Say(Tx::CliManyFiles, lang);
            if (operands.empty() && info.operands == Operands::File) {
                return text::Say(Tx::CliNoFile, lang);
            }
            if (!operands.empty()) options.file = operands[0];
            return std::nullopt;
    }
    return std::nullopt;
}

// What a chip command's options must say together.
Refusal CheckTogether(const Options& options, Lang lang) {
    if (options.ports.empty()) return text::Say(Tx::CliPortRequired, lang);
    const bool read = options.command == Command::Read;
    if (read && options.ports.size() > 1) return text::Say(Tx::CliReadOnePort, lang);
    if (read && options.output.empty()) return text::Say(Tx::CliReadNeedsOutput, lang);
    if (options.flash.noErase && !options.flash.eraseBlocks.empty()) {
        return text::Say(Tx::CliNoEraseWithBlock, lang);
    }
    if (options.serialDone && !options.serial) {
        return text::Say(Tx::CliSerialDoneNeedsSerial, lang);
    }
    if (options.force && !options.setId) return text::Say(Tx::CliForceNeedsSetId, lang);
    if (options.modePin && options.baud == 9600) {
        return text::Say(Tx::CliBaud9600ModePin, lang);
    }
    return std::nullopt;
}

// How wide a text stands on a terminal: the characters of three or more UTF-8 bytes the labels
// use are the wide Japanese ones.
std::size_t TerminalColumns(std::string_view text) {
    std::size_t columns = 0;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) ++columns;
        if (b >= 0xE0) columns += 2;
    }
    return columns;
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

std::string Usage(Command command, Lang lang) {
    const std::string usage = text::Say(Tx::CliUsage, lang);
    for (const CommandInfo& info : kCommands) {
        if (info.command != command) continue;
        std::string text =
            usage + Synopsis(info, true, lang) + "\n" + text::Say(info.details, lang);
        const bool hasOptions =
            std::any_of(std::begin(kOptions), std::end(kOptions),
                        [&](const OptionInfo& o) { return o.apply && Takes(o.commands, command); });
        if (hasOptions) text += "\n" + OptionsText(command, false, lang);
        return text;
    }
    // The synopses stand one under the other, after the label.
    const std::string indent(TerminalColumns(usage), ' ');
    std::string text;
    for (const CommandInfo& info : kCommands) {
        text += (text.empty() ? usage : indent) + Synopsis(info, false, lang) + "\n";
    }
    text += indent + "bramblet-cli COMMAND --help\n" + indent +
            "bramblet-cli -h | --help | --version\n\n";
    for (const CommandInfo& info : kCommands) {
        std::string name = info.name;
        name.resize(13, ' ');
        text += "  " + name + text::Say(info.summary, lang) + "\n";
    }
    return text + "\n" + OptionsText(command, true, lang) + text::Say(Tx::CliUsageTail, lang);
}

std::optional<PageRange> ParseRange(const std::string& text) {
    const auto dash = text.find('-');
    if (dash == std::string::npos) return std::nullopt;
    const auto start = ParseHex(text.substr(0, dash), 8);
    const auto end = ParseHex(text.substr(dash + 1), 8);
    if (!start || !end || *start > *end || *end > 0xFFFFFF) return std::nullopt;
    return PageRange{*start & ~std::uint32_t{0xFF}, *end | 0xFF};
}

std::optional<Lang> AskedLanguage(const std::vector<std::string>& args) {
    std::optional<Lang> asked;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] != "--lang") continue;
        if (const std::optional<Lang> named = text::ParseLang(args[i + 1])) asked = named;
    }
    return asked;
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error,
                                    Lang lang) {
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
        if (at + 1 >= args.size()) return refuse(text::Say(Tx::CliNeedsValue, lang, {args[at]}));
        if (Refusal why = option->apply(options, args[at + 1], lang)) {
            return refuse(std::move(*why));
        }
        early.push_back(option);
        at += 2;
    }
    if (at >= args.size()) return refuse(text::Say(Tx::CliNoCommand, lang));
    const std::string& name = args[at];
    if (name == "-h" || name == "--help") return options;
    if (name == "--version") {
        options.command = Command::Version;
        return options;
    }
    const auto known = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const CommandInfo& c) { return name == c.name; });
    if (known == std::end(kCommands)) return refuse(text::Say(Tx::CliUnknownCommand, lang, {name}));
    options.command = known->command;
    for (const OptionInfo* option : early) {
        if (!Takes(option->commands, options.command)) {
            return refuse(text::Say(Tx::CliNotAnOptionOf, lang, {option->name, name}));
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
            if (option->value && i + 1 >= args.size()) {
                return refuse(text::Say(Tx::CliNeedsValue, lang, {arg}));
            }
            const std::string value = option->value ? args[++i] : std::string();
            if (Refusal why = option->apply(options, value, lang)) return refuse(std::move(*why));
        } else if (!known->verbatim && arg.rfind("--", 0) == 0 && arg != "--") {
            return refuse(text::Say(Tx::CliUnknownOption, lang, {arg}));
        } else {
            operands.push_back(arg);
        }
    }
    if (Refusal why = TakeOperands(*known, operands, options, lang)) {
        return refuse(std::move(*why));
    }
    if (!TakesChip(options.command)) return options;
    if (Refusal why = CheckTogether(options, lang)) return refuse(std::move(*why));
    return options;
}

}  // namespace bramblet
