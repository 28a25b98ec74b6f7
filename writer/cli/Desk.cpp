#include "writer/cli/Desk.h"

#include <cstdio>
#include <vector>

#include "writer/cli/CliView.h"
#include "writer/common/PortOrder.h"
#include "writer/common/Text.h"
#include "writer/core/FileChoice.h"
#include "writer/core/WriteFile.h"
#include "writer/platform/PortList.h"
#include "writer/platform/System.h"

namespace bramblet {

int CheckFile(const std::string& file, text::Lang lang) {
    Console console(stdout, stderr);
    CliView view(console, "");
    view.language = lang;
    ImageDigester image;
    const StreamResult check = CheckPass(view, file, &image);
    std::printf("%s\n", FileCheckText(check, lang).c_str());
    if (check.count < 1) return 1;
    if (const std::optional<ImageScan> scan = image.Finish(file)) {
        std::printf("CRC-32: %s (%s bytes)\n", Hex(scan->digest.crc32, 8).c_str(),
                    std::to_string(scan->digest.size).c_str());
    }
    return 0;
}

int ListPorts() {
    std::vector<std::string> names;
    try {
        names = SystemPortNames().value_or(std::vector<std::string>{});
    } catch (const PlatformError& e) {
        std::fprintf(stderr, "bramblet-cli: cannot list the serial ports: %s\n", e.what());
        return 1;
    }
    SortPortNames(names);
    for (const std::string& name : names) std::printf("%s\n", name.c_str());
    return 0;
}

}  // namespace bramblet
