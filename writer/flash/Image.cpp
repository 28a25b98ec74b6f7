#include "writer/flash/Image.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "writer/flash/SRecordStream.h"

namespace bramblet {
namespace {

// Slicing by eight: table k gives the CRC of a byte followed by k zero bytes.
using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr CrcTables MakeCrcTables() {
    CrcTables t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320 ^ (c >> 1) : c >> 1;
        t[0][n] = c;
    }
    for (std::size_t k = 1; k < t.size(); ++k) {
        for (std::size_t n = 0; n < 256; ++n) t[k][n] = t[k - 1][n] >> 8 ^ t[0][t[k - 1][n] & 0xFF];
    }
    return t;
}
constexpr CrcTables kCrc = MakeCrcTables();

constexpr std::uint32_t kPageMask = ~static_cast<std::uint32_t>(kPageSize - 1);

// A file out of address order is read again in windows of this many pages (512 KB).
constexpr std::uint32_t kWindowPages = 2048;
constexpr std::uint32_t kWindowBytes = kWindowPages * static_cast<std::uint32_t>(kPageSize);

std::uint32_t Little32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The file's pages that fall in one window, merged.
class Window : public PageSink {
public:
    Window() : bytes_(kWindowBytes), touched_(kWindowPages) {}

    void Reset(std::uint32_t index) {
        index_ = index;
        std::fill(bytes_.begin(), bytes_.end(), 0xFF);
        std::fill(touched_.begin(), touched_.end(), false);
    }
    bool Touched(std::uint32_t page) const { return touched_[page]; }
    void Page(std::uint32_t page, PageImage& image) const {
        std::memcpy(image.data(), bytes_.data() + page * kPageSize, kPageSize);
    }

    bool ProgramPage(std::uint32_t, const PageImage&) override { return true; }
    bool VerifyPage(std::uint32_t base, const PageImage& image, const PageFlags& present) override {
        if (base / kWindowBytes != index_) return true;
        const std::uint32_t page = base % kWindowBytes / kPageSize;
        for (std::size_t i = 0; i < kPageSize; ++i) {
            if (present[i]) bytes_[page * kPageSize + i] = image[i];
        }
        touched_[page] = true;
        return true;
    }

private:
    std::uint32_t index_ = 0;
    std::vector<std::uint8_t> bytes_;
    std::vector<bool> touched_;
};

}  // namespace

std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
    crc = ~crc;
    for (; size >= 8; data += 8, size -= 8) {
        const std::uint32_t lo = crc ^ Little32(data), hi = Little32(data + 4);
        crc = kCrc[7][lo & 0xFF] ^ kCrc[6][lo >> 8 & 0xFF] ^ kCrc[5][lo >> 16 & 0xFF] ^
              kCrc[4][lo >> 24] ^ kCrc[3][hi & 0xFF] ^ kCrc[2][hi >> 8 & 0xFF] ^
              kCrc[1][hi >> 16 & 0xFF] ^ kCrc[0][hi >> 24];
    }
    for (; size > 0; ++data, --size) crc = kCrc[0][(crc ^ *data) & 0xFF] ^ crc >> 8;
    return ~crc;
}

std::vector<ImagePatch::Byte> ImagePatch::All() const {
    std::vector<Byte> all;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        all.push_back({address + static_cast<std::uint32_t>(i), bytes[i]});
    }
    all.insert(all.end(), scattered.begin(), scattered.end());
    return all;
}

void ImagePatch::Add(const ImagePatch& other) {
    const std::vector<Byte> more = other.All();
    scattered.insert(scattered.end(), more.begin(), more.end());
}

std::vector<std::uint32_t> ImagePatch::Pages() const {
    std::set<std::uint32_t> pages;
    for (const Byte& b : All()) pages.insert(b.address & kPageMask);
    return {pages.begin(), pages.end()};
}

void ImagePatch::Apply(std::uint32_t base, PageImage& image, PageFlags& present) const {
    auto lay = [&](std::uint32_t at, std::uint8_t value) {
        if ((at & kPageMask) != base) return;
        image[at & 0xFF] = value;
        present[at & 0xFF] = 1;
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        lay(address + static_cast<std::uint32_t>(i), bytes[i]);
    }
    for (const Byte& b : scattered) lay(b.address, b.value);
}

ImageDigester::ImageDigester(ImagePatch patch)
    : patch_(std::move(patch)), patchBytes_(patch_.All()), patchPages_(patch_.Pages()) {
    scan_.held.resize(patchBytes_.size());
}

bool ImageDigester::VerifyPage(std::uint32_t base, const PageImage& image,
                               const PageFlags& present) {
    scan_.empty = false;
    windows_.insert(base / kWindowBytes);
    for (std::size_t i = 0; i < patchBytes_.size(); ++i) {
        const std::uint32_t at = patchBytes_[i].address;
        if ((at & kPageMask) != base || !present[at & 0xFF]) continue;
        scan_.clashes = true;
        scan_.held[i] = image[at & 0xFF];
    }
    if (!ordered_) return true;
    if (last_ && base <= *last_) {
        ordered_ = false;
        return true;
    }
    last_ = base;
    AddPatchPagesBelow(base);
    AddPage(base, image);
    return true;
}

void ImageDigester::AddPage(std::uint32_t base, const PageImage& image) {
    ImageDigest& digest = scan_.digest;
    if (nextPatchPage_ < patchPages_.size() && patchPages_[nextPatchPage_] == base) {
        ++nextPatchPage_;
        PageImage patched = image;
        PageFlags present{};
        patch_.Apply(base, patched, present);
        digest.crc32 = Crc32(digest.crc32, patched.data(), patched.size());
    } else {
        digest.crc32 = Crc32(digest.crc32, image.data(), image.size());
    }
    digest.size += kPageSize;
}

void ImageDigester::AddPatchPagesBelow(std::uint64_t limit) {
    PageImage blank;
    blank.fill(0xFF);
    while (nextPatchPage_ < patchPages_.size() && patchPages_[nextPatchPage_] < limit) {
        AddPage(patchPages_[nextPatchPage_], blank);
    }
}

std::optional<ImageScan> ImageDigester::Finish(const std::string& utf8File,
                                               const FileReading& reading) {
    if (!ordered_) {
        scan_.digest = {};
        nextPatchPage_ = 0;
        std::set<std::uint32_t> windows = windows_;
        for (std::uint32_t base : patchPages_) windows.insert(base / kWindowBytes);
        Window window;
        PageImage image;
        for (std::uint32_t index : windows) {
            window.Reset(index);
            if (windows_.count(index)) {
                SRecordStream stream;
                if (stream.Open(utf8File, reading) != StreamOpen::Opened) return std::nullopt;
                if (stream.Pass(window, kVerifyMode, 1, [](int) {}).count < 0) return std::nullopt;
            }
            for (std::uint32_t page = 0; page < kWindowPages; ++page) {
                if (!window.Touched(page)) continue;
                const std::uint32_t base = index * kWindowBytes + page * kPageSize;
                AddPatchPagesBelow(base);
                window.Page(page, image);
                AddPage(base, image);
            }
            AddPatchPagesBelow(std::uint64_t{index + 1} * kWindowBytes);
        }
    }
    AddPatchPagesBelow(std::numeric_limits<std::uint64_t>::max());
    return scan_;
}

std::optional<ImageScan> ScanImage(const std::string& utf8File, const ImagePatch& patch,
                                   const FileReading& reading) {
    SRecordStream stream;
    if (stream.Open(utf8File, reading) != StreamOpen::Opened) return std::nullopt;
    ImageDigester digester(patch);
    if (stream.Pass(digester, kCheckMode, 1, [](int) {}).count < 0) return std::nullopt;
    return digester.Finish(utf8File, reading);
}

}  // namespace bramblet
