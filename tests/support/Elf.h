#pragma once
// Builds ELF32 little-endian executables for tests: a header, the program headers, then each
// segment's file data in turn. Written from the ELF format's field offsets, not from the reader.
#include <cstdint>
#include <string>
#include <vector>

namespace bramblet::testing {

struct ElfSegment {
    std::uint32_t type = 1;  // PT_LOAD
    std::uint32_t paddr = 0;
    std::uint32_t vaddr = 0;
    std::vector<std::uint8_t> data;  // the file data: p_filesz bytes
    std::uint32_t memsz = 0;         // at least the data's size
};

inline void PutLittle(std::string& out, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<char>(value >> (8 * i));
}

inline std::string Elf32(const std::vector<ElfSegment>& segments) {
    constexpr std::size_t kHeader = 52, kPhdr = 32;
    std::string out(kHeader + kPhdr * segments.size(), '\0');
    out.replace(0, 4,
                "\x7F"
                "ELF");
    out[4] = 1;                   // ELFCLASS32
    out[5] = 1;                   // ELFDATA2LSB
    out[6] = 1;                   // EV_CURRENT
    PutLittle(out, 16, 2, 2);     // ET_EXEC
    PutLittle(out, 18, 0x6E, 2);  // a machine number; the reader does not look at it
    PutLittle(out, 20, 1, 4);
    PutLittle(out, 28, kHeader, 4);  // e_phoff
    PutLittle(out, 40, kHeader, 2);  // e_ehsize
    PutLittle(out, 42, kPhdr, 2);
    PutLittle(out, 44, static_cast<std::uint32_t>(segments.size()), 2);
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const ElfSegment& s = segments[i];
        const std::size_t at = kHeader + kPhdr * i;
        const auto size = static_cast<std::uint32_t>(s.data.size());
        PutLittle(out, at, s.type, 4);
        PutLittle(out, at + 4, size ? static_cast<std::uint32_t>(out.size()) : 0, 4);
        PutLittle(out, at + 8, s.vaddr, 4);
        PutLittle(out, at + 12, s.paddr, 4);
        PutLittle(out, at + 16, size, 4);
        PutLittle(out, at + 20, s.memsz > size ? s.memsz : size, 4);
        PutLittle(out, at + 24, 5, 4);  // R X
        out.append(s.data.begin(), s.data.end());
    }
    return out;
}

// Intel HEX records built by hand: ":" length, offset, type, data, checksum.
inline std::string HexRecord(std::uint8_t type, std::uint16_t offset,
                             const std::vector<std::uint8_t>& data, const char* end = "\n") {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string line = ":";
    unsigned sum = 0;
    auto put = [&](unsigned b) {
        line += kDigits[(b >> 4) & 0xF];
        line += kDigits[b & 0xF];
        sum += b & 0xFF;
    };
    put(static_cast<unsigned>(data.size()));
    put(offset >> 8);
    put(offset & 0xFF);
    put(type);
    for (std::uint8_t b : data) put(b);
    put((0x100 - (sum & 0xFF)) & 0xFF);
    return line + end;
}

}  // namespace bramblet::testing
