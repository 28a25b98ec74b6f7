#include "writer/flash/PageAssembler.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace bramblet {

PageAssembler::PageAssembler(PageSink& sink, StreamMode mode, std::int32_t expectedSize,
                             const std::function<void(int)>& progress, const ImagePatch* patch)
    : progress_(progress),
      patch_(patch && !patch->Empty() ? patch : nullptr),
      pages_(mode != kCheckMode || sink.TakesCheckPages()),
      sink_(sink),
      mode_(mode),
      expected_(expectedSize < 1 ? 1 : expectedSize) {
    ResetPage();
}

std::int32_t PageAssembler::Data(std::uint32_t address, const std::uint8_t* bytes, int n) {
    int stored = n;
    std::int32_t error = 0;
    if (pages_) {
        // A run at a time, each within one page.
        for (stored = 0; stored < n;) {
            const std::uint32_t at = address + static_cast<std::uint32_t>(stored);
            const int run = std::min(n - stored, static_cast<int>(kPageSize - (at & 0xFF)));
            error = Place(at, bytes + stored, run, count_ + stored);
            if (error) break;
            stored += run;
        }
    }
    // The address only grows within a run, so its first and last byte bound the range.
    if (stored > 0) {
        min_ = std::min(min_, address);
        max_ = std::max(max_, address + static_cast<std::uint32_t>(stored) - 1);
        count_ += stored;
    }
    return error;
}

std::int32_t PageAssembler::Finish() {
    if (pages_ && count_ > 0 && (!Flush() || !FlushPatchPages())) return FlushError();
    return 0;
}

std::int32_t PageAssembler::Count() const {
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(count_, std::numeric_limits<std::int32_t>::max()));
}

// Puts `n` data bytes, all in one page, into the page being assembled, first flushing the page
// it leaves. `before` is the number of data bytes the pass stored before them.
std::int32_t PageAssembler::Place(std::uint32_t address, const std::uint8_t* bytes, int n,
                                  std::int64_t before) {
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
    return 0;
}

bool PageAssembler::Flush() {
    if (patch_) {
        patch_->Apply(*page_, image_, present_);
        patched_.insert(*page_);
    }
    return mode_ == kProgramMode ? sink_.ProgramPage(*page_, image_)
                                 : sink_.VerifyPage(*page_, image_, present_);
}

// The patch's pages the file never entered, each on its own.
bool PageAssembler::FlushPatchPages() {
    if (!patch_) return true;
    for (std::uint32_t base : patch_->Pages()) {
        if (patched_.count(base)) continue;
        ResetPage();
        page_ = base;
        if (!Flush()) return false;
    }
    return true;
}

std::int32_t PageAssembler::FlushError() const {
    return mode_ == kProgramMode ? kPageProgramFailed : kPageVerifyFailed;
}

void PageAssembler::ResetPage() {
    image_.fill(0xFF);
    present_.fill(0);
}

}  // namespace bramblet
