#pragma once
// The formats a write file may have beyond the window's S-records, told apart by content, and
// the readers that hand their data to the page stream.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "text/Catalogue.h"

namespace bramblet {

class RecordSource;  // PageAssembler.h

enum class FileFormat { SRecords, IntelHex, Elf, Binary };

// How a write file is read. The window's way is the default: S-records, by the name rule.
struct FileReading {
    // Any format, told by the file's first bytes rather than its name; an S-record name whose
    // first line shows no format is still read as S-records.
    bool byContent = false;
    // Read by content, a file is a raw binary placed from here; a file in a format with
    // addresses of its own is then refused.
    std::optional<std::uint32_t> base;
    // The language of the readers' problems, for the faces that show them.
    text::Lang lang = text::Lang::En;
};

const char* FormatName(FileFormat format, text::Lang lang = text::Lang::En);

// The largest address a chip has: the boot protocol carries three address bytes, so a byte
// beyond would be written at the address it wraps to.
constexpr std::uint32_t kLastChipAddress = 0xFFFFFF;

struct ContentFormat {
    bool readable = false;
    std::optional<FileFormat> format;  // nothing: none with a signature (a raw binary, or junk)
};

// The format that a file's first bytes show: ELF's magic number, or a first line that is one
// well-formed-looking S-record or Intel HEX record.
ContentFormat FormatOfFile(const std::string& utf8Name);
std::optional<FileFormat> FormatOfHead(const std::uint8_t* head, std::size_t size, bool whole);

// A reader of `format` over the file; `base` places a raw binary, `lang` is its problems'
// language. Nothing when the file cannot be opened.
std::unique_ptr<RecordSource> OpenSource(FileFormat format, const std::string& utf8Name,
                                         std::uint32_t base, text::Lang lang = text::Lang::En);

}  // namespace bramblet
