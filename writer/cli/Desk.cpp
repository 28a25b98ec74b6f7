#include "writer/cli/Desk.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "writer/cli/CliView.h"
#include "writer/cli/Ports.h"
#include "writer/common/PortOrder.h"
#include "writer/common/Text.h"
#include "writer/core/FileChoice.h"
#include "writer/core/WriteFile.h"
#include "writer/platform/PortList.h"
#include "writer/platform/System.h"

namespace bramblet {

int CheckFile(const std::string& file, const FileReading& reading, text::Lang lang,
              text::Lang own) {
    Console console(stdout, stderr);
    CliView view(console, "");
    view.language = lang;
    ImageDigester image;
    const StreamResult check = CheckPass(view, file, &image, reading);
    std::printf("%s\n", FileCheckText(check, lang).c_str());
    if (!check.problem.empty()) view.Error("bramblet-cli: " + check.problem);
    if (check.count < 1) return 1;
    if (const std::optional<ImageScan> scan = image.Finish(file, reading)) {
        std::printf("%s\n",
                    text::Say(text::Tx::CliCrcLine, own,
                              {Hex(scan->digest.crc32, 8), std::to_string(scan->digest.size)})
                        .c_str());
    }
    return 0;
}

int ListPorts(bool json, text::Lang lang) {
    std::vector<std::string> names;
    try {
        names = SystemPortNames().value_or(std::vector<std::string>{});
    } catch (const PlatformError& e) {
        std::fprintf(stderr, "bramblet-cli: %s\n",
                     text::Say(text::Tx::CliCannotListPorts, lang, {e.what()}).c_str());
        return 1;
    }
    SortPortNames(names);
    // The names are the window's; what each port is comes beside them where the system says.
    const std::vector<PortDescription> described =
        SystemPortDescriptions().value_or(std::vector<PortDescription>{});
    for (const std::string& name : names) {
        const auto known = std::find_if(described.begin(), described.end(),
                                        [&](const PortDescription& p) { return p.name == name; });
        PortDescription port;
        if (known != described.end()) port = *known;
        port.name = name;
        if (json) {
            std::printf("%s\n", PortJson(port).c_str());
        } else {
            for (const std::string& line : PortLines(port, lang)) std::printf("%s\n", line.c_str());
        }
    }
    return 0;
}

}  // namespace bramblet
