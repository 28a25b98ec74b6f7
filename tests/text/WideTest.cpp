// The wide strings of Windows converted as the system converts them, malformed input included,
// so that nothing changed for the window, the settings and the messages when they stopped
// calling the system for it.
#include <windows.h>

#include <gtest/gtest.h>

#include "text/Wide.h"

namespace text {
namespace {

std::wstring SystemWiden(const std::string& utf8) {
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string SystemNarrow(const std::wstring& wide) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

TEST(Wide, ConvertsAsTheSystemDoes) {
    const std::string texts[] = {
        "",     "C:\\書込み\\B.MOT", std::string("a\0b", 3), "\xF0\xA0\x80\x8B😀\xEF\xBF\xBF",
        "\x80", "\xC0\x80"};
    for (const std::string& utf8 : texts) {
        SCOPED_TRACE(testing::PrintToString(utf8));
        EXPECT_EQ(Widen(utf8), SystemWiden(utf8));
        EXPECT_EQ(Narrow(Widen(utf8)), SystemNarrow(SystemWiden(utf8)));
    }
    const std::wstring wides[] = {L"\xD83D", L"\xDE00",
                                  L"a\xD83D"
                                  L"b",
                                  L"\xDE00\xD83D", L"\xD83D\xD83D\xDE00"};
    for (const std::wstring& wide : wides) {
        SCOPED_TRACE(testing::PrintToString(Narrow(wide)));
        EXPECT_EQ(Narrow(wide), SystemNarrow(wide));
    }
}

// How many replacements a malformed sequence cut short or out of range becomes differs between
// Windows versions and Wine; here it is one a byte everywhere, as the settings always had it.
// Either way nothing but replacements stands for it and the next character survives.
TEST(Wide, MalformedUtf8BecomesOnlyReplacements) {
    for (const std::string bad : {"\xE6\x97", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
        SCOPED_TRACE(testing::PrintToString(bad));
        for (const std::wstring& wide : {Widen(bad + "日"), SystemWiden(bad + "日")}) {
            ASSERT_GE(wide.size(), 2u);
            EXPECT_EQ(wide.find_first_not_of(L'\xFFFD'), wide.size() - 1);
            EXPECT_EQ(wide.back(), L'日');
        }
    }
}

}  // namespace
}  // namespace text
