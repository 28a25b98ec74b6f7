#include "sim/CommandFaults.h"

#include <algorithm>
#include <vector>

namespace bramblet::sim {

CommandFaults::CommandFaults(const ChipConfig& config)
    : faults_(config.faults), blockEraseTime_(config.blockEraseTime) {}

CommandResult CommandFaults::Run(BootProgram& boot, Frame frame) {
    zeroRun_ = frame[0] == kSync ? zeroRun_ + 1 : 0;
    if (std::optional<CommandResult> instead = Instead(boot, frame)) return *instead;
    CommandResult result = boot.Run(frame);
    if (frame[0] == kPageProgram && !result.refused) ++pagesProgrammed_;
    Spoil(frame, result);
    return result;
}

// A fault that takes the command's place: the boot program never sees it, or sees it spoilt.
std::optional<CommandResult> CommandFaults::Instead(BootProgram& boot, Frame frame) {
    const std::uint32_t address = BootProgram::AddressOf(frame);
    if (frame[0] == kPageProgram) {
        if (faults_.silentAfterPages && pagesProgrammed_ >= *faults_.silentAfterPages) {
            return CommandResult{
                .address = address, .refused = true, .then = CommandResult::Then::FallSilent};
        }
        if (faults_.resetAfterPages && pagesProgrammed_ >= *faults_.resetAfterPages &&
            !resetFired_) {
            resetFired_ = true;
            return CommandResult{
                .address = address, .refused = true, .then = CommandResult::Then::Reset};
        }
        if (boot.Carries(frame) && faults_.programErrorAt == pageCommands_++) {
            // Programming stops half-way: what was not written reads as before.
            std::vector<std::uint8_t> half(frame.begin(), frame.end());
            std::fill(half.begin() + 3 + (half.size() - 3) / 2, half.end(), 0xFF);
            CommandResult result = boot.Run(half);
            boot.FlagErrors(kSrdProgramError);
            return result;
        }
    }
    const bool erase = frame[0] == kEraseAll || frame[0] == kBlockErase;
    if (erase && boot.Carries(frame) && faults_.eraseErrorAt == erases_++) {
        boot.FlagErrors(kSrdEraseError);
        return CommandResult{.address = address, .busy = blockEraseTime_};
    }
    return std::nullopt;
}

void CommandFaults::Spoil(Frame frame, CommandResult& result) const {
    if (result.refused) return;
    std::vector<std::uint8_t>& reply = result.reply;
    if (frame[0] == kSync && faults_.syncAnswerAfter > 0 && zeroRun_ == faults_.syncAnswerAfter) {
        reply = faults_.syncAnswer;
    } else if (frame[0] == kReadStatus) {
        reply.resize(static_cast<std::size_t>(std::clamp(faults_.statusReplyLength, 0, 2)));
    } else if (frame[0] == kPageRead) {
        const std::uint32_t base = result.address;
        if (faults_.corruptReadAddress && *faults_.corruptReadAddress - base < reply.size()) {
            reply[*faults_.corruptReadAddress - base] ^= 0x01;
        }
        reply.resize(
            std::min(reply.size(), static_cast<std::size_t>(std::max(faults_.pageReadLength, 0))));
    } else if (BaudCommandRate(frame[0]) && faults_.baudEcho) {
        reply = *faults_.baudEcho;
    }
}

}  // namespace bramblet::sim
