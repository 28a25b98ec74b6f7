// The Intel HEX reader against a line-at-a-time reading of the format written here: the same
// outcome, and for a good file the same bytes at the same addresses, count and range.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FormatModel.h"
#include "fuzz/ScratchFile.h"

namespace {

using namespace bramblet;

int Digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

fuzz::Image Model(std::string text) {
    fuzz::Image image;
    // A text file: carriage returns are not there, and 0x1A ends it.
    std::string plain;
    for (char c : text) {
        if (c == 0x1A) break;
        if (c != '\r') plain += c;
    }
    std::uint64_t base = 0;
    std::size_t start = 0;
    while (start <= plain.size()) {
        const std::size_t end = std::min(plain.find('\n', start), plain.size());
        const bool last = end == plain.size();
        std::string line = plain.substr(start, end - start);
        start = end + 1;
        if (line.empty()) {
            if (last) return {kTruncatedRecord};  // no end record
            continue;
        }
        if (line[0] != ':') return {kTruncatedRecord};
        // The record ends at its first blank; only blanks may follow.
        const std::size_t blank = line.find_first_of(" \t");
        if (blank != std::string::npos) {
            if (line.find_first_not_of(" \t", blank) != std::string::npos) {
                return {kTruncatedRecord};
            }
            line.resize(blank);
        }
        std::vector<int> bytes;
        if ((line.size() - 1) % 2 != 0) return {kTruncatedRecord};
        for (std::size_t i = 1; i < line.size(); i += 2) {
            const int high = Digit(line[i]), low = Digit(line[i + 1]);
            if (high < 0 || low < 0) return {kTruncatedRecord};
            bytes.push_back(high * 16 + low);
        }
        if (bytes.size() < 5 || bytes.size() > 260) return {kTruncatedRecord};
        const int length = bytes[0];
        if (static_cast<int>(bytes.size()) != length + 5) return {kTruncatedRecord};
        int sum = 0;
        for (int b : bytes) sum += b;
        if (sum % 256 != 0) return {kBadChecksum};
        const std::uint64_t offset = bytes[1] * 256 + bytes[2];
        switch (bytes[3]) {
            case 0:
                if (length > 0 && base + offset + length - 1 > 0xFFFFFF) return {kTruncatedRecord};
                for (int i = 0; i < length; ++i) {
                    image.Put(static_cast<std::uint32_t>(base + offset + i),
                              static_cast<std::uint8_t>(bytes[4 + i]));
                }
                break;
            case 1:
                if (length != 0) return {kTruncatedRecord};
                return image;
            case 2:
            case 4:
                if (length != 2) return {kTruncatedRecord};
                base = static_cast<std::uint64_t>(bytes[4] * 256 + bytes[5]) *
                       (bytes[3] == 2 ? 16 : 65536);
                break;
            case 3:
            case 5:
                if (length != 4) return {kTruncatedRecord};
                break;
            default:
                return {kTruncatedRecord};
        }
        if (last) return {kTruncatedRecord};
    }
    return {kTruncatedRecord};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFile file(".hex");
    const std::string text(reinterpret_cast<const char*>(data), size);
    file.Write("", text);
    fuzz::CheckSame(fuzz::ReadWith(FileFormat::IntelHex, file.Path()), Model(text));
    return 0;
}
