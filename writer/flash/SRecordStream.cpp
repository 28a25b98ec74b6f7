#include "writer/flash/SRecordStream.h"

#include "writer/common/Text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>
#include <set>

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

enum Error { kNone = 0, kUnreadable = 1, kTruncated = 2, kChecksum = 3, kProgram = 4, kVerify = 5 };
static_assert(-kUnreadable == kUnreadableFile && -kTruncated == kTruncatedRecord &&
              -kChecksum == kBadChecksum && -kProgram == kPageProgramFailed &&
              -kVerify == kPageVerifyFailed);

class Reader {
public:
    Reader(PageSink& sink, StreamMode mode, std::int32_t expectedSize, std::uint32_t& minAddress,
           std::uint32_t& maxAddress, const std::function<void(int)>& progress,
           const ImagePatch* patch)
        : progress_(progress),
          patch_(patch && !patch->Empty() ? patch : nullptr),
          pages_(mode != kCheckMode || sink.TakesCheckPages()),
          sink_(sink),
          mode_(mode),
          expected_(expectedSize),
          min_(minAddress),
          max_(maxAddress) {}

    int Run(TextFile& in) {
        ResetPage();
        const int error = Records(in);
        // A read error ends the text as the file's end would, but the file is unreadable, not
        // damaged, and a pass over part of it must not count as complete.
        if ((error == kNone || error == kTruncated) && in.Failed()) return kUnreadable;
        if (error == kNone && pages_ && count_ > 0) {
            if (!Flush() || !FlushPatchPages()) return FlushError();
        }
        return error;
    }

    std::int32_t Count() const {
        return static_cast<std::int32_t>(
            std::min<std::int64_t>(count_, std::numeric_limits<std::int32_t>::max()));
    }

private:
    int Records(TextFile& in) {
        while (in.SkipPast('S')) {
            const int type = in.Get();
            if (type == TextFile::kEnd) return kTruncated;
            if (type != '1' && type != '2') continue;
            if (const int error = Record(in, type == '1' ? 2 : 3)) return error;
        }
        return kNone;
    }

    // One S1 or S2 record after its type character: byte count N, address, data, checksum.
    int Record(TextFile& in, int addressBytes) {
        std::uint8_t n;
        if (in.GetHexBytes(&n, 1) != 1) return kTruncated;
        // The fields after N: address, N - 1 - address bytes of data (none when that is zero or
        // less, so a short count still has its address and checksum), checksum.
        const int size = std::max<int>(n, addressBytes + 1);
        const int dataBytes = size - addressBytes - 1;
        std::array<std::uint8_t, 256> field;
        const int got = in.GetHexBytes(field.data(), size);
        if (got < addressBytes) return kTruncated;

        std::uint32_t address = 0;
        for (int i = 0; i < addressBytes; ++i) address = address * 256 + field[i];
        // The data bytes of a record cut short are placed and counted as far as they came.
        const int data = std::min(dataBytes, got - addressBytes);
        const std::uint8_t* bytes = field.data() + addressBytes;
        int stored = data;
        int error = kNone;
        if (pages_) {
            // A run at a time, each within one page.
            for (stored = 0; stored < data;) {
                const std::uint32_t at = address + static_cast<std::uint32_t>(stored);
                const int run = std::min(data - stored, static_cast<int>(kPageSize - (at & 0xFF)));
                error = Place(at, bytes + stored, run, count_ + stored);
                if (error) break;
                stored += run;
            }
        }
        // The address only grows within a record, so its first and last byte bound the range.
        if (stored > 0) {
            min_ = std::min(min_, address);
            max_ = std::max(max_, address + stored - 1);
            count_ += stored;
        }
        if (error) return error;
        if (got < size) return kTruncated;

        const unsigned sum = n + ByteSum(field.data(), size - 1);
        return field[size - 1] == static_cast<std::uint8_t>(0xFF - sum) ? kNone : kChecksum;
    }

    // Puts `n` data bytes, all in one page, into the page being assembled, first flushing the
    // page it leaves. `before` is the number of data bytes the pass stored before them.
    int Place(std::uint32_t address, const std::uint8_t* bytes, int n, std::int64_t before) {
        const std::uint32_t base = address & ~std::uint32_t{0xFF};
        if (page_ != base) {
            if (page_ && !Flush()) return FlushError();
            if (page_) {
                ResetPage();
                // 64-bit so that files of more than 23 MB of data cannot overflow the product.
                progress_(static_cast<int>(10 + before * 90 / expected_));
            }
            page_ = base;
        }
        std::memcpy(image_.data() + (address & 0xFF), bytes, static_cast<std::size_t>(n));
        std::memset(present_.data() + (address & 0xFF), 1, static_cast<std::size_t>(n));
        return kNone;
    }

    bool Flush() {
        if (patch_) {
            patch_->Apply(*page_, image_, present_);
            patched_.insert(*page_);
        }
        return mode_ == kProgramMode ? sink_.ProgramPage(*page_, image_)
                                     : sink_.VerifyPage(*page_, image_, present_);
    }
    // The patch's pages the file never entered, each on its own.
    bool FlushPatchPages() {
        if (!patch_) return true;
        for (std::uint32_t base : patch_->Pages()) {
            if (patched_.count(base)) continue;
            ResetPage();
            page_ = base;
            if (!Flush()) return false;
        }
        return true;
    }
    int FlushError() const { return mode_ == kProgramMode ? kProgram : kVerify; }

    void ResetPage() {
        image_.fill(0xFF);
        present_.fill(0);
    }

    const std::function<void(int)>& progress_;
    const ImagePatch* const patch_;
    std::set<std::uint32_t> patched_;
    const bool pages_;  // the pass assembles pages and hands them to the sink
    PageSink& sink_;
    const StreamMode mode_;
    const std::int64_t expected_;
    std::uint32_t& min_;
    std::uint32_t& max_;
    std::int64_t count_ = 0;
    std::optional<std::uint32_t> page_;
    PageImage image_;
    PageFlags present_;
};

}  // namespace

bool IsSRecordName(std::string_view utf8Name) {
    const std::string ext = UpperExtension(utf8Name);
    return ext == ".S" || ext == ".MOT";
}

StreamOpen SRecordStream::Open(const std::string& utf8Name) {
    if (!IsSRecordName(utf8Name)) return StreamOpen::NotSRecordName;
    return in_.Open(utf8Name) ? StreamOpen::Opened : StreamOpen::Unreadable;
}

StreamResult SRecordStream::Pass(PageSink& sink, StreamMode mode, std::int32_t expectedSize,
                                 const std::function<void(int)>& progress,
                                 const ImagePatch* patch) {
    StreamResult result;
    mode = ValidStreamMode(mode);
    // Passes that assemble pages divide by the expected size; a caller that got it wrong must not
    // crash the writer.
    if (expectedSize < 1) expectedSize = 1;
    Reader reader(sink, mode, expectedSize, result.minAddress, result.maxAddress, progress, patch);
    const int error = reader.Run(in_);
    result.count = error ? -error : reader.Count();
    return result;
}

}  // namespace bramblet
