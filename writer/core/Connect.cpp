// Connecting to the boot program and unlocking it with its ID code.
#include "writer/common/Text.h"
#include "writer/core/SessionRun.h"
#include "writer/link/AllowancePort.h"

namespace bramblet {
namespace {

constexpr int kSyncAttempts = 17;

using protocol::Status;

}  // namespace

Session::Session(PortOpener& ports, WriterView& view, IdCodePrompt& prompt)
    : ports_(ports), view_(std::make_unique<StatusTap>(view)), prompt_(prompt) {}

Session::~Session() = default;

Connection Session::ConnectBootMode(const Target& target) {
    const bool modePinLink = UsesModePinLink(target.family, target.modePin);
    commHandle_.reset();
    OpenResult opened = ports_.Open(target.port);
    if (!opened.port) return Connection::NotOpened(opened.error, std::move(opened.detail));
    commHandle_ = std::move(opened.port);
    if (target.link.adapterLatency > std::chrono::milliseconds{0}) {
        commHandle_ =
            std::make_unique<AllowancePort>(std::move(commHandle_), target.link.adapterLatency);
    }
    SerialPort& port = *commHandle_;
    // A chip that knows only 9600 baud is met there from the start; the mode-pin link is fixed.
    port.Setup(modePinLink ? kBaudModePin : target.link.baud == 9600 ? 9600 : kBaudNormal);
    if (std::optional<Connection> stopped = StartLines(target)) return *std::move(stopped);

    // Whatever the line brought before we spoke is stale.
    std::array<std::uint8_t, 100> stale;
    port.Read(stale);

    int result = 0;
    if (modePinLink) {
        result = protocol::ReadStatus(port).Word();
    } else {
        // The byte that ends the synchronisation is not examined, nor is a silent chip refused
        // here: the Baud Rate Check decides.
        protocol::Synchronise(port, kSyncAttempts);
        if (protocol::BaudRate(port, protocol::kBaudRateCheck, 10)) {
            const Status reply = protocol::ReadStatus(port);
            // Only the command byte came back: the line echoes, no boot program answers.
            const bool echoOnly = reply.srd == protocol::kReadStatus && reply.srd1 == 0x00;
            result = echoOnly ? 0 : reply.Word();
        }
    }
    if ((result & protocol::kWordReady) && (result & protocol::kWordErrors)) {
        protocol::ClearStatus(port);
    }
    return Connection::Answer(result);
}

namespace {

std::optional<ModemLine> FirstLine(const LineSequence& steps) {
    for (const LineStep& step : steps) {
        if (step.line) return step.line;
    }
    return std::nullopt;
}

}  // namespace

// Drives the target's --before on the port just set up; a connection that ends there.
std::optional<Connection> Session::StartLines(const Target& target) {
    after_.clear();
    const LinkOptions& link = target.link;
    if (link.before.empty() && link.after.empty()) return std::nullopt;
    linePort_ = target.port;
    SerialPort& port = *commHandle_;
    if (const std::optional<ModemLine> line =
            FirstLine(link.before) ? FirstLine(link.before) : FirstLine(link.after)) {
        // Setup has just raised DTR: raising it again changes nothing on a port that has the
        // line, and one without modem lines refuses it before anything has been sent.
        const std::string error = port.SetLine(ModemLine::Dtr, true);
        if (!error.empty()) {
            return Connection::LinesRefused(text::Say(Tx::CoreNoModemLines, view_->OwnLanguage(),
                                                      {LineName(*line), target.port, error}));
        }
    }
    if (std::string error = DriveLines(link.before); !error.empty()) {
        return Connection::LinesRefused(std::move(error));
    }
    if (port.Lost()) return Connection::NoAnswer();
    after_ = link.after;
    return std::nullopt;
}

std::string Session::DriveLines(const LineSequence& steps) {
    std::string error;
    const std::optional<ModemLine> refused = RunLineSequence(*commHandle_, steps, error);
    if (!refused) return {};
    return text::Say(Tx::CoreCannotDrive, view_->OwnLanguage(),
                     {LineName(*refused), linePort_, error});
}

std::string Session::CloseCommHandle() {
    std::string error;
    if (commHandle_ && !commHandle_->Lost() && !after_.empty()) error = DriveLines(after_);
    after_.clear();
    commHandle_.reset();
    return error;
}

bool Session::Run::SwitchRate() {
    const std::uint32_t baud = target_.link.baud;
    const std::optional<std::uint8_t> code = BaudRateCode(baud);
    if (!code) return true;  // the design's rate, or 9600 from the start
    SerialPort& port = Port();
    const std::string rate = std::to_string(baud);
    // The chip echoes the code at the old rate, then listens at the new one. The connection has
    // ruled out a line that echoes, so the echo is taken as soon as it comes.
    const bool echoed = protocol::BaudRate(port, *code, 1);
    if (echoed) {
        port.Setup(baud);
        const auto status = protocol::PollStatus(port, 1, protocol::PollRead::TwoBytes);
        if (status && status->Ready()) return true;
    }
    if (port.Lost()) return NoAnswer();
    outcome_.detail =
        !echoed ? Own(Tx::CoreNoEcho, {Hex(*code, 2), rate}) : Own(Tx::CoreNoStatusAt, {rate});
    noReply_ = true;
    return Refuse(Step::BaudRate, text::Say(Tx::RateRefused, View().Language(), {rate}));
}

int Session::VerifyIdCode(const Target& target) {
    SerialPort& port = *commHandle_;
    int w = protocol::ReadStatus(port).Word();
    bootVersion_.clear();
    if ((w & (protocol::kWordReady | protocol::kWordErrors)) != protocol::kWordReady) return w;

    bootVersion_ = protocol::ReadVersion(port);
    view_->SetVersionText(bootVersion_);

    // A line that has gone ends the unlock where it stands: no further source, and no dialog
    // asking the user for a code that nothing could check.
    auto done = [&port](int word) {
        return (word & protocol::kWordIdVerified) == protocol::kWordIdVerified || port.Lost();
    };
    if (done(w)) return w;
    const std::uint32_t address = IdAddress(target.family);

    view_->SetStatus(text::Say(Tx::IdAllFf, view_->Language()));
    idCode_.fill(0xFF);
    protocol::IdCheck(port, address, idCode_);
    w = protocol::ReadStatus(port).Word();
    if (done(w)) return w;

    view_->SetStatus(text::Say(Tx::IdFileCheck, view_->Language()));
    idCode_ = ReadIdFile(target.IdFile()).value_or(IdFileContents{}).code;
    protocol::IdCheck(port, address, idCode_);
    w = protocol::ReadStatus(port).Word();
    if (done(w)) return w;

    dialogCpuFamily_.clear();
    if (const std::optional<IdCodeAnswer> answer = prompt_.AskIdCode()) {
        dialogIdCode_ = answer->code;
        dialogCpuFamily_ = answer->family;
    }
    if (dialogCpuFamily_.empty()) return w;
    // The family confirmed is the one the window shows from now on and the one whose ID address
    // the code goes to.
    view_->FamilyConfirmed(dialogCpuFamily_);
    idCode_ = dialogIdCode_;
    protocol::IdCheck(port, IdAddress(ParseFamily(dialogCpuFamily_)), idCode_);
    return protocol::ReadStatus(port).Word();
}

}  // namespace bramblet
