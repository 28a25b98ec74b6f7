// Connecting to the boot program and unlocking it with its ID code.
#include <array>
#include <span>

#include "core/Writer.h"
#include "link/IdFile.h"
#include "link/Protocol.h"

namespace bramblet {
namespace {

constexpr int kSyncAttempts = 17;

void Send(SerialPort& port, std::initializer_list<std::uint8_t> bytes) {
    port.Write(std::span<const std::uint8_t>(bytes.begin(), bytes.size()));
}

// Read Status Register for the connection and the ID steps: up to 2 bytes, then up to 2 more
// right after them, which picks up a late second byte and drains surplus. Missing bytes are 0.
std::array<std::uint8_t, 2> ReadStatusReply(SerialPort& port) {
    std::array<std::uint8_t, 4> reply{};
    Send(port, {kReadStatus});
    const std::size_t n = port.Read(std::span(reply.data(), 2));
    port.Read(std::span(reply.data() + n, 2));
    return {reply[0], reply[1]};
}

int ReadStatusWord(SerialPort& port) {
    const auto reply = ReadStatusReply(port);
    return StatusWord(reply[0], reply[1]);
}

void SendIdCheck(SerialPort& port, std::uint32_t address, const IdCodeBytes& code) {
    Send(port, {kIdCheck, static_cast<std::uint8_t>(address & 0xFF), AddressMid(address),
                AddressHigh(address), kIdLength});
    port.Write(code);
}

constexpr bool IdVerified(int w) { return (w & 0x000C) == 0x000C; }

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
    port.Setup(modePinLink ? kBaudModePin : kBaudNormal);

    std::array<std::uint8_t, 100> stale;
    port.Read(stale);

    int result = 0;
    if (modePinLink) {
        result = ReadStatusWord(port);
    } else {
        for (int i = 0; i < kSyncAttempts; ++i) {
            Send(port, {kSync});
            std::array<std::uint8_t, 1> answer;
            if (port.Read(answer) == 1) break;
        }
        std::array<std::uint8_t, 10> echo{};
        Send(port, {kBaudRateCheck});
        if (port.Read(echo) == 1 && echo[0] == kBaudRateCheck) {
            const auto reply = ReadStatusReply(port);
            // Only the command byte came back: the line echoes, no boot program answers.
            const bool echoOnly = reply[0] == kReadStatus && reply[1] == 0x00;
            result = echoOnly ? 0 : StatusWord(reply[0], reply[1]);
        }
    }
    if ((result & 0x8000) && (result & 0x3000)) Send(port, {kClearStatus});
    return result;
}

int Writer::VerifyIdCode() {
    SerialPort& port = *CommHandle;
    int w = ReadStatusWord(port);
    BootVersion.clear();
    if ((w & 0xB000) != 0x8000) return w;

    std::array<std::uint8_t, 18> version{};
    Send(port, {kVersionRead});
    std::size_t n = port.Read(std::span(version.data(), 8));
    n += port.Read(std::span(version.data() + n, 10));
    if (n == 8) {
        for (std::size_t i = 0; i < 8 && version[i] != 0; ++i) {
            BootVersion.push_back(static_cast<char>(version[i]));
        }
    }
    view_.SetVersionText(BootVersion);

    std::uint32_t address = IdAddress(view_.CpuFamily());
    if (IdVerified(w)) return w;

    view_.SetStatus("ID all FF 照合中");
    IdCode.fill(0xFF);
    SendIdCheck(port, address, IdCode);
    w = ReadStatusWord(port);
    if (IdVerified(w)) return w;

    view_.SetStatus("IDファイル 照合中");
    IdFileContents file;
    ReadIdFile(IdFileName(view_.FileName()), file);
    IdCode = file.code;
    SendIdCheck(port, address, IdCode);
    w = ReadStatusWord(port);
    if (IdVerified(w)) return w;

    DialogCpuFamily.clear();
    view_.ShowIdCodeDialog(DialogIdCode, DialogCpuFamily);
    if (DialogCpuFamily.empty()) return w;
    view_.SetCpuFamily(DialogCpuFamily);
    address = IdAddress(DialogCpuFamily);
    IdCode = DialogIdCode;
    SendIdCheck(port, address, IdCode);
    return ReadStatusWord(port);
}

int Writer::ReadIdFileFamily() {
    IdFileContents file;
    if (!ReadIdFile(IdFileName(view_.FileName()), file) || file.family.empty()) return 0;
    view_.SetCpuFamily(file.family);
    return 1;
}

}  // namespace bramblet
