#pragma once
// Windows' wide strings, UTF-16 in wchar_t, to and from UTF-8. Only code built for Windows
// includes this: elsewhere wchar_t holds code points, not UTF-16 units.
#include <string>
#include <string_view>

#include "text/Utf16.h"

namespace text {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide strings are UTF-16 only on Windows");

inline std::wstring Widen(std::string_view utf8) {
    const std::u16string units = Utf8ToUtf16(utf8);
    return std::wstring(units.begin(), units.end());
}

inline std::string Narrow(std::wstring_view wide) {
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

}  // namespace text
