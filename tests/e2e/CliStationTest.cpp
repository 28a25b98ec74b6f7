// bramblet-cli on a production line, against bramblet-sim on real pseudo-terminals in real time:
// JSON lines for a test framework, a run log shared by processes, serial numbers from a counter,
// a list file and the line's own programs.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "tests/e2e/SimChips.h"
#include "tests/support/Json.h"
#include "tests/support/SRecords.h"
#include "tests/support/StatusTexts.h"
#include "writer/common/Text.h"
#include "writer/flash/Image.h"

namespace bramblet::testing {
namespace {

using Lines = std::vector<std::string>;

class CliStationTest : public SimChipsTest {
protected:
    // Every line of `text` as a JSON object; a line that is not one fails the test.
    static std::vector<Json> Objects(const std::string& text) {
        std::vector<Json> objects;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            const auto value = JsonReader::Parse(line);
            EXPECT_TRUE(value && value->type == Json::Type::Object) << line;
            if (value) objects.push_back(*value);
        }
        return objects;
    }
    // The number at `address`, little-endian, in a saved flash.
    std::uint64_t Number(const std::string& name, std::uint32_t address, int width) {
        const sim::Chip chip = Saved(name);
        std::uint64_t n = 0;
        for (int i = width - 1; i >= 0; --i) n = n << 8 | chip.Read(address + i);
        return n;
    }

    // A shell script in the test's folder, ready to run.
    std::string Script(const std::string& name, const std::string& body) {
        const std::string path = dir.Write(name, "#!/bin/sh\n" + body);
        chmod(path.c_str(), 0755);
        return path;
    }
    // The results of a --json run, in the order of its ports.
    static std::vector<Json> Results(const RunResult& run) {
        std::vector<Json> results;
        for (const Json& o : Objects(run.out)) {
            if (o["event"].text == "result") results.push_back(o);
        }
        return results;
    }

    // Two pages and part of a third, at the start of the R8C's program ROM.
    const std::string file = dir.Write("prog.mot", SRecords('1', 0x4000, 0x280, 5));
};

TEST_F(CliStationTest, JsonLinesCarryEveryTextAndEndWithAResultPerBoard) {
    auto a = Sim("a");
    auto b = Sim("b", {"--id", "0123456789ABCD"});  // locked, and no code given
    const std::vector<std::string> command = {"write",  file,          "--port", dir.Name("a"),
                                              "--port", dir.Name("b"), "--baud", "115200"};
    std::vector<std::string> json = command;
    json.push_back("--json");
    const RunResult run = Cli(json);
    EXPECT_EQ(run.status, 1) << run.err;
    const std::vector<Json> objects = Objects(run.out);
    ASSERT_GE(objects.size(), 2u);

    // The same run without --json, on chips reset to their first rate, gives the texts.
    a->Signal(SIGUSR1);
    b->Signal(SIGUSR1);
    const RunResult text = Cli(command);
    std::map<std::string, Lines> statuses, expected;
    std::set<int> positions;
    for (const Json& o : std::vector<Json>(objects.begin(), objects.end() - 2)) {
        const std::string& port = o["port"].text;
        ASSERT_TRUE(port == dir.Name("a") || port == dir.Name("b")) << port;
        const std::string& event = o["event"].text;
        if (event == "status") statuses[port].push_back(o["text"].text);
        if (event == "progress" && port == dir.Name("a"))
            positions.insert(std::stoi(o["position"].text));
        if (event == "version") {
            EXPECT_EQ(o["text"].text, "VER.1.00");
        }
        EXPECT_TRUE(event == "status" || event == "progress" || event == "version") << event;
    }
    for (const std::string& line : text.Lines()) {
        for (const char* name : {"a", "b"}) {
            const std::string prefix = dir.Name(name) + ": ";
            if (line.rfind(prefix, 0) == 0)
                expected[dir.Name(name)].push_back(line.substr(prefix.size()));
        }
    }
    // Less the summary line each board has at the end of the text run.
    for (auto& [port, lines] : expected) lines.pop_back();
    EXPECT_EQ(statuses, expected);
    EXPECT_EQ(*positions.begin(), 0);
    EXPECT_EQ(*positions.rbegin(), 99);

    const Json& ok = objects[objects.size() - 2];
    const Json& failed = objects.back();
    EXPECT_EQ(ok["event"].text, "result");
    EXPECT_EQ(ok["port"].text, dir.Name("a"));
    EXPECT_EQ(ok["command"].text, "write");
    EXPECT_TRUE(ok["ok"].boolean);
    EXPECT_TRUE(ok["step"].IsNull());
    EXPECT_EQ(ok["text"].text, kWritten);
    EXPECT_TRUE(ok["serial"].IsNull());
    EXPECT_EQ("CRC-32: " + ok["crc32"].text + " (" + ok["size"].text + " bytes)",
              Cli({"check", file}).Lines().back());
    EXPECT_EQ(ok["size"].text, "768");
    EXPECT_EQ(ok["seconds"].type, Json::Type::Number);

    EXPECT_EQ(failed["port"].text, dir.Name("b"));
    EXPECT_FALSE(failed["ok"].boolean);
    EXPECT_EQ(failed["step"].text, "id-code");
    EXPECT_EQ(failed["text"].text, kIdMismatch);
    for (const char* key : {"detail", "page", "srd", "srd1", "mismatch", "lost", "serial_void"}) {
        EXPECT_TRUE(failed.Has(key) && failed[key].IsNull()) << key;
    }
    // The people at the line still read how each board ended.
    EXPECT_NE(run.err.find(dir.Name("b") + ": failed: ID照合不一致"), std::string::npos) << run.err;
}

TEST_F(CliStationTest, TwoProcessesShareTheLogAndTheCounterWithoutMixingThem) {
    std::vector<std::unique_ptr<SimProcess>> chips;
    for (const char* name : {"a", "b", "c", "d"}) chips.push_back(Sim(name));
    dir.Write("serial.txt", "100\n");
    dir.Write("run.log", "");
    auto run = [&](const char* first, const char* second) {
        return std::make_unique<ProgramRun>(
            Args({"write", file, "--port", dir.Name(first), "--port", dir.Name(second), "--baud",
                  "115200", "--serial", "42F0:2:" + dir.Name("serial.txt"), "--log",
                  dir.Name("run.log")}));
    };
    auto one = run("a", "b");
    auto two = run("c", "d");
    const RunResult ended[] = {one->Finish(), two->Finish()};
    for (const RunResult& r : ended) EXPECT_EQ(r.status, 0) << r.err;

    const std::vector<Json> lines = Objects(Contents("run.log"));
    ASSERT_EQ(lines.size(), 4u);
    std::map<std::string, std::uint64_t> serials;
    const std::regex time(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)");
    for (const Json& line : lines) {
        EXPECT_TRUE(std::regex_match(line["time"].text, time)) << line["time"].text;
        EXPECT_EQ(line["file"].text, file);
        EXPECT_EQ(line["version"].text, "VER.1.00");
        EXPECT_TRUE(line["ok"].boolean);
        EXPECT_FALSE(line["serial_void"].boolean);
        serials[line["port"].text] = line["serial"].Unsigned();
    }
    ASSERT_EQ(serials.size(), 4u);
    // Each process took two numbers in one go: consecutive in the order of its ports.
    EXPECT_EQ(serials[dir.Name("b")], serials[dir.Name("a")] + 1);
    EXPECT_EQ(serials[dir.Name("d")], serials[dir.Name("c")] + 1);
    std::set<std::uint64_t> distinct;
    for (const auto& [port, n] : serials) distinct.insert(n);
    EXPECT_EQ(distinct, (std::set<std::uint64_t>{100, 101, 102, 103}));
    EXPECT_EQ(Contents("serial.txt"), "104\n");

    // Each chip holds its number, in the file's own last page.
    for (auto& chip : chips) ASSERT_EQ(chip->Stop(), 0);
    for (const char* name : {"a", "b", "c", "d"}) {
        EXPECT_EQ(Number(name, 0x42F0, 2), serials[dir.Name(name)]) << name;
        EXPECT_EQ(Saved(name).Read(0x42F2), 0xFF);
    }
}

TEST_F(CliStationTest, SerialNumbersAreConsecutiveAndAFailedBoardsNumberIsVoid) {
    auto a = Sim("a");
    auto b = Sim("b", {"--id", "0123456789ABCD"});
    auto c = Sim("c");
    dir.Write("serial.txt", "7");
    const std::string serial = "4400:4:" + dir.Name("serial.txt");
    const RunResult first =
        Cli({"write", file, "--port", dir.Name("a"), "--port", dir.Name("b"), "--port",
             dir.Name("c"), "--baud", "115200", "--serial", serial, "--json"});
    EXPECT_EQ(first.status, 1);
    std::vector<Json> results;
    for (const Json& o : Objects(first.out)) {
        if (o["event"].text == "result") results.push_back(o);
    }
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0]["serial"].Unsigned(), 7u);
    EXPECT_EQ(results[1]["serial"].Unsigned(), 8u);
    EXPECT_EQ(results[2]["serial"].Unsigned(), 9u);
    EXPECT_FALSE(results[0]["serial_void"].boolean);
    EXPECT_TRUE(results[1]["serial_void"].boolean);
    EXPECT_FALSE(results[2]["serial_void"].boolean);
    // A board's CRC-32 is that of its own image: the file's pages and the number's.
    EXPECT_NE(results[0]["crc32"].text, results[2]["crc32"].text);
    EXPECT_EQ(results[0]["size"].text, "1024");
    EXPECT_EQ(Contents("serial.txt"), "10\n");

    // The next run goes on from there; the void number is not given again.
    a->Signal(SIGUSR1);
    c->Signal(SIGUSR1);
    const RunResult second = Cli({"write", file, "--port", dir.Name("c"), "--port", dir.Name("a"),
                                  "--baud", "115200", "--serial", serial, "--json"});
    EXPECT_EQ(second.status, 0) << second.err;
    const Json last = Objects(second.out).back();
    EXPECT_EQ(last["port"].text, dir.Name("a"));
    EXPECT_EQ(last["serial"].Unsigned(), 11u);
    EXPECT_EQ(Contents("serial.txt"), "12\n");
    for (auto* chip : {a.get(), b.get(), c.get()}) ASSERT_EQ(chip->Stop(), 0);
    EXPECT_EQ(Number("c", 0x4400, 4), 10u);
    EXPECT_EQ(Number("a", 0x4400, 4), 11u);
    EXPECT_EQ(Number("b", 0x4400, 4), 0xFFFFFFFFu);

    // The board's CRC-32 is the figure of its chip's pages read back, number included.
    const sim::Chip chip = Saved("a");
    std::vector<std::uint8_t> pages;
    for (std::uint32_t x = 0x4000; x < 0x4300; ++x) pages.push_back(chip.Read(x));
    for (std::uint32_t x = 0x4400; x < 0x4500; ++x) pages.push_back(chip.Read(x));
    EXPECT_EQ(last["crc32"].text, Hex(Crc32(0, pages.data(), pages.size()), 8));
}

TEST_F(CliStationTest, TwoProcessesDrawFromOneListAndItRecordsWhatWasGiven) {
    std::vector<std::unique_ptr<SimProcess>> chips;
    for (const char* name : {"a", "b", "c", "d"}) chips.push_back(Sim(name));
    const std::string list = dir.Write("numbers.txt", "500 used\n501\n\n502\r\n503\n504\n505\n");
    const std::string serial = "4400:2:list:" + list;
    auto run = [&](const char* first, const char* second) {
        return std::make_unique<ProgramRun>(
            Args({"write", file, "--port", dir.Name(first), "--port", dir.Name(second), "--baud",
                  "115200", "--serial", serial, "--json"}));
    };
    auto one = run("a", "b");
    auto two = run("c", "d");
    const RunResult ended[] = {one->Finish(), two->Finish()};
    std::map<std::string, std::uint64_t> serials;
    for (const RunResult& r : ended) {
        EXPECT_EQ(r.status, 0) << r.err;
        for (const Json& result : Results(r))
            serials[result["port"].text] = result["serial"].Unsigned();
    }
    std::set<std::uint64_t> distinct;
    for (const auto& [port, n] : serials) distinct.insert(n);
    EXPECT_EQ(distinct, (std::set<std::uint64_t>{501, 502, 503, 504}));
    EXPECT_EQ(Contents("numbers.txt"),
              "500 used\n501 used\n\n502 used\r\n503 used\n504 used\n505\n");

    // The last number goes to the first port; the board after it fails and is sent nothing.
    const std::string log = dir.Name("e.log");
    auto e = Sim("e", {"--verbose"}, log);
    chips[0]->Signal(SIGUSR1);
    const RunResult last = Cli({"write", file, "--port", dir.Name("a"), "--port", dir.Name("e"),
                                "--baud", "115200", "--serial", serial, "--json"});
    EXPECT_EQ(last.status, 1) << last.err;
    const std::vector<Json> results = Results(last);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0]["serial"].Unsigned(), 505u);
    EXPECT_TRUE(results[0]["ok"].boolean);
    EXPECT_FALSE(results[1]["ok"].boolean);
    EXPECT_EQ(results[1]["step"].text, "serial");
    EXPECT_TRUE(results[1]["serial"].IsNull());
    EXPECT_TRUE(results[1]["crc32"].IsNull());
    EXPECT_EQ(results[1]["detail"].text,
              "--serial: the list " + list + " has no unused number left");
    EXPECT_NE(last.err.find(dir.Name("e") + ": failed: no serial number"), std::string::npos)
        << last.err;
    EXPECT_EQ(Contents("numbers.txt"),
              "500 used\n501 used\n\n502 used\r\n503 used\n504 used\n505 used\n");
    ASSERT_EQ(e->Stop(), 0);
    EXPECT_EQ(Contents("e.log"), "");
    for (auto& chip : chips) ASSERT_EQ(chip->Stop(), 0);
    for (const char* name : {"a", "b", "c", "d"}) {
        if (std::string(name) == "a") continue;  // written twice
        EXPECT_EQ(Number(name, 0x4400, 2), serials[dir.Name(name)]) << name;
    }
    EXPECT_EQ(Number("a", 0x4400, 2), 505u);
}

TEST_F(CliStationTest, TheLinesProgramsHandOutAndBookNumbersAndNoPortBecomesACommand) {
    dir.Write("mes-counter", "9000\n");
    const std::string next =
        Script("next.sh", "n=$(cat '" + dir.Name("mes-counter") + "')\necho $((n + 1)) > '" +
                              dir.Name("mes-counter") + "'\necho \"$n\"\n");
    // Boards a and c end together: a booking that overlapped another would split its line.
    const std::string book =
        Script("book.sh", "printf '%s|' \"$#\" \"$@\" >> '" + dir.Name("booked.txt") +
                              "'\nsleep 0.2\necho >> '" + dir.Name("booked.txt") +
                              "'\necho booked\n");
    // A port whose name a shell would run: it must reach the hook as one word, as it is.
    const std::string odd = "c;touch pwned $(touch pwned2)'\"";
    auto a = Sim("a");
    auto b = Sim("b", {"--id", "0123456789ABCD"});  // locked, and no code given: void
    auto c = Sim(odd);
    const RunResult run =
        Cli({"write", file, "--port", dir.Name("a"), "--port", dir.Name("b"), "--port",
             dir.Name(odd), "--baud", "115200", "--serial", "4400:4:cmd:" + next + " --station 1",
             "--serial-done", book + " --line \"A 1\"", "--json"});
    EXPECT_EQ(run.status, 1) << run.err;
    const std::vector<Json> results = Results(run);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0]["serial"].Unsigned(), 9000u);
    EXPECT_EQ(results[1]["serial"].Unsigned(), 9001u);
    EXPECT_EQ(results[2]["serial"].Unsigned(), 9002u);
    EXPECT_TRUE(results[1]["serial_void"].boolean);
    // The hook's own output stays off the JSON lines.
    for (const Json& o : Objects(run.out)) EXPECT_NE(o["text"].text, "booked");

    std::istringstream booked(Contents("booked.txt"));
    std::set<std::string> lines;
    for (std::string line; std::getline(booked, line);) lines.insert(line);
    EXPECT_EQ(lines, (std::set<std::string>{
                         "5|--line|A 1|9000|" + dir.Name("a") + "|ok|",
                         "5|--line|A 1|9001|" + dir.Name("b") + "|void|",
                         "5|--line|A 1|9002|" + dir.Name(odd) + "|ok|",
                     }));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "pwned"));
    EXPECT_FALSE(std::filesystem::exists("pwned"));
    EXPECT_FALSE(std::filesystem::exists("pwned2"));
    for (auto* chip : {a.get(), b.get(), c.get()}) ASSERT_EQ(chip->Stop(), 0);
    EXPECT_EQ(Number("a", 0x4400, 4), 9000u);
    EXPECT_EQ(Number(odd, 0x4400, 4), 9002u);

    // A hook that fails makes the run a failure, though the board was written.
    auto d = Sim("d");
    const std::string refuse = Script("refuse.sh", "exit 4\n");
    const RunResult unbooked = Cli({"write", file, "--port", dir.Name("d"), "--serial",
                                    "4400:4:cmd:" + next, "--serial-done", refuse});
    EXPECT_EQ(unbooked.status, 1);
    EXPECT_NE(unbooked.err.find("bramblet-cli: --serial-done: " + refuse +
                                " exited with status 4 for the number 9003"),
              std::string::npos)
        << unbooked.err;
}

TEST_F(CliStationTest, ACommandThatGivesNoNumberFailsItsBoardBeforeAnythingIsSent) {
    const std::string log = dir.Name("chip.log");
    auto chip = Sim("chip", {"--verbose"}, log);
    const std::string booked = dir.Name("booked.txt");
    const std::string book = Script("book.sh", "echo \"$@\" >> '" + booked + "'\n");
    const std::pair<std::string, std::string> commands[] = {
        {"exit 3", "exited with status 3"},
        {"echo 12 busy", "printed \"12 busy\\n\", not one decimal number"},
        {"printf ''", "printed \"\", not one decimal number"},
        {"echo 65536", "gave 65536, which does not fit in 2 bytes"},
        {"kill -9 $$", "was killed by signal 9"},
    };
    int i = 0;
    for (const auto& [body, why] : commands) {
        const std::string next = Script("next" + std::to_string(++i) + ".sh", body + "\n");
        const RunResult run = Cli({"write", file, "--port", dir.Name("chip"), "--serial",
                                   "4400:2:cmd:" + next, "--serial-done", book, "--json"});
        EXPECT_EQ(run.status, 1) << body;
        const std::vector<Json> results = Results(run);
        ASSERT_EQ(results.size(), 1u) << run.out;
        EXPECT_EQ(results[0]["step"].text, "serial");
        EXPECT_EQ(results[0]["detail"].text, "--serial: " + next + " " + why);
        EXPECT_EQ(run.err, "bramblet-cli: --serial: " + next + " " + why + "\n");
    }
    const RunResult missing = Cli({"write", file, "--port", dir.Name("chip"), "--serial",
                                   "4400:2:cmd:" + dir.Name("no-such-program")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "bramblet-cli: --serial: cannot run " + dir.Name("no-such-program") +
                               ": No such file or directory\n");
    ASSERT_EQ(chip->Stop(), 0);
    EXPECT_EQ(Contents("chip.log"), "");
    EXPECT_FALSE(std::filesystem::exists(TempDir::Utf8(booked)));
}

TEST_F(CliStationTest, StationRefusalsSendNothing) {
    const std::string old = dir.Write("old.mot", SRecords('1', 0x4000, 0x10, 9));
    auto chip = Sim("chip", {"--load", old});
    dir.Write("bad.txt", "twelve\n");
    dir.Write("full.txt", "256\n");
    dir.Write("list.txt", "1 used\n2\n02\n");
    const std::vector<std::vector<std::string>> refused = {
        {"--serial", "4400:4:list:" + dir.Name("list.txt")},  // 2 on lines 2 and 3
        {"--serial", "4400:4:list:" + dir.Name("missing.txt")},
        {"--serial", "4400:4:" + dir.Name("bad.txt")},
        {"--serial", "4400:4:" + dir.Name("missing.txt")},
        {"--serial", "4400:1:" + dir.Name("full.txt")},
        {"--serial", "427E:4:" + dir.Name("full.txt")},  // the file supplies 427E and 427F
        {"--log", dir.Name("no/such/folder/run.log")},
    };
    for (const auto& options : refused) {
        std::vector<std::string> args = {"write", file, "--port", dir.Name("chip"), "--json"};
        args.insert(args.end(), options.begin(), options.end());
        const RunResult run = Cli(args);
        EXPECT_EQ(run.status, 2) << options[1];
        EXPECT_EQ(run.out, "") << options[1];
        EXPECT_EQ(run.err.rfind("bramblet-cli: ", 0), 0u) << run.err;
    }
    EXPECT_EQ(Contents("full.txt"), "256\n");
    EXPECT_EQ(Contents("list.txt"), "1 used\n2\n02\n");
    EXPECT_FALSE(std::filesystem::exists(TempDir::Utf8(dir.Name("missing.txt.lock"))));
    ASSERT_EQ(chip->Stop(), 0);
    const sim::Chip saved = Saved("chip");
    for (std::uint32_t x = 0x4000; x < 0x4010; ++x) ASSERT_EQ(saved.Read(x), (x + 9) & 0xFF);
}

}  // namespace
}  // namespace bramblet::testing
