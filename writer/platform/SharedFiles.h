#pragma once
// Files that several boards and several processes share at once: a log that whole lines are
// appended to, and a small text file read and replaced under a lock.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "text/Catalogue.h"

namespace bramblet {

class AppendFile {
public:
    virtual ~AppendFile() = default;
    // Writes `line` at the file's end as it is at that moment, in one write, so that no other
    // writer's bytes come between its own; false, with `error` set, when it could not.
    virtual bool Append(const std::string& line, std::string& error) = 0;
};

// Opens the file at `utf8Name` for appending, creating it when it is missing; nothing, with
// `error` set, when it cannot be. `lang` is that of the errors that are not the system's.
std::unique_ptr<AppendFile> OpenAppendFile(const std::string& utf8Name, std::string& error,
                                           text::Lang lang = text::Lang::En);

// Given a file's contents, its new contents, or nothing to leave it as it is.
using FileUpdate = std::function<std::optional<std::string>(const std::string& contents)>;

enum class UpdateResult { Replaced, Left, Failed };

// Reads the file at `utf8Name`, which must exist, under an exclusive lock that every caller of
// this in any process waits for, hands its contents to `update` and, when that returns new ones,
// replaces the file with them atomically before letting the lock go: a reader sees the old
// contents or the new, whole. The lock is held on `utf8Name`.lock, which is created beside it and
// left there, since a file replaced under its own lock would let a waiter lock the old one.
UpdateResult UpdateLockedFile(const std::string& utf8Name, const FileUpdate& update,
                              std::string& error);

}  // namespace bramblet
