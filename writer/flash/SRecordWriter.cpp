#include "writer/flash/SRecordWriter.h"

#include <algorithm>
#include <string>

namespace bramblet {

SRecordWriter::SRecordWriter(std::ostream& out, bool threeByteAddresses, std::string_view header)
    : out_(out), wide_(threeByteAddresses) {
    const auto* text = reinterpret_cast<const std::uint8_t*>(header.data());
    Record('0', 0, 2, std::span(text, std::min(header.size(), kBytesPerRecord)));
}

void SRecordWriter::Data(std::uint32_t address, std::span<const std::uint8_t> bytes) {
    for (std::size_t done = 0; done < bytes.size(); done += kBytesPerRecord) {
        const std::size_t n = std::min(kBytesPerRecord, bytes.size() - done);
        Record(wide_ ? '2' : '1', address + static_cast<std::uint32_t>(done), wide_ ? 3 : 2,
               bytes.subspan(done, n));
    }
}

void SRecordWriter::End() {
    Record(wide_ ? '8' : '9', 0, wide_ ? 3 : 2, {});
}

void SRecordWriter::Record(char type, std::uint32_t address, int addressBytes,
                           std::span<const std::uint8_t> data) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string line = {'S', type};
    unsigned sum = 0;
    auto put = [&](unsigned b) {
        b &= 0xFF;
        line += kDigits[b >> 4];
        line += kDigits[b & 0xF];
        sum += b;
    };
    put(static_cast<unsigned>(addressBytes + data.size() + 1));
    for (int i = addressBytes - 1; i >= 0; --i) put(address >> (8 * i));
    for (std::uint8_t b : data) put(b);
    put(0xFF - (sum & 0xFF));
    line += '\n';
    out_ << line;
}

}  // namespace bramblet
