// The station's rules that need no chip: the serial option, the counter, the list, the command's
// answer, the JSON strings.
#include <gtest/gtest.h>

#include <deque>

#include "writer/cli/Json.h"
#include "writer/cli/Options.h"
#include "writer/cli/Serial.h"

namespace bramblet {
namespace {

TEST(StationTest, SerialOptionNamesAPlaceThatFitsAndWhereItsNumbersComeFrom) {
    std::string error;
    const auto serial = ParseSerialOption("c1f0:4:C:\\station\\serial.txt", error);
    ASSERT_TRUE(serial);
    EXPECT_EQ(serial->address, 0xC1F0u);
    EXPECT_EQ(serial->width, 4);
    EXPECT_EQ(serial->from, SerialFrom::Counter);
    EXPECT_EQ(serial->where, "C:\\station\\serial.txt");
    EXPECT_TRUE(ParseSerialOption("FFFFF8:8:n", error));
    for (const char* bad : {"FFFFF9:8:n", "C000:0:n", "C000:9:n", "C000:10:n", "C000:4:", "C000:4",
                            "C000", "G000:4:n", ":4:n", "1000000:1:n", "C000:-1:n",
                            "C000:4:list:", "C000:4:cmd:", "C000:4:cmd:  ", "C000:4:cmd:\"next"}) {
        EXPECT_FALSE(ParseSerialOption(bad, error)) << bad;
        EXPECT_EQ(error.rfind("--serial ", 0), 0u) << error;
    }

    const auto list = ParseSerialOption("4400:2:list:C:\\line\\numbers.txt", error);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->from, SerialFrom::List);
    EXPECT_EQ(list->where, "C:\\line\\numbers.txt");
    // Words and quotes only: what a shell would expand or run stays as it is.
    const auto command = ParseSerialOption(
        "4400:2:cmd:\"C:\\Program Files\\mes.exe\"  next\t$LINE;rm|x \"a\"b", error);
    ASSERT_TRUE(command);
    EXPECT_EQ(command->from, SerialFrom::Command);
    EXPECT_EQ(command->command,
              (std::vector<std::string>{"C:\\Program Files\\mes.exe", "next", "$LINE;rm|x", "ab"}));
    EXPECT_EQ(SplitCommand("\"\" x"), (std::vector<std::string>{"", "x"}));

    EXPECT_FALSE(
        ParseOptions({"write", "a.mot", "--port", "COM1", "--serial-done", "book"}, error));
    EXPECT_EQ(error, "--serial-done needs --serial");
    const auto done = ParseOptions({"write", "a.mot", "--port", "COM1", "--serial", "C000:4:list:n",
                                    "--serial-done", "book 'a b'"},
                                   error);
    ASSERT_TRUE(done);
    EXPECT_EQ(*done->serialDone, (std::vector<std::string>{"book", "'a", "b'"}));

    EXPECT_FALSE(ParseOptions({"erase", "--port", "COM1", "--serial", "C000:4:n"}, error));
    EXPECT_TRUE(ParseOptions(
        {"write", "a.mot", "--port", "COM1", "--serial", "C000:4:n", "--json", "--log", "run.log"},
        error));
}

TEST(StationTest, CounterGivesConsecutiveNumbersThatFitTheirWidth) {
    EXPECT_EQ(ParseCounter("41\n"), 41u);
    EXPECT_EQ(ParseCounter(" 007 \r\n"), 7u);
    EXPECT_EQ(ParseCounter("18446744073709551615"), 18446744073709551615u);
    for (const char* bad : {"", "\n", "-1", "+1", "4 1", "12a", "0x10", "18446744073709551616"}) {
        EXPECT_FALSE(ParseCounter(bad)) << bad;
    }

    std::string error;
    const auto two = TakeSerialNumbers("254\n", 1, 2, error);
    ASSERT_TRUE(two);
    EXPECT_EQ(two->first, 254u);
    EXPECT_EQ(two->next, "256\n");
    EXPECT_FALSE(TakeSerialNumbers("255\n", 1, 2, error));
    EXPECT_EQ(error, "the serial numbers from 255 for 2 boards do not all fit in 1 byte");
    EXPECT_FALSE(TakeSerialNumbers("65536", 2, 1, error));
    EXPECT_EQ(error, "the serial number 65536 does not fit in 2 bytes");
    EXPECT_FALSE(TakeSerialNumbers("seven", 2, 1, error));
    EXPECT_EQ(error, "the counter holds no decimal number");
    // The counter must hold the number after the last one given.
    EXPECT_EQ(TakeSerialNumbers("18446744073709551614", 8, 1, error)->next,
              "18446744073709551615\n");
    EXPECT_FALSE(TakeSerialNumbers("18446744073709551615", 8, 1, error));

    SerialOption option;
    option.address = 0xC1F0;
    option.width = 3;
    const ImagePatch patch = SerialPatch(option, 0x123456);
    EXPECT_EQ(patch.address, 0xC1F0u);
    EXPECT_EQ(patch.bytes, (std::vector<std::uint8_t>{0x56, 0x34, 0x12}));
}

TEST(StationTest, ListGivesItsUnusedNumbersInOrderAndMarksTheirLinesInPlace) {
    std::string error;
    // A Windows editor's list: a byte-order mark, CR LF, a blank line, one number already used.
    const std::string list =
        "\xEF\xBB\xBF"
        "1001 used\r\n 1002\t\r\n\r\n1003\r\n1004";
    const auto two = TakeFromList(list, 2, 2, error);
    ASSERT_TRUE(two) << error;
    EXPECT_EQ(two->numbers, (std::vector<std::uint64_t>{1002, 1003}));
    EXPECT_EQ(two->text,
              "\xEF\xBB\xBF"
              "1001 used\r\n 1002 used\t\r\n\r\n1003 used\r\n1004");
    // What the list said it gave is not given again; the last line has no line end.
    const auto rest = TakeFromList(two->text, 2, 5, error);
    ASSERT_TRUE(rest) << error;
    EXPECT_EQ(rest->numbers, (std::vector<std::uint64_t>{1004}));
    EXPECT_EQ(rest->text.substr(rest->text.size() - 10), "\n1004 used");
    const auto none = TakeFromList(rest->text, 2, 1, error);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->numbers.empty());
    EXPECT_EQ(none->text, rest->text);

    const std::pair<const char*, const char*> refused[] = {
        {"1\n2\nx3\n", "line 3: \"x3\" is not a decimal number, optionally followed by used"},
        {"1\n\n1 usedx\n",
         "line 3: \"1 usedx\" is not a decimal number, optionally followed by used"},
        {"1used\n", "line 1: \"1used\" is not a decimal number, optionally followed by used"},
        {"-1\n", "line 1: \"-1\" is not a decimal number, optionally followed by used"},
        {"7 used\n8\n7\n", "line 3: 7 is also on line 1"},
        {"65535\n65536 used\n", "line 2: 65536 does not fit in 2 bytes"},
    };
    for (const auto& [text, why] : refused) {
        EXPECT_FALSE(TakeFromList(text, 2, 1, error)) << text;
        EXPECT_EQ(error, why);
    }
}

// Programs that answer from a script instead of running.
class ScriptedPrograms : public ProgramRunner {
public:
    ProgramEnd Run(const std::vector<std::string>& argv, bool capture) override {
        runs.push_back({argv, capture});
        ProgramEnd end = ends.front();
        ends.pop_front();
        return end;
    }
    static ProgramEnd Printed(std::string output, int status = 0) {
        return {true, "", true, status, std::move(output)};
    }
    std::deque<ProgramEnd> ends;
    std::vector<std::pair<std::vector<std::string>, bool>> runs;
};

TEST(StationTest, CommandNumbersFailOnlyTheirOwnBoardAndAreBookedWithSeparateArguments) {
    std::string error;
    EXPECT_EQ(ParseCommandNumber("42\n", 1, error), 42u);
    EXPECT_EQ(ParseCommandNumber("42\r\n", 1, error), 42u);
    EXPECT_EQ(ParseCommandNumber("0042", 1, error), 42u);
    for (const char* bad :
         {"", "\n", " 42\n", "42 \n", "42\n\n", "4 2", "42\nok\n", "-1", "0x2A"}) {
        EXPECT_FALSE(ParseCommandNumber(bad, 1, error)) << bad;
    }
    EXPECT_FALSE(ParseCommandNumber("256\n", 1, error));
    EXPECT_EQ(error, "gave 256, which does not fit in 1 byte");

    const SerialOption option = *ParseSerialOption("4400:1:cmd:next-serial --line 3", error);
    ScriptedPrograms programs;
    ProgramEnd notStarted;
    notStarted.error = "next-serial: No such file or directory";
    ProgramEnd killed{true, "", false, 9, "7\n"};
    programs.ends = {
        ScriptedPrograms::Printed("7\n"),    ScriptedPrograms::Printed("8\n", 3), killed,
        ScriptedPrograms::Printed("busy\n"), ScriptedPrograms::Printed("7\n"),    notStarted,
        ScriptedPrograms::Printed("300\n"),  ScriptedPrograms::Printed("9")};
    const auto drawn = MakeSerialSource(option, programs)->Draw(8, error);
    ASSERT_TRUE(drawn);
    ASSERT_EQ(drawn->size(), 8u);
    const std::string reasons[] = {
        "",
        "next-serial exited with status 3",
        "next-serial was killed by signal 9",
        "next-serial printed \"busy\\n\", not one decimal number",
        "next-serial gave 7 again",
        "cannot run next-serial: No such file or directory",
        "next-serial gave 300, which does not fit in 1 byte",
        "",
    };
    for (std::size_t i = 0; i < drawn->size(); ++i) {
        EXPECT_EQ((*drawn)[i].why, reasons[i]) << i;
        EXPECT_EQ((*drawn)[i].number.has_value(), reasons[i].empty()) << i;
    }
    EXPECT_EQ((*drawn)[0].number, 7u);
    EXPECT_EQ((*drawn)[7].number, 9u);
    for (const auto& [argv, capture] : programs.runs) {
        EXPECT_EQ(argv, (std::vector<std::string>{"next-serial", "--line", "3"}));
        EXPECT_TRUE(capture);
    }

    // The port goes as one argument, whatever it holds.
    programs.runs.clear();
    programs.ends = {ScriptedPrograms::Printed(""), ScriptedPrograms::Printed("", 1)};
    const std::vector<std::string> book = {"book", "--station", "2"};
    EXPECT_FALSE(BookSerial(programs, book, 7, "/dev/tty USB0;rm -rf ~", true));
    EXPECT_EQ(BookSerial(programs, book, 8, "COM3", false),
              "--serial-done: book exited with status 1 for the number 8");
    ASSERT_EQ(programs.runs.size(), 2u);
    EXPECT_EQ(programs.runs[0].first, (std::vector<std::string>{"book", "--station", "2", "7",
                                                                "/dev/tty USB0;rm -rf ~", "ok"}));
    EXPECT_EQ(programs.runs[1].first.back(), "void");
    EXPECT_FALSE(programs.runs[0].second);
}

TEST(StationTest, JsonStringsEscapeOnlyWhatJsonNeeds) {
    EXPECT_EQ(JsonString("a\"b\\c\n\r\t\x01\x7F/"), "\"a\\\"b\\\\c\\n\\r\\t\\u0001\x7F/\"");
    EXPECT_EQ(JsonString("フラッシュ消去中"), "\"フラッシュ消去中\"");
    // Bytes that are no UTF-8 (a name in another encoding) stay valid JSON.
    EXPECT_EQ(JsonString("\xFF"
                         "a\xE3\x81"),
              "\"\xEF\xBF\xBD"
              "a\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonObject().Thousandths("s", 1005).Null("n").Bool("b", false).Text(),
              "{\"s\":1.005,\"n\":null,\"b\":false}");
}

}  // namespace
}  // namespace bramblet
