// bramblet-cli: the writer's operations from a terminal or a script.
#include <cstdio>
#include <vector>
#include <string>

#include "cli/CliView.h"
#include "core/Writer.h"
#include "flash/SRecordStream.h"
#include "platform/System.h"

namespace {

const char kUsage[] =
    "usage: bramblet-cli check FILE\n"
    "  check FILE   check an S-record file: print the status texts and the write area and size\n";

int Check(const std::string& file) {
    bramblet::CliView view(stdout, stderr);
    view.fileName = file;
    auto ports = bramblet::SystemPortOpener();
    bramblet::Writer writer(view, *ports);
    const std::int32_t n = writer.StreamSFormatFile(bramblet::kCheckMode, 0);
    std::printf("%s\n", bramblet::FileCheckText(n, writer.MinAddress, writer.MaxAddress).c_str());
    return n >= 1 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    bramblet::PrepareConsole();
    const std::vector<std::string> args = bramblet::Utf8Arguments(argc, argv);
    if (args.size() == 3 && args[1] == "check") return Check(args[2]);
    std::fputs(kUsage, stderr);
    return 2;
}
