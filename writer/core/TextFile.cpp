#include "core/TextFile.h"

#include <filesystem>
#include <system_error>

namespace bramblet {
namespace {
constexpr std::size_t kBlock = 256 * 1024;
}

bool TextFile::Open(const std::string& utf8Name) {
    if (utf8Name.empty()) return false;
    const std::filesystem::path path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8Name.data()), utf8Name.size()));
    std::error_code ec;
    // Opening a folder succeeds on some systems and only the first read fails; refuse it here.
    if (std::filesystem::is_directory(path, ec)) return false;
    stream_.open(path, std::ios::in | std::ios::binary);
    if (!stream_.is_open()) return false;
    buffer_ = std::make_unique<char[]>(kBlock);
    pos_ = end_ = nullptr;
    ended_ = failed_ = false;
    return true;
}

bool TextFile::Refill() {
    if (ended_ || !stream_.is_open()) return false;
    stream_.read(buffer_.get(), kBlock);
    const auto got = stream_.gcount();
    if (got <= 0) {
        ended_ = true;
        failed_ = stream_.bad();
        return false;
    }
    if (stream_.bad()) failed_ = true;
    pos_ = reinterpret_cast<const unsigned char*>(buffer_.get());
    end_ = pos_ + got;
    return true;
}

std::string UpperExtension(const std::string& name) {
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos) return {};
    if (name.find_first_of("\\/:", dot) != std::string::npos) return {};
    std::string ext = name.substr(dot);
    for (char& c : ext) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return ext;
}

}  // namespace bramblet
