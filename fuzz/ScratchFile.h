#pragma once
// The readers under test take file names, so each input is written to one file that lives as
// long as the fuzzer: truncated and rewritten per input, removed at a normal exit (libFuzzer
// ends a timed run without one, so the script gives each run a folder of its own).
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace bramblet::fuzz {

class ScratchFile {
public:
    // A new file in the temporary folder ($TMPDIR, which scripts/fuzz.sh points into memory:
    // on a disk, rewriting the file for every input costs more than the parse) whose name ends
    // in `suffix`.
    explicit ScratchFile(const std::string& suffix) {
        path_ = (std::filesystem::temp_directory_path() / "bramblet-fuzz-XXXXXX").string() + suffix;
        fd_ = ::mkstemps(path_.data(), static_cast<int>(suffix.size()));
        if (fd_ < 0) std::abort();
    }
    ~ScratchFile() {
        ::close(fd_);
        ::unlink(path_.c_str());
    }

    // Makes the file hold `head` followed by `body`.
    void Write(std::string_view head, std::string_view body) {
        if (::ftruncate(fd_, 0) != 0) std::abort();
        WriteAt(head, 0);
        WriteAt(body, static_cast<off_t>(head.size()));
    }

    const std::string& Path() const { return path_; }

private:
    void WriteAt(std::string_view bytes, off_t offset) {
        while (!bytes.empty()) {
            const ssize_t n = ::pwrite(fd_, bytes.data(), bytes.size(), offset);
            if (n <= 0) std::abort();
            bytes.remove_prefix(static_cast<std::size_t>(n));
            offset += n;
        }
    }

    std::string path_;
    int fd_ = -1;
};

}  // namespace bramblet::fuzz
