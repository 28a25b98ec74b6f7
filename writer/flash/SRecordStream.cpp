#include "flash/SRecordStream.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>

#include "core/TextFile.h"

namespace bramblet {
namespace {

const char* const kNotSFormat = "Sフォーマットファイルではありません！";
const char* const kCannotRead = "Sフォーマットファイルを読み込めません！";
const char* const kStartText[] = {"Sフォーマットファイル検証中", "フラッシュ書き込み中",
                                  "フラッシュベリファイ中"};
const char* const kErrorText[] = {
    nullptr,
    kCannotRead,
    "Sフォーマットファイルが異常です！",
    "Sフォーマットファイルのチェックサムが異常です！",
    "フラッシュ書き込みに失敗しました!",
    "フラッシュベリファイに失敗しました!",
};

enum Error { kNone = 0, kUnreadable = 1, kTruncated = 2, kChecksum = 3, kProgram = 4, kVerify = 5 };

class Pass {
public:
    Pass(WriterView& view, PageSink& sink, std::uint8_t mode, std::int32_t expectedSize,
         std::uint32_t& minAddress, std::uint32_t& maxAddress)
        : view_(view), sink_(sink), mode_(mode), expected_(expectedSize), min_(minAddress),
          max_(maxAddress) {}

    int Run(TextFile& in) {
        ResetPage();
        for (;;) {
            int c;
            do {
                c = in.Get();
            } while (c != TextFile::kEnd && c != 'S');
            if (c == TextFile::kEnd) break;
            const int type = in.Get();
            if (type == TextFile::kEnd) return kTruncated;
            if (type != '1' && type != '2') continue;

            std::uint8_t b;
            if (!Pair(in, b)) return kTruncated;
            int n = b;
            std::uint8_t sum = b;
            std::uint32_t address = 0;
            if (type == '2') {
                if (!Pair(in, b)) return kTruncated;
                sum = static_cast<std::uint8_t>(sum + b);
                address = b;
                --n;
            }
            for (int i = 0; i < 2; ++i) {
                if (!Pair(in, b)) return kTruncated;
                sum = static_cast<std::uint8_t>(sum + b);
                address = address * 256 + b;
            }
            n -= 3;
            for (int i = 0; i < n; ++i) {
                if (!Pair(in, b)) return kTruncated;
                sum = static_cast<std::uint8_t>(sum + b);
                if (const int error = Store(address, b)) return error;
                ++address;
            }
            if (!Pair(in, b)) return kTruncated;
            if (b != static_cast<std::uint8_t>(0xFF - sum)) return kChecksum;
        }
        if (in.Failed()) return kUnreadable;
        if (mode_ != kCheckMode && count_ > 0 && !Flush()) return FlushError();
        return kNone;
    }

    std::int32_t Count() const {
        return static_cast<std::int32_t>(
            std::min<std::int64_t>(count_, std::numeric_limits<std::int32_t>::max()));
    }

private:
    static bool Pair(TextFile& in, std::uint8_t& b) {
        const int hi = in.Get();
        if (hi == TextFile::kEnd) return false;
        const int lo = in.Get();
        if (lo == TextFile::kEnd) return false;
        b = static_cast<std::uint8_t>(HexNibble(hi) << 4 | HexNibble(lo));
        return true;
    }

    int Store(std::uint32_t address, std::uint8_t b) {
        if (mode_ != kCheckMode) {
            const std::uint32_t base = address & ~std::uint32_t{0xFF};
            if (page_ != base) {
                if (page_ && !Flush()) return FlushError();
                if (page_) {
                    ResetPage();
                    // 64-bit so that files of more than 23 MB of data cannot overflow the product.
                    view_.SetProgress(static_cast<int>(10 + count_ * 90 / expected_));
                }
                page_ = base;
            }
            image_[address & 0xFF] = b;
            present_[address & 0xFF] = 1;
        }
        if (address < min_) min_ = address;
        if (address > max_) max_ = address;
        ++count_;
        return kNone;
    }

    bool Flush() {
        return mode_ == kProgramMode ? sink_.ProgramPage(*page_, image_)
                                     : sink_.VerifyPage(*page_, image_, present_);
    }
    int FlushError() const { return mode_ == kProgramMode ? kProgram : kVerify; }

    void ResetPage() {
        image_.fill(0xFF);
        present_.fill(0);
    }

    WriterView& view_;
    PageSink& sink_;
    const std::uint8_t mode_;
    const std::int64_t expected_;
    std::uint32_t& min_;
    std::uint32_t& max_;
    std::int64_t count_ = 0;
    std::optional<std::uint32_t> page_;
    PageImage image_;
    PageFlags present_;
};

}  // namespace

std::int32_t StreamSFormatFile(WriterView& view, PageSink& sink, std::uint32_t& minAddress,
                               std::uint32_t& maxAddress, std::uint8_t mode,
                               std::int32_t expectedSize) {
    minAddress = 0xFFFFFFFF;
    maxAddress = 0;
    const std::string name = view.FileName();
    const std::string ext = UpperExtension(name);
    if (ext != ".S" && ext != ".MOT") {
        view.SetStatus(kNotSFormat);
        return -1;
    }
    TextFile in;
    if (!in.Open(name)) {
        view.SetStatus(kCannotRead);
        return -1;
    }
    if (mode > kVerifyMode) mode = kCheckMode;
    // Program and verify passes divide by the expected size; a caller that got it wrong must not
    // crash the writer.
    if (mode != kCheckMode && expectedSize < 1) expectedSize = 1;
    view.SetStatus(kStartText[mode]);
    Pass pass(view, sink, mode, expectedSize, minAddress, maxAddress);
    if (const int error = pass.Run(in)) {
        view.SetStatus(kErrorText[error]);
        return -error;
    }
    return pass.Count();
}

std::string FileCheckText(std::int32_t n, std::uint32_t minAddress, std::uint32_t maxAddress) {
    if (n < 1) return "書き込みファイルはSフォーマットでないか、異常です";
    char text[128];
    std::snprintf(text, sizeof text, "書込エリア(%06X-%06X)  書込サイズ(%ldバイト)", minAddress,
                  maxAddress, static_cast<long>(n));
    return text;
}

}  // namespace bramblet
