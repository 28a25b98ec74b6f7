#include "writer/flash/SRecordStream.h"

#include "writer/common/Text.h"
#include "writer/flash/Readers.h"
#include "writer/flash/TextFile.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace bramblet {
namespace {

// The sum of n bytes. Only its low 8 bits count for a checksum, and a wide sum has the same low
// bits; eight bytes are added at a time, which is measurably faster than a byte at a time.
unsigned ByteSum(const std::uint8_t* bytes, int n) {
    unsigned sum = 0;
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t x;
        std::memcpy(&x, bytes + i, 8);
        x = (x & 0x00FF00FF00FF00FF) + ((x >> 8) & 0x00FF00FF00FF00FF);  // four 16-bit sums
        x += x >> 16;
        x += x >> 32;
        sum += static_cast<unsigned>(x & 0xFFFF);
    }
    for (; i < n; ++i) sum += bytes[i];
    return sum;
}

// Motorola S-records: S1 and S2 records give data; every other character, and every other
// record type, is passed over.
class SRecordSource : public RecordSource {
public:
    bool Open(const std::string& utf8Name) { return in_.Open(utf8Name); }

    std::int32_t Read(PageAssembler& pages) override {
        while (in_.SkipPast('S')) {
            const int type = in_.Get();
            if (type == TextFile::kEnd) return kTruncatedRecord;
            if (type != '1' && type != '2') continue;
            if (const std::int32_t error = Record(pages, type == '1' ? 2 : 3)) return error;
        }
        return 0;
    }

    bool Failed() const override { return in_.Failed(); }

private:
    // One S1 or S2 record after its type character: byte count N, address, data, checksum.
    std::int32_t Record(PageAssembler& pages, int addressBytes) {
        std::uint8_t n;
        if (in_.GetHexBytes(&n, 1) != 1) return kTruncatedRecord;
        // The fields after N: address, N - 1 - address bytes of data (none when that is zero or
        // less, so a short count still has its address and checksum), checksum.
        const int size = std::max<int>(n, addressBytes + 1);
        const int dataBytes = size - addressBytes - 1;
        std::array<std::uint8_t, 256> field;
        const int got = in_.GetHexBytes(field.data(), size);
        if (got < addressBytes) return kTruncatedRecord;

        std::uint32_t address = 0;
        for (int i = 0; i < addressBytes; ++i) address = address * 256 + field[i];
        // The data bytes of a record cut short are placed and counted as far as they came.
        const int data = std::min(dataBytes, got - addressBytes);
        if (const std::int32_t error = pages.Data(address, field.data() + addressBytes, data)) {
            return error;
        }
        if (got < size) return kTruncatedRecord;

        const unsigned sum = n + ByteSum(field.data(), size - 1);
        return field[size - 1] == static_cast<std::uint8_t>(0xFF - sum) ? 0 : kBadChecksum;
    }

    TextFile in_;
};

}  // namespace

std::unique_ptr<RecordSource> OpenSRecords(const std::string& utf8Name) {
    auto source = std::make_unique<SRecordSource>();
    if (!source->Open(utf8Name)) return nullptr;
    return source;
}

bool IsSRecordName(std::string_view utf8Name) {
    const std::string ext = UpperExtension(utf8Name);
    return ext == ".S" || ext == ".MOT";
}

StreamOpen SRecordStream::Open(const std::string& utf8Name) {
    source_.reset();
    format_.reset();
    problem_.clear();
    if (!IsSRecordName(utf8Name)) return StreamOpen::NotSRecordName;
    source_ = OpenSRecords(utf8Name);
    if (!source_) return StreamOpen::Unreadable;
    name_ = utf8Name;
    format_ = FileFormat::SRecords;
    return StreamOpen::Opened;
}

StreamOpen SRecordStream::Open(const std::string& utf8Name, const FileReading& reading) {
    lang_ = reading.lang;
    if (!reading.byContent) return Open(utf8Name);
    source_.reset();
    format_.reset();
    problem_.clear();
    const ContentFormat found = FormatOfFile(utf8Name);
    if (!found.readable) return StreamOpen::Unreadable;
    std::optional<FileFormat> format = found.format;
    if (reading.base && format) {
        problem_ = text::Say(text::Tx::FileHasOwnAddresses, reading.lang,
                             {utf8Name, FormatName(*format, reading.lang)});
        return StreamOpen::NotWriteFile;
    }
    if (reading.base) format = FileFormat::Binary;
    // A file that the window takes is read as the window reads it, whatever its first line.
    if (!format && IsSRecordName(utf8Name)) format = FileFormat::SRecords;
    if (!format) {
        problem_ = text::Say(text::Tx::FileNoFormat, reading.lang, {utf8Name});
        return StreamOpen::NotWriteFile;
    }
    source_ = OpenSource(*format, utf8Name, reading.base.value_or(0), reading.lang);
    if (!source_) return StreamOpen::Unreadable;
    name_ = utf8Name;
    format_ = format;
    return StreamOpen::Opened;
}

StreamResult SRecordStream::Pass(PageSink& sink, StreamMode mode, std::int32_t expectedSize,
                                 const std::function<void(int)>& progress,
                                 const ImagePatch* patch) {
    StreamResult result;
    if (!source_) return {kUnreadableFile};
    mode = ValidStreamMode(mode);
    // Passes that assemble pages divide by the expected size; a caller that got it wrong must not
    // crash the writer, which the assembler's floor of 1 sees to.
    PageAssembler pages(sink, mode, expectedSize, progress, patch);
    std::int32_t error = source_->Read(pages);
    // A read error ends the text as the file's end would, but the file is unreadable, not
    // damaged, and a pass over part of it must not count as complete.
    if ((error == 0 || error == kTruncatedRecord) && source_->Failed()) error = kUnreadableFile;
    if (error == 0) error = pages.Finish();
    result.count = error ? error : pages.Count();
    result.minAddress = pages.MinAddress();
    result.maxAddress = pages.MaxAddress();
    if (error == kTruncatedRecord || error == kBadChecksum) {
        const std::string where = source_->Problem();
        if (!where.empty()) result.problem = name_ + ": " + where;
    } else if (error == kUnreadableFile && format_ != FileFormat::SRecords) {
        result.problem = text::Say(text::Tx::FileReadErrorPartWay, lang_, {name_});
    }
    return result;
}

}  // namespace bramblet
