#include "writer/platform/win32/Win32Serial.h"

#include <windows.h>

namespace bramblet {
namespace {

class Win32SerialPort : public SerialPort {
public:
    explicit Win32SerialPort(HANDLE handle) : handle_(handle) {}
    ~Win32SerialPort() override { CloseHandle(handle_); }

    void Setup(std::uint32_t baud) override {
        SetupComm(handle_, 2048, 512);
        PurgeComm(handle_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        // The reply window: returns when all requested bytes are there or the window has passed.
        timeouts.ReadTotalTimeoutMultiplier = static_cast<DWORD>(kReplyWindowPerByte.count());
        timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(kReplyWindowConstant.count());
        timeouts.WriteTotalTimeoutMultiplier = 0;
        timeouts.WriteTotalTimeoutConstant = 0;
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
        SetCommState(handle_, &dcb);
        SetCommMask(handle_, 0);
        // Wine reports SETDTR as unsupported on a pseudo-terminal; like every configuration
        // call here its result is not examined.
        EscapeCommFunction(handle_, SETDTR);
        DWORD errors = 0;
        COMSTAT status{};
        ClearCommError(handle_, &errors, &status);
    }

    void Write(std::span<const std::uint8_t> bytes) override {
        DWORD written = 0;
        WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }

    std::size_t Read(std::span<std::uint8_t> buffer) override {
        DWORD got = 0;
        if (!ReadFile(handle_, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            return 0;
        }
        return got;
    }

    void DiscardInput() override { PurgeComm(handle_, PURGE_RXCLEAR); }

private:
    HANDLE handle_;
};

}  // namespace

OpenResult Win32PortOpener::Open(const std::string& name) {
    OpenResult result;
    // The device path is kept to 20 characters: "\\.\", at most 15 for the name, and the NUL.
    if (name.size() > 15) {
        result.error = OpenError::InvalidName;
        result.detail = name + ": port names are at most 15 characters";
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
                result.detail = path + ": no such port";
                break;
            case ERROR_ACCESS_DENIED:
            case ERROR_SHARING_VIOLATION:
                // Windows answers "access denied" for a COM port that another program holds.
                result.error = OpenError::Busy;
                result.detail = path + ": in use or access denied";
                break;
            default:
                result.error = OpenError::Other;
                result.detail = path + ": error " + std::to_string(error);
        }
        return result;
    }
    result.port = std::make_unique<Win32SerialPort>(handle);
    return result;
}

}  // namespace bramblet
