// What a reader of one language meets from bramblet-cli and bramblet-sim, as processes against
// simulated chips: in English nothing Japanese anywhere, in Japanese the help too.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "tests/e2e/SimChips.h"
#include "tests/support/Japanese.h"
#include "tests/support/SRecords.h"

namespace bramblet::testing {
namespace {

using Lines = std::vector<std::string>;

class CliLanguageTest : public SimChipsTest {
protected:
    // Every byte the run wrote, both outputs, for the check that follows.
    static std::string All(const RunResult& run) { return run.out + run.err; }

    const std::string records = SRecords('1', 0x4000, 0x280, 5);
};

TEST_F(CliLanguageTest, InEnglishNoRunSaysAnythingJapanese) {
    const std::string file = dir.Write("prog.mot", records);
    auto chip = Sim("chip");
    auto locked = Sim("locked", {"--id", "0123456789ABCD", "--load", file});
    auto corrupt = Sim("corrupt", {"--load", file, "--corrupt-read", "4010"});
    // A failed verify leaves the chip sending the rest of its page: the next run has a chip of
    // its own rather than meet one still busy.
    auto corrupt2 = Sim("corrupt2", {"--load", file, "--corrupt-read", "4010"});
    auto silent = Sim("silent", {"--loopback"});
    const std::vector<std::vector<std::string>> runs = {
        {"write", file, "--port", dir.Name("chip")},
        {"write", file, "--port", dir.Name("chip"), "--json"},
        {"check", file},
        {"info", "--port", dir.Name("chip")},
        {"write", file, "--port", dir.Name("locked")},  // the ID prompt, with no code to give
        {"verify", file, "--port", dir.Name("corrupt")},
        {"verify", file, "--port", dir.Name("corrupt2"), "--json"},
        {"erase", "--port", dir.Name("silent")},
        {"erase", "--port", dir.Name("nothing-here")},
        {"write", "--port", dir.Name("chip")},
        {"write", file, "--baud", "5", "--port", dir.Name("chip")},
        {"--help"},
    };
    std::vector<RunResult> results;
    for (std::vector<std::string> args : runs) {
        args.insert(args.begin(), {"--lang", "en"});
        const RunResult& run = results.emplace_back(Cli(args));
        EXPECT_FALSE(HoldsJapanese(All(run))) << args[2] << " " << args.back() << ":\n" << All(run);
    }
    for (const char* command :
         {"check", "write", "verify", "erase", "info", "read", "blank-check", "ports"}) {
        const RunResult help = Cli({command, "--help", "--lang", "en"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_FALSE(HoldsJapanese(All(help))) << All(help);
    }
    // The failures above did fail, each in its own words.
    EXPECT_NE(results[5].err.find("page 004000: byte 004010 is 14, expected 15"), std::string::npos)
        << results[5].err;
    EXPECT_NE(results[6].out.find(R"("command":"verify","ok":false,"step":"verify")"),
              std::string::npos)
        << results[6].out;
    EXPECT_NE(Cli({"--lang", "en", "erase", "--port", dir.Name("silent")}).out.find("No answer!"),
              std::string::npos);
}

// Japanese chosen: what the command line adds to the status texts speaks it too, where a person
// reads it, and what programs read (JSON keys, step ids, figures) stays as it is.
TEST_F(CliLanguageTest, InJapaneseTheExplanationsAndReportsAreJapanese) {
    const std::string file = dir.Write("prog.mot", records);
    auto chip = Sim("chip");
    auto corrupt = Sim("corrupt", {"--load", file, "--corrupt-read", "4010"});
    auto corrupt2 = Sim("corrupt2", {"--load", file, "--corrupt-read", "4010"});
    const auto ja = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--lang", "ja"});
        return Cli(args);
    };
    // English sentence words that the lines below used to hold.
    const auto english = [](const std::string& s) {
        for (const char* word : {"the ", "expected", "bytes", "version", "ready", "family",
                                 "cannot", "no such", "page ", "verified"}) {
            if (s.find(word) != std::string::npos) return true;
        }
        return false;
    };

    const RunResult info = ja({"info", "--port", dir.Name("chip")});
    EXPECT_EQ(info.status, 0) << info.err;
    const Lines lines = info.Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(Lines(lines.end() - 4, lines.end()),
              (Lines{"バージョン: VER.1.00", "SRD: 80 (レディ)", "SRD1: 0C (ID 照合済み)",
                     "ファミリ: R8C"}));
    EXPECT_EQ(info.err, "ブートプログラムのバージョン: VER.1.00\n");

    const RunResult check = ja({"check", file});
    ASSERT_EQ(check.status, 0) << check.err;
    ASSERT_FALSE(check.Lines().empty());
    const std::string crc = check.Lines().back();
    EXPECT_EQ(crc.substr(0, 8), "CRC-32: ");
    EXPECT_EQ(crc.substr(crc.size() - 11), " バイト)") << crc;

    const RunResult verify = ja({"verify", file, "--port", dir.Name("corrupt")});
    EXPECT_EQ(verify.status, 1);
    const std::string mismatch = "bramblet-cli: ページ 004000: バイト 004010 が ";
    EXPECT_NE(verify.err.find(mismatch), std::string::npos) << verify.err;
    EXPECT_FALSE(english(verify.err)) << verify.err;

    const RunResult json = ja({"verify", file, "--port", dir.Name("corrupt2"), "--json"});
    EXPECT_NE(json.out.find(R"("command":"verify","ok":false,"step":"verify","text":")"),
              std::string::npos)
        << json.out;

    // A port that is not there: why, and what to do, in Japanese; the system's own error
    // text is the system's.
    const RunResult missing = ja({"erase", "--port", dir.Name("nothing-here")});
    EXPECT_NE(missing.status, 0);
    const Lines err = RunResult{0, missing.err}.Lines();
    const std::string open = "bramblet-cli: ポート " + dir.Name("nothing-here") + " を開けません: ";
    const auto said = std::find_if(
        err.begin(), err.end(), [&](const std::string& line) { return line.rfind(open, 0) == 0; });
    ASSERT_NE(said, err.end()) << missing.err;
    ASSERT_NE(said + 1, err.end()) << missing.err;
    EXPECT_EQ(said[1], "  デバイスがありません。ケーブルは接続されていますか?");
    for (auto help = said + 1; help != err.end(); ++help) {
        EXPECT_TRUE(HoldsJapanese(*help)) << *help;
        EXPECT_FALSE(english(*help)) << *help;
    }
}

// What the layers below the command line say about a port, a link and a chip that refuse: in
// the chosen language, and in English when none is chosen, as before.
TEST_F(CliLanguageTest, WhatThePortsAndTheChipSayFollowsTheLanguage) {
    const std::string file = dir.Write("prog.mot", records);
    auto slow = Sim("slow", {"--max-baud", "57600"});
    const std::string notSerial = dir.Write("not-a-port", "");
    const auto run = [&](std::optional<std::string> lang, std::vector<std::string> args) {
        if (lang) args.insert(args.begin(), {"--lang", *lang});
        return Cli(args);
    };
    struct Case {
        std::vector<std::string> args;
        std::string ja, en;  // what the line of standard error holds in each
    };
    const std::vector<Case> cases = {
        {{"erase", "--port", notSerial},
         notSerial + ": シリアルデバイスではありません",
         notSerial + ": not a serial device"},
        {{"erase", "--port", "usb:xyz:6001"},
         "usb: には 16 進数の VID:PID が必要です",
         "usb: needs VID:PID in hexadecimal"},
        {{"write", file, "--port", dir.Name("slow"), "--baud", "115200"},
         "チップが 115200 baud へのボーレートコマンド B4 をエコーしませんでした",
         "the chip did not echo the baud-rate command B4 for 115200 baud"},
    };
    for (const Case& c : cases) {
        const RunResult ja = run("ja", c.args);
        EXPECT_NE(ja.status, 0);
        EXPECT_NE(ja.err.find(c.ja), std::string::npos) << ja.err;
        for (const std::optional<std::string>& lang :
             {std::optional<std::string>("en"), std::optional<std::string>()}) {
            const RunResult en = run(lang, c.args);
            EXPECT_NE(en.err.find(c.en), std::string::npos) << en.err;
            EXPECT_FALSE(HoldsJapanese(en.err)) << en.err;
        }
    }

    // The simulator's own file errors and log too.
    const std::string bad = dir.Write("bad.mot", "S1130000FFFF\n");
    const RunResult load = RunProgram({BRAMBLET_SIM, "--load", bad, "--lang", "ja"});
    EXPECT_EQ(load.status, 1);
    EXPECT_EQ(load.err, "bramblet-sim: " + bad + ":1: バイト数かチェックサムが正しくありません\n");
    EXPECT_EQ(RunProgram({BRAMBLET_SIM, "--load", bad}).err,
              "bramblet-sim: " + bad + ":1: wrong count or checksum\n");
}

TEST_F(CliLanguageTest, JapaneseChosenGivesJapaneseHelpAndErrors) {
    ::setenv("BRAMBLET_LANG", "ja", 1);
    const RunResult help = Cli({"--help"});
    const RunResult own = Cli({"write", "--help"});
    const RunResult wrong = Cli({"write", "prog.mot", "--baud", "5", "--port", "x"});
    // The option on the command line wins over the environment, after --help too.
    const RunResult english = Cli({"write", "--help", "--lang", "en"});
    ::unsetenv("BRAMBLET_LANG");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.substr(0, help.out.find('\n')), "使い方: bramblet-cli check FILE");
    EXPECT_NE(help.out.find("  write        チップを消去し、FILE を書き込んでベリファイする\n"),
              std::string::npos);
    EXPECT_NE(help.out.find("\nオプション:\n  --port PORT          シリアルポート"),
              std::string::npos);
    EXPECT_EQ(own.out.substr(0, own.out.find('\n')),
              "使い方: bramblet-cli write FILE --port PORT [--port PORT ...] [オプション]");
    EXPECT_NE(own.out.find("チップを消去し、FILE を書き込んでベリファイします。FILE は"),
              std::string::npos);
    EXPECT_EQ(wrong.status, 2);
    EXPECT_EQ(
        wrong.err.substr(0, wrong.err.find('\n')),
        "bramblet-cli: --baud には 9600、19200、38400、57600 または 115200 を指定してください");
    EXPECT_FALSE(HoldsJapanese(english.out));
    EXPECT_EQ(english.out.substr(0, english.out.find('\n')),
              "usage: bramblet-cli write FILE --port PORT [--port PORT ...] [options]");

    // With no language chosen, the usage stays as it has always been.
    const RunResult plain = Cli({"write", "x.mot", "--bogus"});
    EXPECT_EQ(plain.err.substr(0, plain.err.find('\n')), "bramblet-cli: unknown option --bogus");
}

TEST_F(CliLanguageTest, TheSimulatorsHelpAndErrorsFollowTheLanguage) {
    const auto sim = [](std::vector<std::string> args) {
        args.insert(args.begin(), BRAMBLET_SIM);
        return RunProgram(args);
    };
    const RunResult english = sim({"--help"});
    EXPECT_EQ(english.status, 0);
    EXPECT_FALSE(HoldsJapanese(english.out));
    EXPECT_NE(english.out.find("\n  --lang LANG "), std::string::npos);
    const RunResult japanese = sim({"--help", "--lang", "ja"});
    EXPECT_EQ(japanese.out.substr(0, japanese.out.find('\n')), "使い方: bramblet-sim [オプション]");
    // The error comes before the --lang that chooses its language.
    const RunResult wrong = sim({"--family", "Z80", "--lang", "ja"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_EQ(wrong.err, "bramblet-sim: --family の値が正しくないか、ありません\n");
    ::setenv("BRAMBLET_LANG", "ja", 1);
    const RunResult unknown = sim({"--bogus", "--lang", "en"});
    ::unsetenv("BRAMBLET_LANG");
    EXPECT_EQ(unknown.err.substr(0, unknown.err.find('\n')),
              "bramblet-sim: unknown option --bogus");
    EXPECT_FALSE(HoldsJapanese(unknown.err));
}

}  // namespace
}  // namespace bramblet::testing
