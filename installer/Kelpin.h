#pragma once
// The installer's run: discovery of the installed tools, the report, and the copies of the patch
// folders into them.
#include <optional>
#include <string>
#include <vector>

#include "installer/Platform.h"
#include "text/Catalogue.h"

namespace kelpin {

// The whole run from the banner to the final key press, its texts in `lang`. Always 0.
int RunKelpin(Platform& platform, text::Lang lang = text::Lang::Ja);

// The language the arguments ask for: "/lang:en" or "/lang:ja", in any letter case, the last one
// winning. Every other argument is passed over, as the installer has always passed over its
// arguments, so that a shortcut made for an older copy still runs.
std::optional<text::Lang> AskedLanguage(const std::vector<std::string>& args);

}  // namespace kelpin
