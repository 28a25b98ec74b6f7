// Intel HEX: one record a line, ':' then hex pairs: length, 16-bit offset, type, data, checksum.
// Types 00 data, 01 end of file, 02 and 04 the segment or upper linear base of the offsets that
// follow, 03 and 05 a start address, which a flash image has no use for.
#include <array>
#include <cstdint>
#include <string>

#include "writer/common/Text.h"
#include "writer/flash/FileFormats.h"
#include "writer/flash/Readers.h"
#include "writer/flash/TextFile.h"

namespace bramblet {
namespace {

constexpr int kMaxRecordBytes = 5 + 255;

class IntelHexSource : public RecordSource {
public:
    bool Open(const std::string& utf8Name) { return in_.Open(utf8Name); }

    std::int32_t Read(PageAssembler& pages) override {
        for (;;) {
            // The text file drops carriage returns, so CR LF lines read as LF ones.
            int c = in_.Get();
            if (c == '\n') {
                ++line_;
                continue;
            }
            if (c == TextFile::kEnd)
                return Malformed("the file ends without an end record (type 01)");
            if (c != ':') return Malformed("a record must start with ':', not " + Shown(c));
            if (const std::int32_t error = Record(pages)) return error;
            if (ended_) return 0;
            ++line_;
        }
    }

    bool Failed() const override { return in_.Failed(); }
    std::string Problem() const override { return problem_; }

private:
    // The rest of one record's line after its ':'.
    std::int32_t Record(PageAssembler& pages) {
        std::array<std::uint8_t, kMaxRecordBytes> bytes;
        int n = 0;
        int c = in_.Get();
        for (; c != '\n' && c != TextFile::kEnd && c != ' ' && c != '\t'; c = in_.Get()) {
            const int high = HexDigitValue(c);
            if (high < 0) return Malformed(Shown(c) + " is not a hex digit");
            const int d = in_.Get();
            const int low = HexDigitValue(d);
            if (d == '\n' || d == TextFile::kEnd) return Malformed("an odd number of hex digits");
            if (low < 0) return Malformed(Shown(d) + " is not a hex digit");
            if (n == kMaxRecordBytes) return Malformed("the record is longer than any can be");
            bytes[n++] = static_cast<std::uint8_t>(high << 4 | low);
        }
        // Blanks may trail a record, nothing else.
        for (; c == ' ' || c == '\t'; c = in_.Get()) {
        }
        if (c != '\n' && c != TextFile::kEnd) return Malformed(Shown(c) + " after the record");
        if (n < 5) return Malformed("the record is too short");
        const int length = bytes[0];
        if (n != length + 5) {
            return Malformed("the record says " + std::to_string(length) + " data bytes but has " +
                             std::to_string(n - 5));
        }
        unsigned sum = 0;
        for (int i = 0; i < n - 1; ++i) sum += bytes[i];
        const auto want = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
        if (bytes[n - 1] != want) {
            problem_ = Where() + "checksum " + Hex(bytes[n - 1], 2) + ", the record's bytes give " +
                       Hex(want, 2);
            return kBadChecksum;
        }
        const std::uint32_t offset = bytes[1] << 8 | bytes[2];
        const std::uint8_t* data = bytes.data() + 4;
        switch (bytes[3]) {
            case 0x00: {
                // A record's bytes run on linearly past the end of its 64 KB, as srec_cat writes
                // them, rather than wrapping to its start as the format's definition has it.
                const std::uint64_t address = std::uint64_t{base_} + offset;
                if (length > 0 && address + length - 1 > kLastChipAddress) {
                    return Malformed("address " + Hex(address, 6) +
                                     " is beyond the chip's address space (FFFFFF)");
                }
                return pages.Data(static_cast<std::uint32_t>(address), data, length);
            }
            case 0x01:
                if (length != 0) return Malformed("an end record (type 01) with data");
                ended_ = true;
                return 0;
            case 0x02:
                if (length != 2) return Malformed("a segment base record (type 02) needs 2 bytes");
                base_ = static_cast<std::uint32_t>(data[0] << 8 | data[1]) << 4;
                return 0;
            case 0x04:
                if (length != 2) return Malformed("a linear base record (type 04) needs 2 bytes");
                base_ = static_cast<std::uint32_t>(data[0] << 8 | data[1]) << 16;
                return 0;
            case 0x03:
            case 0x05:
                if (length != 4) return Malformed("a start address record needs 4 bytes");
                return 0;
            default:
                return Malformed("unknown record type " + Hex(bytes[3], 2));
        }
    }

    std::int32_t Malformed(const std::string& what) {
        problem_ = Where() + what;
        return kTruncatedRecord;
    }
    std::string Where() const { return "line " + std::to_string(line_) + ": "; }
    static std::string Shown(int c) {
        if (c >= 0x21 && c < 0x7F) return std::string("'") + static_cast<char>(c) + "'";
        return "byte " + Hex(static_cast<std::uint8_t>(c), 2);
    }

    TextFile in_;
    int line_ = 1;
    std::uint32_t base_ = 0;
    bool ended_ = false;
    std::string problem_;
};

}  // namespace

std::unique_ptr<RecordSource> OpenIntelHex(const std::string& utf8Name) {
    auto source = std::make_unique<IntelHexSource>();
    if (!source->Open(utf8Name)) return nullptr;
    return source;
}

}  // namespace bramblet
