#include "writer/flash/ByteFile.h"

#include "writer/flash/OpenForReading.h"

namespace bramblet {

bool ByteFile::Open(const std::string& utf8Name) {
    stream_.close();
    stream_.clear();
    size_ = 0;
    failed_ = false;
    if (!OpenForReading(stream_, utf8Name)) return false;
    stream_.seekg(0, std::ios::end);
    const std::streamoff end = stream_.tellg();
    stream_.seekg(0);
    if (end < 0 || !stream_) return false;
    size_ = static_cast<std::uint64_t>(end);
    return true;
}

bool ByteFile::ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t n) {
    if (offset > size_ || n > size_ - offset) return false;
    stream_.clear();
    stream_.seekg(static_cast<std::streamoff>(offset));
    stream_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(n));
    if (stream_.gcount() == static_cast<std::streamsize>(n)) return true;
    // The size was measured at the open, so a short read is the file failing or shrinking.
    failed_ = true;
    return false;
}

std::size_t ByteFile::ReadHead(std::uint8_t* out, std::size_t n) {
    const std::size_t want = size_ < n ? static_cast<std::size_t>(size_) : n;
    return ReadAt(0, out, want) ? want : 0;
}

}  // namespace bramblet
