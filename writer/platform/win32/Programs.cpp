// Programs through CreateProcessW, their output through an anonymous pipe.
#include "writer/platform/Programs.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "text/Wide.h"
#include "writer/common/Text.h"
#include "writer/platform/CommandLine.h"
#include "writer/platform/win32/SystemError.h"

namespace bramblet {
namespace {

class Handle {
public:
    explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return handle_; }
    HANDLE* Put() { return &handle_; }
    void Close() {
        if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_;
};

// CreateProcess hands a batch file to cmd.exe, which would read its arguments as a command line.
bool IsBatchFile(const std::string& program) {
    const auto dot = program.find_last_of('.');
    if (dot == std::string::npos) return false;
    std::string extension = program.substr(dot);
    for (char& c : extension) c = AsciiLower(c);
    return extension == ".bat" || extension == ".cmd";
}

class Win32ProgramRunner : public ProgramRunner {
public:
    explicit Win32ProgramRunner(text::Lang lang) : lang_(lang) {}

    ProgramEnd Run(const std::vector<std::string>& argv, bool capture) override {
        ProgramEnd end;
        if (argv.empty()) {
            end.error = text::Say(text::Tx::ProgramNone, lang_);
            return end;
        }
        if (IsBatchFile(argv[0])) {
            end.error = text::Say(text::Tx::ProgramBatch, lang_, {argv[0]});
            return end;
        }
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        Handle in(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr));
        Handle readEnd, writeEnd, errorCopy;
        if (capture) {
            if (!CreatePipe(readEnd.Put(), writeEnd.Put(), &inherit, 0) ||
                !SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0)) {
                end.error = SystemErrorText("pipe", GetLastError());
                return end;
            }
        }
        // The program gets our standard error twice over when its output is not captured.
        const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
        if (error && error != INVALID_HANDLE_VALUE) {
            DuplicateHandle(GetCurrentProcess(), error, GetCurrentProcess(), errorCopy.Put(), 0,
                            TRUE, DUPLICATE_SAME_ACCESS);
        }
        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof startup;
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = in.Get();
        startup.StartupInfo.hStdOutput = capture ? writeEnd.Get() : errorCopy.Get();
        startup.StartupInfo.hStdError = errorCopy.Get();
        // Only these handles are inherited, so that a program another board starts at the same
        // time does not hold this one's pipe open.
        HANDLE handles[3];
        DWORD count = 0;
        for (HANDLE h : {in.Get(), capture ? writeEnd.Get() : nullptr, errorCopy.Get()}) {
            if (h && h != INVALID_HANDLE_VALUE) handles[count++] = h;
        }
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        std::vector<unsigned char> list(size);
        auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list.data());
        if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size) ||
            !UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles,
                                       count * sizeof(HANDLE), nullptr, nullptr)) {
            end.error = SystemErrorText("process attributes", GetLastError());
            return end;
        }
        startup.lpAttributeList = attributes;
        std::wstring line = text::Widen(WindowsCommandLine(argv));
        PROCESS_INFORMATION process{};
        const BOOL created =
            CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                           EXTENDED_STARTUPINFO_PRESENT | CREATE_UNICODE_ENVIRONMENT, nullptr,
                           nullptr, &startup.StartupInfo, &process);
        const DWORD createError = GetLastError();
        DeleteProcThreadAttributeList(attributes);
        writeEnd.Close();
        if (!created) {
            end.error = SystemErrorText(argv[0], createError);
            return end;
        }
        Handle processHandle(process.hProcess), thread(process.hThread);
        end.started = true;
        if (capture) {
            char buffer[512];
            DWORD n = 0;
            while (ReadFile(readEnd.Get(), buffer, sizeof buffer, &n, nullptr) && n > 0) {
                const std::size_t room = kProgramOutputLimit - end.output.size();
                end.output.append(buffer, std::min<std::size_t>(room, n));
            }
        }
        DWORD code = 0;
        if (WaitForSingleObject(processHandle.Get(), INFINITE) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(processHandle.Get(), &code)) {
            end.error = SystemErrorText(argv[0], GetLastError());
            return end;
        }
        end.exited = true;
        end.status = static_cast<int>(code);
        return end;
    }

private:
    text::Lang lang_;
};

}  // namespace

std::unique_ptr<ProgramRunner> SystemProgramRunner(text::Lang lang) {
    return std::make_unique<Win32ProgramRunner>(lang);
}

}  // namespace bramblet
