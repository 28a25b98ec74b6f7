// The write, erase and verify sequences and the flash steps they are made of.
#include <array>

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

}  // namespace

std::optional<protocol::Status> Session::Run::Poll(int limit) {
    return protocol::PollStatus(
        Port(), limit, FastReads() ? protocol::PollRead::TwoBytes : protocol::PollRead::Window);
}

bool Session::Run::EraseStep() {
    protocol::EraseAll(Port());
    eraseStatus_ = Poll(kErasePollLimit);
    return Accepted(eraseStatus_);
}

bool Session::Run::ProgramPage(std::uint32_t base, const PageImage& image) {
    protocol::PageProgram(Port(), base, image);
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
    return StreamSFormatFile(View(), *this, target.writeFile, mode, expectedSize, &target.patch)
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
    session.commHandle_.reset();
    View().SetButtonEnabled(button, true);
}

// Connects and unlocks; false after reporting the failure. The port is open on return exactly
// when CommHandle is set.
bool Session::ConnectAndUnlock(Run& run) {
    view_->SetStatus(kConnecting);
    const int connected = ConnectBootMode(run.target);
    if (connected == 0) return run.NoAnswer();
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
    } else {
        commHandle_.reset();
    }
    return run.outcome;
}

Outcome Session::WriteSequence(const Target& target) {
    Run run(*this, target);
    run.Begin(ActionButton::Write, "フラッシュ消去・書込み開始");
    const std::int32_t size = run.Stream(kCheckMode, 0);
    if (size < 1) {
        run.Fail(Step::FileCheck);
    } else if (ConnectAndUnlock(run)) {
        view_->SetStatus(kErasing);
        if (!run.EraseStep()) {
            run.Refuse(Step::Erase, kCannotErase);
            run.outcome.status = run.EraseStatus();
        } else {
            view_->SetStatus("フラッシュ消去完了！");
            view_->SetProgress(10);
            // A failed pass keeps its own text and sounds no beep.
            if (run.Stream(kProgramMode, size) != size) {
                run.FailPass(Step::Program);
            } else if (run.Stream(kVerifyMode, size) != size) {
                run.FailPass(Step::Verify);
            } else {
                run.Succeed("フラッシュ書き込みは無事完了しました");
            }
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
