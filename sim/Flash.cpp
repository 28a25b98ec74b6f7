#include "sim/Flash.h"

#include <algorithm>

namespace bramblet::sim {

Flash::Flash(std::vector<Block> blocks) : blocks_(std::move(blocks)), locked_(blocks_.size()) {
    for (const Block& block : blocks_) cells_.emplace_back(block.size, 0xFF);
}

int Flash::BlockOf(std::uint32_t address) const {
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
        if (address >= blocks_[i].start && address - blocks_[i].start < blocks_[i].size) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::uint8_t Flash::Read(std::uint32_t address) const {
    const int block = BlockOf(address);
    return block < 0 ? 0xFF : cells_[block][address - blocks_[block].start];
}

void Flash::Load(std::uint32_t address, std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto at = static_cast<std::uint32_t>(address + i);
        const int block = BlockOf(at);
        if (block >= 0) cells_[block][at - blocks_[block].start] = bytes[i];
    }
}

void Flash::Erase(int block) {
    std::fill(cells_[block].begin(), cells_[block].end(), 0xFF);
    locked_[block] = false;
}

bool Flash::ProgramPage(std::uint32_t base, std::span<const std::uint8_t> data) {
    const int block = BlockOf(base);
    const std::uint32_t offset = base - blocks_[block].start;
    std::uint8_t* cells = &cells_[block][offset];
    // A page of a block whose size is not a whole number of pages stops at the block's end.
    const std::size_t n = std::min<std::size_t>(data.size(), blocks_[block].size - offset);
    bool verified = true;
    for (std::size_t i = 0; i < n; ++i) {
        // A byte of 0xFF is not programmed at all, so a page written again with 0xFF wherever
        // it brings nothing new leaves the earlier bytes alone. Other bytes are verified whole.
        if (data[i] == 0xFF) continue;
        const std::uint8_t result = cells[i] & data[i];
        verified = verified && result == data[i];
        cells[i] = result;
    }
    return verified;
}

}  // namespace bramblet::sim
