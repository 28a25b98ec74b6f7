// The station's rules that need no chip: the serial option, the counter, the JSON strings.
#include <gtest/gtest.h>

#include "writer/cli/Json.h"
#include "writer/cli/Options.h"
#include "writer/cli/Serial.h"

namespace bramblet {
namespace {

TEST(StationTest, SerialOptionNamesAPlaceThatFitsAndAnyCounterFile) {
    const auto serial = ParseSerialOption("c1f0:4:C:\\station\\serial.txt");
    ASSERT_TRUE(serial);
    EXPECT_EQ(serial->address, 0xC1F0u);
    EXPECT_EQ(serial->width, 4);
    EXPECT_EQ(serial->counter, "C:\\station\\serial.txt");
    EXPECT_TRUE(ParseSerialOption("FFFFF8:8:n"));
    for (const char* bad : {"FFFFF9:8:n", "C000:0:n", "C000:9:n", "C000:10:n", "C000:4:", "C000:4",
                            "C000", "G000:4:n", ":4:n", "1000000:1:n", "C000:-1:n"}) {
        EXPECT_FALSE(ParseSerialOption(bad)) << bad;
    }
    std::string error;
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

    const ImagePatch patch = SerialPatch({0xC1F0, 3, "n"}, 0x123456);
    EXPECT_EQ(patch.address, 0xC1F0u);
    EXPECT_EQ(patch.bytes, (std::vector<std::uint8_t>{0x56, 0x34, 0x12}));
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
