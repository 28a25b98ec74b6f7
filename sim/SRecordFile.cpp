#include "sim/SRecordFile.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "writer/common/Text.h"
#include "writer/flash/SRecordWriter.h"

namespace bramblet::sim {

bool LoadSRecordFile(const std::string& path, Chip& chip, std::string& error, text::Lang lang) {
    using text::Tx;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = text::Say(Tx::SimCannotOpen, lang, {path});
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty()) continue;
        const std::string where = path + ":" + std::to_string(number);
        const auto fail = [&](Tx why) {
            error = text::Say(why, lang, {where});
            return false;
        };
        if (line[0] != 'S' || line.size() < 4 || line.size() % 2 != 0) {
            return fail(Tx::SimNotSRecord);
        }
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 2; i < line.size(); i += 2) {
            const int high = HexDigitValue(line[i]), low = HexDigitValue(line[i + 1]);
            if (high < 0 || low < 0) {
                return fail(Tx::SimNotHexDigit);
            }
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
        }
        unsigned sum = 0;
        for (std::uint8_t b : bytes) sum += b;
        if (bytes[0] + 1u != bytes.size() || (sum & 0xFF) != 0xFF) {
            return fail(Tx::SimBadCount);
        }
        const int addressBytes = line[1] == '1' ? 2 : line[1] == '2' ? 3 : line[1] == '3' ? 4 : 0;
        if (addressBytes == 0) continue;  // header, count and end records carry no data
        if (bytes.size() < static_cast<std::size_t>(addressBytes) + 2) {
            return fail(Tx::SimRecordShort);
        }
        std::uint32_t address = 0;
        for (int i = 0; i < addressBytes; ++i) address = address << 8 | bytes[1 + i];
        chip.Load(address,
                  std::span(bytes).subspan(1 + addressBytes, bytes.size() - 2 - addressBytes));
    }
    return true;
}

bool SaveSRecordFile(const std::string& path, const Chip& chip) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    SRecordWriter records(out, true, "bramblet-sim");
    std::vector<Block> blocks = chip.Blocks();
    std::sort(blocks.begin(), blocks.end(),
              [](const Block& a, const Block& b) { return a.start < b.start; });
    constexpr std::uint32_t kLine = 32;
    for (const Block& block : blocks) {
        for (std::uint32_t offset = 0; offset < block.size; offset += kLine) {
            std::uint8_t data[kLine];
            const std::uint32_t n = std::min(kLine, block.size - offset);
            bool blank = true;
            for (std::uint32_t i = 0; i < n; ++i) {
                data[i] = chip.Read(block.start + offset + i);
                blank = blank && data[i] == 0xFF;
            }
            if (!blank) records.Data(block.start + offset, std::span(data, n));
        }
    }
    records.End();
    return static_cast<bool>(out.flush());
}

}  // namespace bramblet::sim
