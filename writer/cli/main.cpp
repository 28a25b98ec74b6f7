// bramblet-cli: the writer's operations from a terminal or a script, on one board or several.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "writer/cli/CliView.h"
#include "writer/cli/Options.h"
#include "writer/cli/ReadBack.h"
#include "writer/common/Text.h"
#include "writer/core/WriteFile.h"
#include "writer/core/Writer.h"
#include "writer/platform/PortList.h"
#include "writer/platform/System.h"

namespace bramblet {
namespace {

// Set by Ctrl-C or a termination request; a read stops between pages and leaves no file.
volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void OnInterrupt(int) {
    gInterrupted = 1;
}

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

int Check(const std::string& file) {
    Console console(stdout, stderr);
    CliView view(console, "");
    view.fileName = file;
    auto ports = SystemPortOpener();
    Writer writer(view, *ports);
    const std::int32_t n = writer.StreamSFormatFile(kCheckMode, 0);
    std::printf("%s\n", FileCheckText(n, writer.MinAddress, writer.MaxAddress).c_str());
    return n >= 1 ? 0 : 1;
}

int Ports() {
    std::vector<std::string> names = SystemPortNames().value_or(std::vector<std::string>{});
    // The window's order: shorter names first, so COM2 comes before COM10.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    for (const std::string& name : names) std::printf("%s\n", name.c_str());
    return 0;
}

void ExplainOpenFailure(CliView& view, const std::string& port, const Outcome& outcome) {
    view.Error("bramblet-cli: cannot open port " + port + ": " + outcome.detail);
    switch (outcome.openError) {
        case OpenError::NotFound:
            view.Error("  no such device; is the cable plugged in?");
            break;
        case OpenError::PermissionDenied:
            view.Error(
                "  permission denied; add your user to the dialout group "
                "(sudo usermod -aG dialout $USER) and log in again");
            break;
        case OpenError::Busy:
            view.Error("  the port is busy: another program has it open");
            break;
        default:
            break;
    }
}

// SRD's bits in words: ready or busy, then the error flags.
std::string SrdWords(const protocol::Status& s) {
    std::string words = s.Ready() ? "ready" : "busy";
    if (s.EraseError()) words += ", erase error";
    if (s.ProgramError()) words += ", program error";
    return words;
}

// SRD1's: the ID check state, then a frame dropped for a late byte.
std::string Srd1Words(const protocol::Status& s) {
    std::string words;
    switch (s.srd1 & protocol::Status::kIdState) {
        case 0x00:
            words = "ID not checked";
            break;
        case protocol::Status::kIdMismatch:
            words = "ID mismatch";
            break;
        case protocol::Status::kIdVerified:
            words = "ID verified";
            break;
        default:
            words = "ID state 10";
    }
    if (s.ReceiveTimeout()) words += ", receive time-out";
    return words;
}

// What the status line cannot say: which page failed and what the chip answered.
void ExplainFailure(CliView& view, const std::string& port, const Outcome& outcome) {
    if (outcome.failed == Step::OpenPort) {
        ExplainOpenFailure(view, port, outcome);
        return;
    }
    if (outcome.failed == Step::BaudRate) {
        view.Error("bramblet-cli: " + outcome.detail);
        return;
    }
    std::string where;
    if (outcome.page) {
        where = "page " + Hex(*outcome.page, 6);
    } else if (outcome.failed == Step::Erase) {
        where = "erase";
    } else if (outcome.failed == Step::Connect && outcome.lost) {
        where = "connection";
    } else {
        return;
    }
    if (outcome.lost) {
        view.Error("bramblet-cli: " + where + ": " + LossText(outcome.lost));
        return;
    }
    if (outcome.mismatch) {
        const Mismatch& m = *outcome.mismatch;
        view.Error("bramblet-cli: " + where +
                   (m.got ? ": byte " + Hex(m.address, 6) + " is " + Hex(*m.got, 2) +
                                ", expected " + Hex(m.expected, 2)
                          : ": no byte came for " + Hex(m.address, 6)));
    } else if (outcome.status) {
        const protocol::Status& s = *outcome.status;
        std::string bits = SrdWords(s);
        if (s.ReceiveTimeout()) bits += ", receive time-out";
        view.Error("bramblet-cli: " + where + ": SRD " + Hex(s.srd, 2) + " SRD1 " + Hex(s.srd1, 2) +
                   " (" + bits + ")");
    } else if (outcome.failed == Step::Erase || outcome.failed == Step::Program) {
        view.Error("bramblet-cli: " + where + ": the chip did not answer the status poll");
    }
}

// One board: its own port, view and writer, so that several can run side by side.
class Board {
public:
    Board(const Options& options, const std::string& port, Console& console, bool several)
        : options_(options),
          port_(port),
          view_(console, several ? port + ": " : ""),
          ports_(SystemPortOpener()),
          writer_(view_, *ports_, LinkOptions{options.baud}) {
        view_.fileName = options.file;
        view_.portName = port;
        view_.modePin = options.modePin;
        view_.dialogCode = options.idCode;
        view_.dialogFamily = options.idFamily;
        view_.showProgress = !several && IsTerminal(stderr);
        if (options.family) {
            view_.cpuFamily = *options.family;
        } else if (!options.file.empty()) {
            // The family the window would show after choosing the file.
            view_.quiet = true;
            writer_.FileChosen();
            view_.quiet = false;
        }
    }

    // Runs the command; true when it succeeded. `summary` says how it ended.
    bool Run(std::string& summary) {
        Outcome outcome;
        switch (options_.command) {
            case Command::Write:
                outcome = writer_.WriteSequence();
                break;
            case Command::Verify:
                outcome = writer_.VerifySequence();
                break;
            case Command::Erase:
                outcome = writer_.EraseSequence();
                break;
            default:
                outcome = OwnCommand();
                break;
        }
        ExplainFailure(view_, port_, outcome);
        summary = outcome.Succeeded() ? "ok" : "failed: " + outcome.text;
        return outcome.Succeeded();
    }

private:
    // info, read and blank-check: the sequences' connection and unlock, then commands of their own.
    Outcome OwnCommand() {
        Outcome outcome = writer_.Unlock();
        if (!outcome.Succeeded()) return outcome;
        switch (options_.command) {
            case Command::Info:
                Info(outcome);
                break;
            case Command::Read:
                Read(outcome);
                break;
            default:
                BlankCheck(outcome);
                break;
        }
        writer_.CommHandle.reset();
        return outcome;
    }

    void Info(Outcome& outcome) {
        const protocol::Status s = protocol::ReadStatus(*writer_.CommHandle);
        if (const PortLoss loss = writer_.CommHandle->Lost()) {
            Failed(outcome, ReadFailure{LossText(loss), std::nullopt});
            return;
        }
        view_.Print("version: " + writer_.BootVersion);
        view_.Print("SRD: " + Hex(s.srd, 2) + " (" + SrdWords(s) + ")");
        view_.Print("SRD1: " + Hex(s.srd1, 2) + " (" + Srd1Words(s) + ")");
        view_.Print("family: " + view_.cpuFamily);
    }

    ReadControl Control() {
        return {[] { return gInterrupted != 0; },
                [this](int percent) { view_.SetProgress(percent); }};
    }

    void Read(Outcome& outcome) {
        const auto failure =
            ReadToFile(*writer_.CommHandle, options_.range, options_.output, Control());
        if (failure) Failed(outcome, *failure);
    }

    void BlankCheck(Outcome& outcome) {
        std::optional<ReadFailure> failure;
        const auto used = FirstUsedByte(*writer_.CommHandle, options_.range, Control(), failure);
        if (failure) {
            Failed(outcome, *failure);
        } else if (used) {
            view_.Print(Hex(*used, 6));
            outcome.failed = Step::Read;
            outcome.text = "not blank at " + Hex(*used, 6);
        }
    }

    void Failed(Outcome& outcome, const ReadFailure& failure) {
        outcome.failed = Step::Read;
        outcome.text = failure.reason;
        outcome.page = failure.page;
        view_.Error("bramblet-cli: " + failure.reason);
    }

    const Options& options_;
    const std::string port_;
    CliView view_;
    std::unique_ptr<PortOpener> ports_;
    Writer writer_;
};

int RunBoards(const Options& options) {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    Console console(stdout, stderr);
    const bool several = options.ports.size() > 1;
    std::vector<std::unique_ptr<Board>> boards;
    for (const std::string& port : options.ports) {
        boards.push_back(std::make_unique<Board>(options, port, console, several));
    }
    std::vector<std::string> summaries(boards.size());
    std::vector<char> ok(boards.size(), 0);
    if (!several) {
        ok[0] = boards[0]->Run(summaries[0]);
    } else {
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < boards.size(); ++i) {
            threads.emplace_back([&, i] { ok[i] = boards[i]->Run(summaries[i]); });
        }
        for (std::thread& t : threads) t.join();
        for (std::size_t i = 0; i < boards.size(); ++i) {
            console.Out(options.ports[i] + ": ", summaries[i]);
        }
    }
    console.EndProgress();
    return std::all_of(ok.begin(), ok.end(), [](char b) { return b != 0; }) ? 0 : 1;
}

}  // namespace
}  // namespace bramblet

int main(int argc, char** argv) {
    using namespace bramblet;
    PrepareConsole();
    const std::vector<std::string> args = Utf8Arguments(argc, argv);
    std::string error;
    const auto options = ParseOptions(
        std::vector<std::string>(args.begin() + (args.empty() ? 0 : 1), args.end()), error);
    if (!options) {
        std::fprintf(stderr, "bramblet-cli: %s\n%s", error.c_str(), Usage(Command::Help).c_str());
        return 2;
    }
    switch (options->command) {
        case Command::Help:
            std::fputs(Usage(options->helpFor.value_or(Command::Help)).c_str(), stdout);
            return 0;
        case Command::Version:
            std::printf("bramblet-cli %s\n", BRAMBLET_VERSION);
            return 0;
        case Command::Check:
            return Check(options->file);
        case Command::Ports:
            return Ports();
        default:
            return RunBoards(*options);
    }
}
