// The ELF reader against a reading of the file held in memory, written here from the format's
// field offsets: the same outcome, and for a good file the same bytes, count and range.
#include <cstdint>
#include <string>

#include "fuzz/FormatModel.h"
#include "fuzz/ScratchFile.h"

namespace {

using namespace bramblet;

std::uint64_t Field(const std::string& f, std::size_t at, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value * 256 + static_cast<std::uint8_t>(f[at + i]);
    return value;
}

fuzz::Image Model(const std::string& f) {
    fuzz::Image image;
    if (f.size() < 52 || f[4] != 1 || f[5] != 1) return {kTruncatedRecord};
    const std::uint64_t phoff = Field(f, 28, 4), entry = Field(f, 42, 2), count = Field(f, 44, 2);
    if (count == 0xFFFF || (count > 0 && entry < 32)) return {kTruncatedRecord};
    if (phoff + count * entry > f.size()) return {kTruncatedRecord};
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::size_t h = static_cast<std::size_t>(phoff + i * entry);
        const std::uint64_t offset = Field(f, h + 4, 4), paddr = Field(f, h + 12, 4),
                            size = Field(f, h + 16, 4);
        if (Field(f, h, 4) != 1 || size == 0) continue;
        if (offset + size > f.size()) return {kTruncatedRecord};
        if (paddr + size - 1 > 0xFFFFFF) return {kTruncatedRecord};
        for (std::uint64_t k = 0; k < size; ++k) {
            image.Put(static_cast<std::uint32_t>(paddr + k),
                      static_cast<std::uint8_t>(f[static_cast<std::size_t>(offset + k)]));
        }
    }
    return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFile file(".elf");
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    file.Write("", bytes);
    fuzz::CheckSame(fuzz::ReadWith(FileFormat::Elf, file.Path()), Model(bytes));
    return 0;
}
