// The installer on Windows: the registry, the profile functions and xcopy themselves.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "installer/TextLines.h"
#include "installer/platform/System.h"
#include "text/Wide.h"

namespace kelpin {
namespace {

// GetPrivateProfileStringA's result buffer.
constexpr DWORD kProfileBuffer = 2048;
// The installer's texts are Shift-JIS whatever the console's code page.
constexpr UINT kOutputCodePage = 932;

class Win32Platform : public Platform {
public:
    std::string CurrentDirectory() override {
        const DWORD size = GetCurrentDirectoryA(0, nullptr);
        if (size == 0) return {};
        std::string directory(size, '\0');
        const DWORD length = GetCurrentDirectoryA(size, directory.data());
        if (length == 0 || length >= size) return {};
        directory.resize(length);
        return directory;
    }

    std::string ClassesRootDefaultValue(const std::string& key) override {
        HKEY handle = nullptr;
        LONG result = RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_ALL_ACCESS, &handle);
        // Without administrator rights the classes under HKEY_LOCAL_MACHINE only open for
        // reading; reading is all that is done with them.
        if (result == ERROR_ACCESS_DENIED) {
            result = RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle);
        }
        if (result != ERROR_SUCCESS) return {};
        std::string text;
        DWORD type = 0;
        DWORD size = 0;
        result = RegQueryValueExA(handle, "", nullptr, &type, nullptr, &size);
        while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
            // Anything but a string is not a folder name.
            if (type != REG_SZ && type != REG_EXPAND_SZ) break;
            std::vector<BYTE> data(size + 1);
            DWORD got = size;
            result = RegQueryValueExA(handle, "", nullptr, &type, data.data(), &got);
            if (result == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
                text.assign(reinterpret_cast<const char*>(data.data()), got);
                text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
                break;
            }
            // The value grew between the two calls: ask again.
            size = got;
        }
        RegCloseKey(handle);
        return text;
    }

    std::string IniValue(const std::string& file, const std::string& section,
                         const std::string& key) override {
        std::vector<char> buffer(kProfileBuffer);
        const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), "",
                                                      buffer.data(), kProfileBuffer, file.c_str());
        return std::string(buffer.data(), length);
    }

    std::optional<std::string> Environment(const std::string& name) override {
        const char* value = std::getenv(name.c_str());
        if (!value) return std::nullopt;
        return std::string(value);
    }

    bool IsDirectory(const std::string& path) override {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    bool ReadTextLines(const std::string& file,
                       const std::function<void(std::string_view)>& line) override {
        std::ifstream in(file, std::ios::binary);
        if (!in) return false;
        ForEachTextLine(in, line);
        return true;
    }

    void RunCopy(const CopyJob& job) override {
        std::fflush(stdout);
        std::system(job.commandLine.c_str());
    }

    void Write(std::string_view bytes) override {
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    }

    void WriteMessage(std::string_view utf8) override {
        const std::wstring wide = text::Widen(utf8);
        const int units = static_cast<int>(wide.size());
        const int size = WideCharToMultiByte(kOutputCodePage, 0, wide.data(), units, nullptr, 0,
                                             nullptr, nullptr);
        std::string bytes(size, '\0');
        WideCharToMultiByte(kOutputCodePage, 0, wide.data(), units, bytes.data(), size, nullptr,
                            nullptr);
        Write(bytes);
    }

    void ReadChar() override {
        std::fflush(stdout);
        std::getchar();
    }
};

}  // namespace

std::unique_ptr<Platform> SystemPlatform() {
    return std::make_unique<Win32Platform>();
}

}  // namespace kelpin
