#pragma once
#include <memory>
#include <string>

#include "writer/platform/Settings.h"

namespace bramblet {

// $XDG_CONFIG_HOME/ORVANE/Bramblet.reg, with ~/.config when the variable is unset or relative.
std::string SettingsFilePath();

// The settings key kept in the export file at `path`.
std::unique_ptr<SettingsStore> FileSettingsStore(const std::string& path);

}  // namespace bramblet
