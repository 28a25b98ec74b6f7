#pragma once
// Small text helpers shared by the writer's layers, its faces and the simulated chip; those the
// installer needs too come from text/.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "text/Text.h"

namespace bramblet {

using text::AppendUtf8;
using text::AsciiLower;
using text::AsciiUpper;
using text::DecodeUtf8;
using text::EqualsIgnoringAsciiCase;
using text::HexDigitValue;
using text::Utf8Char;

// Upper-case hexadecimal with leading zeros to at least `digits` digits: Hex(0xC1, 6) is
// "0000C1", as addresses, status bytes and frames are written everywhere.
std::string Hex(std::uint64_t value, int digits);
// 1 to `maxDigits` (at most 8) hexadecimal digits of either case, as addresses are typed.
std::optional<std::uint32_t> ParseHex(std::string_view text, std::size_t maxDigits);

// A broken-down local time and its offset from UTC in seconds as ISO 8601:
// 2026-12-08T14:03:22+09:00.
std::string IsoTime(const std::tm& local, long offsetSeconds);

// A file name given in UTF-8, whatever the system's code page.
std::filesystem::path Utf8Path(std::string_view utf8Name);

// Where a file name's extension starts: its last full stop that no path separator or drive
// colon follows; npos when there is none.
std::size_t ExtensionStart(std::string_view name);
// The extension with its full stop, upper-cased in ASCII; empty when there is none.
std::string UpperExtension(std::string_view name);

}  // namespace bramblet
