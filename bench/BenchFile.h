#pragma once
// The benchmarks' write file: `size` bytes of data from `start` in S2 records of 32 bytes.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace bramblet::bench {

inline std::string WriteBenchFile(const std::filesystem::path& name, std::uint32_t start,
                                  std::uint32_t size) {
    std::ofstream out(name, std::ios::binary);
    char line[80];
    for (std::uint32_t a = start; a < start + size; a += 32) {
        unsigned sum = 32 + 4 + (a >> 16) + ((a >> 8) & 0xFF) + (a & 0xFF);
        int n = std::snprintf(line, sizeof line, "S224%06X", a);
        for (int i = 0; i < 32; ++i) {
            const unsigned b = (a + i * 7) & 0xFF;
            sum += b;
            n += std::snprintf(line + n, sizeof line - n, "%02X", b);
        }
        std::snprintf(line + n, sizeof line - n, "%02X\n", 0xFF - (sum & 0xFF));
        out << line;
    }
    return name.string();
}

}  // namespace bramblet::bench
