#include "writer/cli/Board.h"

#include "writer/cli/Explain.h"
#include "writer/common/Text.h"
#include "writer/core/FileChoice.h"
#include "writer/platform/PortList.h"
#include "writer/platform/System.h"

namespace bramblet {
namespace {

std::unique_ptr<CliView> MakeView(const Options& options, Console& console,
                                  const BoardPlace& place) {
    const std::string prefix = place.several ? place.port + ": " : "";
    std::unique_ptr<CliView> view = options.json
                                        ? std::make_unique<JsonView>(console, place.port, prefix)
                                        : std::make_unique<CliView>(console, prefix);
    view->language = options.Language();
    view->ownLanguage = options.OwnLanguage();
    return view;
}

// Hands each port that opens to `opened` before the session uses it.
class WatchedPorts : public PortOpener {
public:
    WatchedPorts(PortOpener& ports, std::function<void(SerialPort&)> opened)
        : ports_(ports), opened_(std::move(opened)) {}
    OpenResult Open(const std::string& name) override {
        OpenResult result = ports_.Open(name);
        if (result.port) opened_(*result.port);
        return result;
    }

private:
    PortOpener& ports_;
    std::function<void(SerialPort&)> opened_;
};

// A timer this short costs a write next to nothing.
constexpr std::chrono::milliseconds kNegligibleLatency{2};

}  // namespace

Family BoardFamily(const Options& options) {
    if (options.family) return *options.family;
    if (options.file.empty()) return Family::R8C;
    WriterView silent;
    return FileChosen(silent, options.file, Family::R8C, options.Reading())
        .family.value_or(Family::R8C);
}

Board::Board(const Options& options, BoardPlace place, Console& console)
    : options_(options),
      port_(place.port),
      noSerial_(place.noSerial),
      target_{place.port,
              BoardFamily(options),
              options.modePin,
              options.file,
              LinkOptions{options.baud, options.before, options.after,
                          options.latency.value_or(std::chrono::milliseconds{0})},
              options.flash,
              place.patch,
              options.Reading()},
      face_(MakeView(options, console, place)),
      view_(*face_),
      prompt_(options.idCode, FamilyName(options.idFamily.value_or(*target_.family))),
      system_(SystemPortOpener(options.OwnLanguage())),
      ports_(*system_, StopRequested),
      watched_(std::make_unique<WatchedPorts>(ports_, [this](SerialPort& port) { Opened(port); })),
      session_(*watched_, view_, prompt_) {
    view_.showProgress = !place.several && IsTerminal(stderr);
    report_.command = CommandName(options.command);
    report_.port = place.port;
    report_.serial = place.serial;
    report_.image = place.image;
    report_.language = options.OwnLanguage();
    if (place.adapter && place.adapter->kind == PortKind::Usb) {
        report_.adapterKnown = true;
        report_.portSerial = place.adapter->serial;
        report_.portLocation = place.adapter->location;
    }
}

// The timer is read once the driver has been asked for low latency: one still above a couple of
// milliseconds could not be lowered, and every short reply waits for it.
void Board::Opened(SerialPort& port) {
    const std::optional<std::chrono::milliseconds> latency = port.AdapterLatency();
    if (!latency || report_.latencyMs) return;
    report_.latencyMs = static_cast<int>(latency->count());
    // The session takes the Target's latency once the port is open, so the timer read now still
    // widens every reply window of this run; --latency has the last word.
    if (!options_.latency) target_.link.adapterLatency = *latency;
    if (*latency <= kNegligibleLatency) return;
    view_.Error("bramblet-cli: " + text::Say(text::Tx::CliLatencyWarning, options_.OwnLanguage(),
                                             {std::to_string(latency->count()),
                                              LatencyRemedy(port_, options_.OwnLanguage())}));
}

Outcome Board::Run() {
    const auto start = std::chrono::steady_clock::now();
    Outcome outcome;
    if (!noSerial_.empty()) {
        // A board without its number must not be written: it would leave the chip unnumbered.
        outcome.failed = Step::Serial;
        outcome.text = text::Say(text::Tx::CliNoSerialNumberText, options_.OwnLanguage());
        outcome.detail = noSerial_;
    } else if (options_.command == Command::Write) {
        outcome = session_.WriteSequence(target_);
    } else if (options_.command == Command::Verify) {
        outcome = session_.VerifySequence(target_);
    } else if (options_.command == Command::Erase) {
        outcome = session_.EraseSequence(target_);
    } else {
        outcome = OwnCommand();
    }
    ExplainFailure(view_, port_, outcome, options_.OwnLanguage());
    report_.outcome = outcome;
    report_.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count();
    return outcome;
}

// info, read and blank-check: the sequences' connection and unlock, then commands of their own.
Outcome Board::OwnCommand() {
    Outcome outcome = session_.Unlock(target_);
    if (!outcome.Succeeded()) return outcome;
    SerialPort& port = *session_.CommHandle();
    switch (options_.command) {
        case Command::Info:
            Info(port, outcome);
            break;
        case Command::Read:
            Failed(port, outcome,
                   ReadToFile(port, options_.range, options_.output, Progress(),
                              options_.OwnLanguage()));
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

void Board::Info(SerialPort& port, Outcome& outcome) {
    const text::Lang lang = options_.OwnLanguage();
    // One status read; a chip that says nothing has no registers to print.
    const std::optional<protocol::Status> status =
        protocol::PollStatus(port, 1, protocol::PollRead::TwoBytes);
    if (const PortLoss loss = port.Lost()) {
        Failed(port, outcome, ReadFailure{LossText(loss, lang), std::nullopt, loss});
        return;
    }
    if (!status) {
        Failed(port, outcome,
               ReadFailure{text::Say(text::Tx::CliNoStatusRead, lang), std::nullopt, {}, true});
        return;
    }
    const protocol::Status& s = *status;
    view_.Print(text::Say(text::Tx::CliVersionLine, lang, {session_.BootVersion()}));
    view_.Print("SRD: " + Hex(s.srd, 2) + " (" + SrdWords(s, lang) + ")");
    view_.Print("SRD1: " + Hex(s.srd1, 2) + " (" + Srd1Words(s, lang) + ")");
    view_.Print(text::Say(text::Tx::CliFamilyLine, lang,
                          {view_.ConfirmedFamily().value_or(FamilyName(*target_.family))}));
    if (report_.latencyMs) {
        view_.Print(
            text::Say(text::Tx::CliLatencyLine, lang, {std::to_string(*report_.latencyMs)}));
    }
}

std::function<void(int)> Board::Progress() {
    return [this](int percent) { view_.SetProgress(percent); };
}

void Board::BlankCheck(SerialPort& port, Outcome& outcome) {
    const text::Lang lang = options_.OwnLanguage();
    const BlankCheckResult result = FirstUsedByte(port, options_.range, Progress(), lang);
    if (result.failure) {
        Failed(port, outcome, result.failure);
    } else if (result.used) {
        view_.Print(Hex(*result.used, 6));
        outcome.failed = Step::Read;
        outcome.text = text::Say(text::Tx::CliNotBlankAt, lang, {Hex(*result.used, 6)});
    }
}

void Board::Failed(const SerialPort& port, Outcome& outcome,
                   const std::optional<ReadFailure>& failure) {
    if (!failure) return;
    outcome.failed = Step::Read;
    outcome.text = failure->reason;
    outcome.page = failure->page;
    outcome.lost = failure->lost;
    if (failure->noReply) outcome.NoReply(port.AdapterLatency(), target_.link.adapterLatency);
    // A stop is said once, with the page, by ExplainFailure.
    if (outcome.lost.kind != PortLoss::Kind::Stopped) {
        view_.Error("bramblet-cli: " + failure->reason);
    }
}

}  // namespace bramblet
