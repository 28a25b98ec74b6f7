#pragma once
// A fresh folder per test, removed with everything in it at the end.
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace bramblet::testing {

class TempDir {
public:
    TempDir() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("bramblet-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // Writes `bytes` exactly (no newline translation) and returns the name as UTF-8.
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::filesystem::path file = path_ / std::filesystem::path(Utf8(name));
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return Utf8Name(file);
    }
    std::string Name(const std::string& relative) const { return Utf8Name(path_ / Utf8(relative)); }

    static std::string Utf8Name(const std::filesystem::path& p) {
        const std::u8string u = p.u8string();
        return std::string(u.begin(), u.end());
    }
    static std::filesystem::path Utf8(const std::string& s) {
        return std::filesystem::path(std::u8string(s.begin(), s.end()));
    }

private:
    std::filesystem::path path_;
};

}  // namespace bramblet::testing
