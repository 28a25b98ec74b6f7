#pragma once
// The S-record page stream read the plainest way: one character at a time, one byte at a time,
// straight from the rules of the format. The block reader takes shortcuts; tests and the fuzz
// target hold it to this.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/RecordingSink.h"
#include "writer/flash/SRecordStream.h"

namespace bramblet::testing {

struct Outcome {
    std::int32_t result = 0;
    std::uint32_t min = 0xFFFFFFFF;
    std::uint32_t max = 0;
    std::vector<Flush> flushes;
    std::vector<int> progress;
};

// A deliberately naive pass: one character at a time, one byte at a time.
class Model {
public:
    Model(const std::string& text, std::uint8_t mode, std::int32_t expected, int failAt)
        : text_(text), mode_(mode), expected_(expected), failAt_(failAt) {}

    Outcome Run() {
        const int error = Records();
        out_.result = error ? -error : count_;
        if (!error && mode_ != kCheckMode && count_ > 0 && !Flush()) {
            out_.result = mode_ == kProgramMode ? -4 : -5;
        }
        return out_;
    }

private:
    int Get() {
        for (;;) {
            if (pos_ >= text_.size()) return -1;
            const auto c = static_cast<unsigned char>(text_[pos_++]);
            if (c == '\r') continue;
            if (c == 0x1A) {
                pos_ = text_.size();
                return -1;
            }
            return c;
        }
    }
    static int Nibble(int c) { return c >= 0x41 ? (c - 0x37) & 0x0F : (c - 0x30) & 0x0F; }
    bool Pair(int& b) {
        const int hi = Get();
        if (hi < 0) return false;
        const int lo = Get();
        if (lo < 0) return false;
        b = Nibble(hi) << 4 | Nibble(lo);
        return true;
    }
    int Records() {
        image_.fill(0xFF);
        present_.fill(0);
        for (;;) {
            int c;
            do c = Get();
            while (c >= 0 && c != 'S');
            if (c < 0) return 0;
            const int type = Get();
            if (type < 0) return 2;
            if (type != '1' && type != '2') continue;
            int b;
            if (!Pair(b)) return 2;
            int n = b, sum = b;
            std::uint32_t address = 0;
            for (int i = 0; i < (type == '2' ? 3 : 2); ++i) {
                if (!Pair(b)) return 2;
                sum = (sum + b) & 0xFF;
                address = address * 256 + b;
                --n;
            }
            for (--n; n > 0; --n) {
                if (!Pair(b)) return 2;
                sum = (sum + b) & 0xFF;
                if (const int error = Store(address++, b)) return error;
            }
            if (!Pair(b)) return 2;
            if (b != 0xFF - sum) return 3;
        }
    }
    int Store(std::uint32_t address, int b) {
        if (mode_ != kCheckMode) {
            const std::uint32_t base = address & ~0xFFu;
            if (page_ != base) {
                if (page_) {
                    if (!Flush()) return mode_ == kProgramMode ? 4 : 5;
                    image_.fill(0xFF);
                    present_.fill(0);
                    out_.progress.push_back(
                        static_cast<int>(10 + std::int64_t{count_} * 90 / expected_));
                }
                page_ = base;
            }
            image_[address & 0xFF] = static_cast<std::uint8_t>(b);
            present_[address & 0xFF] = 1;
        }
        out_.min = std::min(out_.min, address);
        out_.max = std::max(out_.max, address);
        ++count_;
        return 0;
    }
    bool Flush() {
        const bool program = mode_ == kProgramMode;
        out_.flushes.push_back({program, *page_, image_, program ? PageFlags{} : present_});
        return static_cast<int>(out_.flushes.size()) - 1 != failAt_;
    }

    const std::string& text_;
    std::size_t pos_ = 0;
    const std::uint8_t mode_;
    const std::int32_t expected_;
    const int failAt_;
    Outcome out_;
    std::int32_t count_ = 0;
    std::optional<std::uint32_t> page_;
    PageImage image_;
    PageFlags present_;
};

}  // namespace bramblet::testing
