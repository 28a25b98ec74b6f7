// bramblet-cli: the writer's operations from a terminal or a script.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliView.h"
#include "cli/Options.h"
#include "core/WriteFile.h"
#include "core/Writer.h"
#include "platform/System.h"

namespace bramblet {
namespace {

const char kUsage[] =
    "usage: bramblet-cli check FILE\n"
    "       bramblet-cli write FILE --port PORT [options]\n"
    "       bramblet-cli verify FILE --port PORT [options]\n"
    "       bramblet-cli erase [FILE] --port PORT [options]\n"
    "\n"
    "  check    check an S-record file: the status texts, then the write area and size\n"
    "  write    erase the chip, program FILE and verify it\n"
    "  verify   compare the chip with FILE\n"
    "  erase    erase the chip (FILE only locates its ID file: prog.mot gives prog.id)\n"
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

void ExplainOpenFailure(const std::string& port, OpenError error, const std::string& detail) {
    std::fprintf(stderr, "bramblet-cli: cannot open port %s: %s\n", port.c_str(), detail.c_str());
    switch (error) {
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

// What the status line cannot say: which page failed and what the chip answered.
void ExplainFailure(const Outcome& outcome) {
    if (outcome.page) {
        std::fprintf(stderr, "bramblet-cli: page %06X", static_cast<unsigned>(*outcome.page));
    } else if (outcome.failed == Step::Erase) {
        std::fprintf(stderr, "bramblet-cli: erase");
    } else {
        return;
    }
    if (outcome.mismatch) {
        const Mismatch& m = *outcome.mismatch;
        if (m.got) {
            std::fprintf(stderr, ": byte %06X is %02X, expected %02X\n",
                         static_cast<unsigned>(m.address), *m.got, m.expected);
        } else {
            std::fprintf(stderr, ": no byte came for %06X\n", static_cast<unsigned>(m.address));
        }
    } else if (outcome.status) {
        const protocol::Status& s = *outcome.status;
        std::fprintf(stderr, ": SRD %02X SRD1 %02X (%s%s%s%s)\n", s.srd, s.srd1,
                     s.Ready() ? "ready" : "busy", s.EraseError() ? ", erase error" : "",
                     s.ProgramError() ? ", program error" : "",
                     s.ReceiveTimeout() ? ", receive time-out" : "");
    } else if (outcome.failed == Step::Erase || outcome.failed == Step::Program) {
        std::fprintf(stderr, ": the chip did not answer the status poll\n");
    } else {
        std::fputc('\n', stderr);
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
        writer.FileChosen();
        view.quiet = false;
    }

    Outcome outcome;
    switch (options.command) {
        case Command::Write:
            outcome = writer.WriteSequence();
            break;
        case Command::Verify:
            outcome = writer.VerifySequence();
            break;
        default:
            outcome = writer.EraseSequence();
            break;
    }
    view.EndProgress();
    if (outcome.failed == Step::OpenPort) {
        ExplainOpenFailure(options.port, outcome.openError, outcome.openDetail);
    }
    ExplainFailure(outcome);
    return outcome.Succeeded() ? 0 : 1;
}

}  // namespace
}  // namespace bramblet

int main(int argc, char** argv) {
    bramblet::PrepareConsole();
    const std::vector<std::string> args = bramblet::Utf8Arguments(argc, argv);
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
