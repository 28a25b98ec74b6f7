// bramblet-cli: the writer's operations from a terminal or a script.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliView.h"
#include "cli/Options.h"
#include "core/Writer.h"
#include "flash/SRecordStream.h"
#include "platform/System.h"

namespace bramblet {
namespace {

const char kUsage[] =
    "usage: bramblet-cli check FILE\n"
    "       bramblet-cli write FILE --port PORT [options]\n"
    "       bramblet-cli verify FILE --port PORT [options]\n"
    "       bramblet-cli erase [FILE] --port PORT [options]\n"
    "       bramblet-cli -h | --help | --version\n"
    "\n"
    "  check    check an S-record file: the status texts, then the write area and size\n"
    "  write    erase the chip, program FILE and verify it\n"
    "  verify   compare the chip with FILE\n"
    "  erase    erase the chip (FILE only locates the ID file FILE.id)\n"
    "\n"
    "options:\n"
    "  --port PORT          serial port (COM3, /dev/ttyUSB0, ttyUSB0, a bramblet-sim link)\n"
    "  --family FAMILY      R8C, M16C, M32C or R8CM; by default chosen from FILE's highest\n"
    "                       address and its ID file, else R8C\n"
    "  --mode-pin           R8C only: the mode-pin link at 38400 baud\n"
    "  --id HEX14[,FAMILY]  the ID code to give when the chip asks for one (seven bytes as\n"
    "                       14 hex digits) and the family it belongs to\n"
    "\n"
    "Status texts go to standard output, one per line; exit status 0 on success, 1 on failure,\n"
    "2 for a usage error.\n";

int Check(const std::string& file) {
    CliView view(stdout, stderr);
    view.fileName = file;
    auto ports = SystemPortOpener();
    Writer writer(view, *ports);
    const std::int32_t n = writer.StreamSFormatFile(kCheckMode, 0);
    std::printf("%s\n", FileCheckText(n, writer.MinAddress, writer.MaxAddress).c_str());
    return n >= 1 ? 0 : 1;
}

void ExplainOpenFailure(const std::string& port, const OpenResult& failure) {
    std::fprintf(stderr, "bramblet-cli: cannot open port %s: %s\n", port.c_str(),
                 failure.detail.c_str());
    switch (failure.error) {
        case OpenError::NotFound:
            std::fprintf(stderr, "  no such device; is the cable plugged in?\n");
            break;
        case OpenError::PermissionDenied:
            std::fprintf(stderr,
                         "  permission denied; add your user to the dialout group "
                         "(sudo usermod -aG dialout $USER) and log in again\n");
            break;
        case OpenError::Busy:
            std::fprintf(stderr, "  the port is busy: another program has it open\n");
            break;
        default:
            break;
    }
}

int Run(const Options& options) {
    CliView view(stdout, stderr);
    view.fileName = options.file;
    view.portName = options.port;
    view.modePin = options.modePin;
    view.dialogCode = options.idCode;
    view.dialogFamily = options.idFamily;
    view.showProgress = IsTerminal(stderr);
    auto ports = SystemPortOpener();
    Writer writer(view, *ports);

    if (options.family) {
        view.cpuFamily = *options.family;
    } else if (!options.file.empty()) {
        // The family the window would show after choosing the file.
        view.quiet = true;
        if (writer.StreamSFormatFile(kCheckMode, 0) >= 1) writer.SelectFamilyByAddress();
        writer.ReadIdFileFamily();
        view.quiet = false;
    }

    switch (options.command) {
        case Command::Write:
            writer.WriteSequence();
            break;
        case Command::Verify:
            writer.VerifySequence();
            break;
        default:
            writer.EraseSequence();
            break;
    }
    view.EndProgress();
    if (writer.LastOpenError.error != OpenError::None) {
        ExplainOpenFailure(options.port, writer.LastOpenError);
    }
    // Only a sequence that reaches its success text sounds the success beep.
    return view.lastBeep == kBeepSuccess ? 0 : 1;
}

}  // namespace
}  // namespace bramblet

int main(int argc, char** argv) {
    bramblet::PrepareConsole();
    const std::vector<std::string> args = bramblet::Utf8Arguments(argc, argv);
    // Asked for by name, the usage is an answer on standard output, not a usage error.
    if (args.size() >= 2 && (args[1] == "--help" || args[1] == "-h")) {
        std::fputs(bramblet::kUsage, stdout);
        return 0;
    }
    if (args.size() >= 2 && args[1] == "--version") {
        std::printf("bramblet-cli %s\n", BRAMBLET_VERSION);
        return 0;
    }
    std::string error;
    const auto options = bramblet::ParseOptions(
        std::vector<std::string>(args.begin() + (args.empty() ? 0 : 1), args.end()), error);
    if (!options) {
        std::fprintf(stderr, "bramblet-cli: %s\n%s", error.c_str(), bramblet::kUsage);
        return 2;
    }
    if (options->command == bramblet::Command::Check) return bramblet::Check(options->file);
    return bramblet::Run(*options);
}
