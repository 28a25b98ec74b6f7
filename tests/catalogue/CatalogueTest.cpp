#include "text/Catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using text::Lang;
using text::Tx;

// The {N} placeholders a text uses.
std::multiset<std::string> Placeholders(std::string_view s) {
    std::multiset<std::string> found;
    for (std::size_t i = 0; i + 2 < s.size(); ++i) {
        if (s[i] == '{' && s[i + 2] == '}' && s[i + 1] >= '1' && s[i + 1] <= '9') {
            found.insert(std::string(s.substr(i, 3)));
        }
    }
    return found;
}

// A code point of the Japanese scripts or the full-width forms, read from UTF-8.
bool HoldsJapanese(std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) continue;
        if ((b & 0xF0) == 0xE0 && i + 2 < s.size()) {
            const char32_t c = (b & 0x0F) << 12 | (s[i + 1] & 0x3F) << 6 | (s[i + 2] & 0x3F);
            if ((c >= 0x3000 && c <= 0x9FFF) || (c >= 0xFF00 && c <= 0xFFEF)) return true;
            i += 2;
        }
    }
    return false;
}

TEST(CatalogueTest, EveryKeyHasBothLanguagesWithTheSamePlaceholders) {
    for (const text::TextRow& row : text::kTexts) {
        SCOPED_TRACE(row.ja);
        ASSERT_NE(row.ja, nullptr);
        ASSERT_NE(row.en, nullptr);
        EXPECT_NE(std::string_view(row.ja), "");
        EXPECT_NE(std::string_view(row.en), "");
        EXPECT_EQ(Placeholders(row.ja), Placeholders(row.en));
        EXPECT_FALSE(HoldsJapanese(row.en)) << row.en;
    }
}

// The status texts users and the tests of the sequences know, byte for byte.
TEST(CatalogueTest, JapaneseKeepsTheDesignsBytes) {
    EXPECT_EQ(std::string(text::Say(Tx::CannotErase, Lang::Ja)), "フラッシュを消去できません! ");
    EXPECT_EQ(std::string(text::Say(Tx::VerifyFailedAtEnd, Lang::Ja)),
              "フラッシュベリファイに失敗しました! ");
    EXPECT_EQ(std::string(text::Say(Tx::VerifyFailed, Lang::Ja)),
              "フラッシュベリファイに失敗しました!");
    EXPECT_EQ(text::Say(Tx::FileArea, Lang::Ja, {"00E000", "00FFFF", "8192"}),
              "書込エリア(00E000-00FFFF)  書込サイズ(8192バイト)");
    EXPECT_EQ(text::Say(Tx::FileArea, Lang::En, {"00E000", "00FFFF", "8192"}),
              "Write area(00E000-00FFFF)  Size(8192 bytes)");
}

TEST(CatalogueTest, FillLeavesWhatItCannotReplace) {
    EXPECT_EQ(text::Fill("{2}-{1}", {"a", "b"}), "b-a");
    EXPECT_EQ(text::Fill("{1}{1}", {"x"}), "xx");
    // A missing argument stays visible, and braces that are no placeholder are text.
    EXPECT_EQ(text::Fill("{1} {2}", {"x"}), "x {2}");
    EXPECT_EQ(text::Fill("{0} {x} {", {"x"}), "{0} {x} {");
    // An argument is not read again for placeholders.
    EXPECT_EQ(text::Fill("{1}{2}", {"{2}", "b"}), "{2}b");
}

TEST(CatalogueTest, TheAskedLanguageWinsOverTheEnvironment) {
    EXPECT_EQ(text::ChooseLang(std::nullopt, nullptr), Lang::Ja);
    EXPECT_EQ(text::ChooseLang(std::nullopt, "en"), Lang::En);
    EXPECT_EQ(text::ChooseLang(Lang::Ja, "en"), Lang::Ja);
    EXPECT_EQ(text::ChooseLang(Lang::En, "ja"), Lang::En);
    // A value that names no language counts as none.
    EXPECT_EQ(text::ChooseLang(std::nullopt, "en_US.UTF-8"), Lang::Ja);
    EXPECT_EQ(text::ChooseLang(std::nullopt, ""), Lang::Ja);
}

}  // namespace
