// The shared files through O_APPEND, flock and rename.
#include "writer/platform/SharedFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace bramblet {
namespace {

std::string SystemError(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

// Closes a descriptor at the end of its scope.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }
    // Closes now, for the error close reports.
    int Close() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

// The whole write, or the errno that stopped it.
int WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n >= 0) {
            done += static_cast<std::size_t>(n);
        } else if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

class PosixAppendFile : public AppendFile {
public:
    PosixAppendFile(int fd, std::string name, text::Lang lang)
        : fd_(fd), name_(std::move(name)), lang_(lang) {}

    // One write(2) on an O_APPEND descriptor: the kernel puts it at the end whole. A write cut
    // short (a full disk) cannot be finished without letting other writers in, so it is an error.
    bool Append(const std::string& line, std::string& error) override {
        ssize_t n;
        do {
            n = ::write(fd_.Get(), line.data(), line.size());
        } while (n < 0 && errno == EINTR);
        if (n == static_cast<ssize_t>(line.size())) return true;
        error = n < 0 ? SystemError(name_, errno)
                      : text::Say(text::Tx::FileShortWrite, lang_,
                                  {name_, std::to_string(n), std::to_string(line.size())});
        return false;
    }

private:
    Fd fd_;
    std::string name_;
    text::Lang lang_;
};

}  // namespace

std::unique_ptr<AppendFile> OpenAppendFile(const std::string& utf8Name, std::string& error,
                                           text::Lang lang) {
    const int fd = ::open(utf8Name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = SystemError(utf8Name, errno);
        return nullptr;
    }
    return std::make_unique<PosixAppendFile>(fd, utf8Name, lang);
}

UpdateResult UpdateLockedFile(const std::string& utf8Name, const FileUpdate& update,
                              std::string& error) {
    // The file must be there before a lock file is made beside it.
    if (::access(utf8Name.c_str(), F_OK) != 0) {
        error = SystemError(utf8Name, errno);
        return UpdateResult::Failed;
    }
    const std::string lockName = utf8Name + ".lock";
    Fd lock(::open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (lock.Get() < 0) {
        error = SystemError(lockName, errno);
        return UpdateResult::Failed;
    }
    while (::flock(lock.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            error = SystemError(lockName, errno);
            return UpdateResult::Failed;
        }
    }

    Fd in(::open(utf8Name.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (in.Get() < 0 || ::fstat(in.Get(), &status) != 0) {
        error = SystemError(utf8Name, errno);
        return UpdateResult::Failed;
    }
    std::string contents;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(in.Get(), buffer, sizeof buffer);
        if (n > 0) {
            contents.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            error = SystemError(utf8Name, errno);
            return UpdateResult::Failed;
        }
    }
    const std::optional<std::string> next = update(contents);
    if (!next) return UpdateResult::Left;

    // A new file beside the old, with its permissions, flushed, then renamed over it.
    std::string temp = utf8Name + ".XXXXXX";
    Fd out(::mkstemp(temp.data()));
    if (out.Get() < 0) {
        error = SystemError(temp, errno);
        return UpdateResult::Failed;
    }
    int failure = WriteAll(out.Get(), *next);
    if (failure == 0 && ::fchmod(out.Get(), status.st_mode & 07777) != 0) failure = errno;
    if (failure == 0 && ::fsync(out.Get()) != 0) failure = errno;
    if (out.Close() != 0 && failure == 0) failure = errno;
    if (failure == 0 && ::rename(temp.c_str(), utf8Name.c_str()) != 0) failure = errno;
    if (failure != 0) {
        ::unlink(temp.c_str());
        error = SystemError(utf8Name, failure);
        return UpdateResult::Failed;
    }
    // The rename itself made durable: a counter that went back after a power cut would give its
    // numbers again.
    std::string folder = std::filesystem::path(utf8Name).parent_path().string();
    const Fd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) ::fsync(dir.Get());
    return UpdateResult::Replaced;
}

}  // namespace bramblet
