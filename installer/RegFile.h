#pragma once
// Wine keeps each registry hive in a text file ("system.reg" for HKEY_LOCAL_MACHINE, "user.reg"
// for HKEY_CURRENT_USER) in which keys are "[Path\\To\\Key] stamp" lines and a key's default
// value is a line "@=..." below it.
#include <optional>
#include <string>
#include <string_view>

namespace kelpin {

// The default value of `key` (a path relative to the hive's root, single backslashes) in a hive
// file's text. nullopt when the key is not in the file; an empty text when it has no default
// value or the value is not a string (REG_SZ or REG_EXPAND_SZ). Text is returned as UTF-8.
std::optional<std::string> RegDefaultValue(std::string_view hive, std::string_view key);

}  // namespace kelpin
