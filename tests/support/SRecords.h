#pragma once
// Builds well-formed S-records for tests, so that a test states its data, not its checksums.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace bramblet::testing {

inline std::string SRecord(char type, std::uint32_t address,
                           const std::vector<std::uint8_t>& data) {
    const int addressBytes = type == '2' || type == '8' ? 3 : type == '3' || type == '7' ? 4 : 2;
    const int count = addressBytes + static_cast<int>(data.size()) + 1;
    std::string line = "S";
    line += type;
    char pair[3];
    unsigned sum = 0;
    auto put = [&](unsigned b) {
        std::snprintf(pair, sizeof pair, "%02X", b & 0xFF);
        line += pair;
        sum += b & 0xFF;
    };
    put(count);
    for (int i = addressBytes - 1; i >= 0; --i) put(address >> (8 * i));
    for (std::uint8_t b : data) put(b);
    std::snprintf(pair, sizeof pair, "%02X", 0xFF - (sum & 0xFF));
    return line + pair + "\n";
}

// `count` bytes starting at `address`, value = low byte of (address + seed).
inline std::vector<std::uint8_t> Bytes(std::uint32_t address, std::size_t count, int seed = 0) {
    std::vector<std::uint8_t> data(count);
    for (std::size_t i = 0; i < count; ++i) data[i] = static_cast<std::uint8_t>(address + i + seed);
    return data;
}

// S1 or S2 records of at most 16 data bytes covering [address, address + count).
inline std::string SRecords(char type, std::uint32_t address, std::size_t count, int seed = 0) {
    std::string text;
    for (std::size_t done = 0; done < count; done += 16) {
        const std::size_t n = count - done < 16 ? count - done : 16;
        const auto a = static_cast<std::uint32_t>(address + done);
        text += SRecord(type, a, Bytes(a, n, seed));
    }
    return text;
}

}  // namespace bramblet::testing
