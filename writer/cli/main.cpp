// bramblet-cli: the writer's operations from a terminal or a script, on one board or several.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "writer/cli/CliView.h"
#include "writer/cli/Options.h"
#include "writer/cli/ReadBack.h"
#include "writer/cli/Report.h"
#include "writer/cli/Stop.h"
#include "writer/common/Text.h"
#include "writer/core/FileChoice.h"
#include "writer/core/Session.h"
#include "writer/core/WriteFile.h"
#include "writer/form/PortOrder.h"
#include "writer/platform/PortList.h"
#include "writer/platform/SharedFiles.h"
#include "writer/platform/System.h"

namespace bramblet {
namespace {

// The signal that asked every board to stop: SIGINT or SIGTERM, 0 while none has.
volatile std::sig_atomic_t gStopSignal = 0;

extern "C" void OnStopSignal(int signal) {
    // A second request does not wait for the boards: the user means it.
    if (gStopSignal != 0) std::_Exit(128 + gStopSignal);
    gStopSignal = signal;
    std::signal(signal, OnStopSignal);  // where the C library resets it on delivery
}

bool StopRequested() {
    return gStopSignal != 0;
}

int Check(const std::string& file) {
    Console console(stdout, stderr);
    CliView view(console, "");
    ImageDigester image;
    const StreamResult check = CheckPass(view, file, &image);
    std::printf("%s\n", FileCheckText(check).c_str());
    if (check.count < 1) return 1;
    if (const std::optional<ImageScan> scan = image.Finish(file)) {
        std::printf("CRC-32: %s (%s bytes)\n", Hex(scan->digest.crc32, 8).c_str(),
                    std::to_string(scan->digest.size).c_str());
    }
    return 0;
}

int Ports() {
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

const char* StepName(Step step) {
    switch (step) {
        case Step::None:
            return "the end";
        case Step::FileCheck:
            return "the file check";
        case Step::OpenPort:
            return "opening the port";
        case Step::Connect:
            return "the connection";
        case Step::BaudRate:
            return "the rate change";
        case Step::IdCode:
            return "the ID check";
        case Step::Erase:
            return "the erase";
        case Step::Program:
            return "programming";
        case Step::Verify:
            return "the verify";
        case Step::Read:
            return "the read";
        case Step::Lines:
            return "the modem lines";
    }
    return "";
}

// What the status line cannot say: which page failed and what the chip answered.
void ExplainFailure(CliView& view, const std::string& port, const Outcome& outcome) {
    if (outcome.lost.kind == PortLoss::Kind::Stopped) {
        view.Error("bramblet-cli: stopped during " + std::string(StepName(outcome.failed)) +
                   (outcome.page ? ", at page " + Hex(*outcome.page, 6) : std::string()));
        return;
    }
    if (!outcome.lineError.empty()) view.Error("bramblet-cli: " + outcome.lineError);
    if (outcome.failed == Step::Lines) return;
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
        where = outcome.detail.empty() ? "erase" : "erase of " + outcome.detail;
    } else if (outcome.failed == Step::Verify) {
        where = "verify";  // by check data: no page was read
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
    } else if (!outcome.detail.empty()) {
        view.Error("bramblet-cli: " + where + ": " + outcome.detail);
    }
}

// The family a board works with: --family, else the one the window would show after choosing
// the file, else the window's first family.
Family BoardFamily(const Options& options) {
    if (options.family) return *options.family;
    if (options.file.empty()) return Family::R8C;
    WriterView silent;
    return FileChosen(silent, options.file, Family::R8C).family.value_or(Family::R8C);
}

// What the boards of a run share besides their options: the write file's image and the log.
struct Station {
    std::optional<ImageScan> image;  // write and verify, when the file can be read
    std::unique_ptr<AppendFile> log;
    std::atomic<bool> logFailed{false};
};

std::unique_ptr<CliView> MakeView(const Options& options, Console& console, const std::string& port,
                                  bool several) {
    const std::string prefix = several ? port + ": " : "";
    if (options.json) return std::make_unique<JsonView>(console, port, prefix);
    return std::make_unique<CliView>(console, prefix);
}

// One board: its own port, view and session, so that several can run side by side.
class Board {
public:
    Board(const Options& options, const std::string& port, Console& console, bool several,
          Station& station, std::optional<std::uint64_t> serial)
        : options_(options),
          port_(port),
          target_{port,
                  BoardFamily(options),
                  options.modePin,
                  options.file,
                  LinkOptions{options.baud, options.before, options.after}, options.flash,
                  serial ? SerialPatch(*options.serial, *serial) : ImagePatch{}},
          station_(station),
          face_(MakeView(options, console, port, several)),
          view_(*face_),
          prompt_(options.idCode, FamilyName(options.idFamily.value_or(*target_.family))),
          system_(SystemPortOpener()),
          ports_(*system_, StopRequested),
          session_(ports_, view_, prompt_) {
        view_.showProgress = !several && IsTerminal(stderr);
        report_.command = CommandName(options.command);
        report_.port = port;
        report_.serial = serial;
        // A board with a number of its own has an image of its own.
        if (station.image && serial) {
            const auto own = ScanImage(options.file, target_.patch);
            if (own) report_.image = own->digest;
        } else if (station.image) {
            report_.image = station.image->digest;
        }
    }

    // Runs the command. `summary` says how it ended.
    Outcome Run(std::string& summary) {
        const auto start = std::chrono::steady_clock::now();
        Outcome outcome;
        switch (options_.command) {
            case Command::Write:
                outcome = session_.WriteSequence(target_);
                break;
            case Command::Verify:
                outcome = session_.VerifySequence(target_);
                break;
            case Command::Erase:
                outcome = session_.EraseSequence(target_);
                break;
            default:
                outcome = OwnCommand();
                break;
        }
        ExplainFailure(view_, port_, outcome);
        summary = outcome.Succeeded() ? "ok" : "failed: " + outcome.text;
        report_.outcome = outcome;
        report_.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - start)
                                   .count();
        Log();
        return outcome;
    }

    const BoardReport& Report() const { return report_; }

private:
    void Log() {
        if (!station_.log) return;
        std::string error;
        const std::string line =
            LogLine(report_, LocalTimeIso8601(), options_.file, session_.BootVersion()) + "\n";
        if (!station_.log->Append(line, error)) {
            view_.Error("bramblet-cli: cannot write the log: " + error);
            station_.logFailed = true;
        }
    }

    // info, read and blank-check: the sequences' connection and unlock, then commands of their own.
    Outcome OwnCommand() {
        Outcome outcome = session_.Unlock(target_);
        if (!outcome.Succeeded()) return outcome;
        SerialPort& port = *session_.CommHandle();
        switch (options_.command) {
            case Command::Info:
                Info(port, outcome);
                break;
            case Command::Read:
                Failed(outcome, ReadToFile(port, options_.range, options_.output, Progress()));
                break;
            default:
                BlankCheck(port, outcome);
                break;
        }
        if (std::string error = session_.CloseCommHandle(); !error.empty()) {
            outcome.AfterFailed(std::move(error));
        }
        return outcome;
    }

    void Info(SerialPort& port, Outcome& outcome) {
        const protocol::Status s = protocol::ReadStatus(port);
        if (const PortLoss loss = port.Lost()) {
            Failed(outcome, ReadFailure{LossText(loss), std::nullopt, loss});
            return;
        }
        view_.Print("version: " + session_.BootVersion());
        view_.Print("SRD: " + Hex(s.srd, 2) + " (" + SrdWords(s) + ")");
        view_.Print("SRD1: " + Hex(s.srd1, 2) + " (" + Srd1Words(s) + ")");
        view_.Print("family: " + view_.ConfirmedFamily().value_or(FamilyName(*target_.family)));
    }

    std::function<void(int)> Progress() {
        return [this](int percent) { view_.SetProgress(percent); };
    }

    void BlankCheck(SerialPort& port, Outcome& outcome) {
        const BlankCheckResult result = FirstUsedByte(port, options_.range, Progress());
        if (result.failure) {
            Failed(outcome, result.failure);
        } else if (result.used) {
            view_.Print(Hex(*result.used, 6));
            outcome.failed = Step::Read;
            outcome.text = "not blank at " + Hex(*result.used, 6);
        }
    }

    void Failed(Outcome& outcome, const std::optional<ReadFailure>& failure) {
        if (!failure) return;
        outcome.failed = Step::Read;
        outcome.text = failure->reason;
        outcome.page = failure->page;
        outcome.lost = failure->lost;
        // A stop is said once, with the page, by ExplainFailure.
        if (outcome.lost.kind != PortLoss::Kind::Stopped) {
            view_.Error("bramblet-cli: " + failure->reason);
        }
    }

    const Options& options_;
    const std::string port_;
    const Target target_;
    Station& station_;
    std::unique_ptr<CliView> face_;
    CliView& view_;
    BoardReport report_;
    CliPrompt prompt_;
    std::unique_ptr<PortOpener> system_;
    StoppablePorts ports_;
    Session session_;
};

// Opens the log and takes the boards' serial numbers, before anything is sent; the reason the
// run is refused when one of them cannot be done.
std::optional<std::string> PrepareStation(const Options& options, Station& station,
                                          std::optional<std::uint64_t>& firstSerial) {
    std::string error;
    if (options.log) {
        station.log = OpenAppendFile(*options.log, error);
        if (!station.log) return "cannot open the log " + error;
    }
    if (options.command == Command::Write || options.command == Command::Verify) {
        station.image = ScanImage(options.file,
                                  options.serial ? SerialPatch(*options.serial, 0) : ImagePatch{});
    }
    // A file that the write's check will refuse is given no number.
    if (!options.serial || !station.image || station.image->empty) return std::nullopt;
    const SerialOption& serial = *options.serial;
    if (station.image->clashes) {
        return "--serial: the write file already supplies bytes at " + Hex(serial.address, 6) +
               "-" + Hex(serial.address + serial.width - 1, 6);
    }
    std::string why;
    const UpdateResult taken = UpdateLockedFile(
        serial.counter,
        [&](const std::string& text) -> std::optional<std::string> {
            const auto numbers = TakeSerialNumbers(text, serial.width, options.ports.size(), why);
            if (!numbers) return std::nullopt;
            firstSerial = numbers->first;
            return numbers->next;
        },
        error);
    if (taken == UpdateResult::Replaced) return std::nullopt;
    firstSerial.reset();
    if (taken == UpdateResult::Left) return "--serial: " + why + " (" + serial.counter + ")";
    return "--serial: cannot take a number from the counter " + error;
}

int RunBoards(const Options& options) {
    Station station;
    std::optional<std::uint64_t> firstSerial;
    if (const auto refusal = PrepareStation(options, station, firstSerial)) {
        std::fprintf(stderr, "bramblet-cli: %s\n%s", refusal->c_str(),
                     Usage(options.command).c_str());
        return 2;
    }
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    Console console(stdout, stderr);
    const bool several = options.ports.size() > 1;
    std::vector<std::unique_ptr<Board>> boards;
    for (std::size_t i = 0; i < options.ports.size(); ++i) {
        const auto serial = firstSerial ? std::optional(*firstSerial + i) : std::nullopt;
        boards.push_back(
            std::make_unique<Board>(options, options.ports[i], console, several, station, serial));
    }
    std::vector<std::string> summaries(boards.size());
    std::vector<Outcome> outcomes(boards.size());
    if (!several) {
        outcomes[0] = boards[0]->Run(summaries[0]);
    } else {
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < boards.size(); ++i) {
            threads.emplace_back([&, i] { outcomes[i] = boards[i]->Run(summaries[i]); });
        }
        for (std::thread& t : threads) t.join();
        // With --json standard output is the programs', and the results say it for them.
        for (std::size_t i = 0; i < boards.size(); ++i) {
            if (options.json) {
                console.Err(options.ports[i] + ": ", summaries[i]);
            } else {
                console.Out(options.ports[i] + ": ", summaries[i]);
            }
        }
    }
    console.EndProgress();
    if (options.json) {
        for (const auto& board : boards) console.Out("", ResultLine(board->Report()));
    }
    // A board that had finished when the request came has done its work; one that was stopped
    // makes the run a stopped one.
    const bool stopped = std::any_of(outcomes.begin(), outcomes.end(), [](const Outcome& o) {
        return o.lost.kind == PortLoss::Kind::Stopped;
    });
    if (stopped) return 128 + gStopSignal;
    return !station.logFailed && std::all_of(outcomes.begin(), outcomes.end(),
                                             [](const Outcome& o) { return o.Succeeded(); })
               ? 0
               : 1;
}

}  // namespace
}  // namespace bramblet

int main(int argc, char** argv) {
    using namespace bramblet;
    PrepareConsole();
    // Port names are ordered in the user's locale, as the window orders them.
    std::setlocale(LC_COLLATE, "");
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
