#include "writer/platform/win32/SystemError.h"

#include "text/Wide.h"

namespace bramblet {

std::string SystemErrorText(const std::string& what, DWORD error) {
    wchar_t* words = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
    std::string message;
    if (words) {
        message = text::Narrow(words);
        LocalFree(words);
    }
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.pop_back();
    }
    return what + ": " + (message.empty() ? "system error " + std::to_string(error) : message);
}

}  // namespace bramblet
