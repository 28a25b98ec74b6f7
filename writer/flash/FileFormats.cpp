#include "writer/flash/FileFormats.h"

#include <array>
#include <cstring>

#include "writer/common/Text.h"
#include "writer/flash/ByteFile.h"
#include "writer/flash/PageAssembler.h"
#include "writer/flash/Readers.h"

namespace bramblet {
namespace {

// A first line longer than any record of either text format is not one.
constexpr std::size_t kHeadBytes = 1024;

bool IsElf(const std::uint8_t* head, std::size_t size) {
    return size >= 4 && std::memcmp(head,
                                    "\x7F"
                                    "ELF",
                                    4) == 0;
}

// The first line, after blank space, is `marker`, then (for S-records) a type digit, then hex
// digits only, at least four, up to its end (blanks may trail). A binary image rarely begins with
// such a line.
bool FirstLineIs(const std::uint8_t* head, std::size_t size, bool whole, char marker,
                 bool typeDigit) {
    std::size_t i = 0;
    while (i < size && (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n')) {
        ++i;
    }
    if (i >= size || head[i] != marker) return false;
    ++i;
    if (typeDigit) {
        if (i >= size || head[i] < '0' || head[i] > '9') return false;
        ++i;
    }
    std::size_t digits = 0;
    for (; i < size && HexDigitValue(head[i]) >= 0; ++i) ++digits;
    while (i < size && (head[i] == ' ' || head[i] == '\t')) ++i;
    const bool ended = i < size ? head[i] == '\r' || head[i] == '\n' : whole;
    return ended && digits >= 4;
}

bool IsSRecords(const std::uint8_t* head, std::size_t size, bool whole) {
    return FirstLineIs(head, size, whole, 'S', true);
}
bool IsIntelHex(const std::uint8_t* head, std::size_t size, bool whole) {
    return FirstLineIs(head, size, whole, ':', false);
}
bool IsElfHead(const std::uint8_t* head, std::size_t size, bool) {
    return IsElf(head, size);
}

struct FormatRow {
    FileFormat format;
    text::Tx name;
    // Whether the file's first bytes show the format; nullptr for one without a signature.
    bool (*matches)(const std::uint8_t* head, std::size_t size, bool whole);
    std::unique_ptr<RecordSource> (*open)(const std::string& utf8Name, std::uint32_t base,
                                          text::Lang lang);
};

std::unique_ptr<RecordSource> SRecordsAt(const std::string& utf8Name, std::uint32_t, text::Lang) {
    return OpenSRecords(utf8Name);
}
std::unique_ptr<RecordSource> IntelHexAt(const std::string& utf8Name, std::uint32_t,
                                         text::Lang lang) {
    return OpenIntelHex(utf8Name, lang);
}
std::unique_ptr<RecordSource> ElfAt(const std::string& utf8Name, std::uint32_t, text::Lang lang) {
    return OpenElf(utf8Name, lang);
}

constexpr std::array<FormatRow, 4> kFormats = {{
    {FileFormat::Elf, text::Tx::FormatElf, IsElfHead, ElfAt},
    {FileFormat::SRecords, text::Tx::FormatSRecords, IsSRecords, SRecordsAt},
    {FileFormat::IntelHex, text::Tx::FormatIntelHex, IsIntelHex, IntelHexAt},
    {FileFormat::Binary, text::Tx::FormatBinary, nullptr, OpenBinary},
}};

}  // namespace

const char* FormatName(FileFormat format, text::Lang lang) {
    for (const FormatRow& row : kFormats) {
        if (row.format == format) return text::Say(row.name, lang);
    }
    return "";
}

std::optional<FileFormat> FormatOfHead(const std::uint8_t* head, std::size_t size, bool whole) {
    for (const FormatRow& row : kFormats) {
        if (row.matches && row.matches(head, size, whole)) return row.format;
    }
    return std::nullopt;
}

ContentFormat FormatOfFile(const std::string& utf8Name) {
    ByteFile file;
    if (!file.Open(utf8Name)) return {};
    std::array<std::uint8_t, kHeadBytes> head;
    const std::size_t got = file.ReadHead(head.data(), head.size());
    if (file.Failed()) return {};
    return {true, FormatOfHead(head.data(), got, got == file.Size())};
}

std::unique_ptr<RecordSource> OpenSource(FileFormat format, const std::string& utf8Name,
                                         std::uint32_t base, text::Lang lang) {
    for (const FormatRow& row : kFormats) {
        if (row.format == format) return row.open(utf8Name, base, lang);
    }
    return nullptr;
}

}  // namespace bramblet
