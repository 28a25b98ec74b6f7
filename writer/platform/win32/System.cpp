#include "writer/platform/System.h"

#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <ctime>

#include "text/Wide.h"
#include "writer/common/Text.h"

#include "writer/platform/win32/Win32Serial.h"

namespace bramblet {

std::unique_ptr<PortOpener> SystemPortOpener(text::Lang lang) {
    return std::make_unique<Win32PortOpener>(lang);
}

void PrepareConsole() {
    SetConsoleOutputCP(CP_UTF8);
    // Lines end in "\n" as on every other system, also in files and pipes: scripts that read the
    // output get the same bytes everywhere. The console itself starts a new line at "\n" anyway.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool IsTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i) {
        args.push_back(text::Narrow(wide[i]));
    }
    LocalFree(wide);
    return args;
}

std::string LocalTimeIso8601() {
    const __time64_t now = _time64(nullptr);
    std::tm local{};
    _localtime64_s(&local, &now);
    // The local fields read as UTC give the offset.
    std::tm fields = local;
    return IsoTime(local, static_cast<long>(_mkgmtime64(&fields) - now));
}

bool SystemBeep(std::uint32_t type) {
    MessageBeep(type);
    return true;
}

}  // namespace bramblet
