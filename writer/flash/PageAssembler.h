#pragma once
// The part of a pass that every file format shares: data bytes in file order gathered into
// 256-byte pages (0xFF where the file gives nothing), each handed on when the data leaves it,
// a patch laid over them, the byte count, the address range and the progress.
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "writer/flash/Image.h"
#include "writer/flash/PageSink.h"

namespace bramblet {

enum StreamMode : std::uint8_t { kCheckMode = 0, kProgramMode = 1, kVerifyMode = 2 };

// Any other mode value is taken as a check.
constexpr StreamMode ValidStreamMode(std::uint8_t mode) {
    return mode > kVerifyMode ? kCheckMode : static_cast<StreamMode>(mode);
}

// Negative pass results.
enum StreamFailure : std::int32_t {
    kUnreadableFile = -1,   // not a write file, cannot be opened, or a read error part-way
    kTruncatedRecord = -2,  // malformed: a record cut short, or any other fault of its layout
    kBadChecksum = -3,
    kPageProgramFailed = -4,
    kPageVerifyFailed = -5,
};

class PageAssembler {
public:
    PageAssembler(PageSink& sink, StreamMode mode, std::int32_t expectedSize,
                  const std::function<void(int)>& progress, const ImagePatch* patch);

    // Stores `n` data bytes from `address` on (the run may cross pages; address + n must not pass
    // 2^32). Returns 0, or the failure of a page handed on; the bytes stored before it count.
    std::int32_t Data(std::uint32_t address, const std::uint8_t* bytes, int n);
    // After the file's last data: hands on the page under way and the patch's own pages.
    std::int32_t Finish();

    std::int32_t Count() const;
    std::uint32_t MinAddress() const { return min_; }
    std::uint32_t MaxAddress() const { return max_; }

private:
    std::int32_t Place(std::uint32_t address, const std::uint8_t* bytes, int n,
                       std::int64_t before);
    bool Flush();
    bool FlushPatchPages();
    std::int32_t FlushError() const;
    void ResetPage();

    const std::function<void(int)>& progress_;
    const ImagePatch* const patch_;
    std::set<std::uint32_t> patched_;
    const bool pages_;  // the pass assembles pages and hands them to the sink
    PageSink& sink_;
    const StreamMode mode_;
    const std::int64_t expected_;
    std::uint32_t min_ = 0xFFFFFFFF;
    std::uint32_t max_ = 0;
    std::int64_t count_ = 0;
    std::optional<std::uint32_t> page_;
    PageImage image_;
    PageFlags present_;
};

// One write file read from its start to its end, each run of data bytes handed to the pages in
// the order the file gives them.
class RecordSource {
public:
    virtual ~RecordSource() = default;
    // 0, or the StreamFailure the reading stopped at (a page's failure passed on as it came).
    virtual std::int32_t Read(PageAssembler& pages) = 0;
    // The file could not be read to its end: a read error rather than a fault of its content.
    virtual bool Failed() const = 0;
    // For a malformed file: where (line or offset) and what is wrong; empty when the format
    // keeps no such detail.
    virtual std::string Problem() const { return {}; }
};

}  // namespace bramblet
