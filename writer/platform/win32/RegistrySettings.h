#pragma once
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "writer/platform/Settings.h"

namespace bramblet {

// A registry key as the settings store: `path` under `root`.
std::unique_ptr<SettingsStore> RegistrySettingsStore(HKEY root, const std::wstring& path);

// The data of every value of the key, in the registry's enumeration order; nullopt when the key
// cannot be opened. Throws PlatformError for a value that is not a string.
std::optional<std::vector<std::string>> RegistryStringValues(HKEY root, const std::wstring& path);

}  // namespace bramblet
