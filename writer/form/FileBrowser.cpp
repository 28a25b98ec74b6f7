#include "writer/form/FileBrowser.h"

#include <algorithm>
#include <filesystem>
#include "text/Catalogue.h"

#include "writer/common/Text.h"

namespace bramblet::form {
namespace {

namespace fs = std::filesystem;

constexpr bool kWindowsPaths = fs::path::preferred_separator == '\\';

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The folder as an absolute, lexically clean path without a trailing separator.
fs::path Absolute(const std::string& folder) {
    std::error_code ec;
    fs::path path = fs::absolute(Utf8Path(folder), ec).lexically_normal();
    if (path.has_relative_path() && path.filename().empty()) path = path.parent_path();
    return path;
}

std::string GenericPath(std::string path) {
    if (kWindowsPaths) {
        for (char& c : path) {
            if (c == '\\') c = '/';
        }
    }
    return path;
}

// Hidden by its name where the system says so by a leading full stop.
bool HiddenName(const std::string& name) {
    return !kWindowsPaths && !name.empty() && name.front() == '.';
}

bool LessIgnoringAsciiCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(AsciiLower(x)) <
               static_cast<unsigned char>(AsciiLower(y));
    });
}

}  // namespace

FolderRows ListFolders(const std::string& folder) {
    const fs::path path = Absolute(folder);
    std::vector<fs::path> chain;
    for (fs::path p = path;; p = p.parent_path()) {
        chain.insert(chain.begin(), p);
        if (!p.has_relative_path()) break;
    }
    FolderRows list;
    const std::size_t indent = 2;
    for (std::size_t depth = 0; depth < chain.size(); ++depth) {
        const std::string name = depth == 0 ? Utf8(chain[depth]) : Utf8(chain[depth].filename());
        list.rows.push_back(
            {std::string(depth * indent, ' ') + NativePath(name), NativePath(Utf8(chain[depth]))});
    }
    list.current = list.rows.size() - 1;

    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(path, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        const std::string name = Utf8(it->path().filename());
        if (it->is_directory(kind) && !HiddenName(name)) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), LessIgnoringAsciiCase);
    const std::string pad(chain.size() * indent, ' ');
    for (const std::string& name : names) {
        list.rows.push_back({pad + name, NativePath(Utf8(path / Utf8Path(name)))});
    }
    return list;
}

std::string NativePath(std::string path) {
    if (kWindowsPaths) {
        for (char& c : path) {
            if (c == '/') c = '\\';
        }
    }
    return path;
}

std::optional<std::size_t> DriveOf(const std::vector<std::string>& roots,
                                   const std::string& folder) {
    std::optional<std::size_t> best;
    std::size_t bestLength = 0;
    const std::string inside = GenericPath(folder) + "/";
    for (std::size_t i = 0; i < roots.size(); ++i) {
        std::string root = GenericPath(roots[i]);
        if (root.empty() || root.back() != '/') root += '/';
        if (root.size() > inside.size()) continue;
        const std::string head = inside.substr(0, root.size());
        const bool holds = kWindowsPaths ? EqualsIgnoringAsciiCase(head, root) : head == root;
        if (holds && (!best || root.size() > bestLength)) {
            best = i;
            bestLength = root.size();
        }
    }
    return best;
}

FileBrowser::FileBrowser(BrowserFace& face) : face_(face) {}

std::string FileBrowser::Directory() const {
    std::error_code ec;
    return NativePath(Utf8(fs::current_path(ec)));
}

std::optional<std::string> FileBrowser::SetDirectory(const std::string& folder) {
    const fs::path absolute = Absolute(folder);
    std::error_code ec;
    if (!fs::is_directory(absolute, ec)) {
        return text::Say(text::Tx::FolderMissing, text::Lang::Ja, {NativePath(Utf8(absolute))});
    }
    fs::current_path(absolute, ec);
    if (ec)
        return text::Say(text::Tx::FolderUnreachable, text::Lang::Ja, {NativePath(Utf8(absolute))});
    face_.ShowFolder(Directory());
    return std::nullopt;
}

void FileBrowser::Open(const std::string& folder) {
    if (const std::optional<std::string> error = SetDirectory(folder)) {
        face_.ShowFolder(Directory());  // back to what is still the current folder
        if (reportError) reportError(*error);
    }
}

std::optional<std::string> FileBrowser::ApplyFilePath(const std::string& path) {
    if (path.empty() || EqualsIgnoringAsciiCase(path, face_.SelectedFile())) return std::nullopt;
    const std::string generic = GenericPath(path);
    std::size_t split = generic.rfind('/');
    split = split == std::string::npos ? 0 : split + 1;
    // A drive prefix with no folder ("D:prog.mot") names that drive's current folder.
    if (split == 0 && kWindowsPaths && generic.size() >= 2 && generic[1] == ':') split = 2;
    const std::string folder = generic.substr(0, split);
    const std::string last = generic.substr(split);
    if (!folder.empty()) {
        if (auto error = SetDirectory(folder)) return error;
    }
    if (last.empty()) return std::nullopt;
    if (last.find_first_of("*?") != std::string::npos) {
        face_.SetMask(last);
        return std::nullopt;
    }
    std::error_code ec;
    const fs::path file = fs::current_path(ec) / Utf8Path(last);
    if (fs::is_directory(file, ec)) return SetDirectory(Utf8(file));
    if (!fs::exists(file, ec)) {
        return text::Say(text::Tx::NoSuchFileOrFolder, text::Lang::Ja, {NativePath(Utf8(file))});
    }
    face_.SelectFile(last);
    return std::nullopt;
}

}  // namespace bramblet::form
