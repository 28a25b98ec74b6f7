#pragma once
// Files written from flash read back: a writer per format, chosen by the file's extension.
#include <cstdint>
#include <memory>
#include <ostream>
#include <span>
#include <string_view>

namespace bramblet {

class ImageWriter {
public:
    virtual ~ImageWriter() = default;
    // Bytes from `address` on; calls come in ascending address order.
    virtual void Data(std::uint32_t address, std::span<const std::uint8_t> bytes) = 0;
    // After the last data.
    virtual void End() = 0;
};

// The addresses a file written from flash covers, both included.
struct WriteArea {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

// Intel HEX: data records of at most 32 bytes that stay within their 64 KB, an upper linear
// base record (type 04) wherever the upper 16 address bits change, the end record.
class IntelHexWriter : public ImageWriter {
public:
    explicit IntelHexWriter(std::ostream& out);
    void Data(std::uint32_t address, std::span<const std::uint8_t> bytes) override;
    void End() override;

    static constexpr std::size_t kBytesPerRecord = 32;

private:
    void Record(std::uint8_t type, std::uint16_t offset, std::span<const std::uint8_t> data);

    std::ostream& out_;
    std::uint32_t upper_ = 0;  // what a file starts with before any type 04 record
};

// A raw binary of the whole area: byte k is the one at first + k, 0xFF where no data came.
class BinaryWriter : public ImageWriter {
public:
    BinaryWriter(std::ostream& out, const WriteArea& area);
    void Data(std::uint32_t address, std::span<const std::uint8_t> bytes) override;
    void End() override;

private:
    void FillTo(std::uint64_t end);

    std::ostream& out_;
    const WriteArea area_;
    std::uint64_t next_;  // the address of the next byte of the file
};

// The writer for a file name by its extension (any letter case): ".hex" and ".ihex" Intel HEX,
// ".bin" a raw binary, anything else S-records, with `header` in its S0 record.
std::unique_ptr<ImageWriter> MakeImageWriter(std::string_view utf8Name, std::ostream& out,
                                             const WriteArea& area, std::string_view header);

}  // namespace bramblet
