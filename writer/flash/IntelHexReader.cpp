// Intel HEX: one record a line, ':' then hex pairs: length, 16-bit offset, type, data, checksum.
// Types 00 data, 01 end of file, 02 and 04 the segment or upper linear base of the offsets that
// follow, 03 and 05 a start address, which a flash image has no use for.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "writer/common/Text.h"
#include "writer/flash/FileFormats.h"
#include "writer/flash/Readers.h"
#include "writer/flash/TextFile.h"

namespace bramblet {
namespace {

using text::Tx;

constexpr int kMaxRecordBytes = 5 + 255;

class IntelHexSource : public RecordSource {
public:
    explicit IntelHexSource(text::Lang lang) : lang_(lang) {}

    bool Open(const std::string& utf8Name) { return in_.Open(utf8Name); }

    std::int32_t Read(PageAssembler& pages) override {
        for (;;) {
            // The text file drops carriage returns, so CR LF lines read as LF ones.
            int c = in_.Get();
            if (c == '\n') {
                ++line_;
                continue;
            }
            if (c == TextFile::kEnd) return Malformed(Tx::HexNoEndRecord);
            if (c != ':') return Malformed(Tx::HexRecordStart, {Shown(c)});
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
            if (high < 0) return Malformed(Tx::HexNotDigit, {Shown(c)});
            const int d = in_.Get();
            const int low = HexDigitValue(d);
            if (d == '\n' || d == TextFile::kEnd) return Malformed(Tx::HexOddDigits);
            if (low < 0) return Malformed(Tx::HexNotDigit, {Shown(d)});
            if (n == kMaxRecordBytes) return Malformed(Tx::HexTooLong);
            bytes[n++] = static_cast<std::uint8_t>(high << 4 | low);
        }
        // Blanks may trail a record, nothing else.
        for (; c == ' ' || c == '\t'; c = in_.Get()) {
        }
        if (c != '\n' && c != TextFile::kEnd) return Malformed(Tx::HexAfterRecord, {Shown(c)});
        if (n < 5) return Malformed(Tx::HexTooShort);
        const int length = bytes[0];
        if (n != length + 5) {
            return Malformed(Tx::HexLengthMismatch,
                             {std::to_string(length), std::to_string(n - 5)});
        }
        unsigned sum = 0;
        for (int i = 0; i < n - 1; ++i) sum += bytes[i];
        const auto want = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
        if (bytes[n - 1] != want) {
            problem_ =
                Where() + text::Say(Tx::HexChecksum, lang_, {Hex(bytes[n - 1], 2), Hex(want, 2)});
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
                    return Malformed(Tx::HexBeyondChip, {Hex(address, 6)});
                }
                return pages.Data(static_cast<std::uint32_t>(address), data, length);
            }
            case 0x01:
                if (length != 0) return Malformed(Tx::HexEndWithData);
                ended_ = true;
                return 0;
            case 0x02:
                if (length != 2) return Malformed(Tx::HexSegmentBase);
                base_ = static_cast<std::uint32_t>(data[0] << 8 | data[1]) << 4;
                return 0;
            case 0x04:
                if (length != 2) return Malformed(Tx::HexLinearBase);
                base_ = static_cast<std::uint32_t>(data[0] << 8 | data[1]) << 16;
                return 0;
            case 0x03:
            case 0x05:
                if (length != 4) return Malformed(Tx::HexStartAddress);
                return 0;
            default:
                return Malformed(Tx::HexUnknownType, {Hex(bytes[3], 2)});
        }
    }

    std::int32_t Malformed(Tx what, std::initializer_list<std::string_view> args = {}) {
        problem_ = Where() + text::Say(what, lang_, args);
        return kTruncatedRecord;
    }
    std::string Where() const { return text::Say(Tx::HexLine, lang_, {std::to_string(line_)}); }
    std::string Shown(int c) const {
        if (c >= 0x21 && c < 0x7F) return std::string("'") + static_cast<char>(c) + "'";
        return text::Say(Tx::HexByte, lang_, {Hex(static_cast<std::uint8_t>(c), 2)});
    }

    const text::Lang lang_;
    TextFile in_;
    int line_ = 1;
    std::uint32_t base_ = 0;
    bool ended_ = false;
    std::string problem_;
};

}  // namespace

std::unique_ptr<RecordSource> OpenIntelHex(const std::string& utf8Name, text::Lang lang) {
    auto source = std::make_unique<IntelHexSource>(lang);
    if (!source->Open(utf8Name)) return nullptr;
    return source;
}

}  // namespace bramblet
