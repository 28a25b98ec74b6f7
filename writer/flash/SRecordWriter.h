#pragma once
// Motorola S-records written as the data comes: an S0 header, data records of at most 32 bytes,
// the end record. Two-byte addresses (S1 with S9) or three (S2 with S8).
#include <cstdint>
#include <ostream>
#include <span>
#include <string_view>

#include "writer/flash/ImageWriter.h"

namespace bramblet {

class SRecordWriter : public ImageWriter {
public:
    SRecordWriter(std::ostream& out, bool threeByteAddresses, std::string_view header);
    void Data(std::uint32_t address, std::span<const std::uint8_t> bytes) override;
    void End() override;

    static constexpr std::size_t kBytesPerRecord = 32;

private:
    void Record(char type, std::uint32_t address, int addressBytes,
                std::span<const std::uint8_t> data);

    std::ostream& out_;
    const bool wide_;
};

}  // namespace bramblet
