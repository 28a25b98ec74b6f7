#pragma once
// What the Intel HEX and ELF fuzz targets share: the reader run as the stream runs it, its pages
// merged into bytes, and a check that aborts.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include "tests/support/RecordingSink.h"
#include "writer/flash/FileFormats.h"
#include "writer/flash/PageAssembler.h"

namespace bramblet::fuzz {

inline void Check(bool holds) {
    if (!holds) std::abort();
}

// A reading of a file: 0 and its bytes, or a failure; its count and address range.
struct Image {
    std::int32_t result = 0;                           // 0 or a StreamFailure
    std::map<std::uint32_t, std::uint8_t> bytes = {};  // the last byte the file gives each address
    std::int64_t count = 0;  // data bytes, an address given twice counting twice
    std::uint32_t min = 0xFFFFFFFF, max = 0;

    void Put(std::uint32_t address, std::uint8_t b) {
        bytes[address] = b;
        ++count;
        if (address < min) min = address;
        if (address > max) max = address;
    }
};

inline Image ReadWith(FileFormat format, const std::string& path) {
    Image image;
    auto source = OpenSource(format, path, 0);
    Check(source != nullptr);
    testing::RecordingSink sink;
    const std::function<void(int)> progress = [](int) {};
    PageAssembler pages(sink, kVerifyMode, 1, progress, nullptr);
    image.result = source->Read(pages);
    if (image.result == 0) image.result = pages.Finish();
    // A reason for every malformed file.
    if (image.result == kTruncatedRecord || image.result == kBadChecksum) {
        Check(!source->Problem().empty());
    }
    image.count = pages.Count();
    image.min = pages.MinAddress();
    image.max = pages.MaxAddress();
    for (const testing::Flush& f : sink.flushes) {
        for (std::size_t i = 0; i < kPageSize; ++i) {
            if (f.present[i]) image.bytes[f.base + static_cast<std::uint32_t>(i)] = f.image[i];
        }
    }
    return image;
}

// The reader and the model agree: on the outcome, and for a good file on everything.
inline void CheckSame(const Image& reader, const Image& model) {
    Check(reader.result == model.result);
    if (model.result != 0) return;
    Check(reader.count == model.count);
    Check(reader.min == model.min && reader.max == model.max);
    Check(reader.bytes == model.bytes);
    for (const auto& [address, b] : reader.bytes) Check(address <= kLastChipAddress);
}

}  // namespace bramblet::fuzz
