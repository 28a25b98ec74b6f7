// UTF-8 and UTF-16 in both directions, with the malformed input each side can hold.
#include <gtest/gtest.h>

#include "text/Utf16.h"

namespace text {
namespace {

const std::string kFffd = "\xEF\xBF\xBD";

TEST(Utf16, EveryCharacterSurvivesBothWays) {
    // One, two, three and four bytes of UTF-8, the last below and above the pairs, and a zero.
    const std::string utf8 =
        std::string("A\0", 2) + "é日\xEF\xBF\xBF\xF0\x90\x80\x80😀\xF4\x8F\xBF\xBF";
    const std::u16string units = Utf8ToUtf16(utf8);
    EXPECT_EQ(units, std::u16string(u"A\0é日\xFFFF\U00010000😀\U0010FFFF", 11));
    EXPECT_EQ(Utf16ToUtf8(units), utf8);
    // Little-endian, low byte first, a pair high unit first.
    EXPECT_EQ(Utf8ToUtf16Le("A日😀"), std::string("A\0\xE5\x65\x3D\xD8\x00\xDE", 8));
    EXPECT_EQ(Utf16LeToUtf8(Utf8ToUtf16Le(utf8)), utf8);
    EXPECT_EQ(Utf16LeToUtf8(std::string("A\0B", 3)), "A");  // an odd last byte is no unit
}

TEST(Utf16, EachByteOfMalformedUtf8IsOneReplacement) {
    struct Case {
        std::string utf8;
        std::size_t replacements;
    };
    const Case cases[] = {
        {"\x80", 1},              // a continuation alone
        {"\xE6\x97", 2},          // a character cut short
        {"\xC0\x80", 2},          // overlong zero
        {"\xE0\x80\x80", 3},      // overlong
        {"\xED\xA0\x80", 3},      // an encoded surrogate, which UTF-16 cannot hold
        {"\xF4\x90\x80\x80", 4},  // past U+10FFFF
        {"\xF0\x9F\x98", 3},      // four bytes cut short
        {"\xFF", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.utf8));
        // The next character is read whole, not swallowed by the bad bytes before it.
        EXPECT_EQ(Utf8ToUtf16(c.utf8 + "日"), std::u16string(c.replacements, u'\xFFFD') + u"日");
        EXPECT_EQ(Utf8PrefixInUtf16Units(c.utf8 + "日", c.replacements), c.utf8.size());
    }
}

TEST(Utf16, SurrogatesWithoutTheirPartnerAreOneReplacementEach) {
    const char16_t high = 0xD83D, low = 0xDE00;
    struct Case {
        std::u16string units;
        std::string utf8;
    };
    const Case cases[] = {
        {{high}, kFffd},
        {{low}, kFffd},
        {{u'a', high, u'b'}, "a" + kFffd + "b"},
        {{low, high}, kFffd + kFffd},      // a pair the wrong way round
        {{high, high, low}, kFffd + "😀"},  // the second high unit still pairs
        {{high, u'\0', low}, kFffd + std::string(1, '\0') + kFffd},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf16ToUtf8(c.units), c.utf8);
        std::string le;
        for (const char16_t u : c.units)
            le += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
        EXPECT_EQ(Utf16LeToUtf8(le), c.utf8);
    }

    // Between units a byte of its own ends the pair that was waiting for its second half.
    std::string escaped;
    Utf16Decoder decoder(escaped);
    decoder.Unit(high);
    decoder.Byte('\\');
    decoder.Unit(high);
    decoder.Unit(low);
    decoder.Unit(high);
    decoder.Finish();
    EXPECT_EQ(escaped, kFffd + "\\😀" + kFffd);
}

TEST(Utf16, PrefixesCountUnitsAndNeverHalveAPair) {
    const std::string text = "ab😀日";  // units: a b (pair) 日
    EXPECT_EQ(Utf8PrefixInUtf16Units(text, 0), 0u);
    EXPECT_EQ(Utf8PrefixInUtf16Units(text, 2), 2u);
    EXPECT_EQ(Utf8PrefixInUtf16Units(text, 3), 2u);  // half of the pair would not fit
    EXPECT_EQ(Utf8PrefixInUtf16Units(text, 4), 6u);
    EXPECT_EQ(Utf8PrefixInUtf16Units(text, 5), text.size());
    EXPECT_EQ(Utf8PrefixInUtf16Units(text, 100), text.size());
}

}  // namespace
}  // namespace text
