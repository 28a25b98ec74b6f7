// Connecting to the boot program and unlocking it with its ID code.
#include <cstdio>

#include "writer/core/Writer.h"
#include "writer/flash/IdFile.h"

namespace bramblet {
namespace {

constexpr int kSyncAttempts = 17;

using protocol::Status;

}  // namespace

int Writer::ConnectBootMode() {
    const bool modePinLink = view_.CpuFamily() == "R8C" && view_.ModePin();
    CommHandle.reset();
    OpenResult opened = ports_.Open(view_.PortName());
    if (!opened.port) {
        LastOpenError = std::move(opened);
        return 1;
    }
    LastOpenError = {};
    CommHandle = std::move(opened.port);
    SerialPort& port = *CommHandle;
    // A chip that knows only 9600 baud is met there from the start; the mode-pin link is fixed.
    port.Setup(modePinLink ? kBaudModePin : link_.baud == 9600 ? 9600 : kBaudNormal);

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
    return result;
}

bool Writer::SwitchRate(Outcome& outcome) {
    const std::optional<std::uint8_t> code = protocol::BaudRateCode(link_.baud);
    if (!code) return true;  // the design's rate, or 9600 from the start
    SerialPort& port = *CommHandle;
    const std::string rate = std::to_string(link_.baud);
    // The chip echoes the code at the old rate, then listens at the new one. The connection has
    // ruled out a line that echoes, so the echo is taken as soon as it comes.
    const bool echoed = protocol::BaudRate(port, *code, 1);
    if (echoed) {
        port.Setup(link_.baud);
        const auto status = protocol::PollStatus(port, 1, protocol::PollRead::TwoBytes);
        if (status && status->Ready()) return true;
    }
    if (port.Lost()) return NoAnswer(outcome);
    Refuse(outcome, Step::BaudRate, "通信速度を" + rate + "bpsに切り替えられません!");
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X", *code);
    outcome.detail = !echoed ? "the chip did not echo the baud-rate command " + std::string(hex) +
                                   " for " + rate + " baud"
                             : "no status from the chip at " + rate + " baud";
    return false;
}

int Writer::VerifyIdCode() {
    SerialPort& port = *CommHandle;
    int w = protocol::ReadStatus(port).Word();
    BootVersion.clear();
    if ((w & (protocol::kWordReady | protocol::kWordErrors)) != protocol::kWordReady) return w;

    BootVersion = protocol::ReadVersion(port);
    view_.SetVersionText(BootVersion);

    // A line that has gone ends the unlock where it stands: no further source, and no dialog
    // asking the user for a code that nothing could check.
    auto done = [&port](int word) {
        return (word & protocol::kWordIdVerified) == protocol::kWordIdVerified || port.Lost();
    };
    std::uint32_t address = IdAddress(view_.CpuFamily());
    if (done(w)) return w;

    view_.SetStatus("ID all FF 照合中");
    IdCode.fill(0xFF);
    protocol::IdCheck(port, address, IdCode);
    w = protocol::ReadStatus(port).Word();
    if (done(w)) return w;

    view_.SetStatus("IDファイル 照合中");
    IdFileContents file;
    ReadIdFile(IdFileName(view_.FileName()), file);
    IdCode = file.code;
    protocol::IdCheck(port, address, IdCode);
    w = protocol::ReadStatus(port).Word();
    if (done(w)) return w;

    DialogCpuFamily.clear();
    if (const std::optional<IdCodeAnswer> answer = view_.ShowIdCodeDialog(view_.CpuFamily())) {
        DialogIdCode = answer->code;
        DialogCpuFamily = answer->family;
    }
    if (DialogCpuFamily.empty()) return w;
    view_.SetCpuFamily(DialogCpuFamily);
    address = IdAddress(DialogCpuFamily);
    IdCode = DialogIdCode;
    protocol::IdCheck(port, address, IdCode);
    return protocol::ReadStatus(port).Word();
}

}  // namespace bramblet
