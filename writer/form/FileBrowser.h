#pragma once
// The file browser's rules: the drive selector, the folder list and the file list are linked, and
// the folder they show is the process's current folder, so a relative name is resolved against
// what the user sees. The toolkit lists folders and files; which folder, which mask and which file
// is decided here.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "text/Catalogue.h"

namespace bramblet::form {

// What the browser's controls do for it.
class BrowserFace {
public:
    virtual ~BrowserFace() = default;
    // The full path of the file selected in the file list; empty when none is.
    virtual std::string SelectedFile() const = 0;
    // The lists show `folder`, the current folder now: the folders from its root down to it and
    // its subfolders, its files that match the mask; the drive selector its drive.
    virtual void ShowFolder(const std::string& folder) = 0;
    // The file list shows only the files that match `mask` from now on.
    virtual void SetMask(const std::string& mask) = 0;
    // Selects the file of this exact name in the file list; when the list does not show it (a
    // hidden file, one the mask leaves out) nothing stays selected.
    virtual void SelectFile(const std::string& name) = 0;
};

// Paths as the system writes them: backslashes on Windows.
std::string NativePath(std::string path);

// What the folder list shows for `folder`: the folders from its root down to it, each indented a
// step further (the root as the system writes it, the others by name), then its subfolders one
// step further in, by name without regard to case, hidden ones left out. `current` is the row of
// `folder` itself; each row's path is absolute, as the system writes it.
struct FolderRow {
    std::string text;
    std::string path;
};
struct FolderRows {
    std::vector<FolderRow> rows;
    std::size_t current = 0;
};
FolderRows ListFolders(const std::string& folder);

// The root among `roots` (the drive selector's items) that holds `folder`: the longest, so the
// home folder before "/"; nothing when none does. Windows compares without regard to case.
std::optional<std::size_t> DriveOf(const std::vector<std::string>& roots,
                                   const std::string& folder);

class FileBrowser {
public:
    explicit FileBrowser(BrowserFace& face);

    // Moves to `folder` (relative to the current folder, or absolute), which becomes the current
    // folder; the error text when it does not exist or cannot be entered.
    std::optional<std::string> SetDirectory(const std::string& folder);
    // The current folder, as the lists show it.
    std::string Directory() const;
    std::string SelectedFile() const { return face_.SelectedFile(); }

    // Moves the browser to the folder and file that `path` names: nothing for an empty path or
    // the file selected already (compared without regard to case); else the folder is entered,
    // and the last part becomes the mask when it holds "*" or "?", is entered when it is a
    // folder, is selected when it is a file. The error text when the folder, or the last part as
    // a file or folder, does not exist.
    std::optional<std::string> ApplyFilePath(const std::string& path);

    // The user navigates: a folder opened in the folder list, a drive chosen. A folder that
    // cannot be shown leaves the browser where it was, drive selector included, and its error
    // goes to `reportError`.
    void Open(const std::string& folder);
    std::function<void(const std::string&)> reportError;
    // The language of the error texts.
    text::Lang language = text::Lang::Ja;

private:
    BrowserFace& face_;
};

}  // namespace bramblet::form
