#pragma once
// Everything the installer needs from the system, so that the run itself is plain logic: Win32
// calls on Windows, a Wine prefix read from the outside on POSIX, a fake in tests. Every path
// given to or returned by these operations is a Windows path.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kelpin {

// One copy of a patch folder. `commandLine` is the xcopy command as printed; `source` is the
// folder whose whole tree is copied and `destination` the folder it is copied into.
struct CopyJob {
    std::string commandLine;
    std::string source;
    std::string destination;
};

class Platform {
public:
    virtual ~Platform() = default;

    // The current directory, whatever its length.
    virtual std::string CurrentDirectory() = 0;

    // The default value of a key under HKEY_CLASSES_ROOT as text; empty when the key cannot be
    // opened, the value is missing or it is not a string.
    virtual std::string ClassesRootDefaultValue(const std::string& key) = 0;

    // A value of an INI file by the rules of the Windows profile functions; empty when the file,
    // the section or the key is missing.
    virtual std::string IniValue(const std::string& file, const std::string& section,
                                 const std::string& key) = 0;

    // An environment variable; nullopt when it is not set.
    virtual std::optional<std::string> Environment(const std::string& name) = 0;

    // True when the path names an existing directory.
    virtual bool IsDirectory(const std::string& path) = 0;

    // Reads a text file in text mode (CR LF as LF, a byte 0x1A ends it), handing each line
    // without its line feed to `line`. False when the file cannot be opened.
    virtual bool ReadTextLines(const std::string& file,
                               const std::function<void(std::string_view)>& line) = 0;

    // Runs one copy and waits for it to end. Its outcome is not reported.
    virtual void RunCopy(const CopyJob& job) = 0;

    // Writes bytes to standard output unchanged: paths and versions as the system gave them.
    virtual void Write(std::string_view bytes) = 0;

    // Writes one of the installer's own texts, given in UTF-8, in the output's encoding.
    virtual void WriteMessage(std::string_view utf8) = 0;

    // Reads one character from standard input; returns at once at the end of input.
    virtual void ReadChar() = 0;
};

}  // namespace kelpin
