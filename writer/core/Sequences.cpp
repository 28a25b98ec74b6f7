// The write, erase and verify sequences and the flash steps they are made of.
#include <algorithm>
#include <array>

#include "writer/common/Text.h"
#include "writer/core/SessionRun.h"
#include "writer/core/WriteFile.h"
#include "writer/flash/SRecordStream.h"

namespace bramblet {
namespace {

// The status poll repeats while a read brings fewer than two bytes; each silent repetition takes
// its whole 230 ms window. A chip erases all its blocks in seconds at worst and programs a page
// in milliseconds, so these bounds (about 60 s and 5 s) are reached only by a chip that has gone.
constexpr int kErasePollLimit = 261;
constexpr int kPagePollLimit = 22;

static_assert(kPageSize == protocol::kPageBytes);

bool Accepted(const std::optional<protocol::Status>& status) {
    return status && status->Word() == protocol::kWordAccepted;
}

const char* const kConnecting = "BOOTモードコネクト中";
const char* const kNoAnswer = "通信できません! ブートモードを確認してリセットしてください";
const char* const kNoPort = "COMポートがありません！";
const char* const kIdMismatch = "ID照合不一致";
const char* const kIdVerified = "ID照合完了！";
const char* const kErasing = "フラッシュ消去中";
const char* const kCannotErase = "フラッシュを消去できません! ";
const char* const kVerifying = "フラッシュベリファイ中";
const char* const kVerifyFailed = "フラッシュベリファイに失敗しました!";

// A block as the family's table knows it, else by the address that names it.
std::string BlockName(const std::optional<Family>& family, std::uint32_t address) {
    const std::optional<FlashBlock> block = family ? BlockHolding(*family, address) : std::nullopt;
    if (!block) return "the block holding " + Hex(address, 6);
    return "block " + Hex(block->start, 6) + "-" + Hex(block->start + block->size - 1, 6);
}

}  // namespace

std::optional<protocol::Status> Session::Run::Poll(int limit) {
    return protocol::PollStatus(
        Port(), limit, FastReads() ? protocol::PollRead::TwoBytes : protocol::PollRead::Window);
}

bool Session::Run::EraseStep() {
    const std::vector<std::uint32_t>& blocks = target.flash.eraseBlocks;
    if (blocks.empty()) {
        protocol::EraseAll(Port());
        eraseStatus_ = Poll(kErasePollLimit);
        return Accepted(eraseStatus_);
    }
    // Each block once, however many of the addresses it holds; the chip is sent the address
    // given, since it knows its own blocks better than any table.
    std::vector<std::string> erased;
    for (const std::uint32_t address : blocks) {
        std::string name = BlockName(target.family, address);
        if (std::find(erased.begin(), erased.end(), name) != erased.end()) continue;
        protocol::BlockErase(Port(), address);
        eraseStatus_ = Poll(kErasePollLimit);
        if (!Accepted(eraseStatus_)) {
            outcome.detail = std::move(name);
            return false;
        }
        erased.push_back(std::move(name));
    }
    return true;
}

bool Session::Run::EraseForWrite() {
    if (target.flash.noErase) return true;
    View().SetStatus(kErasing);
    if (!EraseStep()) {
        Refuse(Step::Erase, kCannotErase);
        outcome.status = EraseStatus();
        return false;
    }
    View().SetStatus("フラッシュ消去完了！");
    return true;
}

bool Session::Run::SumFailed(std::string detail) {
    View().SetStatus(kVerifyFailed);
    outcome.detail = std::move(detail);
    return false;
}

bool Session::Run::ClearCheckData() {
    if (!target.flash.verifyBySum || protocol::ReadCheckData(Port())) return true;
    return SumFailed("the chip sent no check data");
}

// The check data proves that every byte sent arrived and that each page was programmed without
// an error flag; unlike reading the pages back, it cannot see a byte disturbed afterwards.
bool Session::Run::VerifyWrite(std::int32_t size) {
    if (!target.flash.verifyBySum) return Stream(kVerifyMode, size) == size;
    View().SetStatus(kVerifying);
    const std::optional<std::uint16_t> sum = protocol::ReadCheckData(Port());
    if (sum == sentSum_) return true;
    if (!sum) return SumFailed("the chip sent no check data");
    return SumFailed("the chip's check data is " + Hex(*sum, 4) + ", the bytes sent sum to " +
                     Hex(sentSum_, 4));
}

bool Session::Run::ProgramPage(std::uint32_t base, const PageImage& image) {
    if (target.flash.skipBlank &&
        std::all_of(image.begin(), image.end(), [](std::uint8_t b) { return b == 0xFF; })) {
        return true;
    }
    protocol::PageProgram(Port(), base, image);
    for (const std::uint8_t b : image) sentSum_ = static_cast<std::uint16_t>(sentSum_ + b);
    const std::optional<protocol::Status> status = Poll(kPagePollLimit);
    if (Accepted(status)) return true;
    failedPage_ = base;
    failedStatus_ = status;
    return false;
}

bool Session::Run::VerifyPage(std::uint32_t base, const PageImage& image,
                              const PageFlags& present) {
    // The design reads one byte per read, each with its own window, stopping at the first that
    // fails; the fast link takes the page in one read.
    PageImage chip{};
    std::size_t got = 0;
    if (FastReads()) {
        got = protocol::PageRead(Port(), base, chip);
    } else {
        protocol::RequestPage(Port(), base);
    }
    auto byteAt = [&](std::size_t offset) -> std::optional<std::uint8_t> {
        if (FastReads()) return offset < got ? std::optional(chip[offset]) : std::nullopt;
        std::array<std::uint8_t, 1> b{};
        return Port().Read(b) == 1 ? std::optional(b[0]) : std::nullopt;
    };
    for (std::size_t offset = 0; offset < kPageSize; ++offset) {
        const std::optional<std::uint8_t> b = byteAt(offset);
        if (b && !(present[offset] && *b != image[offset])) continue;
        failedPage_ = base;
        mismatch_ = Mismatch{static_cast<std::uint32_t>(base + offset), image[offset], b};
        return false;
    }
    return true;
}

std::int32_t Session::Run::Stream(std::uint8_t mode, std::int32_t expectedSize) {
    return StreamSFormatFile(View(), *this, target.writeFile, mode, expectedSize, &target.patch,
                             target.reading)
        .count;
}

void Session::Run::Fail(Step step) {
    outcome.failed = step;
    outcome.text = View().Last();
    if (session.commHandle_) outcome.lost = Port().Lost();
}

bool Session::Run::Refuse(Step step, const std::string& text) {
    View().SetStatus(text);
    View().Beep(kBeepFailure);
    Fail(step);
    return false;
}

bool Session::Run::NoAnswer() {
    return Refuse(Step::Connect, kNoAnswer);
}

// The user is told, as when no boot program answers, to bring the chip into boot mode by hand.
bool Session::Run::RefuseLines(const std::string& error) {
    outcome.lineError = error;
    return Refuse(Step::Lines, kNoAnswer);
}

void Session::Run::FailPass(Step step) {
    Fail(step);
    outcome.page = failedPage_;
    if (step == Step::Program) outcome.status = failedStatus_;
    if (step == Step::Verify) outcome.mismatch = mismatch_;
}

void Session::Run::Succeed(const char* text) {
    View().SetProgress(99);
    View().SetStatus(text);
    View().Beep(kBeepSuccess);
    outcome.text = View().Last();
}

void Session::Run::Begin(ActionButton button, const char* text) {
    View().SetButtonEnabled(button, false);
    View().SetStatus(text);
    View().SetProgress(0);
}

// The port opened by the sequence is closed before its button comes back.
void Session::Run::End(ActionButton button) {
    if (std::string error = session.CloseCommHandle(); !error.empty()) {
        outcome.AfterFailed(std::move(error));
    }
    View().SetButtonEnabled(button, true);
}

// Connects and unlocks; false after reporting the failure. The port is open on return exactly
// when CommHandle is set.
bool Session::ConnectAndUnlock(Run& run) {
    view_->SetStatus(kConnecting);
    const int connected = ConnectBootMode(run.target);
    if (connected == 0) return lineError_.empty() ? run.NoAnswer() : run.RefuseLines(lineError_);
    if (connected == 1) {
        run.Refuse(Step::OpenPort, kNoPort);
        run.outcome.openError = openError_;
        run.outcome.detail = openErrorDetail_;
        return false;
    }
    if (!SwitchRate(run)) return false;
    const int unlocked = VerifyIdCode(run.target);
    // A line gone before the chip was unlocked is a connection that failed: "ID照合不一致"
    // would send the user looking for an ID code.
    if (commHandle_->Lost()) return run.NoAnswer();
    if ((unlocked & protocol::kWordIdVerified) != protocol::kWordIdVerified) {
        return run.Refuse(Step::IdCode, kIdMismatch);
    }
    view_->SetStatus(kIdVerified);
    view_->SetProgress(5);
    return true;
}

Outcome Session::Unlock(const Target& target) {
    Run run(*this, target);
    if (ConnectAndUnlock(run)) {
        run.outcome.text = view_->Last();
    } else if (std::string error = CloseCommHandle(); !error.empty()) {
        run.outcome.AfterFailed(std::move(error));
    }
    return run.outcome;
}

Outcome Session::WriteSequence(const Target& target) {
    Run run(*this, target);
    run.Begin(ActionButton::Write, "フラッシュ消去・書込み開始");
    const std::int32_t size = run.Stream(kCheckMode, 0);
    if (size < 1) {
        run.Fail(Step::FileCheck);
    } else if (ConnectAndUnlock(run) && run.EraseForWrite()) {
        view_->SetProgress(10);
        // A failed pass keeps its own text and sounds no beep.
        if (!run.ClearCheckData()) {
            run.FailPass(Step::Verify);
        } else if (run.Stream(kProgramMode, size) != size) {
            run.FailPass(Step::Program);
        } else if (!run.VerifyWrite(size)) {
            run.FailPass(Step::Verify);
        } else {
            run.Succeed("フラッシュ書き込みは無事完了しました");
        }
    }
    run.End(ActionButton::Write);
    return run.outcome;
}

Outcome Session::EraseSequence(const Target& target) {
    Run run(*this, target);
    run.Begin(ActionButton::Erase, "フラッシュ消去開始");
    if (ConnectAndUnlock(run)) {
        view_->SetStatus(kErasing);
        if (run.EraseStep()) {
            run.Succeed("フラッシュ消去は無事完了しました");
        } else {
            run.Refuse(Step::Erase, kCannotErase);
            run.outcome.status = run.EraseStatus();
        }
    }
    run.End(ActionButton::Erase);
    return run.outcome;
}

Outcome Session::VerifySequence(const Target& target) {
    Run run(*this, target);
    run.Begin(ActionButton::Verify, "フラッシュベリファイ開始");
    const std::int32_t size = run.Stream(kCheckMode, 0);
    if (size < 1) {
        run.Fail(Step::FileCheck);
    } else if (ConnectAndUnlock(run)) {
        if (run.Stream(kVerifyMode, size) == size) {
            run.Succeed("フラッシュベリファイは無事完了しました");
        } else {
            // The verify button says it in its own words, with a beep.
            view_->SetStatus("フラッシュベリファイに失敗しました! ");
            view_->Beep(kBeepFailure);
            run.FailPass(Step::Verify);
        }
    }
    run.End(ActionButton::Verify);
    return run.outcome;
}

}  // namespace bramblet
