#include "writer/platform/CommandLine.h"

namespace bramblet {
namespace {

// Backslashes are literal except before a quote, where they escape in pairs; so a run of them
// is doubled before a quote that is part of the argument and before the closing quote.
void AppendQuoted(std::string& line, const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
        line += arg;
        return;
    }
    line += '"';
    std::size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            line.append(2 * backslashes + 1, '\\');
        } else {
            line.append(backslashes, '\\');
        }
        backslashes = 0;
        line += c;
    }
    line.append(2 * backslashes, '\\');
    line += '"';
}

}  // namespace

std::string WindowsCommandLine(const std::vector<std::string>& argv) {
    std::string line;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        if (i > 0) line += ' ';
        // The program's name is split by simpler rules: quotes only, no escapes.
        if (i == 0) {
            line += '"' + argv[0] + '"';
        } else {
            AppendQuoted(line, argv[i]);
        }
    }
    return line;
}

}  // namespace bramblet
