#pragma once
// The lookup rules of the Windows profile functions, for systems that do not have them.
#include <string>
#include <string_view>

namespace kelpin {

// The value of `key` in `section` of an INI file's text, as GetPrivateProfileStringA returns it
// into a 2048-byte buffer: names matched without regard to case, the value trimmed and its outer
// quotes removed, the first section and the first key of a name winning, CR LF or LF, UTF-16LE
// after its byte-order mark (the value then returned as UTF-8). Empty when the section or the key
// is missing.
std::string IniLookup(std::string_view text, std::string_view section, std::string_view key);

}  // namespace kelpin
