#include "writer/platform/win32/SystemError.h"

namespace bramblet {

std::string SystemErrorText(const std::string& what, DWORD error) {
    wchar_t* text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message;
    if (text) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
        if (size > 1) {
            message.resize(static_cast<std::size_t>(size - 1));
            WideCharToMultiByte(CP_UTF8, 0, text, -1, message.data(), size, nullptr, nullptr);
        }
        LocalFree(text);
    }
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.pop_back();
    }
    return what + ": " + (message.empty() ? "system error " + std::to_string(error) : message);
}

}  // namespace bramblet
