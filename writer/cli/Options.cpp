#include "cli/Options.h"

#include "common/Text.h"

namespace bramblet {
namespace {

bool IsFamily(const std::string& text) {
    return text == "R8C" || text == "M16C" || text == "M32C" || text == "R8CM";
}

bool ParseIdCode(const std::string& text, IdCodeBytes& code) {
    if (text.size() != 14) return false;
    for (std::size_t i = 0; i < 7; ++i) {
        const char hi = text[2 * i], lo = text[2 * i + 1];
        if (HexDigitValue(hi) < 0 || HexDigitValue(lo) < 0) return false;
        code[i] = static_cast<std::uint8_t>(HexDigitValue(hi) << 4 | HexDigitValue(lo));
    }
    return true;
}

}  // namespace

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    if (args.empty()) {
        error = "no command";
        return std::nullopt;
    }
    Options options;
    const std::string& command = args[0];
    if (command == "check") {
        options.command = Command::Check;
    } else if (command == "write") {
        options.command = Command::Write;
    } else if (command == "verify") {
        options.command = Command::Verify;
    } else if (command == "erase") {
        options.command = Command::Erase;
    } else {
        error = "unknown command '" + command + "'";
        return std::nullopt;
    }

    std::vector<std::string> files;
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
        if (options.command == Command::Check) {
            files.push_back(arg);
        } else if (arg == "--port") {
            if (!value(options.port)) return std::nullopt;
        } else if (arg == "--family") {
            if (!value(text)) return std::nullopt;
            if (!IsFamily(text)) {
                error = "--family takes R8C, M16C, M32C or R8CM";
                return std::nullopt;
            }
            options.family = text;
        } else if (arg == "--mode-pin") {
            options.modePin = true;
        } else if (arg == "--id") {
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
                options.idFamily = text.substr(comma + 1);
                if (!IsFamily(*options.idFamily)) {
                    error = "--id takes the family R8C, M16C, M32C or R8CM after the comma";
                    return std::nullopt;
                }
            }
        } else if (arg.size() > 1 && arg[0] == '-' && arg.rfind("--", 0) == 0 && arg != "--") {
            error = "unknown option " + arg;
            return std::nullopt;
        } else {
            files.push_back(arg);
        }
    }

    const bool fileOptional = options.command == Command::Erase;
    if (files.size() > 1 || (files.empty() && !fileOptional)) {
        error = files.empty() ? "no FILE given" : "more than one FILE given";
        return std::nullopt;
    }
    if (!files.empty()) options.file = files[0];
    if (options.command != Command::Check && options.port.empty()) {
        error = "--port PORT is required";
        return std::nullopt;
    }
    return options;
}

}  // namespace bramblet
