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
    const std::vector<std::string> words(args.begin() + (args.empty() ? 0 : 1), args.end());
    const char* environment = std::getenv(text::kLangVariable);
    // A usage error speaks the language asked for, even where the parser stopped before it.
    const text::Lang messages =
        text::ChosenLang(AskedLanguage(words), environment).value_or(text::Lang::En);
    std::string error;
    auto options = ParseOptions(words, error, messages);
    if (!options) {
        std::fprintf(stderr, "bramblet-cli: %s\n%s", error.c_str(),
                     Usage(Command::Help, messages).c_str());
        return 2;
    }
    // The parser stops at --help, before a --lang that follows it.
    if (options->command == Command::Help && !options->lang) options->lang = AskedLanguage(words);
    options->lang = text::ChosenLang(options->lang, environment);
    switch (options->command) {
        case Command::Help:
            std::fputs(
                Usage(options->helpFor.value_or(Command::Help), options->OwnLanguage()).c_str(),
                stdout);
            return 0;
        case Command::Version:
            std::printf("bramblet-cli %s\n", BRAMBLET_VERSION);
            return 0;
        case Command::Check:
            return CheckFile(options->file, options->Reading(), options->Language(),
                             options->OwnLanguage());
        case Command::Ports:
            return ListPorts(options->json, options->OwnLanguage());
        default:
            return RunBoards(*options);
    }
}
