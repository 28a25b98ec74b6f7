#include "writer/flash/ImageWriter.h"

#include <algorithm>
#include <array>
#include <string>

#include "writer/common/Text.h"
#include "writer/flash/SRecordWriter.h"

namespace bramblet {
namespace {

struct OutputRow {
    const char* extension;  // upper case, with its full stop
    std::unique_ptr<ImageWriter> (*make)(std::ostream& out, const WriteArea& area,
                                         std::string_view header);
};

std::unique_ptr<ImageWriter> IntelHexFor(std::ostream& out, const WriteArea&, std::string_view) {
    return std::make_unique<IntelHexWriter>(out);
}
std::unique_ptr<ImageWriter> BinaryFor(std::ostream& out, const WriteArea& area, std::string_view) {
    return std::make_unique<BinaryWriter>(out, area);
}

constexpr std::array<OutputRow, 3> kOutputs = {{
    {".HEX", IntelHexFor},
    {".IHEX", IntelHexFor},
    {".BIN", BinaryFor},
}};

}  // namespace

IntelHexWriter::IntelHexWriter(std::ostream& out) : out_(out) {}

void IntelHexWriter::Data(std::uint32_t address, std::span<const std::uint8_t> bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const std::uint32_t at = address + static_cast<std::uint32_t>(done);
        if (at >> 16 != upper_) {
            upper_ = at >> 16;
            const std::array<std::uint8_t, 2> base = {static_cast<std::uint8_t>(upper_ >> 8),
                                                      static_cast<std::uint8_t>(upper_)};
            Record(0x04, 0, base);
        }
        const std::size_t n =
            std::min({kBytesPerRecord, bytes.size() - done, std::size_t{0x10000 - (at & 0xFFFF)}});
        Record(0x00, static_cast<std::uint16_t>(at), bytes.subspan(done, n));
        done += n;
    }
}

void IntelHexWriter::End() {
    Record(0x01, 0, {});
}

void IntelHexWriter::Record(std::uint8_t type, std::uint16_t offset,
                            std::span<const std::uint8_t> data) {
    std::string line = ":";
    unsigned sum = 0;
    auto put = [&](unsigned b) {
        line += Hex(b & 0xFF, 2);
        sum += b & 0xFF;
    };
    put(static_cast<unsigned>(data.size()));
    put(offset >> 8);
    put(offset);
    put(type);
    for (std::uint8_t b : data) put(b);
    put(0x100 - (sum & 0xFF));
    line += '\n';
    out_ << line;
}

BinaryWriter::BinaryWriter(std::ostream& out, const WriteArea& area)
    : out_(out), area_(area), next_(area.first) {}

void BinaryWriter::Data(std::uint32_t address, std::span<const std::uint8_t> bytes) {
    // Bytes outside the area have no place in the file.
    std::uint64_t from = std::max<std::uint64_t>(address, next_);
    const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{address} + bytes.size(),
                                                      std::uint64_t{area_.last} + 1);
    if (from >= end) return;
    FillTo(from);
    out_.write(reinterpret_cast<const char*>(bytes.data() + (from - address)),
               static_cast<std::streamsize>(end - from));
    next_ = end;
}

void BinaryWriter::End() {
    FillTo(std::uint64_t{area_.last} + 1);
}

void BinaryWriter::FillTo(std::uint64_t end) {
    static const std::array<char, 256> kBlank = [] {
        std::array<char, 256> blank;
        blank.fill(static_cast<char>(0xFF));
        return blank;
    }();
    while (next_ < end) {
        const auto n = static_cast<std::streamsize>(std::min<std::uint64_t>(256, end - next_));
        out_.write(kBlank.data(), n);
        next_ += static_cast<std::uint64_t>(n);
    }
}

std::unique_ptr<ImageWriter> MakeImageWriter(std::string_view utf8Name, std::ostream& out,
                                             const WriteArea& area, std::string_view header) {
    const std::string extension = UpperExtension(utf8Name);
    for (const OutputRow& row : kOutputs) {
        if (extension == row.extension) return row.make(out, area, header);
    }
    return std::make_unique<SRecordWriter>(out, area.last > 0xFFFF, header);
}

}  // namespace bramblet
