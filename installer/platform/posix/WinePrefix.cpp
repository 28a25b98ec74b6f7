#include "installer/platform/posix/WinePrefix.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include "installer/IniFile.h"
#include "installer/RegFile.h"
#include "installer/TextLines.h"
#include "text/Text.h"

namespace fs = std::filesystem;

namespace kelpin {

using text::AsciiLower;
using text::EqualsIgnoringAsciiCase;

namespace {

std::string Utf8(const fs::path& p) {
    const std::u8string u = p.u8string();
    return std::string(u.begin(), u.end());
}

fs::path FromUtf8(const std::string& s) {
    return fs::path(std::u8string(s.begin(), s.end()));
}

// An entry of `dir` named `name` without regard to case, as Wine finds it; the name as given
// when there is none (for a file about to be created).
fs::path Child(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    const fs::path exact = dir / FromUtf8(name);
    if (fs::exists(fs::symlink_status(exact, ec))) return exact;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (EqualsIgnoringAsciiCase(Utf8(it->path().filename()), name)) return it->path();
    }
    return exact;
}

std::optional<std::string> ReadAll(const fs::path& file) {
    std::error_code ec;
    if (fs::is_directory(file, ec)) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

WinePrefix::WinePrefix(fs::path root, std::FILE* out, std::FILE* in)
    : root_(std::move(root)), out_(out), in_(in) {}

fs::path WinePrefix::Default() {
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix && *prefix) return prefix;
    const char* home = std::getenv("HOME");
    if (home && *home) return fs::path(home) / ".wine";
    return {};
}

std::optional<fs::path> WinePrefix::Drive(char letter) const {
    if (root_.empty()) return std::nullopt;
    std::error_code ec;
    const std::string name{AsciiLower(letter), ':'};
    fs::path drive = fs::canonical(root_ / "dosdevices" / name, ec);
    // A prefix that has not been through wineboot yet has drive_c but no links.
    if (ec && AsciiLower(letter) == 'c') drive = fs::canonical(root_ / "drive_c", ec);
    if (ec || !fs::is_directory(drive, ec)) return std::nullopt;
    return drive;
}

std::optional<fs::path> WinePrefix::HostPath(const std::string& windowsPath) const {
    if (windowsPath.size() < 2 || windowsPath[1] != ':') return std::nullopt;
    const char letter = AsciiLower(windowsPath[0]);
    if (letter < 'a' || letter > 'z') return std::nullopt;
    const std::optional<fs::path> drive = Drive(letter);
    if (!drive) return std::nullopt;

    fs::path host = *drive;
    std::size_t pos = 2;
    while (pos <= windowsPath.size()) {
        std::size_t end = windowsPath.find_first_of("\\/", pos);
        if (end == std::string::npos) end = windowsPath.size();
        const std::string part = windowsPath.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (host != *drive) host = host.parent_path();
            continue;
        }
        host = Child(host, part);
    }
    return host;
}

std::optional<std::string> WinePrefix::WindowsPath(const fs::path& host) const {
    std::error_code ec;
    const fs::path target = fs::weakly_canonical(host, ec);
    if (ec) return std::nullopt;
    std::optional<std::string> best;
    std::ptrdiff_t bestDepth = -1;
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        const std::optional<fs::path> drive = Drive(letter);
        if (!drive) continue;
        const auto [driveEnd, targetEnd] =
            std::mismatch(drive->begin(), drive->end(), target.begin(), target.end());
        if (driveEnd != drive->end()) continue;
        const std::ptrdiff_t depth = std::distance(drive->begin(), drive->end());
        if (depth <= bestDepth) continue;
        std::string name{static_cast<char>(letter - 'a' + 'A'), ':'};
        for (auto it = targetEnd; it != target.end(); ++it) {
            if (!it->empty()) name += "\\" + Utf8(*it);
        }
        if (name.size() == 2) name += "\\";
        best = name;
        bestDepth = depth;
    }
    return best;
}

std::string WinePrefix::CurrentDirectory() {
    std::error_code ec;
    const fs::path current = fs::current_path(ec);
    if (ec) return {};
    return WindowsPath(current).value_or(std::string());
}

std::string WinePrefix::ClassesRootDefaultValue(const std::string& key) {
    // HKEY_CLASSES_ROOT is the user's classes laid over the machine's.
    const std::string relative =
        "Software\\Classes\\" + key.substr(std::min(key.find_first_not_of('\\'), key.size()));
    for (const char* hive : {"user.reg", "system.reg"}) {
        const std::optional<std::string> text = ReadAll(root_ / hive);
        if (!text) continue;
        if (std::optional<std::string> value = RegDefaultValue(*text, relative)) return *value;
    }
    return {};
}

std::string WinePrefix::IniValue(const std::string& file, const std::string& section,
                                 const std::string& key) {
    const std::optional<fs::path> host = HostPath(file);
    if (!host) return {};
    const std::optional<std::string> text = ReadAll(*host);
    return text ? IniLookup(*text, section, key) : std::string();
}

std::optional<std::string> WinePrefix::Environment(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (!value) return std::nullopt;
    return std::string(value);
}

bool WinePrefix::IsDirectory(const std::string& path) {
    const std::optional<fs::path> host = HostPath(path);
    std::error_code ec;
    return host && fs::is_directory(*host, ec);
}

bool WinePrefix::ReadTextLines(const std::string& file,
                               const std::function<void(std::string_view)>& line) {
    const std::optional<fs::path> host = HostPath(file);
    std::error_code ec;
    if (!host || fs::is_directory(*host, ec)) return false;
    std::ifstream in(*host, std::ios::binary);
    if (!in) return false;
    ForEachTextLine(in, line);
    return true;
}

// Does what "xcopy SOURCE\*.* DESTINATION /s/e/y/f/i" does: the whole tree with its empty
// folders, a missing destination created as a folder, existing files overwritten, each file
// listed by its full Windows names, the count at the end.
void WinePrefix::RunCopy(const CopyJob& job) {
    int files = 0;
    const std::optional<fs::path> from = HostPath(job.source);
    const std::optional<fs::path> to = HostPath(job.destination);
    std::error_code ec;
    if (!to) {
        Write("Invalid drive - " + job.destination + "\n");
    } else if (from && fs::is_directory(*from, ec)) {
        const fs::path source = fs::canonical(*from, ec);
        const fs::path destination = fs::weakly_canonical(*to, ec);
        const auto [sourceEnd, destinationEnd] =
            std::mismatch(source.begin(), source.end(), destination.begin(), destination.end());
        if (sourceEnd == source.end()) {
            Write("Cannot perform a cyclic copy\n");
        } else {
            // xcopy lists "C:\WorkSpace\a.c" for the destination "C:\WorkSpace\" too.
            const std::size_t kept = job.destination.find_last_not_of('\\') + 1;
            CopyTree(*from, job.source, *to, job.destination.substr(0, kept), files);
        }
    }
    Write(std::to_string(files) + " file(s) copied\n");
}

bool WinePrefix::CopyTree(const fs::path& from, const std::string& fromName, const fs::path& to,
                          const std::string& toName, int& files) {
    std::error_code ec;
    fs::create_directories(to, ec);
    if (ec || !fs::is_directory(to, ec)) {
        Write("Unable to create directory - " + toName + "\n");
        return false;
    }
    std::vector<std::string> fileNames;
    std::vector<std::string> folderNames;
    for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = Utf8(it->path().filename());
        std::error_code entry;
        // Linked folders are not followed: a link back up the tree would never end.
        if (it->is_directory(entry) && !it->is_symlink(entry)) {
            folderNames.push_back(name);
        } else if (it->is_regular_file(entry)) {
            fileNames.push_back(name);
        }
    }
    std::sort(fileNames.begin(), fileNames.end());
    std::sort(folderNames.begin(), folderNames.end());

    for (const std::string& name : fileNames) {
        const std::string sourceName = fromName + "\\" + name;
        const std::string targetName = toName + "\\" + name;
        fs::copy_file(from / FromUtf8(name), Child(to, name), fs::copy_options::overwrite_existing,
                      ec);
        if (ec) {
            Write("File creation error - " + targetName + "\n");
            return false;
        }
        Write(sourceName + " -> " + targetName + "\n");
        ++files;
    }
    for (const std::string& name : folderNames) {
        if (!CopyTree(from / FromUtf8(name), fromName + "\\" + name, Child(to, name),
                      toName + "\\" + name, files)) {
            return false;
        }
    }
    return true;
}

void WinePrefix::Write(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), out_);
}

// The installer's own texts are UTF-8 already, like the terminal.
void WinePrefix::WriteMessage(std::string_view utf8) {
    Write(utf8);
}

void WinePrefix::ReadChar() {
    std::fflush(out_);
    std::fgetc(in_);
}

}  // namespace kelpin
