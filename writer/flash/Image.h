#pragma once
// The write file as a chip holds it once written: its pages in address order, a board's own bytes
// laid over them, and the CRC-32 that names the result.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "writer/flash/FileFormats.h"
#include "writer/flash/PageSink.h"

namespace bramblet {

// zlib's CRC-32 (reflected, polynomial 0xEDB88320) of `size` bytes, continuing from `crc` (0 to
// begin with).
std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// Bytes of one board's own (its serial number, its ID code) laid over the file's image. They are
// programmed and verified with the page that holds them, or in a page of their own where the
// file has none.
struct ImagePatch {
    std::uint32_t address = 0;
    std::vector<std::uint8_t> bytes;
    struct Byte {
        std::uint32_t address;
        std::uint8_t value;
        bool operator==(const Byte&) const = default;
    };
    // Bytes at addresses of their own beside the run above, such as an ID code's seven, which
    // lie apart; laid over after the run.
    std::vector<Byte> scattered = {};

    bool Empty() const { return bytes.empty() && scattered.empty(); }
    // Every byte: the run's in order, then the scattered ones.
    std::vector<Byte> All() const;
    // Lays `other`'s bytes over this patch's, as scattered ones.
    void Add(const ImagePatch& other);
    // The bases of the pages the bytes fall in, ascending.
    std::vector<std::uint32_t> Pages() const;
    // Lays the bytes that fall in the page at `base` over `image` and marks them present.
    void Apply(std::uint32_t base, PageImage& image, PageFlags& present) const;
};

// The CRC-32 of the image's pages in ascending address order, 256 bytes each with 0xFF where
// nothing is written, and how many bytes that is.
struct ImageDigest {
    std::uint32_t crc32 = 0;
    std::uint64_t size = 0;
};

// What a look at a write file found, with a patch laid over it.
struct ImageScan {
    ImageDigest digest;
    bool empty = true;     // the file supplies no byte
    bool clashes = false;  // the file supplies a byte that the patch would replace
    // For each of the patch's bytes (ImagePatch::All's order), the byte the file supplies there,
    // the last one where it supplies several.
    std::vector<std::optional<std::uint8_t>> held;
};

// Takes the pages of a check pass and digests the image with a patch laid over it, in constant
// memory: a file whose pages come in ascending address order, as linkers write them, is digested
// as it passes; any other is read again by Finish, a window of the address space at a time.
class ImageDigester : public PageSink {
public:
    explicit ImageDigester(ImagePatch patch = {});

    bool TakesCheckPages() const override { return true; }
    bool ProgramPage(std::uint32_t, const PageImage&) override { return true; }
    bool VerifyPage(std::uint32_t base, const PageImage& image, const PageFlags& present) override;

    // After the pass over `utf8File`, read as `reading`: what it found; nothing when reading it
    // again failed.
    std::optional<ImageScan> Finish(const std::string& utf8File, const FileReading& reading = {});

private:
    void AddPage(std::uint32_t base, const PageImage& image);
    void AddPatchPagesBelow(std::uint64_t limit);

    const ImagePatch patch_;
    const std::vector<ImagePatch::Byte> patchBytes_;
    const std::vector<std::uint32_t> patchPages_;
    std::size_t nextPatchPage_ = 0;
    std::optional<std::uint32_t> last_;
    bool ordered_ = true;
    std::set<std::uint32_t> windows_;  // those the file's pages fall in
    ImageScan scan_;
};

// A check pass of its own over `utf8File` into a digester; nothing when the file is not a write
// file (by `reading`'s rule) that can be read whole.
std::optional<ImageScan> ScanImage(const std::string& utf8File, const ImagePatch& patch = {},
                                   const FileReading& reading = {});

}  // namespace bramblet
