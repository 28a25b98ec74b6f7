// bramblet-cli's option parser: the input split at zero bytes into arguments. A parse either
// fails with a reason or gives options that the arguments really hold.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "writer/cli/Options.h"

namespace {

using namespace bramblet;

void Check(bool holds) {
    if (!holds) std::abort();
}

bool Has(const std::vector<std::string>& args, const std::string& arg) {
    return std::find(args.begin(), args.end(), arg) != args.end();
}

// The arguments hold `option` followed by `value`.
bool Follows(const std::vector<std::string>& args, const std::string& option,
             const std::string& value) {
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == option && args[i + 1] == value) return true;
    }
    return false;
}

// Some argument ends with `tail`.
bool AnyEndsWith(const std::vector<std::string>& args, const std::string& tail) {
    return std::any_of(args.begin(), args.end(), [&](const std::string& a) {
        return a.size() >= tail.size() && a.compare(a.size() - tail.size(), tail.size(), tail) == 0;
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args;
    std::string arg;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(arg);
            arg.clear();
        } else {
            arg += static_cast<char>(data[i]);
        }
    }
    if (size > 0) args.push_back(arg);

    std::string error;
    const std::optional<Options> options = ParseOptions(args, error);
    if (!options) {
        Check(!error.empty());
        return 0;
    }
    const Command command = options->command;
    Check(!Usage(command).empty());
    // --lang and --base may also stand before the command, each with its value.
    std::size_t at = 0;
    while (at + 1 < args.size() && (args[at] == "--lang" || args[at] == "--base")) at += 2;
    Check(at < args.size());
    if (command == Command::Version) {
        Check(args[at] == "--version");
        return 0;
    }
    if (command == Command::Help) {
        if (options->helpFor) {
            Check(args[at] == CommandName(*options->helpFor) &&
                  (Has(args, "--help") || Has(args, "-h")));
        } else {
            Check(args[at] == "--help" || args[at] == "-h");
        }
        return 0;
    }
    Check(args[at] == CommandName(command));
    if (command == Command::Check) {
        Check(args.size() == at + 2 && options->file == args[at + 1]);
        return 0;
    }
    if (command == Command::Ports) {
        Check(args.size() == at + 1);
        return 0;
    }
    // The commands that take a chip.
    Check(!options->ports.empty());
    for (const std::string& port : options->ports) Check(Has(args, port));
    if (!options->file.empty()) Check(Has(args, options->file));
    if (command == Command::Write || command == Command::Verify) Check(Has(args, options->file));
    if (options->family) Check(Follows(args, "--family", FamilyName(*options->family)));
    if (options->idFamily) {
        Check(options->idCode &&
              AnyEndsWith(args, std::string(",") + FamilyName(*options->idFamily)));
    }
    Check(!options->modePin || Has(args, "--mode-pin"));
    Check(!(options->modePin && options->baud == 9600));
    const std::uint32_t rates[] = {0, 9600, 19200, 38400, 57600, 115200};
    Check(std::find(std::begin(rates), std::end(rates), options->baud) != std::end(rates));
    if (command == Command::Read) Check(options->ports.size() == 1 && !options->output.empty());
    if (command == Command::Read || command == Command::BlankCheck) {
        const PageRange r = options->range;
        Check(r.first % 256 == 0 && r.last % 256 == 255 && r.first <= r.last && r.last <= 0xFFFFFF);
    }
    return 0;
}
