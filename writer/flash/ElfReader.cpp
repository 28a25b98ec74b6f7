// ELF32 little-endian executables, and raw binaries, read a block at a time.
#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "writer/common/Text.h"
#include "writer/flash/ByteFile.h"
#include "writer/flash/FileFormats.h"
#include "writer/flash/Readers.h"

namespace bramblet {
namespace {

using text::Tx;

constexpr std::size_t kBlock = 4096;

std::uint16_t Little16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t Little32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Common to both: `size` bytes of the file from `offset` on, to the pages from `address` on.
class ByteSource : public RecordSource {
public:
    explicit ByteSource(text::Lang lang) : lang_(lang) {}

    bool Open(const std::string& utf8Name) { return file_.Open(utf8Name); }
    bool Failed() const override { return file_.Failed(); }
    std::string Problem() const override { return problem_; }

protected:
    std::int32_t Copy(PageAssembler& pages, std::uint64_t offset, std::uint64_t size,
                      std::uint32_t address) {
        std::array<std::uint8_t, kBlock> block;
        for (std::uint64_t done = 0; done < size;) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, size - done));
            if (!file_.ReadAt(offset + done, block.data(), n)) return kUnreadableFile;
            const auto at = address + static_cast<std::uint32_t>(done);
            if (const std::int32_t error = pages.Data(at, block.data(), static_cast<int>(n))) {
                return error;
            }
            done += n;
        }
        return 0;
    }
    std::int32_t Malformed(Tx what, std::initializer_list<std::string_view> args = {}) {
        problem_ = text::Say(what, lang_, args);
        return kTruncatedRecord;
    }
    std::string Offset(std::uint64_t offset) const {
        return text::Say(Tx::ElfOffset, lang_, {Hex(offset, 1)});
    }
    // Whether `size` bytes from `address` on stay within the chip's addresses.
    static bool Fits(std::uint64_t address, std::uint64_t size) {
        return size == 0 || address + size - 1 <= kLastChipAddress;
    }

    const text::Lang lang_;
    ByteFile file_;
    std::string problem_;
};

// The data of the PT_LOAD segments, each at its physical address (where it is stored, as
// against where it runs), in the order of the program headers. A segment's memory beyond its
// file data is zeroed at run time by the program, so nothing is written for it.
class ElfSource : public ByteSource {
public:
    using ByteSource::ByteSource;

    std::int32_t Read(PageAssembler& pages) override {
        constexpr std::size_t kHeader = 52, kProgramHeader = 32;
        std::array<std::uint8_t, kHeader> h;
        if (file_.Size() < kHeader) return Malformed(Tx::ElfTooShort);
        if (!file_.ReadAt(0, h.data(), h.size())) return kUnreadableFile;
        if (h[4] != 1) return Malformed(Tx::ElfNot32Bit, {Hex(h[4], 2)});
        if (h[5] != 1) return Malformed(Tx::ElfNotLittleEndian, {Hex(h[5], 2)});
        const std::uint32_t phoff = Little32(&h[28]);
        const std::uint16_t phentsize = Little16(&h[42]);
        const std::uint16_t phnum = Little16(&h[44]);
        if (phnum == 0xFFFF) return Malformed(Tx::ElfTooManyHeaders);
        if (phnum > 0 && phentsize < kProgramHeader) {
            return Malformed(Tx::ElfSmallHeaders, {std::to_string(phentsize)});
        }
        if (std::uint64_t{phoff} + std::uint64_t{phnum} * phentsize > file_.Size()) {
            return Malformed(Tx::ElfHeadersPastEnd, {Offset(phoff)});
        }
        for (std::uint16_t i = 0; i < phnum; ++i) {
            const std::uint64_t at = phoff + std::uint64_t{i} * phentsize;
            std::array<std::uint8_t, kProgramHeader> p;
            if (!file_.ReadAt(at, p.data(), p.size())) return kUnreadableFile;
            constexpr std::uint32_t kLoad = 1;
            const std::uint32_t offset = Little32(&p[4]), paddr = Little32(&p[12]),
                                filesz = Little32(&p[16]);
            if (Little32(&p[0]) != kLoad || filesz == 0) continue;
            if (std::uint64_t{offset} + filesz > file_.Size()) {
                return Malformed(Tx::ElfSegmentPastEnd, {std::to_string(i), Offset(at),
                                                         std::to_string(filesz), Offset(offset)});
            }
            if (!Fits(paddr, filesz)) {
                return Malformed(Tx::ElfSegmentBeyondChip, {std::to_string(i), Offset(at),
                                                            std::to_string(filesz), Hex(paddr, 6)});
            }
            if (const std::int32_t error = Copy(pages, offset, filesz, paddr)) return error;
        }
        return 0;
    }
};

class BinarySource : public ByteSource {
public:
    BinarySource(std::uint32_t base, text::Lang lang) : ByteSource(lang), base_(base) {}

    std::int32_t Read(PageAssembler& pages) override {
        if (!Fits(base_, file_.Size())) {
            return Malformed(Tx::BinaryBeyondChip,
                             {std::to_string(file_.Size()), Hex(base_, 6),
                              Offset(base_ > kLastChipAddress ? 0 : kLastChipAddress - base_ + 1)});
        }
        return Copy(pages, 0, file_.Size(), base_);
    }

private:
    const std::uint32_t base_;
};

template <typename Source, typename... Args>
std::unique_ptr<RecordSource> OpenAs(const std::string& utf8Name, Args... args) {
    auto source = std::make_unique<Source>(args...);
    if (!source->Open(utf8Name)) return nullptr;
    return source;
}

}  // namespace

std::unique_ptr<RecordSource> OpenElf(const std::string& utf8Name, text::Lang lang) {
    return OpenAs<ElfSource>(utf8Name, lang);
}

std::unique_ptr<RecordSource> OpenBinary(const std::string& utf8Name, std::uint32_t base,
                                         text::Lang lang) {
    return OpenAs<BinarySource>(utf8Name, base, lang);
}

}  // namespace bramblet
