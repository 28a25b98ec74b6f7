#include <gtest/gtest.h>

#include "cli/Options.h"

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
    EXPECT_EQ(write->port, "/dev/ttyUSB0");
    EXPECT_FALSE(write->family);
    EXPECT_FALSE(write->idCode);

    auto erase = Parse({"erase", "--port", "COM3", "--mode-pin", "--family", "R8CM"});
    ASSERT_TRUE(erase);
    EXPECT_EQ(erase->file, "");
    EXPECT_TRUE(erase->modePin);
    EXPECT_EQ(erase->family, "R8CM");

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
    EXPECT_EQ(options->idFamily, "M32C");

    options = Parse({"write", "a.mot", "--port", "COM1", "--id", "FFFFFFFFFFFFFF"});
    ASSERT_TRUE(options);
    EXPECT_FALSE(options->idFamily);

    for (const char* bad : {"0123456789ABC", "0123456789ABCDE", "0123456789ABCG", "",
                            "11223344556677,r8c", "11223344556677,", "11223344556677,M16C,"}) {
        EXPECT_FALSE(Parse({"write", "a.mot", "--port", "COM1", "--id", bad})) << bad;
    }
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
