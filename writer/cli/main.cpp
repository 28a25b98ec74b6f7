// bramblet-cli: the writer's operations from a terminal or a script, on one board or several.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "writer/cli/Desk.h"
#include "writer/cli/Options.h"
#include "writer/cli/Station.h"
#include "writer/platform/System.h"

int main(int argc, char** argv) {
    using namespace bramblet;
    PrepareConsole();
    // Port names are ordered in the user's locale, as the window orders them.
    std::setlocale(LC_COLLATE, "");
    const std::vector<std::string> args = Utf8Arguments(argc, argv);
    std::string error;
    auto options = ParseOptions(
        std::vector<std::string>(args.begin() + (args.empty() ? 0 : 1), args.end()), error);
    if (!options) {
        std::fprintf(stderr, "bramblet-cli: %s\n%s", error.c_str(), Usage(Command::Help).c_str());
        return 2;
    }
    options->lang = text::ChooseLang(options->lang, std::getenv(text::kLangVariable));
    switch (options->command) {
        case Command::Help:
            std::fputs(Usage(options->helpFor.value_or(Command::Help)).c_str(), stdout);
            return 0;
        case Command::Version:
            std::printf("bramblet-cli %s\n", BRAMBLET_VERSION);
            return 0;
        case Command::Check:
            return CheckFile(options->file, options->Reading(), options->Language());
        case Command::Ports:
            return ListPorts(options->json);
        default:
            return RunBoards(*options);
    }
}
