#pragma once
// The chip's misbehaviour around its boot program: every command passes through here, which may
// answer in its place (silent or reset after so many pages, a failed erase or page) or spoil what
// it answered (short replies, a corrupt byte, another echo, an answer to synchronisation). The
// handlers themselves know only the healthy chip.
#include <cstdint>

#include "sim/BootProgram.h"

namespace bramblet::sim {

class CommandFaults {
public:
    explicit CommandFaults(const ChipConfig& config);

    CommandResult Run(BootProgram& boot, Frame frame);
    // A reset: zeros in a row are counted again; the page and erase counts go on.
    void PowerOn() { zeroRun_ = 0; }
    // Page Programs the chip carried out whole, counted for the faults after so many pages.
    int PagesProgrammed() const { return pagesProgrammed_; }

private:
    std::optional<CommandResult> Instead(BootProgram& boot, Frame frame);
    void Spoil(Frame frame, CommandResult& result) const;

    Faults faults_;
    Time blockEraseTime_;
    int zeroRun_ = 0;
    int pagesProgrammed_ = 0;
    int pageCommands_ = 0;
    int erases_ = 0;
    bool resetFired_ = false;
};

}  // namespace bramblet::sim
