#pragma once
#include <optional>
#include <string>
#include <vector>

#include "core/WriterView.h"

namespace bramblet {

enum class Command { Check, Write, Verify, Erase };

struct Options {
    Command command = Command::Check;
    std::string file;
    std::string port;
    std::optional<std::string> family;
    bool modePin = false;
    std::optional<IdCodeBytes> idCode;  // the ID code dialog's answer
    std::optional<std::string> idFamily;
};

// Parses the arguments after the program name; on a usage error returns nothing and sets `error`.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

}  // namespace bramblet
