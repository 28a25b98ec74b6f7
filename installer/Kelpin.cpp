#include "installer/Kelpin.h"

#include "installer/Deployment.h"
#include "installer/Discovery.h"
#include "text/Text.h"

namespace kelpin {

int RunKelpin(Platform& platform, text::Lang lang) {
    platform.Write(text::Say(text::Tx::KelpinBanner, lang));
    ToolInventory inventory;
    DiscoverTools(platform, inventory, lang);
    ReportInventory(platform, inventory, lang);
    DeployPatches(platform, inventory, lang);
    return 0;
}

std::optional<text::Lang> AskedLanguage(const std::vector<std::string>& args) {
    constexpr std::string_view kSwitch = "/lang:";
    std::optional<text::Lang> asked;
    for (const std::string& arg : args) {
        std::string lower(arg);
        for (char& c : lower) c = text::AsciiLower(c);
        if (!lower.starts_with(kSwitch)) continue;
        if (const auto lang = text::ParseLang(std::string_view(lower).substr(kSwitch.size()))) {
            asked = lang;
        }
    }
    return asked;
}

}  // namespace kelpin
