// bramblet-cli's option parser: the input split at zero bytes into arguments. A parse either
// fails with a reason or gives options that the arguments really hold.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/Options.h"

namespace {

using namespace bramblet;

void Check(bool holds) {
    if (!holds) std::abort();
}

bool Has(const std::vector<std::string>& args, const std::string& arg) {
    return std::find(args.begin(), args.end(), arg) != args.end();
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
    const char* const commands[] = {"check", "write", "verify", "erase"};
    Check(args[0] == commands[static_cast<int>(options->command)]);
    if (options->command == Command::Check) {
        Check(args.size() == 2 && options->file == args[1]);
    } else {
        Check(!options->port.empty() && Has(args, options->port));
        if (options->command != Command::Erase || !options->file.empty()) {
            Check(Has(args, options->file));
        }
    }
    if (options->family) {
        Check(*options->family == "R8C" || *options->family == "M16C" ||
              *options->family == "M32C" || *options->family == "R8CM");
    }
    Check(!options->modePin || Has(args, "--mode-pin"));
    Check(!options->idFamily || options->idCode);
    return 0;
}
