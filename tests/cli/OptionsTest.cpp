#include <gtest/gtest.h>

#include "writer/cli/Options.h"

namespace bramblet {
namespace {

std::optional<Options> Parse(std::vector<std::string> args, std::string* error = nullptr) {
    std::string text;
    auto options = ParseOptions(args, text);
    if (error) *error = text;
    return options;
}

TEST(OptionsTest, SequencesTakeAPortAndTheirFile) {
    auto write = Parse({"write", "a.mot", "--port", "/dev/ttyUSB0"});
    ASSERT_TRUE(write);
    EXPECT_EQ(write->command, Command::Write);
    EXPECT_EQ(write->file, "a.mot");
    EXPECT_EQ(write->ports, std::vector<std::string>{"/dev/ttyUSB0"});
    EXPECT_FALSE(write->family);
    EXPECT_FALSE(write->idCode);

    auto erase = Parse({"erase", "--port", "COM3", "--mode-pin", "--family", "R8CM"});
    ASSERT_TRUE(erase);
    EXPECT_EQ(erase->file, "");
    EXPECT_TRUE(erase->modePin);
    EXPECT_EQ(erase->family, Family::R8CM);

    std::string error;
    EXPECT_FALSE(Parse({"verify", "a.mot"}, &error));
    EXPECT_NE(error.find("--port"), std::string::npos);
    EXPECT_FALSE(Parse({"write", "--port", "COM1"}));
    EXPECT_FALSE(Parse({"write", "a.mot", "b.mot", "--port", "COM1"}));
    EXPECT_FALSE(Parse({"write", "a.mot", "--port"}));
    EXPECT_FALSE(Parse({"write", "a.mot", "--port", "COM1", "--family", "r8c"}));
    EXPECT_FALSE(Parse({"write", "a.mot", "--port", "COM1", "--speed", "9600"}));
    EXPECT_FALSE(Parse({"program", "a.mot"}));
    EXPECT_FALSE(Parse({}));
}

TEST(OptionsTest, IdCodeIsSevenHexBytesWithAnOptionalFamily) {
    auto options = Parse({"write", "a.mot", "--port", "COM1", "--id", "0123456789abCD,M32C"});
    ASSERT_TRUE(options && options->idCode);
    EXPECT_EQ(*options->idCode, (IdCodeBytes{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD}));
    EXPECT_EQ(options->idFamily, Family::M32C);

    options = Parse({"write", "a.mot", "--port", "COM1", "--id", "FFFFFFFFFFFFFF"});
    ASSERT_TRUE(options);
    EXPECT_FALSE(options->idFamily);

    for (const char* bad : {"0123456789ABC", "0123456789ABCDE", "0123456789ABCG", "",
                            "11223344556677,r8c", "11223344556677,", "11223344556677,M16C,"}) {
        EXPECT_FALSE(Parse({"write", "a.mot", "--port", "COM1", "--id", bad})) << bad;
    }
}

TEST(OptionsTest, BoardsSideBySideShareTheirOptions) {
    auto write = Parse({"write", "a.mot", "--port", "/dev/ttyUSB0", "--port", "/dev/ttyUSB1",
                        "--baud", "115200", "--id", "0123456789ABCD"});
    ASSERT_TRUE(write);
    EXPECT_EQ(write->ports, (std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyUSB1"}));
    EXPECT_EQ(write->baud, 115200u);
    EXPECT_TRUE(write->idCode);

    auto info = Parse({"info", "--port", "COM3", "--port", "COM4"});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->command, Command::Info);
    EXPECT_EQ(info->ports.size(), 2u);

    std::string error;
    EXPECT_FALSE(
        Parse({"read", "0-FF", "--port", "COM3", "--port", "COM4", "-o", "x.mot"}, &error));
    EXPECT_NE(error.find("one --port"), std::string::npos);
    // info's FILE only locates the ID file that unlocks the chip.
    auto located = Parse({"info", "a.mot", "--port", "COM3"});
    ASSERT_TRUE(located);
    EXPECT_EQ(located->file, "a.mot");
    EXPECT_FALSE(Parse({"info", "a.mot", "b.mot", "--port", "COM3"}));
}

TEST(OptionsTest, SetIdIsWritesAloneWithForceBesideIt) {
    auto write = Parse({"write", "a.mot", "--port", "COM1", "--set-id", "0123456789abCD", "--force",
                        "--id", "FFFFFFFFFFFFFF"});
    ASSERT_TRUE(write && write->setId);
    EXPECT_EQ(*write->setId, (IdCodeBytes{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD}));
    EXPECT_TRUE(write->force);
    EXPECT_FALSE(Parse({"write", "a.mot", "--port", "COM1"})->setId);
    // A family belongs to the code given to unlock, not to the one written: that one goes where
    // the board's family puts it.
    for (const char* bad : {"0123456789ABC", "0123456789ABCDE", "0123456789ABCG", "",
                            "0123456789ABCD,R8C", " 0123456789ABC"}) {
        EXPECT_FALSE(Parse({"write", "a.mot", "--port", "COM1", "--set-id", bad})) << bad;
    }
    std::string error;
    EXPECT_FALSE(Parse({"write", "a.mot", "--port", "COM1", "--force"}, &error));
    EXPECT_EQ(error, "--force goes only with --set-id");
    for (const char* command : {"verify", "erase", "info"}) {
        EXPECT_FALSE(Parse({command, "a.mot", "--port", "COM1", "--set-id", "0123456789ABCD"}))
            << command;
    }
}

TEST(OptionsTest, BaudIsOneOfTheBootProgramsRates) {
    for (const char* rate : {"9600", "19200", "38400", "57600", "115200"}) {
        auto options = Parse({"erase", "--port", "COM1", "--baud", rate});
        ASSERT_TRUE(options) << rate;
        EXPECT_EQ(std::to_string(options->baud), rate);
    }
    for (const char* rate : {"4800", "230400", "115200 ", "0x1C200", ""}) {
        EXPECT_FALSE(Parse({"erase", "--port", "COM1", "--baud", rate})) << rate;
    }
    // The mode-pin link is fixed at 38400; a chip reached only at 9600 cannot be on it.
    std::string error;
    EXPECT_FALSE(Parse({"erase", "--port", "COM1", "--mode-pin", "--baud", "9600"}, &error));
    EXPECT_NE(error.find("38400"), std::string::npos);
    EXPECT_TRUE(Parse({"erase", "--port", "COM1", "--mode-pin", "--baud", "115200"}));
}

TEST(OptionsTest, LineSequencesAndWriteOptions) {
    auto info = Parse({"info", "--port", "COM1", "--before", "dtr=1,rts=1,wait=50,rts=0,wait=100",
                       "--after", "rts=1,wait=0,rts=0"});
    ASSERT_TRUE(info);
    const auto ms = [](int n) { return std::chrono::milliseconds(n); };
    EXPECT_EQ(info->before, (LineSequence{{ModemLine::Dtr, true},
                                          {ModemLine::Rts, true},
                                          {std::nullopt, false, ms(50)},
                                          {ModemLine::Rts, false},
                                          {std::nullopt, false, ms(100)}}));
    EXPECT_EQ(info->after.size(), 3u);
    for (const char* bad : {"", "dtr=2", "DTR=1", "dtr=1,", ",dtr=1", "wait=", "wait=-1",
                            "wait=600001", "wait=99999999999", "rts=1 ,wait=5", "dtr"}) {
        EXPECT_FALSE(Parse({"erase", "--port", "COM1", "--before", bad})) << bad;
    }
    EXPECT_TRUE(ParseLineSequence("wait=600000"));

    auto write = Parse({"write", "a.mot", "--port", "COM1", "--erase-block", "c000",
                        "--erase-block", "2400", "--skip-blank", "--verify-by", "sum"});
    ASSERT_TRUE(write);
    EXPECT_EQ(write->flash.eraseBlocks, (std::vector<std::uint32_t>{0xC000, 0x2400}));
    EXPECT_TRUE(write->flash.skipBlank && write->flash.verifyBySum && !write->flash.noErase);
    EXPECT_TRUE(Parse({"erase", "--port", "COM1", "--erase-block", "FFFFFF"}));
    std::string error;
    EXPECT_FALSE(
        Parse({"write", "a.mot", "--port", "COM1", "--no-erase", "--erase-block", "0"}, &error));
    EXPECT_NE(error.find("together"), std::string::npos);
    EXPECT_FALSE(Parse({"write", "a.mot", "--port", "COM1", "--erase-block", "1000000"}));
    EXPECT_FALSE(Parse({"write", "a.mot", "--port", "COM1", "--verify-by", "crc"}));
    // Erasing and programming options belong to the commands that erase and program.
    EXPECT_FALSE(Parse({"verify", "a.mot", "--port", "COM1", "--erase-block", "C000"}));
    EXPECT_FALSE(Parse({"erase", "--port", "COM1", "--skip-blank"}));
    EXPECT_FALSE(Parse({"erase", "--port", "COM1", "--no-erase"}));
}

TEST(OptionsTest, RangesAreWidenedToWholePages) {
    auto range = ParseRange("4000-FFFF");
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 0x4000u);
    EXPECT_EQ(range->last, 0xFFFFu);
    range = ParseRange("0f0010-0FFFEF");
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 0x0F0000u);
    EXPECT_EQ(range->last, 0x0FFFFFu);
    range = ParseRange("C005-C005");  // one byte is its whole page
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 0xC000u);
    EXPECT_EQ(range->last, 0xC0FFu);
    EXPECT_TRUE(ParseRange("FFFF00-FFFFFF"));
    for (const char* bad : {"", "-", "4000", "4000-", "-FFFF", "FFFF-4000", "0-1000000",
                            "0-FFFFFFFFF", "4000-FFFG", "4000--FFFF", "40 00-FFFF"}) {
        EXPECT_FALSE(ParseRange(bad)) << bad;
    }

    auto read = Parse({"read", "4000-FFFF", "--port", "COM1", "-o", "back.mot"});
    ASSERT_TRUE(read);
    EXPECT_EQ(read->output, "back.mot");
    EXPECT_EQ(read->range.last, 0xFFFFu);
    EXPECT_FALSE(Parse({"read", "4000-FFFF", "--port", "COM1"}));  // no -o
    EXPECT_FALSE(Parse({"read", "FFFF-4000", "--port", "COM1", "-o", "back.mot"}));
    EXPECT_FALSE(Parse({"blank-check", "--port", "COM1"}));
    EXPECT_FALSE(Parse({"blank-check", "0-FF", "100-1FF", "--port", "COM1"}));
    EXPECT_TRUE(Parse({"blank-check", "0-FF", "--port", "COM1", "--port", "COM2"}));
}

TEST(OptionsTest, HelpIsAnAnswerForTheProgramAndEachCommand) {
    for (const char* flag : {"-h", "--help"}) {
        auto help = Parse({flag});
        ASSERT_TRUE(help);
        EXPECT_EQ(help->command, Command::Help);
        EXPECT_FALSE(help->helpFor);
    }
    auto read = Parse({"read", "--help"});  // before anything the command needs
    ASSERT_TRUE(read);
    EXPECT_EQ(read->command, Command::Help);
    EXPECT_EQ(read->helpFor, Command::Read);
    EXPECT_NE(Usage(Command::Read).find("-o FILE"), std::string::npos);
    EXPECT_EQ(Usage(Command::Ports).find("--baud"), std::string::npos);
    auto version = Parse({"--version"});
    ASSERT_TRUE(version);
    EXPECT_EQ(version->command, Command::Version);
    EXPECT_TRUE(Parse({"ports"}));
    EXPECT_FALSE(Parse({"ports", "COM1"}));
    EXPECT_FALSE(Parse({"ports", "--port", "COM1"}));
}

TEST(OptionsTest, LatencyAndPortListingOptions) {
    auto write = Parse({"write", "a.mot", "--port", "usb@1-1.4", "--latency", "255"});
    ASSERT_TRUE(write);
    EXPECT_EQ(write->latency, std::chrono::milliseconds(255));
    EXPECT_EQ(write->ports, std::vector<std::string>{"usb@1-1.4"});
    auto off = Parse({"info", "--port", "COM3", "--latency", "0"});
    ASSERT_TRUE(off);
    EXPECT_EQ(off->latency, std::chrono::milliseconds(0));
    EXPECT_FALSE(Parse({"info", "--port", "COM3"})->latency);
    for (const char* bad : {"256", "-1", "", "1e3", "16ms", "99999999999"}) {
        EXPECT_FALSE(Parse({"info", "--port", "COM3", "--latency", bad})) << bad;
    }
    auto ports = Parse({"ports", "--json"});
    ASSERT_TRUE(ports);
    EXPECT_TRUE(ports->json);
    EXPECT_NE(Usage(Command::Ports).find("--json"), std::string::npos);
    EXPECT_FALSE(Parse({"ports", "--latency", "1"}));
}

TEST(OptionsTest, CheckTakesExactlyOneFile) {
    auto check = Parse({"check", "--port"});  // a file may be called anything
    ASSERT_TRUE(check);
    EXPECT_EQ(check->file, "--port");
    EXPECT_FALSE(Parse({"check"}));
    EXPECT_FALSE(Parse({"check", "a.mot", "b.mot"}));
}

}  // namespace
}  // namespace bramblet

namespace bramblet {
namespace {

TEST(OptionsTest, LangBeforeTheCommandOrAmongItsOptions) {
    std::string error;
    auto o = ParseOptions({"write", "a.mot", "--port", "COM1", "--lang", "en"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->Language(), text::Lang::En);
    // Before the command it reaches check, whose arguments are all its file.
    o = ParseOptions({"--lang", "en", "check", "--lang"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->file, "--lang");
    EXPECT_EQ(o->Language(), text::Lang::En);
    // The one after the command is the nearer choice.
    o = ParseOptions({"--lang", "en", "info", "--port", "COM1", "--lang", "ja"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->Language(), text::Lang::Ja);
    o = ParseOptions({"info", "--port", "COM1"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_FALSE(o->lang);
    EXPECT_FALSE(ParseOptions({"info", "--port", "COM1", "--lang", "de"}, error));
    EXPECT_EQ(error, "--lang takes en or ja");
    EXPECT_FALSE(ParseOptions({"--lang"}, error));
    EXPECT_FALSE(ParseOptions({"--lang", "en"}, error));
    EXPECT_EQ(error, "no command");
}

}  // namespace
}  // namespace bramblet

namespace bramblet {
namespace {

TEST(OptionsTest, BaseGoesWithTheCommandsThatReadAFileAndBeforeCheck) {
    std::string error;
    for (const char* command : {"write", "verify", "erase"}) {
        const auto o = ParseOptions({command, "a.bin", "--port", "COM1", "--base", "c000"}, error);
        ASSERT_TRUE(o) << command << ": " << error;
        EXPECT_EQ(o->base, 0xC000u);
        EXPECT_TRUE(o->Reading().byContent);
    }
    // Without it a file is still read by its content; check takes it only before the command.
    auto o = ParseOptions({"write", "a.mot", "--port", "COM1"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->Reading().base, std::nullopt);
    EXPECT_TRUE(o->Reading().byContent);
    o = ParseOptions({"--base", "FFFFFF", "--lang", "en", "check", "--base"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->base, 0xFFFFFFu);
    EXPECT_EQ(o->file, "--base");
    EXPECT_EQ(o->Language(), text::Lang::En);
    // The one after the command is the nearer choice.
    o = ParseOptions({"--base", "0", "write", "a.bin", "--port", "COM1", "--base", "4000"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->base, 0x4000u);

    EXPECT_FALSE(ParseOptions({"write", "a.bin", "--port", "COM1", "--base", "1000000"}, error));
    EXPECT_EQ(error, "--base takes a hexadecimal address up to FFFFFF");
    EXPECT_FALSE(ParseOptions({"write", "a.bin", "--port", "COM1", "--base", "0x4000"}, error));
    EXPECT_FALSE(ParseOptions({"--base", "4000", "info", "--port", "COM1"}, error));
    EXPECT_EQ(error, "--base is not an option of info");
    EXPECT_FALSE(ParseOptions({"read", "0-FF", "--port", "COM1", "-o", "x", "--base", "0"}, error));
    EXPECT_EQ(error, "unknown option --base");
    EXPECT_FALSE(ParseOptions({"--base", "4000"}, error));
    EXPECT_EQ(error, "no command");
    EXPECT_FALSE(ParseOptions({"--base"}, error));
    EXPECT_EQ(error, "--base needs a value");
}

}  // namespace
}  // namespace bramblet
