#include "writer/platform/win32/Win32Serial.h"

#include <windows.h>

#include <optional>
#include <string>
#include <thread>

#include "writer/platform/win32/PortDevices.h"

namespace bramblet {
namespace {

std::string SystemError(DWORD error, text::Lang lang) {
    return text::Say(text::Tx::PortSystemError, lang, {std::to_string(error)});
}

class Win32SerialPort : public SerialPort {
public:
    Win32SerialPort(HANDLE handle, std::optional<std::chrono::milliseconds> latency,
                    text::Lang lang)
        : handle_(handle), latency_(latency), lang_(lang) {}
    ~Win32SerialPort() override { Release(); }

    bool Setup(std::uint32_t baud) override {
        if (handle_ == INVALID_HANDLE_VALUE || !IsLinkRate(baud)) return false;
        baud_ = baud;
        SetupComm(handle_, 2048, 512);
        PurgeComm(handle_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
        const CommTimeoutValues values = CommTimeoutsFor(baud);
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = values.readInterval;
        timeouts.ReadTotalTimeoutMultiplier = values.readTotalMultiplier;
        timeouts.ReadTotalTimeoutConstant = values.readTotalConstant;
        timeouts.WriteTotalTimeoutMultiplier = values.writeTotalMultiplier;
        timeouts.WriteTotalTimeoutConstant = values.writeTotalConstant;
        SetCommTimeouts(handle_, &timeouts);
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        GetCommState(handle_, &dcb);
        dcb.BaudRate = baud;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = TRUE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        // The state sets DTR and RTS by their control modes; lines SetLine has set keep their
        // level, since a board may hold its chip's RESET or mode pin with them.
        if (dtr_) dcb.fDtrControl = *dtr_ ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
        if (rts_) dcb.fRtsControl = *rts_ ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
        SetCommState(handle_, &dcb);
        SetCommMask(handle_, 0);
        // Wine reports SETDTR as unsupported on a pseudo-terminal; like every configuration
        // call here its result is not examined.
        if (!dtr_) EscapeCommFunction(handle_, SETDTR);
        DWORD errors = 0;
        COMSTAT status{};
        ClearCommError(handle_, &errors, &status);
        return true;
    }

    void Write(std::span<const std::uint8_t> bytes) override {
        if (handle_ == INVALID_HANDLE_VALUE) return;
        DWORD written = 0;
        if (WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
            // A write time-out ends the write successfully, with fewer bytes written.
            if (written < bytes.size()) {
                Lose(PortLoss::Kind::WriteStalled,
                     text::Say(text::Tx::PortStalled, lang_,
                               {std::to_string(written), std::to_string(bytes.size()),
                                std::to_string(WriteWindow(bytes.size(), baud_).count())}));
            }
            return;
        }
        // A line error may abort a write (a driver set to abort on errors); that device still
        // answers, and its write goes unexamined as the design has it.
        CheckDevice(GetLastError());
    }

    std::size_t Read(std::span<std::uint8_t> buffer) override {
        if (handle_ == INVALID_HANDLE_VALUE) return 0;
        DWORD got = 0;
        DWORD error = ERROR_SUCCESS;
        if (!ReadFile(handle_, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            error = GetLastError();
            got = 0;
        }
        // An unplugged adapter fails its reads, or ends them at once with nothing; either way a
        // read that came short asks the driver whether the device is still there.
        if (got < buffer.size()) CheckDevice(error);
        return got;
    }

    void DiscardInput() override {
        if (handle_ != INVALID_HANDLE_VALUE) PurgeComm(handle_, PURGE_RXCLEAR);
    }

    PortLoss Lost() const override { return loss_; }

    void Pause(std::chrono::milliseconds time) override { std::this_thread::sleep_for(time); }

    std::optional<std::chrono::milliseconds> AdapterLatency() const override { return latency_; }

    std::string SetLine(ModemLine line, bool asserted) override {
        if (handle_ == INVALID_HANDLE_VALUE) return text::Say(text::Tx::PortClosed, lang_);
        const bool dtr = line == ModemLine::Dtr;
        const DWORD function = dtr ? (asserted ? SETDTR : CLRDTR) : (asserted ? SETRTS : CLRRTS);
        // Wine on a pseudo-terminal fails with ERROR_NOT_SUPPORTED (50).
        if (!EscapeCommFunction(handle_, function)) return SystemError(GetLastError(), lang_);
        (dtr ? dtr_ : rts_) = asserted;
        return {};
    }

private:
    // ClearCommError fails on a device that has gone; on one that is there it only clears the
    // error state that a line error may have left.
    void CheckDevice(DWORD failure) {
        DWORD errors = 0;
        COMSTAT status{};
        if (ClearCommError(handle_, &errors, &status)) return;
        const DWORD error = GetLastError();
        Lose(PortLoss::Kind::Gone, SystemError(failure != ERROR_SUCCESS ? failure : error, lang_));
    }

    void Lose(PortLoss::Kind kind, std::string detail) {
        loss_ = {kind, std::move(detail)};
        Release();
    }

    void Release() {
        if (handle_ == INVALID_HANDLE_VALUE) return;
        // Nothing unsent is wanted once the port closes; output a handshake holds back would
        // only delay the close.
        PurgeComm(handle_, PURGE_TXABORT | PURGE_TXCLEAR);
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

    HANDLE handle_;
    std::uint32_t baud_ = kBaudNormal;
    std::optional<bool> dtr_, rts_;  // as SetLine last set them
    const std::optional<std::chrono::milliseconds> latency_;
    const text::Lang lang_;
    PortLoss loss_;
};

}  // namespace

CommTimeoutValues CommTimeoutsFor(std::uint32_t baud) {
    // Reads watch no interval between bytes: a read returns when all requested bytes are there
    // or its reply window has passed. A write gets the time its bytes need and the margin.
    return {MAXDWORD, static_cast<std::uint32_t>(kReplyWindowPerByte.count()),
            static_cast<std::uint32_t>(kReplyWindowConstant.count()),
            static_cast<std::uint32_t>(WritePerByte(baud).count()),
            static_cast<std::uint32_t>(kWriteMargin.count())};
}

OpenResult Win32PortOpener::Open(const std::string& name) {
    OpenResult result;
    // The device path is kept to 20 characters: "\\.\", at most 15 for the name, and the NUL.
    if (name.size() > 15) {
        result.error = OpenError::InvalidName;
        result.detail = text::Say(text::Tx::PortNameTooLong, lang_, {name});
        return result;
    }
    const std::string path = "\\\\.\\" + name;
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        switch (error) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
                result.error = OpenError::NotFound;
                result.detail = text::Say(text::Tx::PortNoSuch, lang_, {path});
                break;
            case ERROR_ACCESS_DENIED:
            case ERROR_SHARING_VIOLATION:
                // Windows answers "access denied" for a COM port that another program holds.
                result.error = OpenError::Busy;
                result.detail = text::Say(text::Tx::PortInUse, lang_, {path});
                break;
            default:
                result.error = OpenError::Other;
                result.detail =
                    text::Say(text::Tx::PortError, lang_, {path, std::to_string(error)});
        }
        return result;
    }
    // The FTDI driver keeps its timer in the device's settings; only an administrator may lower
    // it, so it is read and reported, never changed.
    std::optional<std::chrono::milliseconds> latency;
    if (const std::optional<int> ms = PortLatencyTimer(name))
        latency = std::chrono::milliseconds(*ms);
    result.port = std::make_unique<Win32SerialPort>(handle, latency, lang_);
    return result;
}

}  // namespace bramblet
