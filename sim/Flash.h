#pragma once
// The chip's flash as cells in blocks, each block with its lock bit. It knows what programming
// and erasing do to the cells; whether a command may do them is the boot program's to decide.
#include <cstdint>
#include <span>
#include <vector>

#include "writer/common/Family.h"

namespace bramblet::sim {

using Block = bramblet::FlashBlock;

class Flash {
public:
    explicit Flash(std::vector<Block> blocks);

    const std::vector<Block>& Blocks() const { return blocks_; }
    // The block holding `address`, or -1 outside the flash.
    int BlockOf(std::uint32_t address) const;
    bool Contains(std::uint32_t address) const { return BlockOf(address) >= 0; }

    // Addresses outside the flash read 0xFF and are not stored.
    std::uint8_t Read(std::uint32_t address) const;
    void Load(std::uint32_t address, std::span<const std::uint8_t> bytes);

    bool LockBit(int block) const { return locked_[block]; }
    void SetLockBit(int block) { locked_[block] = true; }
    // Erasing a block also erases its lock bit.
    void Erase(int block);
    // Programs the 256-byte page at `base`, which lies in one block of the flash. False when a
    // byte's verify fails: programming only clears bits, so a 1 over a 0 does not take.
    bool ProgramPage(std::uint32_t base, std::span<const std::uint8_t> data);

private:
    std::vector<Block> blocks_;
    std::vector<std::vector<std::uint8_t>> cells_;  // one vector per block
    std::vector<bool> locked_;                      // lock bit programmed (0) per block
};

}  // namespace bramblet::sim
