// The settings key as a file under the user's configuration folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "writer/platform/RegFile.h"
#include "writer/platform/posix/SettingsFile.h"

namespace bramblet {
namespace {

std::string SystemError(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

class PosixWholeFile : public WholeFile {
public:
    explicit PosixWholeFile(std::string path) : path_(std::move(path)) {}

    std::optional<std::string> Read() override {
        const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT) return std::nullopt;
            throw SettingsError(SystemError(path_, errno));
        }
        std::string bytes;
        char buffer[8192];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                bytes.append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0) {
                break;
            } else if (errno != EINTR) {
                const int error = errno;
                ::close(fd);
                throw SettingsError(SystemError(path_, error));
            }
        }
        ::close(fd);
        return bytes;
    }

    // A new file beside the old one, flushed to the disk, then renamed over it: a crash or a
    // full disk leaves the previous settings whole.
    void Replace(const std::string& bytes) override {
        const std::filesystem::path path(path_);
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        if (ec) throw SettingsError(path.parent_path().string() + ": " + ec.message());
        std::string temp = path_ + ".XXXXXX";
        const int fd = ::mkstemp(temp.data());
        if (fd < 0) throw SettingsError(SystemError(temp, errno));
        std::size_t done = 0;
        int error = 0;
        while (done < bytes.size() && error == 0) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n >= 0)
                done += static_cast<std::size_t>(n);
            else if (errno != EINTR)
                error = errno;
        }
        if (error == 0 && ::fsync(fd) != 0) error = errno;
        if (::close(fd) != 0 && error == 0) error = errno;
        if (error == 0 && ::rename(temp.c_str(), path_.c_str()) != 0) error = errno;
        if (error != 0) {
            ::unlink(temp.c_str());
            throw SettingsError(SystemError(path_, error));
        }
        const int dir = ::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);  // makes the rename itself durable
            ::close(dir);
        }
    }

    std::string Name() const override { return path_; }

private:
    std::string path_;
};

}  // namespace

std::string SettingsFilePath() {
    // Only an absolute XDG_CONFIG_HOME counts; a relative one is to be ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.config";
    }
    return base + "/ORVANE/Bramblet.reg";
}

std::unique_ptr<SettingsStore> FileSettingsStore(const std::string& path) {
    return std::make_unique<RegFileStore>(std::make_unique<PosixWholeFile>(path));
}

std::unique_ptr<SettingsStore> SystemSettingsStore() {
    return FileSettingsStore(SettingsFilePath());
}

}  // namespace bramblet
