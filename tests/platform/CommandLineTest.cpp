// The command line a Windows program is started with, read back by the C runtime's rules.
#include <gtest/gtest.h>

#include <random>

#include "writer/platform/CommandLine.h"

namespace bramblet {
namespace {

// The C runtime's splitting, written from its documented rules rather than from the quoting:
// 2n backslashes before a quote give n and the quote delimits, 2n+1 give n and a literal quote,
// backslashes elsewhere are literal; the program's name ends at its closing quote.
std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> args;
    std::size_t i = 0;
    std::string program;
    if (line[0] == '"') {
        for (i = 1; i < line.size() && line[i] != '"'; ++i) program += line[i];
        ++i;
    } else {
        for (; i < line.size() && line[i] != ' ' && line[i] != '\t'; ++i) program += line[i];
    }
    args.push_back(program);
    for (;;) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i == line.size()) return args;
        std::string arg;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == '\\') ++backslashes, ++i;
            if (i < line.size() && line[i] == '"') {
                arg.append(backslashes / 2, '\\');
                if (backslashes % 2) {
                    arg += '"';
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                arg.append(backslashes, '\\');
                if (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
                    arg += line[i++];
                }
            }
        }
        args.push_back(arg);
    }
}

TEST(CommandLineTest, EveryArgumentComesBackAsItWasGiven) {
    const std::vector<std::string> plain = {"C:\\Program Files\\mes\\book.exe", "1001", "COM3",
                                            "ok"};
    EXPECT_EQ(WindowsCommandLine(plain), "\"C:\\Program Files\\mes\\book.exe\" 1001 COM3 ok");
    EXPECT_EQ(WindowsCommandLine({"b", "", "a\\\\\"b", "c d\\"}),
              "\"b\" \"\" \"a\\\\\\\\\\\"b\" \"c d\\\\\"");

    std::mt19937 random(20261210);
    const std::string alphabet[] = {"a", " ", "\t", "\"", "\\", "\xC3\xA9", "$", ";", "&", "%"};
    for (int run = 0; run < 2000; ++run) {
        std::vector<std::string> argv = {"C:\\tools\\book.exe"};
        for (int n = static_cast<int>(random() % 5); n > 0; --n) {
            std::string arg;
            for (int k = static_cast<int>(random() % 9); k > 0; --k) {
                arg += alphabet[random() % std::size(alphabet)];
            }
            argv.push_back(arg);
        }
        const std::string line = WindowsCommandLine(argv);
        EXPECT_EQ(Split(line), argv) << line;
    }
}

}  // namespace
}  // namespace bramblet
