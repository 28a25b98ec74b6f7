#pragma once
// A file read as bytes at given offsets, a block at a time: ELF files and raw binaries.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

namespace bramblet {

class ByteFile {
public:
    // False for anything that cannot be read as a file: a missing name, a folder, no permission.
    bool Open(const std::string& utf8Name);
    std::uint64_t Size() const { return size_; }
    // Reads exactly `n` bytes at `offset`; false on a read error or a short read.
    bool ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t n);
    // Up to `n` bytes from the start; how many came.
    std::size_t ReadHead(std::uint8_t* out, std::size_t n);
    bool Failed() const { return failed_; }

private:
    std::ifstream stream_;
    std::uint64_t size_ = 0;
    bool failed_ = false;
};

}  // namespace bramblet
